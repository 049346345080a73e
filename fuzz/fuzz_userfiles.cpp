// The files a user edits by hand, in any bytes: the settings file and a list file. What
// reads must be written back and read again unchanged, what cannot be read must never be
// written over, and nothing may crash.
#include "core/strDBListUniU.h"
#include "platform/ProfileFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

const QTemporaryDir &Folder()
{
    static QTemporaryDir dir(QFileInfo(u"/dev/shm"_s).isWritable() ? u"/dev/shm/kiv_fuzz_userfiles-XXXXXX"_s
                                                                   : QDir::tempPath() + u"/kiv_fuzz_userfiles-XXXXXX"_s);
    return dir;
}

void Check(bool holds)
{
    if (!holds)
        std::abort();
}

void WriteBytes(const QString &path, QByteArrayView bytes)
{
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    Check(file.write(bytes.data(), bytes.size()) == bytes.size());
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    Check(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// Every key of the file with the value ReadString gives for it. The names are taken
// roughly (any white space trimmed); ReadString applies the file's own rules to them, and
// the same names are asked before and after the save.
std::map<std::pair<QString, QString>, QString> Keys(const ProfileFile &ini)
{
    std::map<std::pair<QString, QString>, QString> keys;
    QString section;
    bool inSection = false;
    for (const QString &line : ini.Lines()) {
        const QString t = line.trimmed();
        if (t.startsWith(u'[')) {
            const qsizetype close = t.indexOf(u']');
            section = (close < 0 ? t.sliced(1) : t.sliced(1, close - 1)).trimmed();
            inSection = true;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (inSection && eq >= 0) {
            const QString key = line.first(eq).trimmed();
            keys.try_emplace({section.toCaseFolded(), key.toCaseFolded()}, ini.ReadString(section, key));
        }
    }
    return keys;
}

void CheckSettings(QByteArrayView bytes)
{
    const QString path = Folder().filePath(u"kivreader.ini"_s);
    WriteBytes(path, bytes);
    ProfileFile ini(path);
    if (!ini.Load()) {
        ini.WriteString(u"system"_s, u"KivID"_s, u"12345678"_s);
        Check(!ini.Save());
        Check(ReadBytes(path) == bytes);
        return;
    }
    const auto before = Keys(ini);
    // What the program writes at close: numbers, an ID, a folder outside the code page,
    // and a key in a section the file may already have.
    const QString folder = u"/home/josé/Łódź/ボブ😀/LOG/"_s;
    ini.WriteString(u"system"_s, u"logdir"_s, folder);
    ini.WriteInt(u"FrmKivMain"_s, u"Left  "_s, -5);
    ini.WriteString(u"system"_s, u"KivID"_s, u"12345678"_s);
    Check(ini.Save());

    ProfileFile again(path);
    Check(again.Load());
    Check(again.ReadString(u"system"_s, u"logdir"_s) == folder);
    Check(again.ReadInt(u"FrmKivMain"_s, u"Left"_s, 0) == -5);
    Check(again.ReadString(u"system"_s, u"KivID"_s) == u"12345678"_s);
    const auto after = Keys(again);
    for (const auto &[where, value] : before) {
        if (where.first == u"system"_s && (where.second == u"logdir"_s || where.second == u"kivid"_s))
            continue;
        if (where.first == u"frmkivmain"_s && where.second == u"left"_s)
            continue;
        const auto it = after.find(where);
        Check(it != after.end() && it->second == value);
    }
}

void CheckList(QByteArrayView bytes)
{
    const QString path = Folder().filePath(u"Whois.lst"_s);
    WriteBytes(path, bytes);
    TStrDBListUni list;
    if (!LoadListFile(list, path))
        return;
    const QStringList lines = list.Lines();
    QByteArray written;
    QBuffer buffer(&written);
    Check(buffer.open(QIODevice::WriteOnly));
    Check(WriteListFile(list, &buffer));
    buffer.close();
    WriteBytes(path, written);
    TStrDBListUni again;
    Check(LoadListFile(again, path));
    Check(again.Lines() == lines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Check(Folder().isValid());
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    CheckSettings(bytes);
    CheckList(bytes);
    return 0;
}
