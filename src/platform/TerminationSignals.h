#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal in the main thread, so a logout or
// `kill` closes the program the ordinary way and nothing is lost.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void Received(int signalNumber);

private:
    void OnReadable();

    QSocketNotifier *m_notifier = nullptr;
};
