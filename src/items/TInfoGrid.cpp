#include "items/TInfoGrid.h"

TInfoGrid::TInfoGrid(QWidget *parent)
    : TSideWindow(QStringLiteral("InfoGrid"), parent)
{
    resize(203, 111);
}
