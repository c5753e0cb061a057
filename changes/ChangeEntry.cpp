#include "changes/ChangeEntry.h"

QByteArray ChangeEntry::EntryName(const QByteArray &computer, qint64 seq)
{
    return computer + ':' + QByteArray::number(seq);
}

bool ChangeEntry::IsStep() const
{
    return Kind == EntryKind::Step || Kind == EntryKind::Import || Kind == EntryKind::Restore;
}

bool ChangeEntry::ChangesLedger() const
{
    return !Bookings.isEmpty() || !Books.isEmpty() || !Looks.isEmpty() || !Orders.isEmpty() || !Budgets.isEmpty()
           || !Documents.isEmpty();
}

QByteArray NewBookingId(const QByteArray &entryName, qsizetype index)
{
    return entryName + '.' + QByteArray::number(index);
}
