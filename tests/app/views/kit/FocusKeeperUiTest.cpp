// The focus keeper of a plain window, in the moments Qt acts on the control holding the focus.

#include "app/views/kit/FocusKeeper.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace hub {
namespace {

// A list of rows, each with "Open n" and "More n".
struct Window {
    explicit Window(int count)
    {
        FocusKeeper::mark(list, FocusKeeper::Place::list);
        for (int at = 0; at < count; ++at) {
            auto* row = rows.emplace_back(new QWidget(list));
            auto* line = new QHBoxLayout(row);
            for (const char* title : {"Open %1", "More %1"})
                line->addWidget(new QPushButton(QString::fromLatin1(title).arg(at), row));
            FocusKeeper::mark(row, FocusKeeper::Place::row);
            row->setGeometry(0, at * 40, 300, 40);
        }
        new FocusKeeper(&window);
        window.show();
        QApplication::setActiveWindow(&window);
    }

    QWidget window;
    QWidget* list = new QWidget(&window);
    QList<QWidget*> rows;
};

QString focused()
{
    const auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
    return button ? button->text() : QStringLiteral("(none)");
}

// Whatever Qt does to the focused control, a stop of its row, else of the next row, else of the row before
// takes the focus, and Tab goes on from there.
TEST(FocusKeeperUi, TheFocusStaysInItsPlaceWhateverBecomesOfItsControl)
{
    const QList<std::tuple<const char*, int, std::function<void(Window&)>, const char*, const char*>> cases{
        {"row deleted outright", 1, [](Window& w) { delete w.rows[1]; }, "Open 2", "More 2"},
        {"last row deleted outright", 3, [](Window& w) { delete w.rows[3]; }, "More 2", "Open 0"},
        {"row hidden", 2, [](Window& w) { w.rows[2]->hide(); }, "Open 3", "More 3"},
        {"control disabled", 2, [](Window& w) { w.rows[2]->findChild<QPushButton*>()->setEnabled(false); }, "More 2", "Open 3"},
    };
    for (const auto& [moment, row, act, then, tab] : cases) {
        SCOPED_TRACE(moment);
        Window w(4);
        w.rows[row]->findChild<QPushButton*>()->setFocus(Qt::TabFocusReason);
        act(w);
        EXPECT_EQ(focused(), QLatin1String(then));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focused(), QLatin1String(tab));
    }
}

// Each hand-over costs the stops it passes, not the list's length: ten thousand focused rows leave one after
// another within the test's time (the test's timeout is set for this).
TEST(FocusKeeperUi, TenThousandFocusedRowsLeaveOneAfterAnother)
{
    constexpr int count = 10000;
    Window w(count);
    w.rows[0]->findChild<QPushButton*>()->setFocus(Qt::TabFocusReason);
    int handed = 0;
    for (int at = 0; at + 1 < count; ++at) {
        w.rows[at]->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        handed += focused() == QStringLiteral("Open %1").arg(at + 1);
    }
    EXPECT_EQ(handed, count - 1);
}

} // namespace
} // namespace hub
