#pragma once

#include "app/views/kit/ActionButtonPresenter.h"

#include <QAbstractButton>

namespace hub {

// The capsule button of every product action: an optional symbol and the title in
// the accent colour on a faint capsule, in the small or large metrics. Disabled,
// it is drawn at 60 % opacity. Its tooltip is the title. Tab reaches it, where it
// shows the focus ring, and Space presses it.
class Pill : public QAbstractButton {
    Q_OBJECT

public:
    Pill(const QString& title, const QString& symbol, bool large, QWidget* parent = nullptr);

    const QString& symbol() const { return symbol_; }
    // The symbol after the title instead of before it.
    void setSymbolTrailing(bool trailing);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    QString symbol_;
    bool trailing_ = false;
    ActionButtonPresenter::Metrics metrics_;
};

} // namespace hub
