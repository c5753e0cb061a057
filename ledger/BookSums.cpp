#include "ledger/BookSums.h"

#include "ledger/FuncUnit.h"

#include <QFileInfo>

#include <algorithm>
#include <system_error>

namespace BookSums {

namespace {

bool FileExists(const QString &path)
{
    return QFileInfo(path).isFile();
}

} // namespace

Outcome Read(const QString &path, bool listedAsFile, ComponentStream::KnownRecords &known)
{
    Outcome outcome;
    if (!listedAsFile && !FileExists(path))
        return outcome;
    QByteArray bytes;
    try {
        bytes = ListFiles::ReadFile(path, outcome.ModifiedSecs);
    } catch (const QelError &error) {
        // Gone since the listing: read as two empty lists, as a file that was never there.
        if (listedAsFile && !FileExists(path))
            return outcome;
        outcome.Result = Outcome::Kind::Unreadable;
        outcome.Error = error;
        return outcome;
    }
    try {
        const ListFiles::MonthBookSums sums = ListFiles::SumMonthBook(bytes, known);
        outcome.IncomeText = FormatAmount(sums.Income);
        outcome.ExpendText = FormatAmount(sums.Expend);
        outcome.Result = Outcome::Kind::Read;
    } catch (const QelError &error) {
        outcome.Result = Outcome::Kind::Damaged;
        outcome.Error = error;
    }
    return outcome;
}

Reads::Reads(std::vector<Request> requests, int threads)
    : Requests_(std::move(requests))
    , Slots_(std::make_unique<Slot[]>(Requests_.size()))
{
    for (int t = 1; t < threads; ++t) {
        try {
            Helpers_.emplace_back([this] {
                ComponentStream::KnownRecords known;
                while (!Stop_ && ReadNextBatch(known)) {
                }
            });
        } catch (const std::system_error &) {
            break; // the threads there are do all of it
        }
    }
}

Reads::~Reads()
{
    Stop_ = true;
}

bool Reads::ReadNextBatch(ComponentStream::KnownRecords &known)
{
    // A few books at a time: neighbours in the listing are often alike, which the known
    // records of each thread make use of.
    constexpr std::size_t Batch = 4;
    const std::size_t first = Next_.fetch_add(Batch);
    if (first >= Requests_.size())
        return false;
    const std::size_t last = std::min(first + Batch, Requests_.size());
    for (std::size_t i = first; i < last; ++i) {
        Slot &slot = Slots_[i];
        try {
            slot.Result = Read(Requests_[i].Path, Requests_[i].ListedAsFile, known);
        } catch (...) {
            slot.Failure = std::current_exception();
        }
        slot.Done.store(true, std::memory_order_release);
        slot.Done.notify_all();
    }
    return true;
}

Outcome Reads::Take(qsizetype i)
{
    Slot &slot = Slots_[std::size_t(i)];
    while (!slot.Done.load(std::memory_order_acquire)) {
        if (!ReadNextBatch(CallerKnown_))
            slot.Done.wait(false, std::memory_order_acquire); // a helper is reading it
    }
    if (slot.Failure)
        std::rethrow_exception(slot.Failure);
    return std::move(slot.Result);
}

int ThreadsFor(qsizetype books)
{
    constexpr qsizetype BooksPerThread = 12;
    constexpr int MaxThreads = 4;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return static_cast<int>(std::clamp<qsizetype>(books / BooksPerThread, 1, std::min(cores, MaxThreads)));
}

} // namespace BookSums
