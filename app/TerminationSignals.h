#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGHUP and SIGINT, as a logout, a shutdown or `systemctl --user stop` send them,
// turned into a signal of the event loop: the handler only writes a byte into a pipe, the
// loop reads it and emits Received, so the program can end cleanly instead of dying with its
// work half done. One object per program run.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    static QString Describe(int signalNumber); // "SIGTERM erhalten"

signals:
    void Received(int signalNumber);

private:
    void ReadPipe();

    QSocketNotifier *Notifier_ = nullptr;
};
