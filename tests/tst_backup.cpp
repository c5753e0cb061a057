#include "transfer/BackupEngine.h"
#include "transfer/FolderTransfer.h"
#include "transfer/TransferJournal.h"
#include "ledger/DataLock.h"
#include "ledger/QelError.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Files = QMap<QString, QByteArray>;

namespace {

// The journals live in the program data folder, away from the folders the tests compare.
std::unique_ptr<QTemporaryDir> ProgramData;

QString JournalFolder()
{
    return ProgramData->filePath(u"Sicherungen/Journal"_s);
}

const QString Causes = u"\n\nMögliche Ursachen:\n- Kein Datenträger vorhanden\n- Datenträger ist schreibgeschützt\n"
                       u"- Es fehlen die nötigen Zugriffsrechte"_s;
const QString Identical = u"Das Backup- und Datenverzeichnis dürfen nicht identisch sein!"_s;
const QString BackupCopy = u"Fehler beim Kopieren der Sicherungsdaten!"_s + Causes;
const QString BackupRemove = u"Fehler beim Entfernen alter Sicherungsdaten!"_s + Causes;
const QString RestoreCopy = u"Fehler beim Wiederherstellen der Sicherungsdaten!"_s + Causes;
const QString RestoreRemove = u"Fehler beim Entfernen vorhandener Daten!"_s + Causes;

const QString March = u"März 2008.qel"_s;
const QString January = u"Januar 2008.qel"_s;
const QString December = u"Dezember 2007.qel"_s;
const QString Regular = u"Regular.dat"_s;

// What the program keeps beside the books; a transfer must neither copy nor touch it.
Files Beside(const QByteArray &mark)
{
    return {{u"Januar 2008.qel.AbC123"_s, mark}, {u"Mai 2008.qel.defekt"_s, mark}, {u"Mai 2008.qel.defekt-2"_s, mark},
            {u"Regular.dat.Xy12Ab"_s, mark},     {u"Notizen.txt"_s, mark},         {u"Archiv.qel/"_s, {}},
            {u"Archiv.qel/Alt.qel"_s, mark}};
}

// Only the month books and Regular.dat of a snapshot.
Files Ledger(const Files &files)
{
    Files ledger;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!it.key().contains(u'/') && (it.key().endsWith(u".qel"_s) || it.key() == u"Regular.dat"_s))
            ledger.insert(it.key(), it.value());
    }
    return ledger;
}

Files operator+(Files a, const Files &b)
{
    a.insert(b);
    return a;
}

// Every file below the folder with its bytes, and every folder as "name/".
Files Snapshot(const QString &folder)
{
    Files files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QDir(folder).relativeFilePath(path);
        QFile file(path);
        if (it.fileInfo().isDir())
            files.insert(name + u'/', {});
        else if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
        else
            files.insert(name, "<unreadable>");
    }
    return files;
}

void Write(const QString &folder, const Files &files)
{
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QFile file(folder + u'/' + it.key());
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        if (it.key().endsWith(u'/'))
            continue;
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(it.value());
    }
}

QString Failure(const std::function<void()> &action)
{
    try {
        action();
    } catch (const QelError &error) {
        return error.Message();
    }
    return {};
}

// Fails the chosen calls of one step; every other call goes through.
class FailingOps : public TransferFileOps
{
public:
    FailingOps(QString step, QList<int> calls)
        : Step_(std::move(step))
        , Calls_(std::move(calls))
    {
    }
    bool Copy(const QByteArray &from, const QByteArray &to) override
    {
        return Pass(u"Copy") && TransferFileOps::Copy(from, to);
    }
    bool Move(const QByteArray &from, const QByteArray &to) override
    {
        return Pass(u"Move") && TransferFileOps::Move(from, to);
    }
    bool Flush(int folder) override { return Pass(u"Flush") && TransferFileOps::Flush(folder); }
    bool SyncFolder(const QByteArray &folder) override { return Pass(u"Sync") && TransferFileOps::SyncFolder(folder); }
    bool RemoveFolder(const QByteArray &folder) override
    {
        return Pass(u"RemoveFolder") && TransferFileOps::RemoveFolder(folder);
    }

private:
    bool Pass(QStringView step)
    {
        if (step != Step_ || !Calls_.contains(++Count_))
            return true;
        errno = EIO;
        return false;
    }
    QString Step_;
    QList<int> Calls_;
    int Count_ = 0;
};

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void backupIntoNewFolderAndRestore();
    void transfers_data();
    void transfers();
    void refusals_data();
    void refusals();
    void programDataFolderFull();
    void faultsChangeNothing_data();
    void faultsChangeNothing();
    void readOnlyAndFullDisks();
    void namesFromOldArchivesAndOtherCase();
    void caseFoldingMedium();
    void links();
    void moveNeverReplaces_data();
    void moveNeverReplaces();
    void uncommittedTransferIsUndone_data();
    void uncommittedTransferIsUndone();
    void lateFailuresAreFailures_data();
    void lateFailuresAreFailures();
    void tenThousandBooks();
    void commandLine();

private:
    QString Path(const QString &name) const { return Home->filePath(name); }
    bool Mount(const QStringList &args);
    static void RunEngine(const QString &op, const QString &data, const QString &folder, BackupSelection what,
                          TransferFileOps *ops = nullptr);

    std::unique_ptr<QTemporaryDir> Home;
    QStringList Mounts;
};

void TestBackup::init()
{
    Home = std::make_unique<QTemporaryDir>();
    ProgramData = std::make_unique<QTemporaryDir>();
}

void TestBackup::cleanup()
{
    while (!Mounts.isEmpty())
        QProcess::execute(u"umount"_s, {Mounts.takeLast()});
    Home.reset();
    ProgramData.reset();
}

bool TestBackup::Mount(const QStringList &args)
{
    if (QProcess::execute(u"mount"_s, args) != 0)
        return false;
    if (!Mounts.contains(args.last()))
        Mounts.append(args.last());
    return true;
}

void TestBackup::RunEngine(const QString &op, const QString &data, const QString &folder, BackupSelection what,
                           TransferFileOps *ops)
{
    const BackupEngine engine(data, JournalFolder(), ops);
    if (op == u"backup")
        engine.Backup(folder, what);
    else
        engine.Restore(folder, what);
}

void TestBackup::backupIntoNewFolderAndRestore()
{
    const QString data = Path(u"Dokumente/Daten"_s);
    Write(data, Beside("D") + Files{{March, "A"}, {January, "B"}, {Regular, "R"}});
    QVERIFY(QFile::setPermissions(data + u'/' + January, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    const QDateTime changed(QDate(2008, 3, 31), QTime(23, 59, 58));
    QFile march(data + u'/' + March);
    QVERIFY(march.open(QIODevice::ReadWrite) && march.setFileTime(changed, QFileDevice::FileModificationTime));
    march.close();

    // The folder and its parents are made; the copies keep time and permissions.
    const QString folder = BackupEngine::BackupFolder(Path(u"USB Stick/Sicherung"_s), u"OrvoHaushalt_Backup"_s);
    QCOMPARE(folder, Path(u"USB Stick/Sicherung/OrvoHaushalt_Backup"_s));
    BackupEngine(data, JournalFolder()).Backup(folder, {});
    QCOMPARE(Snapshot(folder), (Files{{March, "A"}, {January, "B"}, {Regular, "R"}}));
    QCOMPARE(QFileInfo(folder + u'/' + March).lastModified(), changed);
    QCOMPARE(QFileInfo(folder + u'/' + January).permissions(), QFileInfo(data + u'/' + January).permissions());

    QVERIFY(QFile::remove(data + u'/' + March));
    Write(data, {{December, "neu"}, {Regular, "R2"}});
    BackupEngine(data, JournalFolder()).Restore(folder, {});
    QCOMPARE(Snapshot(data), (Beside("D") + Files{{March, "A"}, {January, "B"}, {Regular, "R"}}));
}

void TestBackup::transfers_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("books");
    QTest::addColumn<bool>("regular");
    QTest::addColumn<Files>("source");
    QTest::addColumn<Files>("target");
    QTest::addColumn<Files>("expected");
    const Files data{{March, "A2"}, {January, "B2"}, {Regular, "R2"}};
    const Files backup{{January, "B1"}, {December, "C1"}, {Regular, "R1"}};
    QTest::newRow("backup replaces the old one") << u"backup"_s << true << true << data << backup << data;
    QTest::newRow("backup books") << u"backup"_s << true << false << data << backup
                                  << Files{{March, "A2"}, {January, "B2"}, {Regular, "R1"}};
    QTest::newRow("backup regular") << u"backup"_s << false << true << data << backup
                                    << Files{{January, "B1"}, {December, "C1"}, {Regular, "R2"}};
    QTest::newRow("backup drops a Regular.dat gone since") << u"backup"_s << true << true << Files{{March, "A2"}}
                                                           << backup << Files{{March, "A2"}};
    QTest::newRow("restore") << u"restore"_s << true << true << backup << data << backup;
    QTest::newRow("restore keeps Regular.dat the backup lacks")
        << u"restore"_s << true << true << Files{{December, "C1"}} << data << Files{{December, "C1"}, {Regular, "R2"}};
    QTest::newRow("restore books") << u"restore"_s << true << false << backup << data
                                   << Files{{January, "B1"}, {December, "C1"}, {Regular, "R2"}};
    QTest::newRow("restore regular") << u"restore"_s << false << true << backup << data
                                     << Files{{March, "A2"}, {January, "B2"}, {Regular, "R1"}};
}

void TestBackup::transfers()
{
    QFETCH(QString, op);
    QFETCH(bool, books);
    QFETCH(bool, regular);
    QFETCH(Files, source);
    QFETCH(Files, target);
    QFETCH(Files, expected);
    Write(Path(u"Quelle"_s), Beside("Q") + source);
    Write(Path(u"Ziel"_s), Beside("Z") + target);
    const bool backup = op == u"backup";
    RunEngine(op, Path(backup ? u"Quelle"_s : u"Ziel"_s), Path(backup ? u"Ziel"_s : u"Quelle"_s), {books, regular});
    QCOMPARE(Snapshot(Path(u"Ziel"_s)), Beside("Z") + expected);
    QCOMPARE(Snapshot(Path(u"Quelle"_s)), Beside("Q") + source);
}

void TestBackup::refusals_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("regularOnly");
    QTest::addColumn<QString>("message");
    const QString nothingToRestore = u"Im Backupverzeichnis wurden keine gesicherten Daten gefunden!"_s;
    for (const QString &same : {u"Daten"_s, u"Daten/"_s, u"Sicherung/../Daten"_s, u"./Daten/."_s, u"Verweis"_s}) {
        QTest::addRow("backup into %s", qPrintable(same)) << u"backup"_s << u"Daten"_s << same << false << Identical;
        QTest::addRow("restore from %s", qPrintable(same)) << u"restore"_s << u"Daten"_s << same << false << Identical;
    }
    QTest::newRow("backup from nowhere") << u"backup"_s << u"Fehlt"_s << u"Sicherung"_s << false
                                         << u"Datenverzeichnis wurde nicht gefunden!"_s;
    QTest::newRow("backup of nothing") << u"backup"_s << u"Leer"_s << u"Neu"_s << false
                                       << u"Im Datenverzeichnis wurden keine Daten zum Sichern gefunden!"_s;
    QTest::newRow("backup without books over books")
        << u"backup"_s << u"NurRegular"_s << u"Sicherung"_s << false
        << u"Im Datenverzeichnis wurden keine Haushaltsbücher gefunden!\n\n"
           u"Die Datensicherung würde alle gesicherten Haushaltsbücher entfernen."_s;
    QTest::newRow("restore from nowhere") << u"restore"_s << u"Daten"_s << u"Fehlt"_s << false
                                          << u"Backupverzeichnis wurde nicht gefunden!"_s;
    QTest::newRow("restore from the parent") << u"restore"_s << u"Daten"_s << u"."_s << false << nothingToRestore;
    QTest::newRow("restore of a missing Regular.dat") << u"restore"_s << u"Daten"_s << u"Sicherung"_s << true
                                                      << nothingToRestore;
    QTest::newRow("restore without books over books")
        << u"restore"_s << u"Daten"_s << u"NurRegular"_s << false
        << u"Im Backupverzeichnis wurden keine Haushaltsbücher gefunden!\n\n"
           u"Die Wiederherstellung würde alle vorhandenen Haushaltsbücher entfernen."_s;
}

void TestBackup::refusals()
{
    QFETCH(QString, op);
    QFETCH(QString, data);
    QFETCH(QString, folder);
    QFETCH(bool, regularOnly);
    QFETCH(QString, message);
    Write(Path(u"Daten"_s), Beside("D") + Files{{March, "A"}, {Regular, "R"}});
    Write(Path(u"Sicherung"_s), Files{{January, "B"}});
    Write(Path(u"NurRegular"_s), Files{{Regular, "R1"}});
    QVERIFY(QDir().mkpath(Path(u"Leer"_s)));
    QVERIFY(QFile::link(Path(u"Daten"_s), Path(u"Verweis"_s)));
    const Files before = Snapshot(Home->path());
    QCOMPARE(Failure([&] { RunEngine(op, Path(data), Path(folder), {!regularOnly, true}); }), message);
    QCOMPARE(Snapshot(Home->path()), before);
}

// The journal cannot be written in the program's own folder (a full disk there): the message
// says so instead of blaming the medium, and nothing is touched.
void TestBackup::programDataFolderFull()
{
    Write(Path(u"Daten"_s), Files{{March, "A"}, {Regular, "R"}});
    Write(Path(u"Sicherung"_s), Files{{January, "B"}});
    QFile blocker(ProgramData->filePath(u"Sicherungen"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the journal's folder belongs
    blocker.close();
    const Files before = Snapshot(Home->path());
    for (const QString &op : {u"backup"_s, u"restore"_s}) {
        const QString failure = Failure([&] { RunEngine(op, Path(u"Daten"_s), Path(u"Sicherung"_s), {}); });
        QVERIFY2(failure.contains(u"der Programmdaten lässt sich ihre Aufzeichnung nicht schreiben"_s),
                 qPrintable(failure));
    }
    QCOMPARE(Snapshot(Home->path()), before);
}

void TestBackup::faultsChangeNothing_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("step");
    QTest::addColumn<QList<int>>("calls");
    QTest::addColumn<QString>("message");
    // Three copies, three old files moved out (Januar, Dezember, Regular.dat), three moved in.
    const struct
    {
        const char *Op;
        QString Copy;
        QString Remove;
    } ops[] = {{"backup", BackupCopy, BackupRemove}, {"restore", RestoreCopy, RestoreRemove}};
    for (const auto &o : ops) {
        const QString op = QString::fromLatin1(o.Op);
        QTest::addRow("%s: first copy", o.Op) << op << u"Copy"_s << QList<int>{1} << o.Copy;
        QTest::addRow("%s: last copy", o.Op) << op << u"Copy"_s << QList<int>{3} << o.Copy;
        QTest::addRow("%s: flush", o.Op) << op << u"Flush"_s << QList<int>{1} << o.Copy;
        QTest::addRow("%s: first move out", o.Op) << op << u"Move"_s << QList<int>{1} << o.Remove;
        QTest::addRow("%s: last move in", o.Op) << op << u"Move"_s << QList<int>{6} << o.Remove;
        // Putting back fails too: the old file waits in the staging folder.
        QTest::addRow("%s: undo fails", o.Op) << op << u"Move"_s << QList<int>{4, 5} << o.Remove;
    }
}

void TestBackup::faultsChangeNothing()
{
    QFETCH(QString, op);
    QFETCH(QString, step);
    QFETCH(QList<int>, calls);
    QFETCH(QString, message);
    Write(Path(u"Daten"_s), Beside("D") + Files{{March, "A"}, {January, "B"}, {Regular, "R"}});
    Write(Path(u"Sicherung"_s), Files{{January, "B1"}, {December, "C1"}, {Regular, "R1"}});
    const Files before = Snapshot(Home->path());
    FailingOps failing(step, calls);
    const QString failure = Failure([&] { RunEngine(op, Path(u"Daten"_s), Path(u"Sicherung"_s), {}, &failing); });
    QVERIFY2(calls.size() > 1 ? failure.startsWith(message + u"\n\nDie bisherigen Dateien liegen im Ordner"_s)
                              : failure == message,
             qPrintable(failure));
    if (calls.size() > 1) {
        // What could not be put back waits in the staging folder, and the journal knows it: the
        // next start finishes the transfer, so the target holds the new files, whole.
        const QString target = Path(op == u"backup" ? u"Sicherung"_s : u"Daten"_s);
        const QString source = Path(op == u"backup" ? u"Daten"_s : u"Sicherung"_s);
        QVERIFY(!QDir(target).entryList({u".Haushaltsbuch-Sicherung-*"_s}, QDir::Dirs | QDir::Hidden).isEmpty());
        TransferFileOps ops;
        QCOMPARE(RecoverTransfers(ops, TransferJournal(JournalFolder())).size(), 1);
        QCOMPARE(Snapshot(target), (op == u"backup" ? Files{} : Beside("D")) + Ledger(Snapshot(source)));
        QCOMPARE(TransferJournal(JournalFolder()).Pending(), QStringList());
        return;
    }
    QCOMPARE(Snapshot(Home->path()), before);
}

void TestBackup::readOnlyAndFullDisks()
{
    const QString data = Path(u"Daten"_s);
    const QString stick = Path(u"usb"_s);
    const QString folder = stick + u"/OrvoHaushalt_Backup"_s;
    Files books{{Regular, "R"}};
    for (int i = 0; i < 60; ++i)
        books.insert(u"Buch %1.qel"_s.arg(i), QByteArray(8192, char('a' + i % 26)));
    Write(data, books);
    const auto backup = [&](const QString &into) { return Failure([&] { BackupEngine(data, JournalFolder()).Backup(into, {}); }); };

    // Root reads every file; for anyone else an unreadable book fails the backup.
    if (::geteuid() != 0) {
        Write(Path(u"alt"_s), {{January, "B1"}});
        QVERIFY(QFile::setPermissions(data + u"/Buch 7.qel"_s, {}));
        QCOMPARE(backup(Path(u"alt"_s)), BackupCopy);
        QCOMPARE(Snapshot(Path(u"alt"_s)), (Files{{January, "B1"}}));
        QVERIFY(QFile::setPermissions(data + u"/Buch 7.qel"_s, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }

    QVERIFY(QDir().mkpath(stick));
    if (!Mount({u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=256k"_s, u"tmpfs"_s, stick}))
        QSKIP("mounting needs root here");
    Write(folder, {{January, "B1"}, {Regular, "R1"}});
    const Files stickBefore = Snapshot(stick);

    // No room for the copies beside the old backup (480 KiB of books into 256 KiB): refused before
    // anything is touched, saying what it needs.
    const QString noRoom = backup(folder);
    QVERIFY2(QRegularExpression(u"^Auf dem Datenträger ist nicht genug Platz für die Datensicherung: Sie braucht "
                                u"548 KB, frei sind \\d+ KB\\. Es wurde nichts verändert\\.$"_s)
                 .match(noRoom)
                 .hasMatch(),
             qPrintable(noRoom));
    QCOMPARE(Snapshot(stick), stickBefore);

    // Full midway: room enough, but no file can be made after the first few.
    QVERIFY(Mount({u"-o"_s, u"remount,size=4m,nr_inodes=16"_s, stick}));
    QCOMPARE(backup(folder), BackupCopy);
    QCOMPARE(Snapshot(stick), stickBefore);

    // Read-only: the old backup cannot be replaced, no folder can be made.
    QVERIFY(Mount({u"-o"_s, u"remount,ro"_s, stick}));
    QCOMPARE(backup(folder), BackupCopy);
    QCOMPARE(backup(stick + u"/Neu"_s), u"Verzeichnis für die Datensicherung konnte nicht angelegt werden!"_s + Causes);
    QCOMPARE(Snapshot(stick), stickBefore);

    // A bind mount reaches the data folder by another path.
    const QString bound = Path(u"Daten2"_s);
    QVERIFY(QDir().mkpath(bound) && Mount({u"--bind"_s, data, bound}));
    QCOMPARE(backup(bound), Identical);
    QCOMPARE(Failure([&] { BackupEngine(data, JournalFolder()).Restore(bound, {}); }), Identical);
    QCOMPARE(Snapshot(data), books);
}

void TestBackup::namesFromOldArchivesAndOtherCase()
{
    const QString data = Path(u"Daten"_s);
    Write(data, {{March, "A"}, {Regular, "R"}});
    // "Mai 2008.qel" as an old Windows archive names it: not UTF-8.
    const QByteArray oldName = "M\xE4rz 2007.qel";
    const int fd = ::open(QByteArray(NativePath(data) + '/' + oldName).constData(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0 && ::write(fd, "W", 1) == 1 && ::close(fd) == 0);

    const QString folder = Path(u"Sicherung"_s);
    const TransferReport report = BackupEngine(data, JournalFolder()).Backup(folder, {});
    QVERIFY(::access(QByteArray(NativePath(folder) + '/' + oldName).constData(), F_OK) == 0);
    QCOMPARE(report.Notes, QStringList{u"Mit übertragen wurden Haushaltsbücher, deren Dateinamen in einer älteren "
                                       u"Zeichenkodierung gespeichert sind (nicht UTF-8), unter ihrem bisherigen Namen: "
                                       u"\"März 2007.qel\"."_s});
    // A backup that is refused took nothing along and does not say it did.
    QVERIFY(QDir().mkpath(Path(u"Datei"_s)));
    QFile blocker(Path(u"Datei/keinOrdner"_s));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString refused = Failure([&] { BackupEngine(data, JournalFolder()).Backup(Path(u"Datei/keinOrdner/Sicherung"_s), {}); });
    QVERIFY2(!refused.isEmpty() && !refused.contains(u"Mit übertragen"_s), qPrintable(refused));

    // A backup written by a system that changed the letter case: nothing of it is taken, nothing
    // of the data removed, and the files are named.
    const QString upper = Path(u"GROSS"_s);
    Write(upper, {{u"APRIL 2008.QEL"_s, "A1"}, {u"regular.dat"_s, "R1"}});
    const Files before = Snapshot(data);
    QCOMPARE(Failure([&] { BackupEngine(data, JournalFolder()).Restore(upper, {}); }),
             u"Im Backupverzeichnis wurden keine gesicherten Daten gefunden!\n\nNicht übernommen, weil die Schreibweise "
             u"abweicht (das Haushaltsbuch erkennt nur Dateien auf \".qel\" und die Datei \"Regular.dat\" in genau "
             u"dieser Schreibweise): \"APRIL 2008.QEL\", \"regular.dat\"."_s);
    QCOMPARE(Snapshot(data), before);
}

// A FAT stick folds letter case: an old backup there in other letters is replaced, not a reason
// to fail. Mounted through FUSE where the machine has it.
void TestBackup::caseFoldingMedium()
{
    const QString image = Path(u"stick.img"_s);
    const QString stick = Path(u"stick"_s);
    QVERIFY(QDir().mkpath(stick));
    if (QProcess::execute(u"truncate"_s, {u"-s"_s, u"8M"_s, image}) != 0
        || QProcess::execute(u"mkfs.vfat"_s, {u"-n"_s, u"STICK"_s, image}) != 0
        || QProcess::execute(u"fusefat"_s, {u"-o"_s, u"rw+"_s, image, stick}) != 0)
        QSKIP("no FAT file system through FUSE here (packages dosfstools and fusefat, /dev/fuse)");
    const auto unmount = qScopeGuard([&] { QProcess::execute(u"fusermount"_s, {u"-u"_s, stick}); });
    const QString data = Path(u"Daten"_s);
    const QString folder = stick + u"/Sicherung"_s;
    Write(data, {{u"April 2008.qel"_s, "A2"}, {January, "B2"}, {Regular, "R2"}});
    Write(folder, {{u"APRIL 2008.QEL"_s, "A1"}, {u"januar 2008.qel"_s, "B1"}, {u"REGULAR.DAT"_s, "R1"}});
    QCOMPARE(Failure([&] { QCOMPARE(BackupEngine(data, JournalFolder()).Backup(folder, {}).LateFailure, QString()); }),
             QString());
    QCOMPARE(Snapshot(folder), (Files{{u"April 2008.qel"_s, "A2"}, {January, "B2"}, {Regular, "R2"}}));
}

void TestBackup::links()
{
    const QString data = Path(u"Daten"_s);
    const QString synced = Path(u"Cloud"_s);
    const QString folder = Path(u"Sicherung"_s);
    Write(data, {{March, "A2"}, {Regular, "R2"}});
    // A book kept in a synced folder, linked into the data folder.
    Write(synced, {{January, "B2"}});
    QVERIFY(QFile::link(synced + u'/' + January, data + u'/' + January));
    Write(folder, {{March, "A1"}, {January, "B1"}, {Regular, "R1"}});
    QVERIFY(QFile::link(u"/etc/hostname"_s, folder + u"/Juli 2008.qel"_s));

    const TransferReport report = BackupEngine(data, JournalFolder()).Restore(folder, {});
    QCOMPARE(report.Notes, QStringList{u"Nicht übernommen, weil es Verknüpfungen und keine Dateien sind: "
                                       u"\"Juli 2008.qel\"."_s});
    QVERIFY(!QFileInfo::exists(data + u"/Juli 2008.qel"_s));
    // The linked book got the restored bytes where it lives; the link stays.
    QVERIFY(QFileInfo(data + u'/' + January).isSymLink());
    QCOMPARE(Snapshot(synced), (Files{{January, "B1"}}));
    QCOMPARE(Snapshot(data), (Files{{March, "A1"}, {January, "B1"}, {Regular, "R1"}}));
}

void TestBackup::moveNeverReplaces_data()
{
    QTest::addColumn<Files>("before");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::newRow("file over file") << Files{{March, "neu"}, {January, "alt"}} << March << January;
    // A plain rename would put the folder in place of the empty one.
    QTest::newRow("folder over empty folder") << Files{{u"neu/"_s, {}}, {u"neu/"_s + March, "A"}, {u"alt/"_s, {}}}
                                              << u"neu"_s << u"alt"_s;
}

void TestBackup::moveNeverReplaces()
{
    QFETCH(Files, before);
    QFETCH(QString, from);
    QFETCH(QString, to);
    Write(Home->path(), before);
    TransferFileOps ops;
    QVERIFY(!ops.Move(NativePath(Path(from)), NativePath(Path(to))));
    QCOMPARE(errno, EEXIST);
    QCOMPARE(Snapshot(Home->path()), before);
}

void TestBackup::uncommittedTransferIsUndone_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("backup") << int(TransferKind::Backup)
                            << u"Eine unterbrochene Datensicherung nach \"%1\" wurde rückgängig gemacht. Die bisherige "
                               u"Sicherung ist unverändert."_s;
    QTest::newRow("restore") << int(TransferKind::Restore)
                             << u"Eine unterbrochene Wiederherstellung der Daten in \"%1\" wurde rückgängig gemacht. "
                                u"Die Daten sind unverändert."_s;
}

// Killed while copying: every copy staged, the journal not yet at the renames. The next start
// must put nothing in, however complete the copies look.
void TestBackup::uncommittedTransferIsUndone()
{
    QFETCH(int, kind);
    QFETCH(QString, message);
    const QString target = Path(u"Ziel"_s);
    const Files old = Beside("Z") + Files{{March, "A1"}, {January, "B1"}, {Regular, "R1"}};
    Write(target, old);
    const QString staging = target + u"/.Haushaltsbuch-Sicherung-aB3dE9"_s;
    Write(staging, {{u"alt/"_s, {}}, {u"neu/0"_s, "A2"}, {u"neu/1"_s, "C2"}, {u"neu/2"_s, "R2"}});

    TransferPlan plan;
    plan.Kind = TransferKind(kind);
    plan.Target = NativePath(target);
    plan.Staging = NativePath(staging);
    const QString out[] = {March, January, Regular};
    for (int i = 0; i < 3; ++i)
        plan.Out.append({NativePath(target + u'/' + out[i]), NativePath(staging + u"/alt/"_s + QString::number(i))});
    const QString in[] = {March, December, Regular};
    for (int i = 0; i < 3; ++i)
        plan.In.append({NativePath(staging + u"/neu/"_s + QString::number(i)), NativePath(target + u'/' + in[i])});
    const TransferJournal journal(JournalFolder());
    QVERIFY(journal.Save(TransferJournal::NewId(), plan));

    TransferFileOps ops;
    QCOMPARE(RecoverTransfers(ops, journal), QStringList{message.arg(QDir::toNativeSeparators(target))});
    QCOMPARE(Snapshot(target), old);
    QCOMPARE(journal.Pending(), QStringList());
}

void TestBackup::lateFailuresAreFailures_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("message");
    QTest::newRow("sync") << u"Sync"_s
                          << u"Die Datensicherung hat die Dateien ersetzt, aber das System meldet einen Fehler beim "
                             u"Schreiben auf den Datenträger. Bitte prüfen Sie den Datenträger und wiederholen Sie die "
                             u"Datensicherung."_s;
    QTest::newRow("staging folder") << u"RemoveFolder"_s
                                    << u"Die Datensicherung hat die Dateien ersetzt, aber der Hilfsordner \"%1"_s;
}

void TestBackup::lateFailuresAreFailures()
{
    QFETCH(QString, step);
    QFETCH(QString, message);
    Write(Path(u"Daten"_s), {{March, "A"}, {Regular, "R"}});
    Write(Path(u"Sicherung"_s), {{January, "B1"}});
    FailingOps failing(step, {1, 2, 3});
    const TransferReport report =
        BackupEngine(Path(u"Daten"_s), JournalFolder(), &failing).Backup(Path(u"Sicherung"_s), {});
    QVERIFY2(report.LateFailure.startsWith(message.arg(Path(u"Sicherung/.Haushaltsbuch-Sicherung-"_s))),
             qPrintable(report.LateFailure));
    QCOMPARE(Ledger(Snapshot(Path(u"Sicherung"_s))), (Files{{March, "A"}, {Regular, "R"}}));
    // What is left of the staging folder goes at the next start.
    TransferFileOps ops;
    RecoverTransfers(ops, TransferJournal(JournalFolder()));
    QCOMPARE(Snapshot(Path(u"Sicherung"_s)), (Files{{March, "A"}, {Regular, "R"}}));
}

void TestBackup::tenThousandBooks()
{
    // In memory where there is a tmpfs: creating files is slow on a busy, churned disk. Empty
    // files take no room there.
    const QTemporaryDir shm(u"/dev/shm/tst_backup-XXXXXX"_s);
    const QString root = shm.isValid() ? shm.path() : Home->path();
    const QString data = root + u"/Daten"_s;
    Files books;
    for (int i = 0; i < 10000; ++i)
        books.insert(u"Buch %1 äö.qel"_s.arg(i), {});
    Write(data, books);
    BackupEngine(data, JournalFolder()).Backup(root + u"/Sicherung"_s, {});
    for (int i = 0; i < 10000; i += 2)
        QVERIFY(QFile::remove(data + u"/Buch %1 äö.qel"_s.arg(i)));
    BackupEngine(data, JournalFolder()).Restore(root + u"/Sicherung"_s, {});
    QCOMPARE(Snapshot(data), books);
}

void TestBackup::commandLine()
{
    const QString data = Path(u"Daten"_s);
    Write(data, {{March, "A"}, {Regular, "R"}});
    QVERIFY(QDir().mkpath(Path(u"run"_s)));
    QVERIFY(QFile::setPermissions(Path(u"run"_s), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const auto run = [&](const QStringList &args) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, Home->path());
        env.insert(u"XDG_RUNTIME_DIR"_s, Path(u"run"_s));
        cli.setProcessEnvironment(env);
        cli.setWorkingDirectory(Home->path());
        cli.start(QStringLiteral(QEL_CLI_PATH), QStringList{u"--data-dir"_s, data} + args);
        if (!cli.waitForFinished(60000))
            qFatal("haushaltsbuch-cli did not finish");
        return std::tuple{cli.exitCode(), QString::fromUtf8(cli.readAllStandardOutput() + cli.readAllStandardError())};
    };
    // A relative folder is taken from where the command runs.
    QCOMPARE(run({u"backup"_s, u"--books-only"_s, u"USB/Sicherung"_s}),
             std::tuple(0, u"Die Datensicherung ist abgeschlossen.\n"_s));
    QCOMPARE(Snapshot(Path(u"USB/Sicherung"_s)), (Files{{March, "A"}}));
    QCOMPARE(run({u"backup"_s, data + u"/"_s}), std::tuple(1, Identical + u'\n'));

    Write(data, {{March, "A2"}, {Regular, "R2"}});
    DataLock program;
    QVERIFY(program.TryLock(data, QString::fromUtf16(DataLock::ProgramName)));
    const auto [status, output] = run({u"restore"_s, Path(u"USB/Sicherung"_s)});
    QCOMPARE(status, 1);
    QVERIFY2(output.contains(u"läuft gerade"_s), qPrintable(output));
    program.Unlock();
    QCOMPARE(run({u"restore"_s, u"--regular-only"_s, Path(u"USB/Sicherung"_s)}),
             std::tuple(1, u"Im Backupverzeichnis wurden keine gesicherten Daten gefunden!\n"_s));
    QCOMPARE(run({u"restore"_s, Path(u"USB/Sicherung"_s)}),
             std::tuple(0, u"Das Wiederherstellen der Daten ist abgeschlossen.\n"_s));
    QCOMPARE(Snapshot(data), (Files{{March, "A"}, {Regular, "R2"}}));

    for (const QStringList &wrong : {QStringList{u"backup"_s}, QStringList{u"backup"_s, u"--books-only"_s},
                                     QStringList{u"restore"_s, u"--all"_s, u"x"_s}, QStringList{u"backup"_s, QString()}})
        QCOMPARE(std::get<0>(run(wrong)), 2);
}

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
