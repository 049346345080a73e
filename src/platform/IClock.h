#pragma once

#include <QDateTime>

#include <mutex>

// The local clock, replaceable in tests (day changes).
class IClock
{
public:
    virtual ~IClock() = default;
    virtual QDateTime Now() const = 0;
};

// The system's local time. The offset from UTC is looked up at most once a second: each
// lookup makes the C library look at the time zone file again, and the logs are read many
// times a second. A change of the offset (summer time, a new zone) shows within a second.
class SystemClock final : public IClock
{
public:
    QDateTime Now() const override;

private:
    mutable std::mutex m_mutex;
    mutable qint64 m_offsetFrom = 0; // UTC milliseconds since 1970 when the offset was looked up
    mutable int m_offset = 0;        // seconds east of UTC
    mutable bool m_known = false;
};
