#pragma once

#include "widgets/TSideWindow.h"

// The stay-on-top items-by-kind window.
class TInfoGridHin : public TSideWindow
{
    Q_OBJECT
public:
    explicit TInfoGridHin(QWidget *parent = nullptr);
};
