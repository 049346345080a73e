#include "platform/SafeSave.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace kiv::safesave {

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("%1 を保存できません (開けません: %2)").arg(shown, file.errorString());
        return false;
    }
    QString why;
    if (!writer(&file, &why)) {
        file.cancelWriting();
        if (error)
            *error = QStringLiteral("%1 を保存できません (書き込み: %2)").arg(shown, why.isEmpty() ? file.errorString() : why);
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("%1 を保存できません (確定: %2)").arg(shown, file.errorString());
        return false;
    }
    return true;
}

bool Save(const QString &path, const QByteArray &bytes, QString *error)
{
    return Save(path, [&bytes](QIODevice *device, QString *why) { return WriteAll(device, bytes, why); }, error);
}

int RemoveStaleTemporaries(const QString &folder, const QString &fileName)
{
    // QSaveFile names its temporary file after the target with six random letters (no
    // digits), so a copy such as "Whois.lst.2024ab" is the user's and stays.
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(
                                         QRegularExpression::escape(fileName) + QStringLiteral("\\.[A-Za-z]{6}")),
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
