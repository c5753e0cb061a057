#pragma once

#include "statements/Statement.h"

#include <QHash>
#include <QList>
#include <QString>

// What makes a statement row the same transaction when it comes again: the bank's own
// reference where it gives one, else the account, booking date, direction, amount,
// counterparty and purpose, with the row's place among equal rows of its statement (two
// equal rows on one day are two bookings). Counterparty and purpose are compared in a
// form that the same account's CSV, MT940 and CAMT files share: letters and digits only,
// umlauts spelled out, cut to what the shortest of the formats keeps.
struct RowIdentity
{
    // What an identity keeps of a reference and an account at most: a bank's are far shorter,
    // and a file's absurd field must not travel whole into the import store.
    static constexpr qsizetype MaxReference = 256;
    static constexpr qsizetype MaxAccount = 100;

    QString Account;     // canonical (CanonicalAccount); empty when the statement names none
    QString ContentKey;  // date, direction, amount, counterparty, purpose
    int Occurrence = 1;  // the n-th row of its statement with this content key
    QString Reference;   // the bank's reference; empty when it gives none

    bool operator==(const RowIdentity &) const = default;
};

// A German IBAN and the bank code with account number that MT940 names the account by
// ("10020030/1234567") give the same text; anything else is upper-cased without blanks.
QString CanonicalAccount(const QString &account);

// Letters and digits of a text, lower case, umlauts and ß spelled out, at most maxLength.
QString NormalizedText(const QString &text, qsizetype maxLength);

QString ContentKey(const StatementRow &row);

// The identities of the rows that count, in order. Occurrences are counted over those rows
// only: a pending row, which a later statement gives as booked, must not shift them.
// Other rows get an identity with an empty content key.
template <typename Counts>
QList<RowIdentity> IdentitiesOf(const Statement &statement, Counts counts);

// The identities of the rows already imported, for asking whether a row is among them.
// An account that one side does not name fits any account of the other.
class IdentityIndex
{
public:
    void Add(const RowIdentity &identity);
    bool Contains(const RowIdentity &identity) const;
    qsizetype Size() const { return Size_; }

private:
    struct Entry
    {
        QString Account;
        QString Reference;
    };
    static QString Slot(const RowIdentity &identity);

    QHash<QString, QList<Entry>> ByContent_;       // content key and occurrence
    QHash<QString, QList<QString>> ByReference_;   // reference -> accounts
    qsizetype Size_ = 0;
};

template <typename Counts>
QList<RowIdentity> IdentitiesOf(const Statement &statement, Counts counts)
{
    const QString account = CanonicalAccount(statement.Account).left(RowIdentity::MaxAccount);
    QHash<QString, int> seen;
    QList<RowIdentity> identities;
    identities.reserve(statement.Rows.size());
    for (const StatementRow &row : statement.Rows) {
        RowIdentity identity;
        identity.Account = account;
        identity.Reference = row.Reference.trimmed().left(RowIdentity::MaxReference);
        if (counts(row)) {
            identity.ContentKey = ContentKey(row);
            identity.Occurrence = ++seen[identity.ContentKey];
        }
        identities.append(std::move(identity));
    }
    return identities;
}
