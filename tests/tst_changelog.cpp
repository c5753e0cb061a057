#include "changes/ChangeLog.h"
#include "changes/ChangeStore.h"
#include "changes/EntryCodec.h"
#include "changes/LedgerState.h"
#include "changes/ListChanges.h"
#include "changes/LogFolder.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

BookingContent Expense(const QString &book, const QString &date, const QString &amount, const QString &purpose)
{
    return {book, ListKind::Expend, ListRow::Make(date, {amount, u"Lebensmittel"_s, purpose})};
}

ChangeEntry Entry(const QByteArray &computer, qint64 seq, qint64 clock)
{
    ChangeEntry entry;
    entry.Computer = computer;
    entry.Seq = seq;
    entry.Clock = clock;
    entry.When = 1'780'000'000 + seq;
    return entry;
}

BookingOp Add(const QByteArray &id, const BookingContent &content)
{
    return {id, {}, {}, content, std::nullopt};
}

BookingOp Change(const QByteArray &id, const QByteArray &base, std::optional<BookingContent> after)
{
    return {id, {}, base, std::move(after), std::nullopt};
}

QString Purposes(const LedgerState &state, const QString &book)
{
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    state.BookLists(book, Regional(), income, expend);
    QStringList purposes;
    for (const ListRow &row : expend.Rows())
        purposes.append(row.SubItem(2));
    return purposes.join(u',');
}

// Every ledger file a state gives, as bytes, for comparing two states.
QByteArray Everything(const LedgerState &state)
{
    QByteArray all;
    for (const QString &book : state.Books()) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        state.BookLists(book, Regional(), income, expend);
        all += book.toUtf8() + '\n' + ListFiles::MonthBookBytes(income, expend);
    }
    all += ListFiles::RegularBytes(state.RegularList(Regional()));
    all += state.Budgets().Bytes();
    return all;
}

} // namespace

class TestChangeLog : public QObject
{
    Q_OBJECT

private slots:
    void entriesReadBackExactly();
    void tornAndDamagedLogs();
    void concurrentChangesKeepBoth_data();
    void concurrentChangesKeepBoth();
    void sameStateInAnyOrder();
    void budgetsChangedOnTwoComputers();
    void logOnDiskGrowsAndIsReadOnce();
    void adoptionTooEarlyCountsForNothing();
};

void TestChangeLog::entriesReadBackExactly()
{
    ChangeEntry entry = Entry("a1b2c3", 1, 7);
    entry.Kind = EntryKind::Import;
    entry.Text = u"Import von 2 Buchungen aus „konto\tdatei.csv“ \\ ok\nzwei"_s;
    ListRow odd = ListRow::Make(u"01.03.2026"_s, {u"12.50"_s, u"Tab\there"_s, u"back\\slash\r\n"_s, u"x"_s});
    odd.ImageIndex = 3;
    odd.Data = 4'000'000'000u;
    odd.SubItemImages = {1, -1, 7};
    entry.Bookings.append(Add("a1b2c3:1.0", {u"März 2026"_s, ListKind::Income, odd}));
    entry.Bookings.append({"x", "h:00ff", "a1b2c3:0.1", std::nullopt, Expense(u"März 2026"_s, u"02.03.2026"_s, u"1.00"_s, u"-"_s)});
    entry.Books.append({u"März 2026"_s, true});
    entry.Books.append({u"April 2026"_s, false});
    entry.Looks.append({u""_s, ListKind::Regular, QByteArray("TPF0\x00\x01\t\n", 8)});
    entry.Budgets.append({u"lebensmittel"_s, 24315, BudgetEntry{u"Lebensmittel"_s, 24315, 30000, true}, std::nullopt});
    entry.Budgets.append({u"kino"_s, 24316, std::nullopt, BudgetEntry{u"Kino"_s, 24316, std::nullopt, false}});
    entry.Rows.append({{u"DE12"_s, u"key\tk"_s, 2, u""_s}, "a1b2c3:1.0"});
    const QByteArray document = QByteArray(64, 'a') + ".pdf";
    entry.Documents.append({"a1b2c3:1.0", document, u"Rechnung\t1.pdf"_s, true});
    entry.Documents.append({"x", QByteArray(64, '0') + ".jpg", u"Bon.jpg"_s, false});
    entry.Files.append({u"März 2026.qel"_s, "0123456789abcdef", 1780000000123456789});
    entry.Adopted = AdoptedFile{u"Regular.dat"_s, "fedcba9876543210", {{"a1b2c3", 4}, {"ffff", 9}}, 42};

    const QByteArray bytes = EntryCodec::HeaderLine("a1b2c3", u"rechner-ä"_s) + EntryCodec::Encode(entry);
    const EntryCodec::Read read = EntryCodec::Decode(bytes);
    QCOMPARE(read.Problem, QString());
    QCOMPARE(read.Computer, QByteArray("a1b2c3"));
    QCOMPARE(read.Host, u"rechner-ä"_s);
    QCOMPARE(read.Entries.size(), 1);
    QCOMPARE(read.GoodEnd, bytes.size());
    ChangeEntry back = read.Entries.front();
    QCOMPARE(EntryCodec::Encode(back), EntryCodec::Encode(entry));
    QCOMPARE(back.Bookings.at(0).After->Row, odd);
    QCOMPARE(back.Bookings.at(1).Before->Row.SubItem(2), u"-"_s);
    QCOMPARE(back.Looks.at(0).Skeleton, entry.Looks.at(0).Skeleton);
    QCOMPARE(back.Adopted->Seen.value("ffff"), 9);
    QCOMPARE(back.Documents.size(), 2);
    QCOMPARE(back.Documents.at(0).Name, u"Rechnung\t1.pdf"_s);
    QVERIFY(!back.Documents.at(1).Attached);

    // An op of a later version is passed over, the rest of its entry read; a document name the
    // store would never give makes the entry damaged.
    const auto withOp = [&](const QByteArray &op) {
        QByteArray body = EntryCodec::Encode(entry);
        body.truncate(body.lastIndexOf("Z\t"));
        body += op + '\n';
        return EntryCodec::HeaderLine("a1b2c3", u"h"_s) + body + "Z\t1\t"
               + QByteArray::number(EntryCodec::Crc32(body), 16).rightJustified(8, '0') + '\n';
    };
    const EntryCodec::Read later = EntryCodec::Decode(withOp("q\tsomething\tnew"));
    QCOMPARE(later.Problem, QString());
    QCOMPARE(later.Entries.size(), 1);
    QCOMPARE(EntryCodec::Encode(later.Entries.front()), EntryCodec::Encode(entry));
    QCOMPARE(EntryCodec::Decode(withOp("d\tx\t../../etc/passwd\t1\tp")).Entries.size(), 0);
    QCOMPARE(EntryCodec::Decode(withOp("d\tx\t" + QByteArray(64, 'A') + ".pdf\t1\tp")).Entries.size(), 0);
}

// A kill while appending leaves a torn tail, which is no entry; a changed byte anywhere in an
// entry makes it and everything after it unreadable, never a different entry.
void TestChangeLog::tornAndDamagedLogs()
{
    ChangeEntry first = Entry("abc", 1, 1);
    first.Bookings.append(Add("abc:1.0", Expense(u"März 2026"_s, u"01.03.2026"_s, u"1.00"_s, u"Brot"_s)));
    ChangeEntry second = Entry("abc", 2, 2);
    second.Bookings.append(Change("abc:1.0", "abc:1", Expense(u"März 2026"_s, u"01.03.2026"_s, u"2.00"_s, u"Brot"_s)));
    const QByteArray header = EntryCodec::HeaderLine("abc", u"h"_s);
    const QByteArray one = header + EntryCodec::Encode(first);
    const QByteArray two = one + EntryCodec::Encode(second);
    for (qsizetype cut = header.size(); cut <= two.size(); ++cut) {
        const EntryCodec::Read read = EntryCodec::Decode(two.left(cut));
        QVERIFY2(read.Problem.isEmpty(), qPrintable(read.Problem));
        QCOMPARE(read.Entries.size(), cut == two.size() ? 2 : cut >= one.size() ? 1 : 0);
        QCOMPARE(read.GoodEnd, cut == two.size() ? two.size() : cut >= one.size() ? one.size() : header.size());
    }
    for (qsizetype at = one.size(); at < two.size() - 1; ++at) {
        QByteArray damaged = two;
        damaged[at] = damaged[at] == 'x' ? 'y' : 'x';
        const EntryCodec::Read read = EntryCodec::Decode(damaged);
        QCOMPARE(read.Entries.size(), 1);
        QCOMPARE(read.GoodEnd, one.size());
    }
    // Entries out of order or a foreign header are refused.
    QVERIFY(!EntryCodec::Decode(header + EntryCodec::Encode(second)).Problem.isEmpty());
    QVERIFY(!EntryCodec::Decode("Haushaltsbuch 1\tabc\th\n").Problem.isEmpty());
    QVERIFY(EntryCodec::Decode(QByteArray("Haushaltsbuch-\xC3\x84nderungen\t1\tABC\th\n")).Computer.isEmpty());
}

void TestChangeLog::concurrentChangesKeepBoth_data()
{
    QTest::addColumn<QString>("here");  // what each computer does to the coffee of 2.00
    QTest::addColumn<QString>("there"); // "=n" changes its amount to n, "-" removes it
    QTest::addColumn<QString>("amounts");
    QTest::addColumn<int>("conflicts");
    QTest::newRow("changed on both") << u"=3"_s << u"=4"_s << u"3.00,4.00"_s << 1;
    QTest::newRow("changed alike on both") << u"=3"_s << u"=3"_s << u"3.00,3.00"_s << 1;
    QTest::newRow("removed here, changed there") << u"-"_s << u"=4"_s << u"4.00"_s << 1;
    QTest::newRow("removed on both") << u"-"_s << u"-"_s << u""_s << 0;
    QTest::newRow("changed here only") << u"=3"_s << u""_s << u"3.00"_s << 0;
}

// Two computers that change one booking without having seen each other's change: the result
// is the same whichever entry comes first, and nothing is lost.
void TestChangeLog::concurrentChangesKeepBoth()
{
    QFETCH(QString, here);
    QFETCH(QString, there);
    QFETCH(QString, amounts);
    QFETCH(int, conflicts);
    ChangeEntry made = Entry("a", 1, 1);
    made.Bookings.append(Add("a:1.0", Expense(u"März 2026"_s, u"01.03.2026"_s, u"2.00"_s, u"Kaffee"_s)));
    const auto act = [](const QByteArray &computer, const QString &what) {
        ChangeEntry entry = Entry(computer, computer == "a" ? 2 : 1, 2);
        if (what.startsWith(u'='))
            entry.Bookings.append(Change("a:1.0", "a:1",
                                         Expense(u"März 2026"_s, u"01.03.2026"_s, what.mid(1) + u".00"_s, u"Kaffee"_s)));
        else if (what == u"-"_s)
            entry.Bookings.append(Change("a:1.0", "a:1", std::nullopt));
        return entry;
    };
    const ChangeEntry mine = act("a", here);
    const ChangeEntry theirs = act("b", there);
    for (const bool mineFirst : {true, false}) {
        LedgerState state;
        state.Apply(made);
        state.Apply(mineFirst ? mine : theirs);
        state.Apply(mineFirst ? theirs : mine);
        state.Apply(mine); // a repeat changes nothing
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        state.BookLists(u"März 2026"_s, Regional(), income, expend);
        QStringList got;
        for (const ListRow &row : expend.Rows())
            got.append(row.SubItem(0));
        got.sort();
        QCOMPARE(got.join(u','), amounts);
        QCOMPARE(state.Conflicts().size(), conflicts);
    }
}

// Random changes on three computers that see each other's entries late and in any order: once
// every computer has every entry, all of them derive the same files, whatever the order.
void TestChangeLog::sameStateInAnyOrder()
{
    QRandomGenerator random(20261209);
    const QList<QByteArray> computers{"a", "b", "c"};
    QList<ChangeEntry> all;
    for (int round = 0; round < 40; ++round) {
        // The computer that acts has its own entries and a part of each other one's log.
        const int c = int(random.bounded(3));
        LedgerState view;
        QList<qsizetype> prefix(3);
        for (int d = 0; d < 3; ++d) {
            const qsizetype count = std::count_if(all.cbegin(), all.cend(), [&](const ChangeEntry &e) {
                return e.Computer == computers[d];
            });
            prefix[d] = d == c ? count : qsizetype(random.bounded(int(count) + 1));
        }
        QList<qsizetype> taken(3);
        for (const ChangeEntry &entry : std::as_const(all)) {
            const int d = int(computers.indexOf(entry.Computer));
            if (taken[d]++ < prefix[d])
                view.Apply(entry);
        }
        ChangeEntry entry = Entry(computers[c], prefix[c] + 1, view.MaxClock() + 1);
        const QString book = random.bounded(2) ? u"März 2026"_s : u"April 2026"_s;
        const QString date = u"%1.03.2026"_s.arg(1 + random.bounded(3), 2, 10, QChar(u'0'));
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        view.BookLists(book, Regional(), income, expend);
        const int what = int(random.bounded(5));
        if (what <= 1 || expend.IsEmpty()) {
            entry.Bookings.append(Add(NewBookingId(entry.Name(), 0), Expense(book, date, u"1.00"_s, u"Kaffee"_s)));
        } else {
            const ListRow &row = expend.Row(random.bounded(int(expend.RowCount())));
            entry.Bookings.append(Change(row.Id, row.Base,
                                         what == 2 ? std::nullopt
                                                   : std::optional(Expense(book, date, u"%1.00"_s.arg(what), row.SubItem(2)))));
        }
        if (random.bounded(6) == 0)
            entry.Books.append({u"Mai 2026"_s, random.bounded(2) == 0});
        if (random.bounded(6) == 0)
            entry.Budgets.append({u"kino"_s, 24315, BudgetEntry{u"Kino"_s, 24315, qint64(random.bounded(100)), false}, {}});
        all.append(entry);
    }
    QByteArray first;
    for (int order = 0; order < 20; ++order) {
        // Any interleaving that keeps each computer's entries in their order.
        QList<QList<ChangeEntry>> queues(3);
        for (const ChangeEntry &entry : std::as_const(all))
            queues[computers.indexOf(entry.Computer)].append(entry);
        LedgerState state;
        while (!queues[0].isEmpty() || !queues[1].isEmpty() || !queues[2].isEmpty()) {
            const int q = int(random.bounded(3));
            if (!queues[q].isEmpty())
                state.Apply(queues[q].takeFirst());
        }
        const QByteArray bytes = Everything(state);
        if (order == 0)
            first = bytes;
        QCOMPARE(bytes, first);
    }
}

// Here Kino was removed and Miete added; there Lebensmittel changed and Auto was added: each
// computer's change holds, whichever comes first.
void TestChangeLog::budgetsChangedOnTwoComputers()
{
    const auto month = [](int m) { return BudgetMonth(2026, m); };
    BudgetList base;
    base.Set(u"Lebensmittel"_s, month(1), 30000, true);
    base.Set(u"Kino"_s, month(1), 2000, false);
    BudgetList ours = base;
    ours.Remove(u"Kino"_s);
    ours.Set(u"Miete"_s, month(2), 80000, false);
    BudgetList theirs = base;
    theirs.Set(u"Lebensmittel"_s, month(1), 35000, true);
    theirs.Set(u"Auto"_s, month(3), 10000, false);
    ChangeEntry first = Entry("a", 1, 1);
    ListChanges::BudgetDiff(BudgetList(), base, first);
    ChangeEntry mine = Entry("a", 2, 2);
    ListChanges::BudgetDiff(base, ours, mine);
    ChangeEntry other = Entry("b", 1, 2);
    ListChanges::BudgetDiff(base, theirs, other);
    BudgetList expected;
    expected.Set(u"Lebensmittel"_s, month(1), 35000, true);
    expected.Set(u"Miete"_s, month(2), 80000, false);
    expected.Set(u"Auto"_s, month(3), 10000, false);
    for (const bool mineFirst : {true, false}) {
        LedgerState state;
        state.Apply(first);
        state.Apply(mineFirst ? mine : other);
        state.Apply(mineFirst ? other : mine);
        QCOMPARE(state.Budgets().Entries().size(), 3);
        for (const BudgetEntry &e : expected.Entries())
            QVERIFY(state.Budgets().Entries().contains(e));
    }

    // The categories of one entry keep its order, whatever the hashing.
    BudgetList many;
    for (int i = 0; i < 50; ++i)
        many.Set(u"Kategorie %1"_s.arg(i * 37 % 50), month(1 + i % 12), 100 + i, false);
    ChangeEntry all = Entry("c", 1, 1);
    ListChanges::BudgetDiff(BudgetList(), many, all);
    LedgerState state;
    state.Apply(all);
    QCOMPARE(state.Budgets().Bytes(), many.Bytes());
}

void TestChangeLog::logOnDiskGrowsAndIsReadOnce()
{
    QTemporaryDir dir;
    const QString data = dir.path() + u"/Daten/"_s;
    ChangeLog log(data, "abc", u"hier"_s);
    QCOMPARE(log.Load().Entries.size(), 0);
    ChangeEntry entry = Entry("abc", 1, 1);
    entry.Bookings.append(Add("abc:1.0", Expense(u"März 2026"_s, u"01.03.2026"_s, u"1.00"_s, u"Brot"_s)));
    log.Append(entry);
    LogFolder folder(data);
    LogFolder::Update update = folder.ReadNew();
    QCOMPARE(update.Entries.size(), 1);
    QVERIFY(!folder.Changed());
    QCOMPARE(folder.ReadNew().Entries.size(), 0);

    // A kill half-way through the next append: the reader skips the torn tail, the writer cuts it.
    QFile file(log.Path());
    QVERIFY(file.open(QIODevice::Append));
    file.write("E\t2\t2\t0\tS\t0\thalb");
    file.close();
    QVERIFY(folder.Changed());
    update = folder.ReadNew();
    QCOMPARE(update.Entries.size(), 0);
    QCOMPARE(update.Problems, QStringList());
    ChangeLog again(data, "abc", u"hier"_s);
    QCOMPARE(again.Load().Entries.size(), 1);
    entry.Seq = 2;
    again.Append(entry);
    update = folder.ReadNew();
    QCOMPARE(update.Rewritten, false);
    QCOMPARE(update.Entries.size(), 1);
    QCOMPARE(update.Entries.front().Seq, 2);

    // Another computer's log copied in by a sync tool; a log under a wrong name is refused.
    ChangeLog other(dir.path() + u"/dort/"_s, "def", u"dort"_s);
    other.Append(Entry("def", 1, 3));
    QVERIFY(QFile::copy(other.Path(), ChangeLog::FolderOf(data) + u"def.log"_s));
    QVERIFY(QFile::copy(other.Path(), ChangeLog::FolderOf(data) + u"0123.log"_s));
    update = folder.ReadNew();
    QCOMPARE(update.Entries.size(), 1);
    QCOMPARE(update.Entries.front().Computer, QByteArray("def"));
    QCOMPARE(update.Problems.size(), 1);
    QCOMPARE(folder.Hosts().value("def"), u"dort"_s);

    // The writer's own appends are refused when the disk is full of it: see the kill tests.
    QFile::remove(ChangeLog::FolderOf(data) + u"def.log"_s);
    QVERIFY(folder.ReadNew().Rewritten);
}

// A file another computer wrote, arriving before that computer's log: this computer takes it in
// as a change, and once the log arrives with its stamp the guess counts for nothing, so its
// bookings are not there twice.
void TestChangeLog::adoptionTooEarlyCountsForNothing()
{
    QTemporaryDir dir;
    const QString data = dir.path() + u"/Daten/"_s;
    ChangeStore here(data, {"aaaa", u"hier"_s});
    here.Refresh();

    ChangeEntry guess;
    guess.Kind = EntryKind::Adopt;
    guess.Adopted = AdoptedFile{u"März 2026.qel"_s, "1111", here.Seen()};
    guess.Bookings.append({"h:1", "h:r1", {}, Expense(u"März 2026"_s, u"01.03.2026"_s, u"5.00"_s, u"Kino"_s), {}});
    here.Append(guess, 0);
    QCOMPARE(Purposes(here.State(), u"März 2026"_s), u"Kino"_s);

    ChangeLog there(data, "bbbb", u"dort"_s);
    ChangeEntry real = Entry("bbbb", 1, 1);
    real.Bookings.append(Add("bbbb:1.0", Expense(u"März 2026"_s, u"01.03.2026"_s, u"5.00"_s, u"Kino"_s)));
    real.Files.append({u"März 2026.qel"_s, "1111"});
    there.Append(real);
    const ChangeStore::Arrivals arrivals = here.Refresh();
    QVERIFY(arrivals.Rederived);
    QCOMPARE(Purposes(here.State(), u"März 2026"_s), u"Kino"_s);
    QVERIFY(here.Explains(u"März 2026.qel"_s, "1111", 0));
    QVERIFY(!here.Explains(u"März 2026.qel"_s, "2222", 0));
}

QTEST_GUILESS_MAIN(TestChangeLog)
#include "tst_changelog.moc"
