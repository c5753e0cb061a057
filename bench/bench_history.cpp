// Undo: an import of 1,000 rows into twelve books taken back as a whole, and the save of one
// booking beside it.

#include "books/HistoryPlayer.h"
#include "history/HistorySteps.h"
#include "books/BookManager.h"
#include "ledger/FuncUnit.h"
#include "ledger/LedgerPaths.h"
#include "ledger/QelError.h"
#include "ledger/Regional.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int ImportRows = 1000;
constexpr int ImportBooks = 12;
constexpr int RowsBefore = 100; // per book, before the import

const QDateTime Now(QDate(2026, 12, 9), QTime(8, 0));

struct Ledger
{
    QTemporaryDir Dir{QDir::tempPath() + QStringLiteral("/qel-bench-XXXXXX")};
    LedgerPaths Paths;
    std::unique_ptr<BookManager> Books;

    Ledger()
    {
        Paths.DataFolder = Dir.filePath(QStringLiteral("Daten/"));
        Paths.ProgramDataFolder = Dir.filePath(QStringLiteral("Programm/"));
        Paths.CreateFolders();
        Books = std::make_unique<BookManager>(Paths, Regional());
    }
};

QString BookName(int month)
{
    return MonthNames().at(month) + QStringLiteral(" 2026");
}

ListRow Row(int month, int i)
{
    return ListRow::Make(QStringLiteral("%1.%2.2026").arg(1 + i % 28, 2, 10, QChar(u'0')).arg(month + 1, 2, 10, QChar(u'0')),
                         {QStringLiteral("%1.%2").arg(i % 300).arg(i % 100, 2, 10, QChar(u'0')), QStringLiteral("Lebensmittel"),
                          QStringLiteral("Einkauf %1").arg(i)});
}

// Twelve books with their own bookings, then an import of 1,000 rows into them as one entry, as
// ImportBooking makes it.
void Import(Ledger &ledger)
{
    for (int month = 0; month < ImportBooks; ++month) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        ledger.Books->ReadBook(BookName(month), income, expend);
        for (int i = 0; i < RowsBefore; ++i)
            expend.AddRow(Row(month, 10000 + i));
        expend.SortByCaption(ledger.Books->RegionalSettings());
        ledger.Books->StoreBook(BookName(month), income, expend, Now);
    }
    ChangeEntry entry;
    entry.Kind = EntryKind::Import;
    entry.Text = HistorySteps::ImportText(ImportRows, QStringLiteral("konto.csv"));
    qsizetype next = 0;
    for (int month = 0; month < ImportBooks; ++month) {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        ledger.Books->ReadBook(BookName(month), income, expend);
        for (int i = month; i < ImportRows; i += ImportBooks)
            expend.AddRow(Row(month, i));
        expend.SortByCaption(ledger.Books->RegionalSettings());
        ledger.Books->BookChanges(BookName(month), income, expend, entry, next);
    }
    ledger.Books->Commit(std::move(entry));
}

void BM_UndoImportOf1000Rows(benchmark::State &state)
{
    Ledger ledger;
    Import(ledger);
    for (auto _ : state) {
        HistoryPlayer player(*ledger.Books);
        const std::optional<PlayOutcome> undone = player.Undo();
        state.PauseTiming();
        if (!undone || !undone->Left.isEmpty())
            state.SkipWithError("the import was not taken back whole");
        player.Redo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoImportOf1000Rows)->Unit(benchmark::kMillisecond);

// The save the step goes beside: one booking added to a book of 180 rows and saved.
void BM_SaveOfOneBooking(benchmark::State &state)
{
    Ledger ledger;
    Import(ledger);
    ledger.Books->ScanBooks();
    ledger.Books->OpenBook(ledger.Books->FindBook(BookName(2)));
    for (auto _ : state) {
        ledger.Books->AddBooking(ledger.Books->Expend(), Row(2, 5000));
        ledger.Books->SaveChange(ledger.Books->Expend());
    }
}
BENCHMARK(BM_SaveOfOneBooking)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
