#pragma once

#include <QByteArray>
#include <QString>

// This computer as the change logs name it: an id made once at random and kept in the program
// data folder ("Rechner.txt"), with the host name shown beside it. A program folder copied to
// another computer (another /etc/machine-id) gets an id of its own there, so that two computers
// never append to one log.
struct ComputerId
{
    QByteArray Id; // 16 characters 0-9 a-f
    QString Host;

    // Throws QelError when the file can neither be read nor made.
    static ComputerId LoadOrCreate(const QString &programDataFolder);
    // The host name as messages show it (QEL_TEST_HOSTNAME stands in for it in tests that play
    // a second computer).
    static QString HostName();
};
