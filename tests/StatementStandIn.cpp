// Stands in for the bank readers while they are not part of the build (see
// import/matching.cmake): reads camt.053 entries and semicolon CSV files with a column
// choice, enough for the import's own tests and for trying the window. It is never built
// together with the real readers.

#include "import/Statement.h"
#include "ledger/QelError.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

namespace {

[[noreturn]] void Unreadable(const QString &fileName, const QString &why)
{
    throw QelError(QStringLiteral("Die Datei \"%1\" kann nicht als Kontoauszug gelesen werden: %2").arg(fileName, why));
}

qint64 Cents(QString text, bool *ok)
{
    text = text.trimmed();
    const bool negative = text.startsWith(u'-');
    if (negative)
        text.remove(0, 1);
    if (text.contains(u','))
        text = text.remove(u'.').replace(u',', u'.');
    const double value = text.toDouble(ok);
    return negative ? -qint64(value * 100.0 + 0.5) : qint64(value * 100.0 + 0.5);
}

Statement ReadCamt(QByteArrayView bytes, const QString &fileName)
{
    Statement statement;
    statement.Format = QStringLiteral("CAMT.053");
    QXmlStreamReader xml(bytes.toByteArray());
    QStringList path;
    StatementRow row;
    bool inEntry = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            path.append(xml.name().toString());
            if (xml.name() == u"Ntry") {
                row = StatementRow{};
                row.Currency = QStringLiteral("EUR");
                row.Line = int(xml.lineNumber());
                inEntry = true;
            } else if (inEntry && xml.name() == u"Amt" && path.size() >= 2 && path.at(path.size() - 2) == u"Ntry") {
                row.Currency = xml.attributes().value(QStringLiteral("Ccy")).toString();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == u"Ntry") {
                statement.Rows.append(row);
                inEntry = false;
            }
            path.removeLast();
        } else if (token == QXmlStreamReader::Characters && !xml.isWhitespace()) {
            const QString text = xml.text().toString().trimmed();
            const QString joined = path.join(u'/');
            if (!inEntry) {
                if (joined.endsWith(u"Stmt/Acct/Id/IBAN"))
                    statement.Account = text;
                continue;
            }
            const QString &leaf = path.back();
            const QString parent = path.size() >= 2 ? path.at(path.size() - 2) : QString();
            bool ok = true;
            if (leaf == u"Amt" && parent == u"Ntry")
                row.AmountCents = Cents(text, &ok);
            else if (leaf == u"CdtDbtInd" && parent == u"Ntry")
                row.Credit = text == u"CRDT";
            else if (leaf == u"RvslInd")
                row.Reversal = text == u"true";
            else if (joined.endsWith(u"Ntry/Sts") || joined.endsWith(u"Ntry/Sts/Cd"))
                row.Pending = text == u"PDNG";
            else if (joined.endsWith(u"BookgDt/Dt"))
                row.BookingDate = QDate::fromString(text, u"yyyy-MM-dd");
            else if (joined.endsWith(u"ValDt/Dt"))
                row.ValueDate = QDate::fromString(text, u"yyyy-MM-dd");
            else if (leaf == u"AcctSvcrRef" && parent == u"Ntry")
                row.Reference = text;
            else if (leaf == u"EndToEndId" && text != u"NOTPROVIDED")
                row.EndToEndId = text;
            else if (leaf == u"Ustrd")
                row.Purpose = row.Purpose.isEmpty() ? text : row.Purpose + u' ' + text;
            else if (leaf == u"AddtlNtryInf")
                row.BookingText = text;
            else if (leaf == u"Nm" && (joined.contains(u"RltdPties/Dbtr") == row.Credit)
                     && (joined.contains(u"RltdPties/Dbtr") || joined.contains(u"RltdPties/Cdtr")))
                row.Counterparty = text;
            else if (leaf == u"IBAN" && joined.contains(row.Credit ? u"RltdPties/DbtrAcct" : u"RltdPties/CdtrAcct"))
                row.CounterpartyAccount = text;
            if (!ok || row.AmountCents < 0)
                Unreadable(fileName, QStringLiteral("Zeile %1: ungültiger Betrag").arg(xml.lineNumber()));
        }
    }
    if (xml.hasError())
        Unreadable(fileName, QStringLiteral("Zeile %1: %2").arg(xml.lineNumber()).arg(xml.errorString()));
    for (const StatementRow &r : std::as_const(statement.Rows)) {
        if (!r.BookingDate.isValid())
            Unreadable(fileName, QStringLiteral("Zeile %1: ungültiges Datum").arg(r.Line));
    }
    return statement;
}

StatementReadResult ReadCsv(QByteArrayView bytes, const QString &fileName, const CsvChoiceLookup &choices)
{
    QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    for (QString &line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    if (lines.isEmpty())
        Unreadable(fileName, QStringLiteral("die Datei ist leer"));
    const auto fields = [](const QString &line) {
        QStringList f = line.split(u';');
        for (QString &x : f)
            x = x.trimmed().remove(u'"');
        return f;
    };
    const QStringList header = fields(lines.front());
    const QString key = header.join(u';');
    const std::optional<CsvColumnChoice> choice = choices ? choices(key) : std::nullopt;
    if (!choice) {
        UnknownCsvLayout layout{key, header, {}};
        for (qsizetype i = 1; i < lines.size() && i <= 5; ++i)
            layout.Sample.append(fields(lines.at(i)));
        return layout;
    }
    Statement statement;
    statement.Format = QStringLiteral("CSV");
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList f = fields(lines.at(i));
        StatementRow row;
        row.Line = int(i + 1);
        row.Currency = QStringLiteral("EUR");
        row.BookingDate = QDate::fromString(f.value(choice->Date), u"dd.MM.yyyy");
        bool ok = true;
        qint64 cents = 0;
        if (choice->Amount >= 0) {
            cents = Cents(f.value(choice->Amount), &ok);
        } else {
            const QString debit = f.value(choice->Debit);
            const QString credit = f.value(choice->Credit);
            cents = !credit.isEmpty() ? Cents(credit, &ok) : -std::abs(Cents(debit, &ok));
        }
        if (!ok || !row.BookingDate.isValid())
            Unreadable(fileName, QStringLiteral("Zeile %1 ist ungültig").arg(i + 1));
        row.Credit = cents > 0;
        row.AmountCents = std::abs(cents);
        row.Counterparty = f.value(choice->Counterparty);
        row.Purpose = f.value(choice->Purpose);
        statement.Rows.append(row);
    }
    return statement;
}

} // namespace

StatementReadResult ReadStatement(QByteArrayView bytes, const QString &fileName, const CsvChoiceLookup &choices)
{
    const QByteArray start = bytes.first(std::min<qsizetype>(bytes.size(), 512)).toByteArray();
    if (start.contains("<Document") && start.contains("camt.05"))
        return ReadCamt(bytes, fileName);
    if (!start.isEmpty() && start.contains(';') && !start.contains('\0'))
        return ReadCsv(bytes, fileName, choices);
    Unreadable(fileName, QStringLiteral("das Format ist unbekannt"));
}

StatementReadResult ReadStatementFile(const QString &path, const CsvChoiceLookup &choices)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Unreadable(QFileInfo(path).fileName(), file.errorString());
    return ReadStatement(file.readAll(), QFileInfo(path).fileName(), choices);
}
