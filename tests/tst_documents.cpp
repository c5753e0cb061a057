// Reading a booking from a document: the e-invoices under tests/data/documents (see
// SOURCES.md there) against EXPECTED beside them, the same PDFs read from their text alone,
// and the limits of the XML reader and the receipt rules.

#include "documents/DocumentReader.h"
#include "documents/EInvoice.h"
#include "documents/ReceiptText.h"
#include "documents/pdf/PopplerPdfReader.h"

#include "CliRun.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString Line(const DocumentProposal &proposal)
{
    return QStringList{proposal.Date.toString(u"dd.MM.yyyy"_s),
                       u"%1.%2"_s.arg(proposal.AmountCents / 100).arg(proposal.AmountCents % 100, 2, 10, QChar(u'0')),
                       proposal.Income ? u"Einnahme"_s : u"Ausgabe"_s, proposal.Seller, proposal.Currency}
        .join(u'\t');
}

QMap<QString, QString> Expected()
{
    QFile file(QStringLiteral(QEL_DOCUMENTS_DIR "/EXPECTED"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QMap<QString, QString> expected;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (!line.startsWith('#') && tab > 0)
            expected.insert(QString::fromUtf8(line.first(tab)), QString::fromUtf8(line.sliced(tab + 1)));
    }
    return expected;
}

QByteArray Bytes(const QString &name)
{
    QFile file(QStringLiteral(QEL_DOCUMENTS_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Cii(const QByteArray &typeCode, const QByteArray &summation, const QByteArray &date = "20240305")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<rsm:CrossIndustryInvoice xmlns:rsm=\"urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:100\""
           " xmlns:ram=\"urn:un:unece:uncefact:data:standard:ReusableAggregateBusinessInformationEntity:100\""
           " xmlns:udt=\"urn:un:unece:uncefact:data:standard:UnqualifiedDataType:100\">"
           "<rsm:ExchangedDocument><ram:ID>1</ram:ID><ram:TypeCode>"
        + typeCode + "</ram:TypeCode><ram:IssueDateTime><udt:DateTimeString format=\"102\">" + date
        + "</udt:DateTimeString></ram:IssueDateTime></rsm:ExchangedDocument>"
          "<rsm:SupplyChainTradeTransaction><ram:ApplicableHeaderTradeAgreement>"
          "<ram:SellerTradeParty><ram:Name>Maler Klein</ram:Name></ram:SellerTradeParty>"
          "<ram:BuyerTradeParty><ram:Name>Netzbetreiber Süd</ram:Name></ram:BuyerTradeParty>"
          "</ram:ApplicableHeaderTradeAgreement><ram:ApplicableHeaderTradeSettlement>"
          "<ram:InvoiceCurrencyCode>EUR</ram:InvoiceCurrencyCode>"
          "<ram:SpecifiedTradeSettlementHeaderMonetarySummation>"
        + summation
        + "</ram:SpecifiedTradeSettlementHeaderMonetarySummation></ram:ApplicableHeaderTradeSettlement>"
          "</rsm:SupplyChainTradeTransaction></rsm:CrossIndustryInvoice>";
}

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT

private slots:
    void readsEachInvoiceAsItsXmlStates_data();
    void readsEachInvoiceAsItsXmlStates();
    void theTextOfEachPdfGivesItsBooking();
    void whoPaysWhom_data();
    void whoPaysWhom();
    void refusesWhatIsNoInvoice_data();
    void refusesWhatIsNoInvoice();
    void receiptRules_data();
    void receiptRules();
    void commandLine();
    void documentsOnBookings();
    void bookingADocument();
};

void TestDocuments::readsEachInvoiceAsItsXmlStates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    const QMap<QString, QString> expected = Expected();
    QVERIFY(expected.size() >= 14);
    const QStringList files = QDir(QStringLiteral(QEL_DOCUMENTS_DIR)).entryList({u"*.xml"_s, u"*.pdf"_s}, QDir::Files);
    for (const QString &name : files) {
        QVERIFY2(expected.contains(name), qPrintable(name + u" is missing in EXPECTED"_s));
        QTest::newRow(qPrintable(name)) << name << expected.value(name);
    }
    QCOMPARE(files.size(), expected.size());
}

void TestDocuments::readsEachInvoiceAsItsXmlStates()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    const PopplerPdfReader pdf;
    const DocumentRead read = DocumentReader(&pdf, nullptr).Read(Bytes(name));
    QVERIFY2(read.Proposal, qPrintable(read.Error));
    QCOMPARE(read.Proposal->Source, DocumentSource::EInvoice);
    QVERIFY(read.Proposal->Sure());
    QCOMPARE(Line(*read.Proposal), expected);
}

// Without its XML, each invoice's visible text must give the same booking. The seller is
// compared where the rules are sure of it.
void TestDocuments::theTextOfEachPdfGivesItsBooking()
{
    // Their pictures show another invoice than their XML (see SOURCES.md).
    const QStringList pictureDiffers{u"MustangGnuaccountingBeispielRE-20140519_499.pdf"_s,
                                     u"factur-x-invalid-xml-encoding-attribute.pdf"_s};
    const PopplerPdfReader pdf;
    const QMap<QString, QString> expected = Expected();
    int pdfs = 0;
    QStringList wrong;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (!it.key().endsWith(u".pdf"_s) || pictureDiffers.contains(it.key()))
            continue;
        ++pdfs;
        QString error;
        const std::optional<PdfContent> content = pdf.Read(Bytes(it.key()), error);
        QVERIFY2(content, qPrintable(error));
        ReceiptText::Options options;
        options.Today = QDate(2026, 1, 1);
        const std::optional<DocumentProposal> proposal = ReceiptText::Propose(content->PageTexts.join(u'\n'), options);
        QVERIFY2(proposal, qPrintable(it.key()));
        const QStringList want = it.value().split(u'\t');
        const QStringList got = Line(*proposal).split(u'\t');
        if (got.first(3) != want.first(3) || (proposal->SellerSure && got.at(3) != want.at(3)))
            wrong << it.key() + u": "_s + got.join(u' ') + u" statt "_s + want.join(u' ');
    }
    QVERIFY(pdfs >= 10);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
}

void TestDocuments::whoPaysWhom_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("expected");
    QTest::newRow("invoice") << Cii("380", "<ram:GrandTotalAmount>119.00</ram:GrandTotalAmount>")
                             << u"05.03.2024\t119.00\tAusgabe\tMaler Klein\tEUR"_s;
    QTest::newRow("prepaid less") << Cii("380", "<ram:GrandTotalAmount>119.00</ram:GrandTotalAmount>"
                                                "<ram:TotalPrepaidAmount>100.00</ram:TotalPrepaidAmount>"
                                                "<ram:DuePayableAmount>0.00</ram:DuePayableAmount>")
                                  << u"05.03.2024\t19.00\tAusgabe\tMaler Klein\tEUR"_s;
    QTest::newRow("overpaid") << Cii("380", "<ram:GrandTotalAmount>50.00</ram:GrandTotalAmount>"
                                            "<ram:TotalPrepaidAmount>80.00</ram:TotalPrepaidAmount>")
                              << u"05.03.2024\t30.00\tEinnahme\tMaler Klein\tEUR"_s;
    QTest::newRow("due only") << Cii("380", "<ram:GrandTotalAmount>671.15</ram:GrandTotalAmount>"
                                            "<ram:DuePayableAmount>470.15</ram:DuePayableAmount>")
                              << u"05.03.2024\t470.15\tAusgabe\tMaler Klein\tEUR"_s;
    QTest::newRow("credit note") << Cii("381", "<ram:GrandTotalAmount>20.00</ram:GrandTotalAmount>")
                                 << u"05.03.2024\t20.00\tEinnahme\tMaler Klein\tEUR"_s;
    QTest::newRow("negative credit note") << Cii("381", "<ram:GrandTotalAmount>-20.00</ram:GrandTotalAmount>")
                                          << u"05.03.2024\t20.00\tAusgabe\tMaler Klein\tEUR"_s;
    QTest::newRow("self-billed") << Cii("389", "<ram:GrandTotalAmount>87.31</ram:GrandTotalAmount>")
                                 << u"05.03.2024\t87.31\tEinnahme\tNetzbetreiber Süd\tEUR"_s;
    QTest::newRow("three decimals") << Cii("380", "<ram:GrandTotalAmount>10.005</ram:GrandTotalAmount>")
                                    << u"05.03.2024\t10.01\tAusgabe\tMaler Klein\tEUR"_s;
}

void TestDocuments::whoPaysWhom()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, expected);
    const DocumentRead read = DocumentReader(nullptr, nullptr).Read(xml);
    QVERIFY2(read.Proposal, qPrintable(read.Error));
    QCOMPARE(Line(*read.Proposal), expected);
}

void TestDocuments::refusesWhatIsNoInvoice_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    QTest::newRow("entities") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\">"
                                            "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                                            "<CrossIndustryInvoice>&b;</CrossIndustryInvoice>")
                              << u"DTD"_s;
    QTest::newRow("external") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"file:///etc/passwd\">"
                                            "<Invoice/>")
                              << u"DTD"_s;
    QByteArray deep = "<Invoice>";
    for (int i = 0; i < 100; ++i)
        deep += "<a>";
    QTest::newRow("deep") << deep << u"verschachtelt"_s;
    QTest::newRow("other xml") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"/>") << u"keine elektronische"_s;
    QTest::newRow("no date") << Cii("380", "<ram:GrandTotalAmount>1.00</ram:GrandTotalAmount>", "")
                             << u"kein Rechnungsdatum"_s;
    QTest::newRow("30 February") << Cii("380", "<ram:GrandTotalAmount>1.00</ram:GrandTotalAmount>", "20240230")
                                 << u"„20240230“ ist kein Datum"_s;
    QTest::newRow("no amount") << Cii("380", "") << u"keinen Betrag"_s;
    QTest::newRow("bad amount") << Cii("380", "<ram:GrandTotalAmount>1,00</ram:GrandTotalAmount>")
                                << u"„1,00“ (Gesamtbetrag) ist keine Zahl"_s;
    QTest::newRow("huge amount") << Cii("380", "<ram:GrandTotalAmount>1000000000.00</ram:GrandTotalAmount>")
                                 << u"keine Zahl"_s;
    QTest::newRow("cut off") << Cii("380", "<ram:GrandTotalAmount>1.00</ram:GrandTotalAmount>").chopped(40)
                             << u"nicht lesbar"_s;
    QTest::newRow("oversize") << QByteArray(EInvoiceLimits::MaxXmlBytes + 1, ' ').prepend("<") << u"16 MB"_s;
    QTest::newRow("text") << QByteArray("Rechnung 12,00") << u"weder PDF noch XML"_s;
    QTest::newRow("broken pdf") << QByteArray("%PDF-1.7\n1 0 obj << /Type /Catalog >>") << u"beschädigt"_s;
}

void TestDocuments::refusesWhatIsNoInvoice()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    const PopplerPdfReader pdf;
    const DocumentRead read = DocumentReader(&pdf, nullptr).Read(bytes);
    QVERIFY(!read.Proposal);
    QVERIFY2(read.Error.contains(error), qPrintable(read.Error));
}

void TestDocuments::receiptRules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("known");
    QTest::addColumn<QString>("expected"); // date, amount, kind, seller, then the sure parts
    QTest::newRow("shop receipt")
        << u"Bäckerei Sonnenschein GmbH\nHauptstr. 5\n12345 Musterstadt\n2 x Brötchen      0,90\n"
           "Kaffee            2,40\nSUMME EUR          3,30\nBar               5,00\nRückgeld          1,70\n"
           "MwSt 7%  Netto 3,08  MwSt 0,22\n14.02.24 08:15"_s
        << QStringList() << u"14.02.2024 3.30 Ausgabe Bäckerei Sonnenschein GmbH ADS"_s;
    // The line with the largest amount is the cash given, not the total; the VAT lines decide.
    QTest::newRow("vat decides")
        << u"Kiosk am Eck\nZeitung 2,50\nZwischensumme 2,50\nGesamt 2,50\nGesamt bezahlt 50,00\n"
           "A 19% 2,10 0,40 2,50\nDatum: 03.03.2025"_s
        << QStringList() << u"03.03.2025 2.50 Ausgabe Kiosk am Eck AD"_s;
    QTest::newRow("known seller, refund")
        << u"Herzlich willkommen\nbei ELEKTRO PRIMA\nUmtausch\nzu zahlen -19,99\nKartenzahlung -19,99\n1. März 2025"_s
        << QStringList{u"Elektro Prima"_s, u"Prima"_s} << u"01.03.2025 19.99 Einnahme Elektro Prima ADS"_s;
    // A receipt that names only day and month is from this year; a future date is not taken.
    QTest::newRow("no year")
        << u"Markt\nBetrag 7,10\nam 24.12. um 10:00\nGültig bis 31.12.2099"_s << QStringList()
        << u"24.12.2025 7.10 Ausgabe Markt D"_s;
    QTest::newRow("no word") << u"Flohmarkt\n3,00\n12,50\n"_s << QStringList() << u" 12.50 Ausgabe Flohmarkt "_s;
}

void TestDocuments::receiptRules()
{
    QFETCH(QString, text);
    QFETCH(QStringList, known);
    QFETCH(QString, expected);
    ReceiptText::Options options;
    options.KnownSellers = known;
    options.Today = QDate(2025, 12, 30);
    const std::optional<DocumentProposal> proposal = ReceiptText::Propose(text, options);
    QVERIFY(proposal);
    const QString sure = QString(proposal->AmountSure ? u"A"_s : QString()) + (proposal->DateSure ? u"D"_s : QString())
                         + (proposal->SellerSure ? u"S"_s : QString());
    const QStringList parts = Line(*proposal).split(u'\t');
    QCOMPARE(QStringList(parts.first(4)).join(u' ') + u' ' + sure, expected);
}

void TestDocuments::commandLine()
{
    const auto home = MakeCliHome();
    const QString dir = QStringLiteral(QEL_DOCUMENTS_DIR "/");
    const CliResult credit = RunCli(*home, {u"read-document"_s, dir + u"Avoir_FR_type381_BASIC.pdf"_s});
    QCOMPARE(credit.Status, 0);
    QCOMPARE(credit.Out, u"16.11.2017\t233.47\tEinnahme\tAu bon moulin\tE-Rechnung\n"_s);
    QCOMPARE(credit.Err, QString());

    const CliResult pounds = RunCli(*home, {u"read-document"_s, dir + u"zugferd_2p0_EXTENDED_Fremdwaehrung.pdf"_s});
    QCOMPARE(pounds.Status, 0);
    QVERIFY2(pounds.Err.contains(u"lautet auf GBP"_s), qPrintable(pounds.Err));

    const CliResult none = RunCli(*home, {u"read-document"_s, dir + u"SOURCES.md"_s});
    QCOMPARE(none.Status, 1);
    QCOMPARE(none.Out, QString());
    QVERIFY2(none.Err.contains(u"weder PDF noch XML"_s), qPrintable(none.Err));
    QCOMPARE(RunCli(*home, {u"read-document"_s, dir + u"fehlt.pdf"_s}).Status, 1);
}

// Put on a booking from the command line, kept once, taken off by undo, along with backup and
// restore (never a file from a backup whose content is not its name).
void TestDocuments::documentsOnBookings()
{
    const auto home = MakeCliHome();
    QTemporaryDir data;
    const QString dataDir = data.filePath(u"Daten"_s);
    const auto cli = [&](QStringList args) {
        return RunCli(*home, QStringList{u"--data-dir"_s, dataDir, u"--program-data-dir"_s, data.filePath(u"Programm"_s)}
                                 + args);
    };
    const QString invoice = QStringLiteral(QEL_DOCUMENTS_DIR "/EN16931_Einfach.pdf");
    const QString book = u"März 2026"_s;
    QCOMPARE(cli({u"new"_s, book}).Status, 0);
    QCOMPARE(cli({u"add"_s, book, u"expense"_s, u"06.03.2026"_s, u"9,99"_s, u"Haushalt"_s, u"Kiosk"_s}).Status, 0);
    QCOMPARE(cli({u"add"_s, book, u"expense"_s, u"06.03.2026"_s, u"9.99"_s, u"Haushalt"_s, u"Bäcker"_s}).Status, 0);

    const CliResult twoOfThem = cli({u"attach"_s, book, u"expense"_s, u"06.03.2026"_s, u"9,99"_s, invoice});
    QCOMPARE(twoOfThem.Status, 1);
    QVERIFY2(twoOfThem.Err.contains(u"„Kiosk“, „Bäcker“"_s), qPrintable(twoOfThem.Err));
    QCOMPARE(cli({u"attach"_s, book, u"expense"_s, u"07.03.2026"_s, u"9,99"_s, invoice}).Status, 1);
    QCOMPARE(cli({u"attach"_s, book, u"expense"_s, u"06.03.2026"_s, u"9,99"_s, QStringLiteral(QEL_DOCUMENTS_DIR "/SOURCES.md"),
                  u"--verwendung"_s, u"Kiosk"_s})
                 .Status,
             1);
    const QStringList attach{u"attach"_s, book,    u"expense"_s,      u"06.03.2026"_s,
                             u"9.99"_s,   invoice, u"--verwendung"_s, u"kiosk"_s};
    const CliResult attached = cli(attach);
    QCOMPARE(attached.Status, 0);
    const QString stored = attached.Out.section(u": "_s, 1).trimmed();
    QVERIFY2(QFile::exists(stored) && stored.contains(u"/Belege/"_s), qPrintable(attached.Out));
    QVERIFY(cli(attach).Out.contains(u"schon an dieser Buchung"_s));
    QCOMPARE(QDir(dataDir + u"/Belege"_s).entryList(QDir::Files).size(), 1);
    const QString line = book + u"\t06.03.2026\t9.99\tKiosk\t"_s + stored + u'\n';
    QCOMPARE(cli({u"documents"_s}).Out, line);
    QCOMPARE(cli({u"documents"_s, u"regular"_s}).Out, QString());

    // The second attach changed nothing, so undo takes the first back.
    QVERIFY(cli({u"undo"_s}).Out.contains(u"Beleg „EN16931_Einfach.pdf“"_s));
    QCOMPARE(cli({u"documents"_s, book}).Out, QString());
    QCOMPARE(cli({u"redo"_s}).Status, 0);
    QCOMPARE(cli({u"documents"_s, book}).Out, line);

    // Every automatic copy holds the documents too, and a restore from one brings them back.
    const QString newest = cli({u"backups"_s}).Out.section(u'\n', 0, 0).section(u'\t', 0, 0);
    const QString automatic = cli({u"backups"_s}).Out.section(u'\n', 0, 0).section(u'\t', 2, 2);
    QVERIFY2(QFile::exists(automatic + u"Belege/"_s + QFileInfo(stored).fileName()), qPrintable(automatic));
    QVERIFY(QDir(dataDir + u"/Belege"_s).removeRecursively());
    QCOMPARE(cli({u"restore"_s, u"--auto"_s, newest}).Status, 0);
    QVERIFY(QFile::exists(stored));

    // A book from the trash comes back with its bookings as they were, documents and all.
    QCOMPARE(cli({u"remove"_s, book}).Status, 0);
    QCOMPARE(cli({u"documents"_s}).Out, QString());
    QCOMPARE(cli({u"untrash"_s, book}).Status, 0);
    QCOMPARE(cli({u"documents"_s}).Out, line);

    const QString backup = data.filePath(u"Sicherung"_s);
    QCOMPARE(cli({u"backup"_s, backup}).Status, 0);
    QVERIFY(QDir(dataDir + u"/Belege"_s).removeRecursively());
    const CliResult gone = cli({u"documents"_s});
    QCOMPARE(gone.Status, 1);
    QVERIFY2(gone.Err.contains(u"fehlt im Ordner Belege"_s), qPrintable(gone.Err));
    QCOMPARE(cli({u"restore"_s, backup}).Status, 0);
    QCOMPARE(cli({u"documents"_s}).Status, 0);

    const QString copy = backup + u"/Belege/"_s + QFileInfo(stored).fileName();
    QFile tampered(copy);
    QVERIFY(tampered.open(QIODevice::Append));
    tampered.write("x");
    tampered.close();
    QVERIFY(QDir(dataDir + u"/Belege"_s).removeRecursively());
    QCOMPARE(cli({u"restore"_s, backup}).Status, 0);
    QVERIFY(!QFile::exists(stored));
}

// A document booked where no bank booking meets it, and put on the imported one that does.
void TestDocuments::bookingADocument()
{
    const auto home = MakeCliHome();
    QTemporaryDir data;
    const auto cli = [&](QStringList args) {
        return RunCli(*home, QStringList{u"--data-dir"_s, data.filePath(u"Daten"_s), u"--program-data-dir"_s,
                                         data.filePath(u"Programm"_s)}
                                 + args);
    };
    const QString taxi = QStringLiteral(QEL_DOCUMENTS_DIR "/zugferd_2p0_BASIC_Taxifahrt.pdf");
    // The category of the seller's earlier booking.
    QCOMPARE(cli({u"new"_s, u"September 2018"_s}).Status, 0);
    QCOMPARE(cli({u"add"_s, u"September 2018"_s, u"expense"_s, u"03.09.2018"_s, u"20"_s, u"Fahrtkosten"_s,
                  u"Taxiunternehmen TX GmbH"_s})
                 .Status,
             0);
    const CliResult booked = cli({u"book-document"_s, taxi});
    QCOMPARE(booked.Status, 0);
    QCOMPARE(booked.Out,
             u"gebucht\tOktober 2018\tAusgabe\t30.10.2018\t18.08\tFahrtkosten\tTaxiunternehmen TX GmbH\tE-Rechnung\n"_s);
    QCOMPARE(cli({u"documents"_s, u"Oktober 2018"_s}).Out.count(u'\n'), 1);
    // One step: the booking, its book and the document go together.
    QCOMPARE(cli({u"undo"_s}).Status, 0);
    QVERIFY(!cli({u"books"_s}).Out.contains(u"Oktober 2018"_s));

    const auto importRows = [&](const QByteArray &rows) {
        const QString statement = data.filePath(u"konto.csv"_s);
        QFile csv(statement);
        if (!csv.open(QIODevice::WriteOnly))
            return -1;
        csv.write("Buchungstag;Empf\xC3\xA4nger;Verwendungszweck;Betrag\n" + rows);
        csv.close();
        return cli({u"import"_s, statement}).Status;
    };
    // Six days away, or a cent off: no match.
    QCOMPARE(importRows("24.10.2018;Taxiunternehmen TX GmbH;Rechnung TX-471101;-18,08\n"
                        "30.10.2018;Taxiunternehmen TX GmbH;Fahrt;-18,09\n"),
             0);
    QVERIFY(cli({u"book-document"_s, taxi}).Out.startsWith(u"gebucht\t"_s));
    QCOMPARE(cli({u"undo"_s}).Status, 0);
    // Five days away: the document belongs to that bank booking.
    QCOMPARE(importRows("04.11.2018;Taxiunternehmen TX GmbH;Rechnung TX-471102;-18,08\n"), 0);
    const CliResult matched = cli({u"book-document"_s, taxi});
    QCOMPARE(matched.Status, 0);
    QVERIFY2(matched.Out.startsWith(u"an Kontobuchung\tNovember 2018\tAusgabe\t04.11.2018\t18.08"_s),
             qPrintable(matched.Out));
    QCOMPARE(cli({u"show"_s, u"Oktober 2018"_s}).Out.count(u'\n'), 2);

    const CliResult pounds =
        cli({u"book-document"_s, QStringLiteral(QEL_DOCUMENTS_DIR "/zugferd_2p0_EXTENDED_Fremdwaehrung.pdf")});
    QCOMPARE(pounds.Status, 1);
    QVERIFY2(pounds.Err.contains(u"lautet auf GBP"_s), qPrintable(pounds.Err));
}

QTEST_GUILESS_MAIN(TestDocuments)
#include "tst_documents.moc"
