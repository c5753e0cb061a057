#include "tools/DemoDataGenerator.h"

#include "ledger/BookingList.h"
#include "ledger/FuncUnit.h"
#include "ledger/LedgerPaths.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QDir>
#include <QFileInfo>

#include <span>

namespace DemoData {

namespace {

// One kind of booking. Income: a category and a free purpose text. Expenses: a group
// and one of its sub-categories. Standing bookings also turn up as regular bookings.
struct Choice
{
    const char16_t *Category;
    const char16_t *Purpose;
    int MinCents;
    int MaxCents;
    int Weight;
    bool Standing = false;
};

constexpr Choice IncomeChoices[] = {
    {u"Gehalt", u"Lohn und Gehalt", 185000, 245000, 6, true},
    {u"Gehalt", u"Gehalt Müller & Söhne GmbH", 210000, 380000, 4, true},
    {u"Gehalt", u"Überstundenvergütung", 8000, 45000, 2},
    {u"Gehalt", u"Urlaubsgeld", 60000, 120000, 1},
    {u"Rente", u"Altersrente Rentenversicherung", 98000, 142000, 2, true},
    {u"Kindergeld", u"Kindergeld Familienkasse", 15400, 15400, 3, true},
    {u"Miete", u"Mieteinnahme Einliegerwohnung", 42000, 42000, 2, true},
    {u"Miete", u"Garagenmiete Nachbar Schäfer", 4500, 4500, 1, true},
    {u"Zinsen", u"Zinsgutschrift Tagesgeldkonto", 50, 4800, 4},
    {u"Zinsen", u"Sparbuch Jahreszinsen", 120, 9500, 1},
    {u"Kapitalerträge", u"Ausschüttung Rentenfonds", 1500, 32000, 2},
    {u"Kapitalerträge", u"Dividende Aktiendepot", 800, 54000, 2},
    {u"Steuererstattung", u"Einkommensteuerbescheid Finanzamt", 9000, 180000, 1},
    {u"Fahrkostenerstattung", u"Dienstreise nach Würzburg", 2400, 18500, 2},
    {u"Zuwendungen", u"Geburtstagsgeld von Oma Gisela", 2000, 10000, 1},
    {u"Sonstige", u"Flohmarkt Verkauf Kinderkleidung", 500, 6500, 2},
    {u"Sonstige", u"Rückzahlung Überweisung Jürgen", 1000, 25000, 1},
};

// The group names as the default category table has them, "Auto " with its blank.
constexpr Choice ExpendChoices[] = {
    {u"Wohnen", u"Miete", 64000, 64000, 3, true},
    {u"Wohnen", u"Nebenkosten", 12000, 21000, 2, true},
    {u"Wohnen", u"Heizung", 6000, 18000, 2, true},
    {u"Wohnen", u"Strom", 4500, 9500, 2, true},
    {u"Wohnen", u"Wasser", 1800, 4200, 1, true},
    {u"Wohnen", u"Telefon", 2499, 5999, 2, true},
    {u"Wohnen", u"GEZ-Gebühren", 1798, 1798, 1, true},
    {u"Wohnen", u"Möbel", 2999, 89900, 1},
    {u"Wohnen", u"Reparaturen", 1500, 42000, 1},
    {u"Haushalt", u"Nahrungsmittel", 320, 14850, 24},
    {u"Haushalt", u"Getränke", 199, 3480, 8},
    {u"Haushalt", u"Genussmittel", 250, 2200, 3},
    {u"Haushalt", u"Körperpflege", 89, 3490, 6},
    {u"Haushalt", u"Medikamente", 395, 4580, 3},
    {u"Haushalt", u"Reinigungsmittel", 129, 2150, 4},
    {u"Haushalt", u"Kleidung", 999, 18900, 4},
    {u"Haushalt", u"Elektrogeräte", 1999, 69900, 1},
    {u"Haushalt", u"Geschenke", 500, 8000, 2},
    {u"Auto ", u"Tanken", 2500, 8900, 8},
    {u"Auto ", u"KFZ-Steuer", 18400, 18400, 1, true},
    {u"Auto ", u"Versicherung", 4380, 4380, 1, true},
    {u"Auto ", u"Wartung", 8900, 54000, 1},
    {u"Auto ", u"Parkgebühr", 100, 1200, 3},
    {u"Auto ", u"Autowäsche", 500, 1500, 1},
    {u"Freizeit", u"Kinobesuch", 750, 3200, 2},
    {u"Freizeit", u"Literatur", 799, 4999, 2},
    {u"Freizeit", u"Hobby", 1000, 12000, 2},
    {u"Freizeit", u"Veranstaltung", 1500, 9800, 1},
    {u"Freizeit", u"Haustiere", 399, 6500, 2},
    {u"Freizeit", u"Pflanzen", 249, 4500, 1},
    {u"Erziehung", u"KITA-Beitrag", 16500, 16500, 1, true},
    {u"Erziehung", u"Essengeld", 4200, 4200, 1, true},
    {u"Erziehung", u"Ausflug", 500, 2500, 1},
    {u"Ausbildung", u"Lehrmittel", 499, 6500, 1},
    {u"Beruf", u"Fachliteratur", 1990, 8900, 1},
    {u"Beruf", u"Fahrkosten", 5600, 5600, 1, true},
    {u"Sonstige", u"Versicherungen", 1250, 9800, 1, true},
    {u"Sonstige", u"Altersvorsorge", 10000, 10000, 1, true},
    {u"Sonstige", u"Bankgebühren", 250, 990, 1, true},
    {u"Sonstige", u"Arztbesuch", 1000, 1000, 1},
    {u"Sonstige", u"Verkehrsmittel", 210, 8600, 2},
};

// A value below n from one 32-bit draw (multiply and shift; the bias is irrelevant here).
int Below(std::mt19937 &rng, int n)
{
    return static_cast<int>((static_cast<quint64>(rng()) * static_cast<quint64>(n)) >> 32);
}

int Between(std::mt19937 &rng, int low, int high)
{
    return low + Below(rng, high - low + 1);
}

const Choice &Pick(std::mt19937 &rng, std::span<const Choice> choices, int totalWeight)
{
    int r = Below(rng, totalWeight);
    for (const Choice &c : choices) {
        if (r < c.Weight)
            return c;
        r -= c.Weight;
    }
    return choices.back();
}

int TotalWeight(std::span<const Choice> choices)
{
    int total = 0;
    for (const Choice &c : choices)
        total += c.Weight;
    return total;
}

QString AmountText(int cents)
{
    return QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QChar(u'0'));
}

ListRow MakeRow(std::mt19937 &rng, const Choice &c, QString caption)
{
    return ListRow::Make(std::move(caption),
                         {AmountText(Between(rng, c.MinCents, c.MaxCents)), QString::fromUtf16(c.Category),
                          QString::fromUtf16(c.Purpose)});
}

void FillList(std::mt19937 &rng, QDate month, int count, std::span<const Choice> choices, BookingList &list,
              const Regional &regional)
{
    const int total = TotalWeight(choices);
    const int days = month.daysInMonth();
    list.ReserveRows(list.RowCount() + count);
    for (int i = 0; i < count; ++i) {
        const QDate date(month.year(), month.month(), 1 + Below(rng, days));
        list.AddRow(MakeRow(rng, Pick(rng, choices, total), regional.DateText(date)));
    }
    list.SortByCaption(regional);
}

} // namespace

QString BookName(QDate firstMonth, int index)
{
    const QDate month = firstMonth.addMonths(index);
    return MonthNames().at(month.month() - 1) + u' ' + QString::number(month.year());
}

int IncomeRowsOf(int rows)
{
    return rows / 4;
}

void FillMonthBook(std::mt19937 &rng, QDate month, int incomeRows, int expendRows, BookingList &income,
                   BookingList &expend, const Regional &regional)
{
    FillList(rng, month, incomeRows, IncomeChoices, income, regional);
    FillList(rng, month, expendRows, ExpendChoices, expend, regional);
}

void FillRegular(std::mt19937 &rng, int count, BookingList &regular, const Regional &regional)
{
    struct Standing
    {
        const Choice *Booking;
        bool Income;
    };
    QList<Standing> standing;
    for (const Choice &c : IncomeChoices) {
        if (c.Standing)
            standing.append({&c, true});
    }
    for (const Choice &c : ExpendChoices) {
        if (c.Standing)
            standing.append({&c, false});
    }

    regular.ReserveRows(regular.RowCount() + count);
    for (int i = 0; i < count; ++i) {
        const Standing &s = standing.at(Below(rng, static_cast<int>(standing.size())));
        // Standing orders mostly fall at the start of the month, salary at its end.
        const int day = s.Income ? Between(rng, 25, 31) : Between(rng, 1, 15);
        ListRow row = MakeRow(rng, *s.Booking, QStringLiteral("%1.").arg(day, 2, 10, QChar(u'0')));
        row.SubItems.append(s.Income ? IncomeKind() : ExpenseKind());
        regular.AddRow(std::move(row));
    }
    regular.SortByCaption(regional);
}

void Write(const QString &dataFolder, const Options &options)
{
    LedgerPaths paths;
    paths.DataFolder = LedgerPaths::WithSlash(dataFolder);
    const QDir folder(paths.DataFolder);
    if (!options.Force && folder.exists()
        && (!folder.entryList({QStringLiteral("*.qel")}, QDir::Files | QDir::Hidden).isEmpty()
            || QFileInfo::exists(paths.RegularFile()))) {
        throw QelError(QStringLiteral("Das Verzeichnis \"%1\" enthält schon Haushaltsbücher oder eine Regular.dat. "
                                      "Die Beispieldaten würden sie überschreiben; wählen Sie ein leeres "
                                      "Verzeichnis oder geben Sie --force an.")
                           .arg(QDir::toNativeSeparators(dataFolder)));
    }
    if (!QDir().mkpath(paths.DataFolder)) {
        throw QelError(QStringLiteral("Verzeichnis \"%1\" konnte nicht angelegt werden!")
                           .arg(QDir::toNativeSeparators(dataFolder)));
    }

    const Regional regional;
    std::mt19937 rng(options.Seed);
    const int incomeRows = IncomeRowsOf(options.Rows);
    for (int i = 0; i < options.Books; ++i) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        FillMonthBook(rng, options.FirstMonth.addMonths(i), incomeRows, options.Rows - incomeRows, income, expend,
                      regional);
        ListFiles::WriteFile(paths.BookFile(BookName(options.FirstMonth, i)),
                             ListFiles::MonthBookBytes(income, expend));
    }

    BookingList regular(ListKind::Regular);
    FillRegular(rng, options.Regular, regular, regional);
    ListFiles::WriteFile(paths.RegularFile(), ListFiles::RegularBytes(regular));
}

} // namespace DemoData
