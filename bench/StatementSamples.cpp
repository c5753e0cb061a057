#include "StatementSamples.h"

#include "ledger/Win1252.h"

#include <QDate>

#include <array>

namespace {

struct Turnover
{
    QDate Date;
    qint64 Cents; // signed
    QString Party;
    QString Purpose;
};

constexpr std::array<const char16_t *, 8> Parties = {
    u"REWE Markt GmbH", u"Stadtwerke Münster GmbH", u"Hausverwaltung Schmidt", u"Muster GmbH & Co. KG",
    u"Vodafone GmbH",   u"Bäckerei Groß",            u"Allianz Versicherungs-AG", u"DB Vertrieb GmbH",
};
constexpr std::array<const char16_t *, 8> Purposes = {
    u"2024-01-02T18:31 Debitk.1 2027-12", u"Abschlag Vertragskonto 400123456", u"Miete Wohnung 3 OG links",
    u"Gehalt",                           u"Kundennummer 123456789 Rechnung",  u"Kartenzahlung girocard",
    u"Vertrag 12/3456789 Hausrat Beitrag", u"Fahrkarte Münster - Köln",
};

Turnover Nth(int i)
{
    Turnover t;
    t.Date = QDate(2024, 1, 1).addDays(i / 4);
    const int kind = i % 8;
    t.Party = QString::fromUtf16(Parties[kind]);
    t.Purpose = QString::fromUtf16(Purposes[kind]) + QStringLiteral(" Nr. %1").arg(i);
    const qint64 cents = 199 + (qint64(i) * 7919) % 25000;
    t.Cents = kind == 3 ? cents * 20 : -cents;
    return t;
}

QString German(qint64 cents)
{
    return QStringLiteral("%1%2,%3").arg(cents < 0 ? QStringLiteral("-") : QString()).arg(qAbs(cents) / 100).arg(qAbs(cents) % 100, 2, 10, QLatin1Char('0'));
}

QString Point(qint64 cents)
{
    return QStringLiteral("%1.%2").arg(qAbs(cents) / 100).arg(qAbs(cents) % 100, 2, 10, QLatin1Char('0'));
}

QString Escaped(QString text)
{
    return text.replace(u'&', QStringLiteral("&amp;")).replace(u'<', QStringLiteral("&lt;"));
}

QByteArray Camt(int rows)
{
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.08\">\n<BkToCstmrStmt>\n"
        "<GrpHdr><MsgId>BENCH</MsgId><CreDtTm>2025-01-01T10:00:00+01:00</CreDtTm></GrpHdr>\n<Stmt>\n"
        "<Id>1</Id><Acct><Id><IBAN>DE12500105170648489890</IBAN></Id><Ccy>EUR</Ccy></Acct>\n");
    for (int i = 0; i < rows; ++i) {
        const Turnover t = Nth(i);
        const bool credit = t.Cents > 0;
        const QString date = t.Date.toString(Qt::ISODate);
        const QString party = Escaped(t.Party);
        xml += QStringLiteral(
                   "<Ntry><Amt Ccy=\"EUR\">%1</Amt><CdtDbtInd>%2</CdtDbtInd><Sts><Cd>BOOK</Cd></Sts>"
                   "<BookgDt><Dt>%3</Dt></BookgDt><ValDt><Dt>%3</Dt></ValDt><AcctSvcrRef>NONREF</AcctSvcrRef>"
                   "<BkTxCd><Prtry><Cd>NDDT+105+9248+992</Cd><Issr>DK</Issr></Prtry></BkTxCd>\n"
                   "<NtryDtls><TxDtls><Refs><EndToEndId>E2E-%4</EndToEndId><MndtId>M-%5</MndtId>"
                   "<Prtry><Tp>FI-UMSATZ-ID</Tp><Ref>%3-%4</Ref></Prtry></Refs>\n"
                   "<Amt Ccy=\"EUR\">%1</Amt><CdtDbtInd>%2</CdtDbtInd><RltdPties><Dbtr><Pty><Nm>%6</Nm></Pty></Dbtr>"
                   "<DbtrAcct><Id><IBAN>DE44500105175407324931</IBAN></Id></DbtrAcct><Cdtr><Pty><Nm>%7</Nm>"
                   "</Pty></Cdtr><CdtrAcct><Id><IBAN>DE02400501500000123456</IBAN></Id></CdtrAcct></RltdPties>\n"
                   "<RmtInf><Ustrd>%8</Ustrd></RmtInf></TxDtls></NtryDtls>"
                   "<AddtlNtryInf>%9</AddtlNtryInf></Ntry>\n")
                   .arg(Point(t.Cents), credit ? QStringLiteral("CRDT") : QStringLiteral("DBIT"), date)
                   .arg(i)
                   .arg(i % 8)
                   .arg(credit ? party : QStringLiteral("Erika Mustermann"), credit ? QStringLiteral("Erika Mustermann") : party,
                        Escaped(t.Purpose), credit ? QStringLiteral("GUTSCHR. UEBERWEISUNG") : QStringLiteral("FOLGELASTSCHRIFT"));
    }
    xml += QStringLiteral("</Stmt>\n</BkToCstmrStmt>\n</Document>\n");
    return xml.toUtf8();
}

// The :86: field in lines of at most 65 characters, broken anywhere, as the banks do.
QString Details(const Turnover &t, int i)
{
    QString purpose = QStringLiteral("EREF+E2E-%1MREF+M-%2CRED+DE98ZZZ09999999999SVWZ+").arg(i).arg(i % 8) + t.Purpose;
    QString field = QStringLiteral("105?00FOLGELASTSCHRIFT?109248");
    for (int part = 0; part < 10 && !purpose.isEmpty(); ++part) {
        field += QStringLiteral("?2%1").arg(part) + purpose.left(27);
        purpose.remove(0, 27);
    }
    field += QStringLiteral("?30WELADED1MST?31DE02400501500000123456?32") + t.Party.left(27);
    QString lines = QStringLiteral(":86:");
    for (qsizetype at = 0; at < field.size(); at += 65)
        lines += field.mid(at, 65) + QStringLiteral("\r\n");
    return lines;
}

QByteArray Mt940(int rows)
{
    QString text;
    for (int i = 0; i < rows; ++i) {
        const Turnover t = Nth(i);
        if (i % 4 == 0) {
            if (i > 0)
                text += QStringLiteral(":62F:C%1EUR1000,00\r\n-\r\n").arg(Nth(i - 1).Date.toString(u"yyMMdd"));
            text += QStringLiteral(":20:STARTUMSE\r\n:25:50010517/0648489890\r\n:28C:00000/001\r\n:60F:C%1EUR1000,00\r\n")
                        .arg(t.Date.toString(u"yyMMdd"));
        }
        text += QStringLiteral(":61:%1%2%3%4NDDTNONREF\r\n")
                    .arg(t.Date.toString(u"yyMMdd"), t.Date.toString(u"MMdd"), t.Cents > 0 ? u"C" : u"D",
                         German(qAbs(t.Cents)));
        text += Details(t, i);
    }
    text += QStringLiteral(":62F:C%1EUR1000,00\r\n-\r\n").arg(Nth(rows - 1).Date.toString(u"yyMMdd"));
    return Win1252::Encode(text);
}

QByteArray CsvSparkasse(int rows)
{
    QString text = QStringLiteral(
        "\"Auftragskonto\";\"Buchungstag\";\"Valutadatum\";\"Buchungstext\";\"Verwendungszweck\";\"Glaeubiger ID\";"
        "\"Mandatsreferenz\";\"Kundenreferenz (End-to-End)\";\"Sammlerreferenz\";\"Lastschrift Ursprungsbetrag\";"
        "\"Auslagenersatz Ruecklastschrift\";\"Beguenstigter/Zahlungspflichtiger\";\"Kontonummer/IBAN\";"
        "\"BIC (SWIFT-Code)\";\"Betrag\";\"Waehrung\";\"Info\"\r\n");
    for (int i = 0; i < rows; ++i) {
        const Turnover t = Nth(i);
        text += QStringLiteral("\"DE12500105170648489890\";\"%1\";\"%1\";\"FOLGELASTSCHRIFT\";\"%2\";\"DE98ZZZ09999999999\";"
                               "\"M-%3\";\"E2E-%4\";\"\";\"\";\"\";\"%5\";\"DE02400501500000123456\";\"WELADED1MST\";"
                               "\"%6\";\"EUR\";\"Umsatz gebucht\"\r\n")
                    .arg(t.Date.toString(u"dd.MM.yy"), t.Purpose)
                    .arg(i % 8)
                    .arg(i)
                    .arg(t.Party, German(t.Cents));
    }
    return Win1252::Encode(text);
}

QByteArray CsvDkb(int rows)
{
    QString text = QStringLiteral(
        "\"Girokonto\";\"DE71120300001027943842\"\n\"\"\n\"Kontostand vom 31.12.2024:\";\"1.234,45 €\"\n\"\"\n"
        "\"Buchungsdatum\";\"Wertstellung\";\"Status\";\"Zahlungspflichtige*r\";\"Zahlungsempfänger*in\";"
        "\"Verwendungszweck\";\"Umsatztyp\";\"IBAN\";\"Betrag (€)\";\"Gläubiger-ID\";\"Mandatsreferenz\";\"Kundenreferenz\"\n");
    for (int i = 0; i < rows; ++i) {
        const Turnover t = Nth(i);
        const bool credit = t.Cents > 0;
        text += QStringLiteral("\"%1\";\"%1\";\"Gebucht\";\"%2\";\"%3\";\"%4\";\"%5\";\"DE33330333331112223334\";\"%6\";"
                               "\"DE98ZZZ09999999999\";\"M-%7\";\"E2E-%8\"\n")
                    .arg(t.Date.toString(u"dd.MM.yy"), credit ? t.Party : QStringLiteral("Erika Mustermann"),
                         credit ? QStringLiteral("Erika Mustermann") : t.Party, t.Purpose,
                         credit ? QStringLiteral("Eingang") : QStringLiteral("Ausgang"), German(t.Cents))
                    .arg(i % 8)
                    .arg(i);
    }
    return "\xEF\xBB\xBF" + text.toUtf8();
}

QByteArray CsvIng(int rows)
{
    QString text = QStringLiteral(
        "Umsatzanzeige;Datei erstellt am: 05.01.2025 19:04\r\n;Letztes Update: aktuell\r\n\r\n"
        "IBAN;DE89 5001 0517 0123 4567 89\r\nKontoname;Girokonto\r\nBank;ING\r\nKunde;Erika Mustermann\r\n"
        "Zeitraum;01.01.2024 - 31.12.2024\r\nSaldo;2.647,74;EUR\r\n\r\nSortierung;Datum absteigend\r\n\r\n"
        "In der CSV-Datei finden Sie alle bereits gebuchten Umsätze.\r\n\r\n"
        "Buchung;Valuta;Auftraggeber/Empfänger;Buchungstext;Verwendungszweck;Saldo;Währung;Betrag;Währung\r\n");
    for (int i = 0; i < rows; ++i) {
        const Turnover t = Nth(i);
        text += QStringLiteral("%1;%1;%2;Lastschrift;%3;1.234,56;EUR;%4;EUR\r\n")
                    .arg(t.Date.toString(u"dd.MM.yyyy"), t.Party, t.Purpose, German(t.Cents));
    }
    return Win1252::Encode(text);
}

QByteArray CsvVolksbank(int rows)
{
    QString text = QStringLiteral(
        "Bezeichnung Auftragskonto;IBAN Auftragskonto;BIC Auftragskonto;Bankname Auftragskonto;Buchungstag;"
        "Valutadatum;Name Zahlungsbeteiligter;IBAN Zahlungsbeteiligter;BIC (SWIFT-Code) Zahlungsbeteiligter;"
        "Buchungstext;Verwendungszweck;Betrag;Waehrung;Saldo nach Buchung;Bemerkung;Gekennzeichneter Umsatz;"
        "Glaeubiger ID;Mandatsreferenz\r\n");
    for (int i = 0; i < rows; ++i) {
        const Turnover t = Nth(i);
        text += QStringLiteral("Girokonto;DE02701694660000012345;GENODEF1M06;VR Bank;%1;%1;%2;DE02400501500000123456;"
                               "WELADED1MST;Basislastschrift;%3 EREF: E2E-%4 MREF: M-%5 CRED: DE98ZZZ09999999999;%6;EUR;"
                               "1523,45;;;DE98ZZZ09999999999;M-%5\r\n")
                    .arg(t.Date.toString(u"dd.MM.yyyy"), t.Party, t.Purpose)
                    .arg(i)
                    .arg(i % 8)
                    .arg(German(t.Cents));
    }
    return "\xEF\xBB\xBF" + text.toUtf8();
}

} // namespace

namespace StatementSamples {

const QList<Sample> &All()
{
    static const QList<Sample> samples = {
        {Format::Camt053, QStringLiteral("CAMT.053.001.08")}, {Format::Mt940, QStringLiteral("MT940")},
        {Format::CsvSparkasse, QStringLiteral("CSV Sparkasse")}, {Format::CsvDkb, QStringLiteral("CSV DKB")},
        {Format::CsvIng, QStringLiteral("CSV ING")},           {Format::CsvVolksbank, QStringLiteral("CSV Volksbank")},
    };
    return samples;
}

QByteArray Make(Format format, int rows)
{
    switch (format) {
    case Format::Camt053:
        return Camt(rows);
    case Format::Mt940:
        return Mt940(rows);
    case Format::CsvSparkasse:
        return CsvSparkasse(rows);
    case Format::CsvDkb:
        return CsvDkb(rows);
    case Format::CsvIng:
        return CsvIng(rows);
    case Format::CsvVolksbank:
        return CsvVolksbank(rows);
    }
    return {};
}

} // namespace StatementSamples
