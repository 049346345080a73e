#include "platform/IClock.h"

namespace {
constexpr qint64 kOffsetLifeMs = 1000;
}

QDateTime SystemClock::Now() const
{
    const qint64 utc = QDateTime::currentMSecsSinceEpoch();
    const std::lock_guard lock(m_mutex);
    // Looked up again after a second, and whenever the clock went back.
    if (!m_known || utc < m_offsetFrom || utc - m_offsetFrom >= kOffsetLifeMs) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(utc, Qt::LocalTime);
        m_offset = local.offsetFromUtc();
        m_offsetFrom = utc;
        m_known = true;
        return local;
    }
    return QDateTime::fromMSecsSinceEpoch(utc, Qt::OffsetFromUTC, m_offset);
}
