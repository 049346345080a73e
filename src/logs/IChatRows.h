#pragma once

#include "logs/LogLineRecord.h"

// Where the log processors put their rows (the chat view).
class IChatRows
{
public:
    virtual ~IChatRows() = default;
    // The row's texts are copied before the call returns.
    virtual void AddChatRow(const LogLineView &row) = 0;
    // Brings the newest row into view.
    virtual void ScrollToLastRow() = 0;
};
