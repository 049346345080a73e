#pragma once

#include <QProxyStyle>

class QAbstractScrollArea;

// Draws scroll bars with plain fills. A view that appends rows all evening repaints its
// bar at every append; the gradients of the usual style are filled in parts by worker
// threads, and waking them costs more than the drawing. Everything else is drawn by the
// application's style.
class FlatScrollBarStyle final : public QProxyStyle
{
public:
    FlatScrollBarStyle();

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget = nullptr) const override;
};

// Both scroll bars of `area` drawn flat, by one style that the area owns. A flat bar
// covers every pixel of itself, so what lies behind it is not drawn first.
void UseFlatScrollBars(QAbstractScrollArea *area);
