#include "logs/LogFollower.h"

#include "logs/TFolderWatch.h"

#include <QDir>
#include <QFileInfo>

#include <exception>

LogFollower::LogFollower(AppState &state, ILogProcessors &processors, const IClock &clock,
                         const LogFollowerOptions &options, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_reader(state, processors, clock)
    , m_options(options)
{
    m_compare.setInterval(m_options.checkIntervalMs);
    connect(&m_compare, &QTimer::timeout, this, &LogFollower::Compare);
}

LogFollower::~LogFollower()
{
    Stop();
}

void LogFollower::FirstShowing()
{
    m_reader.FirstShowing();
    UpdateStatus();
}

void LogFollower::Start()
{
    if (m_running || m_state.logDir.isEmpty() || m_state.released) {
        UpdateStatus();
        return;
    }
    m_running = true;
    if (m_options.folderEvents) {
        m_watch = new TFolderWatch(m_state.logDir, this);
        m_watch->OnChange = [this] {
            // Events tell what changed only while the watch sees every change.
            Read(m_watch->State() != TFolderWatch::WatchState::Watching || m_watch->TakeNamesChanged());
        };
        connect(m_watch, &TFolderWatch::StateChanged, this, &LogFollower::UpdateStatus);
        m_watch->Start();
    } else {
        m_folderMissing = !QFileInfo(m_state.logDir).isDir();
    }
    m_compare.start();
    UpdateStatus();
}

void LogFollower::Stop()
{
    m_compare.stop();
    if (m_watch) {
        m_watch->Stop();
        // Later, not now: Stop() may run inside the watch's own callback.
        m_watch->deleteLater();
        m_watch = nullptr;
    }
    if (m_running) {
        m_running = false;
        UpdateStatus();
    }
}

void LogFollower::Read(bool namesMayHaveChanged)
{
    // A processor's failure must not unwind through the event loop; the reading guard is
    // already cleared, and the files are read again at the next change or comparison.
    const quint64 handedBefore = m_reader.TextsHanded();
    try {
        m_reader.ReadNewLogText(namesMayHaveChanged);
        // A failure stays on show until text has gone through the processors again.
        if (m_reader.TextsHanded() != handedBefore)
            m_failure.clear();
    } catch (const std::exception &e) {
        m_failure = QString::fromLocal8Bit(e.what());
    } catch (...) {
        m_failure = QStringLiteral("不明なエラー");
    }
    UpdateStatus();
}

void LogFollower::Compare()
{
    if (!m_options.folderEvents)
        m_folderMissing = !QFileInfo(m_state.logDir).isDir();
    if (m_reader.ChangedSinceLastReading())
        Read();
    else
        UpdateStatus();
}

void LogFollower::UpdateStatus()
{
    const QString folder = QDir::toNativeSeparators(m_state.logDir);
    const TFolderWatch::WatchState watch = m_watch ? m_watch->State() : TFolderWatch::WatchState::Starting;
    const QStringList unreadable = m_reader.UnreadableFiles();
    FollowerStatus status;
    if (m_state.logDir.isEmpty()) {
        status = {FollowerState::NoFolder, QStringLiteral("LOGフォルダ未設定"),
                  QStringLiteral("LOGフォルダが設定されていないため、ログを読んでいません。")};
    } else if (!m_running) {
        status = {FollowerState::Stopped, QStringLiteral("ログ追跡停止"),
                  QStringLiteral("LOGフォルダ %1 のログは追跡していません。").arg(folder)};
    } else if (m_folderMissing || watch == TFolderWatch::WatchState::FolderMissing) {
        status = {FollowerState::FolderMissing, QStringLiteral("LOGフォルダなし"),
                  QStringLiteral("LOGフォルダ %1 が見つかりません。フォルダが戻ると追跡を再開します。").arg(folder)};
    } else if (!unreadable.isEmpty()) {
        status = {FollowerState::FileUnreadable, QStringLiteral("ログを開けません"),
                  QStringLiteral("次のログを開けません。2秒ごとに読み直します。\n%1").arg(unreadable.join(u'\n'))};
    } else if (!m_failure.isEmpty()) {
        status = {FollowerState::ReadingFailed, QStringLiteral("ログ処理エラー"),
                  QStringLiteral("ログの処理中にエラーが発生しました (%1)。次の変更から読み続けます。").arg(m_failure)};
    } else if (!m_watch || watch == TFolderWatch::WatchState::Unreliable
               || watch == TFolderWatch::WatchState::Unavailable) {
        const QString reason = m_watch ? m_watch->StateDetail() : QStringLiteral("変更通知を使っていません");
        status = {FollowerState::Polling, QStringLiteral("ログ追跡中 (2秒ごと)"),
                  QStringLiteral("%1。2秒ごとにファイルを確かめて追跡しています。\nLOGフォルダ: %2").arg(reason, folder)};
    } else {
        status = {FollowerState::Following, QStringLiteral("ログ追跡中"),
                  QStringLiteral("LOGフォルダ %1 の変更を追跡しています。").arg(folder)};
    }
    if (status == m_status)
        return;
    m_status = status;
    emit StatusChanged(m_status);
}
