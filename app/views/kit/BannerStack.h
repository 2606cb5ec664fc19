#pragma once

#include <QList>
#include <QPointer>
#include <QUuid>
#include <QWidget>

class QVariantAnimation;

namespace hub {

class AppModel;
class BannerRow;

// The model's banners over the bottom of the window, oldest on top, each row kept
// by the banner's id: the tone's symbol, the text (wrapped, never cut), and a
// dismiss button. Every change moves the rows on a spring: a new row comes up from
// the bottom edge as it fades in, a removed one goes down past it as it fades out,
// the others slide to their new places. The stack covers its whole parent and is
// masked to its rows (with their shadows), so input beside a row reaches what lies
// under it.
class BannerStack : public QWidget {
    Q_OBJECT

public:
    explicit BannerStack(AppModel& model, QWidget* parent = nullptr);

    // The row of a banner, if shown and not on its way out (tests).
    QWidget* row(const QUuid& id) const;
    // Rows still on their way out (tests).
    int leavingRows() const;
    bool moving() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Slot {
        QUuid id;
        BannerRow* row = nullptr;
        bool leaving = false;
        double y = 0, fromY = 0, toY = 0;
        double opacity = 0, fromOpacity = 0, toOpacity = 1;
    };

    void rebuild();
    int rowWidth() const;
    // Where each row comes to rest, from the bottom edge up.
    void aim();
    void place(double progress);
    void settle();
    void followRows();

    AppModel& model_;
    QList<Slot> slots_; // the banners in order, with the leaving rows where they were
    QPointer<QVariantAnimation> motion_;
};

} // namespace hub
