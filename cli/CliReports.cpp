// The commands that look at many books at once: the year overview and the search.

#include "cli/Cli.h"

#include "analysis/YearSums.h"
#include "books/BookCache.h"
#include "books/BookSearch.h"
#include "ledger/Cents.h"
#include "ledger/FuncUnit.h"
#include "ledger/Regional.h"
#include "output/ExportEXCEL.h"

#include <QDir>
#include <QFileInfo>

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

// The year as "year" and "export-year" show it; a message and no year when there is none.
std::optional<YearOverview> Cli::ReadYear(const QString &yearText, QStringList &errors)
{
    if (!IsYear(yearText)) {
        Fail(QStringLiteral("\"%1\" ist kein gültiges Jahr. Erwartet wird eine vierstellige Jahreszahl, "
                            "z. B. \"2008\".")
                 .arg(yearText));
        return std::nullopt;
    }
    const int year = yearText.toInt();
    BookCache cache(Paths_.DataFolder, Regional());
    // The regular bookings as the cache reads them from Regular.dat on its refresh.
    YearOverview overview = YearFromCache(cache, year, cache.Regular().Rows, {}, errors);
    // As "analysis": without the regular bookings no month can be computed.
    if (!cache.RegularError().isEmpty()) {
        Fail(cache.RegularError());
        return std::nullopt;
    }
    if (overview.BookMonths == 0 && errors.isEmpty()) {
        Fail(QStringLiteral("Für das Jahr %1 gibt es kein Haushaltsbuch.").arg(year));
        return std::nullopt;
    }
    return overview;
}

int Cli::ExportYear(const QString &yearText, const QString &file)
{
    QStringList errors;
    const std::optional<YearOverview> overview = ReadYear(yearText, errors);
    if (!overview)
        return 1;
    const QString target = WithXlsExtension(QFileInfo(file).absoluteFilePath());
    SaveXlsFile(target, YearTable(*overview), XlsCells::AmountsAsNumbers);
    Out_ << QStringLiteral("Die Jahresübersicht %1 wurde gespeichert: %2")
                .arg(overview->Year)
                .arg(QDir::toNativeSeparators(target))
         << '\n';
    for (const QString &error : errors)
        Err_ << error << '\n';
    return errors.isEmpty() ? 0 : 1;
}

int Cli::Year(const QString &yearText)
{
    QStringList errors;
    const std::optional<YearOverview> read = ReadYear(yearText, errors);
    if (!read)
        return 1;
    const YearOverview &overview = *read;

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
