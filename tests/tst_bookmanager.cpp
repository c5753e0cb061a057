#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

ListRow Booking(const QString &date, const QString &amount, const QString &category = u"Gehalt"_s)
{
    return ListRow::Make(date, {amount, category, QString()});
}

ListRow RegularBooking(const QString &day, const QString &amount, const QString &kind)
{
    return ListRow::Make(day, {amount, u"Kategorie"_s, QString(), kind});
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestBookManager : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void scanListsBooksByKey();
    void totalsAddRegularBookings();
    void createWritesEmptyBookAtOnce();
    void createRefusesDuplicate();
    void openSavesChangedBookFirst();
    void refreshSavesAndUpdatesTotals();
    void deleteOpenBookClosesIt();
    void editAndRemoveSortAndFlag();
    void vanishedFileOpensEmpty();
    void scanGoesOnPastUnreadableFile();
    void damagedOriginalIsKeptBeforeSaving();
    void unwritableFolderIsReported();
    void failedWriteKeepsOldFile();
    void listNeverReadIsNotWrittenOver();
    void leftoversOfKilledSavesGo();
    void saveWritesThroughALink();
    void scanNamesBooksThatAreNotUtf8();
    void addBookingSortsAndFlags();
    void labels();
    void helpFileBesideTheProgramOrInstalled();

private:
    void WriteBook(const QString &name, const QList<ListRow> &income, const QList<ListRow> &expend = {});
    void WriteRegular(const QList<ListRow> &rows);
    QStringList BookNames() const;

    std::unique_ptr<QTemporaryDir> Dir;
    LedgerPaths Paths;
    std::unique_ptr<BookManager> Books;
};

void TestBookManager::init()
{
    Dir = std::make_unique<QTemporaryDir>();
    Paths.ProgramFolder = Dir->filePath(u"bin/"_s);
    Paths.ProgramDataFolder = Dir->filePath(u"config/Orvo Haushaltsbuch/"_s);
    Paths.DataFolder = Dir->filePath(u"Dokumente/Orvo Haushaltsbuch/Daten/"_s);
    Paths.CreateFolders();
    Books = std::make_unique<BookManager>(Paths, Regional());
}

void TestBookManager::cleanup()
{
    Books.reset();
    Dir.reset();
}

void TestBookManager::WriteBook(const QString &name, const QList<ListRow> &income, const QList<ListRow> &expend)
{
    BookingList in(ListKind::Income);
    BookingList out(ListKind::Expend);
    for (const ListRow &r : income)
        in.AddRow(r);
    for (const ListRow &r : expend)
        out.AddRow(r);
    ListFiles::WriteFile(Paths.BookFile(name), ListFiles::MonthBookBytes(in, out));
}

void TestBookManager::WriteRegular(const QList<ListRow> &rows)
{
    BookingList regular(ListKind::Regular);
    for (const ListRow &r : rows)
        regular.AddRow(r);
    ListFiles::WriteFile(Paths.RegularFile(), ListFiles::RegularBytes(regular));
}

QStringList TestBookManager::BookNames() const
{
    QStringList names;
    for (const ListRow &row : Books->Books().Rows())
        names << row.SubItem(0);
    return names;
}

void TestBookManager::scanListsBooksByKey()
{
    WriteBook(u"Mai 2008"_s, {});
    WriteBook(u"Januar 2009"_s, {});
    WriteBook(u"April 2008"_s, {});
    WriteBook(u"märz 2008"_s, {});
    QFile::copy(Paths.BookFile(u"Mai 2008"_s), Paths.BookFile(u"Mai 2008"_s) + u".defekt"_s);
    QFile::copy(Paths.BookFile(u"Mai 2008"_s), Paths.DataFolder + u"Mai 2008.QEL"_s);
    QDir().mkpath(Paths.DataFolder + u"Ordner.qel"_s);

    QFile file(Paths.BookFile(u"April 2008"_s));
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime stamp(QDate(2008, 4, 30), QTime(21, 5, 9));
    QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();

    QCOMPARE(Books->ScanBooks(), QStringList());
    QCOMPARE(BookNames(), QStringList({u"märz 2008"_s, u"April 2008"_s, u"Mai 2008"_s, u"Januar 2009"_s}));
    QCOMPARE(Books->Books().Row(0).Caption, u"200803"_s);
    QCOMPARE(Books->Books().Row(1).SubItem(1), u"30.04.2008  21:05:09"_s);
    QVERIFY(Books->CurrentBook().isEmpty());
    QVERIFY(!Books->BookChanged());
}

void TestBookManager::totalsAddRegularBookings()
{
    WriteRegular({RegularBooking(u"01."_s, u"1000.00"_s, u"Einnahme"_s),
                  RegularBooking(u"03."_s, u"400.00"_s, u"Ausgabe"_s),
                  RegularBooking(u"04."_s, u"99.00"_s, u"einnahme"_s)});
    WriteBook(u"Mai 2008"_s, {Booking(u"01.05.2008"_s, u"10.00"_s), Booking(u"02.05.2008"_s, u"5.50"_s)},
              {Booking(u"03.05.2008"_s, u"0.10"_s), Booking(u"03.05.2008"_s, u"0.20"_s)});
    Books->LoadRegular();
    Books->ScanBooks();
    QCOMPARE(Books->Books().Row(0).SubItem(2), u"1015.50 €"_s);
    QCOMPARE(Books->Books().Row(0).SubItem(3), u"400.30 €"_s);

    const qsizetype row = Books->CreateBook(u"Juni 2008"_s, QDateTime(QDate(2026, 12, 8), QTime(9, 3, 4)));
    QCOMPARE(Books->Books().Row(row).SubItem(2), u"1000.00 €"_s);
    QCOMPARE(Books->Books().Row(row).SubItem(3), u"400.00 €"_s);
}

void TestBookManager::createWritesEmptyBookAtOnce()
{
    WriteBook(u"Januar 2009"_s, {Booking(u"01.01.2009"_s, u"1.00"_s)});
    Books->ScanBooks();
    const QDateTime now(QDate(2026, 12, 8), QTime(9, 3, 4));
    const qsizetype row = Books->CreateBook(u"März 2008"_s, now);

    QCOMPARE(QFileInfo(Paths.BookFile(u"März 2008"_s)).size(), 1112);
    QCOMPARE(row, 0);
    QCOMPARE(Books->Books().Selected(), 0);
    QCOMPARE(BookNames(), QStringList({u"März 2008"_s, u"Januar 2009"_s}));
    QCOMPARE(Books->Books().Row(0).Caption, u"200803"_s);
    QCOMPARE(Books->Books().Row(0).SubItem(1), u"08.12.2026 09:03:04"_s);
    QCOMPARE(Books->CurrentBook(), u"März 2008"_s);
    QCOMPARE(Books->Income().RowCount(), 0);
    QCOMPARE(Books->Expend().RowCount(), 0);
    QVERIFY(!Books->BookChanged());
}

void TestBookManager::createRefusesDuplicate()
{
    Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    try {
        Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
        QFAIL("duplicate accepted");
    } catch (const QelError &error) {
        QCOMPARE(error.Message(), u"Das Haushaltsbuch \"Mai 2008\" existiert bereits!"_s);
    }
    QCOMPARE(BookNames(), QStringList({u"Mai 2008"_s}));

    // A book file that is not listed is somebody's book all the same: no row, no new file.
    WriteBook(u"Juni 2008"_s, {Booking(u"01.06.2008"_s, u"7.00"_s)});
    const QByteArray before = FileBytes(Paths.BookFile(u"Juni 2008"_s));
    QVERIFY_THROWS_EXCEPTION(QelError, Books->CreateBook(u"Juni 2008"_s, QDateTime::currentDateTime()));
    QCOMPARE(BookNames(), QStringList({u"Mai 2008"_s}));
    QCOMPARE(FileBytes(Paths.BookFile(u"Juni 2008"_s)), before);
}

void TestBookManager::openSavesChangedBookFirst()
{
    WriteBook(u"Juni 2008"_s, {Booking(u"01.06.2008"_s, u"7.00"_s)});
    Books->ScanBooks();
    Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    Books->AddBooking(Books->Income(), Booking(u"02.05.2008"_s, u"12.50"_s));
    QVERIFY(Books->BookChanged());

    Books->OpenBook(Books->FindBook(u"Juni 2008"_s));
    QVERIFY(!Books->BookChanged());
    QCOMPARE(Books->CurrentBook(), u"Juni 2008"_s);
    QCOMPARE(Books->Income().Row(0).SubItem(0), u"7.00"_s);
    QCOMPARE(Books->Income().Columns().at(1).Alignment, ColumnAlignment::Right);

    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    ListFiles::ParseMonthBook(FileBytes(Paths.BookFile(u"Mai 2008"_s)), income, expend);
    QCOMPARE(income.RowCount(), 1);
    QCOMPARE(income.Row(0).SubItem(0), u"12.50"_s);
}

void TestBookManager::refreshSavesAndUpdatesTotals()
{
    Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    Books->RefreshCurrentBook(); // nothing changed: nothing written
    Books->AddBooking(Books->Expend(), Booking(u"02.05.2008"_s, u"3.25"_s));
    Books->AddBooking(Books->Regular(), RegularBooking(u"05."_s, u"100.00"_s, u"Ausgabe"_s));
    Books->RefreshCurrentBook();
    QVERIFY(!Books->BookChanged());
    QVERIFY(!Books->RegularChanged());
    QCOMPARE(Books->Books().Row(0).SubItem(3), u"103.25 €"_s);
    QVERIFY(QFileInfo(Paths.RegularFile()).size() > 586);
    QVERIFY(QFileInfo(Paths.BookFile(u"Mai 2008"_s)).size() > 1112);
}

void TestBookManager::deleteOpenBookClosesIt()
{
    Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    Books->CreateBook(u"Juni 2008"_s, QDateTime::currentDateTime());
    Books->AddBooking(Books->Income(), Booking(u"02.06.2008"_s, u"1.00"_s));

    Books->DeleteBook(Books->FindBook(u"Mai 2008"_s));
    QCOMPARE(Books->CurrentBook(), u"Juni 2008"_s);
    QVERIFY(Books->BookChanged());
    QVERIFY(!QFileInfo::exists(Paths.BookFile(u"Mai 2008"_s)));

    Books->DeleteBook(Books->FindBook(u"Juni 2008"_s));
    QVERIFY(Books->CurrentBook().isEmpty());
    QVERIFY(!Books->BookChanged());
    QVERIFY(!QFileInfo::exists(Paths.BookFile(u"Juni 2008"_s)));
    QCOMPARE(Books->Books().RowCount(), 0);

    // With no book open, a save writes nothing.
    Books->AddBooking(Books->Income(), Booking(u"02.06.2008"_s, u"1.00"_s));
    Books->SaveCurrentBook();
    QCOMPARE(QDir(Paths.DataFolder).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

void TestBookManager::editAndRemoveSortAndFlag()
{
    Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    BookingList &income = Books->Income();
    Books->AddBooking(income, Booking(u"25.05.2008"_s, u"1.00"_s));
    Books->AddBooking(income, Booking(u"03.05.2008"_s, u"2.00"_s));
    QCOMPARE(income.Row(0).Caption, u"03.05.2008"_s);
    Books->SetBookChanged(false);

    // Unchanged values still count as a change; the row keeps its stored indices.
    income.MutableRow(1).ImageIndex = 7;
    income.SetSelected(1);
    Books->EditBooking(income, 1, u"25.05.2008"_s, {u"1.00"_s, QString(), QString()});
    QVERIFY(Books->BookChanged());
    QCOMPARE(income.Row(1).ImageIndex, 7);

    // A new date moves the row, and the selection goes with it.
    Books->EditBooking(income, 1, u"01.05.2008"_s, {u"9.50"_s, u"Lohn"_s, u"Mai"_s});
    QCOMPARE(income.Row(0).Caption, u"01.05.2008"_s);
    QCOMPARE(income.Row(0).SubItems, QStringList({u"9.50"_s, u"Lohn"_s, u"Mai"_s}));
    QCOMPARE(income.Selected(), 0);

    Books->SetBookChanged(false);
    Books->RemoveBooking(income, 0);
    QVERIFY(Books->BookChanged());
    QCOMPARE(income.RowCount(), 1);
    QCOMPARE(income.Selected(), -1);
    QVERIFY(!Books->RegularChanged());

    Books->AddBooking(Books->Regular(), RegularBooking(u"05."_s, u"1.00"_s, u"Ausgabe"_s));
    Books->SetRegularChanged(false);
    Books->RemoveBooking(Books->Regular(), 0);
    QVERIFY(Books->RegularChanged());
}

// The bookings live in the change logs: a book file gone from the folder loses none of them,
// and the next save writes it again with all of them.
void TestBookManager::vanishedFileOpensEmpty()
{
    WriteBook(u"Mai 2008"_s, {Booking(u"01.05.2008"_s, u"1.00"_s)});
    Books->ScanBooks();
    QFile::remove(Paths.BookFile(u"Mai 2008"_s));
    Books->OpenBook(0);
    QCOMPARE(Books->Income().RowCount(), 1);
    Books->AddBooking(Books->Income(), Booking(u"01.05.2008"_s, u"2.00"_s));
    Books->SaveCurrentBook();
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    ListFiles::ParseMonthBook(FileBytes(Paths.BookFile(u"Mai 2008"_s)), income, expend);
    QCOMPARE(income.RowCount(), 2);
}

void TestBookManager::scanGoesOnPastUnreadableFile()
{
    WriteBook(u"Mai 2008"_s, {Booking(u"01.05.2008"_s, u"1.00"_s)});
    WriteBook(u"Juli 2008"_s, {Booking(u"01.07.2008"_s, u"3.00"_s)});
    QFile bad(Paths.BookFile(u"Juni 2008"_s));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("kein Haushaltsbuch");
    bad.close();

    const QStringList errors = Books->ScanBooks();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.front().startsWith(u"Ungültiges Stream-Format\n"_s), qPrintable(errors.front()));
    QCOMPARE(BookNames(), QStringList({u"Mai 2008"_s, u"Juni 2008"_s, u"Juli 2008"_s}));
    QVERIFY(Books->Books().Row(1).SubItem(2).isEmpty());
    QCOMPARE(Books->Books().Row(2).SubItem(2), u"3.00 €"_s);
    // Reading alone writes nothing.
    QCOMPARE(QDir(Paths.DataFolder).entryList(QDir::Files).size(), 3);

    // A damaged Regular.dat is reported once, and every readable book still has its totals.
    QFile::remove(Paths.BookFile(u"Juni 2008"_s));
    QFile regular(Paths.RegularFile());
    QVERIFY(regular.open(QIODevice::WriteOnly)); // empty
    regular.close();
    const QStringList regularErrors = Books->ScanBooks();
    QCOMPARE(regularErrors.size(), 1);
    QVERIFY2(regularErrors.front().contains(u"Regular.dat"_s), qPrintable(regularErrors.front()));
    QCOMPARE(Books->Books().Row(0).SubItem(2), u"1.00 €"_s);
    QCOMPARE(Books->Books().Row(1).SubItem(2), u"3.00 €"_s);
}

void TestBookManager::damagedOriginalIsKeptBeforeSaving()
{
    BookingList income(ListKind::Income);
    income.AddRow(Booking(u"01.05.2008"_s, u"1.00"_s));
    QByteArray firstRecordOnly;
    firstRecordOnly = ListFiles::MonthBookBytes(income, BookingList(ListKind::Expend));
    firstRecordOnly.chop(300);
    QFile file(Paths.BookFile(u"Mai 2008"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(firstRecordOnly);
    file.close();
    Books->ScanBooks();

    try {
        Books->OpenBook(0);
        QFAIL("damaged book opened without error");
    } catch (const QelError &error) {
        QVERIFY(error.Message().startsWith(u"Stream-Lesefehler\n"_s));
        QVERIFY2(error.Message().contains(u"Mai 2008.qel.defekt"_s), qPrintable(error.Message()));
    }
    QCOMPARE(Books->CurrentBook(), u"Mai 2008"_s);
    QCOMPARE(Books->Income().RowCount(), 1); // what was read before the error stays

    Books->AddBooking(Books->Income(), Booking(u"02.05.2008"_s, u"2.00"_s));
    Books->SaveCurrentBook();
    QCOMPARE(FileBytes(Paths.BookFile(u"Mai 2008"_s) + u".defekt"_s), firstRecordOnly);
    BookingList readIncome(ListKind::Income);
    BookingList readExpend(ListKind::Expend);
    ListFiles::ParseMonthBook(FileBytes(Paths.BookFile(u"Mai 2008"_s)), readIncome, readExpend);
    QCOMPARE(readIncome.RowCount(), 2);

    // Once saved whole, the file is ordinary again: the next save keeps no further copy.
    Books->SaveCurrentBook();
    QVERIFY(!QFileInfo::exists(Paths.BookFile(u"Mai 2008"_s) + u".defekt-2"_s));
}

void TestBookManager::unwritableFolderIsReported()
{
    Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    const QByteArray before = FileBytes(Paths.BookFile(u"Mai 2008"_s));
    QVERIFY(QDir(Paths.DataFolder).removeRecursively());
    QFile blocker(Paths.DataFolder.chopped(1));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Books->AddBooking(Books->Income(), Booking(u"01.05.2008"_s, u"2.00"_s));
    try {
        Books->SaveCurrentBook();
        QFAIL("save into a missing folder reported no error");
    } catch (const QelError &error) {
        const QString expected = u"Die Änderung konnte nicht gespeichert werden: Das Änderungsprotokoll"_s;
        QVERIFY2(error.Message().startsWith(expected), qPrintable(error.Message()));
        QVERIFY2(error.Message().endsWith(u"Es wurde nichts geändert."_s), qPrintable(error.Message()));
    }
    QVERIFY(Books->BookChanged());
    QVERIFY(!before.isEmpty());
}

void TestBookManager::failedWriteKeepsOldFile()
{
    // A file size limit fails the write part-way like a full disk does, but needs no mount.
    Books->CreateBook(u"Mai 2008"_s, QDateTime::currentDateTime());
    for (int i = 0; i < 80; ++i)
        Books->AddBooking(Books->Income(), Booking(u"%1.05.2008"_s.arg(i % 28 + 1, 2, 10, QChar(u'0')), u"10.00"_s));
    Books->SaveCurrentBook();
    const QByteArray before = FileBytes(Paths.BookFile(u"Mai 2008"_s));
    QVERIFY(before.size() > 4096);
    Books->AddBooking(Books->Income(), Booking(u"31.05.2008"_s, u"1.00"_s));

    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString message;
    try {
        Books->SaveCurrentBook();
    } catch (const QelError &error) {
        message = error.Message();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    QVERIFY2(message.startsWith(u"Die Änderung konnte nicht gespeichert werden: Das Änderungsprotokoll"_s)
                 && message.contains(u"Die Datei ist zu groß. Es wurde nichts geändert."_s),
             qPrintable(message));
    QCOMPARE(FileBytes(Paths.BookFile(u"Mai 2008"_s)), before);
    QCOMPARE(QDir(Paths.DataFolder).entryList(QDir::Files | QDir::Hidden), QStringList{u"Mai 2008.qel"_s});
    QVERIFY(Books->BookChanged());

    // The rename that replaces the file can fail too (an immutable file, a network folder);
    // reproduced with a folder in the file's place that is not empty.
    const QString blocked = Paths.BookFile(u"Juni 2008"_s);
    QVERIFY(QDir().mkpath(blocked + u"/Inhalt"_s));
    message.clear();
    try {
        ListFiles::WriteFile(blocked, "neu");
    } catch (const QelError &error) {
        message = error.Message();
    }
    QVERIFY2(message.startsWith(u"Stream-Schreibfehler: Die Datei \"%1\" konnte nicht gespeichert werden."_s.arg(
                 QDir::toNativeSeparators(blocked))),
             qPrintable(message));
    QCOMPARE(QDir(Paths.DataFolder).entryList(QDir::Files | QDir::Hidden), QStringList{u"Mai 2008.qel"_s});
}

void TestBookManager::listNeverReadIsNotWrittenOver()
{
    WriteRegular({RegularBooking(u"01."_s, u"1000.00"_s, u"Einnahme"_s)});
    const QByteArray before = FileBytes(Paths.RegularFile());
    // Start-up stopped before Regular.dat was read: the one new row goes beside what the file
    // holds (a save adds what changed, it never replaces the file by the list).
    Books->AddBooking(Books->Regular(), RegularBooking(u"02."_s, u"5.00"_s, u"Ausgabe"_s));
    Books->SaveRegular();
    BookingList regular(ListKind::Regular);
    ListFiles::ParseRegular(FileBytes(Paths.RegularFile()), regular);
    QCOMPARE(regular.RowCount(), 2);
    QCOMPARE(Books->Regular().RowCount(), 2);
    QVERIFY(FileBytes(Paths.RegularFile()) != before);
}

// A book kept as a link into a synced folder stays a link; the file it names gets the save.
void TestBookManager::saveWritesThroughALink()
{
    const QString synced = Dir->filePath(u"Cloud/Mai.qel"_s);
    QVERIFY(QDir().mkpath(QFileInfo(synced).path()));
    WriteBook(u"Mai 2008"_s, {});
    QVERIFY(QFile::rename(Paths.BookFile(u"Mai 2008"_s), synced));
    QVERIFY(QFile::link(synced, Paths.BookFile(u"Mai 2008"_s)));
    QVERIFY(QFile::link(Dir->filePath(u"Cloud/Regular.dat"_s), Paths.RegularFile())); // not there yet

    Books->ScanBooks();
    Books->SetCurrentBook(u"Mai 2008"_s);
    Books->OpenCurrentBook();
    Books->AddBooking(Books->Income(), Booking(u"02.05.2008"_s, u"1.00"_s));
    Books->AddBooking(Books->Regular(), RegularBooking(u"07."_s, u"2.00"_s, u"Einnahme"_s));
    Books->SaveCurrentBook();
    Books->SaveRegular();

    QVERIFY(QFileInfo(Paths.BookFile(u"Mai 2008"_s)).isSymLink());
    QVERIFY(QFileInfo(Paths.RegularFile()).isSymLink());
    QVERIFY(FileBytes(synced).size() > 1112);
    QVERIFY(QFileInfo::exists(Dir->filePath(u"Cloud/Regular.dat"_s)));
}

void TestBookManager::leftoversOfKilledSavesGo()
{
    WriteBook(u"Mai 2008"_s, {});
    const QStringList ours{u".Mai 2008.qel.a1B2c3.tmp"_s, u".Regular.dat.ZZZZZZ.tmp"_s};
    const QStringList theirs{u"Mai 2008.qel.backup"_s, u"Mai 2008.qel.TYMkZW"_s, u".notiz.tmp"_s,
                             u".Mai 2008.qel.kurz.tmp"_s};
    for (const QString &name : ours + theirs) {
        QFile file(Paths.DataFolder + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(FileBytes(Paths.BookFile(u"Mai 2008"_s)));
    }
    QCOMPARE(Books->ScanBooks(), QStringList());
    QCOMPARE(BookNames(), QStringList{u"Mai 2008"_s});
    QCOMPARE(ListFiles::RemoveLeftovers(Paths.DataFolder), 2);
    QStringList left = QDir(Paths.DataFolder).entryList(QDir::Files | QDir::Hidden);
    QStringList expected = theirs + QStringList{u"Mai 2008.qel"_s};
    left.sort();
    expected.sort();
    QCOMPARE(left, expected);
}

void TestBookManager::scanNamesBooksThatAreNotUtf8()
{
    WriteBook(u"Mai 2008"_s, {});
    std::FILE *old = std::fopen((QFile::encodeName(Paths.DataFolder) + "M\xE4rz 2008.qel").constData(), "wb");
    QVERIFY(old);
    std::fclose(old);
    const QStringList errors = Books->ScanBooks();
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.front().startsWith(u"Der Name der Datei \"März 2008.qel\" im Datenordner ist in einer älteren Zeichenkodierung"_s),
             qPrintable(errors.front()));
    QCOMPARE(BookNames(), QStringList{u"Mai 2008"_s});
}

void TestBookManager::addBookingSortsAndFlags()
{
    Books->CreateBook(u"März 2008"_s, QDateTime::currentDateTime());
    BookingList &income = Books->Income();
    Books->AddBooking(income, Booking(u"15.03.2008"_s, u"1.00"_s));
    Books->AddBooking(income, Booking(u"20.03.2008"_s, u"2.00"_s));
    QCOMPARE(Books->AddBooking(income, Booking(u"02.03.2008"_s, u"3.00"_s)), 0);
    QCOMPARE(Books->AddBooking(income, Booking(u"15.03.2008"_s, u"4.00"_s)), 2);
    QCOMPARE(income.Row(1).SubItem(0), u"1.00"_s);
    QVERIFY(Books->BookChanged());
    QVERIFY(!Books->RegularChanged());
    Books->AddBooking(Books->Regular(), RegularBooking(u"07."_s, u"1.00"_s, u"Einnahme"_s));
    QVERIFY(Books->RegularChanged());
}

void TestBookManager::labels()
{
    Books->AddBooking(Books->Regular(), RegularBooking(u"07."_s, u"1.00"_s, u"Einnahme"_s));
    QCOMPARE(Books->IncomeTotalLabel(), u"Gesamteinnahmen: 0.00 €"_s);
    QCOMPARE(Books->ExpendTotalLabel(), u"Gesamtausgaben: 0.00 €"_s);
    QCOMPARE(Books->RegularSummaryLabel(), u"Einnahmen: 1.00 €          Ausgaben: 0.00 €"_s);
}

// Run from the build tree the help file lies beside the program; installed, it lies in the
// data folder of the installation (bin/../share/haushaltsbuch).
void TestBookManager::helpFileBesideTheProgramOrInstalled()
{
    const QString beside = Paths.ProgramFolder + u"QEL.chm"_s;
    const QString installed = Dir->filePath(u"share/haushaltsbuch/QEL.chm"_s);
    QCOMPARE(Paths.HelpFile(), beside);
    QVERIFY(QDir().mkpath(QFileInfo(installed).path()));
    QVERIFY(QFile(installed).open(QIODevice::WriteOnly));
    QCOMPARE(Paths.HelpFile(), installed);
    QVERIFY(QDir().mkpath(Paths.ProgramFolder));
    QVERIFY(QFile(beside).open(QIODevice::WriteOnly));
    QCOMPARE(Paths.HelpFile(), beside);
}

QTEST_GUILESS_MAIN(TestBookManager)
#include "tst_bookmanager.moc"
