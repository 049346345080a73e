#include "widgets/TSideWindow.h"

#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <cstdlib>

QRect SnapToEdges(const QRect &rect, const QRect &screen, int distance)
{
    QRect r = rect;
    if (std::abs(r.left() - screen.left()) <= distance)
        r.moveLeft(screen.left());
    else if (std::abs(r.right() - screen.right()) <= distance)
        r.moveRight(screen.right());
    if (std::abs(r.top() - screen.top()) <= distance)
        r.moveTop(screen.top());
    else if (std::abs(r.bottom() - screen.bottom()) <= distance)
        r.moveBottom(screen.bottom());
    return r;
}

TSideWindow::TSideWindow(const QString &componentName, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(componentName);
    setWindowTitle(componentName);
}

void TSideWindow::SetAlpha(int alpha)
{
    m_alpha = std::clamp(alpha, 0, 255);
    setWindowOpacity(m_alpha / 255.0);
}

void TSideWindow::SetRememberedSize(const QSize &size)
{
    m_rememberedSize = size;
}

void TSideWindow::AddDragSource(QWidget *widget)
{
    widget->installEventFilter(this);
}

void TSideWindow::showEvent(QShowEvent *event)
{
    if (m_rememberedSize.isValid())
        resize(m_rememberedSize.expandedTo(QSize(1, 1)));
    QWidget::showEvent(event);
}

void SnapWindowToScreenEdges(QWidget *window)
{
    if (!window->isVisible() || !window->screen())
        return;
    const QRect frame = window->frameGeometry();
    const QRect snapped = SnapToEdges(frame, window->screen()->geometry(), 5);
    if (snapped.topLeft() != frame.topLeft())
        window->move(window->pos() + (snapped.topLeft() - frame.topLeft()));
}

void TSideWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    SnapWindowToScreenEdges(this);
}

bool TSideWindow::HandleMouse(QEvent *event)
{
    auto *mouse = static_cast<QMouseEvent *>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        if (mouse->button() != Qt::LeftButton)
            return false;
        const bool resize = mouse->modifiers() & Qt::ControlModifier;
        QWindow *window = windowHandle();
        const bool system = window && (resize ? window->startSystemResize(Qt::BottomEdge | Qt::RightEdge)
                                              : window->startSystemMove());
        if (!system) {
            m_drag = resize ? Drag::Resize : Drag::Move;
            m_dragStart = mouse->globalPosition().toPoint();
            m_geometryAtStart = geometry();
        }
        return true;
    }
    case QEvent::MouseMove: {
        if (m_drag == Drag::None)
            return false;
        const QPoint delta = mouse->globalPosition().toPoint() - m_dragStart;
        if (m_drag == Drag::Move)
            move(m_geometryAtStart.topLeft() + delta);
        else
            resize(std::max(1, m_geometryAtStart.width() + delta.x()), std::max(1, m_geometryAtStart.height() + delta.y()));
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (m_drag == Drag::None || mouse->button() != Qt::LeftButton)
            return false;
        m_drag = Drag::None;
        return true;
    default:
        return false;
    }
}

bool TSideWindow::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        if (HandleMouse(event))
            return true;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
