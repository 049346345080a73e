#include "platform/ReadOnlyFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kiv::files {

Stamp StampOf(const QString &path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, S_ISREG(st.st_mode), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + qint64(st.st_mtim.tv_nsec), quint64(st.st_dev), quint64(st.st_ino)};
}

bool Exists(const QString &path)
{
    return !path.isEmpty() && ::access(QFile::encodeName(path).constData(), F_OK) == 0;
}

ReadOnlyFile::~ReadOnlyFile()
{
    Close();
}

bool ReadOnlyFile::Open(const QString &path)
{
    Close();
    m_error.clear();
    do
        // Not blocking: a pipe put where a log belongs would wait for a writer for ever.
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        m_error = qt_error_string(errno);
        return false;
    }
    // The file opened, which need not be the one a look at the path found just before.
    struct stat st {};
    if (::fstat(m_fd, &st) == 0) {
        m_device = quint64(st.st_dev);
        m_inode = quint64(st.st_ino);
    }
    return true;
}

qint64 ReadOnlyFile::ReadAt(qint64 offset, char *data, qint64 bytes)
{
    if (m_fd < 0) {
        if (m_error.isEmpty())
            m_error = qt_error_string(EBADF);
        return -1;
    }
    // One call: a regular file gives less than asked only at its end.
    ssize_t got;
    do
        got = ::pread(m_fd, data, size_t(bytes), off_t(offset));
    while (got < 0 && errno == EINTR);
    if (got < 0) {
        m_error = qt_error_string(errno);
        return -1;
    }
    return got;
}

QByteArray ReadOnlyFile::ReadAt(qint64 offset, qint64 bytes)
{
    QByteArray out(bytes, Qt::Uninitialized);
    const qint64 got = ReadAt(offset, out.data(), bytes);
    out.resize(std::max<qint64>(got, 0));
    return out;
}

void ReadOnlyFile::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_device = m_inode = 0;
}

} // namespace kiv::files
