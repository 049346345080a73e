#include "TestFiles.h"

#include "platform/Cp932.h"
#include "platform/TextFile.h"

#include <QFile>
#include <QTest>

namespace testfiles {

QByteArray Read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

void Append(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Append), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray Cp932(const QString &text)
{
    return kiv::cp932::Encode(text);
}

QByteArray Utf16Le(const QString &text)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

QStringList ListFileLines(const QString &path)
{
    return kiv::text::SplitLines(kiv::text::Decode(Read(path)).text);
}

QProcessEnvironment OffscreenEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

bool StartProgram(QProcess &process, const QString &program, const QString &workingFolder,
                  const QProcessEnvironment &env)
{
    process.setProcessEnvironment(env);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {});
    return process.waitForStarted();
}

} // namespace testfiles
