#pragma once

#include <QLockFile>
#include <QString>

// Held while the program runs on its folder. A second program on the same folder would
// follow the same logs, run every command in them a second time ("@send", "@beep") and,
// closing later, write its lists over the first one's.
namespace kiv::files {

class ProgramLock
{
public:
    enum class Claim {
        Held,        // this program has the folder
        HeldByOther, // a program that still runs has it
        Unavailable, // no lock can be made there (a folder without write access): run unguarded
    };

    explicit ProgramLock(const QString &programFolder);

    // A lock left by a program that no longer runs (a crash, a power cut) is taken over.
    Claim TryClaim();

private:
    QLockFile m_lock;
};

} // namespace kiv::files
