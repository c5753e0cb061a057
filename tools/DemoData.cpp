// qel-demo-data: fills a data folder with generated month books and regular bookings.

#include "tools/DemoDataGenerator.h"

#include "ledger/QelError.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <limits>
#include <optional>

namespace {

constexpr int ExitUsage = 2;

void Print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

QString UsageText()
{
    return QStringLiteral("Aufruf: qel-demo-data [--books N] [--rows R] [--regular K] [--seed S] [--force] "
                          "DATENVERZEICHNIS\n"
                          "  --books N    Anzahl der Haushaltsbücher ab Januar 2008 (Vorgabe 240)\n"
                          "  --rows R     Buchungen je Haushaltsbuch, Einnahmen und Ausgaben (Vorgabe 100)\n"
                          "  --regular K  regelmäßige Buchungen in Regular.dat (Vorgabe 50)\n"
                          "  --seed S     Startwert des Zufallsgenerators (Vorgabe 1)\n"
                          "  --force      auch in ein Verzeichnis schreiben, das schon Haushaltsbücher oder\n"
                          "               eine Regular.dat enthält; Dateien gleichen Namens werden ersetzt\n");
}

int UsageError(const QString &message)
{
    Print(stderr, QStringLiteral("qel-demo-data: ") + message + u'\n' + UsageText());
    return ExitUsage;
}

std::optional<qint64> ParseNumber(const QString &text, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

QString BooksText(int books)
{
    return books == 1 ? QStringLiteral("1 Haushaltsbuch") : QStringLiteral("%1 Haushaltsbücher").arg(books);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));

    DemoData::Options options;
    QString folder;
    // Book names need a four-digit year: at most 7992 years after 2008.
    const qint64 maxBooks = (9999 - options.FirstMonth.year() + 1) * 12;
    const qint64 maxRows = 1'000'000;

    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args.at(i);
        if (arg == u"-h" || arg == u"--help") {
            Print(stdout, UsageText());
            return 0;
        }
        if (arg == u"--force") {
            options.Force = true;
            continue;
        }
        if (!arg.startsWith(u"--")) {
            if (!folder.isEmpty())
                return UsageError(QStringLiteral("Nur ein Datenverzeichnis ist erlaubt."));
            folder = arg;
            continue;
        }
        QString value;
        const qsizetype eq = arg.indexOf(u'=');
        if (eq >= 0) {
            value = arg.mid(eq + 1);
            arg.truncate(eq);
        } else if (i + 1 < args.size()) {
            value = args.at(++i);
        } else {
            return UsageError(QStringLiteral("Zu %1 fehlt der Wert.").arg(arg));
        }

        int *target = nullptr;
        qint64 high = maxRows;
        if (arg == u"--books") {
            target = &options.Books;
            high = maxBooks;
        } else if (arg == u"--rows") {
            target = &options.Rows;
        } else if (arg == u"--regular") {
            target = &options.Regular;
        } else if (arg == u"--seed") {
            const auto seed = ParseNumber(value, 0, std::numeric_limits<quint32>::max());
            if (!seed)
                return UsageError(QStringLiteral("Ungültiger Startwert \"%1\".").arg(value));
            options.Seed = static_cast<quint32>(*seed);
            continue;
        } else {
            return UsageError(QStringLiteral("Unbekannte Option %1.").arg(arg));
        }
        const auto number = ParseNumber(value, 0, high);
        if (!number)
            return UsageError(QStringLiteral("Ungültiger Wert \"%1\" zu %2 (0 bis %3).").arg(value, arg).arg(high));
        *target = static_cast<int>(*number);
    }
    if (folder.isEmpty())
        return UsageError(QStringLiteral("Das Datenverzeichnis fehlt."));

    try {
        DemoData::Write(folder, options);
    } catch (const QelError &error) {
        Print(stderr, QStringLiteral("qel-demo-data: ") + error.Message() + u'\n');
        return 1;
    }

    Print(stdout, QStringLiteral("%1 mit je %2 Buchungen und %3 regelmäßige Buchungen in %4 geschrieben.\n")
                      .arg(BooksText(options.Books), QString::number(options.Rows),
                           QString::number(options.Regular), QDir::toNativeSeparators(folder)));
    return 0;
}
