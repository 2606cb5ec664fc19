#include "app/views/kit/ControlSlot.h"
#include "app/views/kit/KeyboardGrid.h"
#include "app/views/kit/LaunchSplash.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/SearchField.h"
#include "app/views/kit/SearchFocus.h"
#include "app/views/kit/Shelf.h"
#include "tests/app/fakes/FakeProductActions.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QTest>
#include <gtest/gtest.h>

namespace hub {
namespace {

StorefrontProduct product(const QString& id)
{
    StorefrontProduct p;
    p.id = id;
    p.name = id;
    return p;
}

TEST(KeyboardGridUi, AClickFocusesWithoutTheRingAndAnArrowThenShowsIt)
{
    Motion::setEnabled(false);
    QStringList opened;
    QWidget window;
    auto* grid = new KeyboardGrid({"a", "b", "c", "d", "e"}, 100, 10, [&](const QString& id) { opened << id; },
        [](const QString& id) { return new QLabel(id); }, &window);
    grid->setGeometry(0, 0, 330, 200); // three columns
    window.resize(330, 200);
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    ASSERT_EQ(grid->columns(), 3);

    QTest::mouseClick(grid->cell("b"), Qt::LeftButton);
    EXPECT_EQ(grid->focused(), "b");
    EXPECT_FALSE(grid->ring());
    QTest::keyClick(grid->cell("b"), Qt::Key_Return); // opens without the ring too
    EXPECT_EQ(opened, QStringList{"b"});

    QTest::keyClick(grid->cell("b"), Qt::Key_Down);
    EXPECT_EQ(grid->focused(), "e");
    EXPECT_TRUE(grid->ring());
    EXPECT_TRUE(grid->cell("e")->hasFocus());
    QTest::keyClick(grid->cell("e"), Qt::Key_Right); // last cell: passed on, focus stays
    EXPECT_EQ(grid->focused(), "e");
    QTest::keyClick(grid->cell("e"), Qt::Key_Left);
    QTest::keyClick(grid->cell("d"), Qt::Key_Left);
    EXPECT_EQ(grid->focused(), "c");

    QTest::mouseClick(grid->cell("a"), Qt::LeftButton);
    EXPECT_EQ(grid->focused(), "a");
    EXPECT_FALSE(grid->ring());
}

// A cell the keyboard focuses (Tab from a field outside, then Tab and the arrows) is scrolled into view. Tab
// lands on the cell, never on the control its slot holds, nor on one the slot shows later.
TEST(KeyboardGridUi, ACellFocusedByTheKeyboardIsScrolledIntoView)
{
    Motion::setEnabled(false);
    QStringList ids;
    for (int i = 0; i < 24; ++i)
        ids << QString::number(i);
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* field = new QLineEdit;
    auto* scroll = new QScrollArea;
    auto* grid = new KeyboardGrid(ids, 100, 10, {}, [](const QString& id) {
        auto* cell = new ControlSlot;
        cell->replace(new QPushButton(id));
        cell->setMinimumHeight(120);
        return cell;
    });
    scroll->setWidget(grid);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus); // as the hub's style makes every scroll area
    column->addWidget(field);
    column->addWidget(scroll);
    window.resize(340, 300);
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    const auto inView = [&](const QString& id) {
        const QRect cell(grid->cell(id)->mapTo(scroll->viewport(), QPoint()), grid->cell(id)->size());
        return scroll->viewport()->rect().contains(cell);
    };

    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    for (const char* id : {"0", "13"})
        static_cast<ControlSlot*>(grid->cell(id))->replace(new QPushButton(id));
    field->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_EQ(grid->focused(), "0");
    EXPECT_EQ(QApplication::focusWidget(), grid->cell("0"));
    EXPECT_TRUE(inView("0"));
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Tab, Qt::Key_Up}) {
        const QString from = grid->focused().value_or(QString());
        QTest::keyClick(QApplication::focusWidget(), key);
        ASSERT_TRUE(grid->focused() && *grid->focused() != from);
        EXPECT_EQ(QApplication::focusWidget(), grid->cell(*grid->focused()));
        EXPECT_TRUE(inView(*grid->focused())) << grid->focused()->toStdString();
    }
    EXPECT_GT(grid->focused()->toInt(), 3 * grid->columns());
}

TEST(KeyboardGridUi, AShelfShowsNineCellsOneForEachId)
{
    Motion::setEnabled(false);
    FakeProductActions actions;
    QList<StorefrontProduct> products{product("x"), product("y"), product("x")};
    for (int i = 0; i < 10; ++i)
        products << product(QString::number(i));
    Shelf shelf(actions, "Dynamics", std::nullopt, products);
    ASSERT_NE(shelf.grid(), nullptr);
    EXPECT_EQ(shelf.grid()->ids(), QStringList({"x", "y", "0", "1", "2", "3", "4", "5", "6"}));

    Shelf empty(actions, "Nothing", "here", {}, [] {});
    EXPECT_EQ(empty.grid(), nullptr);
    EXPECT_TRUE(empty.findChildren<QWidget*>().isEmpty()); // not even the header
}

TEST(LaunchSplashUi, AFrozenSplashDrawsOneStillFrameAndNeverLeaves)
{
    Motion::setEnabled(true);
    int finished = 0;
    LaunchSplash splash([&] { ++finished; }, 0.25);
    splash.resize(200, 150);
    splash.show();
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(splash.progress(), 0.25);
    EXPECT_FALSE(splash.isHolding()); // no key monitor
    const QImage first = splash.grab().toImage();
    QTest::keyClick(&splash, Qt::Key_A);
    QTest::mouseClick(&splash, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(splash.isLeaving());
    EXPECT_EQ(splash.grab().toImage(), first);
    EXPECT_EQ(finished, 0);
    Motion::setEnabled(false);
}

TEST(LaunchSplashUi, AKeyDuringTheHoldLeavesOnceAndIsSwallowed)
{
    Motion::setEnabled(true);
    int finished = 0;
    QWidget window;
    int keysSeen = 0;
    struct Counter : QObject {
        int* seen;
        explicit Counter(int* s) : seen(s) {}
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::KeyPress)
                ++*seen;
            return false;
        }
    } counter(&keysSeen);
    window.installEventFilter(&counter);
    window.show();
    LaunchSplash splash([&] { ++finished; });
    splash.show();
    EXPECT_TRUE(splash.isHolding());
    QTest::keyClick(&window, Qt::Key_A);
    EXPECT_TRUE(splash.isLeaving());
    EXPECT_FALSE(splash.isHolding());
    EXPECT_EQ(keysSeen, 0);
    QTest::keyClick(&window, Qt::Key_B); // after leaving began: delivered as usual
    EXPECT_EQ(keysSeen, 1);
    QTest::mouseClick(&splash, Qt::LeftButton); // a second way out counts nothing more
    EXPECT_EQ(finished, 0); // called when the fade has run, not before

    LaunchSplash hidden([] {});
    hidden.show();
    hidden.hide(); // taken away during the hold: it leaves, and stops watching keys
    EXPECT_TRUE(hidden.isLeaving());
    EXPECT_FALSE(hidden.isHolding());
    Motion::setEnabled(false);
}

TEST(LaunchSplashUi, FinishedIsCalledOnceHoweverTheSplashIsLeft)
{
    Motion::setEnabled(false);
    int tapped = 0;
    LaunchSplash splash([&] { ++tapped; });
    splash.show();
    QTest::mouseClick(&splash, Qt::LeftButton);
    QTest::mouseClick(&splash, Qt::LeftButton);
    QTest::keyClick(&splash, Qt::Key_A);

    int removed = 0;
    LaunchSplash hidden([&] { ++removed; });
    hidden.show();
    hidden.hide(); // taken away during the hold

    EXPECT_TRUE(QTest::qWaitFor([&] { return tapped > 0 && removed > 0; }, 2000));
    QTest::qWait(100); // a second call would come at the same time
    EXPECT_EQ(tapped, 1);
    EXPECT_EQ(removed, 1);
}

TEST(SearchFocusUi, FocusesTheFieldOfTheKeyWindowElseOfTheMainWindow)
{
    SearchFocus::focus(); // no window at all: nothing happens

    QMainWindow main;
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    auto* other = new QLineEdit;
    column->addWidget(other);
    auto* nested = new QWidget;
    column->addWidget(nested);
    auto* field = new SearchField(nested);
    main.setCentralWidget(content);
    main.show();
    other->setFocus();
    QApplication::setActiveWindow(nullptr);
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    SearchFocus::focus(); // no key window: the main window's field
    EXPECT_EQ(main.focusWidget(), field);

    other->setFocus();
    QDialog dialog; // a key window without a field
    auto* entry = new QLineEdit(&dialog);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    entry->setFocus();
    SearchFocus::focus();
    EXPECT_EQ(QApplication::focusWidget(), entry);
    EXPECT_EQ(main.focusWidget(), other);

    dialog.hide();
    delete field; // no field anywhere
    QApplication::setActiveWindow(&main);
    other->setFocus();
    SearchFocus::focus();
    EXPECT_EQ(QApplication::focusWidget(), other);
}

} // namespace
} // namespace hub
