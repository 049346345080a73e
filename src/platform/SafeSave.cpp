#include "platform/SafeSave.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kiv::safesave {

namespace {

// Temporaries are named "<file>.<six letters or digits>.kivsave": no name a person gives
// a copy of their file, so removing them after a crash never takes one of the user's.
const QString kTemporarySuffix = QStringLiteral(".kivsave");

QString TemporaryName(const QFileInfo &target)
{
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = target.absolutePath() + u'/' + target.fileName() + u'.';
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))]);
    return name + kTemporarySuffix;
}

QString Failure(const QString &shown, const QString &what, const QString &why)
{
    return QStringLiteral("%1 を保存できません (%2: %3)").arg(shown, what, why);
}

bool SyncToDisk(QFile &file)
{
#ifdef Q_OS_WIN
    return ::_commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

// Replaces `target` by `source` in one step, so a reader sees the old file or the new one.
bool ReplaceFile(const QString &source, const QString &target)
{
#ifdef Q_OS_WIN
    return ::MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(source).utf16()),
                         reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(target).utf16()),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    return std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0;
#endif
}

QString LastSystemError()
{
#ifdef Q_OS_WIN
    return qt_error_string(int(::GetLastError()));
#else
    return qt_error_string(errno);
#endif
}

} // namespace

bool WriteAll(QIODevice *device, const QByteArray &bytes, QString *error)
{
    // A device may take part of the bytes and fail only on the next write; the reason
    // is known then, where a short write alone reports "Unknown error".
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = device->write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            if (error)
                *error = device->errorString();
            return false;
        }
        done += written;
    }
    return true;
}

bool Save(const QString &path, const Writer &writer, QString *error)
{
    const QString shown = QDir::toNativeSeparators(path);
    auto fail = [&](const QString &what, const QString &why) {
        if (error)
            *error = Failure(shown, what, why);
        return false;
    };
    // Through a link the file it points at is saved, and the link stays.
    const QFileInfo given(path);
    const QFileInfo target(given.isSymLink() ? given.symLinkTarget() : given.absoluteFilePath());
    if (target.exists() && (!target.isFile() || !target.isWritable()))
        return fail(QStringLiteral("開けません"), target.isFile() ? QStringLiteral("書き込みが禁止されています")
                                                                 : QStringLiteral("ファイルではありません"));

    // Created anew under a free name; a QTemporaryFile would keep its handle open until
    // destroyed, and an open file cannot replace another on every platform.
    QFile temporary;
    for (int attempt = 0;; ++attempt) {
        temporary.setFileName(TemporaryName(target));
        if (temporary.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (!temporary.exists() || attempt == 15) // a name already taken is the only reason to try again
            return fail(QStringLiteral("開けません"), temporary.errorString());
    }

    QString why;
    bool written = writer(&temporary, &why);
    if (!written && why.isEmpty())
        why = temporary.errorString();
    if (written && !temporary.flush()) {
        written = false;
        why = temporary.errorString();
    } else if (written && !SyncToDisk(temporary)) {
        written = false;
        why = LastSystemError();
    }
    temporary.close();
    if (!written) {
        temporary.remove();
        return fail(QStringLiteral("書き込み"), why);
    }
    if (target.exists())
        temporary.setPermissions(QFile::permissions(target.absoluteFilePath()));
    if (!ReplaceFile(temporary.fileName(), target.absoluteFilePath())) {
        const QString reason = LastSystemError();
        temporary.remove();
        return fail(QStringLiteral("確定"), reason);
    }
    return true;
}

bool Save(const QString &path, const QByteArray &bytes, QString *error)
{
    return Save(path, [&bytes](QIODevice *device, QString *why) { return WriteAll(device, bytes, why); }, error);
}

int RemoveStaleTemporaries(const QString &folder, const QString &fileName)
{
    const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QRegularExpression::escape(fileName) + QStringLiteral("\\.[A-Za-z0-9]{6}") +
                                            QRegularExpression::escape(kTemporarySuffix)),
        QRegularExpression::CaseInsensitiveOption);
    QDir dir(folder);
    int removed = 0;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &entry : entries) {
        if (pattern.match(entry).hasMatch() && dir.remove(entry))
            ++removed;
    }
    return removed;
}

} // namespace kiv::safesave
