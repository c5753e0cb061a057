// Statements in ZIP files: archives written here with libzip from the statements under
// tests/data/statements, read back as a savings bank's download is read, and every kind of
// archive that must be refused.

#include "TestZip.h"

#include "statements/Statement.h"
#include "statements/StatementArchive.h"
#include "ledger/QelError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

QByteArray Fixture(const QString &name)
{
    QFile file(QStringLiteral(QEL_STATEMENTS_DIR) + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

// Text that packs about ten to one, as a statement does; made once, as it is large.
QByteArray Filler(qsizetype size)
{
    static const QByteArray text = [] {
        QByteArray bytes;
        bytes.reserve(StatementArchive::MaxEntryBytes + 100);
        quint32 state = 12345;
        while (bytes.size() <= StatementArchive::MaxEntryBytes) {
            state = state * 1103515245u + 12345u;
            bytes.append("<Ntry><Amt Ccy=\"EUR\">").append(QByteArray::number(state % 100000));
            bytes.append("</Amt></Ntry>\n");
        }
        return bytes;
    }();
    return text.first(size);
}

// An entry of the limit tests, packed fast.
ZipEntry Large(const QString &name, qsizetype size)
{
    return {name, Filler(size), false, 1};
}

// Offsets in the headers of an archive as libzip writes it (no data descriptors, no ZIP64).
constexpr qsizetype LocalHeaderBytes = 30;
constexpr qsizetype CentralHeaderBytes = 46;

quint16 Field16(const QByteArray &zip, qsizetype at)
{
    return qFromLittleEndian<quint16>(zip.constData() + at);
}

quint32 Field32(const QByteArray &zip, qsizetype at)
{
    return qFromLittleEndian<quint32>(zip.constData() + at);
}

// Where the packed data of the first entry begins: after its header, name and extra fields.
qsizetype FirstPackedData(const QByteArray &zip)
{
    return LocalHeaderBytes + Field16(zip, 26) + Field16(zip, 28);
}

// The first entry's packed data with a byte changed halfway through.
QByteArray Damaged(QByteArray zip)
{
    zip[FirstPackedData(zip) + Field32(zip, 18) / 2] ^= 0x55;
    return zip;
}

// Every entry claims an unpacked size smaller than what its data gives, in its local header
// and in the central directory alike.
QByteArray Understated(QByteArray zip, quint32 size)
{
    const qsizetype end = zip.lastIndexOf("PK\x05\x06");
    const int count = Field16(zip, end + 10);
    qsizetype central = Field32(zip, end + 16);
    for (int i = 0; i < count; ++i) {
        const qsizetype local = Field32(zip, central + 42);
        qToLittleEndian(size, zip.data() + local + 22);
        qToLittleEndian(size, zip.data() + central + 24);
        // the record's name, extra fields and comment follow it
        central += CentralHeaderBytes + Field16(zip, central + 28) + Field16(zip, central + 30)
                   + Field16(zip, central + 32);
    }
    return zip;
}

QString ErrorOf(const QByteArray &zip)
{
    try {
        ReadStatementArchive(zip, u"auszug.zip"_s);
    } catch (const QelError &error) {
        return error.Message();
    }
    return u"(kein Fehler)"_s;
}

int Rows(const StatementReadResult &result)
{
    return int(std::get<Statement>(result).Rows.size());
}

QString WriteFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

} // namespace

class TestStatementArchive : public QObject
{
    Q_OBJECT

private slots:
    void readsStatementEntries_data();
    void readsStatementEntries();
    void refused_data();
    void refused();
    void entryErrorNamesTheEntry();
    void filesOnDisk();
};

void TestStatementArchive::readsStatementEntries_data()
{
    const QByteArray camt053 = Fixture(u"genkgo-camt053.v8.xml"_s);
    const QByteArray camt052 = Fixture(u"sparkasse-camt052.v8.xml"_s);
    const QByteArray mt940 = Fixture(u"jejik-sparkasse.sta"_s);
    const QByteArray csv = Fixture(u"sparkasse-csv-camt.csv"_s);
    const QByteArray pdf =
        QByteArray("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< /Length 8 >>\nstream\n") + QByteArray("\x00\x01\x02xyz", 6);
    const QByteArray readme = "Ihre Kontoauszüge vom 01.01.2025 bis 31.01.2025.\nBitte bewahren Sie sie auf.\n";
    const QByteArray html = "<!DOCTYPE html>\n<html lang=de><body><p>Hinweise zum Auszug</p></body></html>\n";

    QTest::addColumn<QByteArray>("zip");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<QByteArray>>("statements");

    QTest::newRow("one CAMT file") << MakeZip({{u"Januar.xml"_s, camt053}}) << QStringList{u"auszug.zip/Januar.xml"_s}
                                   << QList<QByteArray>{camt053};
    QTest::newRow("monthly CAMT files, in the archive's order")
        << MakeZip({{u"2025-02.xml"_s, camt052}, {u"2025-01.xml"_s, camt053}})
        << QStringList{u"auszug.zip/2025-02.xml"_s, u"auszug.zip/2025-01.xml"_s} << QList<QByteArray>{camt052, camt053};
    QTest::newRow("MT940 and CSV in a folder")
        << MakeZip({{u"2025/"_s, {}}, {u"2025/umsaetze.sta"_s, mt940}, {u"2025/umsaetze.csv"_s, csv}})
        << QStringList{u"auszug.zip/2025/umsaetze.sta"_s, u"auszug.zip/2025/umsaetze.csv"_s}
        << QList<QByteArray>{mt940, csv};
    QTest::newRow("PDF, readme and HTML passed over")
        << MakeZip({{u"Auszug.pdf"_s, pdf}, {u"LIESMICH.txt"_s, readme}, {u"index.html"_s, html},
                    {u"Januar.xml"_s, camt053}, {u"leer.xml"_s, {}}})
        << QStringList{u"auszug.zip/Januar.xml"_s} << QList<QByteArray>{camt053};
    QTest::newRow("unsafe names passed over")
        << MakeZip({{u"../../etc/camt.xml"_s, camt052}, {u"/tmp/camt.xml"_s, camt052}, {u"C:\\camt.xml"_s, camt052},
                    {u"ordner\\..\\..\\camt.xml"_s, camt052}, {u"neue\nZeile.xml"_s, camt052},
                    {u"ok..xml"_s, camt053}})
        << QStringList{u"auszug.zip/ok..xml"_s} << QList<QByteArray>{camt053};
}

void TestStatementArchive::readsStatementEntries()
{
    QFETCH(QByteArray, zip);
    QFETCH(QStringList, names);
    QFETCH(QList<QByteArray>, statements);
    QVERIFY(LooksLikeZip(zip));
    const QList<StatementFile> files = ReadStatementArchive(zip, u"auszug.zip"_s);
    QStringList read;
    for (const StatementFile &file : files)
        read << file.Name;
    QCOMPARE(read, names);
    for (qsizetype i = 0; i < files.size(); ++i) {
        const Statement expected = std::get<Statement>(ReadStatement(statements[i], files[i].Name));
        QCOMPARE(std::get<Statement>(files[i].Result).Format, expected.Format);
        QCOMPARE(Rows(files[i].Result), int(expected.Rows.size()));
    }
}

void TestStatementArchive::refused_data()
{
    const QByteArray camt = Fixture(u"genkgo-camt053.v8.xml"_s);
    const QByteArray one = MakeZip({{u"Januar.xml"_s, camt}});
    QList<ZipEntry> many;
    for (int i = 0; i <= StatementArchive::MaxEntries; ++i)
        many.append({u"%1.txt"_s.arg(i), "x"});
    const QByteArray zeros(20 * 1024 * 1024, '\0');
    const qsizetype half = StatementArchive::MaxTotalBytes / 2 + 1024;

    QTest::addColumn<QByteArray>("zip");
    QTest::addColumn<QString>("message");
    QTest::newRow("too many entries") << MakeZip(many) << u"Das ZIP-Archiv hat 1001 Einträge; mehr als 1000"_s;
    // Each limit is kept by what the central directory says (checked before anything is
    // unpacked: the damaged entry in front is never reached) and by what comes out.
    QTest::newRow("entry too large, told before anything is unpacked")
        << Damaged(MakeZip({{u"a.xml"_s, camt}, Large(u"gross.xml"_s, StatementArchive::MaxEntryBytes + 1)}))
        << u"\"auszug.zip/gross.xml\": Der Eintrag ist entpackt größer als 32 MB"_s;
    QTest::newRow("entry too large, size that lies")
        << Understated(MakeZip({Large(u"gross.xml"_s, StatementArchive::MaxEntryBytes + 1)}), 1000)
        << u"\"auszug.zip/gross.xml\": Der Eintrag ist entpackt größer als 32 MB"_s;
    QTest::newRow("all together too large, told before anything is unpacked")
        << Damaged(MakeZip({{u"a.xml"_s, camt}, Large(u"b.xml"_s, half), Large(u"c.xml"_s, half)}))
        << u"\"auszug.zip\": Die Einträge des ZIP-Archivs sind entpackt zusammen größer als 32 MB"_s;
    QTest::newRow("all together too large, sizes that lie")
        << Understated(MakeZip({Large(u"a.xml"_s, half), Large(u"b.xml"_s, half)}), 1000)
        << u"\"auszug.zip\": Die Einträge des ZIP-Archivs sind entpackt zusammen größer als 32 MB"_s;
    QTest::newRow("packed like a bomb, told before anything is unpacked")
        << Damaged(MakeZip({{u"a.xml"_s, camt}, {u"null.xml"_s, zeros}}))
        << u"\"auszug.zip/null.xml\": Der Eintrag ist mehr als 250-fach gepackt"_s;
    QTest::newRow("packed like a bomb, size that lies")
        << Understated(MakeZip({{u"null.xml"_s, zeros}}), 1000)
        << u"\"auszug.zip/null.xml\": Der Eintrag ist mehr als 250-fach gepackt"_s;
    QTest::newRow("ZIP in the ZIP") << MakeZip({{u"innen.zip"_s, one}, {u"Januar.xml"_s, camt}})
                                    << u"\"auszug.zip/innen.zip\": Der Eintrag ist selbst ein ZIP-Archiv"_s;
    QTest::newRow("encrypted entry") << MakeZip({{u"Januar.xml"_s, camt, true}})
                                     << u"\"auszug.zip/Januar.xml\": Der Eintrag ist verschlüsselt"_s;
    QTest::newRow("damaged data") << Damaged(one)
                                  << u"\"auszug.zip/Januar.xml\": Der Eintrag ist beschädigt und kann nicht entpackt werden."_s;
    QByteArray badDirectory = one;
    badDirectory[badDirectory.lastIndexOf("PK\x01\x02") + 10] = 'X'; // the packing method
    QTest::newRow("damaged directory") << badDirectory
                                       << u"\"auszug.zip\": Das ZIP-Archiv ist beschädigt oder unvollständig"_s;
    QTest::newRow("truncated") << one.first(one.size() / 2)
                               << u"\"auszug.zip\": Das ZIP-Archiv ist beschädigt oder unvollständig"_s;
    QTest::newRow("no statement in it") << MakeZip({{u"LIESMICH.txt"_s, "Keine Umsätze im Januar."}})
                                        << u"\"auszug.zip\": Das ZIP-Archiv enthält keinen Kontoauszug"_s;
}

void TestStatementArchive::refused()
{
    QFETCH(QByteArray, zip);
    QFETCH(QString, message);
    const QString error = ErrorOf(zip);
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestStatementArchive::entryErrorNamesTheEntry()
{
    QByteArray camt = Fixture(u"genkgo-camt053.v8.xml"_s);
    camt.chop(camt.size() / 2);
    QCOMPARE(ErrorOf(MakeZip({{u"ok.xml"_s, Fixture(u"sparkasse-camt052.v8.xml"_s)}, {u"Februar.xml"_s, camt}})),
             u"Kontoauszug \"auszug.zip/Februar.xml\", Zeile %1: Die XML-Datei ist unvollständig; vielleicht wurde "
             u"sie nicht ganz gespeichert."_s.arg(camt.count('\n') + 1));
}

// A ZIP is known by its content, whatever its name; ReadStatementFile takes one with a
// single statement and leaves several to ReadStatementFiles.
void TestStatementArchive::filesOnDisk()
{
    const QTemporaryDir dir;
    const QByteArray camt053 = Fixture(u"genkgo-camt053.v8.xml"_s);
    const QByteArray camt052 = Fixture(u"sparkasse-camt052.v8.xml"_s);
    const QString single = WriteFile(dir, u"download.dat"_s, MakeZip({{u"Januar.xml"_s, camt053}}));
    const QString two = WriteFile(dir, u"umsaetze.zip"_s, MakeZip({{u"a.xml"_s, camt053}, {u"b.xml"_s, camt052}}));
    const QString plain = WriteFile(dir, u"auszug.xml"_s, camt052);

    QCOMPARE(Rows(ReadStatementFile(single)), Rows(ReadStatement(camt053, u"x"_s)));
    const QList<StatementFile> fromSingle = ReadStatementFiles(single);
    QCOMPARE(fromSingle.size(), 1);
    QCOMPARE(fromSingle[0].Name, u"download.dat/Januar.xml"_s);

    try {
        ReadStatementFile(two);
        QFAIL("several statements read as one");
    } catch (const QelError &error) {
        QCOMPARE(error.Message(), u"Kontoauszug \"umsaetze.zip\": Das ZIP-Archiv enthält 2 Kontoauszüge; hier kann nur "
                                  u"einer gelesen werden."_s);
    }
    QCOMPARE(ReadStatementFiles(two).size(), 2);

    const QList<StatementFile> fromPlain = ReadStatementFiles(plain);
    QCOMPARE(fromPlain.size(), 1);
    QCOMPARE(fromPlain[0].Name, u"auszug.xml"_s);
    QCOMPARE(Rows(fromPlain[0].Result), Rows(ReadStatement(camt052, u"x"_s)));
}

QTEST_GUILESS_MAIN(TestStatementArchive)
#include "tst_statementarchive.moc"
