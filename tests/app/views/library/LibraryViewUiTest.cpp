// The Library screen's own wiring, offscreen: the filter's segments, the store callout
// and its Connect button, and rows made only as they come into view.

#include "app/views/kit/FocusKeeper.h"
#include "app/views/library/LibraryRow.h"
#include "app/views/library/LibraryView.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace hub;
using Filter = LibraryPresenter::Filter;

namespace {

using test::turn;

QPushButton* button(QWidget& within, const QString& title)
{
    for (QPushButton* found : within.findChildren<QPushButton*>())
        if (found->text() == title && found->isVisible())
            return found;
    ADD_FAILURE() << "no button " << title.toStdString();
    return nullptr;
}

} // namespace

TEST(LibraryViewUi, SegmentsCalloutAndConnect)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    model->catalog().setStorefront(Fixtures::storefront({Fixtures::product("tv-a", "Alpha"), Fixtures::product("tv-b", "Beta"),
        Fixtures::product("tv-c", "Gamma")}));
    model->library().setInstalled({Fixtures::record("tv-b", "Beta", "1.0.0")});
    // Only an identity account: the list, with the callout above it.
    model->accounts().setTavrenProfile(Fixtures::profile("ada@example.test", QStringList{"tv-a", "tv-b", "tv-c"}));
    LibraryView view(*model);
    view.resize(900, 700);
    view.show();
    turn();
    ASSERT_EQ(view.screen().state, LibraryPresenter::State::list);
    EXPECT_EQ(view.shownRows(), (QStringList{"tv-a", "tv-b", "tv-c"}));

    const std::vector<std::pair<QString, QStringList>> segments{
        {"Installed", {"tv-b"}}, {"Not Installed", {"tv-a", "tv-c"}}, {"All", {"tv-a", "tv-b", "tv-c"}}};
    for (const auto& [segment, rows] : segments) {
        QPushButton* pressed = button(view, segment);
        ASSERT_NE(pressed, nullptr);
        pressed->click();
        turn();
        EXPECT_TRUE(pressed->isChecked()) << segment.toStdString();
        EXPECT_EQ(view.shownRows(), rows) << segment.toStdString();
    }

    QPushButton* connect = button(view, LibraryPresenter::connect);
    ASSERT_NE(connect, nullptr);
    connect->click();
    EXPECT_TRUE(model->accounts().showSignIn());
    EXPECT_EQ(model->accounts().signInPurpose(), SignInPurpose::connectStore(LibraryPresenter::connectReason));

    // A store account: no callout; the filter stays as chosen.
    view.setFilter(Filter::installed);
    model->accounts().setStoreUser(Fixtures::user("ada@example.test"));
    turn();
    for (QPushButton* found : view.findChildren<QPushButton*>())
        EXPECT_FALSE(found->text() == LibraryPresenter::connect && found->isVisible());
    EXPECT_EQ(view.filter(), Filter::installed);
    EXPECT_EQ(view.shownRows(), QStringList{"tv-b"});
}

// Rows are made as they come into view; the wheel scrolls far down while a row's ⋯ has the focus, which stays
// on it, and Tab goes on from it to the next row.
TEST(LibraryViewUi, RowsAreMadeAsTheyComeIntoView)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    QList<StorefrontProduct> products;
    QList<ProductSummary> owned;
    for (int i = 0; i < 200; ++i) {
        const QString number = QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
        products.append(Fixtures::product("tv-" + number, "Product " + number));
        owned.append(Fixtures::summary(products.last(), "1.0.0"));
    }
    model->catalog().setStorefront(Fixtures::storefront(products));
    model->accounts().setStoreUser(Fixtures::user("ada@example.test"));
    model->accounts().setStoreOwned(owned);
    LibraryView view(*model);
    new FocusKeeper(&view);
    view.resize(900, 700);
    view.show();
    QApplication::setActiveWindow(&view);
    turn();
    ASSERT_EQ(view.shownRows().size(), 200);
    const auto made = [&] { return view.findChildren<LibraryRow*>().size(); };
    EXPECT_GT(made(), 0);
    EXPECT_LT(made(), 60) << "only the rows on view and a screen around them";

    auto* scroll = view.findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    QToolButton* more = view.row("tv-001")->findChild<QToolButton*>();
    more->setFocus(Qt::TabFocusReason);
    const QPoint at = scroll->viewport()->rect().center();
    for (int notch = 0; notch < 40; ++notch) {
        QWheelEvent wheel(at, scroll->viewport()->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(scroll->viewport(), &wheel);
        turn();
    }
    EXPECT_GT(scroll->verticalScrollBar()->value(), 2000);
    EXPECT_EQ(QApplication::focusWidget(), more);
    QTest::keyClick(more, Qt::Key_Tab);
    EXPECT_TRUE(view.row("tv-002")->isAncestorOf(QApplication::focusWidget()));
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    turn();
    LibraryRow* last = view.row("tv-199");
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(last->isVisible()) << "the last row is on view once scrolled to";
    EXPECT_EQ(last->product().name, "Product 199");
    EXPECT_EQ(view.row("tv-none"), nullptr);
}
