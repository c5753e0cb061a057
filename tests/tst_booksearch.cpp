// The cache of the book files and the search over it: files read once and again only when
// they changed, what a typed text finds and in which order.

#include "ledger/BookCache.h"
#include "ledger/BookSearch.h"
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
    WriteBook(u"Februar 2008"_s, {}, {u"05.02.2008|20.00|AUTO|tanken Shell"_s});
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
    WriteBook(u"Februar 2008"_s, {}, {u"05.02.2008|21.00|AUTO|tanken Shell"_s});
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
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("folded");
    QTest::addColumn<qint64>("min");
    QTest::addColumn<qint64>("max");
    const qint64 none = BookCache::NoAmount;

    QTest::newRow("comma") << u"12,50"_s << u"12,50"_s << 1250ll << 1250ll;
    QTest::newRow("point, one decimal") << u"12.5"_s << u"12.5"_s << 1250ll << 1250ll;
    QTest::newRow("whole euros") << u" 12 "_s << u"12"_s << 1200ll << 1200ll;
    QTest::newRow("cents only") << u",05"_s << u",05"_s << 5ll << 5ll;
    QTest::newRow("range") << u"10-20"_s << u"10-20"_s << 1000ll << 2000ll;
    QTest::newRow("range backwards, blanks") << u"20,5 - 10"_s << u"20,5 - 10"_s << 1000ll << 2050ll;
    QTest::newRow("three decimals") << u"12,505"_s << u"12,505"_s << none << none;
    QTest::newRow("digit groups") << u"1.234,50"_s << u"1.234,50"_s << none << none;
    QTest::newRow("minus") << u"-5"_s << u"-5"_s << none << none;
    QTest::newRow("open range") << u"10-"_s << u"10-"_s << none << none;
    QTest::newRow("text") << u"  Straße "_s << u"strasse"_s << none << none;
}

void TestBookSearch::parseQuery()
{
    QFETCH(QString, typed);
    QFETCH(QString, folded);
    QFETCH(qint64, min);
    QFETCH(qint64, max);
    const SearchQuery query = ParseSearchQuery(typed);
    QCOMPARE(query.Folded, folded);
    QCOMPARE(query.MinCents, min);
    QCOMPARE(query.MaxCents, max);
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

    QTest::newRow("letter case ignored, newest book first") << u"TANKEN"_s << QStringList{shell, fuel};
    QTest::newRow("category") << u"auto"_s << QStringList{shell, fuel};
    QTest::newRow("umlaut as typed") << u"MÜLLER"_s << QStringList{salary};
    QTest::newRow("umlaut not typed") << u"Muller"_s << QStringList();
    QTest::newRow("ß as ss") << u"strasse"_s << QStringList{street};
    QTest::newRow("amount: income before expenses") << u"12,50"_s << QStringList{interest, street};
    QTest::newRow("range, both ends") << u"12,5-15"_s << QStringList{interest, fuel, street};
    QTest::newRow("number in a purpose") << u"4711"_s << QStringList{street};
    QTest::newRow("never across category and purpose") << u"o t"_s << QStringList();
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
