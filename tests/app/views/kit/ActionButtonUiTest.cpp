#include "app/views/kit/ActionButton.h"
#include "app/views/kit/CachedImage.h"
#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/Pill.h"
#include "app/views/kit/ProductActions.h"
#include "app/views/kit/ProgressPill.h"
#include "app/views/kit/ProgressPresenter.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/FakeProductActions.h"
#include "tests/app/fakes/PngBytes.h"

#include <QAccessible>
#include <QApplication>
#include <atomic>
#include <QElapsedTimer>
#include <QMutex>
#include <QThread>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace hub {
namespace {

using test::turn;

StorefrontProduct notes()
{
    StorefrontProduct product;
    product.id = "tv-notes";
    product.name = "Notes";
    Download mac;
    mac.name = "Mac";
    mac.key = "notes-1";
    mac.platform = Platform::mac;
    mac.size = 1000;
    product.downloads = QList<Download>{mac};
    product.defaultVariation = PricingVariation{};
    product.defaultVariation->price = {{"EUR", 15.0}};
    return product;
}

// A 40 x 20 red picture as PNG bytes.
QByteArray redPng()
{
    QImage red(40, 20, QImage::Format_ARGB32);
    red.fill(Qt::red);
    return test::pngBytes(red);
}

QString shown(const ActionButton& button)
{
    if (auto* pill = qobject_cast<Pill*>(button.content()))
        return pill->text() + (pill->isEnabled() ? "" : " (dimmed)");
    if (qobject_cast<ProgressPill*>(button.content()))
        return "progress";
    return "nothing";
}

TEST(ActionButtonUi, FollowsAJobFromQueuedToInstalled)
{
    Motion::setEnabled(false);
    FakeProductActions queue;
    ActionButton button(queue, notes(), false);
    button.show();
    turn();
    EXPECT_EQ(shown(button), "€49.00");

    queue.owned.insert("tv-notes");
    emit queue.changed();
    turn();
    EXPECT_EQ(shown(button), "Install");
    qobject_cast<Pill*>(button.content())->click();
    EXPECT_EQ(queue.calls, QStringList{"install tv-notes"});

    const QList<std::pair<InstallStage, QString>> road{
        {InstallStage::queued(), "Install"}, // waiting for a slot: still offered
        {InstallStage::resolving(), "progress"},
        {InstallStage::downloading(10, 100), "progress"},
        {InstallStage::paused(), "Resume"},
        {InstallStage::queued(), "Install"},
        {InstallStage::downloading(50, 100), "progress"},
        {InstallStage::verifying(), "progress"},
        {InstallStage::installing(), "progress"},
    };
    for (const auto& [stage, expected] : road) {
        queue.setStage("tv-notes", stage);
        turn();
        EXPECT_EQ(shown(button), expected) << expected.toStdString();
    }

    InstallRecord record;
    record.productId = "tv-notes";
    record.items = {InstalledItem{"/Applications/Notes.app", BundleKind::app, "com.tv.notes", "TEAM", "1.0"}};
    queue.records.insert("tv-notes", record);
    queue.setStage("tv-notes", InstallStage::installed());
    turn();
    EXPECT_EQ(shown(button), "Open");
    qobject_cast<Pill*>(button.content())->click();
    EXPECT_EQ(queue.calls.last(), "open tv-notes");

    record.items.first().kind = BundleKind::vst3;
    queue.records.insert("tv-notes", record);
    emit queue.changed();
    turn();
    EXPECT_EQ(shown(button), "Installed (dimmed)");
}

TEST(ActionButtonUi, ProgressTicksRepaintThePillAndRebuildNothing)
{
    Motion::setEnabled(false);
    FakeProductActions queue;
    queue.owned.insert("tv-notes");
    queue.setStage("tv-notes", InstallStage::downloading(0, 1000));
    ActionButton button(queue, notes(), true);
    ActionButton other(queue, [] { auto p = notes(); p.id = "tv-other"; return p; }(), true);
    button.show();
    other.show();
    turn();
    auto* pill = qobject_cast<ProgressPill*>(button.content());
    ASSERT_NE(pill, nullptr);
    const int replaced = button.replacements();
    const int otherReplaced = other.replacements();

    for (int tick = 1; tick <= 1000; ++tick) {
        queue.setStage("tv-notes", InstallStage::downloading(tick, 1000));
        if (tick % 100 == 0)
            turn();
    }
    turn();
    EXPECT_EQ(pill->ticks(), 1000);
    EXPECT_EQ(pill->fraction(), 1.0);
    EXPECT_EQ(button.content(), pill);
    EXPECT_EQ(button.replacements(), replaced);
    EXPECT_EQ(other.replacements(), otherReplaced);

    // The pause square is the ring's centre.
    auto* ring = pill->findChild<QToolButton*>();
    ASSERT_NE(ring, nullptr);
    QTest::mouseClick(ring, Qt::LeftButton, {}, ring->rect().center());
    EXPECT_EQ(queue.calls, QStringList{"pause tv-notes"});
}

// Space on Install turns the pill into the progress pill, one accessible element whose pause button takes
// the focus in the pill's Tab place.
TEST(ActionButtonUi, WhatReplacesTheFocusedPillTakesTheFocus)
{
    Motion::setEnabled(false);
    FakeProductActions queue;
    queue.owned.insert("tv-notes");
    QWidget window;
    auto* before = new QPushButton("Before", &window);
    auto* button = new ActionButton(queue, notes(), true, &window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(before);
    layout->addWidget(button);
    new FocusKeeper(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    turn();
    before->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(before, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), button->content());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    queue.setStage("tv-notes", InstallStage::downloading(10, 100));
    turn();
    auto* pill = qobject_cast<ProgressPill*>(button->content());
    ASSERT_NE(pill, nullptr);

    // Named by its caption; of its parts only the pause button is there to be read.
    QAccessibleInterface* element = QAccessible::queryAccessibleInterface(pill);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->text(QAccessible::Name), ProgressPresenter::caption(InstallStage::downloading(10, 100)));
    QStringList shown;
    for (int i = 0; i < element->childCount(); ++i) {
        QAccessibleInterface* child = element->child(i);
        if (!child->state().invisible)
            shown << QStringLiteral("%1 %2").arg(int(child->role())).arg(child->text(QAccessible::Name));
    }
    EXPECT_EQ(shown, QStringList{QStringLiteral("%1 Pause").arg(int(QAccessible::Button))});

    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->parentWidget(), pill);
    QTest::keyClick(focused, Qt::Key_Space);
    EXPECT_EQ(queue.calls, (QStringList{"install tv-notes", "pause tv-notes"}));
}

TEST(CachedImageUi, AViewGoneBeforeItsImageIsLeftAloneAndTheImageKept)
{
    Motion::setEnabled(false);
    QSemaphore release;
    const QByteArray bytes = redPng();
    ImageMemory::setFetch([&](const QUrl&) -> std::optional<QByteArray> {
        release.acquire();
        return bytes;
    });

    const QUrl url("https://assets.test/gone.png");
    auto* view = new CachedImage(url, 10, {});
    QPointer<CachedImage> watch(view);
    view->show();
    delete view;
    release.release();
    ImageMemory::waitForIdle();
    turn();
    EXPECT_TRUE(watch.isNull());
    ASSERT_TRUE(ImageMemory::Held(url));
    EXPECT_EQ(ImageMemory::Held(url).image().size(), QSize(10, 5)); // bounded, aspect kept

    // A view made for a remembered address shows it as it is shown, without fetching.
    CachedImage again(url, 400, {});
    again.show();
    EXPECT_TRUE(again.hasImage());

    // A shown view fills itself with its image once it arrives; motion off, no fade.
    CachedImage fresh(QUrl("https://assets.test/fresh.png"), 64, [](QPainter& p, const QRectF& r) { p.fillRect(r, Qt::blue); });
    fresh.resize(20, 20);
    fresh.show();
    EXPECT_EQ(fresh.grab().toImage().pixelColor(10, 10), QColor(Qt::blue));
    release.release();
    ImageMemory::waitForIdle();
    turn();
    EXPECT_EQ(fresh.grab().toImage().pixelColor(10, 10), QColor(Qt::red));
    ImageMemory::setFetch({});
}

} // namespace
TEST(CachedImageUi, LoadsShareFetchesWaitWithoutThreadsAndFailuresRetryOnShow)
{
    Motion::setEnabled(false);
    QSemaphore deadAnswers;
    std::atomic<bool> deadHostBack = false;
    QMutex mutex;
    QHash<QString, int> fetches;
    const QByteArray bytes = redPng();
    ImageMemory::setFetch([&](const QUrl& url) -> std::optional<QByteArray> {
        {
            QMutexLocker lock(&mutex);
            ++fetches[url.path()];
        }
        if (url.host() == "dead.test" && !deadHostBack) {
            deadAnswers.acquire();
            return std::nullopt;
        }
        return bytes;
    });
    const auto fetchCount = [&](const QString& path) {
        QMutexLocker lock(&mutex);
        return fetches.value(path);
    };

    // More addresses on a dead host than there are image threads, each in three views.
    std::vector<std::unique_ptr<CachedImage>> dead;
    for (int i = 0; i < 6; ++i) {
        for (int copy = 0; copy < 3; ++copy) {
            dead.push_back(std::make_unique<CachedImage>(QUrl(QStringLiteral("https://dead.test/%1.png").arg(i)), 10, CachedImage::Placeholder{}));
            dead.back()->show();
        }
    }
    CachedImage live(QUrl("https://assets.test/live.png"), 10, {});
    live.show();
    QElapsedTimer waited;
    waited.start();
    while (!live.hasImage() && waited.elapsed() < 3000) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    EXPECT_TRUE(live.hasImage()) << "a dead host holds up no other";
    int deadFetches = 0;
    for (int i = 0; i < 6; ++i)
        deadFetches += fetchCount(QStringLiteral("/%1.png").arg(i));
    EXPECT_EQ(deadFetches, 2) << "at most two fetches of one host at once, and joined loads fetch nothing";

    deadAnswers.release(6);
    ImageMemory::waitForIdle();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(fetchCount(QStringLiteral("/%1.png").arg(i)), 1) << "one fetch for the three views of address " << i;
    EXPECT_FALSE(dead.front()->hasImage());

    // A failed image is tried again when its view comes on screen again, and only then.
    deadHostBack = true;
    dead.front()->hide();
    dead.front()->show();
    ImageMemory::waitForIdle();
    EXPECT_TRUE(dead.front()->hasImage());
    EXPECT_EQ(fetchCount("/0.png"), 2);
    EXPECT_EQ(fetchCount("/1.png"), 1);
    ImageMemory::setFetch({});
}

} // namespace hub
