#include "statements/RowIdentity.h"

namespace {

// MT940 keeps 27 characters of a name (?32) and cuts purposes into lines of 27; the
// formats agree on what they all keep.
constexpr qsizetype CounterpartyKeyLength = 20;
constexpr qsizetype PurposeKeyLength = 40;

bool AccountsFit(const QString &a, const QString &b)
{
    return a.isEmpty() || b.isEmpty() || a == b;
}

QString WithoutLeadingZeros(QStringView digits)
{
    qsizetype i = 0;
    while (i + 1 < digits.size() && digits[i] == u'0')
        ++i;
    return digits.mid(i).toString();
}

bool AllDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar ch : text) {
        if (ch < u'0' || ch > u'9')
            return false;
    }
    return true;
}

} // namespace

QString CanonicalAccount(const QString &account)
{
    QString compact;
    for (const QChar ch : account) {
        if (!ch.isSpace())
            compact.append(ch.toUpper());
    }
    // DEkk BBBBBBBB CCCCCCCCCC: bank code and account number.
    if (compact.size() == 22 && compact.startsWith(u"DE") && AllDigits(QStringView(compact).mid(2)))
        return compact.mid(4, 8) + u'/' + WithoutLeadingZeros(QStringView(compact).mid(12));
    if (const qsizetype slash = compact.indexOf(u'/'); slash == 8) {
        const QStringView bank = QStringView(compact).left(8);
        const QStringView number = QStringView(compact).mid(9);
        if (AllDigits(bank) && AllDigits(number))
            return bank.toString() + u'/' + WithoutLeadingZeros(number);
    }
    return compact;
}

QString NormalizedText(const QString &text, qsizetype maxLength)
{
    QString out;
    out.reserve(std::min(text.size(), maxLength) + 1);
    for (const QChar ch : text) {
        if (out.size() >= maxLength)
            break;
        switch (ch.unicode()) {
        case u'ä': case u'Ä': out.append(u"ae"); continue;
        case u'ö': case u'Ö': out.append(u"oe"); continue;
        case u'ü': case u'Ü': out.append(u"ue"); continue;
        case u'ß': out.append(u"ss"); continue;
        default: break;
        }
        if (ch.isLetterOrNumber())
            out.append(ch.toLower());
    }
    out.truncate(maxLength);
    return out;
}

QString ContentKey(const StatementRow &row)
{
    return row.BookingDate.toString(u"yyyyMMdd") + (row.Credit ? u'C' : u'D') + QString::number(row.AmountCents)
           + u'|' + NormalizedText(row.Counterparty, CounterpartyKeyLength) + u'|'
           + NormalizedText(row.Purpose, PurposeKeyLength);
}

QString IdentityIndex::Slot(const RowIdentity &identity)
{
    return identity.ContentKey + u'#' + QString::number(identity.Occurrence);
}

void IdentityIndex::Add(const RowIdentity &identity)
{
    if (identity.ContentKey.isEmpty())
        return;
    ByContent_[Slot(identity)].append({identity.Account, identity.Reference});
    if (!identity.Reference.isEmpty())
        ByReference_[identity.Reference].append(identity.Account);
    ++Size_;
}

bool IdentityIndex::Contains(const RowIdentity &identity) const
{
    if (identity.ContentKey.isEmpty())
        return false;
    if (!identity.Reference.isEmpty()) {
        for (const QString &account : ByReference_.value(identity.Reference)) {
            if (AccountsFit(account, identity.Account))
                return true;
        }
    }
    // The same content at the same place among equal rows: the same transaction, unless
    // both sides carry references and they differ.
    const auto entries = ByContent_.constFind(Slot(identity));
    if (entries == ByContent_.cend())
        return false;
    for (const Entry &entry : *entries) {
        if (AccountsFit(entry.Account, identity.Account)
            && (entry.Reference.isEmpty() || identity.Reference.isEmpty() || entry.Reference == identity.Reference))
            return true;
    }
    return false;
}
