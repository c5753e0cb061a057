// Budgets per expense category on the command line: listed, set, removed, a month's report,
// and the warning of "add" when a booking takes its category over what is available.

#include "cli/Cli.h"

#include "analysis/AnalysisSums.h"
#include "analysis/YearSums.h"
#include "budget/BudgetFile.h"
#include "analysis/BudgetReport.h"
#include "books/BookCache.h"
#include "books/BookManager.h"
#include "ledger/Cents.h"
#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QDate>

using namespace Qt::StringLiterals;

namespace {

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

int CurrentMonth()
{
    const QDate today = QDate::currentDate();
    return BudgetMonth(today.year(), today.month());
}

} // namespace

// "--ab MM.JJJJ" and the flag taken out of the arguments; nothing after reporting a bad month.
std::optional<int> Cli::TakeBudgetMonth(QStringList &args, bool &given)
{
    given = false;
    const qsizetype at = args.indexOf(u"--ab"_s);
    if (at < 0)
        return CurrentMonth();
    given = true;
    if (at + 1 >= args.size()) {
        UsageError(u"Zur Option --ab fehlt der Monat (MM.JJJJ)."_s);
        return std::nullopt;
    }
    const QString text = args.at(at + 1);
    args.remove(at, 2);
    const std::optional<int> month = ReadBudgetMonth(text);
    if (!month) {
        Fail(u"\"%1\" ist kein gültiger Monat. Erwartet wird MM.JJJJ, z. B. \"01.2026\"."_s.arg(text));
        return std::nullopt;
    }
    return month;
}

int Cli::Budgets()
{
    const BudgetList budgets = BudgetStore(Paths_).Load();
    for (const BudgetEntry &e : budgets.Entries()) {
        Out_ << Line({e.Category, e.Cents ? CentsText(*e.Cents) : NoBookMark(), BudgetMonthText(e.From),
                      e.CarryOver ? u"ja"_s : u"nein"_s});
    }
    return 0;
}

int Cli::SetBudget(QStringList args)
{
    const bool on = args.removeAll(u"--uebertrag"_s) > 0;
    const bool off = args.removeAll(u"--ohne-uebertrag"_s) > 0;
    if (on && off)
        return UsageError(u"Entweder --uebertrag oder --ohne-uebertrag, nicht beides."_s);
    bool given = false;
    const std::optional<int> from = TakeBudgetMonth(args, given);
    if (!from)
        return 1;
    if (args.size() != 2)
        return UsageError(u"Falsche Anzahl von Argumenten für \"budget-set\"."_s);
    const QString category = CapitalizeFirst(args.at(0));
    if (!AcceptText(category, u"Kategorie"_s, true))
        return 1;
    const qint64 cents = ReadBudgetAmount(args.at(1));
    if (!LockForWriting())
        return 1;
    BookManager books = MakeManager();
    const BudgetList before = BudgetStore(Paths_).Load();
    // As the window: a budget that holds for the month keeps its carry-over unless told,
    // a new one has it.
    const BudgetEntry *holding = before.Holding(GroupNameKey(category), *from);
    const bool had = holding && holding->Cents;
    const bool carryOver = on || (!off && (!had || holding->CarryOver));
    BudgetList budgets = before;
    budgets.Set(category, *from, cents, carryOver);
    books.SaveBudgets(before, budgets, BudgetSetText(budgets.Holding(GroupNameKey(category), *from)->Category, *from, cents));
    Changed_ = true;
    Out_ << u"Das Budget \"%1\" gilt ab %2: %3 im Monat, %4."_s.arg(
                budgets.Holding(GroupNameKey(category), *from)->Category, BudgetMonthText(*from), CentsText(cents),
                carryOver ? u"mit Übertrag"_s : u"ohne Übertrag"_s)
         << '\n';
    if (had && holding->CarryOver != carryOver)
        Out_ << (carryOver ? u"Der Übertrag ist jetzt eingeschaltet; bisher war er aus."_s
                           : u"Der Übertrag ist jetzt ausgeschaltet; bisher war er an."_s)
             << '\n';
    return 0;
}

int Cli::RemoveBudget(QStringList args)
{
    bool given = false;
    const std::optional<int> from = TakeBudgetMonth(args, given);
    if (!from)
        return 1;
    if (args.size() != 1)
        return UsageError(u"Falsche Anzahl von Argumenten für \"budget-remove\"."_s);
    const QString &category = args.front();
    if (!LockForWriting())
        return 1;
    BookManager books = MakeManager();
    const BudgetList before = BudgetStore(Paths_).Load();
    BudgetList budgets = before;
    if (!budgets.Remove(category, given ? from : std::nullopt))
        return Fail(u"Für die Kategorie \"%1\" gibt es kein Budget."_s.arg(category));
    books.SaveBudgets(before, budgets, BudgetRemovedText(category, given ? from : std::nullopt));
    Changed_ = true;
    Out_ << (given ? u"Das Budget \"%1\" endet vor %2."_s.arg(category, BudgetMonthText(*from))
                   : u"Das Budget \"%1\" wurde entfernt."_s.arg(category))
         << '\n';
    return 0;
}

int Cli::ReportBudgets(const QString &name)
{
    if (!IsListedBook(name))
        return Fail(QStringLiteral("Das Haushaltsbuch \"%1\" existiert nicht.").arg(name));
    const std::optional<int> month = BookBudgetMonth(name, Regional());
    if (!month)
        return Fail(u"\"%1\" ist kein Monat."_s.arg(name));
    const BudgetList budgets = BudgetStore(Paths_).Load();
    BookCache cache(Paths_.DataFolder, Regional());
    QStringList errors;
    // The regular bookings as the cache reads them from Regular.dat on its refresh.
    const QList<BudgetLine> lines = BudgetMonthFromCache(cache, budgets, *month, cache.Regular().Rows, {}, errors);
    if (!cache.RegularError().isEmpty())
        return Fail(cache.RegularError());
    for (const BudgetLine &l : lines) {
        Out_ << Line({l.Category, CentsText(l.Budget), CentsText(l.CarryOver), CentsText(l.Available),
                      CentsText(l.Spent), CentsText(l.Rest)});
    }
    for (const QString &error : errors)
        Err_ << error << '\n';
    return errors.isEmpty() ? 0 : 1;
}

void Cli::WarnOverBudget(const QString &book, const QString &category)
{
    // A booking is saved whatever its budget says; a budget that cannot be computed only costs
    // the warning.
    try {
        const BudgetList budgets = BudgetStore(Paths_).Load();
        const std::optional<int> month = BookBudgetMonth(book, Regional());
        if (budgets.IsEmpty() || !month)
            return;
        BookCache cache(Paths_.DataFolder, Regional());
        QStringList errors;
        const QList<BudgetLine> lines = BudgetMonthFromCache(cache, budgets, *month, cache.Regular().Rows, {}, errors);
        if (const std::optional<BudgetLine> over = OverspentLine(lines, category))
            Err_ << u"Warnung: "_s << OverspentMessage(*over) << '\n';
    } catch (const QelError &error) {
        Err_ << u"Warnung: "_s << error.Message() << '\n';
    }
}
