#include "TestBytes.h"

#include "ledger/BookingList.h"
#include "ledger/ComponentStream.h"
#include "ledger/FuncUnit.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QTest>
#include <QtEndian>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

ListRow IncomeExample()
{
    return ListRow::Make(u"07.12.2026"_s, {u"12.50"_s, u"Gehalt"_s, u"Dezember"_s});
}

QByteArray Record(const BookingList &list, const QString &name = ListFiles::IncomeObjectName(), int tabOrder = 0)
{
    QByteArray out;
    ComponentStream::WriteListRecord(out, list, name, tabOrder);
    return out;
}

// Reads one record and returns the error message, or an empty text on success.
QString ReadError(const QByteArray &bytes, BookingList &list)
{
    try {
        ComponentStream::ReadListRecord(bytes, 0, list);
    } catch (const QelError &error) {
        return error.Message();
    }
    return {};
}

// What the sum reader makes of the same bytes: its message (empty on success), the sum and
// the offset after the record.
QString SumError(const QByteArray &bytes, double &sum, qsizetype &end)
{
    try {
        end = ComponentStream::SumListRecord(bytes, 0, sum);
    } catch (const QelError &error) {
        return error.Message();
    }
    return {};
}
QString SumError(const QByteArray &bytes)
{
    double sum = 0;
    qsizetype end = 0;
    return SumError(bytes, sum, end);
}

// ListSum's sum before it is formatted.
double AmountSum(const BookingList &list)
{
    double sum = 0.0;
    for (const ListRow &row : list.Rows()) {
        if (!row.SubItem(0).isEmpty())
            sum += ParseAmount(row.SubItem(0));
    }
    return sum;
}

// A record of the given property bytes, with the usual head and end markers.
QByteArray RecordWith(const QByteArray &properties, const QByteArray &children = {})
{
    return "TPF0" + Short("TListView") + Short("ListViewIncome") + properties + '\0' + children + '\0';
}

// The older row block with 8-bit texts as the property Items.Data: total size (counting
// itself), row count, then per row the 20-byte head and short strings; the image table
// follows in the bytes that remain.
QByteArray OldRowBlock()
{
    QByteArray rows = Hex("02 00 00 00");
    rows += Hex("00 00 00 00 FF FF FF FF FF FF FF FF 02 00 00 00 00 00 00 00") + Short("01.02.2008") + Short("5.00")
            + Short("M\xF6" "bel");
    rows += Hex("00 00 00 00 FF FF FF FF FF FF FF FF 00 00 00 00 00 00 00 00") + Short("02.02.2008");
    rows += Hex("FF FF 07 00");
    QByteArray block;
    const quint32 total = rows.size() + 4;
    block += QByteArray(reinterpret_cast<const char *>(&total), 4) + rows;
    QByteArray property = Short("Items.Data") + '\x0A';
    const quint32 n = block.size();
    property += QByteArray(reinterpret_cast<const char *>(&n), 4) + block;
    return property;
}

BookingList KnownExample()
{
    BookingList list(ListKind::Income);
    list.AddRow(IncomeExample());
    return list;
}

// The property Items.ItemData of a list's record.
QByteArray RowBlockOf(const BookingList &list)
{
    const QByteArray record = Record(list);
    const qsizetype at = record.indexOf("Items.ItemData") - 1;
    const qsizetype size = qFromLittleEndian<quint32>(record.constData() + at + 1 + 14 + 1);
    return record.mid(at, 1 + 14 + 1 + 4 + size);
}

} // namespace

class TestComponentStream : public QObject
{
    Q_OBJECT

private slots:
    void emptyRecordsHaveTheirSizes();
    void recordBeginsWithFixedHead();
    void columnsRecordOfIncomeList();
    void rowBlockExample();
    void roundTripKeepsRowsAndShapes();
    void textsAreCutAt255();
    void eightBitTextsSurvive();
    void textTagFollowsShortestForm_data();
    void textTagFollowsShortestForm();
    void presentationIsReadBack();
    void namedValuesAreWrittenByName_data();
    void namedValuesAreWrittenByName();
    void secondRecordFollowsFirst();
    void otherRowBlockVersionIsSkipped();
    void olderEightBitRowBlock();
    void flagByteAndChildObjects();
    void badInput_data();
    void badInput();
    void everyTruncationIsAReadError();
    void sumReadsWhatTheListReads_data();
    void sumReadsWhatTheListReads();
    void knownRecordsReadAsTheirOwn_data();
    void knownRecordsReadAsTheirOwn();
};

void TestComponentStream::emptyRecordsHaveTheirSizes()
{
    const BookingList income(ListKind::Income);
    const BookingList expend(ListKind::Expend);
    const BookingList regular(ListKind::Regular);
    QCOMPARE(Record(income).size(), 556);
    QCOMPARE(Record(expend, ListFiles::ExpendObjectName()).size(), 556);
    QCOMPARE(ListFiles::RegularBytes(regular).size(), 586);
    const QByteArray book = ListFiles::MonthBookBytes(income, expend);
    QCOMPARE(book.size(), 1112);
    QVERIFY(!book.contains("Items.ItemData"));
}

void TestComponentStream::recordBeginsWithFixedHead()
{
    const QByteArray bytes = Record(BookingList(ListKind::Income));
    const QByteArray head = "TPF0" + Short("TListView") + Short("ListViewIncome") + Short("Left") + Hex("02 06")
                            + Short("Top") + Hex("02 36") + Short("Width") + Hex("03 6B 02") + Short("Height")
                            + Hex("03 B8 01") + Short("BevelKind") + '\x07' + Short("bkFlat");
    QCOMPARE(bytes.left(head.size()), head);
    QVERIFY(bytes.endsWith(Short("ViewStyle") + '\x07' + Short("vsReport") + Hex("00 00")));
    QVERIFY(bytes.contains(Short("TabOrder") + Hex("02 00")));
    QVERIFY(ListFiles::RegularBytes(BookingList(ListKind::Regular)).contains(Short("TabOrder") + Hex("02 01")));
    QVERIFY(bytes.contains(Short("Font.Name") + Hex("06 0D") + "MS Sans Serif"));
    QVERIFY(bytes.contains(Short("Font.Style") + Hex("0B 00")));
    QVERIFY(bytes.contains(Short("Font.Height") + Hex("02 F5")));
}

void TestComponentStream::columnsRecordOfIncomeList()
{
    const QByteArray bytes = Record(BookingList(ListKind::Income));
    const qsizetype start = bytes.indexOf(Short("Columns"));
    const qsizetype end = bytes.indexOf(Short("ColumnClick"));
    QVERIFY(start > 0 && end > start);
    QCOMPARE(end - start, 157);

    const QByteArray secondItem = Hex("01") + Short("Alignment") + Hex("07 0E") + "taRightJustify" + Short("Caption")
                                  + Hex("14 0C 00 00 00 42 65 74 72 61 67 20 28 E2 82 AC 29") + Short("Width")
                                  + Hex("02 50 00");
    QVERIFY(bytes.mid(start, end - start).contains(secondItem));
}

void TestComponentStream::rowBlockExample()
{
    BookingList income(ListKind::Income);
    income.AddRow(IncomeExample());
    QCOMPARE(ComponentStream::RowBlockSizeField(income), 89u);

    const QByteArray block = Hex("01 59 00 00 00 01 00 00 00 00 00 00 00 FF FF FF FF FF FF FF FF 03 00 00 00 00 00 00 00")
                             + Utf16Short(u"07.12.2026"_s) + Utf16Short(u"12.50"_s) + Utf16Short(u"Gehalt"_s)
                             + Utf16Short(u"Dezember"_s) + Hex("FF FF FF FF FF FF");
    QCOMPARE(block.size(), 97);
    const QByteArray bytes = Record(income);
    QVERIFY(bytes.contains(Short("Items.ItemData") + Hex("0A 61 00 00 00") + block));
    QCOMPARE(bytes.size(), 556 + 15 + 1 + 4 + 97);
}

void TestComponentStream::roundTripKeepsRowsAndShapes()
{
    BookingList written(ListKind::Regular);
    written.AddRow(ListRow::Make(u"01."_s, {u"1000.00"_s, u"Gehalt"_s, u"Firma"_s, u"Einnahme"_s}));
    written.AddRow(ListRow::Make(u"15."_s, {}));
    written.AddRow(ListRow::Make(QString(), {QString(), u"nur Kategorie"_s}));
    ListRow odd = ListRow::Make(u"31."_s, {u"5"_s});
    odd.ImageIndex = 3;
    odd.StateIndex = 7;
    odd.OverlayIndex = -2;
    odd.Data = 0xDEADBEEF;
    odd.SubItemImages = {42};
    written.AddRow(odd);

    BookingList read(ListKind::Regular);
    ComponentStream::ReadListRecord(ListFiles::RegularBytes(written), 0, read);
    // Texts, the stored indices and the sub-item images; rows of different lengths.
    QVERIFY(read.Rows() == written.Rows());
    QCOMPARE(read.Columns(), BookingList::StandardColumns(ListKind::Regular));
    // Writing what was read gives the same bytes.
    QCOMPARE(ListFiles::RegularBytes(read), ListFiles::RegularBytes(written));
}

void TestComponentStream::textsAreCutAt255()
{
    BookingList written(ListKind::Income);
    const QString longText = QString(300, u'x');
    const QString longUmlauts = QString(300, u'ü');
    written.AddRow(ListRow::Make(longText, {longUmlauts}));
    BookingList read(ListKind::Income);
    ComponentStream::ReadListRecord(Record(written), 0, read);
    QCOMPARE(read.Row(0).Caption, longText.left(255));
    QCOMPARE(read.Row(0).SubItem(0), longUmlauts.left(255));
    // The size field counts the cut texts: 21 + 510 + 1 + (510 + 3).
    QCOMPARE(ComponentStream::RowBlockSizeField(written), 1045u);
}

void TestComponentStream::eightBitTextsSurvive()
{
    BookingList written(ListKind::Expend);
    written.AddRow(ListRow::Make(u"07.12.2026"_s, {u"3.50"_s, u"Körperpflege"_s, u"Öl für 5 € „günstig“ – ß"_s}));
    written.AddRow(ListRow::Make(u"08.12.2026"_s, {u"1.00"_s, u"Āpfel 😀"_s}));
    BookingList read(ListKind::Expend);
    ComponentStream::ReadListRecord(Record(written, ListFiles::ExpendObjectName()), 0, read);
    QCOMPARE(read.Row(0).SubItems, written.Row(0).SubItems);
    // Characters without an 8-bit form come back as they are kept in memory: "?".
    QCOMPARE(read.Row(1).SubItem(1), u"?pfel ?"_s);
}

void TestComponentStream::textTagFollowsShortestForm_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("ascii") << u"Datum"_s << QByteArray(Hex("06 05") + "Datum");
    QTest::newRow("euro as utf-8") << u"Betrag (€)"_s << QByteArray(Hex("14 0C 00 00 00") + "Betrag (\xE2\x82\xAC)");
    QTest::newRow("umlaut in a word as utf-8") << u"Kä"_s << QByteArray(Hex("14 03 00 00 00 4B C3 A4"));
    QTest::newRow("lone umlaut: utf-8 not shorter") << u"Ä"_s << QByteArray(Hex("12 01 00 00 00 C4 00"));
    QTest::newRow("long ascii") << QString(256, u'a') << QByteArray(Hex("0C 00 01 00 00") + QByteArray(256, 'a'));
    QTest::newRow("utf-8 not shorter: wide") << u"€€"_s << QByteArray(Hex("12 02 00 00 00 AC 20 AC 20"));
}

void TestComponentStream::textTagFollowsShortestForm()
{
    QFETCH(QString, caption);
    QFETCH(QByteArray, value);
    BookingList list(ListKind::Income);
    list.SetColumns({{caption, 80}});
    const QByteArray bytes = Record(list);
    QVERIFY(bytes.contains(Short("Caption") + value));

    BookingList read(ListKind::Income);
    ComponentStream::ReadListRecord(bytes, 0, read);
    QCOMPARE(read.Columns().size(), 1);
    QCOMPARE(read.Columns().front().Caption, caption);
}

void TestComponentStream::presentationIsReadBack()
{
    BookingList written(ListKind::Income);
    ListPresentation &p = written.Presentation();
    p.Left = 1000;
    p.Height = 100000;
    p.Color = {QString(), 0x00FFEEDD};
    p.FontStyle = {u"fsBold"_s, u"fsItalic"_s};
    p.GridLines = false;
    written.SetColumns({{u"A"_s, 10, ColumnAlignment::Center}, {QString(), 20}});
    BookingList read(ListKind::Income);
    ComponentStream::ReadListRecord(Record(written), 0, read);
    QCOMPARE(read.Presentation(), written.Presentation());
    QCOMPARE(read.Columns(), written.Columns());
}

void TestComponentStream::namedValuesAreWrittenByName_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QByteArray>("written");
    const QByteArray white = Short("Color") + '\x07' + Short("clWhite");
    QTest::newRow("name kept") << white << white;
    QTest::newRow("number with a name") << Short("Color") + Hex("04 FF FF FF 00") << white;
    QTest::newRow("system colour") << Short("Font.Color") + Hex("04 08 00 00 FF")
                                   << Short("Font.Color") + '\x07' + Short("clWindowText");
    QTest::newRow("character set") << Short("Font.Charset") + Hex("02 00")
                                   << Short("Font.Charset") + '\x07' + Short("ANSI_CHARSET");
    QTest::newRow("number without a name") << Short("Color") + Hex("04 DD EE FF 00")
                                           << Short("Color") + Hex("04 DD EE FF 00");
}

void TestComponentStream::namedValuesAreWrittenByName()
{
    QFETCH(QByteArray, property);
    QFETCH(QByteArray, written);
    BookingList list(ListKind::Income);
    QCOMPARE(ReadError(RecordWith(property), list), QString());
    QVERIFY(Record(list).contains(written));
}

void TestComponentStream::secondRecordFollowsFirst()
{
    BookingList income(ListKind::Income);
    income.AddRow(IncomeExample());
    BookingList expend(ListKind::Expend);
    expend.AddRow(ListRow::Make(u"01.12.2026"_s, {u"9.99"_s, u"Haushalt"_s, u"Nahrungsmittel"_s}));
    const QByteArray book = ListFiles::MonthBookBytes(income, expend);

    BookingList readIncome(ListKind::Income);
    BookingList readExpend(ListKind::Expend);
    ListFiles::ParseMonthBook(book, readIncome, readExpend);
    QCOMPARE(readIncome.Row(0).SubItems, income.Row(0).SubItems);
    QCOMPARE(readExpend.Row(0).SubItems, expend.Row(0).SubItems);

    // A file that ends after the first record fails while reading the second; the first
    // list keeps its rows.
    const QByteArray firstOnly = Record(income);
    BookingList partIncome(ListKind::Income);
    BookingList partExpend(ListKind::Expend);
    try {
        ListFiles::ParseMonthBook(firstOnly, partIncome, partExpend);
        QFAIL("no error");
    } catch (const QelError &error) {
        QCOMPARE(error.Message(), u"Stream-Lesefehler"_s);
    }
    QCOMPARE(partIncome.RowCount(), 1);
}

void TestComponentStream::otherRowBlockVersionIsSkipped()
{
    BookingList income(ListKind::Income);
    income.AddRow(IncomeExample());
    BookingList expend(ListKind::Expend);
    expend.AddRow(IncomeExample());
    QByteArray book = ListFiles::MonthBookBytes(income, expend);
    const qsizetype version = book.indexOf("Items.ItemData") + 14 + 1 + 4;
    QCOMPARE(book.at(version), '\x01');
    book[version] = '\x02';

    BookingList readIncome(ListKind::Income);
    readIncome.AddRow(IncomeExample());
    BookingList readExpend(ListKind::Expend);
    ListFiles::ParseMonthBook(book, readIncome, readExpend);
    QCOMPARE(readIncome.RowCount(), 0);
    QCOMPARE(readExpend.RowCount(), 1);
}

void TestComponentStream::olderEightBitRowBlock()
{
    BookingList list(ListKind::Income);
    QCOMPARE(ReadError(RecordWith(OldRowBlock()), list), QString());
    QCOMPARE(list.RowCount(), 2);
    QCOMPARE(list.Row(0).SubItems, QStringList({u"5.00"_s, u"Möbel"_s}));
    QCOMPARE(list.Row(0).SubItemImage(1), qint16(7));
    QCOMPARE(list.Row(1).Caption, u"02.02.2008"_s);
}

void TestComponentStream::flagByteAndChildObjects()
{
    const QByteArray child = Short("TPanel") + Short("Inner") + Short("Caption") + Hex("06 02") + "ab"
                             + Short("Tag") + Hex("01 02 05 06 01 78 00") + Hex("00 00");
    const QByteArray record = "TPF0" + Hex("F2 03 10 00") + Short("TListView") + Short("ListViewIncome")
                              + Short("Left") + Hex("02 07") + '\0' + child + '\0';
    BookingList list(ListKind::Income);
    QCOMPARE(ReadError(record, list), QString());
    QCOMPARE(list.Presentation().Left, 7);
}

void TestComponentStream::badInput_data()
{
    BookingList income(ListKind::Income);
    income.AddRow(IncomeExample());
    const QByteArray good = Record(income);
    const qsizetype lengthAt = good.indexOf("Items.ItemData") + 14 + 1;

    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty file") << QByteArray() << u"Stream-Lesefehler"_s;
    QTest::newRow("wrong signature") << QByteArray("TPF1" + good.mid(4)) << u"Ungültiges Stream-Format"_s;
    QTest::newRow("text file") << QByteArray("Hallo Welt, das ist kein Haushaltsbuch.") << u"Ungültiges Stream-Format"_s;

    QByteArray huge = good;
    huge.replace(lengthAt, 4, Hex("FF FF FF FF"));
    QTest::newRow("4 GiB binary length") << huge << u"Stream-Lesefehler"_s;

    QByteArray manyRows = good;
    manyRows.replace(lengthAt + 4 + 5, 4, Hex("FF FF FF 7F"));
    QTest::newRow("row count past the block") << manyRows << u"Stream-Lesefehler"_s;

    QByteArray subItems = good;
    subItems.replace(lengthAt + 4 + 9 + 12, 4, Hex("FF FF FF 0F"));
    QTest::newRow("sub-item count past the block") << subItems << u"Stream-Lesefehler"_s;

    QByteArray unknown = good;
    unknown.replace("ColumnClick", "ColumnKlick");
    QTest::newRow("unknown property") << unknown << u"Eigenschaft ColumnKlick existiert nicht."_s;
    QTest::newRow("unknown nested property")
        << RecordWith(Short("Font.Size") + Hex("02 08")) << u"Eigenschaft Size existiert nicht."_s;
    QTest::newRow("unknown group")
        << RecordWith(Short("Pen.Color") + Hex("02 08")) << u"Eigenschaft Pen existiert nicht."_s;

    QTest::newRow("text for an integer")
        << RecordWith(Short("Left") + Hex("06 01") + "x") << u"Ungültiger Eigenschaftswert"_s;
    QTest::newRow("integer for a flag")
        << RecordWith(Short("GridLines") + Hex("02 01")) << u"Ungültiger Eigenschaftswert"_s;
    QTest::newRow("unknown enumeration value")
        << RecordWith(Short("ViewStyle") + '\x07' + Short("vsTiles")) << u"Ungültiger Eigenschaftswert"_s;
    QTest::newRow("integer for the rows")
        << RecordWith(Short("Items.ItemData") + Hex("02 01")) << u"Ungültiger Eigenschaftswert"_s;
    QTest::newRow("columns item without list")
        << RecordWith(Short("Columns") + Hex("0E 06 00 00")) << u"Ungültiger Eigenschaftswert"_s;
    QTest::newRow("unknown column property")
        << RecordWith(Short("Columns") + Hex("0E 01") + Short("Colour") + Hex("02 01 00 00"))
        << u"Eigenschaft Colour existiert nicht."_s;
    QTest::newRow("unknown value tag in a child")
        << RecordWith({}, Short("TX") + Short("Y") + Short("P") + Hex("63 00 00 00")) << u"Ungültiges Stream-Format"_s;

    QByteArray nested = Short("TX") + Short("Y") + Short("Deep") + QByteArray(100000, '\x01');
    QTest::newRow("deeply nested lists") << RecordWith({}, nested) << u"Ungültiges Stream-Format"_s;
    QByteArray children;
    for (int i = 0; i < 10000; ++i)
        children += Short("TX") + Short("Y") + '\0';
    QTest::newRow("deeply nested children") << RecordWith({}, children) << u"Ungültiges Stream-Format"_s;

    QTest::newRow("old block shorter than its size")
        << RecordWith(Short("Items.Data") + Hex("0A 04 00 00 00 FF FF 00 00")) << u"Stream-Lesefehler"_s;
}

void TestComponentStream::badInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    BookingList list(ListKind::Income);
    QCOMPARE(ReadError(bytes, list), message);
    QCOMPARE(SumError(bytes), message);
}

void TestComponentStream::everyTruncationIsAReadError()
{
    BookingList income(ListKind::Income);
    income.AddRow(IncomeExample());
    income.AddRow(ListRow::Make(u"08.12.2026"_s, {u"1.00"_s}));
    const QByteArray good = Record(income);
    for (qsizetype n = 0; n < good.size(); ++n) {
        BookingList list(ListKind::Income);
        QCOMPARE(ReadError(good.left(n), list), u"Stream-Lesefehler"_s);
        QVERIFY(list.RowCount() <= income.RowCount());
        QCOMPARE(SumError(good.left(n)), u"Stream-Lesefehler"_s);
    }
    BookingList list(ListKind::Income);
    QCOMPARE(ReadError(good, list), QString());
}

// The book scan reads records for their sums only: it takes exactly what the list reader
// takes, ends where it ends and adds up the amounts as ListSum does, to the last bit.
void TestComponentStream::sumReadsWhatTheListReads_data()
{
    QTest::addColumn<QByteArray>("bytes");

    BookingList amounts(ListKind::Income);
    const QStringList texts = {u"12.50"_s, QString(), u" -3"_s, u"+1e2"_s, u"12,50"_s, u"abc"_s, u"\u0663"_s,
                               u"9.99 \u20AC"_s, u"0.125"_s, u"-0.00"_s, u"1e400"_s, QString(300, u'9'),
                               u"1234567890123456789.5"_s, u"\U0001F4B6"_s};
    for (const QString &text : texts)
        amounts.AddRow(ListRow::Make(u"01.02.2008"_s, {text, u"Gehalt"_s}));
    amounts.AddRow(ListRow::Make(u"02.02.2008"_s, {}));
    QTest::newRow("amounts of every form") << Record(amounts);
    QTest::newRow("no rows") << Record(BookingList(ListKind::Expend), ListFiles::ExpendObjectName());

    BookingList first(ListKind::Income);
    first.AddRow(IncomeExample());
    QTest::newRow("a later row block replaces the rows") << RecordWith(RowBlockOf(amounts) + RowBlockOf(first));
    QByteArray otherVersion = RowBlockOf(amounts);
    otherVersion[1 + 14 + 1 + 4] = '\x02';
    QTest::newRow("row block of another version") << RecordWith(RowBlockOf(first) + otherVersion);
    QTest::newRow("older 8-bit row block") << RecordWith(OldRowBlock());
    QTest::newRow("old block, then new") << RecordWith(OldRowBlock() + RowBlockOf(first));
    const QByteArray child = Short("TPanel") + Short("Inner") + Short("Tag") + Hex("02 05") + Hex("00 00");
    QTest::newRow("child objects") << RecordWith(RowBlockOf(first), child);
    QByteArray images = RowBlockOf(first);
    images.chop(2); // the last image index, and its bytes from the block's length
    qToLittleEndian<quint32>(images.size() - (1 + 14 + 1 + 4), images.data() + 1 + 14 + 1);
    QTest::newRow("image table cut short") << RecordWith(images);
}

void TestComponentStream::sumReadsWhatTheListReads()
{
    QFETCH(QByteArray, bytes);
    BookingList list(ListKind::Income);
    QString listError;
    qsizetype listEnd = -1;
    try {
        listEnd = ComponentStream::ReadListRecord(bytes, 0, list);
    } catch (const QelError &error) {
        listError = error.Message();
    }
    double sum = -1;
    qsizetype sumEnd = -1;
    QCOMPARE(SumError(bytes, sum, sumEnd), listError);
    if (listError.isEmpty()) {
        QCOMPARE(sumEnd, listEnd);
        const double expected = AmountSum(list);
        QVERIFY2(std::memcmp(&sum, &expected, sizeof sum) == 0, qPrintable(u"%1 != %2"_s.arg(sum).arg(expected)));
        QCOMPARE(FormatAmount(sum), ListSum(list));
    }
}

// The scan remembers records and reads one that differs only in its rows by its rows alone;
// every record must still read exactly as on its own.
void TestComponentStream::knownRecordsReadAsTheirOwn_data()
{
    QTest::addColumn<QByteArray>("known");
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray example = Record(KnownExample());
    BookingList other(ListKind::Income);
    other.AddRow(ListRow::Make(u"03.02.2008"_s, {u"7.25"_s, u"Zinsen"_s}));
    other.AddRow(ListRow::Make(u"04.02.2008"_s, {u"-1e1"_s}));
    QTest::newRow("other rows") << example << Record(other);
    QTest::newRow("no rows") << example << Record(BookingList(ListKind::Income));
    QTest::newRow("the same") << example << example;
    QByteArray tail = Record(other);
    tail.replace("OwnerDraw", "OwnerDrew");
    QTest::newRow("another end") << example << tail;
    QByteArray head = Record(other);
    head.replace("GridLines\x09", "GridLines\x08");
    QTest::newRow("another head") << example << head;
    QByteArray rowsCut = Record(other);
    const qsizetype lengthAt = rowsCut.indexOf("Items.ItemData") + 14 + 1;
    qToLittleEndian<quint32>(qFromLittleEndian<quint32>(rowsCut.constData() + lengthAt) - 3, rowsCut.data() + lengthAt);
    QTest::newRow("rows cut inside") << example << rowsCut;
    QByteArray beyond = Record(other);
    qToLittleEndian<quint32>(0x7FFFFFFF, beyond.data() + lengthAt);
    QTest::newRow("rows beyond the end") << example << beyond;
    QTest::newRow("cut in the end") << example << Record(other).chopped(3);
    QByteArray countBeyond = Record(other);
    qToLittleEndian<quint32>(3, countBeyond.data() + lengthAt + 4);
    QTest::newRow("more rows counted than there are") << example << countBeyond;
    // The later of two row blocks counts: a record with two is not one to read by its first.
    const QByteArray second = RowBlockOf(other);
    QTest::newRow("two row blocks") << RecordWith(RowBlockOf(KnownExample()) + second)
                                    << RecordWith(RowBlockOf(BookingList(ListKind::Income)) + second);
    QTest::newRow("a row block more") << RecordWith(RowBlockOf(KnownExample()))
                                      << RecordWith(RowBlockOf(KnownExample()) + second);
}

void TestComponentStream::knownRecordsReadAsTheirOwn()
{
    QFETCH(QByteArray, known);
    QFETCH(QByteArray, bytes);
    ComponentStream::KnownRecords records;
    double primed = 0;
    QCOMPARE(records.Sum(known, 0, primed), known.size());

    for (int pass = 0; pass < 2; ++pass) { // the second time the record itself may be known
        double own = -1;
        qsizetype ownEnd = -1;
        const QString ownError = SumError(bytes, own, ownEnd);
        double sum = -1;
        qsizetype end = -1;
        QString error;
        try {
            end = records.Sum(bytes, 0, sum);
        } catch (const QelError &e) {
            error = e.Message();
        }
        QCOMPARE(error, ownError);
        if (ownError.isEmpty()) {
            QCOMPARE(end, ownEnd);
            QVERIFY2(std::memcmp(&sum, &own, sizeof sum) == 0, qPrintable(u"%1 != %2"_s.arg(sum).arg(own)));
        }

        // A month book of it and the known record, both ways round: two known records are
        // walked side by side, and must read as the two records one after the other.
        for (const bool knownFirst : {false, true}) {
            const QByteArray book = knownFirst ? known + bytes : bytes + known;
            double ownFirst = -1, ownSecond = -1;
            qsizetype ownBookEnd = -1;
            QString ownBookError;
            try {
                ownBookEnd = ComponentStream::SumListRecord(book, ComponentStream::SumListRecord(book, 0, ownFirst),
                                                            ownSecond);
            } catch (const QelError &e) {
                ownBookError = e.Message();
            }
            double first = -1, second = -1;
            QString twoError;
            try {
                QCOMPARE(records.SumTwo(book, first, second), ownBookEnd);
            } catch (const QelError &e) {
                twoError = e.Message();
            }
            QCOMPARE(twoError, ownBookError);
            if (ownBookError.isEmpty()) {
                QVERIFY(std::memcmp(&first, &ownFirst, sizeof first) == 0);
                QVERIFY(std::memcmp(&second, &ownSecond, sizeof second) == 0);
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestComponentStream)
#include "tst_componentstream.moc"
