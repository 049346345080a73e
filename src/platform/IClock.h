#pragma once

#include <QDateTime>

// The local clock, replaceable in tests (day changes).
class IClock
{
public:
    virtual ~IClock() = default;
    virtual QDateTime Now() const = 0;
};

class SystemClock final : public IClock
{
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};
