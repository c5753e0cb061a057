#pragma once

#include <QByteArray>
#include <QDate>
#include <QFile>
#include <QList>
#include <QString>

// Small bank statements for the import's tests, written as the banks write camt.053.001.02
// (ISO 20022): one entry per booking, booked unless pending.
struct TestEntry
{
    QDate Date;
    QString Amount; // "800.00"
    bool Credit = false;
    QString Counterparty;
    QString Purpose;
    QString Reference;
    bool Pending = false;
    QString Currency = QStringLiteral("EUR");
};

inline QByteArray CamtStatement(const QList<TestEntry> &entries,
                                const QString &iban = QStringLiteral("DE02120300000000202051"))
{
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\">\n"
        " <BkToCstmrStmt>\n"
        "  <GrpHdr><MsgId>TEST-1</MsgId><CreDtTm>2026-04-01T08:00:00</CreDtTm></GrpHdr>\n"
        "  <Stmt>\n"
        "   <Id>TEST-1-1</Id><ElctrncSeqNb>1</ElctrncSeqNb><CreDtTm>2026-04-01T08:00:00</CreDtTm>\n"
        "   <Acct><Id><IBAN>%1</IBAN></Id><Ccy>EUR</Ccy></Acct>\n"
        "   <Bal><Tp><CdOrPrtry><Cd>PRCD</Cd></CdOrPrtry></Tp><Amt Ccy=\"EUR\">1000.00</Amt>"
        "<CdtDbtInd>CRDT</CdtDbtInd><Dt><Dt>2026-01-01</Dt></Dt></Bal>\n")
                      .arg(iban);
    for (const TestEntry &e : entries) {
        const QString date = e.Date.toString(u"yyyy-MM-dd");
        const QString party = e.Credit ? QStringLiteral("Dbtr") : QStringLiteral("Cdtr");
        xml += QStringLiteral("   <Ntry>\n"
                              "    <Amt Ccy=\"%1\">%2</Amt><CdtDbtInd>%3</CdtDbtInd><Sts>%4</Sts>\n"
                              "    <BookgDt><Dt>%5</Dt></BookgDt><ValDt><Dt>%5</Dt></ValDt>\n")
                   .arg(e.Currency, e.Amount, e.Credit ? QStringLiteral("CRDT") : QStringLiteral("DBIT"),
                        e.Pending ? QStringLiteral("PDNG") : QStringLiteral("BOOK"), date);
        if (!e.Reference.isEmpty())
            xml += QStringLiteral("    <AcctSvcrRef>%1</AcctSvcrRef>\n").arg(e.Reference);
        xml += QStringLiteral("    <BkTxCd><Prtry><Cd>NTRF+116</Cd><Issr>ZKA</Issr></Prtry></BkTxCd>\n"
                              "    <NtryDtls><TxDtls>\n"
                              "     <Refs><EndToEndId>NOTPROVIDED</EndToEndId></Refs>\n"
                              "     <AmtDtls><TxAmt><Amt Ccy=\"%1\">%2</Amt></TxAmt></AmtDtls>\n"
                              "     <RltdPties><%3><Nm>%4</Nm></%3></RltdPties>\n"
                              "     <RmtInf><Ustrd>%5</Ustrd></RmtInf>\n"
                              "    </TxDtls></NtryDtls>\n"
                              "   </Ntry>\n")
                   .arg(e.Currency, e.Amount, party, e.Counterparty.toHtmlEscaped(), e.Purpose.toHtmlEscaped());
    }
    xml += QStringLiteral("  </Stmt>\n </BkToCstmrStmt>\n</Document>\n");
    return xml.toUtf8();
}

inline bool WriteTestFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
