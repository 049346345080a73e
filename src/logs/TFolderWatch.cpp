#include "logs/TFolderWatch.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QScopeGuard>
#include <QSocketNotifier>

#include <cerrno>
#include <utility>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

// How often a folder that is not there is looked for.
constexpr int kMissingCheckMs = 400;
// How often a watched folder is checked for having been replaced behind the watch, and
// how often a folder that cannot be watched is tried again.
constexpr int kFolderCheckMs = 2000;

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

// The inotify side of the watch.
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

    // The handle the notices come through; -1 until the first watch was tried. It stays
    // the same when the folder is watched anew.
    int Handle() const { return m_fd; }
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
    : QObject(parent)
    , m_folder(folder)
    , m_nativePath(QFile::encodeName(QDir::cleanPath(folder)))
{
    m_check.setSingleShot(true);
    connect(&m_check, &QTimer::timeout, this, &TFolderWatch::CheckFolder);
}

TFolderWatch::~TFolderWatch()
{
    Stop();
}

TFolderWatch::WatchState TFolderWatch::State() const
{
    return m_notifier ? m_notifier->State() : WatchState::Starting;
}

QString TFolderWatch::StateDetail() const
{
    return m_notifier ? m_notifier->Detail() : QString();
}

void TFolderWatch::Start()
{
    if (m_notifier || m_stopped || m_nativePath.isEmpty())
        return; // no folder given: nothing to watch
    m_notifier = std::make_unique<Notifier>(m_nativePath);
    CheckFolder();
}

void TFolderWatch::Stop()
{
    m_stopped = true;
    m_check.stop();
    // Not deleted here: this may run inside its own signal.
    if (m_notices)
        m_notices->setEnabled(false);
}

void TFolderWatch::NoticesReady()
{
    if (m_stopped)
        return;
    // Always read, also during a call: notices left queued would be reported again at once.
    const bool changed = m_notifier->Drain();
    if (m_notifier->FolderLost())
        CheckFolder();
    else if (changed)
        Changed();
}

void TFolderWatch::CheckFolder()
{
    if (m_stopped)
        return;
    const WatchState stateBefore = State();
    const QString detailBefore = StateDetail();
    const bool cameBack = m_notifier->Check();
    if (!m_notices && m_notifier->Handle() >= 0) {
        m_notices = std::make_unique<QSocketNotifier>(m_notifier->Handle(), QSocketNotifier::Read);
        connect(m_notices.get(), &QSocketNotifier::activated, this, &TFolderWatch::NoticesReady);
    }
    // A lost folder is looked for often, so that its return is noticed soon; a watched one
    // every few seconds, since a folder replaced on a remote file system sends no notice.
    m_check.start(m_notifier->State() == WatchState::FolderMissing ? kMissingCheckMs : kFolderCheckMs);
    if (State() != stateBefore || StateDetail() != detailBefore) {
        emit StateChanged(State(), StateDetail());
        if (m_stopped)
            return;
    }
    if (cameBack)
        Changed();
}

void TFolderWatch::Changed()
{
    if (m_inCall) {
        m_callOwed = true;
        return;
    }
    Call();
}

void TFolderWatch::Call()
{
    // This call reads everything, whatever was owed before it.
    m_callOwed = false;
    if (m_notifier->TakeNamesChanged())
        m_namesChanged = true;
    QPointer<TFolderWatch> alive(this);
    m_inCall = true;
    {
        // Cleared however the call ends, a throw included: a watch left in a call would
        // never call again.
        const auto done = qScopeGuard([&] {
            if (alive)
                m_inCall = false;
        });
        // A copy: the callback may stop and delete this watch (its owner closing from a
        // nested event loop), which must not destroy the function while it runs.
        const std::function<void()> callback = OnChange;
        if (callback)
            callback();
    }
    if (!alive)
        return;
    // Through the event loop, so that what waits there (a paint) goes first.
    if (m_callOwed && !m_stopped)
        QMetaObject::invokeMethod(this, &TFolderWatch::CallOwed, Qt::QueuedConnection);
}

void TFolderWatch::CallOwed()
{
    if (m_stopped || m_inCall || !m_callOwed)
        return; // done since, or owed after the call that runs now
    Call();
}
