#include "logs/TFolderWatch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QScopeGuard>

#include <cerrno>
#include <utility>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// The longest the thread sleeps before it looks at the stop request again.
constexpr int kWaitMs = 400;
// How often a watched folder is checked for having been replaced behind the watch, and
// how often a folder that cannot be watched is tried again.
constexpr qint64 kFolderCheckMs = 2000;

constexpr uint32_t kWatchMask = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM
    | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK;

// File systems whose changes made elsewhere (another computer, the host of a virtual
// machine, a user-space server) never reach inotify.
QString RemoteFileSystemName(const QByteArray &path)
{
    struct statfs fs {};
    if (::statfs(path.constData(), &fs) != 0)
        return {};
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL: return QStringLiteral("NFS");
    case 0x517BUL: return QStringLiteral("SMB");
    case 0xFF534D42UL: return QStringLiteral("CIFS");
    case 0xFE534D42UL: return QStringLiteral("SMB2");
    case 0x65735546UL: return QStringLiteral("FUSE");
    case 0x01021997UL: return QStringLiteral("9P");
    case 0x73757245UL: return QStringLiteral("Coda");
    case 0x5346414FUL: return QStringLiteral("AFS");
    case 0x00C36400UL: return QStringLiteral("Ceph");
    case 0x786F4256UL: return QStringLiteral("vboxsf");
    default: return {};
    }
}

} // namespace

// The inotify side of the watch; lives on the worker thread only.
class TFolderWatch::Notifier
{
public:
    explicit Notifier(const QByteArray &path) : m_path(path) {}
    ~Notifier()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Notifier(const Notifier &) = delete;
    Notifier &operator=(const Notifier &) = delete;

    int Fd() const { return m_watch >= 0 ? m_fd : -1; }
    bool Watching() const { return m_watch >= 0; }
    bool FolderLost() const { return m_folderLost; }
    TFolderWatch::WatchState State() const { return m_state; }
    const QString &Detail() const { return m_detail; }
    // True once since names in the folder may have changed (see TakeNamesChanged).
    bool TakeNamesChanged() { return std::exchange(m_namesChanged, false); }

    // Reads every queued event. True when one of them is a change worth a reading.
    bool Drain()
    {
        bool changed = false;
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
            if (length <= 0)
                break; // EAGAIN: the queue is empty
            for (ssize_t at = 0; at < length;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                at += ssize_t(sizeof(inotify_event)) + event->len;
                if (event->mask & IN_Q_OVERFLOW) {
                    changed = true; // events were dropped: something changed, read everything
                    m_namesChanged = true;
                    continue;
                }
                if (event->wd != m_watch)
                    continue; // left over from a watch that was replaced
                if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
                    m_folderLost = true;
                    continue;
                }
                if (event->mask & IN_ISDIR)
                    continue; // a subfolder came or went: no log file changed
                changed = true;
                // A file written to keeps its name; anything else (a file created, renamed,
                // deleted, or its rights changed) may make a name appear or go.
                if (event->mask & ~uint32_t(IN_MODIFY | IN_CLOSE_WRITE))
                    m_namesChanged = true;
            }
            // The events come whole: with room left for one of the longest, the queue was
            // empty, and one more read would only say so.
            if (size_t(length) + sizeof(inotify_event) + NAME_MAX + 1 <= sizeof buffer)
                break;
        }
        return changed;
    }

    // Looks at the folder behind the path and (re)sets the watch when the folder came
    // back or was replaced. True when a folder is there now that was not watched before,
    // whose files are then worth a reading.
    bool Check()
    {
        struct stat st {};
        if (::stat(m_path.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            Unwatch();
            SetState(TFolderWatch::WatchState::FolderMissing, QString());
            return false;
        }
        if (Watching() && !m_folderLost && st.st_dev == m_dev && st.st_ino == m_ino)
            return false;
        const bool wasMissing = m_state == TFolderWatch::WatchState::FolderMissing;
        const bool replaced = Watching() || m_folderLost;
        Unwatch();
        if (m_fd < 0) {
            m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            if (m_fd < 0) {
                const int error = errno;
                SetState(TFolderWatch::WatchState::Unavailable,
                         error == EMFILE ? QStringLiteral("変更通知の数が上限に達しています (fs.inotify.max_user_instances)")
                                         : QStringLiteral("変更通知を使えません (%1)").arg(qt_error_string(error)));
                return wasMissing || replaced;
            }
        }
        m_watch = ::inotify_add_watch(m_fd, m_path.constData(), kWatchMask);
        if (m_watch < 0) {
            const int error = errno;
            SetState(TFolderWatch::WatchState::Unavailable,
                     error == ENOSPC ? QStringLiteral("変更通知の監視数が上限に達しています (fs.inotify.max_user_watches)")
                                     : QStringLiteral("変更通知を使えません (%1)").arg(qt_error_string(error)));
            return wasMissing || replaced;
        }
        m_dev = st.st_dev;
        m_ino = st.st_ino;
        m_namesChanged = true; // nothing is known of what happened before this watch
        const QString remote = RemoteFileSystemName(m_path);
        if (remote.isEmpty())
            SetState(TFolderWatch::WatchState::Watching, QString());
        else
            SetState(TFolderWatch::WatchState::Unreliable,
                     QStringLiteral("%1 のフォルダでは、ほかのコンピューターからの書き込みが通知されません").arg(remote));
        return wasMissing || replaced;
    }

private:
    void Unwatch()
    {
        // After IN_IGNORED the kernel has dropped the watch already; removing it again
        // only fails with EINVAL.
        if (m_watch >= 0)
            ::inotify_rm_watch(m_fd, m_watch);
        m_watch = -1;
        m_folderLost = false;
    }

    void SetState(TFolderWatch::WatchState state, const QString &detail)
    {
        m_state = state;
        m_detail = detail;
    }

    const QByteArray m_path;
    int m_fd = -1;
    int m_watch = -1;
    bool m_folderLost = false;
    bool m_namesChanged = true;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    TFolderWatch::WatchState m_state = TFolderWatch::WatchState::Starting;
    QString m_detail;
};


TFolderWatch::TFolderWatch(const QString &folder, QObject *parent)
    : QThread(parent)
    , m_folder(folder)
    , m_nativePath(QFile::encodeName(QDir::cleanPath(folder)))
{
}

TFolderWatch::~TFolderWatch()
{
    Stop();
}

void TFolderWatch::Stop()
{
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_wake.wakeAll();
    }
    // The thread never waits for this thread once m_stopping is set, so this wait ends
    // within one poll time-out whatever this thread is doing.
    if (QThread::currentThread() != this)
        wait();
}

bool TFolderWatch::StopRequested()
{
    QMutexLocker lock(&m_mutex);
    return m_stopping;
}

void TFolderWatch::run()
{
    if (m_nativePath.isEmpty())
        return; // no folder given: nothing to watch

    Notifier notifier(m_nativePath);
    notifier.Check();
    WatchState reported = notifier.State();
    ReportState(reported, notifier.Detail());

    QElapsedTimer sinceCheck;
    sinceCheck.start();
    while (!StopRequested()) {
        pollfd fd{notifier.Fd(), POLLIN, 0};
        const int ready = ::poll(&fd, 1, kWaitMs); // a negative fd makes this a plain sleep
        bool changed = false;
        if (ready > 0 && (fd.revents & POLLIN))
            changed = notifier.Drain();

        // A lost folder is looked for at every round, so that its return is noticed at
        // once; a watched one every few seconds, since a folder replaced on a remote file
        // system sends no event at all.
        if (notifier.FolderLost() || notifier.State() == WatchState::FolderMissing
            || sinceCheck.elapsed() >= kFolderCheckMs) {
            changed = notifier.Check() || changed;
            sinceCheck.restart();
            if (notifier.State() != reported) {
                reported = notifier.State();
                ReportState(reported, notifier.Detail());
            }
        }
        if (changed && !CallOnChange(notifier))
            break;
    }
}

bool TFolderWatch::CallOnChange(Notifier &notifier)
{
    quint64 ticket = 0;
    {
        QMutexLocker lock(&m_mutex);
        // One call at a time: the one asked for before must have returned. The thread does
        // not wait for each call to return before it waits for changes again, so a steady
        // stream of changes wakes it once per change, not twice.
        bool waited = false;
        while (m_callsDone < m_callsAsked && !m_stopping) {
            m_wake.wait(&m_mutex);
            waited = true;
        }
        if (m_stopping)
            return false;
        if (waited) {
            // Changes reported while the call ran are covered by the one asked for now,
            // which reads everything; left queued they would give yet another call.
            lock.unlock();
            notifier.Drain();
            lock.relock();
            if (m_stopping)
                return false;
        }
        ticket = ++m_callsAsked;
    }
    // Before the call is asked for, so that the call sees it.
    if (notifier.TakeNamesChanged())
        m_namesChanged = true;
    m_callPending = true;
    // Queued, never blocking: the owner may be waiting in Stop() for this thread to end.
    // This object lives in the owner's thread, so the call runs there, and it is dropped
    // with the object if the owner deletes it first.
    QMetaObject::invokeMethod(this, [this, ticket] { RunOnChange(ticket); }, Qt::QueuedConnection);
    return true;
}

void TFolderWatch::RunOnChange(quint64 ticket)
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_stopping) {
            m_callPending = false;
            return; // cancelled: the thread has stopped waiting for it
        }
    }
    QPointer<TFolderWatch> alive(this);
    // Always let the thread go on, even when the callback throws.
    auto done = qScopeGuard([&] {
        if (!alive)
            return;
        QMutexLocker lock(&m_mutex);
        m_callsDone = ticket;
        m_callPending = false;
        m_wake.wakeAll();
    });
    // A copy: the callback may stop and delete this watch (its owner closing from a
    // nested event loop), which must not destroy the function while it runs.
    const std::function<void()> callback = OnChange;
    if (callback)
        callback();
}

void TFolderWatch::ReportState(WatchState state, const QString &detail)
{
    QMetaObject::invokeMethod(
        this,
        [this, state, detail] {
            m_state = state;
            m_stateDetail = detail;
            emit StateChanged(state, detail);
        },
        Qt::QueuedConnection);
}
