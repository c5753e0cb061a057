// The budget commands of haushaltsbuch-cli on real files: the carry-over over three months with a
// regular expense in each, the warning of "add", bad input refused with nothing written, the
// budget file in backups, restores, automatic backups and merged from a conflict copy.

#include "CliRun.h"

#include "budget/BudgetFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCliBudget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void carryOverOverThreeMonths();
    void carryOverAsTheWindowKeepsIt();
    void badInputWritesNothing_data();
    void badInputWritesNothing();
    void budgetsTravelWithBackups();
    void conflictCopyMerged();

private:
    CliResult Run(const QStringList &args) { return RunCli(*Home, args); }
    QString DataFolder() const { return Home->filePath(u"Documents/Orvo Haushaltsbuch/Daten/"_s); }
    QString BudgetFile() const { return DataFolder() + u"Budgets.dat"_s; }
    QByteArray Bytes(const QString &path) const;
    QString Report(const QString &book);

    std::unique_ptr<QTemporaryDir> Home;
};

void TestCliBudget::init()
{
    Home = MakeCliHome();
    QVERIFY(Home->isValid());
}

QByteArray TestCliBudget::Bytes(const QString &path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString TestCliBudget::Report(const QString &book)
{
    const CliResult r = Run({u"budget-report"_s, book});
    return r.Status == 0 ? r.Out : u"Status %1: %2"_s.arg(r.Status).arg(r.Err);
}

// 300 € with carry-over from January; spent 270, 420 and 20, each with 20 € of a regular
// expense and February's under another letter case: available 300, 330, 210; rest 30, -90, 190.
void TestCliBudget::carryOverOverThreeMonths()
{
    for (const QString &book : {u"Januar 2026"_s, u"Februar 2026"_s, u"März 2026"_s})
        QCOMPARE(Run({u"new"_s, book}).Status, 0);
    QCOMPARE(Run({u"add-regular"_s, u"1"_s, u"20"_s, u"lebensmittel"_s, u"Markt"_s, u"Ausgabe"_s}).Status, 0);
    QCOMPARE(Run({u"add"_s, u"Januar 2026"_s, u"expense"_s, u"03.01.2026"_s, u"250"_s, u"Lebensmittel"_s}).Status, 0);
    const QByteArray january = Bytes(DataFolder() + u"Januar 2026.qel"_s);
    const QByteArray regular = Bytes(DataFolder() + u"Regular.dat"_s);

    CliResult r = Run({u"budget-set"_s, u"Lebensmittel"_s, u"300"_s, u"--ab"_s, u"01.2026"_s, u"--uebertrag"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Das Budget \"Lebensmittel\" gilt ab 01.2026: 300.00 im Monat, mit Übertrag.\n"_s);
    QCOMPARE(Bytes(DataFolder() + u"Januar 2026.qel"_s), january);
    QCOMPARE(Bytes(DataFolder() + u"Regular.dat"_s), regular);

    r = Run({u"add"_s, u"Februar 2026"_s, u"expense"_s, u"03.02.2026"_s, u"400"_s, u"LEBENSMITTEL"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Err, u"Warnung: Das Budget „Lebensmittel“ ist um 90.00 € überschritten.\n"_s);
    r = Run({u"add"_s, u"Februar 2026"_s, u"expense"_s, u"04.02.2026"_s, u"5"_s, u"Kino"_s});
    QCOMPARE(r.Err, QString());
    QCOMPARE(Run({u"analysis"_s, u"Februar 2026"_s}).Out.contains(u"Ausgaben nach Kategorien\tLEBENSMITTEL\t420.00\n"_s),
             true);

    QCOMPARE(Report(u"Januar 2026"_s), u"Lebensmittel\t300.00\t0.00\t300.00\t270.00\t30.00\n"_s);
    QCOMPARE(Report(u"Februar 2026"_s), u"Lebensmittel\t300.00\t30.00\t330.00\t420.00\t-90.00\n"_s);
    QCOMPARE(Report(u"März 2026"_s), u"Lebensmittel\t300.00\t-90.00\t210.00\t20.00\t190.00\n"_s);

    // A new amount from March leaves January and February as they were.
    QCOMPARE(Run({u"budget-set"_s, u"lebensmittel"_s, u"200"_s, u"--uebertrag"_s, u"--ab"_s, u"3.2026"_s}).Status, 0);
    QCOMPARE(Report(u"Februar 2026"_s), u"Lebensmittel\t300.00\t30.00\t330.00\t420.00\t-90.00\n"_s);
    QCOMPARE(Report(u"März 2026"_s), u"Lebensmittel\t200.00\t-90.00\t110.00\t20.00\t90.00\n"_s);

    r = Run({u"budget-remove"_s, u"LEBENSMITTEL"_s, u"--ab"_s, u"03.2026"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(Report(u"März 2026"_s), QString());
    QCOMPARE(Run({u"budget"_s}).Out, u"Lebensmittel\t300.00\t01.2026\tja\nLebensmittel\t–\t03.2026\tnein\n"_s);
    QCOMPARE(Run({u"budget-remove"_s, u"Lebensmittel"_s}).Status, 0);
    QCOMPARE(Run({u"budget"_s}).Out, QString());
    r = Run({u"budget-remove"_s, u"Lebensmittel"_s});
    QCOMPARE(r.Status, 1);
    QCOMPARE(r.Err, u"Für die Kategorie \"Lebensmittel\" gibt es kein Budget.\n"_s);
}

// A new budget has its carry-over, as the window ticks it; a new amount keeps the budget's
// carry-over unless told otherwise, and a change of it is said.
void TestCliBudget::carryOverAsTheWindowKeepsIt()
{
    CliResult r = Run({u"budget-set"_s, u"Kino"_s, u"20"_s, u"--ab"_s, u"01.2026"_s});
    QCOMPARE(r.Out, u"Das Budget \"Kino\" gilt ab 01.2026: 20.00 im Monat, mit Übertrag.\n"_s);
    r = Run({u"budget-set"_s, u"Kino"_s, u"25"_s, u"--ab"_s, u"03.2026"_s});
    QCOMPARE(r.Out, u"Das Budget \"Kino\" gilt ab 03.2026: 25.00 im Monat, mit Übertrag.\n"_s);
    r = Run({u"budget-set"_s, u"Kino"_s, u"25"_s, u"--ab"_s, u"03.2026"_s, u"--ohne-uebertrag"_s});
    QCOMPARE(r.Out, u"Das Budget \"Kino\" gilt ab 03.2026: 25.00 im Monat, ohne Übertrag.\n"
                    u"Der Übertrag ist jetzt ausgeschaltet; bisher war er an.\n"_s);
    r = Run({u"budget-set"_s, u"Kino"_s, u"30"_s, u"--ab"_s, u"04.2026"_s});
    QCOMPARE(r.Out, u"Das Budget \"Kino\" gilt ab 04.2026: 30.00 im Monat, ohne Übertrag.\n"_s);
    QCOMPARE(Run({u"budget"_s}).Out,
             u"Kino\t20.00\t01.2026\tja\nKino\t25.00\t03.2026\tnein\nKino\t30.00\t04.2026\tnein\n"_s);
    r = Run({u"budget-set"_s, u"Kino"_s, u"30"_s, u"--uebertrag"_s, u"--ohne-uebertrag"_s});
    QCOMPARE(r.Status, 2);
}

void TestCliBudget::badInputWritesNothing_data()
{
    QTest::addColumn<QByteArray>("file"); // Budgets.dat before; empty: none
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");

    const QByteArray none;
    const QByteArray good = "Haushaltsbuch Budgets 1\nKino\t01.2026\t20.00\tnein\n";
    const QByteArray damaged = "Haushaltsbuch Budgets 1\nKino\t01.2026\t-20.00\tnein\n";
    QTest::newRow("negative") << none << QStringList{u"budget-set"_s, u"Kino"_s, u"-5"_s} << 1
                              << u"Ein Budget kann nicht negativ sein: „-5“.\n"_s;
    QTest::newRow("no number") << good << QStringList{u"budget-set"_s, u"Kino"_s, u"zehn"_s} << 1
                               << u"„zehn“ ist kein gültiger Betrag. Erlaubt sind nur Ziffern und ein Punkt oder Komma.\n"_s;
    QTest::newRow("too large") << good << QStringList{u"budget-set"_s, u"Kino"_s, u"1000000000,00"_s} << 1
                               << u"Ein Budget darf höchstens 999.999.999,99 € betragen, nicht „1000000000,00“.\n"_s;
    QTest::newRow("empty amount") << none << QStringList{u"budget-set"_s, u"Kino"_s, QString()} << 1
                                  << u"Bitte geben Sie einen Betrag für das Budget an.\n"_s;
    QTest::newRow("empty category") << none << QStringList{u"budget-set"_s, QString(), u"5"_s} << 1
                                    << u"Bitte geben Sie eine Kategorie an.\n"_s;
    QTest::newRow("bad month") << good << QStringList{u"budget-set"_s, u"Kino"_s, u"5"_s, u"--ab"_s, u"13.2026"_s} << 1
                               << u"\"13.2026\" ist kein gültiger Monat. Erwartet wird MM.JJJJ, z. B. \"01.2026\".\n"_s;
    const QString damagedMessage = u"Die Budgetdatei „%1“ ist beschädigt und bleibt unverändert. Zeile 2: Der Betrag ist ungültig.\n"_s;
    QTest::newRow("damaged file, set") << damaged << QStringList{u"budget-set"_s, u"Kino"_s, u"5"_s} << 1 << damagedMessage;
    QTest::newRow("damaged file, remove") << damaged << QStringList{u"budget-remove"_s, u"Kino"_s} << 1 << damagedMessage;
    QTest::newRow("damaged file, list") << damaged << QStringList{u"budget"_s} << 1 << damagedMessage;
}

void TestCliBudget::badInputWritesNothing()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, err);
    QVERIFY(QDir().mkpath(DataFolder()));
    if (!file.isEmpty()) {
        QFile out(BudgetFile());
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(file);
    }
    const CliResult r = Run(args);
    QCOMPARE(r.Status, status);
    QCOMPARE(r.Err, err.contains(u"%1"_s) ? err.arg(BudgetFile()) : err);
    QCOMPARE(Bytes(BudgetFile()), file);
    QCOMPARE(QFileInfo::exists(BudgetFile()), !file.isEmpty());
    if (!file.isEmpty())
        QCOMPARE(Run({u"verify"_s}).Status, file.contains("-20.00") ? 1 : 0);
    // No automatic backup either: nothing changed.
    QCOMPARE(QDir(Home->filePath(u".config/Orvo Haushaltsbuch/Sicherungen/automatisch"_s)).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
             QStringList());
}

void TestCliBudget::budgetsTravelWithBackups()
{
    QCOMPARE(Run({u"new"_s, u"Januar 2026"_s}).Status, 0);
    QCOMPARE(Run({u"budget-set"_s, u"Kino"_s, u"20"_s, u"--ab"_s, u"01.2026"_s}).Status, 0);
    const QByteArray saved = Bytes(BudgetFile());
    const QString folder = Home->filePath(u"Sicherung"_s);
    for (const QStringList &selection : {QStringList{u"--books-only"_s}, QStringList{u"--regular-only"_s}, QStringList{}}) {
        QFile::remove(folder + u"/Budgets.dat"_s);
        QCOMPARE(Run(QStringList{u"backup"_s} + selection + QStringList{folder}).Status, 0);
        QCOMPARE(Bytes(folder + u"/Budgets.dat"_s), saved);
    }

    QCOMPARE(Run({u"budget-set"_s, u"Kino"_s, u"99"_s, u"--ab"_s, u"01.2026"_s}).Status, 0);
    QVERIFY(Bytes(BudgetFile()) != saved);
    const QByteArray changed = Bytes(BudgetFile());
    QCOMPARE(Run({u"restore"_s, folder}).Status, 0);
    QCOMPARE(Bytes(BudgetFile()), saved);

    // The automatic backup before the restore kept the budgets as they were then.
    const QString automatic = Home->filePath(u".config/Orvo Haushaltsbuch/Sicherungen/automatisch/"_s);
    bool kept = false;
    for (const QString &copy : QDir(automatic).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        kept = kept || Bytes(automatic + copy + u"/Budgets.dat"_s) == changed;
    QVERIFY(kept);

    // Budgets.dat follows the change logs: removed by hand it comes back; the budgets removed,
    // a backup takes along that there are none.
    QVERIFY(QFile::remove(BudgetFile()));
    QCOMPARE(Run({u"backup"_s, folder}).Status, 0);
    QCOMPARE(Bytes(folder + u"/Budgets.dat"_s), saved);
    QCOMPARE(Run({u"budget-remove"_s, u"Kino"_s}).Status, 0);
    QCOMPARE(Run({u"backup"_s, folder}).Status, 0);
    QCOMPARE(BudgetList::Parse(Bytes(folder + u"/Budgets.dat"_s)).Entries().size(), 0);
}

void TestCliBudget::conflictCopyMerged()
{
    QCOMPARE(Run({u"budget-set"_s, u"Kino"_s, u"20"_s, u"--ab"_s, u"01.2026"_s, u"--ohne-uebertrag"_s}).Status, 0);
    const QString copy = DataFolder() + u"Budgets.sync-conflict-20260308-101500-ABCDEF7.dat"_s;
    QFile out(copy);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("Haushaltsbuch Budgets 1\nKino\t01.2026\t20.00\tnein\nAuto\t02.2026\t150.00\tja\n");
    out.close();

    CliResult r = Run({u"merge"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Budgets.dat\tBudgets.sync-conflict-20260308-101500-ABCDEF7.dat\t1\t0\t0\n"_s);
    QVERIFY2(r.Err.startsWith(u"Hinweis: Budgets: aus der Konfliktkopie „Budgets.sync-conflict-20260308-101500-ABCDEF7.dat“ "
                              u"1 Budgetangabe übernommen."_s),
             qPrintable(r.Err));
    QVERIFY(!QFileInfo::exists(copy));
    QCOMPARE(Run({u"budget"_s}).Out, u"Kino\t20.00\t01.2026\tnein\nAuto\t150.00\t02.2026\tja\n"_s);

    // Any command takes a copy in before it reads: the next one arrives and is named.
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("Haushaltsbuch Budgets 1\nKino\t01.2026\t20.00\tnein\nAuto\t02.2026\t150.00\tja\nBus\t03.2026\t40.00\tnein\n");
    out.close();
    r = Run({u"budget"_s});
    QVERIFY2(r.Err.contains(u"aus der Konfliktkopie „Budgets.sync-conflict-20260308-101500-ABCDEF7.dat“ 1 "
                            u"Budgetangabe übernommen"_s),
             qPrintable(r.Err));
    QCOMPARE(r.Out.count(u'\n'), 3);
}

QTEST_GUILESS_MAIN(TestCliBudget)
#include "tst_clibudget.moc"
