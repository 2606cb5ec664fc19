// The main window's decisions: sidebar rows and badges, what each path entry opens,
// where Return in the search field goes, and the items that follow the model.

#include "app/shell/RootPresenter.h"
#include "app/shell/SidebarPresenter.h"

#include <QHash>
#include <gtest/gtest.h>

using namespace hub;

namespace {

QList<std::optional<HubSection>> sections(const SidebarPresenter::Screen& screen)
{
    QList<std::optional<HubSection>> list;
    for (const SidebarPresenter::Row& row : screen.rows)
        list.append(row.section);
    return list;
}

TEST(SidebarPresenter, ShowsTheExtrasSectionsOnlyWhileTheFeedListsThem)
{
    using S = HubSection;
    const std::optional<S> header;
    const QList<std::optional<S>> yours{header, S::library, S::updates, S::downloads, S::wishlist};
    struct Case {
        qsizetype freeTools, earlyAccess;
        QList<std::optional<S>> first;
    };
    const Case cases[] = {
        {0, 0, {S::discover, S::plugIns, S::apps, S::free}},
        {1, 0, {S::discover, S::plugIns, S::apps, S::free, S::freeTools}},
        {0, 2, {S::discover, S::plugIns, S::apps, S::free, S::earlyAccess}},
        {3, 1, {S::discover, S::plugIns, S::apps, S::free, S::freeTools, S::earlyAccess}},
    };
    for (const Case& c : cases) {
        SidebarPresenter::Input input;
        input.freeTools = c.freeTools;
        input.earlyAccess = c.earlyAccess;
        const SidebarPresenter::Screen screen = SidebarPresenter::present(input);
        EXPECT_EQ(sections(screen), c.first + yours) << c.freeTools << " " << c.earlyAccess;
        EXPECT_EQ(screen.rows.at(c.first.size()).title, QStringLiteral("Yours"));
    }
}

TEST(SidebarPresenter, CountsBadgesAndHighlightsOnlyListedRows)
{
    SidebarPresenter::Input input;
    input.updates = 2;
    input.activeJobs = SidebarPresenter::activeJobs({InstallStage::queued(), InstallStage::paused(), InstallStage::downloading(1, 9),
        InstallStage::installed(), InstallStage::failed(QStringLiteral("x")), InstallStage::verifying()});
    input.wishlist = 4;
    input.selection = HubSection::downloads;
    const SidebarPresenter::Screen screen = SidebarPresenter::present(input);
    QHash<HubSection, qsizetype> badges;
    for (const SidebarPresenter::Row& row : screen.rows)
        if (row.section)
            badges.insert(*row.section, row.badge);
    EXPECT_EQ(badges.value(HubSection::updates), 2);
    EXPECT_EQ(badges.value(HubSection::downloads), 3); // paused, downloading, verifying
    EXPECT_EQ(badges.value(HubSection::wishlist), 4);
    EXPECT_EQ(badges.value(HubSection::library), 0);
    EXPECT_EQ(screen.highlighted, HubSection::downloads);
    EXPECT_EQ(SidebarPresenter::activeJobs({InstallStage::queued()}), 0);
    EXPECT_EQ(SidebarPresenter::badgeText(0), QString());
    EXPECT_EQ(SidebarPresenter::badgeText(12), QStringLiteral("12"));

    // Nothing, the account, or a section without a row: no row is highlighted.
    for (std::optional<HubSection> selection : {std::optional<HubSection>(), std::optional(HubSection::account),
             std::optional(HubSection::freeTools)}) {
        input.selection = selection;
        EXPECT_EQ(SidebarPresenter::present(input).highlighted, std::nullopt);
    }
}

TEST(RootPresenter, ResolvesPathEntriesAndTheRoot)
{
    using Kind = RootPresenter::Destination::Kind;
    const auto product = [](const QString& id) { return id == u"tv-reverb" || id == u"extra:x"; };
    const auto extra = [](const QString& id) { return id == u"free-eq"; };
    struct Case {
        QString entry;
        RootPresenter::Destination expected;
    };
    const Case cases[] = {
        {QStringLiteral("tv-reverb"), {Kind::product, QStringLiteral("tv-reverb")}},
        {QStringLiteral("tv-gone"), {Kind::notInStore, QStringLiteral("tv-gone")}},
        {QStringLiteral("extra:free-eq"), {Kind::extra, QStringLiteral("free-eq")}},
        {QStringLiteral("extra:gone"), {Kind::notAvailable, QStringLiteral("gone")}},
        // An "extra:" entry is never looked up as a product.
        {QStringLiteral("extra:x"), {Kind::notAvailable, QStringLiteral("x")}},
        {QStringLiteral("extra:"), {Kind::notAvailable, QString()}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RootPresenter::destination(c.entry, product, extra), c.expected) << c.entry.toStdString();
    EXPECT_EQ(RootPresenter::emptyText(Kind::notAvailable).title, QStringLiteral("Not available"));
    EXPECT_EQ(RootPresenter::emptyText(Kind::notAvailable).message, QStringLiteral("That release is no longer listed."));
    EXPECT_EQ(RootPresenter::emptyText(Kind::notInStore).title, QStringLiteral("Not in the store"));
    EXPECT_EQ(RootPresenter::emptyText(Kind::notInStore).message, QStringLiteral("That product is not on sale right now."));

    EXPECT_FALSE(RootPresenter::showsSearchResults(QString()));
    EXPECT_FALSE(RootPresenter::showsSearchResults(QStringLiteral("  \t ")));
    EXPECT_TRUE(RootPresenter::showsSearchResults(QStringLiteral("  reverb ")));
    EXPECT_TRUE(RootPresenter::showsSearchResults(QStringLiteral("\n"))); // line breaks are not trimmed
    EXPECT_EQ(RootPresenter::rootSection(std::nullopt), HubSection::discover);
    EXPECT_EQ(RootPresenter::rootSection(HubSection::account), HubSection::account);
}

TEST(RootPresenter, SearchSubmissionPrefersProductsThenExtras)
{
    using Submission = RootPresenter::Submission;
    EXPECT_EQ(RootPresenter::submission({QStringLiteral("p1"), QStringLiteral("p2")}, {QStringLiteral("e1")}),
        (Submission{false, QStringLiteral("p1")}));
    EXPECT_EQ(RootPresenter::submission({}, {QStringLiteral("e1"), QStringLiteral("e2")}), (Submission{true, QStringLiteral("e1")}));
    EXPECT_EQ(RootPresenter::submission({}, {}), std::nullopt);
}

TEST(RootPresenter, ToolbarMenusAndSplashFollowTheirInputs)
{
    EXPECT_EQ(RootPresenter::cartButton(0), (RootPresenter::CartButton{QStringLiteral("cart"), 0}));
    EXPECT_EQ(RootPresenter::cartButton(3), (RootPresenter::CartButton{QStringLiteral("cart.fill"), 3}));

    struct Case {
        RootPresenter::MenuInput input;
        RootPresenter::Menus expected;
    };
    const Case cases[] = {
        {{0, 0, false}, {false, false, QStringLiteral("Sign In"), true}},
        {{1, 0, true}, {true, false, QStringLiteral("Account"), false}},
        {{0, 2, true}, {false, true, QStringLiteral("Account"), false}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RootPresenter::menus(c.input), c.expected);

    const auto splash = [](std::initializer_list<const char*> arguments) {
        QStringList list{QStringLiteral("tavren-hub")};
        for (const char* argument : arguments)
            list.append(QString::fromLatin1(argument));
        return RootPresenter::showsSplash(list);
    };
    EXPECT_TRUE(splash({}));
    EXPECT_FALSE(splash({"--snapshot", "/tmp/shots"}));
    EXPECT_FALSE(splash({"--cold", "--measure-launch"}));
    EXPECT_TRUE(splash({"--snapshots", "--measure-launch-now"}));
}

} // namespace
