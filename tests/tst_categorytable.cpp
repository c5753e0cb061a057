#include "ledger/CategoryTable.h"
#include "ledger/QelError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestCategoryTable : public QObject
{
    Q_OBJECT

private slots:
    void defaultsWithoutFile();
    void fileIsTakenByteForByte_data();
    void fileIsTakenByteForByte();
    void shortFileFails_data();
    void shortFileFails();
    void slotRules();

private:
    QString WriteFile(const QByteArray &bytes);
    QTemporaryDir Dir;
};

QString TestCategoryTable::WriteFile(const QByteArray &bytes)
{
    const QString path = Dir.filePath(u"Entrys.dat"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestCategoryTable::defaultsWithoutFile()
{
    CategoryTable table;
    table.LoadCategoryTable(Dir.filePath(u"fehlt/Entrys.dat"_s));
    QStringList income;
    for (int i = 0; i < CategoryTable::IncomeCount; ++i) {
        if (!table.IncomeName(i).isEmpty())
            income << table.IncomeName(i);
    }
    QCOMPARE(income.size(), 12);
    QCOMPARE(income.front(), u"Gehalt"_s);
    QCOMPARE(income.at(7), u"Kapitalerträge"_s);
    QCOMPARE(income.back(), u"Sonstige"_s);
    QVERIFY(table.IncomeName(12).isEmpty());

    QStringList groups;
    for (int g = 0; g < CategoryTable::GroupCount; ++g) {
        if (!table.GroupName(g).isEmpty())
            groups << table.GroupName(g);
    }
    QCOMPARE(groups, QStringList({u"Wohnen"_s, u"Haushalt"_s, u"Auto "_s, u"Freizeit"_s, u"Erziehung"_s,
                                  u"Ausbildung"_s, u"Beruf"_s, u"Sonstige"_s}));
    QCOMPARE(table.SubCategory(0, 15), u"Sonstige"_s);
    QVERIFY(table.SubCategory(0, 16).isEmpty());
    QCOMPARE(table.SubCategory(7, 8), u"Krankenhausaufenthalt"_s);
    QVERIFY(table.SubCategory(8, 0).isEmpty());
    QCOMPARE(table.SubCategory(2, 6), u"Zubehör"_s);
}

void TestCategoryTable::fileIsTakenByteForByte_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("exact record") << CategoryTable::RecordSize;
    QTest::newRow("longer file") << 7200;
}

void TestCategoryTable::fileIsTakenByteForByte()
{
    QFETCH(int, size);
    QByteArray bytes(size, '\x55'); // every length byte 0x55 = 85, beyond a slot
    bytes[0] = 4;
    bytes.replace(1, 4, "Lohn");
    bytes[31] = 0; // empty slot with leftover text
    bytes.replace(32, 5, "Reste");
    bytes[620] = 6;
    bytes.replace(621, 6, "Garten");

    CategoryTable table;
    table.LoadCategoryTable(WriteFile(bytes));
    QCOMPARE(table.Record(), bytes.left(CategoryTable::RecordSize));
    QCOMPARE(table.IncomeName(0), u"Lohn"_s);
    QVERIFY(table.IncomeName(1).isEmpty());
    QCOMPARE(table.GroupName(0), u"Garten"_s);
    // A length byte above 30 is cut to the slot's 30 characters.
    QCOMPARE(table.IncomeName(2).size(), CategoryTable::MaxNameLength);
    QCOMPARE(table.SubCategory(9, 19).size(), CategoryTable::MaxNameLength);
}

void TestCategoryTable::shortFileFails_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("wholeNames");
    QTest::newRow("empty") << 0 << 0;
    QTest::newRow("half a name") << 15 << 0;
    QTest::newRow("7000 bytes") << 7000 << 225;
    QTest::newRow("one byte short") << CategoryTable::RecordSize - 1 << 229;
}

void TestCategoryTable::shortFileFails()
{
    QFETCH(int, size);
    QFETCH(int, wholeNames);
    CategoryTable table;
    table.FillDefaultCategories();
    try {
        table.LoadCategoryTable(WriteFile(QByteArray(size, '\x03')));
        QFAIL("no error");
    } catch (const QelError &error) {
        QVERIFY2(error.Message().startsWith(u"E/A-Fehler"_s), qPrintable(error.Message()));
    }
    // What was read stays: the names held whole, the rest of the table empty.
    const int kept = wholeNames * CategoryTable::NameSize;
    QCOMPARE(table.Record(), QByteArray(kept, '\x03') + QByteArray(CategoryTable::RecordSize - kept, '\0'));
    if (wholeNames > CategoryTable::IncomeCount)
        QCOMPARE(table.GroupName(0), u"\x03\x03\x03"_s);
}

void TestCategoryTable::slotRules()
{
    QVERIFY(IsBlankCategoryName(u"   "_s));
    QVERIFY(IsBlankCategoryName(u"\t\x01"_s));
    QVERIFY(IsBlankCategoryName(QString()));
    QVERIFY(!IsBlankCategoryName(u" a "_s));

    QByteArray bytes(CategoryTable::RecordSize, '\0');
    bytes[0] = 3;
    bytes.replace(1, 3, "   ");
    CategoryTable table;
    table.LoadRecord(bytes, u"x"_s);
    QCOMPARE(table.IncomeName(0), u"   "_s); // offered by the overview, skipped by the dialogs
}

QTEST_GUILESS_MAIN(TestCategoryTable)
#include "tst_categorytable.moc"
