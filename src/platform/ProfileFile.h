#pragma once

#include <QString>
#include <QStringList>

// A Windows-style profile (INI) file: sections and keys compare without regard to
// case and surrounding blanks, values are code page 932 text. Writing a key changes
// its line in place and keeps every other line of the file as it was. QSettings keeps
// none of these rules, hence this class.
//
// Reads and writes work on the lines loaded by Load(); Save() writes them back
// atomically. A missing file reads as all defaults. A file is written back in the
// encoding it was read in, except that code page text holding a character the code page
// lacks (a folder named "Łódź") is written as UTF-16 LE with a mark, which holds any
// text and reads back the same.
class ProfileFile
{
public:
    explicit ProfileFile(QString path);

    // Reads the file. A missing file is not an error (it reads as empty). After a failed
    // read, Save() refuses to write, so the unread settings are not replaced.
    [[nodiscard]] bool Load(QString *error = nullptr);
    [[nodiscard]] bool Save(QString *error = nullptr) const;

    bool Exists() const { return m_exists; }
    const QString &Path() const { return m_path; }

    bool HasKey(const QString &section, const QString &key) const;
    QString ReadString(const QString &section, const QString &key, const QString &fallback = QString()) const;
    // Leading digits (with an optional sign) of the value; `fallback` when missing or not a number.
    int ReadInt(const QString &section, const QString &key, int fallback) const;
    // True for any non-zero integer.
    bool ReadBool(const QString &section, const QString &key, bool fallback) const;

    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInt(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);

    const QStringList &Lines() const { return m_lines; }

private:
    struct Location
    {
        qsizetype section = -1; // line of the "[name]" header, -1 when missing
        qsizetype key = -1;     // line of the key, -1 when missing
        qsizetype end = -1;     // one past the last line of the section
    };
    Location Find(const QString &section, const QString &key) const;

    QString m_path;
    QStringList m_lines;
    bool m_exists = false;
    enum class Form { Ansi, Utf16, Utf8, Utf8Marked };
    Form m_form = Form::Ansi;
    // An existing file that could not be read is never written over.
    bool m_loadFailed = false;
};
