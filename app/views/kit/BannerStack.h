#pragma once

#include <QHash>
#include <QUuid>
#include <QWidget>

class QVBoxLayout;

namespace hub {

class AppModel;
class Rebuilder;

// The model's banners over the bottom of the window, oldest on top, each row kept
// by the banner's id: the tone's symbol, the text (wrapped, never cut), and a
// dismiss button. Laid over other widgets, the stack takes input only where its rows
// (with their shadows) are: it is masked to them, and the mask follows them as they
// move, so clicks and wheel events beside a row reach what lies under it.
class BannerStack : public QWidget {
    Q_OBJECT

public:
    explicit BannerStack(AppModel& model, QWidget* parent = nullptr);

    // The row of a banner, if shown (tests).
    QWidget* row(const QUuid& id) const { return rows_.value(id); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void followRows();

    AppModel& model_;
    QVBoxLayout* column_;
    QHash<QUuid, QWidget*> rows_;
};

} // namespace hub
