#pragma once

#include <QMetaType>
#include <QString>

// How well the program is following the LOG folder, for the main window's status bar.
enum class FollowerState {
    Stopped,        // not following (before the first showing, after close)
    Following,      // change notifications arrive; the 2-second check only backs them up
    Polling,        // no change notifications: the 2-second check alone follows the files
    FolderMissing,  // the LOG folder is not there; followed again when it comes back
    FileUnreadable, // a current log file exists but cannot be read; tried again
    ReadingFailed,  // a processor failed in the middle of a reading
    NoFolder,       // no LOG folder is set: nothing is read
};

struct FollowerStatus
{
    FollowerState state = FollowerState::Stopped;
    QString text;   // short, for players: the status bar panel
    QString detail; // what is going on and what the program does about it: the tooltip

    friend bool operator==(const FollowerStatus &, const FollowerStatus &) = default;
};

Q_DECLARE_METATYPE(FollowerState)
Q_DECLARE_METATYPE(FollowerStatus)
