#pragma once

#include "platform/IClock.h"

// A clock the test sets (day changes, dates ahead of the clock).
class FakeClock final : public IClock
{
public:
    explicit FakeClock(QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(12, 0))) : m_now(std::move(now)) {}
    QDateTime Now() const override { return m_now; }
    void Set(const QDateTime &now) { m_now = now; }
    void AddDays(int days) { m_now = m_now.addDays(days); }

private:
    QDateTime m_now;
};
