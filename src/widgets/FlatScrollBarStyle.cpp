#include "widgets/FlatScrollBarStyle.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>

#include <algorithm>

FlatScrollBarStyle::FlatScrollBarStyle()
    // A base of its own: the proxy owns its base, and the application keeps its style.
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name()))
{
}

void FlatScrollBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                            QPainter *painter, const QWidget *widget) const
{
    const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
    if (control != CC_ScrollBar || !bar) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const QPalette &pal = bar->palette;
    const bool enabled = bar->state & State_Enabled;
    painter->fillRect(bar->rect, pal.color(QPalette::Window));

    const QRect handle = subControlRect(control, bar, SC_ScrollBarSlider, widget);
    if (enabled && handle.isValid() && bar->maximum > bar->minimum) {
        const bool active = bar->activeSubControls & SC_ScrollBarSlider;
        const QColor fill = pal.color(QPalette::Button).darker(active ? 125 : 112);
        painter->fillRect(handle.adjusted(1, 0, -1, 0), fill);
        painter->fillRect(QRect(handle.left() + 1, handle.top(), handle.width() - 2, 1), fill.darker(130));
        painter->fillRect(QRect(handle.left() + 1, handle.bottom(), handle.width() - 2, 1), fill.darker(130));
    }

    const bool horizontal = bar->orientation == Qt::Horizontal;
    const struct
    {
        SubControl part;
        bool forward;
    } buttons[] = {{SC_ScrollBarSubLine, false}, {SC_ScrollBarAddLine, true}};
    painter->save();
    painter->setPen(Qt::NoPen);
    for (const auto &button : buttons) {
        const QRect r = subControlRect(control, bar, button.part, widget);
        if (!r.isValid())
            continue;
        if (bar->activeSubControls & button.part)
            painter->fillRect(r, pal.color(QPalette::Button).darker(112));
        // A small solid triangle pointing along the bar.
        const QPointF c = QRectF(r).center();
        const qreal h = std::max<qreal>(1.5, std::min(r.width(), r.height()) / 6.0);
        const qreal sign = button.forward ? 1 : -1;
        QPolygonF arrow;
        if (horizontal)
            arrow << QPointF(c.x() + sign * h, c.y()) << QPointF(c.x() - sign * h, c.y() - 2 * h)
                  << QPointF(c.x() - sign * h, c.y() + 2 * h);
        else
            arrow << QPointF(c.x(), c.y() + sign * h) << QPointF(c.x() - 2 * h, c.y() - sign * h)
                  << QPointF(c.x() + 2 * h, c.y() - sign * h);
        painter->setBrush(pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter->drawPolygon(arrow);
    }
    painter->restore();
}

void UseFlatScrollBars(QAbstractScrollArea *area)
{
    auto *flat = new FlatScrollBarStyle;
    flat->setParent(area);
    for (QScrollBar *bar : {area->verticalScrollBar(), area->horizontalScrollBar()}) {
        bar->setStyle(flat);
        bar->setAttribute(Qt::WA_OpaquePaintEvent);
    }
}
