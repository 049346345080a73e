#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>

#include <atomic>
#include <functional>

// Waits for changes in one folder (not its subfolders) on a worker thread and, for each
// change, runs `OnChange` in the owner's thread, one call at a time: a change that comes
// while a call has not returned yet waits for it. Changes made before the call runs, or
// while it runs, lead to one further call, not one each.
// The thread touches no program state; it only asks for calls.
//
// It also keeps the folder itself in view: a folder that is deleted, moved away or
// replaced is watched again when one is back under the same path. It cannot see changes
// that the system does not report (network and user-space file systems report only what
// this machine writes); State() says so, and the owner backs the watch up by looking at
// the files itself.
//
// Stop() (or the destructor) ends the thread within about 400 ms. A call the thread has
// asked for and that has not started yet is cancelled, so stopping never waits for the
// owner's thread and cannot deadlock.
class TFolderWatch : public QThread
{
    Q_OBJECT
public:
    enum class WatchState {
        Starting,
        Watching,      // changes are reported
        Unreliable,    // watched, but the file system may not report every change
        Unavailable,   // the folder exists but cannot be watched (limits, errors)
        FolderMissing, // the folder is not there (or not a folder)
    };
    Q_ENUM(WatchState)

    explicit TFolderWatch(const QString &folder, QObject *parent = nullptr);
    ~TFolderWatch() override;

    // Run in the owner's thread for each change; set before start(). May be empty.
    std::function<void()> OnChange;

    // Asks the thread to end and waits for it. Safe to call more than once, before start()
    // and from inside `OnChange`.
    void Stop();

    QString Folder() const { return m_folder; }
    WatchState State() const { return m_state; }
    // Why the folder is not watched, or not watched reliably; empty while all is well.
    QString StateDetail() const { return m_stateDetail; }

    // True from the moment the thread asks for a call of `OnChange` until it has returned
    // (or was cancelled by a stop).
    bool CallPending() const { return m_callPending.load(); }

    // True when names in the folder may have come, gone or changed hands (a file created,
    // deleted, renamed or changed in its attributes, events lost, the folder watched
    // anew) since the last time this was asked; false when only files' contents changed.
    // Set before the call it leads to runs; the first call after the folder is watched
    // (again) finds it set.
    bool TakeNamesChanged() { return m_namesChanged.exchange(false); }

signals:
    // Emitted in the owner's thread.
    void StateChanged(TFolderWatch::WatchState state, const QString &detail);

protected:
    void run() override;

private:
    class Notifier;
    bool StopRequested();
    // Asks the owner's thread to run `OnChange` once the call before has returned; false
    // when stopping instead.
    bool CallOnChange(Notifier &notifier);
    void RunOnChange(quint64 ticket);
    void ReportState(WatchState state, const QString &detail);

    const QString m_folder;
    const QByteArray m_nativePath;

    QMutex m_mutex;
    QWaitCondition m_wake;
    bool m_stopping = false;   // guarded by m_mutex
    quint64 m_callsAsked = 0;  // guarded by m_mutex
    quint64 m_callsDone = 0;   // guarded by m_mutex
    std::atomic<bool> m_callPending{false};
    std::atomic<bool> m_namesChanged{false};

    // Owner's thread only.
    WatchState m_state = WatchState::Starting;
    QString m_stateDetail;
};
