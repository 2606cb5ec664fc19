#include "app/views/library/LibraryPresenter.h"
#include "tests/app/fakes/Fixtures.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

using Filter = LibraryPresenter::Filter;
using State = LibraryPresenter::State;
using Input = LibraryPresenter::Input;

const QList<StorefrontProduct> owned{Fixtures::product("a", "Alpha"), Fixtures::product("b", "Beta"),
    Fixtures::product("c", "Gamma")};

QStringList ids(const QList<StorefrontProduct>& products)
{
    QStringList list;
    for (const StorefrontProduct& product : products)
        list.append(product.id);
    return list;
}

Input signedIn(bool store, bool tavren, QList<StorefrontProduct> products = owned)
{
    Input in;
    in.storeConnected = store;
    in.tavrenSignedIn = tavren;
    in.owned = std::move(products);
    return in;
}

TEST(LibraryPresenter, ChoosesTheStateAndTheCalloutFromTheAccounts)
{
    struct Row {
        const char* name;
        Input input;
        State state;
        bool callout;
    };
    const QList<Row> rows{
        {"signed out, even owning", signedIn(false, false), State::signedOut, false},
        {"identity only, owning: list with callout", signedIn(false, true), State::list, true},
        {"store only: no callout", signedIn(true, false), State::list, false},
        {"both accounts", signedIn(true, true), State::list, false},
        {"identity only, owning nothing: empty, no callout", signedIn(false, true, {}), State::empty, false},
        {"store only, owning nothing", signedIn(true, false, {}), State::empty, false},
    };
    for (const Row& row : rows) {
        const LibraryPresenter::Screen screen = LibraryPresenter::present(row.input);
        EXPECT_EQ(screen.state, row.state) << row.name;
        EXPECT_EQ(screen.showsCallout, row.callout) << row.name;
        if (row.state != State::list) {
            EXPECT_TRUE(screen.rows.isEmpty() && screen.countLine.isEmpty()) << row.name;
        }
    }
}

TEST(LibraryPresenter, FiltersKeepTheOwnedOrderAndTheCountLineIgnoresThem)
{
    Input in = signedIn(true, false);
    in.recorded = {"c", "a", "elsewhere"};
    in.installedCount = 3; // two records of products that are not owned
    struct Row {
        Filter filter;
        QStringList rows;
    };
    const QList<Row> rows{{Filter::all, {"a", "b", "c"}}, {Filter::installed, {"a", "c"}}, {Filter::notInstalled, {"b"}}};
    for (const Row& row : rows) {
        in.filter = row.filter;
        const LibraryPresenter::Screen screen = LibraryPresenter::present(in);
        EXPECT_EQ(ids(screen.rows), row.rows) << LibraryPresenter::toString(row.filter).toStdString();
        EXPECT_EQ(screen.countLine, "3 owned, 3 installed");
    }

    in.recorded.clear();
    in.installedCount = 0;
    in.filter = Filter::installed;
    const LibraryPresenter::Screen none = LibraryPresenter::present(in);
    EXPECT_EQ(none.state, State::list) << "an empty filter keeps the header and picker";
    EXPECT_TRUE(none.rows.isEmpty());
    EXPECT_EQ(none.countLine, "3 owned, 0 installed");
}

TEST(LibraryPresenter, FilterLabelsAreTheirRawValues)
{
    QStringList labels;
    for (Filter filter : LibraryPresenter::filters())
        labels.append(LibraryPresenter::toString(filter));
    EXPECT_EQ(labels, (QStringList{"All", "Installed", "Not Installed"}));
    for (Filter filter : LibraryPresenter::filters())
        EXPECT_EQ(LibraryPresenter::fromString(LibraryPresenter::toString(filter)), filter);
    for (const char* raw : {"all", "installed", "Not installed", "NotInstalled", " All", ""})
        EXPECT_EQ(LibraryPresenter::fromString(raw), std::nullopt) << raw;
}

} // namespace
} // namespace hub
