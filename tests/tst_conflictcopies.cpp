#include "ledger/BookManager.h"
#include "ledger/ConflictCopies.h"
#include "ledger/ListFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestConflictCopies : public QObject
{
    Q_OBJECT

private slots:
    void namesOfTheTools_data();
    void namesOfTheTools();
    void noBooksOfTheirOwn();
};

void TestConflictCopies::namesOfTheTools_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("original"); // empty: no conflict copy
    const QString march = u"März 2026.qel"_s;
    QTest::newRow("Syncthing") << u"März 2026.sync-conflict-20260308-101500-ABCDEF7.qel"_s << march;
    QTest::newRow("Syncthing, letter case") << u"März 2026.SYNC-CONFLICT-20260308-101500-abcdef7.qel"_s << march;
    QTest::newRow("Nextcloud") << u"März 2026 (conflicted copy 2026-03-08 101500).qel"_s << march;
    QTest::newRow("Nextcloud with the user") << u"März 2026 (conflicted copy maria 2026-03-08 101500).qel"_s << march;
    QTest::newRow("Dropbox, German") << u"März 2026 (Peters in Konflikt stehende Kopie 2026-03-08).qel"_s << march;
    QTest::newRow("Dropbox, English") << u"März 2026 (Peter's conflicted copy 2026-03-08).qel"_s << march;
    QTest::newRow("Dropbox, the second") << u"März 2026 (Peter's conflicted copy 2026-03-08) (1).qel"_s << march;
    QTest::newRow("Dropbox, French") << u"März 2026 (copie en conflit de Pierre 2026-03-08).qel"_s << march;
    QTest::newRow("Regular.dat, Syncthing") << u"Regular.sync-conflict-20260308-101500-ABCDEF7.dat"_s
                                            << u"Regular.dat"_s;
    QTest::newRow("Regular.dat, Nextcloud") << u"Regular (conflicted copy 2026-03-08 101500).dat"_s << u"Regular.dat"_s;
    QTest::newRow("a book") << march << QString();
    QTest::newRow("a copy made by hand") << u"März 2026 (Kopie).qel"_s << QString();
    QTest::newRow("no ledger file") << u"Notizen.sync-conflict-20260308-101500-ABCDEF7.txt"_s << QString();
    QTest::newRow("no mark") << u"März 2026.sync-conflict.qel"_s << QString();
}

void TestConflictCopies::namesOfTheTools()
{
    QFETCH(QString, name);
    QFETCH(QString, original);
    QCOMPARE(ConflictCopies::OriginalName(name).value_or(QString()), original);
}

// Never listed, searched or counted as a book.
void TestConflictCopies::noBooksOfTheirOwn()
{
    QTemporaryDir dir;
    LedgerPaths paths;
    paths.ProgramDataFolder = dir.filePath(u"Programm/"_s);
    paths.DataFolder = dir.filePath(u"Daten/"_s);
    paths.CreateFolders();
    BookManager books(paths, Regional());
    books.CreateBook(u"März 2026"_s, QDateTime::currentDateTime());
    for (const QString &copy : {u"März 2026.sync-conflict-20260308-101500-ABCDEF7.qel"_s,
                                u"März 2026 (conflicted copy 2026-03-08 101500).qel"_s})
        QVERIFY(QFile::copy(paths.BookFile(u"März 2026"_s), paths.DataFolder + copy));
    books.ScanBooks();
    QCOMPARE(books.Books().RowCount(), 1);
    QCOMPARE(ConflictCopies::InFolder(paths.DataFolder).size(), 2);
}

QTEST_GUILESS_MAIN(TestConflictCopies)
#include "tst_conflictcopies.moc"
