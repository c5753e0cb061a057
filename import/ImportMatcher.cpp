#include "import/ImportMatcher.h"

#include "import/LedgerText.h"
#include "books/BookManager.h"
#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QSet>

#include <cmath>
#include <algorithm>
#include <limits>
#include <optional>

namespace {

bool IsEuro(const QString &currency)
{
    const QString c = currency.trimmed();
    return c.isEmpty() || c.compare(u"EUR", Qt::CaseInsensitive) == 0;
}

bool Counts(const StatementRow &row)
{
    return !row.Pending && IsEuro(row.Currency) && row.AmountCents > 0;
}

qint64 CentsOf(const QString &amount)
{
    return std::llround(ParseAmount(amount) * 100.0);
}

QString AmountText(qint64 cents)
{
    return FormatAmount(double(cents) / 100.0);
}

// How the preview names a booking of the ledger.
QString BookingText(const QString &date, const QString &amount, const QString &purpose)
{
    QStringList parts{date, amount + QStringLiteral(" €"), purpose};
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" · "));
}

int DayOf(const QString &dayText)
{
    bool ok = false;
    const int day = dayText.section(u'.', 0, 0).trimmed().toInt(&ok);
    return ok && day >= 1 && day <= 31 ? day : 0;
}

} // namespace

QString StatusText(ImportStatus status)
{
    switch (status) {
    case ImportStatus::New: return QStringLiteral("neu");
    case ImportStatus::Duplicate: return QStringLiteral("doppelt");
    case ImportStatus::Present: return QStringLiteral("vorhanden");
    case ImportStatus::Regular: return QStringLiteral("regelmäßig");
    case ImportStatus::Pending: return QStringLiteral("vorgemerkt");
    case ImportStatus::ForeignCurrency: return QStringLiteral("Fremdwährung");
    case ImportStatus::Unreadable: return QStringLiteral("unlesbar");
    }
    return {};
}

bool IsBookable(ImportStatus status)
{
    return status == ImportStatus::New || status == ImportStatus::Present || status == ImportStatus::Regular;
}

QString StatusLine(const ImportCandidate &candidate)
{
    QString line = StatusText(candidate.Status);
    if (candidate.Missing)
        line += QStringLiteral(" (fehlt im Buch)");
    else if (candidate.UntickedBefore && candidate.Status == ImportStatus::New)
        line += QStringLiteral(" (zuvor abgewählt)");
    if (!candidate.Matched.isEmpty())
        line += QStringLiteral(": ") + candidate.Matched;
    return line;
}

bool IsBookable(const ImportCandidate &candidate)
{
    return IsBookable(candidate.Status) || (candidate.Status == ImportStatus::Duplicate && candidate.Missing);
}

QString BookNameOf(QDate date)
{
    return MonthNames().at(date.month() - 1) + u' ' + QStringLiteral("%1").arg(date.year(), 4, 10, QChar(u'0'));
}

QStringList BooksToCompare(const Statement &statement)
{
    QSet<QString> seen;
    QStringList names;
    for (const StatementRow &row : statement.Rows) {
        if (!row.BookingDate.isValid())
            continue;
        for (const QDate date : {row.BookingDate.addDays(-ImportMatcher::PresentDays), row.BookingDate,
                                 row.BookingDate.addDays(ImportMatcher::PresentDays)}) {
            const QString name = BookNameOf(date);
            if (!seen.contains(name)) {
                seen.insert(name);
                names.append(name);
            }
        }
    }
    return names;
}

LedgerBookings LedgerBookings::Load(const BookManager &books, const QStringList &bookNames)
{
    LedgerBookings ledger;
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    for (const QString &name : bookNames) {
        books.ReadBook(name, income, expend);
        ledger.AddBook(income, expend, books.RegionalSettings());
    }
    ledger.SetRegular(books.Regular());
    return ledger;
}

void LedgerBookings::AddBook(const BookingList &income, const BookingList &expend, const Regional &regional)
{
    for (const BookingList *list : {&income, &expend}) {
        const bool credit = list == &income;
        for (const ListRow &row : list->Rows()) {
            const QDate date = regional.ParseDate(row.Caption);
            if (date.isValid()) {
                Bookings_[Key(credit, CentsOf(row.SubItem(0)))].append(
                    {date, row.Caption, row.SubItem(0), row.SubItem(2)});
            }
        }
    }
}

void LedgerBookings::SetRegular(const BookingList &regular)
{
    Regular_.clear();
    for (const ListRow &row : regular.Rows()) {
        const QString kind = row.SubItem(3);
        const int day = DayOf(row.Caption);
        if (day == 0 || (kind != IncomeKind() && kind != ExpenseKind()))
            continue;
        Regular_.append({kind == IncomeKind(), CentsOf(row.SubItem(0)), day, row.SubItem(0), row.SubItem(2)});
    }
}

QString FallbackCategory()
{
    return QStringLiteral("Sonstige");
}

QString FallbackPurpose(const StatementRow &row)
{
    // The bank's kind of booking ("DAUERAUFTRAG", "Presentment") says least: last.
    for (const QString &text : {row.Counterparty, LedgerText::MeaningfulWords(row.Purpose), row.BookingText}) {
        const QString shortened = LedgerText::Shorten(text);
        if (!shortened.isEmpty())
            return shortened;
    }
    return {};
}

QString BankText(const StatementRow &row)
{
    const QString &text = row.Remittance.isEmpty() ? row.Purpose : row.Remittance;
    if (row.BookingText.isEmpty() || text == row.BookingText)
        return text;
    if (text.isEmpty())
        return row.BookingText;
    return row.BookingText + QStringLiteral(": ") + text;
}

ImportMatcher::ImportMatcher(const MatchContext &context, const Regional &regional)
    : Context_(context)
    , Regional_(regional)
{
}

void ImportMatcher::Assign(ImportCandidate &c) const
{
    const qsizetype rule = Context_.Rules.Find(c.Row.Counterparty, c.Row.Purpose, c.Row.Credit);
    if (rule >= 0) {
        const ImportRule &r = Context_.Rules.Rule(rule);
        c.Category = r.Category;
        c.Purpose = r.Purpose.isEmpty() ? FallbackPurpose(c.Row) : r.Purpose;
        return;
    }
    if (!c.Row.Counterparty.isEmpty()) {
        const auto remembered = Context_.Remembered.constFind(ImportStore::RememberedKey(c.Row.Credit, c.Row.Counterparty));
        if (remembered != Context_.Remembered.cend()) {
            c.Category = remembered->Category;
            c.Purpose = remembered->Purpose;
            return;
        }
    }
    c.Category = FallbackCategory();
    c.Purpose = FallbackPurpose(c.Row);
}

QList<ImportCandidate> ImportMatcher::Match(const Statement &statement) const
{
    const QList<RowIdentity> identities = IdentitiesOf(statement, Counts);
    const LedgerBookings &ledger = Context_.Ledger;

    QList<ImportCandidate> rows;
    rows.reserve(statement.Rows.size());
    for (qsizetype i = 0; i < statement.Rows.size(); ++i) {
        const StatementRow &row = statement.Rows.at(i);
        if (row.AmountCents == 0)
            continue;
        const bool undated = row.Pending && !row.BookingDate.isValid(); // noted by the bank, no day yet
        if (!undated && (!row.BookingDate.isValid() || row.BookingDate.year() < 1 || row.BookingDate.year() > 9999)) {
            throw QelError(QStringLiteral("Die Buchung in Zeile %1 des Kontoauszugs hat kein gültiges Buchungsdatum.")
                               .arg(row.Line));
        }
        ImportCandidate c;
        c.Row = row;
        c.Identity = identities.at(i);
        if (!undated) {
            c.BookName = BookNameOf(row.BookingDate);
            c.DateText = Regional_.DateText(row.BookingDate);
        }
        c.Amount = AmountText(row.AmountCents);
        if (row.Pending)
            c.Status = ImportStatus::Pending;
        else if (!IsEuro(row.Currency))
            c.Status = ImportStatus::ForeignCurrency;
        else if (Context_.Imported.Contains(c.Identity))
            c.Status = ImportStatus::Duplicate;
        rows.append(std::move(c));
    }

    // Each booking of the book explains one row at most, the nearest first; rows imported
    // before take theirs before new rows look.
    QHash<qint64, QList<bool>> used;
    // The booking taken, or none.
    const auto takePresent = [&](const ImportCandidate &c) -> std::optional<QString> {
        const qint64 key = LedgerBookings::Key(c.Row.Credit, c.Row.AmountCents);
        const auto dates = ledger.Bookings_.constFind(key);
        if (dates == ledger.Bookings_.cend())
            return std::nullopt;
        QList<bool> &taken = used[key];
        taken.resize(dates->size());
        qsizetype best = -1;
        qint64 bestDistance = std::numeric_limits<qint64>::max();
        for (qsizetype k = 0; k < dates->size(); ++k) {
            const qint64 distance = std::abs(dates->at(k).Date.daysTo(c.Row.BookingDate));
            if (!taken.at(k) && distance <= PresentDays && distance < bestDistance) {
                best = k;
                bestDistance = distance;
            }
        }
        if (best < 0)
            return std::nullopt;
        taken[best] = true;
        const LedgerBookings::Booking &booking = dates->at(best);
        return BookingText(booking.DateText, booking.Amount, booking.Purpose);
    };
    for (ImportCandidate &c : rows) {
        if (c.Status == ImportStatus::Duplicate)
            c.Missing = !takePresent(c);
    }

    // A regular booking stands for one row per month: the month of its day nearest the row.
    QSet<QPair<qsizetype, qint64>> regularUsed;
    const auto takeRegular = [&](const ImportCandidate &c) -> std::optional<QString> {
        const QDate date = c.Row.BookingDate;
        for (qsizetype r = 0; r < ledger.Regular_.size(); ++r) {
            const LedgerBookings::RegularBooking &regular = ledger.Regular_.at(r);
            if (regular.Credit != c.Row.Credit || regular.Cents != c.Row.AmountCents)
                continue;
            QDate nearest;
            qint64 distance = std::numeric_limits<qint64>::max();
            for (int shift = -1; shift <= 1; ++shift) {
                const QDate month = QDate(date.year(), date.month(), 1).addMonths(shift);
                const QDate due(month.year(), month.month(), std::min(regular.Day, month.daysInMonth()));
                if (const qint64 d = std::abs(due.daysTo(date)); d < distance) {
                    distance = d;
                    nearest = due;
                }
            }
            const QPair<qsizetype, qint64> slot{r, qint64(nearest.year()) * 12 + nearest.month()};
            if (distance <= RegularDays && !regularUsed.contains(slot)) {
                regularUsed.insert(slot);
                return BookingText(Regional_.DateText(nearest), regular.Amount, regular.Purpose);
            }
        }
        return std::nullopt;
    };

    for (ImportCandidate &c : rows) {
        if (c.Status == ImportStatus::New) {
            if (std::optional<QString> regular = takeRegular(c)) {
                c.Status = ImportStatus::Regular;
                c.Matched = std::move(*regular);
            } else if (std::optional<QString> present = takePresent(c)) {
                c.Status = ImportStatus::Present;
                c.Matched = std::move(*present);
            }
        }
        c.UntickedBefore = c.Status == ImportStatus::New && Context_.Unticked.Contains(c.Identity);
        c.Ticked = c.Status == ImportStatus::New && !c.UntickedBefore;
        Assign(c);
    }

    for (const SkippedLine &line : statement.Skipped) {
        if (line.Reason != LineSkip::Unreadable)
            continue;
        ImportCandidate c;
        c.Row.Line = line.Line;
        c.Row.Remittance = line.Text; // the line itself, where the bank's text would stand
        c.Status = ImportStatus::Unreadable;
        c.Matched = QStringLiteral("Zeile %1: %2").arg(line.Line).arg(line.Why);
        const auto at = std::upper_bound(rows.begin(), rows.end(), line.Line,
                                         [](int l, const ImportCandidate &r) { return l < r.Row.Line; });
        rows.insert(at, std::move(c));
    }
    return rows;
}
