#pragma once

#include "ledger/ComponentStream.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QString>

#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

// Month book files read for the sums of their two lists only, as the book scan needs them.
// Reading touches nothing but the file, so many books can be read at once; what a result
// means for the book manager (files not read, damaged files kept) is its own business.
namespace BookSums {

struct Outcome
{
    enum class Kind {
        Read,       // IncomeText and ExpendText hold the book's sums
        Missing,    // no file at the name: two empty lists
        Unreadable, // the file is there but could not be read: Error
        Damaged,    // read, but not a month book: Error is the reader's message
    };
    Kind Result = Kind::Missing;
    QString IncomeText; // the sums as FormatAmount gives them (Read)
    QString ExpendText;
    std::optional<QelError> Error;
    std::optional<qint64> ModifiedSecs; // the file's last change as read (Read, Damaged)
};

// One book. listedAsFile: what the folder listing found at the name; a second look at the
// file is taken only when the listing or the read says it is not there.
Outcome Read(const QString &path, bool listedAsFile, ComponentStream::KnownRecords &known);

struct Request
{
    QString Path;
    bool ListedAsFile = true;
};

// The requested books, read ahead on helper threads while the caller takes their outcomes
// in order. While the outcome it asks for is not there yet, the caller reads books too, so
// with no helper it reads each book as it asks for it.
class Reads
{
public:
    // threads: the caller and its helpers; fewer helpers when the system refuses more.
    Reads(std::vector<Request> requests, int threads);
    // The helpers end after the book each is reading.
    ~Reads();
    Reads(const Reads &) = delete;
    Reads &operator=(const Reads &) = delete;

    qsizetype Size() const { return qsizetype(Requests_.size()); }
    // Outcome i, the same as Read gives it; each is taken once. Anything other than a
    // QelError thrown while reading the book is thrown here.
    Outcome Take(qsizetype i);

private:
    struct Slot
    {
        Outcome Result;
        std::exception_ptr Failure;
        std::atomic<bool> Done{false};
    };
    // Reads the next few books not yet handed out; false when none are left.
    bool ReadNextBatch(ComponentStream::KnownRecords &known);

    std::vector<Request> Requests_;
    std::unique_ptr<Slot[]> Slots_;
    std::atomic<std::size_t> Next_{0};
    std::atomic<bool> Stop_{false};
    ComponentStream::KnownRecords CallerKnown_;
    std::vector<std::jthread> Helpers_; // last: joined before anything they use goes
};

// How many threads Reads should use for that many books on this machine: one for a
// few books, where starting a thread costs more than it saves.
int ThreadsFor(qsizetype books);

} // namespace BookSums
