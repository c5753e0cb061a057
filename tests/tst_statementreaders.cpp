#include "statements/Statement.h"
#include "statements/StatementText.h"
#include "ledger/QelError.h"

#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A file the readers refuse gives no rows, so the test fails on them with the message shown.
Statement Read(const QByteArray &bytes, const CsvChoiceLookup &choices = {})
{
    StatementReadResult result;
    try {
        result = ReadStatement(bytes, u"auszug"_s, choices);
    } catch (const QelError &error) {
        qWarning("%s", qPrintable(error.Message()));
        return {};
    }
    if (!std::holds_alternative<Statement>(result))
        qFatal("no statement");
    return std::get<Statement>(result);
}

QString ErrorOf(const QByteArray &bytes, const QString &name = u"auszug"_s)
{
    try {
        ReadStatement(bytes, name);
    } catch (const QelError &error) {
        return error.Message();
    }
    return u"(kein Fehler)"_s;
}

// One MT940 statement around the given turnover lines.
QByteArray Mt940(const QByteArray &turnovers, const QByteArray &head = {})
{
    return ":20:STARTUMSE\r\n:25:DE11222220220222220200\r\n:28C:00000/001\r\n" + head
           + ":60F:C241230EUR100,00\r\n" + turnovers + ":62F:C250102EUR100,00\r\n-\r\n";
}

QByteArray Camt(const QByteArray &kind, const QByteArray &version, const QByteArray &entries)
{
    const QByteArray container = kind == "053" ? "Stmt" : kind == "052" ? "Rpt" : "Ntfctn";
    const QByteArray root = kind == "053" ? "BkToCstmrStmt" : kind == "052" ? "BkToCstmrAcctRpt" : "BkToCstmrDbtCdtNtfctn";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt." + kind
           + ".001." + version + "\">\n<" + root + "><GrpHdr><MsgId>1</MsgId></GrpHdr><" + container
           + "><Acct><Id><IBAN>DE12500105170648489890</IBAN></Id></Acct>\n" + entries + "</" + container + "></" + root
           + "></Document>\n";
}

QByteArray CamtEntry(const QByteArray &amount, const QByteArray &direction, const QByteArray &details,
                     const QByteArray &extra = "<Sts>BOOK</Sts>")
{
    return "<Ntry><Amt Ccy=\"EUR\">" + amount + "</Amt><CdtDbtInd>" + direction + "</CdtDbtInd>" + extra
           + "<BookgDt><Dt>2025-02-03</Dt></BookgDt><ValDt><Dt>2025-02-03</Dt></ValDt><AcctSvcrRef>NONREF</AcctSvcrRef>"
           + "<NtryDtls>" + details + "</NtryDtls></Ntry>\n";
}

} // namespace

class TestStatementReaders : public QObject
{
    Q_OBJECT

private slots:
    void mt940Turnovers_data();
    void mt940Turnovers();
    void mt940Encodings();
    void mt940Details_data();
    void mt940Details();
    void camtVersions_data();
    void camtVersions();
    void camtBatchSplitsOnlyWhenItAddsUp();
    void camtNameWithoutParty();
    void camtEncodings_data();
    void camtEncodings();
    void camtNamesTheOtherParty_data();
    void camtNamesTheOtherParty();
    void csvNotBooked_data();
    void csvNotBooked();
    void sharedReferencesAreDropped();
    void badInput_data();
    void badInput();
    void tooManyRows_data();
    void tooManyRows();
    void fileLimits();
    void unknownCsvAsksForColumns();
    void unknownCsvWithChoice();
    void csvLinesAccountedFor_data();
    void csvLinesAccountedFor();
};

void TestStatementReaders::mt940Turnovers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QDate>("booking");
    QTest::addColumn<QDate>("value");
    QTest::addColumn<bool>("credit");
    QTest::addColumn<bool>("reversal");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<bool>("pending");
    QTest::newRow("booked in the old year") << Mt940(":61:2501021231D10,00NMSCNONREF\r\n") << QDate(2024, 12, 31)
                                            << QDate(2025, 1, 2) << false << false << qint64(1000) << QString()
                                            << false;
    QTest::newRow("booked in the new year") << Mt940(":61:2412310102C10,5NMSCNONREF\r\n") << QDate(2025, 1, 2)
                                            << QDate(2024, 12, 31) << true << false << qint64(1050) << QString()
                                            << false;
    // a period closed on a 30-day calendar: the value date of 30 February is the month's end
    QTest::newRow("value date 30 February") << Mt940(":61:1602300301D1,00NMSC\r\n") << QDate(2016, 3, 1)
                                            << QDate(2016, 2, 29) << false << false << qint64(100) << QString()
                                            << false;
    QTest::newRow("no booking date") << Mt940(":61:241230D1,NMSC\r\n") << QDate(2024, 12, 30) << QDate(2024, 12, 30)
                                     << false << false << qint64(100) << QString() << false;
    QTest::newRow("funds code and bank reference")
        << Mt940(":61:1311121111CR155,34NTRFNONREF//55555\r\n") << QDate(2013, 11, 11) << QDate(2013, 11, 12)
        << true << false << qint64(15534) << u"55555"_s << false;
    QTest::newRow("debit with funds code") << Mt940(":61:2511271127DR17,90NDDTKREF+\r\n") << QDate(2025, 11, 27)
                                           << QDate(2025, 11, 27) << false << false << qint64(1790) << QString()
                                           << false;
    QTest::newRow("reversal of a debit is a credit")
        << Mt940(":61:2002010219RDR1027,25N068NONREF\r\n") << QDate(2020, 2, 19) << QDate(2020, 2, 1) << true << true
        << qint64(102725) << QString() << false;
    QTest::newRow("reversal of a credit is a debit")
        << Mt940(":61:2002010219RC1027,25N068NONREF\r\n") << QDate(2020, 2, 19) << QDate(2020, 2, 1) << false << true
        << qint64(102725) << QString() << false;
    QTest::newRow("MT942 turnovers are not booked")
        << QByteArray(":20:STARTUMS\r\n:25:DE11222220220222220200\r\n:28C:0\r\n:34F:EUR0,\r\n:13D:2502071015+0100\r\n"
                      ":61:2502070207D5,00NMSCNONREF\r\n:90D:1EUR5,00\r\n:90C:0EUR0,\r\n-\r\n")
        << QDate(2025, 2, 7) << QDate(2025, 2, 7) << false << false << qint64(500) << QString() << true;
}

void TestStatementReaders::mt940Turnovers()
{
    QFETCH(QByteArray, bytes);
    const Statement statement = Read(bytes);
    QCOMPARE(statement.Format, u"MT940"_s);
    QCOMPARE(statement.Rows.size(), 1);
    const StatementRow &row = statement.Rows.front();
    QTEST(row.BookingDate, "booking");
    QTEST(row.ValueDate, "value");
    QTEST(row.Credit, "credit");
    QTEST(row.Reversal, "reversal");
    QTEST(row.AmountCents, "cents");
    QTEST(row.Reference, "reference");
    QTEST(row.Pending, "pending");
}

void TestStatementReaders::mt940Encodings()
{
    // The same details in ISO-8859-1 and UTF-8, the name broken over two lines.
    const QByteArray latin1 = Mt940(":61:2501020102D10,00NMSCNONREF\r\n:86:105?00LASTSCHRIFT?20EREF+E1?21SVWZ+Stro"
                                    "m Janua\r\nr?32Stadtwerke M\xFC""nster G\r\n?33mbH\r\n");
    QByteArray utf8 = latin1;
    utf8.replace("M\xFC", "M\xC3\xBC");
    for (const QByteArray &bytes : {latin1, utf8}) {
        const StatementRow row = Read(bytes).Rows.value(0);
        QCOMPARE(row.Counterparty, u"Stadtwerke Münster GmbH"_s);
        QCOMPARE(row.Purpose, u"Strom Januar"_s);
        QCOMPARE(row.EndToEndId, u"E1"_s);
        QCOMPARE(row.BookingText, u"LASTSCHRIFT"_s);
    }
}

void TestStatementReaders::mt940Details_data()
{
    QTest::addColumn<QByteArray>("details");
    QTest::addColumn<QString>("bookingText");
    QTest::addColumn<QString>("counterparty");
    QTest::addColumn<QString>("purpose");
    QTest::newRow("code, then the sub-fields")
        << QByteArray("020?00UEBERWEISUNG?20Miete M\xE4rz?32Hausverwaltung Nord") << u"UEBERWEISUNG"_s
        << u"Hausverwaltung Nord"_s << u"Miete März"_s;
    QTest::newRow("blank after the code")
        << QByteArray("020 ?00UEBERWEISUNG?20Miete M\xE4rz?32Hausverwaltung Nord") << u"UEBERWEISUNG"_s
        << u"Hausverwaltung Nord"_s << u"Miete März"_s;
    QTest::newRow("blank before the code")
        << QByteArray(" 020?00UEBERWEISUNG?20Miete M\xE4rz?32Hausverwaltung Nord") << u"UEBERWEISUNG"_s
        << u"Hausverwaltung Nord"_s << u"Miete März"_s;
    QTest::newRow("blanks around the marks")
        << QByteArray("020 ?00 UEBERWEISUNG ?20 Miete M\xE4rz ?32 Hausverwaltung ?33Nord") << u"UEBERWEISUNG"_s
        << u"Hausverwaltung Nord"_s << u"Miete März"_s;
    QTest::newRow("purpose lines 20 to 29 and 60 to 63")
        << QByteArray("166?00GUTSCHRIFT?19NICHT?20A?21B?22C?23D?24E?25F?26G?27H?28I?29J?30NICHT?31DE12?59NICHT"
                      "?60K?61L?62M?63N?64NICHT?32X")
        << u"GUTSCHRIFT"_s << u"X"_s << u"ABCDEFGHIJKLMN"_s;
    QTest::newRow("last purpose line 29 alone") << QByteArray("166?00GUTSCHRIFT?29Rest der Zeile") << u"GUTSCHRIFT"_s
                                                 << QString() << u"Rest der Zeile"_s;
    QTest::newRow("free text after the code")
        << QByteArray("999SEPA_STANDING_ORDER: Sparplan 12") << QString() << QString()
        << u"SEPA_STANDING_ORDER: Sparplan 12"_s;
    QTest::newRow("free text after a code and a blank") << QByteArray("999 PN5477 SCHECK-NR. 16703074") << QString()
                                                        << QString() << u"PN5477 SCHECK-NR. 16703074"_s;
    QTest::newRow("free text without code") << QByteArray("2025 Miete Wohnung 3") << QString() << QString()
                                            << u"2025 Miete Wohnung 3"_s;
}

void TestStatementReaders::mt940Details()
{
    QFETCH(QByteArray, details);
    const StatementRow row = Read(Mt940(":61:2503030303D750,00NTRFNONREF\r\n:86:" + details + "\r\n")).Rows.value(0);
    QTEST(row.BookingText, "bookingText");
    QTEST(row.Counterparty, "counterparty");
    QTEST(row.Purpose, "purpose");
}

void TestStatementReaders::camtVersions_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("format");
    // parties gain a "Pty" level from .07 on; the status a "Cd" level from .04 on
    for (const char *kind : {"052", "053", "054"}) {
        for (const char *version : {"02", "04", "06", "07", "08"})
            QTest::addRow("camt.%s.001.%s", kind, version)
                << QByteArray(kind) << QByteArray(version) << u"CAMT.%1.001.%2"_s.arg(QLatin1String(kind), QLatin1String(version));
    }
}

void TestStatementReaders::camtVersions()
{
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, version);
    const bool party = version.toInt() >= 7;
    const QByteArray status = version.toInt() >= 4 ? "<Sts><Cd>PDNG</Cd></Sts>" : "<Sts>PDNG</Sts>";
    const QByteArray name = party ? "<Pty><Nm>Vodafone GmbH</Nm></Pty>" : "<Nm>Vodafone GmbH</Nm>";
    const QByteArray details = "<TxDtls><Refs><EndToEndId>NOTPROVIDED</EndToEndId><Prtry><Tp>FI-UMSATZ-ID</Tp>"
                               "<Ref>2025-02-03-04.01</Ref></Prtry></Refs><RltdPties><Dbtr>"
                               + QByteArray(party ? "<Pty><Nm>Erika</Nm></Pty>" : "<Nm>Erika</Nm>") + "</Dbtr><Cdtr>"
                               + name + "</Cdtr></RltdPties><RmtInf><Ustrd>Kunde 123</Ustrd><Ustrd>Rechnung 02</Ustrd>"
                                        "</RmtInf></TxDtls>";
    const Statement statement = Read(Camt(kind, version, CamtEntry("39.99", "DBIT", details, status)));
    QTEST(statement.Format, "format");
    QCOMPARE(statement.Account, u"DE12500105170648489890"_s);
    QCOMPARE(statement.Rows.size(), 1);
    const StatementRow &row = statement.Rows.front();
    QCOMPARE(row.AmountCents, qint64(3999));
    QVERIFY(!row.Credit);
    QVERIFY(row.Pending);
    QCOMPARE(row.Counterparty, u"Vodafone GmbH"_s);
    QCOMPARE(row.Purpose, u"Kunde 123 Rechnung 02"_s);
    QCOMPARE(row.Reference, u"2025-02-03-04.01"_s);
    QVERIFY(row.EndToEndId.isEmpty());
    QCOMPARE(row.BookingDate, QDate(2025, 2, 3));
}

void TestStatementReaders::camtBatchSplitsOnlyWhenItAddsUp()
{
    auto tx = [](const QByteArray &amount, const QByteArray &name) {
        return "<TxDtls><AmtDtls><TxAmt><Amt Ccy=\"EUR\">" + amount + "</Amt></TxAmt></AmtDtls><RltdPties><Cdtr><Nm>"
               + name + "</Nm></Cdtr></RltdPties></TxDtls>";
    };
    const Statement split = Read(Camt("053", "02", CamtEntry("30.00", "DBIT", tx("10", "A") + tx("20", "B"))));
    QCOMPARE(split.Rows.size(), 2);
    QCOMPARE(split.Rows[0].AmountCents, qint64(1000));
    QCOMPARE(split.Rows[1].Counterparty, u"B"_s);
    const Statement whole = Read(Camt("053", "02", CamtEntry("31.00", "DBIT", tx("10", "A") + tx("20", "B"))));
    QCOMPARE(whole.Rows.size(), 1);
    QCOMPARE(whole.Rows[0].AmountCents, qint64(3100));
}

void TestStatementReaders::camtNameWithoutParty()
{
    // a name straight below the parties belongs to no side (found by the fuzz target)
    const Statement statement =
        Read(Camt("053", "08", CamtEntry("1.00", "CRDT", "<TxDtls><RltdPties><Nm>X</Nm></RltdPties></TxDtls>")));
    QCOMPARE(statement.Rows.size(), 1);
    QVERIFY(statement.Rows[0].Counterparty.isEmpty());
}

void TestStatementReaders::camtEncodings_data()
{
    QTest::addColumn<QByteArray>("declaration");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("counterparty");
    QTest::newRow("Windows-1252 without declaration") << QByteArray() << QByteArray("M\xFCller \x80") << u"Müller €"_s;
    QTest::newRow("Windows-1252, declaration without encoding")
        << QByteArray("<?xml version=\"1.0\" standalone=\"yes\"?>\n") << QByteArray("M\xFCller \x80") << u"Müller €"_s;
    QTest::newRow("UTF-8 without declaration") << QByteArray() << QByteArray("M\xC3\xBCller \xE2\x82\xAC")
                                               << u"Müller €"_s;
    QTest::newRow("declared ISO-8859-15") << QByteArray("<?xml version='1.0' encoding='ISO-8859-15'?>\n")
                                          << QByteArray("M\xFCller \xA4") << u"Müller €"_s;
    QTest::newRow("declared ISO-8859-1") << QByteArray("<?xml version=\"1.0\" encoding = \"ISO-8859-1\"?>\n")
                                         << QByteArray("M\xFCller \xA4") << u"Müller ¤"_s;
}

void TestStatementReaders::camtEncodings()
{
    QFETCH(QByteArray, declaration);
    QFETCH(QByteArray, name);
    QByteArray xml = Camt("053", "02", CamtEntry("1.00", "CRDT", "<TxDtls><RltdPties><Dbtr><Nm>" + name
                                                                     + "</Nm></Dbtr></RltdPties></TxDtls>"));
    xml = declaration + xml.mid(xml.indexOf('\n') + 1);
    QTEST(Read(xml).Rows.value(0).Counterparty, "counterparty");
}

void TestStatementReaders::camtNamesTheOtherParty_data()
{
    // The statement's own account is DE12500105170648489890, held by "Erika Mustermann"; the
    // rows with a mark are returns or reversals.
    QTest::addColumn<QByteArray>("direction");
    QTest::addColumn<QByteArray>("entryMark");
    QTest::addColumn<QByteArray>("transactionMark");
    QTest::addColumn<QByteArray>("parties");
    QTest::addColumn<QString>("counterparty");
    const QByteArray own = "<IBAN>DE12500105170648489890</IBAN>";
    const QByteArray other = "<IBAN>DE11300400000123456789</IBAN>";
    auto parties = [](const QByteArray &debtor, const QByteArray &debtorAccount, const QByteArray &creditor,
                      const QByteArray &creditorAccount) {
        QByteArray xml = "<RltdPties><Dbtr><Nm>" + debtor + "</Nm></Dbtr>";
        if (!debtorAccount.isEmpty())
            xml += "<DbtrAcct><Id>" + debtorAccount + "</Id></DbtrAcct>";
        if (!creditor.isEmpty())
            xml += "<Cdtr><Nm>" + creditor + "</Nm></Cdtr>";
        if (!creditorAccount.isEmpty())
            xml += "<CdtrAcct><Id>" + creditorAccount + "</Id></CdtrAcct>";
        return xml + "</RltdPties>";
    };
    const QByteArray none;
    const QByteArray returned = "<RtrInf><Rsn><Cd>AC04</Cd></Rsn></RtrInf>";
    const QByteArray germanCode = "<BkTxCd><Prtry><Cd>NTRF+159+9310</Cd><Issr>DK</Issr></Prtry></BkTxCd>";
    auto isoCode = [](const QByteArray &subFamily) {
        return "<BkTxCd><Domn><Cd>PMNT</Cd><Fmly><Cd>ICDT</Cd><SubFmlyCd>" + subFamily
               + "</SubFmlyCd></Fmly></Domn></BkTxCd>";
    };
    const QByteArray reversal = "<RvslInd>true</RvslInd>";
    QTest::newRow("returned transfer, parties of the transfer")
        << QByteArray("CRDT") << none << returned << parties("Erika Mustermann", own, "Stadtwerke", other)
        << u"Stadtwerke"_s;
    QTest::newRow("returned transfer, parties of the money going back")
        << QByteArray("CRDT") << none << returned << parties("Stadtwerke", other, "Erika Mustermann", own)
        << u"Stadtwerke"_s;
    QTest::newRow("return told by the German code of the transaction")
        << QByteArray("CRDT") << none << germanCode << parties("Stadtwerke", other, "Erika Mustermann", own)
        << u"Stadtwerke"_s;
    for (const char *subFamily : {"RRTN", "UPDD", "PRDD", "RPCR"})
        QTest::addRow("return told by the ISO code %s of the entry", subFamily)
            << QByteArray("CRDT") << isoCode(subFamily) << none
            << parties("Stadtwerke", other, "Erika Mustermann", own) << u"Stadtwerke"_s;
    QTest::newRow("reversal mark, own account in other letter case and blanks")
        << QByteArray("CRDT") << reversal << none
        << parties("Stadtwerke", other, "Erika Mustermann", "<IBAN>de12 5001 0517 0648 4898 90</IBAN>")
        << u"Stadtwerke"_s;
    QTest::newRow("no accounts: the holder's name")
        << QByteArray("CRDT") << none << returned << parties("Stadtwerke", {}, "ERIKA  MUSTERMANN", {})
        << u"Stadtwerke"_s;
    QTest::newRow("direct debit returned to the collector, parties of the debit")
        << QByteArray("DBIT") << none << returned << parties("Sven Schuldner", other, "Erika Mustermann", own)
        << u"Sven Schuldner"_s;
    QTest::newRow("nothing tells the own side: the parties of the booking reversed")
        << QByteArray("DBIT") << none << returned << parties("Sven Schuldner", {}, "Erwin Einzieher", {})
        << u"Sven Schuldner"_s;
    QTest::newRow("transfer out with the parties the wrong way round")
        << QByteArray("DBIT") << none << none << parties("Stadtwerke", other, "Erika Mustermann", own)
        << u"Stadtwerke"_s;
    QTest::newRow("transfer in from the holder's other account, only the payer named")
        << QByteArray("CRDT") << none << none << parties("Erika Mustermann", other, {}, {})
        << u"Erika Mustermann"_s;
    QTest::newRow("transfer in, nothing tells the own side: the payer")
        << QByteArray("CRDT") << none << none << parties("Stadtwerke", {}, "Erwin Einzieher", {})
        << u"Stadtwerke"_s;
}

void TestStatementReaders::camtNamesTheOtherParty()
{
    QFETCH(QByteArray, direction);
    QFETCH(QByteArray, entryMark);
    QFETCH(QByteArray, transactionMark);
    QFETCH(QByteArray, parties);
    const QByteArray details = "<TxDtls>" + parties + transactionMark + "</TxDtls>";
    QByteArray xml = Camt("053", "02", CamtEntry("53.00", direction, details, entryMark + "<Sts>BOOK</Sts>"));
    xml.replace("</Id></Acct>", "</Id><Ownr><Nm>Erika Mustermann</Nm></Ownr></Acct>");
    const StatementRow row = Read(xml).Rows.value(0);
    QCOMPARE(row.Reversal, !entryMark.isEmpty() || !transactionMark.isEmpty());
    QCOMPARE(row.Credit, direction == "CRDT");
    QTEST(row.Counterparty, "counterparty");
}

void TestStatementReaders::csvNotBooked_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<bool>("pending");
    const QByteArray dkb = "\"Buchungsdatum\";\"Wertstellung\";\"Status\";\"Zahlungspflichtige*r\";\"Zahlungsempf\xC3\xA4nger*in\";"
                           "\"Verwendungszweck\";\"Umsatztyp\";\"Betrag\"\n\"05.03.25\";\"05.03.25\";\"%1\";\"Erika\";"
                           "\"REWE\";\"Einkauf\";\"Ausgang\";\"-12,50 \xE2\x82\xAC\"\n";
    const QByteArray sparkasse =
        "\"Auftragskonto\";\"Buchungstag\";\"Valutadatum\";\"Buchungstext\";\"Verwendungszweck\";\"Beguenstigter/"
        "Zahlungspflichtiger\";\"Kontonummer\";\"BLZ\";\"Betrag\";\"Waehrung\";\"Info\"\n\"DE12500105170648489890\";"
        "\"05.03.25\";\"05.03.25\";\"KARTENZAHLUNG\";\"Einkauf\";\"REWE\";\"DE48\";\"WELADEDD\";\"-12,50\";\"EUR\";"
        "\"%1\"\n";
    const QByteArray comdirect = "\"Buchungstag\";\"Wertstellung (Valuta)\";\"Vorgang\";\"Buchungstext\";\"Umsatz in EUR\";\n"
                                 "\"%1\";\"05.03.2025\";\"Lastschrift\";\"Auftraggeber: REWE Buchungstext: Einkauf\";"
                                 "\"-12,50\";\n";
    auto with = [](QByteArray layout, const char *status) { return layout.replace("%1", status); };
    QTest::newRow("DKB booked") << with(dkb, "Gebucht") << false;
    QTest::newRow("DKB noted") << with(dkb, "Vorgemerkt") << true;
    QTest::newRow("DKB noted, capitals") << with(dkb, "VORGEMERKT") << true;
    QTest::newRow("not booked") << with(dkb, "Nicht gebucht") << true;
    QTest::newRow("not booked, small letters") << with(dkb, "nicht gebucht") << true;
    QTest::newRow("open") << with(dkb, "Offen") << true;
    QTest::newRow("outstanding") << with(dkb, "ausstehend") << true;
    QTest::newRow("noted as a noun") << with(dkb, "Vormerkung") << true;
    QTest::newRow("Sparkasse booked") << with(sparkasse, "Umsatz gebucht") << false;
    QTest::newRow("Sparkasse noted") << with(sparkasse, "Umsatz Vorgemerkt") << true;
    QTest::newRow("booking date open") << with(comdirect, "Offen") << true;
    QTest::newRow("booking date not booked") << with(comdirect, "nicht gebucht") << true;
    QTest::newRow("booking date given") << with(comdirect, "05.03.2025") << false;
}

void TestStatementReaders::csvNotBooked()
{
    QFETCH(QByteArray, csv);
    const Statement statement = Read(csv);
    QCOMPARE(statement.Rows.size(), 1);
    QTEST(statement.Rows.front().Pending, "pending");
    QCOMPARE(statement.Rows.front().BookingDate, QDate(2025, 3, 5));
    QCOMPARE(statement.Rows.front().AmountCents, qint64(1250));
}

void TestStatementReaders::sharedReferencesAreDropped()
{
    const Statement statement = Read(Mt940(":61:2501020102D1,00NMSCNONREF//SAME\r\n"
                                           ":61:2501020102D2,00NMSCNONREF//SAME\r\n"
                                           ":61:2501020102D3,00NMSCNONREF//OWN\r\n"));
    QCOMPARE(statement.Rows.size(), 3);
    QVERIFY(statement.Rows[0].Reference.isEmpty());
    QVERIFY(statement.Rows[1].Reference.isEmpty());
    QCOMPARE(statement.Rows[2].Reference, u"OWN"_s);
}

void TestStatementReaders::badInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray camt = Camt("053", "08", CamtEntry("1.00", "CRDT", ""));
    const QByteArray csvHead = "Buchung;Valuta;Auftraggeber/Empfänger;Buchungstext;Verwendungszweck;Betrag;Währung\n";
    QTest::newRow("empty") << QByteArray() << u"Kontoauszug \"auszug\": Die Datei ist leer."_s;
    QTest::newRow("blanks") << QByteArray("\xEF\xBB\xBF \r\n\t\n") << u"Kontoauszug \"auszug\": Die Datei ist leer."_s;
    QTest::newRow("binary") << QByteArray("PK\x03\x04\x00\x00\x08", 7) << u"keine Textdatei"_s;
    QTest::newRow("other XML") << QByteArray("<?xml version=\"1.0\"?><Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:"
                                             "pain.001.001.09\"><CstmrCdtTrfInitn/></Document>")
                               << u"ist kein Kontoauszug im CAMT-Format"_s;
    QTest::newRow("HTML") << QByteArray("<html><body>Sitzung abgelaufen</body></html>")
                          << u"ist kein Kontoauszug im CAMT-Format"_s;
    QTest::newRow("cut-off XML") << camt.left(camt.size() / 2 + 40) << u"Die XML-Datei ist unvollständig"_s;
    QTest::newRow("broken XML") << QByteArray(camt).replace("</Ntry>", "</Ntri>") << u"Zeile 4: Die XML-Datei ist fehlerhaft"_s;
    QTest::newRow("CAMT amount too large")
        << Camt("053", "08", CamtEntry("1000000000.00", "CRDT", "")) << u"Zeile 4: Der Betrag \"1000000000.00\" ist größer"_s;
    QTest::newRow("CAMT date that does not exist")
        << QByteArray(camt).replace("2025-02-03", "2025-02-31") << u"Zeile 4: Das Datum \"2025-02-31\" gibt es nicht."_s;
    QTest::newRow("CAMT direction missing") << QByteArray(camt).replace("<CdtDbtInd>CRDT</CdtDbtInd>", "")
                                            << u"Zeile 4: Dem Umsatz fehlt"_s;
    QTest::newRow("MT940 cut off") << Mt940(":61:2501020102D1,00NMSCNONREF\r\n").left(110)
                                   << u"Der MT940-Auszug ist unvollständig"_s;
    QTest::newRow("MT940 turnover line broken") << Mt940(":61:2501020102X1,00NMSC\r\n")
                                                << u"Zeile 5: Die Umsatzzeile \":61:2501020102X1,00NMSC\""_s;
    QTest::newRow("MT940 booking date that does not exist") << Mt940(":61:2502281302D1,00NMSC\r\n")
                                                            << u"Zeile 5: Das Datum \"02.13.\" gibt es nicht."_s;
    QTest::newRow("MT940 amount too large") << Mt940(":61:250102D1000000000,00NMSC\r\n")
                                            << u"Zeile 5: Der Betrag \"1000000000,00\" ist größer"_s;
    QTest::newRow("CSV quote never closed") << QByteArray(csvHead + "02.01.2025;02.01.2025;\"REWE;Lastschrift\n")
                                            << u"Zeile 2: Ein Feld in Anführungszeichen endet nicht"_s;
    QTest::newRow("plain text") << QByteArray("Sehr geehrte Kundin,\nIhr Auszug liegt bei.\n")
                                << u"weder ein Kontoauszug im CAMT- oder MT940-Format noch eine CSV-Tabelle"_s;
}

void TestStatementReaders::badInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString error = ErrorOf(bytes);
    QVERIFY2(error.startsWith(u"Kontoauszug \"auszug\""_s), qPrintable(error));
    QVERIFY2(error.contains(message), qPrintable(error));
}

void TestStatementReaders::tooManyRows_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray csv = "Buchung;Valuta;Auftraggeber/Empfänger;Buchungstext;Verwendungszweck;Betrag;Währung\n";
    QByteArray mt940;
    for (int i = 0; i <= StatementText::MaxRows; ++i) {
        csv += "02.01.2025;02.01.2025;REWE;Lastschrift;Einkauf;-4,35;EUR\n";
        mt940 += ":61:2501020102D1,00NMSCNONREF\r\n";
    }
    QTest::newRow("CSV") << csv;
    QTest::newRow("MT940") << Mt940(mt940);
}

void TestStatementReaders::tooManyRows()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(ErrorOf(bytes).contains(u"hat mehr als 100.000 Umsätze"_s));
}

void TestStatementReaders::fileLimits()
{
    QTemporaryDir dir;
    QFile big(dir.filePath(u"riesig.csv"_s));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.resize(StatementText::MaxFileBytes + 1)); // sparse, costs no disk
    big.close();
    auto messageOf = [](const QString &path) {
        try {
            ReadStatementFile(path);
        } catch (const QelError &error) {
            return error.Message();
        }
        return QString();
    };
    QCOMPARE(messageOf(big.fileName()),
             u"Kontoauszug \"riesig.csv\": Die Datei ist größer als 32 MB und wird nicht als Kontoauszug gelesen."_s);
    QCOMPARE(messageOf(dir.filePath(u"fehlt.sta"_s)), u"Kontoauszug \"fehlt.sta\": Die Datei gibt es nicht."_s);
    QCOMPARE(ErrorOf(QByteArray(StatementText::MaxFileBytes + 1, 'x'), u"gross.csv"_s),
             u"Kontoauszug \"gross.csv\": Die Datei ist größer als 32 MB und wird nicht als Kontoauszug gelesen."_s);
}

void TestStatementReaders::unknownCsvAsksForColumns()
{
    // account lines padded to the table's width stand above the header
    QByteArray csv = "Kontoauszug Testbank;;;;\nKonto;DE12500105170648489890;;;\n\nDatum;Text;Soll;Haben;Empfänger\n";
    for (int i = 1; i <= 7; ++i)
        csv += QByteArray::number(i) + ".03.2025;Einkauf " + QByteArray::number(i) + ";5,00;;Laden\n";
    QStringList keys;
    const StatementReadResult result = ReadStatement(csv, u"x.csv"_s, [&keys](const QString &key) {
        keys << key;
        return std::optional<CsvColumnChoice>();
    });
    QVERIFY(std::holds_alternative<UnknownCsvLayout>(result));
    const UnknownCsvLayout &layout = std::get<UnknownCsvLayout>(result);
    QCOMPARE(layout.HeaderKey, u"Datum;Text;Soll;Haben;Empfänger"_s);
    QCOMPARE(keys, QStringList{layout.HeaderKey});
    QCOMPARE(layout.Header, (QStringList{u"Datum"_s, u"Text"_s, u"Soll"_s, u"Haben"_s, u"Empfänger"_s}));
    QCOMPARE(layout.Sample.size(), 5);
    QCOMPARE(layout.Sample.front().value(1), u"Einkauf 1"_s);

    // a file without header line is known by its width
    const StatementReadResult headerless = ReadStatement("01.03.2025;Einkauf;-5.00;DE12\n02.03.2025;Lohn;900.00;DE12\n",
                                                         u"y.csv"_s);
    QCOMPARE(std::get<UnknownCsvLayout>(headerless).HeaderKey, u"(ohne Kopfzeile, 4 Spalten)"_s);
    QCOMPARE(std::get<UnknownCsvLayout>(headerless).Sample.size(), 2);
}

void TestStatementReaders::unknownCsvWithChoice()
{
    const QByteArray csv = "Datum;Text;Soll;Haben;Empfänger\n"
                           "01.03.2025;Einkauf;5.25;;Laden\n"
                           "02.03.2025;Lohn;;1,250.00;Firma\n"
                           "Summe;;5.25;1,250.00;\n";
    CsvColumnChoice choice;
    choice.Date = 0;
    choice.Purpose = 1;
    choice.Debit = 2;
    choice.Credit = 3;
    choice.Counterparty = 4;
    const Statement statement = Read(csv, [&choice](const QString &key) {
        return key == u"Datum;Text;Soll;Haben;Empfänger" ? std::optional(choice) : std::nullopt;
    });
    QCOMPARE(statement.Format, u"CSV (eigene Spaltenzuordnung)"_s);
    QCOMPARE(statement.Rows.size(), 2); // the sum line has no date
    QCOMPARE(statement.Rows[0].AmountCents, qint64(525));
    QVERIFY(!statement.Rows[0].Credit);
    QCOMPARE(statement.Rows[0].Counterparty, u"Laden"_s);
    QCOMPARE(statement.Rows[0].Purpose, u"Einkauf"_s);
    QCOMPARE(statement.Rows[1].AmountCents, qint64(125000));
    QVERIFY(statement.Rows[1].Credit);
    QCOMPARE(statement.Rows[1].BookingDate, QDate(2025, 3, 2));

    choice.Credit = 9; // a column the file does not have: ask again
    const StatementReadResult again = ReadStatement(csv, u"x.csv"_s, [&choice](const QString &) {
        return std::optional(choice);
    });
    QVERIFY(std::holds_alternative<UnknownCsvLayout>(again));
}

// Each line of the file as the statement accounts for it: "2 row", "3 leer", "5 unlesbar: why".
QStringList Outcomes(const Statement &statement)
{
    static const char *const reasons[] = {"Kontodaten", "Kopfzeile", "leer", "Saldo", "Text", "unlesbar"};
    QMap<int, QString> lines;
    for (const StatementRow &row : statement.Rows)
        lines.insert(row.Line, u"%1 %2%3"_s.arg(row.Line).arg(row.Credit ? u"+"_s : u"-"_s).arg(row.AmountCents));
    for (const SkippedLine &line : statement.Skipped) {
        QString text = u"%1 %2"_s.arg(line.Line).arg(QString::fromLatin1(reasons[int(line.Reason)]));
        if (!line.Why.isEmpty())
            text += u": "_s + line.Why;
        if (lines.contains(line.Line))
            qFatal("line %d accounted for twice", line.Line);
        lines.insert(line.Line, text);
    }
    return lines.values();
}

void TestStatementReaders::csvLinesAccountedFor_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("outcomes");
    const QByteArray head = "Konto;DE12500105170648489890;;;;;\n\n"
                            "Buchung;Valuta;Auftraggeber/Empfänger;Buchungstext;Verwendungszweck;Betrag;Währung\n";
    const QStringList above{u"1 Kontodaten"_s, u"2 leer"_s, u"3 Kopfzeile"_s};
    QTest::newRow("every kind of line")
        << head + "02.01.2025;02.01.2025;REWE;Lastschrift;Einkauf;-4,35;EUR\n"
                  "\n"
                  "Alter Kontostand;;;;;1.000,00;EUR\n"
                  "* noch nicht ausgeführte Umsätze;;;;;;\n"
        << above + QStringList{u"4 -435"_s, u"5 leer"_s, u"6 Saldo"_s, u"7 Text"_s};
    QTest::newRow("cut short")
        << head + "02.01.2025;02.01.2025;REWE;Lastschrift;Einkauf;-4,35;EUR\n03.01.2025;03.01.2025;REWE;Last"
        << above + QStringList{u"4 -435"_s,
                               u"5 unlesbar: Die Zeile hat nur 4 von 6 Spalten; vielleicht ist die Datei "
                               u"unvollständig. Der Betrag fehlt."_s};
    QTest::newRow("a day that does not exist")
        << head + "31.02.2025;02.01.2025;REWE;Lastschrift;Einkauf;-4,35;EUR\n"
        << above + QStringList{u"4 unlesbar: Das Datum \"31.02.2025\" gibt es nicht."_s};
    QTest::newRow("amount too large")
        << head + "02.01.2025;02.01.2025;REWE;Lastschrift;Einkauf;-1.000.000.000,00;EUR\n"
        << above + QStringList{u"4 unlesbar: Der Betrag \"-1.000.000.000,00\" ist größer als 999.999.999,99 € und wird nicht gelesen."_s};
    QTest::newRow("no amount")
        << head + "02.01.2025;02.01.2025;REWE;Lastschrift;Einkauf;zwölf;EUR\n"
        << above + QStringList{u"4 unlesbar: \"zwölf\" ist kein Betrag."_s};
}

void TestStatementReaders::csvLinesAccountedFor()
{
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, outcomes);
    QCOMPARE(Outcomes(Read(csv)), outcomes);
}

QTEST_GUILESS_MAIN(TestStatementReaders)
#include "tst_statementreaders.moc"
