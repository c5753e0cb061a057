// Real and bank-layout statements under tests/data/statements, each read row for row
// against the .expected file beside it (see SOURCES.md there for where each comes from).

#include "statements/CsvLayoutGuess.h"
#include "statements/Statement.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString Amount(const StatementRow &row)
{
    return u"%1%2.%3"_s.arg(QChar(row.Credit ? u'+' : u'-'))
        .arg(row.AmountCents / 100)
        .arg(row.AmountCents % 100, 2, 10, QLatin1Char('0'));
}

// One line per row: booking date, value date, signed amount, currency, P(ending) and
// R(eversal), counterparty, purpose, the remittance text as the bank sent it; then each line
// of a table file that gave no row, with its reason.
QStringList Lines(const Statement &statement, const QString &columns)
{
    static const char *const reasons[] = {"Kontodaten", "Kopfzeile", "leer", "Saldo", "Text", "unlesbar"};
    QStringList lines{u"format\t"_s + statement.Format, u"account\t"_s + statement.Account};
    if (!columns.isEmpty())
        lines << u"columns\t"_s + columns;
    for (const StatementRow &row : statement.Rows) {
        QString flags = QString(row.Pending ? u"P"_s : QString()) + (row.Reversal ? u"R"_s : QString());
        lines << QStringList{row.BookingDate.toString(Qt::ISODate), row.ValueDate.toString(Qt::ISODate),
                             Amount(row), row.Currency, flags.isEmpty() ? u"-"_s : flags, row.Counterparty,
                             row.Purpose, row.Remittance}
                     .join(u'\t');
    }
    for (const SkippedLine &line : statement.Skipped) {
        lines << u"line %1\t%2\t%3"_s.arg(line.Line).arg(QString::fromLatin1(reasons[int(line.Reason)]), line.Why);
    }
    return lines;
}

// A table of a layout no bank profile knows is read as the command line reads it: with the
// guess when it is sure.
Statement ReadAsGuessed(const QString &file, QString &columns)
{
    StatementReadResult result = ReadStatementFile(file);
    if (const auto *layout = std::get_if<UnknownCsvLayout>(&result)) {
        const CsvLayoutGuess guess = GuessCsvLayout(*layout);
        if (!guess.Unambiguous)
            throw QelError(guess.Doubt);
        columns = CsvColumnChoiceText(guess.Choice);
        result = ReadStatementFile(file, [&guess](const QString &) { return std::optional(guess.Choice); });
    }
    return std::get<Statement>(result);
}

} // namespace

class TestStatementFixtures : public QObject
{
    Q_OBJECT

private slots:
    void readsRowForRow_data();
    void readsRowForRow();
    void everyStatementSeedsItsFuzzTarget_data();
    void everyStatementSeedsItsFuzzTarget();
};

void TestStatementFixtures::readsRowForRow_data()
{
    QTest::addColumn<QString>("file");
    const QDir dir(QStringLiteral(QEL_STATEMENTS_DIR));
    const QStringList expected = dir.entryList({u"*.expected"_s}, QDir::Files, QDir::Name);
    QVERIFY(expected.size() >= 20);
    for (const QString &name : expected) {
        const QString file = dir.filePath(name.chopped(9));
        QTest::newRow(qPrintable(name.chopped(9))) << file;
    }
}

void TestStatementFixtures::readsRowForRow()
{
    QFETCH(QString, file);
    QFile expectedFile(file + u".expected"_s);
    QVERIFY(expectedFile.open(QIODevice::ReadOnly));
    const QStringList expected = QString::fromUtf8(expectedFile.readAll()).split(u'\n', Qt::SkipEmptyParts);

    QStringList actual;
    try {
        QString columns;
        const Statement statement = ReadAsGuessed(file, columns);
        actual = Lines(statement, columns);
    } catch (const QelError &error) {
        QFAIL(qPrintable(error.Message()));
    }
    if (qEnvironmentVariableIsSet("QEL_WRITE_EXPECTED")) { // to start an expectation, then checked by hand
        QFile out(file + u".expected"_s);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write((actual.join(u'\n') + u'\n').toUtf8());
        return;
    }
    for (qsizetype i = 0; i < std::min(actual.size(), expected.size()); ++i)
        QCOMPARE(actual[i], expected[i]);
    QCOMPARE(actual.size(), expected.size());
}

void TestStatementFixtures::everyStatementSeedsItsFuzzTarget_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("seeds");
    const QDir dir(QStringLiteral(QEL_STATEMENTS_DIR));
    for (const QString &name : dir.entryList({u"*.expected"_s}, QDir::Files, QDir::Name)) {
        const QString statement = name.chopped(9);
        const QString target = statement.endsWith(u".xml"_s)   ? u"fuzz_statement_camt"_s
                               : statement.endsWith(u".csv"_s) ? u"fuzz_statement_csv"_s
                                                               : u"fuzz_statement_mt940"_s;
        QTest::newRow(qPrintable(statement)) << dir.filePath(statement)
                                             << QStringLiteral(QEL_FUZZ_SEEDS_DIR) + u'/' + target;
    }
}

// The fuzz targets start from the real statements; a statement added here without its seed
// would leave its format's oddities unfuzzed.
void TestStatementFixtures::everyStatementSeedsItsFuzzTarget()
{
    QFETCH(QString, file);
    QFETCH(QString, seeds);
    QFile statement(file);
    QFile seed(QDir(seeds).filePath(QFileInfo(file).fileName()));
    QVERIFY2(seed.open(QIODevice::ReadOnly), qPrintable(seed.fileName()));
    QVERIFY(statement.open(QIODevice::ReadOnly));
    QVERIFY(seed.readAll() == statement.readAll());
}

QTEST_GUILESS_MAIN(TestStatementFixtures)
#include "tst_statementfixtures.moc"
