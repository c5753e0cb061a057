#include "CliRun.h"
#include "ImportTestStatements.h"
#include "TestZip.h"

#include "import/ImportStore.h"
#include "ledger/DataLock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

using Result = CliResult;

const QList<TestEntry> March{
    {{2026, 3, 1}, u"800.00"_s, false, u"Hausverwaltung Ost"_s, u"Miete März"_s, u"R1"_s},
    {{2026, 3, 5}, u"42.90"_s, false, u"REWE Markt GmbH"_s, u"Einkauf"_s, u"R2"_s},
    {{2026, 3, 6}, u"9.99"_s, false, u"Shop"_s, u"Bestellung"_s, QString(), true},
    {{2026, 3, 7}, u"20.00"_s, false, u"Hotel"_s, u"Zimmer"_s, u"R4"_s, false, u"USD"_s},
    {{2026, 4, 1}, u"2100.00"_s, true, u"Arbeitgeber AG"_s, u"Gehalt April"_s, u"R5"_s},
};

} // namespace

// Drives the real haushaltsbuch-cli: statements in, rules, and what it refuses.
class TestCliImport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void importBooksTheNewRowsAndSaysWhere();
    void rulesAreKeptInOrder();
    void badInputWritesNothing_data();
    void badInputWritesNothing();
    void csvWithTheColumnsChosenInTheProgram();
    void writingWaitsForTheRunningProgram();
    void importAfterARestoreBooksWhatIsMissing();
    void pipesAreRefusedAtOnce();
    void csvOfAnUnknownLayout();
    void zipOfSeveralStatements();
    void everyLineIsAccountedForAndAFileIsBookedWhole();

private:
    Result Run(const QStringList &args) const { return RunCli(*Home, args); }
    QString DataFolder() const { return Home->filePath(u"Documents/Orvo Haushaltsbuch/Daten/"_s); }
    QString StoreFile() const { return Home->filePath(u".config/Orvo Haushaltsbuch/Kontoimport.sqlite"_s); }
    QString File(const QString &name, const QByteArray &bytes) const;
    QStringList Books() const { return QDir(DataFolder()).entryList({u"*.qel"_s}, QDir::Files, QDir::Name); }

    std::unique_ptr<QTemporaryDir> Home;
};

void TestCliImport::init()
{
    Home = MakeCliHome();
    QVERIFY(Home->isValid());
}

QString TestCliImport::File(const QString &name, const QByteArray &bytes) const
{
    const QString path = Home->filePath(name);
    if (!WriteTestFile(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestCliImport::importBooksTheNewRowsAndSaysWhere()
{
    const QString statement = File(u"märz.xml"_s, CamtStatement(March));
    const QStringList lines{
        u"neu\tMärz 2026\tAusgabe\t01.03.2026\t800.00\tSonstige\tHausverwaltung Ost\tHausverwaltung Ost\tMiete März"_s,
        u"neu\tMärz 2026\tAusgabe\t05.03.2026\t42.90\tSonstige\tREWE Markt GmbH\tREWE Markt GmbH\tEinkauf"_s,
        u"vorgemerkt\tMärz 2026\tAusgabe\t06.03.2026\t9.99\tSonstige\tShop\tShop\tBestellung"_s,
        u"Fremdwährung\tMärz 2026\tAusgabe\t07.03.2026\t20.00 USD\tSonstige\tHotel\tHotel\tZimmer"_s,
        u"neu\tApril 2026\tEinnahme\t01.04.2026\t2100.00\tSonstige\tArbeitgeber AG\tArbeitgeber AG\tGehalt April"_s,
    };
    const Result help = Run({u"import"_s, u"--help"_s});
    QCOMPARE(help.Status, 0);
    QVERIFY2(help.Out.contains(u"  vorgemerkt    von der Bank noch nicht gebucht: wird nie gebucht\n"_s), qPrintable(help.Out));
    Result r = Run({u"import"_s, u"--dry-run"_s, statement});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, lines.join(u'\n') + u'\n');
    QVERIFY(Books().isEmpty());
    QVERIFY(!QFile::exists(StoreFile()));

    r = Run({u"import"_s, statement});
    QCOMPARE(r.Status, 0);
    QVERIFY2(r.Out.endsWith(u"Das Haushaltsbuch „März 2026“ wurde angelegt.\n"
                            u"Das Haushaltsbuch „April 2026“ wurde angelegt.\n"
                            u"„märz.xml“: übernommen wurden 2 Buchungen in „März 2026“ (neu angelegt), "
                            u"1 Buchung in „April 2026“ (neu angelegt). 2 nicht übernommen: 1 vorgemerkt, 1 in "
                            u"Fremdwährung.\n"_s),
             qPrintable(r.Out));
    QCOMPARE(Run({u"show"_s, u"März 2026"_s}).Out,
             u"Ausgabe\t01.03.2026\t800.00\tSonstige\tHausverwaltung Ost\n"
             u"Ausgabe\t05.03.2026\t42.90\tSonstige\tREWE Markt GmbH\n"_s);

    // The same file again, and once more among others: nothing twice.
    const auto bookBytes = [this] {
        QFile file(DataFolder() + u"März 2026.qel"_s);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray march = bookBytes();
    const QString copies = Run({u"backups"_s}).Out;
    r = Run({u"import"_s, statement, statement});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out.count(u"\nneu\t"_s) + r.Out.startsWith(u"neu\t"_s), 0);
    QVERIFY2(r.Out.endsWith(u"„märz.xml“: keine neuen Buchungen. 5 nicht übernommen: 3 schon importiert, 1 "
                            u"vorgemerkt, 1 in Fremdwährung.\n"_s),
             qPrintable(r.Out));
    QCOMPARE(bookBytes(), march);
    QCOMPARE(Run({u"books"_s}).Out.count(u'\n'), 2);
    // An import that booked nothing keeps no automatic copy that would push older ones out.
    QCOMPARE(Run({u"backups"_s}).Out, copies);

    // A booking typed by hand is named on the line of the row it explains.
    QCOMPARE(Run({u"add"_s, u"März 2026"_s, u"expense"_s, u"10.03.2026"_s, u"15"_s, u"Haushalt"_s, u"Drogerie"_s}).Status,
             0);
    const QString later =
        File(u"später.xml"_s, CamtStatement({{{2026, 3, 11}, u"15.00"_s, false, u"dm"_s, u"Einkauf"_s, u"L1"_s}}));
    r = Run({u"import"_s, u"--dry-run"_s, later});
    QVERIFY2(r.Out.startsWith(u"vorhanden: 10.03.2026 · 15.00 € · Drogerie\tMärz 2026\tAusgabe\t11.03.2026\t15.00\t"_s),
             qPrintable(r.Out));
}

void TestCliImport::rulesAreKeptInOrder()
{
    QCOMPARE(Run({u"rule-add"_s, u"rewe"_s, u"haushalt"_s, u"Nahrungsmittel"_s}).Status, 0);
    QCOMPARE(Run({u"rule-add"_s, u"--regex"_s, u"--einnahme"_s, u"^arbeit"_s, u"Gehalt"_s, QString()}).Status, 0);
    QCOMPARE(Run({u"rule-add"_s, u"--ausgabe"_s, u"Markt"_s, u"Haushalt"_s, u"Sonstige"_s}).Status, 0);
    QCOMPARE(Run({u"rules"_s}).Out, u"1\trewe\tText\tbeide\tHaushalt\tNahrungsmittel\n"
                                    u"2\t^arbeit\tRegulärer Ausdruck\tEinnahme\tGehalt\t\n"
                                    u"3\tMarkt\tText\tAusgabe\tHaushalt\tSonstige\n"_s);

    const QString statement = File(u"a.xml"_s, CamtStatement(March));
    const QStringList out = Run({u"import"_s, u"--dry-run"_s, statement}).Out.split(u'\n');
    QCOMPARE(out.at(1).section(u'\t', 5, 6), u"Haushalt\tNahrungsmittel"_s);
    QCOMPARE(out.at(4).section(u'\t', 5, 6), u"Gehalt\tArbeitgeber AG"_s);

    QCOMPARE(Run({u"rule-remove"_s, u"1"_s}).Status, 0);
    QCOMPARE(Run({u"rules"_s}).Out.section(u'\t', 0, 1), u"1\t^arbeit"_s);
    const Result missing = Run({u"rule-remove"_s, u"3"_s});
    QCOMPARE(missing.Status, 1);
    QVERIFY2(missing.Err.contains(u"Eine Regel „3“ gibt es nicht"_s), qPrintable(missing.Err));

    const struct
    {
        QStringList Args;
        int Status;
        QString Message;
    } refused[] = {
        {{u"rule-add"_s, u"--regex"_s, u"([a"_s, u"Haushalt"_s, u"X"_s}, 1, u"kein gültiger regulärer Ausdruck"_s},
        {{u"rule-add"_s, u"x"_s, QString(31, u'k'), u"X"_s}, 1, u"höchstens 30 Zeichen"_s},
        {{u"rule-add"_s, u"x"_s, u"Haushalt"_s, u"Tab\tulator"_s}, 1, u"Steuerzeichen"_s},
        {{u"rule-add"_s, u"--einnahme"_s, u"--ausgabe"_s, u"x"_s, u"K"_s}, 2, u"--ausgabe"_s},
        {{u"rule-add"_s, u"x"_s, u"Haushalt"_s}, 2, u"Falsche Anzahl"_s},
    };
    for (const auto &c : refused) {
        const Result r = Run(c.Args);
        QCOMPARE(r.Status, c.Status);
        QVERIFY2(r.Err.contains(c.Message), qPrintable(r.Err));
    }
    QCOMPARE(Run({u"rules"_s}).Out.count(u'\n'), 2);
}

void TestCliImport::badInputWritesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << QString();
    QTest::newRow("truncated") << CamtStatement(March).left(900) << QString();
    QTest::newRow("XML that is no statement") << QByteArray("<?xml version=\"1.0\"?><html><body>Hallo</body></html>")
                                              << QString();
    QTest::newRow("CSV of an unknown layout") << QByteArray("Tag;Wert;Wer;Wofür\n01.03.2026;-12,50;Kiosk;Zeitung\n")
                                              << u"deren Aufbau das Programm nicht kennt"_s;
}

void TestCliImport::badInputWritesNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString bad = File(u"kaputt.dat"_s, bytes);
    Result r = Run({u"import"_s, bad});
    QCOMPARE(r.Status, 1);
    QVERIFY2(r.Err.contains(u"kaputt.dat"_s), qPrintable(r.Err));
    QVERIFY2(r.Err.contains(message), qPrintable(r.Err));
    QCOMPARE(r.Out, QString());
    QVERIFY(Books().isEmpty());

    // Among good files it stops only itself: they are booked, it is named, and the call fails.
    const QString good = File(u"gut.xml"_s, CamtStatement(March));
    r = Run({u"import"_s, bad, good});
    QCOMPARE(r.Status, 1);
    QVERIFY2(r.Err.contains(u"kaputt.dat"_s) && r.Err.endsWith(u"1 von 2 Dateien wurden nicht importiert.\n"_s),
             qPrintable(r.Err));
    QVERIFY2(r.Out.contains(u"„gut.xml“: übernommen wurden 2 Buchungen"_s), qPrintable(r.Out));
    QCOMPARE(Books(), (QStringList{u"April 2026.qel"_s, u"März 2026.qel"_s}));
}

void TestCliImport::csvWithTheColumnsChosenInTheProgram()
{
    const QByteArray csv("Tag;Betrag;Wer;Wofür\n01.03.2026;-12,50;Kiosk;Zeitung\n02.03.2026;1.000,00;Oma;Geschenk\n");
    const QString file = File(u"konto.csv"_s, csv);
    // The program keeps the choice under the layout's key; ask it as the window does.
    QString key;
    {
        const StatementReadResult read = ReadStatement(csv, u"konto.csv"_s);
        QVERIFY(std::holds_alternative<UnknownCsvLayout>(read));
        key = std::get<UnknownCsvLayout>(read).HeaderKey;
    }
    CsvColumnChoice choice;
    choice.Date = 0;
    choice.Amount = 1;
    choice.Counterparty = 2;
    choice.Purpose = 3;
    ImportStore(StoreFile()).SetCsvChoice(key, choice);

    const Result r = Run({u"import"_s, u"--dry-run"_s, file});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"neu\tMärz 2026\tAusgabe\t01.03.2026\t12.50\tSonstige\tKiosk\tKiosk\tZeitung\n"
                    u"neu\tMärz 2026\tEinnahme\t02.03.2026\t1000.00\tSonstige\tOma\tOma\tGeschenk\n"_s);
}

// Every line with its outcome (--zeilen); a line that looks like a turnover but cannot be read
// keeps the whole file out unless --weiter says to book the rest; Soll of 0,00 hides no Haben.
void TestCliImport::everyLineIsAccountedForAndAFileIsBookedWhole()
{
    const QString file = File(u"konto.csv"_s, "Konto;DE12500105170648489890\n"
                                              "Buchungstag;Verwendungszweck;Soll;Haben\n"
                                              "01.03.2026;Zeitung;12,50;0,00\n"
                                              "02.03.2026;Geschenk;0,00;150,00\n"
                                              "\n"
                                              "03.03.2026;Miete;zwölf;\n"
                                              "Kontostand;;;137,50\n");
    Result r = Run({u"import"_s, u"--dry-run"_s, u"--zeilen"_s, file});
    QCOMPARE(r.Status, 1);
    QCOMPARE(r.Out, u"Zeile 1\tKontodaten\n"
                    u"Zeile 2\tKopfzeile\n"
                    u"Zeile 3\tneu\tMärz 2026\tAusgabe\t01.03.2026\t12.50\tSonstige\tZeitung\t\tZeitung\n"
                    u"Zeile 4\tneu\tMärz 2026\tEinnahme\t02.03.2026\t150.00\tSonstige\tGeschenk\t\tGeschenk\n"
                    u"Zeile 5\tleer\n"
                    u"Zeile 6\tunlesbar: Zeile 6: \"zwölf\" ist kein Betrag.\t\t\t\t\t\t\t\t03.03.2026;Miete;zwölf;\n"
                    u"Zeile 7\tSaldo oder Summe\n"_s);
    QVERIFY2(r.Err.contains(u"„konto.csv“: eine Zeile, die wie ein Umsatz aussieht, lässt sich nicht lesen: Zeile 6: "
                            u"\"zwölf\" ist kein Betrag."_s),
             qPrintable(r.Err));

    r = Run({u"import"_s, file});
    QCOMPARE(r.Status, 1);
    QVERIFY2(r.Out.contains(u"„konto.csv“: nichts übernommen, weil nicht jede Zeile gelesen werden kann. Ohne "
                              u"Buchung: 1 Zeile Kontodaten, 1 Kopfzeile, 1 leere Zeile, 1 Saldo- oder Summenzeile."_s),
             qPrintable(r.Out));
    QCOMPARE(Books(), QStringList());

    r = Run({u"import"_s, u"--weiter"_s, file});
    QCOMPARE(r.Status, 0);
    QVERIFY2(r.Out.contains(u"übernommen wurden 2 Buchungen"_s) && r.Out.contains(u"1 nicht übernommen: 1 unlesbar."_s),
             qPrintable(r.Out));
    QCOMPARE(Books(), QStringList{u"März 2026.qel"_s});
}

void TestCliImport::writingWaitsForTheRunningProgram()
{
    const QString statement = File(u"a.xml"_s, CamtStatement(March));
    DataLock program;
    QVERIFY(QDir().mkpath(DataFolder()));
    QVERIFY(program.TryLock(DataFolder(), QString::fromUtf16(DataLock::ProgramName)));
    for (const QStringList &args : {QStringList{u"import"_s, statement}, QStringList{u"rule-add"_s, u"a"_s, u"B"_s, u"C"_s},
                                    QStringList{u"rule-remove"_s, u"1"_s}}) {
        const Result r = Run(args);
        QCOMPARE(r.Status, 1);
        QVERIFY2(r.Err.contains(u"läuft gerade"_s), qPrintable(r.Err));
    }
    QVERIFY(Books().isEmpty());
    // Looking is allowed.
    QCOMPARE(Run({u"import"_s, u"--dry-run"_s, statement}).Status, 0);
    QCOMPARE(Run({u"rules"_s}).Status, 0);
}

// Backed up before the import and restored after it: the same statement again books the rows
// the restored books lack, as new.
void TestCliImport::importAfterARestoreBooksWhatIsMissing()
{
    const QString statement = File(u"märz.xml"_s, CamtStatement(March));
    QCOMPARE(Run({u"new"_s, u"März 2026"_s}).Status, 0);
    const QString stick = Home->filePath(u"USB"_s);
    QCOMPARE(Run({u"backup"_s, stick}).Status, 0);
    QCOMPARE(Run({u"import"_s, statement}).Status, 0);
    const Result restored = Run({u"restore"_s, stick});
    QCOMPARE(restored.Status, 0);
    QCOMPARE(restored.Out, u"Das Wiederherstellen der Daten ist abgeschlossen.\nDen wiederhergestellten Büchern "
                           u"fehlen 3 importierte Buchungen; ein erneuter Import des Kontoauszugs bucht sie wieder.\n"_s);
    QCOMPARE(Books(), QStringList{u"März 2026.qel"_s});

    const Result r = Run({u"import"_s, statement});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out.count(u"neu\t"_s), 3);
    QCOMPARE(Run({u"show"_s, u"März 2026"_s}).Out.count(u'\n'), 2);
    QCOMPARE(Run({u"show"_s, u"April 2026"_s}).Out.count(u'\n'), 1);
    QVERIFY(Run({u"import"_s, statement}).Out.contains(u"„märz.xml“: keine neuen Buchungen."_s));
}

// A named pipe would make the import wait for a writer for ever.
void TestCliImport::pipesAreRefusedAtOnce()
{
    const QString pipe = Home->filePath(u"p.csv"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QStringList &args : {QStringList{u"import"_s, pipe}, QStringList{u"import"_s, u"--dry-run"_s, pipe}}) {
        const Result r = Run(args);
        QCOMPARE(r.Status, 1);
        QVERIFY2(r.Err.contains(u"p.csv"_s) && r.Err.contains(u"keine gewöhnliche Datei"_s), qPrintable(r.Err));
    }
}

// A CSV no bank profile knows: read by its column names when they are sure (a savings bank's
// credit card export, Latin-1), else named with --spalten and remembered for its header.
void TestCliImport::csvOfAnUnknownLayout()
{
    const QByteArray card = QByteArray(
        "Umsatz get\xe4tigt von;Belegdatum;Buchungsdatum;Originalbetrag;Originalw\xe4hrung;Umrechnungskurs;"
        "Buchungsbetrag;Buchungsw\xe4hrung;Transaktionsbeschreibung;Transaktionsbeschreibung Zusatz;Buchungsreferenz\n"
        "Peter Muster;01.03.2026;03.03.2026;-12,50;EUR;;-12,50;EUR;Caf\xe9 Mokka Berlin;;R1\n"
        "Peter Muster;02.03.2026;04.03.2026;-30,00;USD;1,1;-27,27;EUR;Shop Online;;R2\n");
    Result r = Run({u"import"_s, File(u"karte.csv"_s, card)});
    QCOMPARE(r.Status, 0);
    QVERIFY2(r.Err.startsWith(u"Hinweis: Die Spalten von „karte.csv“ wurden nach ihren Namen erkannt: datum=3,"_s),
             qPrintable(r.Err));
    QVERIFY2(r.Out.contains(u"neu\tMärz 2026\tAusgabe\t03.03.2026\t12.50\t"_s), qPrintable(r.Out));
    QCOMPARE(Run({u"show"_s, u"März 2026"_s}).Out.count(u'\n'), 2);

    const QByteArray odd("Tag;Wert;Wer;Wof\xfcr\n01.03.2026;-7,25;Kiosk;Zeitung\n");
    const QString file = File(u"konto.csv"_s, odd);
    r = Run({u"import"_s, file});
    QCOMPARE(r.Status, 1);
    QVERIFY2(r.Err.contains(u"--spalten"_s) && r.Err.contains(u"1 Tag; 2 Wert; 3 Wer; 4 Wofür"_s), qPrintable(r.Err));
    QCOMPARE(Run({u"import"_s, u"--spalten"_s, u"datum=0"_s, file}).Status, 2);
    r = Run({u"import"_s, u"--spalten"_s, u" Datum=1, Betrag=2, text=4, gegenseite=3"_s, file});
    QCOMPARE(r.Status, 0);
    QVERIFY2(r.Out.startsWith(u"neu\tMärz 2026\tAusgabe\t01.03.2026\t7.25\tSonstige\tKiosk\tKiosk\tZeitung\n"_s),
             qPrintable(r.Out));
    // Remembered for that header: the next file of the same layout needs no option.
    r = Run({u"import"_s, u"--dry-run"_s, File(u"konto2.csv"_s, odd + "02.03.2026;-1,00;Kiosk;Kaugummi\n")});
    QCOMPARE(r.Status, 0);
    QVERIFY2(r.Out.contains(u"neu\tMärz 2026\tAusgabe\t02.03.2026\t1.00\t"_s), qPrintable(r.Out));
}

// A savings bank's CAMT download: a ZIP of monthly statements, each read and booked on its own.
void TestCliImport::zipOfSeveralStatements()
{
    const QList<TestEntry> april{{{2026, 4, 2}, u"10.00"_s, false, u"Bäckerei"_s, u"Brot"_s, u"Z1"_s}};
    const QString zip = File(u"umsaetze.zip"_s, MakeZip({{u"2026-03.xml"_s, CamtStatement(March)},
                                                         {u"2026-04.xml"_s, CamtStatement(april)},
                                                         {u"LIESMICH.txt"_s, "Ihre Umsätze"}}));
    const Result r = Run({u"import"_s, zip});
    QCOMPARE(r.Status, 0);
    QVERIFY2(r.Out.contains(u"„umsaetze.zip/2026-03.xml“: übernommen wurden 2 Buchungen in „März 2026“"_s)
                 && r.Out.contains(u"„umsaetze.zip/2026-04.xml“: übernommen wurden 1 Buchung in „April 2026“"_s),
             qPrintable(r.Out));
    QCOMPARE(Run({u"show"_s, u"April 2026"_s}).Out.count(u'\n'), 2);
}

QTEST_GUILESS_MAIN(TestCliImport)
#include "tst_cliimport.moc"
