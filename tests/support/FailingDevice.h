#pragma once

#include <QIODevice>

// A device that accepts `capacity` bytes and then fails every write, like a full disk.
class FailingDevice final : public QIODevice
{
public:
    explicit FailingDevice(qint64 capacity) : m_capacity(capacity) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        const qint64 room = m_capacity - written.size();
        if (room <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        const qint64 n = std::min(room, size);
        written.append(data, n);
        return n;
    }

private:
    qint64 m_capacity;
};
