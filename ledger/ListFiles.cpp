#include "ledger/ListFiles.h"

#include "ledger/BookingList.h"
#include "ledger/ComponentStream.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace ListFiles {

QString IncomeObjectName() { return QStringLiteral("ListViewIncome"); }
QString ExpendObjectName() { return QStringLiteral("ListViewExpend"); }
QString RegularObjectName() { return QStringLiteral("ListViewRegular"); }

QByteArray MonthBookBytes(const BookingList &income, const BookingList &expend)
{
    QByteArray bytes;
    ComponentStream::WriteListRecord(bytes, income, IncomeObjectName(), 0);
    ComponentStream::WriteListRecord(bytes, expend, ExpendObjectName(), 0);
    return bytes;
}

QByteArray RegularBytes(const BookingList &regular)
{
    QByteArray bytes;
    ComponentStream::WriteListRecord(bytes, regular, RegularObjectName(), 1);
    return bytes;
}

void ParseMonthBook(QByteArrayView data, BookingList &income, BookingList &expend)
{
    const qsizetype next = ComponentStream::ReadListRecord(data, 0, income);
    ComponentStream::ReadListRecord(data, next, expend);
}

void ParseRegular(QByteArrayView data, BookingList &regular)
{
    ComponentStream::ReadListRecord(data, 0, regular);
}

QString SystemReason(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return QStringLiteral("Das System kann die angegebene Datei nicht finden.");
    case ENOTDIR:
        return QStringLiteral("Das System kann den angegebenen Pfad nicht finden.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Zugriff verweigert.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case ENOSPC:
        return QStringLiteral("Auf dem Datenträger ist nicht genügend Speicherplatz vorhanden.");
    case EDQUOT:
        return QStringLiteral("Das Speicherkontingent ist erschöpft.");
    case EISDIR:
        return QStringLiteral("Der Name bezeichnet ein Verzeichnis.");
    case ENAMETOOLONG:
        return QStringLiteral("Der Dateiname ist zu lang.");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Es sind zu viele Dateien geöffnet.");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler des Datenträgers.");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("Die Datei wird von einem anderen Prozess verwendet.");
    default:
        return QString::fromLocal8Bit(std::strerror(errorNumber));
    }
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        const int reason = errno ? errno : EACCES;
        throw QelError(QStringLiteral("Datei %1 kann nicht geöffnet werden. %2")
                           .arg(QDir::toNativeSeparators(path), SystemReason(reason)));
    }
    errno = 0;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw QelError(QStringLiteral("Stream-Lesefehler"));
    return bytes;
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        const int reason = errno ? errno : EACCES;
        throw QelError(QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2")
                           .arg(QDir::toNativeSeparators(path), SystemReason(reason)));
    }
    // Without a successful commit the temporary file is discarded and the old file stays.
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw QelError(QStringLiteral("Stream-Schreibfehler"));
}

} // namespace ListFiles
