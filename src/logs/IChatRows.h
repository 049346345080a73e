#pragma once

#include "logs/LogLineRecord.h"

// Where the log processors put their rows (the chat view).
class IChatRows
{
public:
    virtual ~IChatRows() = default;
    virtual void AddChatRow(const LogLineRecord &record) = 0;
    // Brings the newest row into view.
    virtual void ScrollToLastRow() = 0;
};
