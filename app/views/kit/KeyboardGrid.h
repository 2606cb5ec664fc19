#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QVariantAnimation;

namespace hub {

class FlowGrid;
class FocusHighlight;

// Cells keyed by unique ids in as many equal columns as fit; the arrow keys move
// the focus between cells, Return opens the focused one. The focus highlight shows
// only while the user steers with the keyboard (and moves from cell to cell with it):
// a click focuses a cell without it. A cell is one Tab stop: what it holds is none.
// Keys that cannot move pass on to the enclosing views.
// Assistive technology reads a list of list items, each named by what it holds.
class KeyboardGrid : public QWidget {
    Q_OBJECT

public:
    using Open = std::function<void(const QString& id)>;
    // The cell for an id; nothing makes an empty cell.
    using Content = std::function<QWidget*(const QString& id)>;

    KeyboardGrid(const QStringList& ids, double minimum, double spacing, Open open, Content content,
        QWidget* parent = nullptr);

    const QStringList& ids() const { return ids_; }
    QWidget* cell(const QString& id) const;
    std::optional<QString> focused() const { return focused_; }
    // Whether the focused cell shows the highlight.
    bool ring() const { return ring_; }
    int columns() const;
    // Every page around `widget` scrolls it into view: a page does so by itself only for Tab
    // from a widget inside it, not for the arrows or Tab from outside.
    static void scrollIntoView(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<int> indexOf(QObject* cell) const;
    void setFocused(std::optional<QString> id, bool ring);
    bool key(int key);
    void placeHighlight();
    void glideHighlight();

    QStringList ids_;
    Open open_;
    FlowGrid* layout_;
    FocusHighlight* highlight_;
    QPointer<QVariantAnimation> glide_; // the highlight on its way to the focused cell
    QList<QWidget*> cells_;
    std::optional<QString> focused_;
    bool ring_ = false;
    bool moving_ = false;
};

} // namespace hub
