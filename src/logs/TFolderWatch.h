#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <utility>

class QSocketNotifier;

// Waits for changes in one folder (not its subfolders) and, for each change, runs
// `OnChange` in the owner's thread, one call at a time: a change that comes while a call
// has not returned yet (the call may run an event loop of its own) waits for it. Changes
// made before the call runs, or while it runs, lead to one further call, not one each.
// It touches no program state; it only makes calls.
//
// The system's change notices are taken in the owner's event loop itself: a followed log
// gets a record many times a second, and a thread of its own would wake two threads for
// each record instead of one.
//
// It also keeps the folder itself in view: a folder that is deleted, moved away or
// replaced is watched again when one is back under the same path. It cannot see changes
// that the system does not report (network and user-space file systems report only what
// this machine writes); State() says so, and the owner backs the watch up by looking at
// the files itself.
class TFolderWatch : public QObject
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

    // Run for each change; set before Start(). May be empty.
    std::function<void()> OnChange;

    // Looks at the folder and begins to watch it. A change before this calls nothing.
    void Start();
    // No call is made after this, not even one already due. Safe to call more than once,
    // before Start() and from inside `OnChange`.
    void Stop();

    QString Folder() const { return m_folder; }
    WatchState State() const;
    // Why the folder is not watched, or not watched reliably; empty while all is well.
    QString StateDetail() const;

    // True when names in the folder may have come, gone or changed hands (a file created,
    // deleted, renamed or changed in its attributes, events lost, the folder watched
    // anew) since the last time this was asked; false when only files' contents changed.
    // Set before the call it leads to runs; the first call after the folder is watched
    // (again) finds it set.
    bool TakeNamesChanged() { return std::exchange(m_namesChanged, false); }

signals:
    void StateChanged(TFolderWatch::WatchState state, const QString &detail);

private:
    class Notifier;
    void NoticesReady();
    void CheckFolder();
    // A change was seen: the call now, or once the one that runs has returned.
    void Changed();
    void Call();
    void CallOwed();

    const QString m_folder;
    const QByteArray m_nativePath;
    std::unique_ptr<Notifier> m_notifier;
    // After m_notifier: it goes before the handle it listens to is closed.
    std::unique_ptr<QSocketNotifier> m_notices;
    QTimer m_check;
    bool m_stopped = false;
    bool m_inCall = false;
    bool m_callOwed = false;
    bool m_namesChanged = false;
};
