#include "items/TInfoGridHin.h"

TInfoGridHin::TInfoGridHin(QWidget *parent)
    : TSideWindow(QStringLiteral("InfoGridHin"), parent)
{
    resize(203, 111);
}
