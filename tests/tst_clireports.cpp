// haushaltsbuch-cli year and search: the year agrees to the cent with the analyses of its
// books, on generated data and on a year made by hand; the search prints its hits.

#include "CliRun.h"

#include "tools/DemoDataGenerator.h"

#include "analysis/YearSums.h"
#include "books/BookCache.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/Regional.h"
#include "output/ExportEXCEL.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace Qt::StringLiterals;

namespace {

using Result = CliResult;

qint64 Cents(const QString &amount)
{
    bool ok = false;
    const double value = amount.toDouble(&ok);
    if (!ok)
        qFatal("not an amount: %s", qPrintable(amount));
    return qRound64(value * 100);
}

// Category sums of one month by group: key -> cents.
using Groups = std::map<QString, qint64>;

} // namespace

class TestCliReports : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void yearAgreesOnGeneratedData();
    void yearAgreesOnAHandMadeYear();
    void wrongYear_data();
    void wrongYear();
    void searchPrintsItsHits();

private:
    Result Run(const QStringList &args);
    void CompareWithAnalyses(int year);
    QString DataFolder() const { return Home->filePath(u"Documents/Orvo Haushaltsbuch/Daten/"_s); }

    std::unique_ptr<QTemporaryDir> Home;
};

void TestCliReports::init()
{
    Home = MakeCliHome();
    QVERIFY(Home->isValid());
}

Result TestCliReports::Run(const QStringList &args)
{
    return RunCli(*Home, args);
}

// Every month line, the sum and every category of "year" against "analysis" of each book of
// the year; categories compared by group, as the year merges them over the months.
void TestCliReports::CompareWithAnalyses(int year)
{
    const Result overview = Run({u"year"_s, QString::number(year)});
    QCOMPARE(overview.Status, 0);
    QCOMPARE(overview.Err, QString());
    const QStringList lines = overview.Out.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(lines.size() >= 16);
    std::map<QString, std::map<QString, Groups>> yearGroups; // section -> month -> groups
    QString section;
    for (const QString &line : lines.mid(14)) {
        const QStringList f = line.split(u'\t');
        if (f.size() == 1)
            section = f.front();
        else
            yearGroups[section][f.at(1)][GroupNameKey(f.at(0))] += Cents(f.at(2));
    }

    qint64 sums[3] = {};
    for (int m = 0; m < 12; ++m) {
        const QString month = MonthNames().at(m);
        const QStringList fields = lines.at(m).split(u'\t');
        QCOMPARE(fields.at(0), month);
        const Result analysis = Run({u"analysis"_s, month + u' ' + QString::number(year)});
        if (analysis.Status != 0) {
            QCOMPARE(fields.mid(1), (QStringList{u"–"_s, u"–"_s, u"–"_s}));
            continue;
        }
        std::map<QString, Groups> monthGroups;
        for (const QString &line : analysis.Out.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList a = line.split(u'\t');
            if (a.at(0) == u"Gesamt"_s) {
                const int column = a.at(1) == u"Einnahmen"_s ? 0 : a.at(1) == u"Ausgaben"_s ? 1 : 2;
                QCOMPARE(fields.at(column + 1), a.at(2));
                sums[column] += Cents(a.at(2));
            } else if (a.at(0).endsWith(u"nach Kategorien"_s)) {
                monthGroups[a.at(0)][GroupNameKey(a.at(1))] += Cents(a.at(2));
            }
        }
        for (const QString &side : {u"Einnahmen nach Kategorien"_s, u"Ausgaben nach Kategorien"_s})
            QCOMPARE(yearGroups[side][month], monthGroups[side]);
    }
    const QStringList total = lines.at(12).split(u'\t');
    QCOMPARE(total.at(0), u"Summe"_s);
    for (int c = 0; c < 3; ++c)
        QCOMPARE(Cents(total.at(c + 1)), sums[c]);
}

void TestCliReports::yearAgreesOnGeneratedData()
{
    DemoData::Options options; // 240 books from January 2008
    DemoData::Write(DataFolder(), options);
    CompareWithAnalyses(2008);
    CompareWithAnalyses(2027);
}

void TestCliReports::yearAgreesOnAHandMadeYear()
{
    const auto run = [this](const QStringList &args) {
        const Result r = Run(args);
        if (r.Status != 0)
            qFatal("%s: %s", qPrintable(args.join(u' ')), qPrintable(r.Err));
    };
    for (const QString &book : {u"Januar 2030"_s, u"März 2030"_s, u"Juli 2030"_s, u"Februar 2031"_s})
        run({u"new"_s, book});
    run({u"add-regular"_s, u"1"_s, u"1000"_s, u"Gehalt"_s, u"Lohn"_s, u"Einnahme"_s});
    run({u"add-regular"_s, u"3"_s, u"500"_s, u"Miete"_s, u"Wohnung"_s, u"Ausgabe"_s});
    run({u"add"_s, u"Januar 2030"_s, u"income"_s, u"02.01.2030"_s, u"100"_s, u"Zinsen"_s});
    run({u"add"_s, u"Januar 2030"_s, u"expense"_s, u"05.01.2030"_s, u"50"_s, u"Straße"_s, u"Maut"_s});
    run({u"add"_s, u"Januar 2030"_s, u"expense"_s, u"06.01.2030"_s, u"0,05"_s, u"STRASSE"_s, u"Maut"_s});
    // One group with the regular rent, under the form January met first.
    run({u"add"_s, u"März 2030"_s, u"expense"_s, u"05.03.2030"_s, u"30,50"_s, u"MIETE"_s, u"Nachzahlung"_s});
    run({u"add"_s, u"Juli 2030"_s, u"expense"_s, u"05.07.2030"_s, u"2000"_s, u"Urlaub"_s});
    CompareWithAnalyses(2030);

    const QStringList lines = Run({u"year"_s, u"2030"_s}).Out.split(u'\n');
    QCOMPARE(lines.at(1), u"Februar\t–\t–\t–"_s);
    QCOMPARE(lines.at(6), u"Juli\t1000.00\t2500.00\t-1500.00"_s);
    QCOMPARE(lines.at(12), u"Summe\t3100.00\t3580.55\t-480.55"_s);
    QCOMPARE(lines.at(13), u"Durchschnitt\t1033.33\t1193.52\t-160.18"_s);
    QVERIFY(lines.contains(u"Straße\tJanuar\t50.05"_s));
    QVERIFY(lines.contains(u"Miete\tMärz\t530.50"_s));

    // The same year as a table, with the window's own bytes; ".xls" added as for the lists.
    const Result exported = Run({u"export-year"_s, u"2030"_s, Home->filePath(u"Jahr"_s)});
    QCOMPARE(exported.Status, 0);
    QVERIFY2(exported.Out.startsWith(u"Die Jahresübersicht 2030 wurde gespeichert: "_s), qPrintable(exported.Out));
    QStringList errors;
    BookCache cache(DataFolder(), Regional());
    const QByteArray table =
        XlsTableBytes(YearTable(YearFromCache(cache, 2030, cache.Regular().Rows, {}, errors)), XlsCells::AmountsAsNumbers);
    QCOMPARE(ListFiles::ReadFile(Home->filePath(u"Jahr.xls"_s)), table);
}

void TestCliReports::wrongYear_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");

    QTest::newRow("two digits") << QStringList{u"year"_s, u"08"_s} << 1 << u"\"08\" ist kein gültiges Jahr."_s;
    QTest::newRow("no books") << QStringList{u"year"_s, u"1999"_s} << 1
                              << u"Für das Jahr 1999 gibt es kein Haushaltsbuch."_s;
    QTest::newRow("no year") << QStringList{u"year"_s} << 2 << u"Falsche Anzahl von Argumenten für \"year\"."_s;
    QTest::newRow("export of no books") << QStringList{u"export-year"_s, u"1999"_s, u"j.xls"_s} << 1
                                        << u"Für das Jahr 1999 gibt es kein Haushaltsbuch."_s;
    QTest::newRow("empty search") << QStringList{u"search"_s, u" "_s} << 2 << u"Bitte geben Sie einen Suchbegriff an."_s;
}

void TestCliReports::wrongYear()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, error);
    const Result r = Run(args);
    QCOMPARE(r.Status, status);
    QVERIFY2(r.Err.startsWith(error), qPrintable(r.Err));
    QCOMPARE(r.Out, QString());
}

void TestCliReports::searchPrintsItsHits()
{
    QCOMPARE(Run({u"new"_s, u"Mai 2008"_s}).Status, 0);
    QCOMPARE(Run({u"new"_s, u"Juni 2008"_s}).Status, 0);
    QCOMPARE(Run({u"add"_s, u"Mai 2008"_s, u"expense"_s, u"03.05.2008"_s, u"12,5"_s, u"Auto "_s, u"tanken"_s}).Status, 0);
    QCOMPARE(Run({u"add"_s, u"Juni 2008"_s, u"expense"_s, u"04.06.2008"_s, u"40"_s, u"Auto "_s, u"Tanken"_s}).Status, 0);
    QCOMPARE(Run({u"add-regular"_s, u"7"_s, u"12.50"_s, u"Sport"_s, u"Verein"_s, u"Ausgabe"_s}).Status, 0);

    Result r = Run({u"search"_s, u"TANKEN"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Juni 2008\tAusgabe\t04.06.2008\t40.00\tAuto \tTanken\n"
                    u"Mai 2008\tAusgabe\t03.05.2008\t12.5\tAuto \tTanken\n"_s);
    r = Run({u"search"_s, u"12,50"_s});
    QCOMPARE(r.Out, u"Regelmäßige Buchungen\tAusgabe\t07.\t12.50\tSport\tVerein\n"
                    u"Mai 2008\tAusgabe\t03.05.2008\t12.5\tAuto \tTanken\n"_s);
    // Words unquoted are one search; the euro sign belongs to the amount before it.
    r = Run({u"search"_s, u"tanken"_s, u"12,50"_s, u"€"_s});
    QCOMPARE(r.Out, u"Mai 2008\tAusgabe\t03.05.2008\t12.5\tAuto \tTanken\n"_s);
    r = Run({u"search"_s, u"Urlaub"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, QString());
}

QTEST_GUILESS_MAIN(TestCliReports)
#include "tst_clireports.moc"
