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
// dismiss button. New rows fade in.
class BannerStack : public QWidget {
    Q_OBJECT

public:
    explicit BannerStack(AppModel& model, QWidget* parent = nullptr);

    // The row of a banner, if shown (tests).
    QWidget* row(const QUuid& id) const { return rows_.value(id); }

private:
    void rebuild();

    AppModel& model_;
    QVBoxLayout* column_;
    QHash<QUuid, QWidget*> rows_;
};

} // namespace hub
