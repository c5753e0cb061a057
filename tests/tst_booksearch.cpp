// The cache of the book files and the search over it: files read once and again only when
// they changed, what a typed text finds and in which order.

#include "books/BookCache.h"
#include "books/BookSearch.h"
#include "ledger/BookingList.h"
#include "ledger/ListFiles.h"
#include "ledger/Regional.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Rows as "date|amount|category|purpose" (regular rows: "day|amount|category|purpose|kind").
BookingList Rows(ListKind kind, const QStringList &rows)
{
    BookingList list(kind);
    for (const QString &row : rows) {
        QStringList fields = row.split(u'|');
        const QString caption = fields.takeFirst();
        list.AddRow(ListRow::Make(caption, fields));
    }
    return list;
}

} // namespace

class TestBookSearch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void filesAreReadOnlyWhenChanged();
    void unreadableBookIsReported();
    void onlyWantedBooksAreRead();
    void parseQuery_data();
    void parseQuery();
    void find_data();
    void find();

private:
    void WriteBook(const QString &name, const QStringList &income, const QStringList &expend);
    void WriteRegular(const QStringList &rows);
    QString Folder() const { return Dir->path() + u'/'; }

    std::unique_ptr<QTemporaryDir> Dir;
};

void TestBookSearch::init()
{
    Dir = std::make_unique<QTemporaryDir>();
    WriteRegular({u"07.|1000.00|Gehalt|Lohn Müller|Einnahme"_s});
    WriteBook(u"Januar 2008"_s, {u"02.01.2008|12.50|Zinsen|Sparbuch"_s},
              {u"03.01.2008|15.00|Auto |Tanken"_s, u"04.01.2008|12.50|Haushalt|Straße 4711"_s});
    WriteBook(u"Februar 2008"_s, {},
              {u"05.02.2008|20.00|AUTO|tanken Shell"_s, u"01.02.2008|2044.85|Wohnen|Miete Schäfer"_s});
}

void TestBookSearch::WriteBook(const QString &name, const QStringList &income, const QStringList &expend)
{
    ListFiles::WriteFile(Folder() + name + u".qel"_s,
                         ListFiles::MonthBookBytes(Rows(ListKind::Income, income), Rows(ListKind::Expend, expend)));
}

void TestBookSearch::WriteRegular(const QStringList &rows)
{
    ListFiles::WriteFile(Folder() + u"Regular.dat"_s, ListFiles::RegularBytes(Rows(ListKind::Regular, rows)));
}

void TestBookSearch::filesAreReadOnlyWhenChanged()
{
    BookCache cache(Folder(), Regional());
    QVERIFY(cache.Refresh().isEmpty());
    QCOMPARE(cache.Reads(), 3);
    QCOMPARE(cache.Books().size(), size_t(2));
    QCOMPARE(cache.Books().front()->Name, u"Januar 2008"_s); // by book key, not by name
    QVERIFY(cache.Refresh().isEmpty());
    QCOMPARE(cache.Reads(), 3);

    // The same size and, on a coarse clock, the same time: the save's new file still counts.
    WriteBook(u"Februar 2008"_s, {},
              {u"05.02.2008|21.00|AUTO|tanken Shell"_s, u"01.02.2008|2044.85|Wohnen|Miete Schäfer"_s});
    cache.Refresh();
    QCOMPARE(cache.Reads(), 4);
    QCOMPARE(cache.Find(u"Februar 2008"_s)->Expend.Rows.Row(0).SubItem(0), u"21.00"_s);

    WriteRegular({u"07.|1500.00|Gehalt|Lohn|Einnahme"_s});
    WriteBook(u"März 2008"_s, {}, {});
    QVERIFY(QFile::remove(Folder() + u"Januar 2008.qel"_s));
    cache.Refresh();
    QCOMPARE(cache.Reads(), 6);
    QCOMPARE(cache.Regular().Rows.Row(0).SubItem(0), u"1500.00"_s);
    QVERIFY(!cache.Find(u"Januar 2008"_s));
    QCOMPARE(cache.Books().size(), size_t(2));
    QCOMPARE(cache.Books().back()->Name, u"März 2008"_s);
}

void TestBookSearch::unreadableBookIsReported()
{
    QFile damaged(Folder() + u"März 2008.qel"_s);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("TPF0 nonsense");
    damaged.close();
    BookCache cache(Folder(), Regional());
    const QStringList errors = cache.Refresh();
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.front().contains(u"März 2008.qel"_s));
    QCOMPARE(cache.Find(u"März 2008"_s)->Income.Rows.RowCount(), 0);
    // Reported again as long as it stays damaged, but not read again.
    QCOMPARE(cache.Refresh(), errors);
    QCOMPARE(cache.Reads(), 4);
}

void TestBookSearch::onlyWantedBooksAreRead()
{
    BookCache cache(Folder(), Regional());
    cache.Refresh([](const QString &name) { return name.startsWith(u"Feb"_s); });
    QCOMPARE(cache.Reads(), 2); // the book and Regular.dat
    QVERIFY(cache.Find(u"Februar 2008"_s)->Loaded);
    QVERIFY(!cache.Find(u"Januar 2008"_s)->Loaded);
}

void TestBookSearch::parseQuery_data()
{
    // Each term as "folded|min|max", or "folded" when it is no amount.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("terms");

    QTest::newRow("comma") << u"12,50"_s << QStringList{u"12,50|1250|1250"_s};
    QTest::newRow("point, one decimal") << u"12.5"_s << QStringList{u"12.5|1250|1250"_s};
    QTest::newRow("whole euros") << u" 12 "_s << QStringList{u"12|1200|1200"_s};
    QTest::newRow("cents only") << u",05"_s << QStringList{u",05|5|5"_s};
    QTest::newRow("range") << u"10-20"_s << QStringList{u"10-20|1000|2000"_s};
    QTest::newRow("range backwards, blanks") << u"20,5 - 10"_s << QStringList{u"20,5 - 10|1000|2050"_s};
    QTest::newRow("three decimals") << u"12,505"_s << QStringList{u"12,505"_s};
    QTest::newRow("thousands point, comma") << u"2.044,85"_s << QStringList{u"2.044,85|204485|204485"_s};
    QTest::newRow("thousands point alone") << u"1.000"_s << QStringList{u"1.000|100000|100000"_s};
    QTest::newRow("millions") << u"1.234.567,8"_s << QStringList{u"1.234.567,8|123456780|123456780"_s};
    QTest::newRow("group of four digits") << u"1.0000"_s << QStringList{u"1.0000"_s};
    QTest::newRow("four digits before a group") << u"1234.567"_s << QStringList{u"1234.567"_s};
    QTest::newRow("point after a group") << u"1.000.5"_s << QStringList{u"1.000.5"_s};
    QTest::newRow("thirteen digits") << u"1.234.567.890.123"_s << QStringList{u"1.234.567.890.123"_s};
    QTest::newRow("euro sign after, blank") << u"12,50 €"_s << QStringList{u"12,50 €|1250|1250"_s};
    QTest::newRow("euro sign before") << u"€12,50"_s << QStringList{u"€12,50|1250|1250"_s};
    QTest::newRow("EUR") << u"12,50 EUR"_s << QStringList{u"12,50 eur|1250|1250"_s};
    QTest::newRow("two euro signs") << u"€ 12 €"_s << QStringList{u"€ 12|1200|1200"_s, u"€"_s};
    QTest::newRow("range of thousands") << u"1.000-2.000"_s << QStringList{u"1.000-2.000|100000|200000"_s};
    QTest::newRow("range with decimals, blanks, euro")
        << u"1.000,00 - 2.000,00 €"_s << QStringList{u"1.000,00 - 2.000,00 €|100000|200000"_s};
    QTest::newRow("range, euro each side") << u"€ 10 - € 20"_s << QStringList{u"€ 10 - € 20|1000|2000"_s};
    QTest::newRow("en dash") << u"10–20"_s << QStringList{u"10–20|1000|2000"_s};
    QTest::newRow("minus") << u"-5"_s << QStringList{u"-5"_s};
    QTest::newRow("open range") << u"10-"_s << QStringList{u"10-"_s};
    QTest::newRow("text") << u"  Straße "_s << QStringList{u"strasse"_s};
    QTest::newRow("two words") << u"Miete \tSchäfer"_s << QStringList{u"miete"_s, u"schäfer"_s};
    QTest::newRow("word and amount") << u"Miete 1.000,00 € Bar"_s
                                     << QStringList{u"miete"_s, u"1.000,00 €|100000|100000"_s, u"bar"_s};
    QTest::newRow("two amounts") << u"12 15"_s << QStringList{u"12|1200|1200"_s, u"15|1500|1500"_s};
    QTest::newRow("blanks only") << u" \t "_s << QStringList();
}

void TestBookSearch::parseQuery()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, terms);
    QStringList parsed;
    for (const SearchTerm &term : ParseSearchQuery(typed).Terms) {
        parsed.append(term.HasAmount() ? u"%1|%2|%3"_s.arg(term.Folded).arg(term.MinCents).arg(term.MaxCents)
                                       : term.Folded);
    }
    QCOMPARE(parsed, terms);
}

void TestBookSearch::find_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("hits"); // "book|kind|date|amount"

    const QString salary = u"Regelmäßige Buchungen|Einnahme|07.|1000.00"_s;
    const QString interest = u"Januar 2008|Einnahme|02.01.2008|12.50"_s;
    const QString fuel = u"Januar 2008|Ausgabe|03.01.2008|15.00"_s;
    const QString street = u"Januar 2008|Ausgabe|04.01.2008|12.50"_s;
    const QString shell = u"Februar 2008|Ausgabe|05.02.2008|20.00"_s;
    const QString rent = u"Februar 2008|Ausgabe|01.02.2008|2044.85"_s;

    QTest::newRow("letter case ignored, newest book first") << u"TANKEN"_s << QStringList{shell, fuel};
    QTest::newRow("category") << u"auto"_s << QStringList{shell, fuel};
    QTest::newRow("umlaut as typed") << u"MÜLLER"_s << QStringList{salary};
    QTest::newRow("umlaut not typed") << u"Muller"_s << QStringList();
    QTest::newRow("ß as ss") << u"strasse"_s << QStringList{street};
    QTest::newRow("amount: income before expenses") << u"12,50"_s << QStringList{interest, street};
    QTest::newRow("range, both ends") << u"12,5-15"_s << QStringList{interest, fuel, street};
    QTest::newRow("number in a purpose") << u"4711"_s << QStringList{street};
    QTest::newRow("thousands point, comma") << u"2.044,85"_s << QStringList{rent};
    QTest::newRow("amount with euro sign") << u"12,50 €"_s << QStringList{interest, street};
    QTest::newRow("range of thousands") << u"1.000-2.000"_s << QStringList{salary};
    QTest::newRow("range, decimals, euro") << u"1.000,00 - 2.044,85 €"_s << QStringList{salary, rent};
    QTest::newRow("two words, any order") << u"Schäfer miete"_s << QStringList{rent};
    QTest::newRow("words in category and purpose") << u"schäfer WOHNEN"_s << QStringList{rent};
    QTest::newRow("every word must match") << u"Miete Müller"_s << QStringList();
    QTest::newRow("word and amount") << u"auto 15"_s << QStringList{fuel};
    QTest::newRow("a word never spans category and purpose") << u"autotanken"_s << QStringList();
    QTest::newRow("nothing typed") << u"  "_s << QStringList();
}

void TestBookSearch::find()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, hits);
    BookCache cache(Folder(), Regional());
    cache.Refresh();
    QStringList found;
    for (const SearchHit &hit : FindBookings(cache, ParseSearchQuery(typed))) {
        const SearchHitText t = HitText(cache, hit);
        found.append(QStringList{t.Book, t.Kind, t.Date, t.Amount}.join(u'|'));
    }
    QCOMPARE(found, hits);
}

QTEST_GUILESS_MAIN(TestBookSearch)
#include "tst_booksearch.moc"
