#include "KillingOps.h"

#include "transfer/AutoBackup.h"
#include "backup/LedgerBackup.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

ino_t Inode(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

const QDateTime Start(QDate(2026, 12, 8), QTime(14, 20, 5));

QString DataIn(const QString &home)
{
    return home + u"/Documents/Orvo Haushaltsbuch/Daten/"_s;
}

QString ProgramDataIn(const QString &home)
{
    return home + u"/.config/Orvo Haushaltsbuch/"_s;
}

QString AutomaticIn(const QString &home)
{
    return ProgramDataIn(home) + u"Sicherungen/automatisch/"_s;
}

using Files = QMap<QString, QByteArray>;

// The files of a copy with their bytes, without the list of them.
Files Held(const QString &folder)
{
    Files files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (name != AutoBackups::ManifestName())
            files.insert(name, ListFiles::ReadFile(folder + name));
    }
    return files;
}

// Everything below the folder, hidden or not: files with their bytes, folders as "name/".
Files Tree(const QString &folder)
{
    Files files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        const QString name = QDir(folder).relativeFilePath(path);
        if (it.fileInfo().isDir())
            files.insert(name + u'/', {});
        else
            files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
    }
    return files;
}

// The hidden folders a kill or a failure left in the folder of copies.
QStringList Hidden(const QString &automatic)
{
    return QDir(automatic).entryList({u".*"_s}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A file system without hard links (some network shares, FAT sticks).
class NoLinks : public TransferFileOps
{
public:
    bool Link(const QByteArray &, const QByteArray &) override
    {
        errno = EPERM;
        return false;
    }
};

// Three runs kept two at a time: the third run's copy and the removal of the first.
constexpr int ThinningKeep = 2;
const QByteArray ThinningMarch[] = {"A1", "A2", "A3"};

QString RunName(int run)
{
    return AutoBackups::NameFor(Start.addSecs(run * 60));
}

int RunOf(const QString &name)
{
    for (int run = 0; run < 3; ++run) {
        if (RunName(run) == name)
            return run;
    }
    return -1;
}

Files RunFiles(int run)
{
    return {{u"März 2008.qel"_s, ThinningMarch[run]}, {u"April 2008.qel"_s, "B"}, {u"Regular.dat"_s, "R"}};
}

void ThirdRun(const QString &home, TransferFileOps &ops)
{
    AutoBackups(AutomaticIn(home), &ops, ThinningKeep).Create(DataIn(home), {}, Start.addSecs(2 * 60));
}

} // namespace

// The automatic backups: a dated copy per run, unchanged files shared, the newest ten kept, and
// a run's changes brought back through the command line after the books were deleted by hand.
class TestAutoBackup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void keepsTenAndSharesWhatDidNotChange();
    void withoutLinksEveryFileIsCopied();
    void partialCopies_data();
    void partialCopies();
    void thinningKilledAtEveryStep();
    void unfinishedCopiesGo();
    void commandLine();

private:
    QString Data() const { return DataIn(Home->path()); }
    QString Automatic() const { return AutomaticIn(Home->path()); }
    LedgerPaths Paths() const;
    void Save(const QString &name, const QByteArray &bytes) { ListFiles::WriteFile(Data() + name, bytes); }
    void PrepareThirdRun();
    void CheckAfterKill(int step);

    std::unique_ptr<QTemporaryDir> Home;
};

LedgerPaths TestAutoBackup::Paths() const
{
    LedgerPaths paths;
    paths.DataFolder = Data();
    paths.ProgramDataFolder = ProgramDataIn(Home->path());
    return paths;
}

void TestAutoBackup::init()
{
    Home = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(Data()));
    Save(u"März 2008.qel"_s, "A");
    Save(u"April 2008.qel"_s, "B");
    Save(u"Regular.dat"_s, "R");
}

void TestAutoBackup::cleanup()
{
    // QTemporaryDir skips names that are not UTF-8.
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(Home->path()).toStdString(), ignored);
}

void TestAutoBackup::keepsTenAndSharesWhatDidNotChange()
{
    AutoBackups automatic(Automatic());
    for (int run = 0; run < 11; ++run) {
        Save(u"März 2008.qel"_s, "A" + QByteArray::number(run));
        QVERIFY(automatic.Create(Data(), {}, Start.addSecs(run * 60)));
    }
    const QList<AutoBackupEntry> entries = automatic.List();
    QCOMPARE(entries.size(), 10);
    QCOMPARE(entries.front().Name, u"2026-12-08 14-30-05"_s);
    // The 11th run removed the oldest.
    QCOMPARE(entries.back().Name, u"2026-12-08 14-21-05"_s);
    QCOMPARE(ListFiles::ReadFile(entries.front().Folder + u"März 2008.qel"_s), QByteArray("A10"));
    QCOMPARE(ListFiles::ReadFile(entries.back().Folder + u"März 2008.qel"_s), QByteArray("A1"));
    // What did not change is one file for all copies; what changed is a copy of its own.
    QCOMPARE(Inode(entries.front().Folder + u"April 2008.qel"_s), Inode(entries.back().Folder + u"April 2008.qel"_s));
    QVERIFY(Inode(entries.front().Folder + u"März 2008.qel"_s) != Inode(entries.at(1).Folder + u"März 2008.qel"_s));
    QVERIFY(Inode(entries.front().Folder + u"April 2008.qel"_s) != Inode(Data() + u"April 2008.qel"_s));

    // Two in one second, and a copy being restored from stays whatever its age.
    const std::optional<AutoBackupEntry> again = automatic.Create(Data(), {}, Start.addSecs(600), entries.back().Folder);
    QCOMPARE(again->Name, u"2026-12-08 14-30-05 (2)"_s);
    QVERIFY(QFileInfo::exists(entries.back().Folder));
    QCOMPARE(automatic.List().size(), 11);
    QCOMPARE(automatic.Find(u"2026-12-08"_s)->Name, again->Name);
}

void TestAutoBackup::withoutLinksEveryFileIsCopied()
{
    NoLinks ops;
    AutoBackups automatic(Automatic(), &ops, 3);
    for (int run = 1; run <= 4; ++run) {
        Save(u"März 2008.qel"_s, "A" + QByteArray::number(run));
        QVERIFY(automatic.Create(Data(), {}, Start.addSecs(run * 60)));
    }
    const QList<AutoBackupEntry> entries = automatic.List();
    QCOMPARE(entries.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(Held(entries.at(i).Folder), (Files{{u"März 2008.qel"_s, "A" + QByteArray::number(4 - i)},
                                                    {u"April 2008.qel"_s, "B"},
                                                    {u"Regular.dat"_s, "R"}}));
    }
}

void TestAutoBackup::partialCopies_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("whole");
    QTest::newRow("whole") << QString() << true;
    QTest::newRow("made before copies listed their files") << u"no list"_s << true;
    QTest::newRow("list without its last line break") << u"list cut"_s << false;
    QTest::newRow("book with an old name missing") << u"book missing"_s << false;
    QTest::newRow("book shorter") << u"book shorter"_s << false;
    // Its files go in the order of their names: the list before "März" and "Regular.dat".
    QTest::newRow("hidden on its way out, its list gone") << u"hidden"_s << false;
}

// A copy with files missing or cut short is not offered, and a restore from it is refused before
// anything is touched, the copy of the data as they stand included.
void TestAutoBackup::partialCopies()
{
    QFETCH(QString, damage);
    QFETCH(bool, whole);
    // A book named as an old Windows archive names it: not UTF-8.
    const QByteArray oldName = "M\xE4rz 2007.qel";
    const int fd = ::open(QByteArray(NativePath(Data()) + '/' + oldName).constData(), O_WRONLY | O_CREAT, 0644);
    QVERIFY(fd >= 0 && ::write(fd, "W", 1) == 1 && ::close(fd) == 0);
    const std::optional<AutoBackupEntry> copy = AutoBackups(Automatic()).Create(Data(), {}, Start);
    QVERIFY(copy);
    const QByteArray native = NativePath(copy->Folder);
    QString folder = copy->Folder;
    if (damage == u"no list") {
        QVERIFY(QFile::remove(folder + AutoBackups::ManifestName()));
    } else if (damage == u"list cut") {
        QVERIFY(QFile::resize(folder + AutoBackups::ManifestName(),
                              QFileInfo(folder + AutoBackups::ManifestName()).size() - 1));
    } else if (damage == u"book missing") {
        QCOMPARE(::unlink(QByteArray(native + '/' + oldName).constData()), 0);
    } else if (damage == u"book shorter") {
        QVERIFY(QFile::resize(folder + u"April 2008.qel"_s, 0));
    } else if (damage == u"hidden") {
        folder = Automatic() + u".veraltet-"_s + copy->Name + u'/';
        QVERIFY(QDir().rename(copy->Folder, folder));
        QVERIFY(QFile::remove(folder + u"April 2008.qel"_s) && QFile::remove(folder + AutoBackups::ManifestName()));
    } else {
        QCOMPARE(AutoBackups::IsWhole(folder), whole);
    }
    QCOMPARE(AutoBackups(Automatic()).List().size(), whole ? 1 : 0);
    QCOMPARE(AutoBackups(Automatic()).Find(copy->Name).has_value(), whole);

    Save(u"März 2008.qel"_s, "A2");
    const Files before = Tree(Home->path());
    LedgerBackup backups(Paths());
    try {
        backups.Restore(folder, {});
        QVERIFY2(whole, "restored from a partial copy");
        QCOMPARE(ListFiles::ReadFile(Data() + u"März 2008.qel"_s), QByteArray("A"));
        QCOMPARE(::access(QByteArray(NativePath(Data()) + '/' + oldName).constData(), F_OK), 0);
    } catch (const QelError &error) {
        QVERIFY2(!whole, qPrintable(error.Message()));
        QCOMPARE(error.Message(), u"Die automatische Sicherung \"%1\" ist nicht vollständig und kann nicht "
                                  u"wiederhergestellt werden. Es wurde nichts verändert."_s.arg(QDir(folder).dirName()));
        QCOMPARE(Tree(Home->path()), before);
    }
}

void TestAutoBackup::PrepareThirdRun()
{
    init();
    AutoBackups automatic(Automatic(), nullptr, ThinningKeep);
    for (int run = 0; run < 2; ++run) {
        Save(u"März 2008.qel"_s, ThinningMarch[run]);
        QVERIFY(automatic.Create(Data(), {}, Start.addSecs(run * 60)));
    }
    Save(u"März 2008.qel"_s, ThinningMarch[2]);
}

// Whatever step a kill comes before, every copy in sight is whole, and the next start leaves
// nothing hidden behind.
void TestAutoBackup::thinningKilledAtEveryStep()
{
    PrepareThirdRun();
    KillingOps counting(0);
    ThirdRun(Home->path(), counting);
    QCOMPARE(QDir(Automatic()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), (QStringList{RunName(1), RunName(2)}));
    QVERIFY(Hidden(Automatic()).isEmpty());
    const int steps = counting.Steps();
    for (int step = 1; step <= steps; ++step) {
        PrepareThirdRun();
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--thin-killed-at"_s, QString::number(step), Home->path()});
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitStatus() == QProcess::CrashExit, qPrintable(u"not killed at step %1"_s.arg(step)));
        CheckAfterKill(step);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestAutoBackup::CheckAfterKill(int step)
{
    const QString at = u"killed before step %1: "_s.arg(step);
    // The copies in sight, read without the program's own judgement: each holds all its files.
    const QStringList dated =
        QDir(Automatic()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    // Before the new copy is in sight, while both are, after the oldest has gone.
    const QList<QStringList> allowed{
        {RunName(1), RunName(0)}, {RunName(2), RunName(1), RunName(0)}, {RunName(2), RunName(1)}};
    QVERIFY2(allowed.contains(dated), qPrintable(at + dated.join(u", "_s)));
    for (const QString &name : dated)
        QVERIFY2(Held(Automatic() + name + u'/') == RunFiles(RunOf(name)), qPrintable(at + name));
    AutoBackups automatic(Automatic());
    QStringList listed;
    for (const AutoBackupEntry &entry : automatic.List())
        listed.append(entry.Name);
    QCOMPARE(listed, dated);
    QCOMPARE(automatic.Find(u"2026-12-08"_s)->Name, dated.front());

    LedgerBackup backups(Paths());
    QCOMPARE(backups.NeedsRecovery(), !Hidden(Automatic()).isEmpty());
    backups.Recover();
    QVERIFY2(Hidden(Automatic()).isEmpty(), qPrintable(at + Hidden(Automatic()).join(u", "_s)));
    QVERIFY(!backups.NeedsRecovery());
    for (const QString &name : dated) {
        try {
            backups.Restore(Automatic() + name, {});
        } catch (const QelError &error) {
            QFAIL(qPrintable(at + error.Message()));
        }
        QCOMPARE(ListFiles::ReadFile(Data() + u"März 2008.qel"_s), ThinningMarch[RunOf(name)]);
    }
}

void TestAutoBackup::unfinishedCopiesGo()
{
    // A copy being made and one being removed when a kill came.
    const QString unfinished = Automatic() + u".unfertig-aB3dE9/"_s;
    const QString retired = Automatic() + u".veraltet-2026-12-07 10-00-00/"_s;
    for (const QString &folder : {unfinished, retired}) {
        QVERIFY(QDir().mkpath(folder));
        ListFiles::WriteFile(folder + u"März 2008.qel"_s, "halb");
    }
    LedgerBackup backups(Paths());
    QVERIFY(backups.NeedsRecovery());
    QCOMPARE(backups.Recover(), QStringList());
    QCOMPARE(Hidden(Automatic()), QStringList());
    QVERIFY(!backups.NeedsRecovery());
    // Nothing to copy, no copy.
    for (const QString &name : QDir(Data()).entryList(QDir::Files))
        QVERIFY(QFile::remove(Data() + name));
    QVERIFY(!backups.KeepAutomaticCopy(Start));
}

void TestAutoBackup::commandLine()
{
    const auto run = [&](const QStringList &args) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, Home->path());
        env.remove(u"XDG_CONFIG_HOME"_s);
        env.remove(u"XDG_DOCUMENTS_DIR"_s);
        env.insert(u"XDG_RUNTIME_DIR"_s, Home->filePath(u"run"_s));
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(QEL_CLI_PATH), args);
        if (!cli.waitForFinished(60000))
            qFatal("haushaltsbuch-cli did not finish");
        return std::tuple{cli.exitCode(), QString::fromUtf8(cli.readAllStandardOutput() + cli.readAllStandardError())};
    };
    QVERIFY(QDir().mkpath(Home->filePath(u"run"_s)));
    QVERIFY(QFile::setPermissions(Home->filePath(u"run"_s),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    AutoBackups(Automatic()).Create(Data(), {}, Start);

    // The books deleted by hand come back from the run's copy.
    QVERIFY(QFile::remove(Data() + u"März 2008.qel"_s) && QFile::remove(Data() + u"April 2008.qel"_s));
    Save(u"Mai 2008.qel"_s, "C");
    QCOMPARE(run({u"backups"_s}), std::tuple(0, u"2026-12-08 14-20-05\t2\t%1\n"_s.arg(Automatic() + u"2026-12-08 14-20-05/"_s)));
    QCOMPARE(run({u"restore"_s, u"--auto"_s, u"2026-12-08"_s}),
             std::tuple(0, u"Das Wiederherstellen der Daten ist abgeschlossen.\n"
                           u"Wiederhergestellt aus der automatischen Sicherung \"2026-12-08 14-20-05\".\n"
                           u"Änderungen, die seit der Sicherung \"2026-12-08 14-20-05\" gemacht wurden, sind damit "
                           u"rückgängig gemacht. Die automatische Sicherung, die vor dem Wiederherstellen angelegt "
                           u"wurde, enthält sie noch.\n"_s));
    QCOMPARE(QDir(Data()).entryList(QDir::Files), (QStringList{u"April 2008.qel"_s, u"März 2008.qel"_s, u"Regular.dat"_s}));
    // The data from before the restore were kept first.
    const auto [status, listing] = run({u"backups"_s});
    QCOMPARE(listing.count(u'\n'), 2);
    QVERIFY2(listing.contains(u"\t1\t"_s), qPrintable(listing));

    // A second copy that day: the day alone no longer says which one.
    AutoBackups(Automatic()).Create(Data(), {}, Start.addSecs(3600));
    const QDir data(Data());
    const QStringList before = data.entryList(QDir::Files);
    const QString day = u"2026-12-08"_s;
    const auto [refused, copies] = run({u"restore"_s, u"--auto"_s, day});
    QCOMPARE(refused, 1);
    QCOMPARE(copies, u"Am 2026-12-08 gibt es 2 automatische Sicherungen. Bitte eine davon mit Uhrzeit angeben:\n"
                     u"2026-12-08 15-20-05\t2 Haushaltsbücher\n"
                     u"2026-12-08 14-20-05\t2 Haushaltsbücher\n"_s);
    QCOMPARE(data.entryList(QDir::Files), before);
    QCOMPARE(std::get<0>(run({u"restore"_s, u"--auto"_s, u"2026-12-08 15-20-05"_s})), 0);

    QCOMPARE(run({u"restore"_s, u"--auto"_s, u"1999-01-01"_s}),
             std::tuple(1, u"Eine automatische Sicherung \"1999-01-01\" gibt es nicht. \"haushaltsbuch-cli backups\" "
                           u"zeigt die vorhandenen.\n"_s));
    // The program keeps and thins out that folder: no backup of the user's goes there.
    QCOMPARE(std::get<0>(run({u"backup"_s, Automatic() + u"meine"_s})), 1);
    QVERIFY(!QFileInfo::exists(Automatic() + u"meine"_s));
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The child of thinningKilledAtEveryStep: the third run, ended by SIGKILL at a step.
    if (argc == 4 && qstrcmp(argv[1], "--thin-killed-at") == 0) {
        KillingOps ops(QByteArray(argv[2]).toInt());
        ThirdRun(QFile::decodeName(argv[3]), ops);
        return 0;
    }
    TestAutoBackup test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_autobackup.moc"
