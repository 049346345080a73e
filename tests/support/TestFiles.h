#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Small file helpers for tests.
namespace testfiles {

QByteArray Read(const QString &path);
void Write(const QString &path, const QByteArray &bytes);
void Append(const QString &path, const QByteArray &bytes);
// Code page 932 bytes of a text.
QByteArray Cp932(const QString &text);
// UTF-16 LE with a byte-order mark.
QByteArray Utf16Le(const QString &text);
// Lines of a list file as the program writes them (UTF-16 LE, CR LF).
QStringList ListFileLines(const QString &path);

// This process's environment with the offscreen platform.
QProcessEnvironment OffscreenEnvironment();
// Starts the program at `program` in `workingFolder` (this one when empty), its error
// stream passed on; false when it did not start (the process says why).
bool StartProgram(QProcess &process, const QString &program, const QString &workingFolder = QString(),
                  const QProcessEnvironment &env = OffscreenEnvironment());

} // namespace testfiles
