// The column guess for CSV layouts no bank profile knows, over the headers and first rows of
// real exports (tests/data/statements) and made-up ones, and the command line's column choice.

#include "statements/CsvLayoutGuess.h"
#include "statements/CsvTable.h"
#include "statements/Statement.h"
#include "statements/StatementText.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray Fixture(const QString &name)
{
    QFile file(QStringLiteral(QEL_STATEMENTS_DIR) + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

// The header at the given line and the rows after it, as the reader hands an unknown layout on.
UnknownCsvLayout LayoutOf(const QByteArray &bytes, int headerLine)
{
    const QString text = StatementText::Decode(bytes);
    const CsvTable table = SplitCsv(text, DetectCsvSeparator(text));
    UnknownCsvLayout layout;
    for (const CsvRecord &record : table.Records) {
        if (record.Line == headerLine) {
            for (const QString &field : record.Fields)
                layout.Header << StatementText::Simplified(field);
        } else if (record.Line > headerLine && !layout.Header.isEmpty() && !record.IsBlank()
                   && layout.Sample.size() < 5) {
            layout.Sample.append(record.Fields);
        }
    }
    if (layout.Header.isEmpty())
        qFatal("no header in line %d", headerLine);
    return layout;
}

// A savings bank's credit card export: Latin-1, the amount in the card's currency beside the
// one booked, and the card holder's name in front.
QByteArray CardExport()
{
    return u"Umsatz getätigt von;Belegdatum;Buchungsdatum;Originalbetrag;Originalwährung;Umrechnungskurs;"
           u"Buchungsbetrag;Buchungswährung;Transaktionsbeschreibung;Transaktionsbeschreibung Zusatz;"
           u"Buchungsreferenz;Gebührenschlüssel;Länderkennzeichen;BAR-Entgelt+Buchungsreferenz;"
           u"AEE+Buchungsreferenz;Abrechnungskennzeichen\r\n"
           u"Erika Mustermann;02.01.2025;03.01.2025;-12,50;EUR;1,0000;-12,50;EUR;BÄCKEREI GROß;;4711001;;DE;;;\r\n"
           u"Erika Mustermann;05.01.2025;07.01.2025;-20,00;USD;1,0400;-19,23;EUR;SHOP NEW YORK;"
           u"Auslandseinsatz;4711002;AE;US;;4711002;\r\n"_s.toLatin1();
}

} // namespace

class TestCsvLayoutGuess : public QObject
{
    Q_OBJECT

private slots:
    void guess_data();
    void guess();
    void columnChoice_data();
    void columnChoice();
    void columnChoiceCountsFromOne();
    void badColumnSpec_data();
    void badColumnSpec();
    void guessOverTheWholeFile_data();
    void guessOverTheWholeFile();
};

void TestCsvLayoutGuess::guess_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("headerLine");
    QTest::addColumn<QString>("choice"); // as the command line writes it: columns from 1
    QTest::addColumn<QString>("doubt");  // empty: unambiguous

    const auto bank = [](const char *name, const char *file, int line, const QString &choice,
                         const QString &doubt = {}) {
        QTest::newRow(name) << Fixture(QString::fromLatin1(file)) << line << choice << doubt;
    };
    bank("comdirect card", "comdirect-kreditkarte.csv", 5, u"datum=1,betrag=6,text=5"_s);
    bank("comdirect, open rows passed over", "comdirect.csv", 5, u"datum=1,betrag=5,text=4"_s);
    bank("Commerzbank", "commerzbank.csv", 1, u"datum=1,betrag=5,text=4"_s);
    bank("DKB before 2023", "dkb2homebank-cash.csv", 7, u"datum=1,betrag=8,text=5,gegenseite=4,buchungstext=3"_s);
    bank("DKB, payer and payee", "dkb2homebank-giro.csv", 5, u"datum=1,betrag=8,text=6,gegenseite=4,empfaenger=5"_s);
    bank("DKB, Betrag (€)", "dkb2homebank-tagesgeld.csv", 5, u"datum=1,betrag=9,text=6,gegenseite=4,empfaenger=5,iban=8"_s);
    bank("DKB card, Belegdatum over Wertstellung", "dkb2homebank-visa-new.csv", 5, u"datum=1,betrag=6,text=4"_s);
    bank("DKB card before 2023", "dkb2homebank-visa.csv", 7, u"datum=3,betrag=5,text=4"_s);
    bank("ING, Buchung", "ing.csv", 15, u"datum=1,betrag=8,text=5,gegenseite=3,buchungstext=4"_s);
    bank("N26 in English", "n26.csv", 1, u"datum=1,betrag=8,text=6,gegenseite=3"_s);
    bank("Postbank, Soll and Haben where Betrag is empty", "postbank.csv", 8,
         u"datum=1,soll=16,haben=17,text=5,gegenseite=4,iban=6"_s);
    bank("Sparkasse CSV-CAMT", "sparkasse-csv-camt.csv", 1, u"datum=2,betrag=15,text=5,gegenseite=12,buchungstext=4,iban=13"_s);
    bank("Sparkasse CSV-MT940", "sparkasse-csv-mt940.csv", 1, u"datum=2,betrag=9,text=5,gegenseite=6,buchungstext=4"_s);
    bank("Volksbank, S and H beside the amount", "volksbank-alt.csv", 11, u"datum=1,betrag=12,text=9,gegenseite=4,iban=6"_s,
         u"Die Beträge in der Spalte „Umsatz“ haben kein Vorzeichen; Soll oder Haben steht als S oder H in der "
         u"Spalte danach."_s);
    bank("Volksbank since 2020", "volksbank-neu.csv", 1, u"datum=5,betrag=12,text=11,gegenseite=7,buchungstext=10,iban=8"_s);

    QTest::newRow("savings bank card, Latin-1") << CardExport() << 1 << u"datum=3,betrag=7,text=9"_s << QString();

    const auto made = [](const char *name, const char *csv, const QString &choice, const QString &doubt = {}) {
        QTest::newRow(name) << QByteArray(csv) << 1 << choice << doubt;
    };
    made("quotes, case, blanks, umlauts spelt out",
         "\" BUCHUNGSTAG \";'Betrag in EUR';\"Empfaenger\";\"VERWENDUNGSZWECK\"\n03.02.2025;-2,80;Kiosk;Zeitung\n",
         u"datum=1,betrag=2,text=4,gegenseite=3"_s);
    made("Soll and Haben", "Tag;Wer;Was;Soll;Haben\n03.02.2025;Kiosk;Zeitung;2,80;\n04.02.2025;Firma;Lohn;;100,00\n",
         u"datum=1,soll=4,haben=5"_s);
    made("Betrag over Soll and Haben where it is filled", "Datum;Betrag;Soll;Haben\n03.02.2025;-2,80;2,80;\n",
         u"datum=1,betrag=2"_s);
    made("Datum over Wertstellung", "Wertstellung;Datum;Betrag\n04.02.2025;03.02.2025;1,00\n", u"datum=2,betrag=3"_s);
    made("Verwendungszweck over Buchungstext", "Buchungstext;Datum;Verwendungszweck;Betrag\nKarte;03.02.2025;Brot;-1\n",
         u"datum=2,betrag=4,text=3,buchungstext=1"_s);
    made("sum line passed over", "Datum;Betrag\n03.02.2025;-1,00\nSumme;-1,00\n", u"datum=1,betrag=2"_s);
    made("two dates of one rank", "Buchungstag;Buchungsdatum;Betrag\n03.02.2025;03.02.2025;1,00\n",
         u"datum=1,betrag=3"_s, u"Als Buchungsdatum kommen die Spalten „Buchungstag“ und „Buchungsdatum“ in Frage."_s);
    made("two amounts of one rank", "Datum;Betrag;Umsatz;Buchungsbetrag\n03.02.2025;1,00;1,00;1,00\n",
         u"datum=1,betrag=2"_s,
         u"Als Betrag kommen die Spalten „Betrag“, „Umsatz“ und „Buchungsbetrag“ in Frage."_s);
    made("the same name twice", "Datum;Betrag;Betrag (EUR)\n03.02.2025;1,00;1,00\n", u"datum=1,betrag=2"_s,
         u"Als Betrag kommen die Spalten „Betrag“ und „Betrag (EUR)“ in Frage."_s);
    made("Soll without Haben", "Datum;Soll;Text\n03.02.2025;1,00;Brot\n", u"datum=1,soll=2,text=3"_s,
         u"Zu „Soll“ fehlt die Spalte für Haben."_s);
    made("only the foreign amount", "Buchungsdatum;Originalbetrag\n03.02.2025;1,00\n", u"datum=1"_s,
         u"Keine Spalte heißt wie ein Betrag (etwa „Betrag“ oder „Umsatz“) oder wie Soll und Haben."_s);
    made("no names", "Spalte 1;Spalte 2;Spalte 3\n03.02.2025;1,00;Brot\n", QString(),
         u"Keine Spalte heißt wie ein Buchungsdatum (etwa „Buchungstag“ oder „Datum“)."_s);
    made("no amount in a row", "Datum;Betrag;Text\n03.02.2025;-1,00;Brot\n04.02.2025;zwölf Euro;Kiosk\n",
         u"datum=1,betrag=2,text=3"_s,
         u"In der 2. Zeile steht in der Spalte „Betrag“ „zwölf Euro“, kein Betrag."_s);
    made("empty amount", "Datum;Betrag\n03.02.2025;\n", u"datum=1,betrag=2"_s,
         u"In der 1. Zeile fehlt in der Spalte „Betrag“ der Betrag."_s);
    made("Soll and Haben both empty", "Datum;Soll;Haben\n03.02.2025;;\n", u"datum=1,soll=2,haben=3"_s,
         u"In der 1. Zeile stehen weder in „Soll“ noch in „Haben“ Beträge."_s);
    made("a day that does not exist", "Datum;Betrag\n31.02.2025;1,00\n", u"datum=1,betrag=2"_s,
         u"In der 1. Zeile steht in der Spalte „Datum“ „31.02.2025“, ein Datum, das es nicht gibt."_s);
    made("no date in the date column", "Datum;Betrag\ngestern;1,00\nheute;2,00\n", u"datum=1,betrag=2"_s,
         u"In den ersten Zeilen steht in der Spalte „Datum“ kein Datum."_s);
}

void TestCsvLayoutGuess::guess()
{
    QFETCH(QByteArray, csv);
    QFETCH(int, headerLine);
    QFETCH(QString, choice);
    QFETCH(QString, doubt);
    const CsvLayoutGuess guess = GuessCsvLayout(LayoutOf(csv, headerLine));
    QCOMPARE(CsvColumnChoiceText(guess.Choice), choice);
    QCOMPARE(guess.Doubt, doubt);
    QCOMPARE(guess.Unambiguous, doubt.isEmpty());
}

void TestCsvLayoutGuess::columnChoice_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("as written") << u"datum=3,betrag=7,text=9,gegenseite=1"_s << u"datum=3,betrag=7,text=9,gegenseite=1"_s;
    QTest::newRow("any case, blanks, any order")
        << u" Gegenseite = 1 , TEXT=9,betrag= 7 ,Datum =3 "_s << u"datum=3,betrag=7,text=9,gegenseite=1"_s;
    QTest::newRow("Soll and Haben") << u"datum=1,soll=4,haben=5"_s << u"datum=1,soll=4,haben=5"_s;
    QTest::newRow("Soll alone") << u"soll=4,datum=1"_s << u"datum=1,soll=4"_s;
    QTest::newRow("leading zero") << u"datum=01,betrag=2"_s << u"datum=1,betrag=2"_s;
    QTest::newRow("largest column") << u"datum=9999,betrag=1"_s << u"datum=9999,betrag=1"_s;
    QTest::newRow("purpose over columns, both sides, IBAN")
        << u"datum=1,betrag=2,text=5 - 18,gegenseite=3,empfaenger=4,buchungstext=19,iban=20"_s
        << u"datum=1,betrag=2,text=5-18,gegenseite=3,empfaenger=4,buchungstext=19,iban=20"_s;
}

void TestCsvLayoutGuess::columnChoice()
{
    QFETCH(QString, text);
    QFETCH(QString, readBack);
    QString error;
    const std::optional<CsvColumnChoice> choice = ParseCsvColumnChoice(text, &error);
    QVERIFY2(choice, qPrintable(error));
    QCOMPARE(CsvColumnChoiceText(*choice), readBack);
}

void TestCsvLayoutGuess::columnChoiceCountsFromOne()
{
    const std::optional<CsvColumnChoice> choice =
        ParseCsvColumnChoice(u"datum=1,betrag=2,text=3,gegenseite=4"_s, nullptr);
    QVERIFY(choice);
    QCOMPARE(choice->Date, 0);
    QCOMPARE(choice->Amount, 1);
    QCOMPARE(choice->Purpose, 2);
    QCOMPARE(choice->Counterparty, 3);
    QCOMPARE(choice->Debit, -1);
    QCOMPARE(choice->Credit, -1);
}

void TestCsvLayoutGuess::badColumnSpec_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty") << u" "_s << u"Die Spaltenzuordnung ist leer; sie lautet etwa datum=1,betrag=4,text=3."_s;
    const QString gap = u"In der Spaltenzuordnung fehlt eine Angabe zwischen zwei Kommas oder nach dem letzten."_s;
    QTest::newRow("two commas") << u"datum=1,,betrag=2"_s << gap;
    QTest::newRow("comma at the end") << u"datum=1,betrag=2,"_s << gap;
    QTest::newRow("unknown key") << u"datum=1,wert=2,betrag=3"_s
                                 << u"„wert“ gibt es in der Spaltenzuordnung nicht; möglich sind datum, betrag, soll, "
                                    u"haben, text, gegenseite, empfaenger, buchungstext und iban."_s;
    QTest::newRow("no number") << u"datum=1,betrag"_s << u"„betrag“ hat nicht die Form Name=Spalte (etwa datum=1)."_s;
    QTest::newRow("a word") << u"datum=eins,betrag=2"_s << u"„eins“ ist keine Spaltennummer (bei datum)."_s;
    QTest::newRow("negative") << u"datum=-1,betrag=2"_s << u"„-1“ ist keine Spaltennummer (bei datum)."_s;
    QTest::newRow("nothing after =") << u"datum=,betrag=2"_s << u"„“ ist keine Spaltennummer (bei datum)."_s;
    QTest::newRow("zero") << u"datum=0,betrag=2"_s << u"Die Spalten werden ab 1 gezählt; datum=0 gibt es nicht."_s;
    QTest::newRow("too large") << u"datum=10000,betrag=2"_s << u"So viele Spalten hat keine Datei (datum=10000)."_s;
    QTest::newRow("beyond an int") << u"datum=1,betrag=99999999999"_s
                                   << u"So viele Spalten hat keine Datei (betrag=99999999999)."_s;
    QTest::newRow("a column twice") << u"datum=1,betrag=2,TEXT=1"_s
                                    << u"Spalte 1 ist zweimal zugeordnet (datum und text)."_s;
    QTest::newRow("a key twice") << u"datum=1,Datum=2,betrag=3"_s << u"datum ist zweimal angegeben."_s;
    QTest::newRow("purpose backwards") << u"datum=1,betrag=2,text=9-5"_s
                                       << u"Bei text=9-5 muss die zweite Spalte hinter der ersten stehen."_s;
    QTest::newRow("purpose over the date") << u"datum=3,betrag=2,text=1-4"_s
                                           << u"Spalte 2 ist zweimal zugeordnet (betrag und text)."_s;
    QTest::newRow("payee without payer") << u"datum=1,betrag=2,empfaenger=3"_s
                                         << u"Zu empfaenger=N gehört gegenseite=N, die Spalte des Auftraggebers."_s;
    QTest::newRow("no date") << u"betrag=2,text=3"_s << u"Es fehlt die Spalte mit dem Buchungsdatum (datum=N)."_s;
    QTest::newRow("no amount") << u"datum=1,text=3"_s
                               << u"Es fehlt die Spalte mit dem Betrag (betrag=N, oder soll=N und haben=N)."_s;
    const QString both = u"Entweder betrag=N oder soll=N und haben=N, nicht beides."_s;
    QTest::newRow("amount and Soll, Haben") << u"datum=1,betrag=2,soll=3,haben=4"_s << both;
    QTest::newRow("amount and Haben") << u"datum=1,betrag=2,haben=4"_s << both;
}

void TestCsvLayoutGuess::badColumnSpec()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    QString message;
    QVERIFY(!ParseCsvColumnChoice(text, &message));
    QCOMPARE(message, error);
    QVERIFY(!ParseCsvColumnChoice(text, nullptr));
}

// Guesses that need the whole file: the order of dates with slashes, a table without header,
// a sign that stands in a column of its own.
void TestCsvLayoutGuess::guessOverTheWholeFile_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("doubt");
    QByteArray late = "Date;Amount;Description\n";
    for (int day = 1; day <= 12; ++day)
        late += "3/" + QByteArray::number(day) + "/19;-1,00;Kauf\n";
    QTest::newRow("month first, told only by the last row")
        << late + "3/14/19;-2,00;Kauf\n" << u"datum=1,betrag=2,text=3"_s << QString();
    QTest::newRow("no day over 12") << late << u"datum=1,betrag=2,text=3"_s
                                    << u"keiner hat einen Tag über 12: ob der Tag oder der Monat vorn steht, bleibt offen"_s;
    QTest::newRow("day first and month first")
        << late + "14/3/19;-2,00;Kauf\n3/14/19;-2,00;Kauf\n" << u"datum=1,betrag=2,text=3"_s
        << u"steht bei manchen Daten der Tag vorn, bei anderen der Monat"_s;
    const QByteArray rows = "01.03.2026;Kaufhaus Nord Einkauf;-12,50;DE12500105170648489890;DE02120300000000202051\n"
                            "02.03.2026;Lohn März;2.100,00;DE12500105170648489890;DE44500105175407324931\n"
                            "03.03.2026;Miete;-800,00;DE12500105170648489890;DE02120300000000202051\n";
    QTest::newRow("no header: dates, signed amounts, the longest text, the other IBAN")
        << rows << u"datum=1,betrag=3,text=2,iban=5"_s << QString();
    QTest::newRow("no header, Soll and Haben")
        << QByteArray("01.03.2026;Einkauf;12,50;0,00\n02.03.2026;Lohn;;2.100,00\n03.03.2026;Miete;800,00;\n")
        << u"datum=1,soll=3,haben=4,text=2"_s << QString();
    QTest::newRow("no header, amount and balance with signs")
        << QByteArray("01.03.2026;Einkauf;-12,50;-2,50\n02.03.2026;Lohn;2.100,00;2.097,50\n")
        << u"datum=1"_s << u"Beträge mit Vorzeichen stehen in mehreren Spalten (3 und 4)."_s;
    QTest::newRow("the sign in a column of its own")
        << QByteArray("Date,Description,Amount,Transaction Type\n6/12/15,Transfer,\"1,000.00\",debit\n"
                      "6/13/15,Salary,\"2,000.00\",credit\n")
        << u"datum=1,betrag=3,text=2"_s
        << u"Die Beträge der Spalte „Amount“ haben kein Vorzeichen; ob Einnahme oder Ausgabe, steht in der Spalte "
           u"„Transaction Type“ („debit“)."_s;
    QTest::newRow("purpose parts and a text beside them")
        << QByteArray("Buchungstag;Text;Verwendungszweck;Verwendungszweck 2;Betrag\n01.03.2026;Kauf;A;B;-1,00\n")
        << u"datum=1,betrag=5,text=3-4,buchungstext=2"_s << QString();
    QTest::newRow("names shorter than the rows: the text runs on")
        << QByteArray("Buchungsdatum;Betrag;Umsatztext\n01.03.2026;-1,00;Kauf;bei;Kiosk\n02.03.2026;-2,00;Kauf;Laden;x\n")
        << u"datum=1,betrag=2,text=3-5"_s << QString();
}

void TestCsvLayoutGuess::guessOverTheWholeFile()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, choice);
    QFETCH(QString, doubt);
    const StatementReadResult read = ReadStatement(csv, u"x.csv"_s);
    QVERIFY(std::holds_alternative<UnknownCsvLayout>(read));
    const CsvLayoutGuess guess = GuessCsvLayout(std::get<UnknownCsvLayout>(read));
    QCOMPARE(CsvColumnChoiceText(guess.Choice), choice);
    QVERIFY2(doubt.isEmpty() ? guess.Doubt.isEmpty() : guess.Doubt.contains(doubt), qPrintable(guess.Doubt));
    QCOMPARE(guess.Unambiguous, doubt.isEmpty());
}

QTEST_GUILESS_MAIN(TestCsvLayoutGuess)
#include "tst_csvlayoutguess.moc"
