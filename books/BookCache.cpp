#include "books/BookCache.h"

#include "ledger/GroupName.h"
#include "books/BookManager.h"
#include "ledger/Cents.h"
#include "ledger/ConflictCopies.h"
#include "ledger/FuncUnit.h"
#include "ledger/LedgerPaths.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <sys/stat.h>

namespace {

// A reason that does not name its file (a parse error) gets the file's name before it.
QString Naming(const QString &path, const QString &message)
{
    const QString native = QDir::toNativeSeparators(path);
    return message.contains(native) ? message : QStringLiteral("Datei \"%1\": %2").arg(native, message);
}

// Between the folded category and purpose: no typed text holds it, so a search never
// matches across the two.
constexpr char16_t FieldSeparator = u'\x1f';

void Clear(BookCache::List &list)
{
    list.Rows.ClearRows();
    list.Keys.clear();
}

} // namespace

BookCache::BookCache(QString dataFolder, Regional regional)
    : Folder_(LedgerPaths::WithSlash(dataFolder))
    , Regional_(std::move(regional))
{
}

BookCache::BookCache(const BookManager &books)
    : BookCache(books.Paths().DataFolder, books.RegionalSettings())
{
}

BookCache::~BookCache() = default;

QStringList BookCache::Refresh(const std::function<bool(const QString &)> &wanted)
{
    // The book scan's pattern: hidden temporary files of a save end in ".tmp" and stay out.
    QStringList files = QDir(Folder_).entryList({QStringLiteral("*.qel")},
                                                QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive,
                                                QDir::Unsorted);
    files.removeIf([](const QString &file) { return ConflictCopies::IsConflictCopy(file); });
    QStringList errors;
    std::map<QString, std::unique_ptr<Entry>> listed;
    bool setChanged = files.size() != qsizetype(Entries_.size());
    for (const QString &file : files) {
        const QString name = file.chopped(4);
        std::unique_ptr<Entry> entry;
        if (const auto known = Entries_.find(name); known != Entries_.end()) {
            entry = std::move(known->second);
        } else {
            entry = std::make_unique<Entry>();
            entry->Data.Name = name;
            entry->Data.Key = BookKey(name, Regional_);
            setChanged = true;
        }
        if (!wanted || wanted(name)) {
            const QString path = Folder_ + file;
            const Stamp stamp = StampOf(path);
            if (!entry->Data.Loaded || stamp != entry->ReadStamp)
                Load(*entry, path, stamp);
            if (!entry->Data.Error.isEmpty())
                errors.append(entry->Data.Error);
        }
        listed.emplace(name, std::move(entry));
    }
    Entries_ = std::move(listed);

    if (setChanged) {
        Ordered_.clear();
        for (const auto &[name, entry] : Entries_)
            Ordered_.push_back(&entry->Data);
        // Ties (a month word the key cannot read) stay in name order, as the map holds them.
        std::stable_sort(Ordered_.begin(), Ordered_.end(), [this](const Book *a, const Book *b) {
            return Regional_.Compare(a->Key, b->Key) < 0;
        });
    }

    LoadRegular();
    if (!RegularError_.isEmpty())
        errors.append(RegularError_);
    return errors;
}

const BookCache::Book *BookCache::Find(const QString &name) const
{
    const auto it = Entries_.find(name);
    return it == Entries_.end() ? nullptr : &it->second->Data;
}

BookCache::Stamp BookCache::StampOf(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
            quint64(info.st_dev), quint64(info.st_ino)};
}

void BookCache::Prepare(List &list)
{
    list.Keys.clear();
    list.Keys.reserve(list.Rows.RowCount());
    for (qsizetype i = 0; i < list.Rows.RowCount(); ++i) {
        ListRow &row = list.Rows.MutableRow(i);
        // Amounts are mostly distinct: keeping them once would cost more than it saves.
        row.Caption = Intern(row.Caption);
        for (int k = 1; k < row.SubItems.size() && k <= 2; ++k)
            row.SubItems[k] = Intern(row.SubItems[k]);
        // Nothing here draws the rows.
        row.SubItemImages = {};
        RowKey key;
        const QString texts = row.SubItem(1) + FieldSeparator + row.SubItem(2);
        auto folded = Folded_.constFind(texts);
        if (folded == Folded_.cend())
            folded = Folded_.insert(texts, GroupNameKey(row.SubItem(1)) + FieldSeparator + GroupNameKey(row.SubItem(2)));
        key.Folded = *folded;
        const QString amount = row.SubItem(0);
        if (!amount.isEmpty())
            key.Cents = ShownCents(ParseAmount(amount));
        list.Keys.append(std::move(key));
    }
}

QString BookCache::Intern(const QString &text)
{
    const auto known = Texts_.constFind(text);
    if (known != Texts_.cend())
        return *known;
    Texts_.insert(text);
    return text;
}

void BookCache::Load(Entry &entry, const QString &path, const Stamp &stamp)
{
    Book &book = entry.Data;
    Clear(book.Income);
    Clear(book.Expend);
    book.Error.clear();
    book.ReadNumber = ++Reads_;
    try {
        ListFiles::ParseMonthBook(ListFiles::ReadFile(path), book.Income.Rows, book.Expend.Rows);
    } catch (const QelError &error) {
        // Half a book would give half its figures: none at all, and the reason.
        Clear(book.Income);
        Clear(book.Expend);
        book.Error = Naming(path, error.Message());
    }
    Prepare(book.Income);
    Prepare(book.Expend);
    // Stamped as it was before reading: a save during the read makes the next look read again.
    entry.ReadStamp = stamp;
    book.Loaded = true;
}

void BookCache::LoadRegular()
{
    const QString path = Folder_ + QStringLiteral("Regular.dat");
    const Stamp stamp = StampOf(path);
    if (stamp == RegularStamp_ && stamp.Size >= 0)
        return;
    Clear(Regular_);
    RegularError_.clear();
    RegularStamp_ = stamp;
    // No Regular.dat: no regular bookings, as in the program.
    if (stamp.Size < 0)
        return;
    ++Reads_;
    try {
        ListFiles::ParseRegular(ListFiles::ReadFile(path), Regular_.Rows);
    } catch (const QelError &error) {
        Clear(Regular_);
        RegularError_ = Naming(path, error.Message());
    }
    Prepare(Regular_);
}
