#include "CliRun.h"
#include "ImportTestStatements.h"

#include "changes/ChangeLog.h"
#include "books/ChangeHistory.h"
#include "books/HistoryPlayer.h"
#include "history/HistorySteps.h"
#include "books/BookManager.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

const QDateTime Now(QDate(2026, 12, 9), QTime(8, 0));

// What the ledger holds, as the model sees it: per book its income and expense rows, and the
// regular bookings; rows as text, sorted, so that the order of equal captions does not count.
struct Ledger
{
    QMap<QString, std::pair<QStringList, QStringList>> Books;
    QStringList Regular;

    bool operator==(const Ledger &) const = default;
};

QString RowText(const ListRow &row)
{
    return (QStringList{row.Caption} + row.SubItems).join(u'|');
}

QStringList Texts(const BookingList &list)
{
    QStringList texts;
    for (const ListRow &row : list.Rows())
        texts.append(RowText(row));
    texts.sort();
    return texts;
}

char *toString(const Ledger &ledger)
{
    QString text;
    for (auto it = ledger.Books.cbegin(); it != ledger.Books.cend(); ++it)
        text += it.key() + u": "_s + it->first.join(u", "_s) + u" / "_s + it->second.join(u", "_s) + u'\n';
    text += u"regelmäßig: "_s + ledger.Regular.join(u", "_s);
    return qstrdup(text.toUtf8().constData());
}

} // namespace

// The history of changes: its file, and undo and redo through the book manager.
class TestUndoHistory : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void stepTexts();
    void randomChangesUndosAndRedosFollowTheModel();
    void laterChangesStay_data();
    void laterChangesStay();
    void failedStepChangesNothing();
    void linkedBookStaysALink();
    void importTakenBackThroughTheCommandLine();
    void keepsTheLastHundred();
    void commandLine();

private:
    Ledger OnDisk() const;
    std::unique_ptr<BookManager> MakeBooks() const;

    std::unique_ptr<QTemporaryDir> Home;
    LedgerPaths Paths;
};

void TestUndoHistory::init()
{
    Home = MakeCliHome();
    Paths.DataFolder = Home->filePath(u"Documents/Orvo Haushaltsbuch/Daten/"_s);
    Paths.ProgramDataFolder = Home->filePath(u".config/Orvo Haushaltsbuch/"_s);
    Paths.CreateFolders();
}

std::unique_ptr<BookManager> TestUndoHistory::MakeBooks() const
{
    auto books = std::make_unique<BookManager>(Paths, Regional());
    books->LoadRegular();
    books->ScanBooks();
    return books;
}

Ledger TestUndoHistory::OnDisk() const
{
    Ledger ledger;
    for (const QString &file : QDir(Paths.DataFolder).entryList({u"*.qel"_s}, QDir::Files)) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        ListFiles::ParseMonthBook(ListFiles::ReadFile(Paths.DataFolder + file), income, expend);
        ledger.Books.insert(file.chopped(4), {Texts(income), Texts(expend)});
    }
    if (QFile::exists(Paths.RegularFile())) {
        BookingList regular(ListKind::Regular);
        ListFiles::ParseRegular(ListFiles::ReadFile(Paths.RegularFile()), regular);
        ledger.Regular = Texts(regular);
    }
    return ledger;
}

void TestUndoHistory::stepTexts()
{
    QCOMPARE(HistorySteps::StepText(
                 {u"März 2026"_s, ListKind::Expend, ListRow::Make(u"03.03.2026"_s, {u"12.5"_s, u"Edeka"_s, QString()}),
                  ListRow::Make(u"04.03.2026"_s, {u"13"_s, u"Edeka"_s, u"Wocheneinkauf"_s})}),
             u"Änderung der Ausgabe 13,00 € „Edeka“ in März 2026"_s);
    QCOMPARE(HistorySteps::ImportText(2, u"/tmp/konto.csv"_s), u"Import von 2 Buchungen aus „konto.csv“"_s);
}

// Random changes, undos and redos against a model of the ledger: after every step the files
// hold exactly what the model says.
void TestUndoHistory::randomChangesUndosAndRedosFollowTheModel()
{
    QRandomGenerator random(20261209);
    const QStringList names{u"Januar 2026"_s, u"Februar 2026"_s, u"März 2026"_s};
    const QStringList amounts{u"1.00"_s, u"12.50"_s, u"7.00"_s};
    QList<Ledger> states{OnDisk()};
    qsizetype position = 0;
    auto books = MakeBooks();
    const auto changed = [&] {
        states.resize(position + 1);
        states.append(OnDisk());
        // The history keeps only its last hundred steps.
        if (states.size() > ChangeHistory::Kept + 1)
            states.removeFirst();
        position = states.size() - 1;
    };
    const auto pick = [&](qsizetype n) { return qsizetype(random.bounded(int(n))); };

    for (int round = 0; round < 400; ++round) {
        const int op = random.bounded(10);
        const QString name = names.at(pick(names.size()));
        const ListRow row =
            ListRow::Make(u"%1.01.2026"_s.arg(int(1 + pick(3)), 2, 10, QChar(u'0')), {amounts.at(pick(3)), u"Kat"_s, QString()});
        QString what;
        if (op == 0) {
            what = u"create"_s;
            if (books->FindBook(name) >= 0)
                continue;
            books->CreateBook(name, Now);
        } else if (op == 1) {
            what = u"remove"_s;
            if (books->FindBook(name) < 0 || random.bounded(3) != 0)
                continue;
            books->DeleteBook(books->FindBook(name));
        } else if (op <= 4) {
            what = u"booking"_s;
            if (books->FindBook(name) < 0)
                continue;
            books->OpenBook(books->FindBook(name));
            BookingList &list = random.bounded(2) ? books->Income() : books->Expend();
            const int kind = list.IsEmpty() ? 0 : random.bounded(3);
            if (kind == 0) {
                books->AddBooking(list, row);
            } else if (kind == 1) {
                books->EditBooking(list, pick(list.RowCount()), row.Caption, row.SubItems);
                // A booking changed into what it was is no step.
                books->SaveChange(list);
                if (OnDisk() == states.at(position))
                    continue;
            } else {
                books->RemoveBooking(list, pick(list.RowCount()));
            }
            books->SaveChange(list);
        } else if (op == 5) {
            what = u"regular"_s;
            BookingList &regular = books->Regular();
            const ListRow r = ListRow::Make(u"07."_s, {amounts.at(pick(3)), u"Miete"_s, QString(), u"Ausgabe"_s});
            if (regular.IsEmpty() || random.bounded(2))
                books->AddBooking(regular, r);
            else
                books->RemoveBooking(regular, pick(regular.RowCount()));
            books->SaveChange(regular);
        } else if (op <= 7) {
            what = u"undo"_s;
            const bool any = HistoryPlayer(*books).Undo().has_value();
            QCOMPARE(any, position > 0);
            if (any)
                --position;
            QCOMPARE(OnDisk(), states.at(position));
            continue;
        } else {
            what = u"redo"_s;
            const bool any = HistoryPlayer(*books).Redo().has_value();
            QCOMPARE(any, position + 1 < states.size());
            if (any)
                ++position;
            QCOMPARE(OnDisk(), states.at(position));
            continue;
        }
        changed();
        // And a new run of the program or the command line finds the same history.
        if (round % 50 == 0)
            books = MakeBooks();
    }
    QVERIFY(states.size() > 20);
}

void TestUndoHistory::laterChangesStay_data()
{
    QTest::addColumn<QByteArray>("later");
    QTest::addColumn<bool>("leftOver");
    QTest::newRow("nothing since") << QByteArray() << false;
    QTest::newRow("booking edited since") << QByteArray("edit") << true;
    QTest::newRow("booking removed since") << QByteArray("remove") << true;
    QTest::newRow("another booking added since") << QByteArray("add") << false;
}

// Undo takes back only what is as the step left it; the rest stays and is named.
void TestUndoHistory::laterChangesStay()
{
    QFETCH(QByteArray, later);
    QFETCH(bool, leftOver);
    const QString book = u"März 2026"_s;
    const ListRow edeka = ListRow::Make(u"03.03.2026"_s, {u"12.50"_s, u"Edeka"_s, QString()});
    {
        auto books = MakeBooks();
        books->CreateBook(book, Now);
        books->AddBooking(books->Expend(), edeka);
        books->SaveChange(books->Expend());
    }
    // The other machine's or a hand's change, outside the history.
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    ListFiles::ParseMonthBook(ListFiles::ReadFile(Paths.BookFile(book)), income, expend);
    if (later == "edit")
        expend.SetSubItem(0, 0, u"13.00"_s);
    else if (later == "remove")
        expend.RemoveRow(0);
    else if (later == "add")
        expend.AddRow(ListRow::Make(u"05.03.2026"_s, {u"3.00"_s, u"Bäcker"_s, QString()}));
    ListFiles::WriteFile(Paths.BookFile(book), ListFiles::MonthBookBytes(income, expend));
    // A while after the program wrote it.
    QFile edited(Paths.BookFile(book));
    QVERIFY(edited.open(QIODevice::ReadWrite));
    QVERIFY(edited.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
    edited.close();
    const QStringList before = Texts(expend);

    auto books = MakeBooks();
    HistoryPlayer player(*books);
    const std::optional<PlayOutcome> outcome = player.Undo();
    QVERIFY(outcome);
    QCOMPARE(outcome->Text, u"Ausgabe 12,50 € „Edeka“ in März 2026"_s);
    QCOMPARE(outcome->Left.size(), leftOver ? 1 : 0);
    const Ledger now = OnDisk();
    QStringList expected = before;
    if (!leftOver)
        expected.removeOne(RowText(edeka));
    QCOMPARE(now.Books.value(book).second, expected);
    if (leftOver) {
        QVERIFY2(outcome->Message(true).contains(u"Nicht zurückgenommen, weil seither geändert:\n  Ausgabe 12,50 € "
                                                 u"„Edeka“ in März 2026"_s),
                 qPrintable(outcome->Message(true)));
    }
    // The book itself has bookings of its own now or still: undoing its creation leaves it.
    const std::optional<PlayOutcome> creation = player.Undo();
    QVERIFY(creation);
    QCOMPARE(QFile::exists(Paths.BookFile(book)), !expected.isEmpty());
    QVERIFY(!player.Undo());
}

namespace {

// Every file under the folder with its bytes, hidden ones included.
QMap<QString, QByteArray> Files(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        files.insert(file, ListFiles::ReadFile(file));
    }
    return files;
}

// While it lives, no file of this process grows beyond the size it has now, as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &Old_);
        rlimit limit = Old_;
        limit.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &Old_); }

private:
    rlimit Old_{};
};

} // namespace

// An undo whose entry cannot be written (the log cannot grow): every file stays as it was,
// the book list too; with room again it succeeds.
void TestUndoHistory::failedStepChangesNothing()
{
    auto books = MakeBooks();
    books->CreateBook(u"Januar 2026"_s, Now);
    books->AddBooking(books->Expend(), ListRow::Make(u"02.01.2026"_s, {u"5.00"_s, u"Bäcker"_s, QString()}));
    books->SaveChange(books->Expend());
    books->CreateBook(u"Februar 2026"_s, Now);
    books->DeleteBook(books->FindBook(u"Januar 2026"_s));
    const QMap<QString, QByteArray> before = Files(Home->path());
    const QString log = ChangeLog::FolderOf(Paths.DataFolder) + QDir(ChangeLog::FolderOf(Paths.DataFolder)).entryList(QDir::Files).front();
    {
        const FileSizeLimit full(QFileInfo(log).size());
        try {
            HistoryPlayer(*books).Undo();
            QFAIL("the undo went through");
        } catch (const QelError &error) {
            QVERIFY2(error.Message().endsWith(u"Es wurde nichts geändert."_s), qPrintable(error.Message()));
        }
    }
    QCOMPARE(Files(Home->path()), before);
    QCOMPARE(books->FindBook(u"Januar 2026"_s), -1);

    // The removed book is back, listed, with its booking; the trash is empty.
    QVERIFY(HistoryPlayer(*books).Undo());
    QVERIFY(books->FindBook(u"Januar 2026"_s) >= 0);
    QCOMPARE(OnDisk().Books.value(u"Januar 2026"_s).second, QStringList{u"02.01.2026|5.00|Bäcker|"_s});
    QVERIFY(QDir(Paths.TrashFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// A book that is a link into a synced folder: undo writes the file the link names, and the
// link stays a link.
void TestUndoHistory::linkedBookStaysALink()
{
    const QString book = u"März 2026"_s;
    const QString synced = Home->filePath(u"Sync/März 2026.qel"_s);
    QVERIFY(QDir().mkpath(Home->filePath(u"Sync"_s)));
    auto books = MakeBooks();
    books->CreateBook(book, Now);
    const QByteArray empty = ListFiles::ReadFile(Paths.BookFile(book));
    QVERIFY(QFile::rename(Paths.BookFile(book), synced));
    QVERIFY(QFile::link(synced, Paths.BookFile(book)));
    books->AddBooking(books->Expend(), ListRow::Make(u"03.03.2026"_s, {u"12.50"_s, u"Edeka"_s, QString()}));
    books->SaveChange(books->Expend());
    QVERIFY(ListFiles::ReadFile(synced) != empty);

    QVERIFY(HistoryPlayer(*books).Undo());
    QVERIFY(QFileInfo(Paths.BookFile(book)).isSymLink());
    QCOMPARE(ListFiles::ReadFile(synced), empty);
    QCOMPARE(QDir(Paths.DataFolder).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{book + u".qel"_s});
    QCOMPARE(QDir(Paths.DataFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{ChangeLog::FolderName()});
}

// A real import taken back: its bookings leave, the book it made goes, the store forgets the
// rows, so a new import offers them again; a row edited by hand since stays and is named.
void TestUndoHistory::importTakenBackThroughTheCommandLine()
{
    const QString statement = Home->filePath(u"märz.xml"_s);
    QVERIFY(WriteTestFile(statement,
                          CamtStatement({{{2026, 3, 1}, u"800.00"_s, false, u"Hausverwaltung Ost"_s, u"Miete"_s, u"R1"_s},
                                         {{2026, 3, 5}, u"42.90"_s, false, u"REWE Markt GmbH"_s, u"Einkauf"_s, u"R2"_s},
                                         {{2026, 4, 1}, u"2100.00"_s, true, u"Arbeitgeber AG"_s, u"Gehalt"_s, u"R3"_s}})));
    QCOMPARE(RunCli(*Home, {u"import"_s, statement}).Status, 0);
    const QString march = u"März 2026"_s;
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    ListFiles::ParseMonthBook(ListFiles::ReadFile(Paths.BookFile(march)), income, expend);
    QCOMPARE(expend.RowCount(), 2);
    expend.SetSubItem(1, 0, u"43.00"_s); // the REWE row, by hand
    ListFiles::WriteFile(Paths.BookFile(march), ListFiles::MonthBookBytes(income, expend));

    CliResult r = RunCli(*Home, {u"undo"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Rückgängig: Import von 3 Buchungen aus „märz.xml“\n"
                    u"Nicht zurückgenommen, weil seither geändert:\n"
                    u"  Ausgabe 42,90 € „Sonstige“ in März 2026 – seither geändert oder entfernt\n"
                    u"  Haushaltsbuch „März 2026“ bleibt: es hat inzwischen Buchungen\n"_s);
    QVERIFY(!QFile::exists(Paths.BookFile(u"April 2026"_s)));
    QCOMPARE(OnDisk().Books.value(march).second,
             QStringList{u"05.03.2026|43.00|Sonstige|REWE Markt GmbH"_s});

    r = RunCli(*Home, {u"import"_s, u"--dry-run"_s, statement});
    QCOMPARE(r.Status, 0);
    const QStringList lines = r.Out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines.at(0).startsWith(u"neu\tMärz 2026\tAusgabe\t01.03.2026\t800.00"_s), qPrintable(r.Out));
    QVERIFY2(!lines.at(1).startsWith(u"neu\t"_s), qPrintable(r.Out));
    QVERIFY2(lines.at(2).startsWith(u"neu\tApril 2026\tEinnahme\t01.04.2026\t2100.00"_s), qPrintable(r.Out));
}

void TestUndoHistory::keepsTheLastHundred()
{
    QList<ChangeEntry> own;
    const auto add = [&](EntryKind kind, qint64 target = 0) {
        ChangeEntry entry;
        entry.Seq = own.size() + 1;
        entry.Kind = kind;
        entry.Target = target;
        own.append(entry);
    };
    for (int i = 0; i < ChangeHistory::Kept + 5; ++i)
        add(i % 7 == 0 ? EntryKind::Import : EntryKind::Step);
    add(EntryKind::Written); // files following the logs are no step
    QCOMPARE(ChangeHistory(own).NextUndo(), ChangeHistory::Kept + 5);
    for (int i = 0; i < ChangeHistory::Kept; ++i)
        add(EntryKind::Undo, *ChangeHistory(own).NextUndo());
    QVERIFY(!ChangeHistory(own).NextUndo());
    QCOMPARE(ChangeHistory(own).NextRedo(), 6);
    add(EntryKind::Redo, 6);
    QCOMPARE(ChangeHistory(own).NextUndo(), 6);
    // A new step drops what was undone.
    add(EntryKind::Step);
    QVERIFY(!ChangeHistory(own).NextRedo());
}

void TestUndoHistory::commandLine()
{
    const QString book = u"März 2026"_s;
    CliResult r = RunCli(*Home, {u"undo"_s});
    QCOMPARE(r.Status, 1);
    QCOMPARE(r.Err, u"Nichts rückgängig zu machen\n"_s);
    QCOMPARE(RunCli(*Home, {u"redo"_s}).Err, u"Nichts wiederherzustellen\n"_s);

    QCOMPARE(RunCli(*Home, {u"new"_s, book}).Status, 0);
    QCOMPARE(RunCli(*Home, {u"add"_s, book, u"expense"_s, u"03.03.2026"_s, u"12,50"_s, u"Edeka"_s}).Status, 0);
    const QByteArray added = ListFiles::ReadFile(Paths.BookFile(book));
    r = RunCli(*Home, {u"undo"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Rückgängig: Ausgabe 12,50 € „Edeka“ in März 2026\n"_s);
    QCOMPARE(OnDisk().Books.value(book), (std::pair<QStringList, QStringList>()));
    r = RunCli(*Home, {u"redo"_s});
    QCOMPARE(r.Out, u"Wiederhergestellt: Ausgabe 12,50 € „Edeka“ in März 2026\n"_s);
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(book)), added);

    // A removed book comes back byte for byte, and goes again.
    QCOMPARE(RunCli(*Home, {u"remove"_s, book}).Status, 0);
    QCOMPARE(RunCli(*Home, {u"undo"_s}).Out, u"Rückgängig: Haushaltsbuch „März 2026“ entfernt\n"_s);
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(book)), added);
    QCOMPARE(RunCli(*Home, {u"redo"_s}).Status, 0);
    QVERIFY(!QFile::exists(Paths.BookFile(book)));
    QCOMPARE(RunCli(*Home, {u"trash"_s}).Out.count(u'\n'), 1);

    // A restore is a step of its own: undo takes it back, and the steps before it after it.
    const QString folder = Home->filePath(u"Stick"_s);
    QCOMPARE(RunCli(*Home, {u"undo"_s}).Status, 0);
    QVERIFY(QFile::exists(Paths.BookFile(book)));
    QCOMPARE(RunCli(*Home, {u"backup"_s, folder}).Status, 0);
    QCOMPARE(RunCli(*Home, {u"add"_s, book, u"income"_s, u"01.03.2026"_s, u"5"_s, u"Zinsen"_s}).Status, 0);
    const QByteArray withInterest = ListFiles::ReadFile(Paths.BookFile(book));
    QCOMPARE(RunCli(*Home, {u"restore"_s, folder}).Status, 0);
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(book)), added);
    r = RunCli(*Home, {u"undo"_s});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, u"Rückgängig: Wiederherstellung aus „%1“\n"_s.arg(QDir::toNativeSeparators(folder)));
    QCOMPARE(ListFiles::ReadFile(Paths.BookFile(book)), withInterest);
    QCOMPARE(RunCli(*Home, {u"undo"_s}).Out, u"Rückgängig: Einnahme 5,00 € „Zinsen“ in März 2026\n"_s);
}

QTEST_GUILESS_MAIN(TestUndoHistory)
#include "tst_undohistory.moc"
