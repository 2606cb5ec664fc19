// The focus keeper of a plain window, in the moments Qt acts on the control holding the focus.

#include "app/views/kit/FocusKeeper.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace hub {
namespace {

// Focused rows of "Open n" and "More n" leave one after another, deleted outright, hidden, deleted later: the next
// row's first stop takes the focus each time, at the cost of the stops passed, so ten thousand end in the test's time.
TEST(FocusKeeperUi, FocusedRowsLeaveOneAfterAnother)
{
    constexpr int count = 10000;
    const auto focused = [] { auto* at = qobject_cast<QPushButton*>(QApplication::focusWidget()); return at ? at->text() : QString(); };
    QWidget window;
    auto* list = new QWidget(&window);
    FocusKeeper::mark(list, FocusKeeper::Place::list);
    QList<QWidget*> rows;
    for (int at = 0; at < count; ++at) {
        auto* row = rows.emplace_back(new QWidget(list));
        for (auto* line = new QHBoxLayout(row); const QString title : {"Open %1", "More %1"})
            line->addWidget(new QPushButton(title.arg(at)));
        FocusKeeper::mark(row, FocusKeeper::Place::row);
        row->setGeometry(0, at * 40, 300, 40);
    }
    new FocusKeeper(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    QCoreApplication::processEvents(); // else each delete scans the rows' layout requests, still queued
    rows[0]->findChild<QPushButton*>()->setFocus(Qt::TabFocusReason);
    delete rows[0];
    EXPECT_EQ(focused(), "Open 1");
    rows[1]->hide();
    EXPECT_EQ(focused(), "Open 2");
    int handed = 0;
    for (int at = 2; at + 1 < count; ++at) {
        rows[at]->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        handed += focused() == QStringLiteral("Open %1").arg(at + 1);
    }
    EXPECT_EQ(handed, count - 3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focused(), QStringLiteral("More %1").arg(count - 1));
}

} // namespace
} // namespace hub
