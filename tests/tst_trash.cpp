#include "CliRun.h"

#include "history/BookTrash.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Removed books go into the trash of the program data folder and come back byte for byte.
class TestTrash : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTripThroughTheCommandLine();
    void refusedWhileTheNameExists();
    void keptForThirtyDays_data();
    void keptForThirtyDays();
    void newestRemovalComesBackFirst();

private:
    QString DataFolder() const { return Home->filePath(u"Documents/Orvo Haushaltsbuch/Daten/"_s); }
    LedgerPaths Paths() const;
    void WriteBook(const QString &name, const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> Home;
};

void TestTrash::init()
{
    Home = MakeCliHome();
    QVERIFY(Home->isValid());
}

LedgerPaths TestTrash::Paths() const
{
    LedgerPaths paths;
    paths.DataFolder = DataFolder();
    paths.ProgramDataFolder = Home->filePath(u".config/Orvo Haushaltsbuch/"_s);
    return paths;
}

void TestTrash::WriteBook(const QString &name, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(DataFolder()));
    ListFiles::WriteFile(DataFolder() + name + u".qel"_s, bytes);
}

void TestTrash::roundTripThroughTheCommandLine()
{
    const QString book = u"März 2026"_s;
    QCOMPARE(RunCli(*Home, {u"new"_s, book}).Status, 0);
    QCOMPARE(RunCli(*Home, {u"add"_s, book, u"expense"_s, u"03.03.2026"_s, u"12,50"_s, u"Edeka"_s}).Status, 0);
    QCOMPARE(RunCli(*Home, {u"add"_s, book, u"income"_s, u"01.03.2026"_s, u"100"_s, u"Gehalt"_s}).Status, 0);
    const QString path = DataFolder() + book + u".qel"_s;
    const QByteArray before = ListFiles::ReadFile(path);
    const QDateTime modified = QFileInfo(path).lastModified();

    CliResult r = RunCli(*Home, {u"remove"_s, book});
    QCOMPARE(r.Status, 0);
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(RunCli(*Home, {u"books"_s}).Out, QString());

    r = RunCli(*Home, {u"trash"_s});
    QCOMPARE(r.Status, 0);
    const QStringList fields = r.Out.trimmed().split(u'\t');
    QCOMPARE(fields.size(), 4);
    QCOMPARE(fields.at(0), book);
    QVERIFY2(QDateTime::fromString(fields.at(1), u"dd.MM.yyyy HH:mm:ss"_s).isValid(), qPrintable(fields.at(1)));
    QCOMPARE(fields.at(2), u"100.00 €"_s);
    QCOMPARE(fields.at(3), u"12.50 €"_s);

    r = RunCli(*Home, {u"untrash"_s, book});
    QCOMPARE(r.Status, 0);
    QCOMPARE(ListFiles::ReadFile(path), before);
    QCOMPARE(QFileInfo(path).lastModified().toSecsSinceEpoch(), modified.toSecsSinceEpoch());
    QCOMPARE(RunCli(*Home, {u"trash"_s}).Out, QString());

    r = RunCli(*Home, {u"untrash"_s, book});
    QCOMPARE(r.Status, 1);
    QCOMPARE(r.Err, u"Im Papierkorb liegt kein Haushaltsbuch \"März 2026\".\n"_s);
    QCOMPARE(RunCli(*Home, {u"remove"_s, u"Mai 2026"_s}).Status, 1);
}

void TestTrash::refusedWhileTheNameExists()
{
    const QString book = u"April 2026"_s;
    WriteBook(book, "removed");
    QCOMPARE(RunCli(*Home, {u"remove"_s, book}).Status, 0);
    WriteBook(book, "made since");

    const CliResult r = RunCli(*Home, {u"untrash"_s, book});
    QCOMPARE(r.Status, 1);
    QCOMPARE(r.Err, u"Das Haushaltsbuch \"April 2026\" existiert bereits! Das entfernte Buch bleibt im Papierkorb.\n"_s);
    QCOMPARE(ListFiles::ReadFile(DataFolder() + book + u".qel"_s), "made since");
    const QList<TrashedBook> trashed = BookTrash(Paths()).List(QDateTime::currentDateTime());
    QCOMPARE(trashed.size(), 1);
    QCOMPARE(ListFiles::ReadFile(trashed.front().File), "removed");
}

void TestTrash::keptForThirtyDays_data()
{
    QTest::addColumn<qint64>("secondsLater");
    QTest::addColumn<bool>("kept");
    const qint64 day = 24 * 3600;
    QTest::newRow("same day") << qint64(0) << true;
    QTest::newRow("a second before 30 days") << 30 * day - 1 << true;
    QTest::newRow("30 days") << 30 * day << false;
    QTest::newRow("a year") << 365 * day << false;
}

void TestTrash::keptForThirtyDays()
{
    QFETCH(qint64, secondsLater);
    QFETCH(bool, kept);
    WriteBook(u"Mai 2026"_s, "bytes");
    const QDateTime removed(QDate(2026, 5, 31), QTime(12, 0));
    BookTrash trash(Paths());
    trash.Put(u"Mai 2026"_s, removed);
    QVERIFY(!QFileInfo::exists(DataFolder() + u"Mai 2026.qel"_s));

    const QDateTime later = removed.addSecs(secondsLater);
    QCOMPARE(trash.List(later).size(), kept ? 1 : 0);
    QCOMPARE(trash.Find(u"Mai 2026"_s, later).has_value(), kept);
    // What a move killed before its rename left goes too.
    const QString leftover = Paths().TrashFolder() + u".Mai 2026.qel.a1B2c3.tmp"_s;
    ListFiles::WriteFile(leftover, "halb");
    QCOMPARE(trash.RemoveExpired(later), kept ? 0 : 1);
    QVERIFY(!QFileInfo::exists(leftover));
    QCOMPARE(trash.List(removed).size(), kept ? 1 : 0);
}

void TestTrash::newestRemovalComesBackFirst()
{
    BookTrash trash(Paths());
    const QDateTime now(QDate(2026, 12, 9), QTime(8, 0));
    WriteBook(u"Juni 2026"_s, "first");
    trash.Put(u"Juni 2026"_s, now);
    WriteBook(u"Juni 2026"_s, "second");
    // The same moment: the two are kept apart all the same.
    trash.Put(u"Juni 2026"_s, now);
    QCOMPARE(trash.List(now).size(), 2);

    trash.Restore(*trash.Find(u"Juni 2026"_s, now));
    QCOMPARE(ListFiles::ReadFile(DataFolder() + u"Juni 2026.qel"_s), "second");
    QVERIFY_THROWS_EXCEPTION(QelError, trash.Restore(*trash.Find(u"Juni 2026"_s, now)));
    QVERIFY(QFile::remove(DataFolder() + u"Juni 2026.qel"_s));
    trash.Restore(*trash.Find(u"Juni 2026"_s, now));
    QCOMPARE(ListFiles::ReadFile(DataFolder() + u"Juni 2026.qel"_s), "first");
    QVERIFY(trash.List(now).isEmpty());
}

QTEST_GUILESS_MAIN(TestTrash)
#include "tst_trash.moc"
