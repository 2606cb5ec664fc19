// The "Check for Updates..." menu item follows whether a check is possible, and tells
// what a check by hand found.

#include "app/platform/HubUpdater.h"
#include "app/shell/CheckForUpdatesAction.h"
#include "tests/testkit/ScriptedTransport.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace hub;

TEST(CheckForUpdatesAction, DisabledUntilACheckIsPossible)
{
    QTemporaryDir box;
    auto transport = std::make_shared<ScriptedTransport>();
    const auto updaterWithKey = [&](QByteArray key) {
        auto service = std::make_shared<HubUpdateService>(
            transport, HubUpdateService::Source{QStringLiteral("https://www.tavren.test/hub/releases.json"), key, QStringLiteral("www.tavren.test")},
            InstallLocation::of(box.filePath(QStringLiteral("bin/tavren-hub"))), QStringLiteral("0.1.0"));
        return std::make_unique<HubUpdater>(service, std::make_shared<QSettings>(box.filePath(QStringLiteral("d.ini")), QSettings::IniFormat),
                                            HubUpdater::Schedule{std::chrono::hours(24), std::chrono::hours(24)});
    };
    const auto unconfigured = updaterWithKey({});
    CheckForUpdatesAction never(*unconfigured);
    const auto configured = updaterWithKey(QByteArray(32, '\x01'));
    HubUpdater& updater = *configured;
    CheckForUpdatesAction action(updater);
    EXPECT_EQ(action.text(), QStringLiteral("Check for Updates..."));
    EXPECT_FALSE(action.isEnabled());
    action.trigger(); // disabled: nothing happens
    QCoreApplication::processEvents();
    EXPECT_TRUE(action.isEnabled()) << "enabled without user action once checks are possible";
    EXPECT_TRUE(transport->requests().isEmpty());
    EXPECT_FALSE(never.isEnabled()) << "a build without a release key never checks";

    // The feed cannot be reached: the problem is told and checking is possible again.
    QSignalSpy finished(&updater, &HubUpdater::problemChanged);
    action.trigger();
    EXPECT_FALSE(action.isEnabled()) << "while the check runs";
    ASSERT_TRUE(finished.wait());
    EXPECT_TRUE(updater.problem().startsWith(u"Could not reach the Tavren Hub updates")) << updater.problem().toStdString();
    EXPECT_TRUE(action.isEnabled());
    EXPECT_EQ(transport->requests().size(), 1);
    ASSERT_NE(action.dialog(), nullptr) << "the failure is shown, not swallowed";
    auto* message = action.dialog()->findChild<QLabel*>(QStringLiteral("message"));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), updater.problem());
}

TEST(CheckForUpdatesAction, ReportsEveryOutcome)
{
    using Outcome = CheckForUpdatesAction::Outcome;
    const auto report = [](Outcome outcome) {
        outcome.current = QStringLiteral("0.9");
        outcome.website = QStringLiteral("https://www.tavren.test/tavren-hub");
        return CheckForUpdatesAction::report(outcome);
    };
    EXPECT_EQ(report({}).title, QStringLiteral("You're up to date!"));
    EXPECT_TRUE(report({}).message.contains(u"0.9"));
    const auto failed = report({.problem = QStringLiteral("The update feed is not signed by Tavren.")});
    EXPECT_EQ(failed.title, QStringLiteral("Update Error!"));
    EXPECT_EQ(failed.message, QStringLiteral("The update feed is not signed by Tavren."));
    const auto ready = report({.available = QStringLiteral("1.0"), .readyToRelaunch = true, .canReplace = true});
    EXPECT_TRUE(ready.offersRelaunch);
    EXPECT_TRUE(ready.message.contains(u"1.0"));
    const auto elsewhere = report({.available = QStringLiteral("1.0")});
    EXPECT_FALSE(elsewhere.offersRelaunch) << "a copy that cannot update itself";
    EXPECT_TRUE(elsewhere.message.contains(u"https://www.tavren.test/tavren-hub")) << elsewhere.message.toStdString();
}

TEST(CheckForUpdatesAction, TheWebsiteCopiesAsItIsAndKeepsToOneLine)
{
    const QString website = QStringLiteral("https://www.tavren.test/tavren-hub");
    const QString message = CheckForUpdatesAction::report({.available = QStringLiteral("1.0"), .current = QStringLiteral("0.9"),
                                                           .website = website}).message;
    const std::unique_ptr<QLabel> label(CheckForUpdatesAction::messageLabel(message, website, nullptr));
    const QString shown = QTextDocumentFragment::fromHtml(label->text()).toPlainText();
    label->setSelection(int(shown.indexOf(website)), int(website.size()));
    EXPECT_EQ(label->selectedText(), website);
    // Narrower than the address: it goes past the edge rather than onto two lines.
    QTextDocument laid;
    laid.setDefaultFont(label->font());
    laid.setHtml(label->text());
    laid.setTextWidth(QFontMetricsF(label->font()).horizontalAdvance(website) / 2);
    laid.size();
    QStringList lines;
    for (QTextBlock block = laid.begin(); block.isValid(); block = block.next())
        for (int at = 0; at < block.layout()->lineCount(); ++at)
            lines.append(block.text().mid(block.layout()->lineAt(at).textStart(), block.layout()->lineAt(at).textLength()));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& line) { return line.contains(website); }))
        << lines.join(u'|').toStdString();
}
