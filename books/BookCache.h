#pragma once

#include "ledger/BookingList.h"
#include "ledger/Regional.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <vector>

class BookManager;

// The month books and Regular.dat of the data folder as they are on disk, for what looks at
// many books at once: the search and the year overview. A file is read when first wanted and
// again only when it changed: its size, modification time or identity (every save puts a new
// file in place) differ from the last read. Books whose files went away are dropped. Nothing
// here writes.
//
// Beside the lists each row carries what the search compares, prepared once per read: its
// category and purpose with letter case folded as the analysis groups names (GroupNameKey),
// and its amount in cents.
class BookCache
{
public:
    // What the search compares of one row.
    struct RowKey
    {
        QString Folded;           // category, a separator, purpose; both folded
        qint64 Cents = NoAmount;  // the amount as shown, in cents
    };
    static constexpr qint64 NoAmount = std::numeric_limits<qint64>::min();

    struct List
    {
        BookingList Rows;
        QList<RowKey> Keys; // one per row
    };

    struct Book
    {
        QString Name; // "März 2008"
        QString Key;  // "200803", as the book list orders it
        List Income{BookingList(ListKind::Income), {}};
        List Expend{BookingList(ListKind::Expend), {}};
        QString Error; // why the file could not be read; the lists are then empty
        bool Loaded = false;
        int ReadNumber = 0; // the cache's read that filled the lists: what is kept of them stays valid until it changes
    };

    BookCache(QString dataFolder, Regional regional);
    // Of the manager's data folder, with its regional conventions.
    explicit BookCache(const BookManager &books);
    ~BookCache();

    // Brings the cache in line with the folder: lists the month books, reads those wanted
    // (all when no filter is given) that are new or changed, and Regular.dat. Returns the
    // messages of the files that could not be read now or before and have not changed since.
    QStringList Refresh(const std::function<bool(const QString &name)> &wanted = {});

    // Every listed book, ordered by book key like the book list; a book not wanted by the
    // last refresh may not be loaded.
    const std::vector<const Book *> &Books() const { return Ordered_; }
    const Book *Find(const QString &name) const;
    const List &Regular() const { return Regular_; }
    const QString &RegularError() const { return RegularError_; }

    // How many files were read since the cache was made: unchanged files are not read again.
    int Reads() const { return Reads_; }

private:
    struct Stamp
    {
        qint64 Size = -1;
        qint64 ModifiedNs = 0;
        quint64 Device = 0;
        quint64 Inode = 0;
        bool operator==(const Stamp &) const = default;
    };
    struct Entry
    {
        Book Data;
        Stamp ReadStamp; // of the file when last read
    };

    static Stamp StampOf(const QString &path);
    // The search keys of the rows, and every text kept once: categories, purposes, days and
    // amounts repeat month after month, and a lifetime of bookings would otherwise hold each
    // of them a hundred thousand times.
    void Prepare(List &list);
    QString Intern(const QString &text);
    void Load(Entry &entry, const QString &path, const Stamp &stamp);
    void LoadRegular();

    QString Folder_;
    Regional Regional_;
    std::map<QString, std::unique_ptr<Entry>> Entries_; // by book name
    std::vector<const Book *> Ordered_;
    List Regular_{BookingList(ListKind::Regular), {}};
    Stamp RegularStamp_;
    QString RegularError_;
    int Reads_ = 0;
    QSet<QString> Texts_;
    QHash<QString, QString> Folded_; // category and purpose as read -> as the search compares them
};
