#pragma once

#include "ledger/LedgerPaths.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// Budgets: per expense category a monthly amount that holds from a month on, with or without
// carry-over. A later amount of the same category holds from its month on and leaves the
// months before it as they were. Categories are one budget when the analysis groups them as
// one (GroupNameKey: letter case and ß ~ SS ignored).

// A month as a running number, so that months order and count: year * 12 + month - 1.
int BudgetMonth(int year, int month);
// "03.2026".
QString BudgetMonthText(int month);
// "03.2026" or "3.2026"; nothing for anything else (a year from 1900 to 9999).
std::optional<int> ReadBudgetMonth(QStringView text);

// 999.999.999,99 €: the largest monthly amount.
constexpr qint64 MaxBudgetCents = 99'999'999'999LL;

// A typed amount ("300", "300,50", "12.5") in cents, as the amount fields take it: digits and
// at most one point or comma, at most two decimals. Throws QelError with the German message for
// an empty, negative or too large amount and for anything that is no amount.
qint64 ReadBudgetAmount(QStringView typed);

struct BudgetEntry
{
    QString Category;            // as the budget was first named
    int From = 0;                // BudgetMonth from which it holds
    std::optional<qint64> Cents; // monthly amount; nothing: no budget from this month on
    bool CarryOver = false;

    bool operator==(const BudgetEntry &) const = default;
};

class BudgetList
{
public:
    // Ordered by category (as grouped), then by month; one entry per category and month.
    const QList<BudgetEntry> &Entries() const { return Entries_; }
    bool IsEmpty() const { return Entries_.isEmpty(); }

    // The category's amount from the month on. A category grouped as one already known keeps
    // the known name.
    void Set(const QString &category, int from, qint64 cents, bool carryOver);
    // Ends the category's budget from the month on (nothing given: removes it altogether).
    // False when the category has no budget then.
    bool Remove(const QString &category, std::optional<int> from = std::nullopt);
    // Puts an entry as it is, replacing the one of its category and month (a merge's step).
    void Put(const BudgetEntry &entry);
    // Takes out the entry of the category (GroupNameKey) and month.
    void Erase(const QString &key, int from);
    // A list of the entries as Put one after another would make it.
    static BudgetList Of(const QList<BudgetEntry> &entries);
    // The entry of the category (GroupNameKey) and month, if there is one.
    const BudgetEntry *At(const QString &key, int from) const;

    // The entry that holds for the category (GroupNameKey) in the month; nothing when the
    // category has no budget then.
    const BudgetEntry *Holding(const QString &key, int month) const;
    // The first month of the unbroken run of budget months that ends with the month: carry-over
    // starts there.
    std::optional<int> RunStart(const QString &key, int month) const;
    // The grouping keys of the categories, in the order of Entries.
    QStringList Keys() const;

    // The file's bytes: a header line, then one line per entry (UTF-8, fields by tabs).
    QByteArray Bytes() const;
    // Reads the bytes, every field checked; throws QelError naming the line for damaged bytes.
    static BudgetList Parse(QByteArrayView data);

    // At most this many entries: far beyond a household's lifetime, so that a damaged or
    // foreign file is refused quickly.
    static constexpr qsizetype MaxEntries = 20000;

private:
    // The entries of one category, ordered by month.
    struct Group
    {
        QString Key;
        QList<BudgetEntry> Entries;
    };

    const Group *GroupOf(const QString &key) const;
    void PutEntry(const QString &key, const BudgetEntry &entry);
    // Drops emptied categories and lays the entries out in order again.
    void Settle();

    QList<Group> Groups_;          // in the order categories came
    QHash<QString, qsizetype> At_; // GroupNameKey -> index in Groups_
    QList<BudgetEntry> Entries_;   // all groups' entries one after another
};

// The texts an undo names a budget change by: "Budget „Kino“ ab 03.2026: 30,00 €",
// "Budget „Kino“ entfernt", "Budget „Kino“ endet vor 03.2026".
QString BudgetSetText(const QString &category, int from, qint64 cents);
QString BudgetRemovedText(const QString &category, std::optional<int> from);

// The budgets of the data folder's ledger: "Budgets.dat" beside the books, so that it travels
// with them (backups, synced folders). Written atomically; each version noted for merging.
class BudgetStore
{
public:
    explicit BudgetStore(LedgerPaths paths);

    static QString FileName(); // "Budgets.dat"
    QString Path() const { return Paths_.DataFolder + FileName(); }

    // An empty list when there is no file. Throws QelError when it cannot be read or is damaged.
    BudgetList Load() const;
    void Save(const BudgetList &budgets) const;

private:
    LedgerPaths Paths_;
};
