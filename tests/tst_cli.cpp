#include "CliRun.h"

#include "ledger/BookingList.h"
#include "ledger/DataLock.h"
#include "ledger/ListFiles.h"
#include "output/ExportEXCEL.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using Result = CliResult;

} // namespace

// Drives the real haushaltsbuch-cli with HOME and the runtime folder in a temporary folder.
class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void createListAndShowBooks();
    void bookingsAreCheckedLikeTheDialog_data();
    void bookingsAreCheckedLikeTheDialog();
    void regularBookings();
    void categoriesFromDefaultsAndFile();
    void verifyReportsUnreadableFiles();
    void writesWaitForTheRunningProgram();
    void lockHolderText();
    void lockOfAnotherComputer();
    void writesKeepACopyQuietly();
    void conflictCopiesNamedAndMerged();
    void exportWritesTheProgramsTable();
    void wrongUsage_data();
    void wrongUsage();
    void analysisFigures();

private:
    Result Run(const QStringList &args);
    QString DataFolder() const { return Home->filePath(u"Documents/Orvo Haushaltsbuch/Daten/"_s); }

    std::unique_ptr<QTemporaryDir> Home;
};

void TestCli::init()
{
    Home = MakeCliHome();
    QVERIFY(Home->isValid());
}

Result TestCli::Run(const QStringList &args)
{
    return RunCli(*Home, args);
}

void TestCli::createListAndShowBooks()
{
    Result r = Run({u"new"_s, u"März 2008"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(QFileInfo(DataFolder() + u"März 2008.qel"_s).size(), 1112);
    QCOMPARE(Run({u"new"_s, u"Februar 2008"_s}).Status, 0);

    r = Run({u"new"_s, u"März 2008"_s});
    QCOMPARE(r.Status, 1);
    QCOMPARE(r.Err, u"Das Haushaltsbuch \"März 2008\" existiert bereits!\n"_s);

    QCOMPARE(Run({u"add"_s, u"März 2008"_s, u"income"_s, u"15.03.2008"_s, u"12,5"_s, u"gehalt"_s, u"märz"_s}).Status, 0);
    QCOMPARE(Run({u"add"_s, u"März 2008"_s, u"income"_s, u"02.04.2008"_s, u"7"_s, u"Zinsen"_s}).Status, 0);
    QCOMPARE(Run({u"add"_s, u"März 2008"_s, u"expense"_s, u"01.03.2008"_s, u".5"_s, u"Auto "_s, u"tanken"_s}).Status, 0);

    r = Run({u"show"_s, u"März 2008"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Einnahme\t02.04.2008\t7.00\tZinsen\t\n"
                    u"Einnahme\t15.03.2008\t12.5\tGehalt\tMärz\n"
                    u"Ausgabe\t01.03.2008\t0.5\tAuto \tTanken\n"_s);

    r = Run({u"books"_s});
    QCOMPARE(r.Status, 0);
    const QStringList lines = r.Out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).startsWith(u"Februar 2008\t"_s));
    const QStringList fields = lines.at(1).split(u'\t');
    QCOMPARE(fields.size(), 4);
    QCOMPARE(fields.at(0), u"März 2008"_s);
    QVERIFY(QDateTime::fromString(fields.at(1), u"dd.MM.yyyy  HH:mm:ss"_s).isValid());
    QCOMPARE(fields.at(2), u"19.50 €"_s);
    QCOMPARE(fields.at(3), u"0.50 €"_s);

    QCOMPARE(Run({u"show"_s, u"Mai 2008"_s}).Status, 1);
    QCOMPARE(Run({u"show"_s, u"../Daten/März 2008"_s}).Status, 1);
}

void TestCli::bookingsAreCheckedLikeTheDialog_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    const QString book = u"Mai 2008"_s;
    QTest::newRow("two decimal points") << QStringList{book, u"income"_s, u"01.05.2008"_s, u"1.999,99"_s, u"Gehalt"_s}
                                        << u"Der Buchungsbetrag wurde nicht korrekt eingegeben!"_s;
    QTest::newRow("minus sign") << QStringList{book, u"income"_s, u"01.05.2008"_s, u"-5"_s, u"Gehalt"_s}
                                << u"\"-5\" ist kein gültiger Betrag."_s;
    QTest::newRow("empty amount") << QStringList{book, u"income"_s, u"01.05.2008"_s, QString(), u"Gehalt"_s}
                                  << u"Bitte geben Sie einen Betrag an."_s;
    QTest::newRow("no such date") << QStringList{book, u"expense"_s, u"30.02.2008"_s, u"5"_s, u"Wohnen"_s}
                                  << u"\"30.02.2008\" ist kein gültiges Datum."_s;
    QTest::newRow("short date") << QStringList{book, u"expense"_s, u"1.5.2008"_s, u"5"_s, u"Wohnen"_s}
                                << u"\"1.5.2008\" ist kein gültiges Datum."_s;
    QTest::newRow("empty category") << QStringList{book, u"expense"_s, u"01.05.2008"_s, u"5"_s, QString()}
                                    << u"Bitte geben Sie eine Kategorie an."_s;
    QTest::newRow("category too long") << QStringList{book, u"expense"_s, u"01.05.2008"_s, u"5"_s, QString(31, u'x')}
                                       << u"Die Kategorie darf höchstens 30 Zeichen lang sein."_s;
    QTest::newRow("purpose not storable") << QStringList{book, u"expense"_s, u"01.05.2008"_s, u"5"_s, u"Wohnen"_s, u"Miete ✓"_s}
                                          << u"Die Verwendung \"Miete ✓\" enthält Zeichen"_s;
    QTest::newRow("tab in category") << QStringList{book, u"expense"_s, u"01.05.2008"_s, u"5"_s, u"Wohnen\tMiete"_s}
                                     << u"Die Kategorie darf keine Steuerzeichen"_s;
    QTest::newRow("line break in purpose")
        << QStringList{book, u"expense"_s, u"01.05.2008"_s, u"5"_s, u"Wohnen"_s, u"Miete\nEinnahme\t01.05.2008"_s}
        << u"Die Verwendung darf keine Steuerzeichen"_s;
    QTest::newRow("unknown book") << QStringList{u"Juni 2008"_s, u"expense"_s, u"01.05.2008"_s, u"5"_s, u"Wohnen"_s}
                                  << u"Das Haushaltsbuch \"Juni 2008\" existiert nicht."_s;
}

void TestCli::bookingsAreCheckedLikeTheDialog()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QCOMPARE(Run({u"new"_s, u"Mai 2008"_s}).Status, 0);
    const Result r = Run(QStringList{u"add"_s} + args);
    QCOMPARE(r.Status, 1);
    QVERIFY2(r.Err.startsWith(error), qPrintable(r.Err));
    QCOMPARE(QFileInfo(DataFolder() + u"Mai 2008.qel"_s).size(), 1112);
}

void TestCli::regularBookings()
{
    Result r = Run({u"add-regular"_s, u"5"_s, u"1000"_s, u"gehalt"_s, QString(), u"Einnahme"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Einnahmen: 1000.00 €          Ausgaben: 0.00 €\n"_s);
    QCOMPARE(Run({u"add-regular"_s, u"1."_s, u"300,25"_s, u"Wohnen"_s, u"Miete"_s, u"Ausgabe"_s}).Status, 0);

    r = Run({u"add-regular"_s, u"3"_s, u"1"_s, u"Wohnen"_s, u"Miete\r\n"_s, u"Ausgabe"_s});
    QCOMPARE(r.Status, 1);
    QVERIFY2(r.Err.startsWith(u"Die Verwendung darf keine Steuerzeichen"_s), qPrintable(r.Err));
    r = Run({u"add-regular"_s, u"32"_s, u"1"_s, u"Wohnen"_s, u"Miete"_s, u"Ausgabe"_s});
    QCOMPARE(r.Status, 1);
    QVERIFY(r.Err.startsWith(u"Die Angabe \"32.\" unter Tag entspricht nicht dem geforderten Format\n"_s));
    QCOMPARE(Run({u"add-regular"_s, u"1"_s, u"1"_s, u"Wohnen"_s, u"Miete"_s, u"ausgabe"_s}).Status, 2);

    r = Run({u"regular"_s});
    QCOMPARE(r.Out, u"01.\t300.25\tWohnen\tMiete\tAusgabe\n05.\t1000.00\tGehalt\t\tEinnahme\n"_s);
}

void TestCli::categoriesFromDefaultsAndFile()
{
    Result r = Run({u"categories"_s});
    QCOMPARE(r.Status, 0);
    const QStringList lines = r.Out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 12 + 8 + 75);
    QCOMPARE(lines.front(), u"Einnahme\tGehalt"_s);
    QVERIFY(lines.contains(u"Gruppe\tAuto "_s));
    QVERIFY(lines.contains(u"Unterkategorie\tAuto \tZubehör"_s));

    QDir().mkpath(Home->filePath(u"cfg"_s));
    QFile file(Home->filePath(u"cfg/Entrys.dat"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray record(7130, '\0');
    const auto put = [&record](int at, const QByteArray &name) {
        record[at] = char(name.size());
        record.replace(at + 1, name.size(), name);
    };
    put(0, "Lohn");
    put(620, "Garten");
    put(620 + 31, "Rasen");
    put(620 + 651, "   ");
    file.write(record);
    file.close();
    r = Run({u"--program-data-dir"_s, Home->filePath(u"cfg"_s), u"categories"_s});
    QCOMPARE(r.Out, u"Einnahme\tLohn\nGruppe\tGarten\nUnterkategorie\tGarten\tRasen\nGruppe\t   \n"_s);

    file.resize(7000);
    r = Run({u"--program-data-dir"_s, Home->filePath(u"cfg"_s), u"categories"_s});
    QCOMPARE(r.Status, 1);
    QVERIFY(r.Err.startsWith(u"E/A-Fehler"_s));
}

void TestCli::verifyReportsUnreadableFiles()
{
    const QString data = Home->filePath(u"daten"_s);
    QCOMPARE(Run({u"--data-dir"_s, data, u"new"_s, u"Mai 2008"_s}).Status, 0);
    Result r = Run({u"--data-dir"_s, data, u"verify"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Alle 1 Dateien sind lesbar.\n"_s);

    QFile bad(data + u"/Juni 2008.qel"_s);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("TPF0");
    bad.close();
    QFile regular(data + u"/Regular.dat"_s);
    QVERIFY(regular.open(QIODevice::WriteOnly));
    regular.write("XXXX");
    regular.close();

    r = Run({u"--data-dir"_s, data, u"verify"_s});
    QCOMPARE(r.Status, 1);
    QCOMPARE(r.Out, QDir::toNativeSeparators(data + u"/Juni 2008.qel"_s) + u"\tStream-Lesefehler\n"_s
                        + QDir::toNativeSeparators(data + u"/Regular.dat"_s) + u"\tUngültiges Stream-Format\n"_s);
    QCOMPARE(r.Err, u"2 von 3 Dateien sind nicht lesbar.\n"_s);

    // A book named in Windows-1252 is invisible to listings; verify names it all the same.
    QFile book(data + u"/Mai 2008.qel"_s);
    QVERIFY(book.open(QIODevice::ReadOnly));
    std::FILE *copy = std::fopen((QFile::encodeName(data) + "/M\xE4rz 2008.qel").constData(), "wb");
    QVERIFY(copy);
    std::fwrite(book.readAll().constData(), 1, book.size(), copy);
    std::fclose(copy);
    r = Run({u"--data-dir"_s, data, u"verify"_s});
    QCOMPARE(r.Status, 1);
    QVERIFY2(r.Out.contains(QDir::toNativeSeparators(data + u"/März 2008.qel"_s) + u"\tDer Name der Datei \"März 2008.qel\""_s),
             qPrintable(r.Out));
    QCOMPARE(r.Err, u"3 von 4 Dateien sind nicht lesbar.\n"_s);

    // A damaged book is not changed by an attempt to book into it.
    r = Run({u"--data-dir"_s, data, u"add"_s, u"Juni 2008"_s, u"income"_s, u"01.06.2008"_s, u"1"_s, u"Gehalt"_s});
    QCOMPARE(r.Status, 1);
    QCOMPARE(QFileInfo(data + u"/Juni 2008.qel"_s).size(), 4);
}

void TestCli::writesWaitForTheRunningProgram()
{
    QCOMPARE(Run({u"new"_s, u"Mai 2008"_s}).Status, 0);
    const QString program = QString::fromUtf16(DataLock::ProgramName);
    DataLock running;
    QVERIFY(running.TryLock(DataFolder(), program));

    // The lock is the data folder's: the command finds it whatever runtime folder it has.
    Result r = Run({u"add"_s, u"Mai 2008"_s, u"income"_s, u"01.05.2008"_s, u"1"_s, u"Gehalt"_s});
    QCOMPARE(r.Status, 1);
    QVERIFY2(r.Err.startsWith(u"Das Programm Orvo Haushaltsbuch läuft gerade (Prozess %1, seit "_s.arg(::getpid())),
             qPrintable(r.Err));
    QCOMPARE(Run({u"new"_s, u"Juni 2008"_s}).Status, 1);
    QCOMPARE(Run({u"add-regular"_s, u"1"_s, u"1"_s, u"Gehalt"_s, QString(), u"Einnahme"_s}).Status, 1);
    QCOMPARE(Run({u"books"_s}).Status, 0); // reading goes on
    // Another command holding it is named as such.
    running.Unlock();
    QVERIFY(running.TryLock(DataFolder(), QString::fromUtf16(DataLock::CliName)));
    r = Run({u"new"_s, u"Juni 2008"_s});
    QVERIFY2(r.Err.startsWith(u"Gerade ändert ein Befehl von haushaltsbuch-cli die Daten (Prozess"_s), qPrintable(r.Err));

    running.Unlock();
    QVERIFY(!QFileInfo::exists(DataFolder() + DataLock::FileNameFor(LockHolder::Current({}).Host))); // taken along
    QCOMPARE(Run({u"new"_s, u"Juni 2008"_s}).Status, 0);

    // What a killed holder leaves behind blocks nothing: its file is taken over.
    QFile left(DataFolder() + DataLock::FileNameFor(LockHolder::Current({}).Host));
    QVERIFY(left.open(QIODevice::WriteOnly | QIODevice::Truncate));
    LockHolder killed = LockHolder::Current(program);
    killed.Process = 1;
    left.write(killed.Encode());
    left.close();
    QCOMPARE(Run({u"new"_s, u"Juli 2008"_s}).Status, 0);

    // A lock file that cannot be made is reported as such, not as a running program.
    DataLock nowhere;
    QVERIFY(!nowhere.TryLock(Home->filePath(u"fehlt"_s), program));
    QVERIFY2(nowhere.ErrorString().startsWith(u"Die Sperrdatei"_s), qPrintable(nowhere.ErrorString()));
    QVERIFY(running.TryLock(DataFolder(), program));
    QVERIFY(!DataLock().TryLock(DataFolder(), program));

    // A folder nobody can write to has nothing to guard (a read-only mount, where root may mount).
    const QString readOnly = Home->filePath(u"nur-lesen"_s);
    QVERIFY(QDir().mkpath(readOnly));
    if (QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"ro,size=64k"_s, u"tmpfs"_s, readOnly}) == 0) {
        DataLock archive;
        const bool taken = archive.TryLock(readOnly, program);
        QProcess::execute(u"umount"_s, {readOnly});
        QVERIFY2(taken, qPrintable(archive.ErrorString()));
    }
}

// The holder's text as another machine or a damaged file may give it, and the messages that
// name the holder.
void TestCli::lockHolderText()
{
    const LockHolder holder{u"rechner-b"_s, u"peter"_s, 4711, QString::fromUtf16(DataLock::ProgramName),
                            QDateTime(QDate(2026, 12, 8), QTime(14, 3), Qt::UTC)};
    QCOMPARE(LockHolder::Decode(holder.Encode()), holder);
    QCOMPARE(LockHolder::Decode("Haushaltsbuch-Sperre 1\nrechner=a\x01" "b\nprozess=99999999999999\nfremd=x\n")->Host,
             u"ab"_s);
    QVERIFY(!LockHolder::Decode(""));
    QVERIFY(!LockHolder::Decode("Haushaltsbuch-Sperre 2\n"));
    QVERIFY(!LockHolder::Decode(QByteArray("Haushaltsbuch-Sperre 1\nrechner=") + QByteArray(5000, 'x')));
    // Cut to its length where a blank stands: it reads back the same.
    const LockHolder cut = *LockHolder::Decode("Haushaltsbuch-Sperre 1\nrechner=" + QByteArray(99, 'r') + " x\n");
    QCOMPARE(cut.Host, QString(99, u'r'));
    QCOMPARE(LockHolder::Decode(cut.Encode())->Host, cut.Host);

    const QString since = holder.Since.toLocalTime().toString(u"dd.MM.yyyy, HH:mm"_s);
    QCOMPARE(DataLock::RefusalMessage(holder, QString::fromUtf16(DataLock::CliName)),
             u"Das Haushaltsbuch ist auf dem Rechner „rechner-b“ seit %1 geöffnet. Bitte beenden Sie es dort, bevor "
             u"Sie hier Daten ändern."_s.arg(since));
    LockHolder here = LockHolder::Current(QString::fromUtf16(DataLock::ProgramName));
    QCOMPARE(DataLock::RefusalMessage(here, QString::fromUtf16(DataLock::ProgramName)),
             u"Das Programm wurde bereits gestartet!"_s);
    QCOMPARE(DataLock::RefusalMessage(std::nullopt, QString::fromUtf16(DataLock::ProgramName)),
             u"Das Programm wurde bereits gestartet!"_s);
    here.User = u"maria"_s;
    QVERIFY(DataLock::RefusalMessage(here, QString::fromUtf16(DataLock::ProgramName))
                .startsWith(u"Das Haushaltsbuch ist bereits geöffnet (Benutzer maria, Prozess"_s));
}

// Every command that changes something keeps an automatic backup, as a run of the program does;
// the temporary files of killed saves in the program's own folders go; and a command run from
// cron or ssh, without a runtime folder or with one of other permissions, prints nothing but its
// own messages.
// A synced folder: another computer's program has the ledger open. Its lock is its own, and
// each writes its own change log: writing goes on here, and the other one is named.
void TestCli::lockOfAnotherComputer()
{
    QCOMPARE(Run({u"new"_s, u"Mai 2008"_s}).Status, 0);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const LockHolder other{u"rechner-b"_s, u"peter"_s, 4711, QString::fromUtf16(DataLock::ProgramName), now.addSecs(-3600)};
    QFile file(DataFolder() + DataLock::FileNameFor(other.Host));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(other.Encode());
    file.close();
    const Result r = Run({u"add"_s, u"Mai 2008"_s, u"income"_s, u"01.05.2008"_s, u"1"_s, u"Gehalt"_s});
    QCOMPARE(r.Status, 0);
    QVERIFY(QFileInfo::exists(file.fileName())); // the other computer's lock stays
    const QList<LockHolder> others = DataLock::Others(DataFolder());
    QCOMPARE(others.size(), 1);
    QCOMPARE(others.front().Host, u"rechner-b"_s);
    QVERIFY2(DataLock::OthersMessage(others).startsWith(u"Das Haushaltsbuch ist auch auf „rechner-b“ (seit "_s),
             qPrintable(DataLock::OthersMessage(others)));

    // Two computers (as hosts of one machine): each takes its own lock at once.
    qputenv("QEL_TEST_HOSTNAME", "rechner-a");
    DataLock here;
    const bool hereTaken = here.TryLock(DataFolder(), QString::fromUtf16(DataLock::ProgramName));
    qputenv("QEL_TEST_HOSTNAME", "rechner-c");
    DataLock there;
    const bool thereTaken = there.TryLock(DataFolder(), QString::fromUtf16(DataLock::ProgramName));
    DataLock second;
    const bool secondTaken = second.TryLock(DataFolder(), QString::fromUtf16(DataLock::ProgramName));
    qunsetenv("QEL_TEST_HOSTNAME");
    QVERIFY(hereTaken && thereTaken);
    // Two programs on one computer stay refused.
    QVERIFY(!secondTaken);
    QCOMPARE(second.Holder()->Host, u"rechner-c"_s);
}

void TestCli::writesKeepACopyQuietly()
{
    const QString programData = Home->filePath(u".config/Orvo Haushaltsbuch/"_s);
    const QStringList litter{programData + u".Kontoimport.sqlite.aB3dE9.tmp"_s,
                             programData + u"Sicherungen/Journal/.2026.journal.Xy12Zz.tmp"_s};
    for (const QString &file : litter) {
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QFile left(file);
        QVERIFY(left.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir().mkpath(Home->filePath(u"offen"_s)));
    QVERIFY(QFile::setPermissions(Home->filePath(u"offen"_s), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                                   | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                                   | QFileDevice::ExeOther));
    const auto run = [&](const QString &runtime, const QStringList &args) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, Home->path());
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR", "XDG_RUNTIME_DIR"})
            env.remove(QString::fromLatin1(name));
        if (!runtime.isEmpty())
            env.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(QEL_CLI_PATH), args);
        if (!cli.waitForFinished(60000))
            qFatal("haushaltsbuch-cli did not finish");
        return std::pair{cli.exitCode(), QString::fromUtf8(cli.readAllStandardError())};
    };
    QCOMPARE(run(QString(), {u"new"_s, u"Mai 2008"_s}), std::pair(0, QString()));
    QCOMPARE(run(Home->filePath(u"offen"_s), {u"add"_s, u"Mai 2008"_s, u"income"_s, u"01.05.2008"_s, u"1"_s, u"Lohn"_s}),
             std::pair(0, QString()));
    for (const QString &file : litter)
        QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
    // One copy per change; two in one second are told apart.
    const Result backups = Run({u"backups"_s});
    QCOMPARE(backups.Out.count(u'\n'), 2);
    QCOMPARE(Run({u"books"_s}).Err, QString());
}

// A synced data folder: the other computer's version arrives as a conflict copy. Every command
// names it; "merge" takes its bookings over and keeps the copy in the program's folder.
void TestCli::conflictCopiesNamedAndMerged()
{
    const QString other = Home->filePath(u"Rechner B"_s);
    const QStringList there{u"--data-dir"_s, other + u"/Daten"_s, u"--program-data-dir"_s, other + u"/Programm"_s};
    QCOMPARE(Run({u"new"_s, u"Mai 2008"_s}).Status, 0);
    QCOMPARE(Run({u"add"_s, u"Mai 2008"_s, u"income"_s, u"01.05.2008"_s, u"100"_s, u"Gehalt"_s}).Status, 0);
    QVERIFY(QDir().mkpath(other + u"/Daten"_s));
    QVERIFY(QFile::copy(DataFolder() + u"Mai 2008.qel"_s, other + u"/Daten/Mai 2008.qel"_s));
    QCOMPARE(Run(there + QStringList{u"add"_s, u"Mai 2008"_s, u"expense"_s, u"02.05.2008"_s, u"9"_s, u"Kino"_s}).Status, 0);
    QCOMPARE(Run({u"add"_s, u"Mai 2008"_s, u"expense"_s, u"03.05.2008"_s, u"4"_s, u"Brot"_s}).Status, 0);
    const QString copy = u"Mai 2008.sync-conflict-20080503-101500-ABCDEF7.qel"_s;
    QVERIFY(QFile::copy(other + u"/Daten/Mai 2008.qel"_s, DataFolder() + copy));

    Result r = Run({u"merge"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Mai 2008\t%1\t1\t0\t0\n"_s.arg(copy));
    QCOMPARE(Run({u"show"_s, u"Mai 2008"_s}).Out.count(u'\n'), 3);
    QVERIFY(!QFileInfo::exists(DataFolder() + copy));
    QCOMPARE(QDir(Home->filePath(u".config/Orvo Haushaltsbuch/Konfliktkopien"_s)).entryList(QDir::Files).size(), 1);
    QCOMPARE(Run({u"books"_s}).Err, QString());

    // A copy that cannot be read stays where it is and fails the call.
    QFile damaged(DataFolder() + copy);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("kaputt");
    damaged.close();
    r = Run({u"merge"_s});
    QCOMPARE(r.Status, 1);
    QVERIFY2(r.Err.contains(u"wurde nicht zusammengeführt und bleibt im Datenordner"_s), qPrintable(r.Err));
    QVERIFY(QFileInfo::exists(DataFolder() + copy));
}

void TestCli::exportWritesTheProgramsTable()
{
    QCOMPARE(Run({u"new"_s, u"März 2008"_s}).Status, 0);
    QCOMPARE(Run({u"add"_s, u"März 2008"_s, u"expense"_s, u"03.03.2008"_s, u"3,99"_s, u"Gebühren"_s, u"Konto"_s}).Status, 0);
    QCOMPARE(Run({u"add"_s, u"März 2008"_s, u"expense"_s, u"01.03.2008"_s, u"650"_s, u"Wohnen"_s}).Status, 0);
    QCOMPARE(Run({u"add-regular"_s, u"5"_s, u"1000"_s, u"Lohn"_s, u"Gehalt"_s, u"Einnahme"_s}).Status, 0);

    // The program's export works on the same lists as they come from the files.
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    BookingList regular(ListKind::Regular);
    ListFiles::ParseMonthBook(ListFiles::ReadFile(DataFolder() + u"März 2008.qel"_s), income, expend);
    ListFiles::ParseRegular(ListFiles::ReadFile(DataFolder() + u"Regular.dat"_s), regular);
    const QString table = Home->filePath(u"Ausgaben.xls"_s);
    Result r = Run({u"export"_s, u"März 2008"_s, u"expense"_s, table});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Die Tabelle \"%1\" wurde gespeichert: 2 Buchungen.\n"_s.arg(table));
    QCOMPARE(ListFiles::ReadFile(table), XlsTableBytes(expend));
    QVERIFY(XlsTableBytes(expend).contains("Geb\xFChren"));
    QCOMPARE(Run({u"export"_s, u"März 2008"_s, u"income"_s, table}).Status, 0);
    QCOMPARE(ListFiles::ReadFile(table), XlsTableBytes(income));
    QCOMPARE(Run({u"export-regular"_s, table}).Status, 0);
    QCOMPARE(ListFiles::ReadFile(table), XlsTableBytes(regular));

    r = Run({u"export"_s, u"April 2008"_s, u"income"_s, table});
    QCOMPARE(r.Status, 1);
    QCOMPARE(r.Err, u"Das Haushaltsbuch \"April 2008\" existiert nicht.\n"_s);
    QVERIFY(QDir(Home->path()).mkdir(u"Ordner.xls"_s));
    r = Run({u"export-regular"_s, Home->filePath(u"Ordner"_s)});
    QCOMPARE(r.Status, 1);
    QVERIFY(r.Err.endsWith(u"kann nicht erstellt werden. Der Name bezeichnet ein Verzeichnis.\n"_s));

    // ".xls" is added as in the program, so a slip never writes a table over a ledger file.
    const QByteArray book = ListFiles::ReadFile(DataFolder() + u"März 2008.qel"_s);
    QCOMPARE(Run({u"export"_s, u"März 2008"_s, u"income"_s, DataFolder() + u"März 2008.qel"_s}).Status, 0);
    QCOMPARE(Run({u"export-regular"_s, DataFolder() + u"Regular.dat"_s}).Status, 0);
    QCOMPARE(ListFiles::ReadFile(DataFolder() + u"März 2008.qel"_s), book);
    QCOMPARE(ListFiles::ReadFile(DataFolder() + u"März 2008.qel.xls"_s), XlsTableBytes(income));
    QCOMPARE(Run({u"verify"_s}).Status, 0);
}

void TestCli::wrongUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("unknown command") << QStringList{u"drucken"_s};
    QTest::newRow("unknown option") << QStringList{u"--daten"_s, u"x"_s, u"books"_s};
    QTest::newRow("option without folder") << QStringList{u"--data-dir"_s};
    QTest::newRow("missing argument") << QStringList{u"show"_s};
    QTest::newRow("too many arguments") << QStringList{u"books"_s, u"x"_s};
    QTest::newRow("analysis without book") << QStringList{u"analysis"_s};
    QTest::newRow("wrong booking kind")
        << QStringList{u"add"_s, u"Mai 2008"_s, u"Einnahme"_s, u"01.05.2008"_s, u"1"_s, u"Gehalt"_s};
    QTest::newRow("wrong export kind") << QStringList{u"export"_s, u"Mai 2008"_s, u"regular"_s, u"a.xls"_s};
    QTest::newRow("export without file") << QStringList{u"export-regular"_s};
}

void TestCli::wrongUsage()
{
    QFETCH(QStringList, args);
    const Result r = Run(args);
    QCOMPARE(r.Status, 2);
    QVERIFY(r.Err.contains(u"Aufruf: haushaltsbuch-cli"_s));
}

void TestCli::analysisFigures()
{
    QCOMPARE(Run({u"new"_s, u"März 2008"_s}).Status, 0);
    const QString book = u"März 2008"_s;
    QCOMPARE(Run({u"add"_s, book, u"income"_s, u"01.03.2008"_s, u"100"_s, u"A"_s, u"Lohn"_s}).Status, 0);
    QCOMPARE(Run({u"add"_s, book, u"income"_s, u"02.03.2008"_s, u"20"_s, u"B"_s}).Status, 0);
    QCOMPARE(Run({u"add"_s, book, u"expense"_s, u"03.03.2008"_s, u"500"_s, u"Wohnen"_s, u"Miete"_s}).Status, 0);
    QCOMPARE(Run({u"add-regular"_s, u"7"_s, u"30"_s, u"C"_s, u"Kindergeld"_s, u"Einnahme"_s}).Status, 0);
    QCOMPARE(Run({u"add-regular"_s, u"1"_s, u"12,5"_s, u"Wohnen"_s, u"Strom"_s, u"Ausgabe"_s}).Status, 0);

    const Result r = Run({u"analysis"_s, book});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Gesamt\tEinnahmen\t150.00\n"
                    "Gesamt\tAusgaben\t512.50\n"
                    "Gesamt\tErgebnis\t-362.50\n"
                    "Regelmäßig\tEinnahmen\t30.00\n"
                    "Regelmäßig\tAusgaben\t12.50\n"
                    "Regelmäßig\tErgebnis\t17.50\n"
                    "Einnahmen nach Kategorien\tA\t100.00\n"
                    "Einnahmen nach Kategorien\tB\t20.00\n"
                    "Einnahmen nach Kategorien\tC\t30.00\n"
                    "Ausgaben nach Kategorien\tWohnen\t512.50\n"
                    "Einnahmen nach Verwendung\tLohn\t100.00\n"
                    "Einnahmen nach Verwendung\t\t20.00\n"
                    "Einnahmen nach Verwendung\tKindergeld\t30.00\n"
                    "Ausgaben nach Verwendung\tMiete\t500.00\n"
                    "Ausgaben nach Verwendung\tStrom\t12.50\n"_s);

    const Result missing = Run({u"analysis"_s, u"Mai 2008"_s});
    QCOMPARE(missing.Status, 1);
    QCOMPARE(missing.Err, u"Das Haushaltsbuch \"Mai 2008\" existiert nicht.\n"_s);
    QVERIFY(Run({u"--help"_s}).Out.contains(u"  analysis NAME "_s));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
