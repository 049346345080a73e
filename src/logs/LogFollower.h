#pragma once

#include "logs/FollowerStatus.h"
#include "logs/LogReader.h"

#include <QObject>
#include <QTimer>

class TFolderWatch;

struct LogFollowerOptions
{
    // How often the current files are compared with the last reading.
    int checkIntervalMs = 2000;
    // False: no change notifications at all, the comparison alone follows the files.
    bool folderEvents = true;
};

// Follows the LOG folder once the main window has been shown: runs `ReadNewLogText` for
// every change that `TFolderWatch` reports and, as a net for changes that are never
// reported (lost events, network and user-space file systems, a folder that came back),
// whenever the 2-second comparison finds a current file different from the last reading,
// a later day's file, or a held line whose 2 seconds have passed.
// Says how well it follows through StatusChanged, for the main window's status bar.
// Main thread only.
class LogFollower : public QObject
{
    Q_OBJECT
public:
    LogFollower(AppState &state, ILogProcessors &processors, const IClock &clock,
                const LogFollowerOptions &options = LogFollowerOptions(), QObject *parent = nullptr);
    ~LogFollower() override;

    LogReader &Reader() { return m_reader; }

    // Today's files whole, in replay mode (the first showing's reading).
    void FirstShowing();
    // Starts following: the folder watch and the 2-second comparison.
    void Start();
    // Ends following at once; never waits for a reading. Must run before the log buffers
    // are released. Safe to call more than once.
    void Stop();

    const FollowerStatus &Status() const { return m_status; }

    // A reading now, as if a change had been reported; nothing while not following.
    void ReadNow()
    {
        if (m_running)
            Read();
    }

signals:
    void StatusChanged(const FollowerStatus &status);

private:
    void Read(bool namesMayHaveChanged = true);
    void Compare();
    void UpdateStatus();

    AppState &m_state;
    LogReader m_reader;
    const LogFollowerOptions m_options;
    TFolderWatch *m_watch = nullptr;
    QTimer m_compare;
    bool m_running = false;
    bool m_folderMissing = false; // without folder events only
    QString m_failure;
    FollowerStatus m_status;
};
