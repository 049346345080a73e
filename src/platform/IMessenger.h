#pragma once

#include <QByteArray>
#include <QString>

// One now-playing status for the instant messenger: the 256-byte copy-data payload as
// the messenger's window receives it, and the flag and text as they arrive there (the
// text is empty when the whole status did not fit the payload).
struct MessengerStatus
{
    QByteArray payload;
    QString flag;
    QString text;
};

// Builds the status for `text` and `flag` ("1" shows the text, "0" clears the status).
// The status text "Wimamp\0Games\0" + flag + "\0" + text + "\0" (each "\0" the two
// characters backslash and zero) passes through code page 932 and goes into the payload
// as UTF-16 LE with a terminating zero; a status of more than 127 characters is not cut
// but leaves the payload all zeros.
MessengerStatus BuildMessengerStatus(const QString &text, const QString &flag);

// Where a status goes. With no messenger running, delivering does nothing.
class IMessenger
{
public:
    virtual ~IMessenger() = default;
    virtual void Deliver(const MessengerStatus &status) = 0;
};
