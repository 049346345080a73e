#pragma once

#include <QPoint>
#include <QWidget>

// Base of the three side windows: borderless, stay-on-top, with an opacity of 0–255.
// Dragging with the left button moves the window and, with Ctrl held, resizes it from
// its bottom-right corner (the desktop's own move and resize where it offers them);
// the window snaps to the screen edges within 5 pixels. Each showing applies the size
// the window was last given.
class TSideWindow : public QWidget
{
    Q_OBJECT
public:
    TSideWindow(const QString &componentName, QWidget *parent = nullptr);

    void SetAlpha(int alpha);
    int Alpha() const { return m_alpha; }

    // The size taken at each showing.
    void SetRememberedSize(const QSize &size);
    QSize RememberedSize() const { return m_rememberedSize; }

    // Lets a child (a text area, a grid) start drags as if it were the window itself.
    void AddDragSource(QWidget *widget);

protected:
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool HandleMouse(QEvent *event);

    int m_alpha = 255;
    QSize m_rememberedSize;
    // Fallback drag when the desktop offers no move or resize of its own.
    enum class Drag { None, Move, Resize } m_drag = Drag::None;
    QPoint m_dragStart;
    QRect m_geometryAtStart;
};

// `rect` moved onto an edge of `screen` when one of its edges is within `distance`
// pixels of it.
QRect SnapToEdges(const QRect &rect, const QRect &screen, int distance);

// Moves a shown top-level window onto its screen's edges when it came within 5 pixels
// of them. A window already on the edge stays, so calling it from a move event ends.
void SnapWindowToScreenEdges(QWidget *window);
