// The commands that look at many books at once: the year overview and the search.

#include "cli/Cli.h"

#include "analysis/YearSums.h"
#include "ledger/BookCache.h"
#include "ledger/BookSearch.h"
#include "ledger/Cents.h"
#include "ledger/FuncUnit.h"
#include "ledger/Regional.h"

#include <algorithm>

namespace {

// One record per line: a control character from a file of other origin prints as a blank.
QString Line(QStringList fields)
{
    for (QString &field : fields) {
        for (QChar &ch : field) {
            if (ch.category() == QChar::Other_Control)
                ch = u' ';
        }
    }
    return fields.join(u'\t') + u'\n';
}

bool IsYear(const QString &text)
{
    return text.size() == 4 && std::all_of(text.cbegin(), text.cend(), [](QChar ch) { return ch >= u'0' && ch <= u'9'; });
}

} // namespace

int Cli::Year(const QString &yearText)
{
    if (!IsYear(yearText))
        return Fail(QStringLiteral("\"%1\" ist kein gültiges Jahr. Erwartet wird eine vierstellige Jahreszahl, "
                                   "z. B. \"2008\".")
                        .arg(yearText));
    const int year = yearText.toInt();
    BookCache cache(Paths_.DataFolder, Regional());
    QStringList errors;
    // The regular bookings as the cache reads them from Regular.dat on its refresh.
    const YearOverview overview = YearFromCache(cache, year, cache.Regular().Rows, {}, errors);
    // As "analysis": without the regular bookings no month can be computed.
    if (!cache.RegularError().isEmpty())
        return Fail(cache.RegularError());
    if (overview.BookMonths == 0 && errors.isEmpty())
        return Fail(QStringLiteral("Für das Jahr %1 gibt es kein Haushaltsbuch.").arg(year));

    const auto cell = [](const std::optional<YearFigures> &f, qint64 YearFigures::*field) {
        return f ? CentsText((*f).*field) : NoBookMark();
    };
    const auto figures = [&](const QString &caption, const std::optional<YearFigures> &f) {
        Out_ << Line({caption, cell(f, &YearFigures::Income), cell(f, &YearFigures::Expense),
                      cell(f, &YearFigures::Result)});
    };
    for (int m = 0; m < 12; ++m)
        figures(MonthNames().at(m), overview.Months[m]);
    figures(QStringLiteral("Summe"), overview.Total);
    figures(QStringLiteral("Durchschnitt"), overview.Average);

    const auto breakdown = [&](const QString &title, const YearBreakdown &b) {
        Out_ << Line({title});
        for (const YearGroup &group : b.Groups) {
            for (int m = 0; m < 12; ++m) {
                if (group.Months[m])
                    Out_ << Line({group.Name, MonthNames().at(m), CentsText(*group.Months[m])});
            }
        }
    };
    breakdown(QStringLiteral("Einnahmen nach Kategorien"), overview.IncomeByCategory);
    breakdown(QStringLiteral("Ausgaben nach Kategorien"), overview.ExpenseByCategory);

    for (const QString &error : errors)
        Err_ << error << '\n';
    return errors.isEmpty() ? 0 : 1;
}

int Cli::Search(const QString &text)
{
    const SearchQuery query = ParseSearchQuery(text);
    if (query.IsEmpty())
        return UsageError(QStringLiteral("Bitte geben Sie einen Suchbegriff an."));
    BookCache cache(Paths_.DataFolder, Regional());
    const QStringList errors = cache.Refresh();
    for (const SearchHit &hit : FindBookings(cache, query)) {
        const SearchHitText t = HitText(cache, hit);
        Out_ << Line({t.Book, t.Kind, t.Date, t.Amount, t.Category, t.Purpose});
    }
    for (const QString &error : errors)
        Err_ << error << '\n';
    return errors.isEmpty() ? 0 : 1;
}
