#pragma once

#include "widgets/TSideWindow.h"

// The stay-on-top distribution window: who picked up what.
class TInfoGrid : public TSideWindow
{
    Q_OBJECT
public:
    explicit TInfoGrid(QWidget *parent = nullptr);
};
