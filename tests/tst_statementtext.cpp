#include "statements/SepaText.h"
#include "statements/StatementText.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestStatementText : public QObject
{
    Q_OBJECT

private slots:
    void amounts_data();
    void amounts();
    void dates_data();
    void dates();
    void encodings_data();
    void encodings();
    void sepaText_data();
    void sepaText();
};

void TestStatementText::amounts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<bool>("tooLarge");
    QChar comma = u',';
    QChar point = u'.';
    QTest::newRow("cents") << u"-62,37"_s << comma << true << qint64(-6237) << false;
    QTest::newRow("one decimal") << u"-62,3"_s << comma << true << qint64(-6230) << false;
    QTest::newRow("thousands, one decimal") << u"1.000,0"_s << comma << true << qint64(100000) << false;
    QTest::newRow("thousands, no decimals") << u"-1.450"_s << comma << true << qint64(-145000) << false;
    QTest::newRow("euro sign, no break space") << u"-1.234,56\u00a0€"_s << comma << true << qint64(-123456) << false;
    QTest::newRow("EUR after") << u"1234,56 EUR"_s << comma << true << qint64(123456) << false;
    QTest::newRow("trailing minus") << u"9,90-"_s << comma << true << qint64(-990) << false;
    QTest::newRow("plus") << u"+33,12"_s << comma << true << qint64(3312) << false;
    QTest::newRow("only decimals") << u",5"_s << comma << true << qint64(50) << false;
    QTest::newRow("third decimal rounds") << u"100.12345"_s << point << true << qint64(10012) << false;
    QTest::newRow("half rounds away") << u"-0.005"_s << point << true << qint64(-1) << false;
    QTest::newRow("decimal point") << u"-16.80"_s << point << true << qint64(-1680) << false;
    QTest::newRow("point, comma thousands") << u"1,234.50"_s << point << true << qint64(123450) << false;
    QTest::newRow("largest") << u"999.999.999,99"_s << comma << true << qint64(99999999999) << false;
    QTest::newRow("beyond") << u"1.000.000.000,00"_s << comma << true << qint64(0) << true;
    QTest::newRow("far beyond") << u"99999999999999999999999,00"_s << comma << true << qint64(0) << true;
    QTest::newRow("group of two") << u"1.45"_s << comma << false << qint64(0) << false;
    QTest::newRow("group of four") << u"1.2345,00"_s << comma << false << qint64(0) << false;
    QTest::newRow("leading group of four") << u"1234.567,00"_s << comma << false << qint64(0) << false;
    QTest::newRow("inner group of two") << u"1.23.456"_s << comma << false << qint64(0) << false;
    QTest::newRow("two decimal commas") << u"1,2,3"_s << comma << false << qint64(0) << false;
    QTest::newRow("letters") << u"12a"_s << comma << false << qint64(0) << false;
    QTest::newRow("empty") << QString() << comma << false << qint64(0) << false;
    QTest::newRow("sign only") << u"-"_s << comma << false << qint64(0) << false;
}

void TestStatementText::amounts()
{
    QFETCH(QString, text);
    QFETCH(QChar, decimal);
    QFETCH(bool, valid);
    QFETCH(qint64, cents);
    QFETCH(bool, tooLarge);
    const auto amount = StatementText::ParseAmount(text, decimal);
    QCOMPARE(amount.has_value(), valid);
    if (!amount)
        return;
    QCOMPARE(amount->TooLarge, tooLarge);
    if (!tooLarge)
        QCOMPARE(amount->Cents, cents);
}

void TestStatementText::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("looksLike");
    QTest::newRow("German") << u"31.01.2025"_s << QDate(2025, 1, 31) << true;
    QTest::newRow("two-digit year") << u"24.03.14"_s << QDate(2014, 3, 24) << true;
    QTest::newRow("two-digit year, last century") << u"31.12.99"_s << QDate(1999, 12, 31) << true;
    QTest::newRow("no leading zeros") << u"2.1.2026"_s << QDate(2026, 1, 2) << true;
    QTest::newRow("blank after") << u"21.05.2013 "_s << QDate(2013, 5, 21) << true;
    QTest::newRow("ISO") << u"2019-10-10"_s << QDate(2019, 10, 10) << true;
    QTest::newRow("ISO with time") << u"2014-12-31T13:15:00+01:00"_s << QDate(2014, 12, 31) << true;
    QTest::newRow("31st of February") << u"31.02.2024"_s << QDate() << true;
    QTest::newRow("29th of February, leap year") << u"29.02.2024"_s << QDate(2024, 2, 29) << true;
    QTest::newRow("29th of February") << u"29.02.2023"_s << QDate() << true;
    QTest::newRow("month 13") << u"2024-13-01"_s << QDate() << true;
    QTest::newRow("word") << u"offen"_s << QDate() << false;
    QTest::newRow("three-digit year") << u"01.01.202"_s << QDate() << false;
    QTest::newRow("period") << u"01.01.2025 - 31.01.2025"_s << QDate() << false;
}

void TestStatementText::dates()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QFETCH(bool, looksLike);
    const StatementText::DateResult result = StatementText::ParseDate(text);
    QCOMPARE(result.Date, date);
    QCOMPARE(result.LooksLike, looksLike);
}

void TestStatementText::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("encoding");
    const QString text = u"Bäckerei Groß 5 €"_s;
    QTest::newRow("UTF-8") << text.toUtf8() << int(StatementText::Encoding::Utf8);
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" + text.toUtf8())
                                    << int(StatementText::Encoding::Utf8WithBom);
    QTest::newRow("Windows-1252") << QByteArray("B\xE4""ckerei Gro\xDF 5 \x80")
                                  << int(StatementText::Encoding::Windows1252);
    QByteArray utf16("\xFF\xFE");
    for (const QChar ch : text)
        utf16 += char(ch.unicode() & 0xFF) + QByteArray(1, char(ch.unicode() >> 8));
    QTest::newRow("UTF-16 with BOM") << utf16 << int(StatementText::Encoding::Utf16);
}

void TestStatementText::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, encoding);
    StatementText::Encoding found{};
    QCOMPARE(StatementText::Decode(bytes, &found), u"Bäckerei Groß 5 €"_s);
    QCOMPARE(int(found), encoding);
    QVERIFY(!StatementText::LooksBinary(bytes));
}

void TestStatementText::sepaText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields"); // purpose, end-to-end, mandate, creditor, ultimate
    QTest::newRow("tags run together")
        << u"EREF+E2E-1MREF+M-7CRED+DE98ZZZ09999999999SVWZ+Abschlag 12/2024"_s
        << QStringList{u"Abschlag 12/2024"_s, u"E2E-1"_s, u"M-7"_s, u"DE98ZZZ09999999999"_s, QString()};
    QTest::newRow("different payer") << u"SVWZ+2019-02-15 Debitk.4 ABWA+Aral Tankstelle"_s
                                     << QStringList{u"2019-02-15 Debitk.4"_s, {}, {}, {}, u"Aral Tankstelle"_s};
    QTest::newRow("not provided") << u"EREF+NOTPROVIDED SVWZ+Gehalt"_s
                                  << QStringList{u"Gehalt"_s, {}, {}, {}, {}};
    QTest::newRow("untagged text before tags") << u"Miete Januar KREF+123"_s
                                               << QStringList{u"Miete Januar"_s, {}, {}, {}, {}};
    QTest::newRow("labels repeated at the end")
        << u"Vertrag 12 Beitrag EREF: 250203-99 MREF: AZ-3 CRED: DE25ZZZ01 IBAN: DE98700 BIC: DRESDEFF700"_s
        << QStringList{u"Vertrag 12 Beitrag"_s, u"250203-99"_s, u"AZ-3"_s, u"DE25ZZZ01"_s, {}};
    QTest::newRow("label after a cut-off word") << u"Musical Emilio CDIBAN: DE835 BIC: SBCR"_s
                                                << QStringList{u"Musical Emilio CD"_s, {}, {}, {}, {}};
    QTest::newRow("written-out labels")
        << u"Stadtwerke Abschlag End-to-End-Ref.: 2501 Mandatsref: M4 Gläubiger-ID: DE98ZZZ SEPA-BASISLASTSCHRIFT"_s
        << QStringList{u"Stadtwerke Abschlag"_s, u"2501"_s, u"M4"_s, u"DE98ZZZ"_s, {}};
    QTest::newRow("remark of a return kept")
        << u"RUECKUEBERWEISUNG EREF+TFNR 44003 MTLG+Konto gesperrt"_s
        << QStringList{u"RUECKUEBERWEISUNG Konto gesperrt"_s, u"TFNR 44003"_s, {}, {}, {}};
    QTest::newRow("remark after the purpose")
        << u"EREF+E-9SVWZ+Rechnung 4711MTLG+IBAN ungueltig"_s
        << QStringList{u"Rechnung 4711 IBAN ungueltig"_s, u"E-9"_s, {}, {}, {}};
    QTest::newRow("remark before the purpose, written with a colon")
        << u"EREF+TFNR 40005 00005MTLG:Grund nicht spezifiziert SVWZ+Beitrag"_s
        << QStringList{u"Beitrag Grund nicht spezifiziert"_s, u"TFNR 40005 00005"_s, {}, {}, {}};
    QTest::newRow("label inside a word stays") << u"Einkauf bei HAUS-IBAN:X"_s
                                               << QStringList{u"Einkauf bei HAUS-IBAN:X"_s, {}, {}, {}, {}};
}

void TestStatementText::sepaText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    const SepaText sepa = SplitSepaText(text);
    QCOMPARE((QStringList{sepa.Purpose, sepa.EndToEndId, sepa.MandateReference, sepa.CreditorId,
                          sepa.UltimateParty}),
             fields);
}

QTEST_GUILESS_MAIN(TestStatementText)
#include "tst_statementtext.moc"
