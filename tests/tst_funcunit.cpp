#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"
#include "ledger/Regional.h"
#include "ledger/StoredAmount.h"

#include <QCollator>
#include <QTest>
#include <QtEndian>

#include <cstring>
#include <random>

using namespace Qt::StringLiterals;

class TestFuncUnit : public QObject
{
    Q_OBJECT

private slots:
    void checkAmountText_data();
    void checkAmountText();
    void amountTextMessageHasSixLines();
    void normalizeAmountText_data();
    void normalizeAmountText();
    void amountKeyFilter();
    void formatAmount_data();
    void formatAmount();
    void parseAmount_data();
    void parseAmount();
    void quickAmountsReadAsTheLongWay_data();
    void quickAmountsReadAsTheLongWay();
    void listSums();
    void moneyLabel();
    void monthNumberAndBookKey_data();
    void monthNumberAndBookKey();
    void captionsSortByDateText();
    void dateAndTimeTextAsQtWritesThem();
    void digitKeysCollateAsTheyRead();
    void dayText_data();
    void dayText();
    void dayTextMessage();
    void readTypedDate_data();
    void readTypedDate();
    void capitalizeFirst_data();
    void capitalizeFirst();

private:
    Regional German;
};

void TestFuncUnit::checkAmountText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("point") << u"1999.99"_s << true;
    QTest::newRow("comma") << u"1999,99"_s << true;
    QTest::newRow("whole") << u"1999"_s << true;
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("two points") << u"1.999.99"_s << false;
    QTest::newRow("point and comma") << u"1.999,99"_s << false;
    QTest::newRow("two commas") << u",,"_s << false;
}

void TestFuncUnit::checkAmountText()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(CheckAmountText(text), accepted);
}

void TestFuncUnit::amountTextMessageHasSixLines()
{
    const QStringList lines = AmountTextMessage().split(u'\n');
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.at(0), u"Der Buchungsbetrag wurde nicht korrekt eingegeben!"_s);
    QCOMPARE(lines.at(1), u"Es darf nur ein Punkt gesetzt werden."_s);
    QVERIFY(lines.at(2).isEmpty());
    QCOMPARE(lines.at(3), u"Richtig: \"1999.99\"        Falsch: \"1.999.99\""_s);
    QVERIFY(lines.at(4).isEmpty());
    QCOMPARE(lines.at(5), u"Bitte korrigieren Sie die Eingabe!"_s);
}

void TestFuncUnit::normalizeAmountText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("normalized");
    QTest::newRow("whole") << u"7"_s << u"7.00"_s;
    QTest::newRow("leading point") << u".5"_s << u"0.5"_s;
    QTest::newRow("leading comma stays comma") << u",5"_s << u"0,5"_s;
    QTest::newRow("trailing point") << u"7."_s << u"7.00"_s;
    QTest::newRow("three decimals") << u"7.123"_s << u"7.123"_s;
    QTest::newRow("empty") << QString() << u"0.00"_s;
    QTest::newRow("lone point") << u"."_s << u"0.00"_s;
}

void TestFuncUnit::normalizeAmountText()
{
    QFETCH(QString, text);
    QFETCH(QString, normalized);
    QCOMPARE(NormalizeAmountText(text), normalized);
}

void TestFuncUnit::amountKeyFilter()
{
    QCOMPARE(FilterAmountKey(u','), QChar(u'.'));
    QCOMPARE(FilterAmountKey(u'.'), QChar(u'.'));
    QCOMPARE(FilterAmountKey(u'7'), QChar(u'7'));
    QCOMPARE(FilterAmountKey(u'\b'), QChar(u'\b'));
    for (const QChar ch : u"-+ eE€a"_s)
        QVERIFY2(!FilterAmountKey(ch).has_value(), qPrintable(QString(ch)));
}

void TestFuncUnit::formatAmount_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << u"0.00"_s;
    QTest::newRow("negative zero") << -0.0 << u"0.00"_s;
    QTest::newRow("no grouping") << 1234.5 << u"1234.50"_s;
    QTest::newRow("negative rounds away") << -3.456 << u"-3.46"_s;
    QTest::newRow("half away from zero") << 0.125 << u"0.13"_s;
    QTest::newRow("negative half") << -0.125 << u"-0.13"_s;
    QTest::newRow("tiny negative") << -0.004 << u"0.00"_s;
    QTest::newRow("half cent") << 0.005 << u"0.01"_s;
    QTest::newRow("binary just below half") << 1.005 << u"1.00"_s; // 1.00499999999999989...
    QTest::newRow("binary below half") << 9.995 << u"9.99"_s; // 9.99499999999999957...
    QTest::newRow("carry over all digits") << 99.999 << u"100.00"_s;
    QTest::newRow("sum of tenths") << 0.1 + 0.2 << u"0.30"_s;
    QTest::newRow("large") << 123456789012.34 << u"123456789012.34"_s;
    QTest::newRow("beyond 18 digits") << 1e20 << u"100000000000000000000.00"_s;
}

void TestFuncUnit::formatAmount()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(FormatAmount(value), text);
}

void TestFuncUnit::parseAmount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << u"1999.99"_s << true << 1999.99;
    QTest::newRow("leading blanks and sign") << u"  -12.5"_s << true << -12.5;
    QTest::newRow("plus") << u"+3"_s << true << 3.0;
    QTest::newRow("exponent") << u"1.5E3"_s << true << 1500.0;
    QTest::newRow("signed exponent") << u"25e-1"_s << true << 2.5;
    QTest::newRow("leading point") << u".5"_s << true << 0.5;
    QTest::newRow("trailing point") << u"5."_s << true << 5.0;
    QTest::newRow("comma is no point") << u"12,50"_s << false << 0.0;
    QTest::newRow("trailing blank") << u"12 "_s << false << 0.0;
    QTest::newRow("empty") << QString() << false << 0.0;
    QTest::newRow("lone point") << u"."_s << false << 0.0;
    QTest::newRow("exponent without digits") << u"1e"_s << false << 0.0;
    QTest::newRow("letters") << u"abc"_s << false << 0.0;
    QTest::newRow("beyond double") << u"1e400"_s << false << 0.0;
    QTest::newRow("arabic digits") << u"\u0661"_s << false << 0.0;
}

void TestFuncUnit::parseAmount()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(double, value);
    QCOMPARE(TryParseAmount(text).has_value(), valid);
    QCOMPARE(ParseAmount(text), value);
}

namespace {

bool SameDouble(std::optional<double> a, std::optional<double> b)
{
    return a.has_value() == b.has_value() && (!a || std::memcmp(&*a, &*b, sizeof(double)) == 0);
}

} // namespace

// The quick way of reading amounts must give what reading the whole text in extended
// precision gives, to the last bit, the sign of zero included; texts it does not take
// go the long way.
void TestFuncUnit::quickAmountsReadAsTheLongWay_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("cents") << u"1999.99"_s;
    QTest::newRow("negative zero") << u"-0.00"_s;
    QTest::newRow("blanks, sign, exponent") << u"  +12.5e-1"_s;
    QTest::newRow("three decimals") << u"0.125"_s;
    QTest::newRow("above 2^53 with cents") << u"110459622582619.55"_s; // double alone rounds it differently
    QTest::newRow("19 digits") << u"1234567890123456789"_s;
    QTest::newRow("20 digits") << u"12345678901234567890"_s;
    QTest::newRow("largest exact power") << u"7e27"_s;
    QTest::newRow("beyond exact powers") << u"7e28"_s;
    QTest::newRow("small scale") << u"1e-27"_s;
    QTest::newRow("smaller scale") << u"0.0000000000000000000000000001"_s;
    QTest::newRow("long exponent") << u"1e00002"_s;
    QTest::newRow("zero, huge exponent") << u"0e99999"_s;
    QTest::newRow("no digits") << u"-.e5"_s;
    QTest::newRow("point first") << u".500"_s;
    QTest::newRow("point last") << u"1234."_s;
    QTest::newRow("eight digits") << u"00012345"_s;
    QTest::newRow("two points") << u"1.2.3"_s;
    QTest::newRow("four decimals") << u"1.2345"_s;
    QTest::newRow("nine units") << u"12345.678"_s;

    // Generated shapes: blanks and signs, up to 21 integer and 30 decimal digits, exponents.
    std::mt19937 rng(20081);
    const auto below = [&rng](quint32 n) { return static_cast<int>(rng() % n); };
    const QString leads[] = {QString(), u"-"_s, u"+"_s, u" "_s, u"  -"_s};
    for (int i = 0; i < 20000; ++i) {
        QString text = leads[below(5)];
        const int integerDigits = below(22);
        const int fractionDigits = below(3) == 0 ? below(31) : below(4);
        for (int d = 0; d < integerDigits; ++d)
            text += QChar(char16_t(u'0' + below(10)));
        if (fractionDigits > 0 || below(4) == 0) {
            text += u'.';
            for (int d = 0; d < fractionDigits; ++d)
                text += QChar(char16_t(u'0' + below(10)));
        }
        if (below(5) == 0)
            text += (below(2) ? u"e"_s : u"E-"_s) + QString::number(below(40));
        QTest::addRow("generated %d", i) << text;
    }

    // The scan's common shape and its near misses: 3 to 9 units, mostly digits with a point
    // before the last two, with the units that look like digits in one byte or another form.
    const char16_t units[] = {u'0', u'1', u'5', u'9', u'.', u'/', u':', u' ', u'-', u'e', u',', u'\u0660',
                              u'\uFF10', u'\u3130', u'\u0039', u'\u2E30'};
    for (int i = 0; i < 5000; ++i) {
        const int size = 3 + below(7);
        QString text;
        for (int u = 0; u < size; ++u) {
            const bool odd = below(12) == 0;
            text += QChar(odd ? units[below(std::size(units))] : char16_t(u'0' + below(10)));
        }
        if (below(8) != 0)
            text[size - 3] = u'.';
        QTest::addRow("two decimals %d", i) << text;
    }
}

void TestFuncUnit::quickAmountsReadAsTheLongWay()
{
    QFETCH(QString, text);
    const std::optional<double> longWay = TryParseAmountExtended(text);
    QVERIFY2(SameDouble(TryParseAmount(text), longWay), qPrintable(text));
    double quick = 0;
    if (ParseAmountQuickly(text, quick))
        QVERIFY2(SameDouble(quick, longWay), qPrintable(text));
    // As the list files store it.
    QByteArray stored(2 * text.size(), Qt::Uninitialized);
    qToLittleEndian<quint16>(text.utf16(), text.size(), stored.data());
    if (ParseStoredAmountQuickly(stored, quick))
        QVERIFY2(SameDouble(quick, longWay), qPrintable(text));
    // The scan's reader looks at the 16 bytes that end with the text: in front of a short one
    // stand digits and points, which must not count.
    QByteArray padded = QByteArray(16, '.') + stored;
    for (qsizetype i = 0; i < 16; i += 4)
        padded[i] = '7';
    double twoDecimals = 0;
    if (StoredAmount::TwoDecimals(padded.constData() + padded.size(), int(text.size()), twoDecimals)) {
        QVERIFY2(SameDouble(twoDecimals, longWay), qPrintable(text));
        QVERIFY2(ParseStoredAmountQuickly(stored, quick) && SameDouble(twoDecimals, quick), qPrintable(text));
    } else {
        const bool common = text.size() >= 4 && text.size() <= 8 && text[text.size() - 3] == u'.'
                            && std::all_of(text.begin(), text.end() - 3, [](QChar c) { return c >= u'0' && c <= u'9'; })
                            && std::all_of(text.end() - 2, text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        QVERIFY2(!common, qPrintable(u"not read: "_s + text));
    }
}

void TestFuncUnit::listSums()
{
    BookingList income(ListKind::Income);
    QCOMPARE(ListSum(income), u"0.00"_s);
    income.AddRow(ListRow::Make(u"01.01.2008"_s, {u"0.10"_s, u"Gehalt"_s, QString()}));
    income.AddRow(ListRow::Make(u"02.01.2008"_s, {u"0.20"_s, u"Gehalt"_s, QString()}));
    income.AddRow(ListRow::Make(u"03.01.2008"_s, {QString(), u"Leer"_s, QString()}));
    income.AddRow(ListRow::Make(u"04.01.2008"_s, {}));
    QCOMPARE(ListSum(income), u"0.30"_s);

    BookingList regular(ListKind::Regular);
    regular.AddRow(ListRow::Make(u"01."_s, {u"1000.00"_s, u"Gehalt"_s, QString(), u"Einnahme"_s}));
    regular.AddRow(ListRow::Make(u"02."_s, {u"50.00"_s, u"Zinsen"_s, QString(), u"einnahme"_s}));
    regular.AddRow(ListRow::Make(u"03."_s, {u"300.25"_s, u"Wohnen"_s, u"Miete"_s, u"Ausgabe"_s}));
    regular.AddRow(ListRow::Make(u"04."_s, {u"7.00"_s, u"Wohnen"_s, u"Strom"_s, u"Ausgabe "_s}));
    regular.AddRow(ListRow::Make(u"05."_s, {u"kaputt"_s, u"Wohnen"_s, u"Strom"_s, u"Ausgabe"_s}));
    QCOMPARE(RegularIncomeSum(regular), u"1000.00"_s);
    QCOMPARE(RegularExpenseSum(regular), u"300.25"_s);
}

void TestFuncUnit::moneyLabel()
{
    QCOMPARE(MoneyLabel(u"1234.50"_s, German), u"1234.50 €"_s);
}

void TestFuncUnit::monthNumberAndBookKey_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");
    QTest::newRow("März") << u"März 2008"_s << u"200803"_s;
    QTest::newRow("lower case umlaut") << u"märz 2008"_s << u"200803"_s;
    QTest::newRow("upper case") << u"DEZEMBER 2026"_s << u"202612"_s;
    QTest::newRow("Januar") << u"Januar 2009"_s << u"200901"_s;
    QTest::newRow("not a month") << u"Urlaub 2008"_s << u"2008"_s;
    QTest::newRow("short name") << u"Mai"_s << u"Mai"_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestFuncUnit::monthNumberAndBookKey()
{
    QFETCH(QString, name);
    QFETCH(QString, key);
    QCOMPARE(BookKey(name, German), key);
}

// The regional texts are put together directly; they must read as Qt's formatting writes them.
void TestFuncUnit::dateAndTimeTextAsQtWritesThem()
{
    for (const QDate date : {QDate(2008, 3, 1), QDate(1999, 12, 31), QDate(9999, 1, 9), QDate(999, 5, 6), QDate()})
        QCOMPARE(German.DateText(date), date.toString(u"dd.MM.yyyy"_s));
    for (const QTime time : {QTime(0, 0, 0), QTime(9, 5, 7), QTime(23, 59, 59, 999), QTime()})
        QCOMPARE(German.TimeText(time), time.toString(u"HH:mm:ss"_s));
}

void TestFuncUnit::digitKeysCollateAsTheyRead()
{
    // Book keys of the same length take a shortcut past the collator; mixed texts do not.
    const QStringList texts = {u"200803"_s, u"200812"_s, u"201001"_s, u"2008"_s, u"20080"_s, u"2008a3"_s,
                               u"2008\u00e43"_s, u"01.03.2008"_s, QString()};
    QCollator collator(QLocale(QLocale::German, QLocale::Germany));
    collator.setCaseSensitivity(Qt::CaseSensitive);
    const auto sign = [](int n) { return (n > 0) - (n < 0); };
    for (const QString &a : texts) {
        for (const QString &b : texts)
            QCOMPARE(sign(German.Compare(a, b)), sign(collator.compare(a, b)));
    }
}

void TestFuncUnit::captionsSortByDateText()
{
    BookingList list(ListKind::Income);
    for (const char16_t *caption : {u"15.03.2008", u"02.04.2008", u"15.03.2008", u"01.03.2008"})
        list.AddRow(ListRow::Make(QString::fromUtf16(caption), {QString::number(list.RowCount())}));
    list.SetSelected(3);
    list.SortByCaption(German);
    QStringList order;
    for (const ListRow &row : list.Rows())
        order << row.Caption + u'/' + row.SubItem(0);
    // By day first, as text; equal captions keep their order; the selection follows its row.
    QCOMPARE(order, QStringList({u"01.03.2008/3"_s, u"02.04.2008/1"_s, u"15.03.2008/0"_s, u"15.03.2008/2"_s}));
    QCOMPARE(list.Selected(), 0);

    BookingList books(ListKind::Books);
    for (const QString &name : {u"Januar 2009"_s, u"März 2008"_s, u"Februar 2008"_s})
        books.AddRow(ListRow::Make(BookKey(name, German), {name}));
    books.SortByCaption(German);
    QCOMPARE(books.Row(0).SubItem(0), u"Februar 2008"_s);
    QCOMPARE(books.Row(1).SubItem(0), u"März 2008"_s);
    QCOMPARE(books.Row(2).SubItem(0), u"Januar 2009"_s);
}

void TestFuncUnit::dayText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("completed");
    QTest::addColumn<bool>("valid");
    QTest::newRow("one digit") << u"5"_s << u"05."_s << true;
    QTest::newRow("one digit with dot") << u"5."_s << u"05."_s << true;
    QTest::newRow("31") << u"31"_s << u"31."_s << true;
    QTest::newRow("32") << u"32"_s << u"32."_s << false;
    QTest::newRow("zero") << u"0"_s << u"00."_s << false;
    QTest::newRow("lone dot") << u"."_s << u"0."_s << false;
    QTest::newRow("1.1") << u"1.1"_s << u"1.1."_s << false;
    QTest::newRow("empty") << QString() << u"0."_s << false;
}

void TestFuncUnit::dayText()
{
    QFETCH(QString, typed);
    QFETCH(QString, completed);
    QFETCH(bool, valid);
    QCOMPARE(CompleteDayText(typed), completed);
    QCOMPARE(CheckDayText(completed, German), valid);
}

void TestFuncUnit::dayTextMessage()
{
    const QStringList lines = DayTextMessage(u"32."_s).split(u'\n');
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.at(0), u"Die Angabe \"32.\" unter Tag entspricht nicht dem geforderten Format"_s);
    QCOMPARE(lines.at(3), u"Beispiel: \"01.\" oder \"25.\""_s);
    QCOMPARE(lines.at(4), u"Vergessen Sie bitte nicht den abschließenden Punkt!"_s);
}

void TestFuncUnit::readTypedDate_data()
{
    // The forms the date field's keys cannot reach; the typed ones are checked through the
    // dialogs' keys.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("reference");
    QTest::addColumn<QDate>("date");
    const QDate shown(2008, 5, 3);
    QTest::newRow("blanks around") << u" 15.10.26 "_s << shown << QDate(2026, 10, 15);
    QTest::newRow("day and month as digits") << u"1510"_s << shown << QDate(2008, 10, 15);
    QTest::newRow("partial without reference") << u"15.10"_s << QDate() << QDate();
    QTest::newRow("full without reference") << u"15.10.2026"_s << QDate() << QDate(2026, 10, 15);
    QTest::newRow("four parts") << u"15.10.20.26"_s << shown << QDate();
    QTest::newRow("three digits") << u"151"_s << shown << QDate();
    QTest::newRow("blank inside") << u"15. 10.2026"_s << shown << QDate();
    QTest::newRow("sign") << u"+15.10.2026"_s << shown << QDate();
    QTest::newRow("day 0") << u"00.10.2026"_s << shown << QDate();
    QTest::newRow("point alone") << u"."_s << shown << QDate();
    QTest::newRow("empty") << QString() << shown << QDate();
}

void TestFuncUnit::readTypedDate()
{
    QFETCH(QString, text);
    QFETCH(QDate, reference);
    QFETCH(QDate, date);
    QCOMPARE(ReadTypedDate(text, reference), date);
}

void TestFuncUnit::capitalizeFirst_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::newRow("word") << u"miete"_s << u"Miete"_s;
    QTest::newRow("one letter") << u"a"_s << u"A"_s;
    QTest::newRow("umlaut stays") << u"ärger"_s << u"ärger"_s;
    QTest::newRow("digit") << u"1a"_s << u"1a"_s;
    QTest::newRow("leading blank") << u" miete"_s << u" miete"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("rest unchanged") << u"xY z"_s << u"XY z"_s;
}

void TestFuncUnit::capitalizeFirst()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    QCOMPARE(CapitalizeFirst(text), result);
}

QTEST_GUILESS_MAIN(TestFuncUnit)
#include "tst_funcunit.moc"
