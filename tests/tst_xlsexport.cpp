// The .xls export: the records byte for byte, the order of the cells, the file name rule
// and the save that never leaves half a table behind.

#include "TestBytes.h"

#include "ledger/BookingList.h"
#include "ledger/QelError.h"
#include "output/ExportEXCEL.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Bof = Hex("09 08 08 00 00 00 10 00 01 00 00 00");
const QByteArray Eof = Hex("0A 00 00 00");

// A text cell record built from its fields.
QByteArray Label(quint16 row, quint16 column, const QByteArray &text)
{
    QByteArray out;
    for (const quint16 word : {quint16(0x0204), quint16(text.size() + 8), row, column, quint16(0), quint16(text.size())}) {
        out.append(char(word & 0xFF));
        out.append(char(word >> 8));
    }
    return out + text;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestXlsExport : public QObject
{
    Q_OBJECT

private slots:
    void tagRecordExample();
    void tables_data();
    void tables();
    void amountsAsNumbers();
    void textsPastTheRecordLimitAreCut();
    void listTooLongForTheSheetIsRefused();
    void extension_data();
    void extension();
    void saveReplacesTheFileWhole();
    void saveRefusals_data();
    void saveRefusals();
};

void TestXlsExport::tagRecordExample()
{
    TXLSExport xls;
    xls.WriteLabel(0, 0, u"Tag"_s);
    QCOMPARE(xls.Finish(), Bof + Hex("04 02 0B 00 00 00 00 00 00 00 03 00 54 61 67") + Eof);
}

void TestXlsExport::tables_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<ListRow>>("rows");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray income = Label(0, 0, "Datum") + Label(0, 1, "Betrag (\x80)") + Label(0, 2, "Kategorie")
                              + Label(0, 3, "Verwendung");
    const QByteArray regular = Label(0, 0, "Tag") + Label(0, 1, "Betrag (\x80)") + Label(0, 2, "Kategorie")
                               + Label(0, 3, "Verwendung") + Label(0, 4, "Buchungsart");
    QCOMPARE(Label(0, 1, "Betrag (\x80)").mid(10, 2), Hex("0A 00")); // the euro sign is one byte

    QTest::newRow("empty income list") << int(ListKind::Income) << QList<ListRow>() << Bof + income + Eof;
    QTest::newRow("empty regular list") << int(ListKind::Regular) << QList<ListRow>() << Bof + regular + Eof;
    QTest::newRow("two rows, row by row, left to right")
        << int(ListKind::Expend)
        << QList<ListRow>{ListRow::Make(u"07.12.2026"_s, {u"12.50"_s, u"Gebühren"_s, u"Überweisung €"_s}),
                          ListRow::Make(u"01.12.2026"_s, {u"650.00"_s, u"Wohnen"_s})}
        << Bof + income + Label(1, 0, "07.12.2026") + Label(1, 1, "12.50") + Label(1, 2, "Geb\xFChren")
               + Label(1, 3, "\xDC" "berweisung \x80") + Label(2, 0, "01.12.2026") + Label(2, 1, "650.00")
               + Label(2, 2, "Wohnen") + Label(2, 3, "") + Eof;
    QTest::newRow("regular row with its kind")
        << int(ListKind::Regular) << QList<ListRow>{ListRow::Make(u"07."_s, {u"1.00"_s, u"A"_s, u"B"_s, u"Ausgabe"_s})}
        << Bof + regular + Label(1, 0, "07.") + Label(1, 1, "1.00") + Label(1, 2, "A") + Label(1, 3, "B")
               + Label(1, 4, "Ausgabe") + Eof;
    // Longer than the 255 bytes the record kind was made for: written whole, as spreadsheet
    // programs read it.
    QTest::newRow("300-byte text whole")
        << int(ListKind::Income) << QList<ListRow>{ListRow::Make(QString(300, u'x'), {})}
        << Bof + income + Label(1, 0, QByteArray(300, 'x')) + Label(1, 1, "") + Label(1, 2, "") + Label(1, 3, "")
               + Eof;
    QTest::newRow("characters without a byte become ?")
        << int(ListKind::Income) << QList<ListRow>{ListRow::Make(u"\u20AC\u0141\U0001F600"_s, {})}
        << Bof + income + Label(1, 0, "\x80??") + Label(1, 1, "") + Label(1, 2, "") + Label(1, 3, "") + Eof;
}

void TestXlsExport::tables()
{
    QFETCH(int, kind);
    QFETCH(QList<ListRow>, rows);
    QFETCH(QByteArray, expected);
    BookingList list{ListKind(kind)};
    for (const ListRow &row : rows)
        list.AddRow(row);
    QCOMPARE(XlsTableBytes(list), expected);
}

// The year's table: amounts as the sums write them become number records (IEEE double, little
// endian); a dash, a name, an amount in another form and the first column stay text.
void TestXlsExport::amountsAsNumbers()
{
    BookingList list{ListKind::Income};
    list.AddRow(ListRow::Make(u"1.50"_s, {u"-1503.20"_s, u"–"_s, u"12,50"_s, u"0.05"_s}));
    list.AddRow(ListRow::Make(u"Summe"_s, {u"1234567890123.45"_s, u"1.5"_s, u"-.50"_s, u"+1.00"_s}));
    const QByteArray bytes = XlsTableBytes(list, XlsCells::AmountsAsNumbers);
    const auto number = [](quint16 row, quint16 column, const char *ieee) {
        return Hex("03 02 0E 00") + QByteArray(1, char(row)) + Hex("00") + QByteArray(1, char(column))
               + Hex("00 00 00") + Hex(ieee);
    };
    const QByteArray head = Label(0, 0, "Datum") + Label(0, 1, "Betrag (\x80)") + Label(0, 2, "Kategorie")
                            + Label(0, 3, "Verwendung");
    QCOMPARE(bytes, Bof + head + Label(1, 0, "1.50") + number(1, 1, "CD CC CC CC CC 7C 97 C0")
                        + Label(1, 2, "\x96") + Label(1, 3, "12,50") + Label(2, 0, "Summe")
                        + number(2, 1, "33 B7 4C B0 1F F7 71 42") + Label(2, 2, "1.5") + Label(2, 3, "-.50") + Eof);
    // The lists' own exports keep every cell text.
    QVERIFY(!XlsTableBytes(list).contains(Hex("03 02 0E 00")));
}

void TestXlsExport::textsPastTheRecordLimitAreCut()
{
    // Only column captions read from a crafted file get this long; the length word must not wrap.
    BookingList list(ListKind::Income);
    list.SetColumns({{QString(70000, u'k')}});
    QCOMPARE(XlsTableBytes(list), Bof + Label(0, 0, QByteArray(65527, 'k')) + Eof);
}

void TestXlsExport::listTooLongForTheSheetIsRefused()
{
    BookingList list(ListKind::Income);
    for (int i = 0; i < 65535; ++i)
        list.AddRow(ListRow::Make(u"x"_s, {}));
    QCOMPARE(XlsTableBytes(list).size(), 12 + (4 * 12 + 34) + 65535 * (13 + 3 * 12) + 4);
    list.AddRow(ListRow::Make(u"x"_s, {}));
    QVERIFY_THROWS_EXCEPTION(QelError, XlsTableBytes(list));
}

void TestXlsExport::extension_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("none") << u"/t/Einnahmen - März 2008"_s << u"/t/Einnahmen - März 2008.xls"_s;
    QTest::newRow("xls") << u"/t/a.xls"_s << u"/t/a.xls"_s;
    QTest::newRow("XLS") << u"/t/a.XLS"_s << u"/t/a.XLS"_s;
    QTest::newRow("Xls") << u"/t/a.Xls"_s << u"/t/a.Xls"_s;
    QTest::newRow("txt") << u"/t/a.txt"_s << u"/t/a.txt.xls"_s;
}

void TestXlsExport::extension()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QCOMPARE(WithXlsExtension(chosen), written);
}

void TestXlsExport::saveReplacesTheFileWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Einnahmen.xls"_s);
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'o'));
    old.close();

    BookingList list(ListKind::Income);
    list.AddRow(ListRow::Make(u"01.03.2008"_s, {u"12.50"_s, u"Zinsen"_s, QString()}));
    SaveXlsFile(path, list);
    QCOMPARE(ReadAll(path), XlsTableBytes(list));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Einnahmen.xls"_s});
}

void TestXlsExport::saveRefusals_data()
{
    QTest::addColumn<QString>("target"); // below the temporary folder
    QTest::addColumn<QString>("reason");
    QTest::newRow("name of a folder") << u"Ordner.xls"_s << u"Der Name bezeichnet ein Verzeichnis."_s;
    QTest::newRow("folder is a file") << u"Datei/a.xls"_s << u"Das System kann den angegebenen Pfad nicht finden."_s;
}

void TestXlsExport::saveRefusals()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"Ordner.xls"_s));
    QFile file(dir.filePath(u"Datei"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    const QString path = dir.filePath(target);
    try {
        SaveXlsFile(path, BookingList(ListKind::Income));
        QFAIL("no error");
    } catch (const QelError &error) {
        QCOMPARE(error.Message(), u"Datei \"%1\" kann nicht erstellt werden. %2"_s.arg(path, reason));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({u"Datei"_s, u"Ordner.xls"_s}));
    QVERIFY(QDir(dir.filePath(u"Ordner.xls"_s)).isEmpty());
}

QTEST_GUILESS_MAIN(TestXlsExport)
#include "tst_xlsexport.moc"
