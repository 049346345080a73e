#pragma once

#include <QByteArray>
#include <QString>

// A file opened for reading only, read at given places, and what a file looks like from
// outside. A followed log is looked at and read several times a second: each of these
// is one call to the system, where a buffered file with its own position takes several.
namespace kiv::files {

struct Stamp
{
    bool exists = false;
    // A file of bytes: not a folder, a pipe or a device, which a reading never gets to
    // the end of, or waits for.
    bool regular = false;
    qint64 size = -1;
    // The last write, in nanoseconds since 1970, as the file system keeps it: compared,
    // never shown, so no time zone is looked up for it.
    qint64 modified = 0;
    // Which file it is: a file put in the place of another has other numbers.
    quint64 device = 0;
    quint64 inode = 0;
};

// What `path` looks like now; `exists` is false when nothing is there.
Stamp StampOf(const QString &path);
// True when something is at `path`.
bool Exists(const QString &path);

class ReadOnlyFile
{
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // False when the file cannot be opened; Error() says why.
    bool Open(const QString &path);
    // True when the file open is the one `stamp` was taken of.
    bool Is(const Stamp &stamp) const
    {
        return m_fd >= 0 && stamp.exists && stamp.device == m_device && stamp.inode == m_inode;
    }
    // Up to `bytes` bytes from `offset` into `data`: fewer only at the end of the file.
    // -1 on a failure, which Error() then describes.
    qint64 ReadAt(qint64 offset, char *data, qint64 bytes);
    // The same into a new array; empty at the end of the file or on a failure.
    QByteArray ReadAt(qint64 offset, qint64 bytes);
    void Close();

    bool Failed() const { return !m_error.isEmpty(); }
    const QString &Error() const { return m_error; }

private:
    int m_fd = -1;
    quint64 m_device = 0;
    quint64 m_inode = 0;
    QString m_error;
};

} // namespace kiv::files
