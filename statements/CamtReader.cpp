#include "statements/CamtReader.h"

#include "statements/SepaText.h"
#include "statements/StatementText.h"

#include <QXmlStreamReader>

#include <optional>

using StatementText::Fail;

namespace {

struct Money
{
    qint64 Cents = 0;
    QString Currency;
};

struct Transaction
{
    std::optional<Money> Amount;
    std::optional<bool> Credit;
    QString EndToEndId;
    QString MandateId;
    QString ServicerReference;
    QString ProprietaryType;
    QString TurnoverId; // the savings banks' FI-UMSATZ-ID
    QString DebtorName;
    QString CreditorName;
    QString UltimateDebtorName;
    QString UltimateCreditorName;
    QString DebtorAccount;
    QString CreditorAccount;
    QString CreditorId;
    QStringList Unstructured;
    QString StructuredReference;
    QString AdditionalInfo;
    bool Returned = false; // return information or a return's transaction code
};

struct Entry
{
    int Line = 0;
    std::optional<Money> Amount;
    std::optional<bool> Credit;
    bool Reversal = false;
    bool Returned = false; // the entry's transaction code says it is a return
    QString Status;
    QString BookingDate;
    QString ValueDate;
    QString ServicerReference;
    QString AdditionalInfo;
    QList<Transaction> Transactions;
};

// Transaction codes of returns: the ISO sub-families of reversals, and the German banks'
// proprietary "NTRF+159", "NRTI+109+..." with the business code of a returned transfer or
// a returned direct debit.
bool IsReturnCode(QStringView code)
{
    if (code == u"RRTN" || code == u"UPDD" || code == u"PRDD" || code == u"RPCR")
        return true;
    const qsizetype plus = code.indexOf(u'+');
    if (plus < 0)
        return false;
    QStringView business = code.sliced(plus + 1);
    if (const qsizetype next = business.indexOf(u'+'); next >= 0)
        business = business.first(next);
    return business == u"109" || business == u"159";
}

bool SameAccount(QStringView a, QStringView b)
{
    QString left = a.toString();
    QString right = b.toString();
    left.remove(u' ');
    right.remove(u' ');
    return !left.isEmpty() && left.compare(right, Qt::CaseInsensitive) == 0;
}

bool SameName(const QString &a, const QString &b)
{
    const QString left = StatementText::Simplified(a);
    return !left.isEmpty() && left.compare(StatementText::Simplified(b), Qt::CaseInsensitive) == 0;
}

enum class Side { Unknown, Debtor, Creditor };

bool IsNoReference(const QString &reference)
{
    return reference.isEmpty() || reference.compare(u"NONREF", Qt::CaseInsensitive) == 0
           || reference.compare(u"NOTPROVIDED", Qt::CaseInsensitive) == 0;
}

// Whether the XML declaration names an encoding (<?xml version="1.0" encoding="ISO-8859-1"?>).
bool DeclaresEncoding(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    qsizetype start = 0;
    while (start < bytes.size() && QByteArrayView(" \t\r\n").contains(bytes[start]))
        ++start;
    if (!bytes.sliced(start).startsWith("<?xml"))
        return false;
    const qsizetype end = bytes.indexOf("?>", start);
    return end > start && bytes.sliced(start, end - start).contains("encoding");
}

// XML without a declared encoding is UTF-8 by the standard; some banks' exports are
// Windows-1252 all the same and would not be readable at all. A declared encoding is the
// parser's to follow.
void SetInput(QXmlStreamReader &xml, QByteArrayView bytes)
{
    if (!DeclaresEncoding(bytes)) {
        StatementText::Encoding encoding{};
        QString text = StatementText::Decode(bytes, &encoding);
        if (encoding == StatementText::Encoding::Windows1252) {
            xml.addData(std::move(text));
            return;
        }
    }
    xml.addData(bytes.toByteArray());
}

class CamtParser
{
public:
    CamtParser(QByteArrayView bytes, const QString &fileName) : FileName(fileName) { SetInput(Xml, bytes); }

    Statement Read();

private:
    void Start();
    void End();
    void EntryValue(QStringView path, const QString &text);
    void TransactionValue(Transaction &tx, QStringView path, const QString &text);
    Money ParseMoney(const QString &text) const;
    bool ParseCredit(const QString &text) const;
    QDate ParseDate(const QString &text, const char16_t *what) const;
    void EmitEntry();
    void EmitRow(const Entry &entry, const Transaction *tx, std::optional<Money> amount, int part);
    Side OwnSide(const Transaction &tx) const;
    [[noreturn]] void NotAStatement() const;

    QXmlStreamReader Xml;
    const QString &FileName;
    Statement Result;
    QList<QString> Path;      // element names from the root
    QString Relative;         // the path below the current statement, or below Ntry
    QList<qsizetype> Lengths; // of Relative before each element below the statement
    QString Text;
    QString AmountCurrency;
    QString OwnAccount; // of the current statement
    QString OwnName;
    bool InStatement = false;
    bool InEntry = false;
    int RowsRead = 0;
    Entry Current;
};

void CamtParser::NotAStatement() const
{
    Fail(FileName, 0,
         QStringLiteral("Die XML-Datei ist kein Kontoauszug im CAMT-Format (camt.052, camt.053 oder camt.054)."));
}

Statement CamtParser::Read()
{
    while (!Xml.atEnd()) {
        switch (Xml.readNext()) {
        case QXmlStreamReader::StartElement:
            Start();
            break;
        case QXmlStreamReader::EndElement:
            End();
            break;
        case QXmlStreamReader::Characters:
            if (InStatement)
                Text += Xml.text();
            break;
        default:
            break;
        }
    }
    if (Xml.hasError()) {
        const int line = static_cast<int>(Xml.lineNumber());
        if (Path.isEmpty() && Result.Format.isEmpty() && Xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
            Fail(FileName, line, QStringLiteral("Die Datei ist keine lesbare XML-Datei."));
        if (Xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            Fail(FileName, line,
                 QStringLiteral("Die XML-Datei ist unvollständig; vielleicht wurde sie nicht ganz gespeichert."));
        Fail(FileName, line, QStringLiteral("Die XML-Datei ist fehlerhaft (Spalte %1).").arg(Xml.columnNumber()));
    }
    if (Result.Format.isEmpty())
        NotAStatement();
    return Result;
}

void CamtParser::Start()
{
    const QString name = Xml.name().toString();
    Path.append(name);
    Text.clear();
    if (Path.size() == 1) {
        if (name != u"Document")
            NotAStatement();
        return;
    }
    if (Path.size() == 2) {
        QString kind;
        if (name == u"BkToCstmrStmt")
            kind = QStringLiteral("053");
        else if (name == u"BkToCstmrAcctRpt")
            kind = QStringLiteral("052");
        else if (name == u"BkToCstmrDbtCdtNtfctn")
            kind = QStringLiteral("054");
        else
            NotAStatement();
        // "urn:iso:std:iso:20022:tech:xsd:camt.053.001.08" gives the version
        const QString space = Xml.namespaceUri().toString();
        const qsizetype at = space.indexOf(QStringLiteral("camt.") + kind);
        Result.Format = at >= 0 ? QStringLiteral("CAMT") + space.sliced(at + 4) : QStringLiteral("CAMT.") + kind;
        return;
    }
    if (Path.size() == 3) {
        InStatement = name == u"Stmt" || name == u"Rpt" || name == u"Ntfctn";
        OwnAccount.clear();
        OwnName.clear();
        Relative.clear();
        Lengths.clear();
        return;
    }
    if (!InStatement)
        return;
    if (Path.size() == 4 && name == u"Ntry") {
        InEntry = true;
        Current = Entry{};
        Current.Line = static_cast<int>(Xml.lineNumber());
        Relative.clear();
        Lengths.clear();
        return;
    }
    Lengths.append(Relative.size());
    if (!Relative.isEmpty())
        Relative += u'/';
    Relative += name;
    if (name == u"Amt")
        AmountCurrency = Xml.attributes().value(QStringLiteral("Ccy")).toString();
    if (InEntry && Relative == u"NtryDtls/TxDtls")
        Current.Transactions.append(Transaction{});
}

void CamtParser::End()
{
    const QString text = Text.trimmed();
    Text.clear();
    if (Path.size() >= 4 && InStatement) {
        if (Path.size() == 4 && InEntry) {
            InEntry = false;
            EmitEntry();
        } else if (InEntry) {
            EntryValue(Relative, text);
        } else if (Relative == u"Acct/Id/IBAN" || Relative == u"Acct/Id/Othr/Id") {
            OwnAccount = text;
            if (Result.Account.isEmpty())
                Result.Account = text;
        } else if (Relative == u"Acct/Ownr/Nm") {
            OwnName = text;
        }
        if (!Lengths.isEmpty())
            Relative.truncate(Lengths.takeLast());
    }
    if (Path.size() == 3)
        InStatement = false;
    Path.removeLast();
}

Money CamtParser::ParseMoney(const QString &text) const
{
    const int line = static_cast<int>(Xml.lineNumber());
    const auto amount = StatementText::ParseAmount(text, u'.');
    if (!amount || amount->Cents < 0)
        Fail(FileName, line, StatementText::NoAmountText(text));
    if (amount->TooLarge)
        Fail(FileName, line, StatementText::AmountTooLargeText(text));
    return Money{amount->Cents, AmountCurrency.isEmpty() ? QStringLiteral("EUR") : AmountCurrency};
}

bool CamtParser::ParseCredit(const QString &text) const
{
    if (text != u"CRDT" && text != u"DBIT")
        Fail(FileName, static_cast<int>(Xml.lineNumber()),
             QStringLiteral("\"%1\" ist weder Gutschrift (CRDT) noch Belastung (DBIT).").arg(text));
    return text == u"CRDT";
}

void CamtParser::EntryValue(QStringView path, const QString &text)
{
    static constexpr QStringView TxPrefix = u"NtryDtls/TxDtls/";
    if (path.startsWith(TxPrefix) && !Current.Transactions.isEmpty()) {
        TransactionValue(Current.Transactions.last(), path.sliced(TxPrefix.size()), text);
    } else if (path == u"Amt") {
        Current.Amount = ParseMoney(text);
    } else if (path == u"CdtDbtInd") {
        Current.Credit = ParseCredit(text);
    } else if (path == u"RvslInd") {
        Current.Reversal = text == u"true" || text == u"1";
    } else if (path == u"Sts" || path == u"Sts/Cd" || path == u"Sts/Prtry") {
        if (!text.isEmpty())
            Current.Status = text;
    } else if (path == u"BookgDt/Dt" || path == u"BookgDt/DtTm") {
        Current.BookingDate = text;
    } else if (path == u"ValDt/Dt" || path == u"ValDt/DtTm") {
        Current.ValueDate = text;
    } else if (path == u"AcctSvcrRef") {
        Current.ServicerReference = text;
    } else if (path == u"AddtlNtryInf") {
        Current.AdditionalInfo = text;
    } else if (path == u"BkTxCd/Domn/Fmly/SubFmlyCd" || path == u"BkTxCd/Prtry/Cd") {
        Current.Returned = Current.Returned || IsReturnCode(text);
    }
}

void CamtParser::TransactionValue(Transaction &tx, QStringView path, const QString &text)
{
    // Parties are "Dbtr/Nm" up to version .06 and "Dbtr/Pty/Nm" from .07 on.
    auto party = [&path](QStringView role, QStringView leaf) {
        if (!path.startsWith(u"RltdPties/") || !path.endsWith(leaf) || path.size() < 10 + leaf.size())
            return false;
        QStringView middle = path.sliced(10);
        middle.chop(leaf.size());
        return middle == role || (middle.startsWith(role) && middle.sliced(role.size()) == u"/Pty");
    };
    if (path == u"Amt" || path == u"AmtDtls/TxAmt/Amt") {
        if (!tx.Amount)
            tx.Amount = ParseMoney(text);
    } else if (path == u"CdtDbtInd") {
        tx.Credit = ParseCredit(text);
    } else if (path == u"Refs/EndToEndId") {
        tx.EndToEndId = text;
    } else if (path == u"Refs/MndtId") {
        tx.MandateId = text;
    } else if (path == u"Refs/AcctSvcrRef") {
        tx.ServicerReference = text;
    } else if (path == u"Refs/Prtry/Tp") {
        tx.ProprietaryType = text;
    } else if (path == u"Refs/Prtry/Ref") {
        if (tx.ProprietaryType == u"FI-UMSATZ-ID")
            tx.TurnoverId = text;
    } else if (party(u"Dbtr", u"/Nm")) {
        tx.DebtorName = text;
    } else if (party(u"Cdtr", u"/Nm")) {
        tx.CreditorName = text;
    } else if (party(u"UltmtDbtr", u"/Nm")) {
        tx.UltimateDebtorName = text;
    } else if (party(u"UltmtCdtr", u"/Nm")) {
        tx.UltimateCreditorName = text;
    } else if (path == u"RltdPties/DbtrAcct/Id/IBAN" || path == u"RltdPties/DbtrAcct/Id/Othr/Id") {
        tx.DebtorAccount = text;
    } else if (path == u"RltdPties/CdtrAcct/Id/IBAN" || path == u"RltdPties/CdtrAcct/Id/Othr/Id") {
        tx.CreditorAccount = text;
    } else if (party(u"Cdtr", u"/Id/PrvtId/Othr/Id")) {
        tx.CreditorId = text;
    } else if (path == u"RmtInf/Ustrd") {
        if (!text.isEmpty())
            tx.Unstructured.append(text);
    } else if (path == u"RmtInf/Strd/CdtrRefInf/Ref") {
        tx.StructuredReference = text;
    } else if (path == u"AddtlTxInf") {
        tx.AdditionalInfo = text;
    } else if (path.startsWith(u"RtrInf/")) {
        tx.Returned = true;
    } else if (path == u"BkTxCd/Domn/Fmly/SubFmlyCd" || path == u"BkTxCd/Prtry/Cd") {
        tx.Returned = tx.Returned || IsReturnCode(text);
    }
}

QDate CamtParser::ParseDate(const QString &text, const char16_t *what) const
{
    if (text.isEmpty())
        return {};
    const StatementText::DateResult date = StatementText::ParseDate(text);
    if (!date.Date.isValid())
        Fail(FileName, Current.Line,
             date.LooksLike ? StatementText::ImpossibleDateText(text)
                            : QStringLiteral("\"%1\" ist kein %2.").arg(text, QStringView(what)));
    return date.Date;
}

void CamtParser::EmitEntry()
{
    if (!Current.Amount || !Current.Credit)
        Fail(FileName, Current.Line,
             QStringLiteral("Dem Umsatz fehlt der Betrag oder die Angabe, ob Gutschrift oder Belastung."));
    const qint64 entrySigned = *Current.Credit ? Current.Amount->Cents : -Current.Amount->Cents;

    // A batch whose transactions carry their own amounts adding up to the entry is shown
    // transaction by transaction, as the bank's own statement does.
    bool split = Current.Transactions.size() > 1;
    qint64 sum = 0;
    for (const Transaction &tx : std::as_const(Current.Transactions)) {
        if (!tx.Amount || tx.Amount->Currency != Current.Amount->Currency) {
            split = false;
            break;
        }
        sum += tx.Credit.value_or(*Current.Credit) ? tx.Amount->Cents : -tx.Amount->Cents;
    }
    if (split && sum == entrySigned) {
        for (qsizetype i = 0; i < Current.Transactions.size(); ++i)
            EmitRow(Current, &Current.Transactions[i], Current.Transactions[i].Amount, int(i + 1));
    } else {
        EmitRow(Current, Current.Transactions.size() == 1 ? &Current.Transactions.front() : nullptr,
                Current.Amount, 0);
    }
}

void CamtParser::EmitRow(const Entry &entry, const Transaction *tx, std::optional<Money> amount, int part)
{
    if (++RowsRead > StatementText::MaxRows)
        Fail(FileName, entry.Line, StatementText::TooManyRowsText());
    StatementRow row;
    row.Line = entry.Line;
    row.AmountCents = amount->Cents;
    row.Currency = amount->Currency;
    row.Credit = (tx && part > 0 && tx->Credit) ? *tx->Credit : *entry.Credit;
    row.Reversal = entry.Reversal || entry.Returned;
    row.Pending = !entry.Status.isEmpty() && entry.Status != u"BOOK";
    row.ValueDate = ParseDate(entry.ValueDate, u"Valutadatum");
    row.BookingDate = ParseDate(entry.BookingDate, u"Buchungsdatum");
    if (!row.BookingDate.isValid())
        row.BookingDate = row.ValueDate;
    if (!row.BookingDate.isValid())
        Fail(FileName, entry.Line, QStringLiteral("Dem Umsatz fehlt das Buchungsdatum."));
    row.BookingText = StatementText::Simplified(entry.AdditionalInfo);

    QString entryReference = IsNoReference(entry.ServicerReference) ? QString() : entry.ServicerReference;
    if (!entryReference.isEmpty() && part > 0)
        entryReference += QStringLiteral("/%1").arg(part);
    if (!tx) {
        row.Reference = entryReference;
        row.Purpose = row.BookingText;
        Result.Rows.append(row);
        return;
    }

    // The other side is the party that is not the statement's own account: banks differ in
    // which parties a return names (those of the booking it returns or those of the money
    // going back), and some give a booking's parties the wrong way round. Where the own side
    // cannot be told, it is the payer of money that comes in and the payee of money that goes
    // out, for a reversal or return those of the booking reversed.
    row.Reversal = row.Reversal || tx->Returned;
    const Side own = OwnSide(*tx);
    const bool payerSide = own != Side::Unknown ? own == Side::Creditor : row.Credit != row.Reversal;
    row.Counterparty = StatementText::Simplified(payerSide ? tx->DebtorName : tx->CreditorName);
    if (row.Counterparty.isEmpty())
        row.Counterparty = StatementText::Simplified(payerSide ? tx->UltimateDebtorName : tx->UltimateCreditorName);
    row.CounterpartyAccount = payerSide ? tx->DebtorAccount : tx->CreditorAccount;

    const SepaText sepa = SplitSepaText(tx->Unstructured.join(u' '));
    row.Remittance = StatementText::Simplified(tx->Unstructured.join(u' '));
    if (!tx->StructuredReference.isEmpty())
        row.Remittance = StatementText::Simplified(QString(row.Remittance + u' ' + tx->StructuredReference));
    row.Purpose = sepa.Purpose;
    if (row.Purpose.isEmpty())
        row.Purpose = StatementText::Simplified(tx->StructuredReference);
    if (row.Purpose.isEmpty())
        row.Purpose = StatementText::Simplified(tx->AdditionalInfo);
    row.EndToEndId = IsNoReference(tx->EndToEndId) ? sepa.EndToEndId : tx->EndToEndId;
    row.MandateReference = tx->MandateId.isEmpty() ? sepa.MandateReference : tx->MandateId;
    row.CreditorId = tx->CreditorId.isEmpty() ? sepa.CreditorId : tx->CreditorId;

    const QString txReference = !IsNoReference(tx->ServicerReference) ? tx->ServicerReference : tx->TurnoverId;
    row.Reference = part > 0 ? (txReference.isEmpty() ? entryReference : txReference)
                             : (entryReference.isEmpty() ? txReference : entryReference);
    Result.Rows.append(row);
}

Side CamtParser::OwnSide(const Transaction &tx) const
{
    const bool debtorAccount = SameAccount(tx.DebtorAccount, OwnAccount);
    const bool creditorAccount = SameAccount(tx.CreditorAccount, OwnAccount);
    if (debtorAccount != creditorAccount)
        return debtorAccount ? Side::Debtor : Side::Creditor;
    // By name only where both sides are named: a transfer between the holder's own accounts
    // may name just the holder, as the other side.
    if (tx.DebtorName.trimmed().isEmpty() || tx.CreditorName.trimmed().isEmpty())
        return Side::Unknown;
    const bool debtorName = SameName(tx.DebtorName, OwnName);
    const bool creditorName = SameName(tx.CreditorName, OwnName);
    if (debtorName != creditorName)
        return debtorName ? Side::Debtor : Side::Creditor;
    return Side::Unknown;
}

} // namespace

bool LooksLikeXml(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    for (const char ch : bytes) {
        if (ch == '<')
            return true;
        if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n')
            return false;
    }
    return false;
}

Statement ReadCamt(QByteArrayView bytes, const QString &fileName)
{
    return CamtParser(bytes, fileName).Read();
}
