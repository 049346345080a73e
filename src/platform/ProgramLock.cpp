#include "platform/ProgramLock.h"

#include <QDir>

namespace kiv::files {

ProgramLock::ProgramLock(const QString &programFolder)
    : m_lock(QDir(programFolder).filePath(QStringLiteral("kivreader.lock")))
{
    // Never stale by age: the program runs all evening. A lock whose process is gone is
    // stale all the same.
    m_lock.setStaleLockTime(0);
}

ProgramLock::Claim ProgramLock::TryClaim()
{
    if (m_lock.tryLock(0))
        return Claim::Held;
    return m_lock.error() == QLockFile::LockFailedError ? Claim::HeldByOther : Claim::Unavailable;
}

} // namespace kiv::files
