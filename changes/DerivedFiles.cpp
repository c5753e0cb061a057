#include "changes/DerivedFiles.h"

#include "ledger/ComponentStream.h"
#include "ledger/ListFiles.h"
#include "ledger/Regional.h"

using namespace Qt::StringLiterals;

namespace DerivedFiles {

QString BookFile(const QString &book)
{
    return book + u".qel"_s;
}

QString RegularFile()
{
    return u"Regular.dat"_s;
}

QString BudgetsFile()
{
    return u"Budgets.dat"_s;
}

std::optional<QString> BookOfFile(const QString &file)
{
    if (!file.endsWith(u".qel"_s) || file.size() <= 4)
        return std::nullopt;
    return file.chopped(4);
}

std::optional<QByteArray> BookBytes(const LedgerState &state, const QString &book, const Regional &regional)
{
    if (!state.BookExists(book))
        return std::nullopt;
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    state.BookLists(book, regional, income, expend);
    return ListFiles::MonthBookBytes(income, expend);
}

QByteArray RegularBytes(const LedgerState &state, const Regional &regional)
{
    return ListFiles::RegularBytes(state.RegularList(regional));
}

QByteArray BudgetBytes(const LedgerState &state)
{
    return state.Budgets().Bytes();
}

std::optional<QByteArray> FileBytes(const LedgerState &state, const QString &file, const Regional &regional)
{
    if (file == RegularFile())
        return RegularBytes(state, regional);
    if (file == BudgetsFile())
        return BudgetBytes(state);
    const std::optional<QString> book = BookOfFile(file);
    return book ? BookBytes(state, *book, regional) : std::nullopt;
}

bool NeedsNoFile(const QString &file, const QByteArray &derived, const Regional &regional)
{
    if (file == RegularFile())
        return derived == RegularBytes(LedgerState(), regional);
    if (file == BudgetsFile())
        return derived == BudgetList().Bytes();
    return false;
}

QByteArray SkeletonOf(const BookingList &list)
{
    BookingList bare(list.Kind());
    bare.SetColumns(list.Columns());
    bare.Presentation() = list.Presentation();
    QByteArray bytes;
    ComponentStream::WriteListRecord(bytes, bare, QString(), 0);
    return bytes == StandardSkeleton(list.Kind()) ? QByteArray() : bytes;
}

QByteArray StandardSkeleton(ListKind list)
{
    static const auto make = [](ListKind kind) {
        BookingList bare(kind);
        bare.SetColumnAlignment(1, ColumnAlignment::Right);
        QByteArray bytes;
        ComponentStream::WriteListRecord(bytes, bare, QString(), 0);
        return bytes;
    };
    static const QByteArray income = make(ListKind::Income);
    static const QByteArray expend = make(ListKind::Expend);
    static const QByteArray regular = make(ListKind::Regular);
    return list == ListKind::Income ? income : list == ListKind::Regular ? regular : expend;
}

} // namespace DerivedFiles
