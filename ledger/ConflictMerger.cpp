#include "ledger/ConflictMerger.h"

#include "budget/BudgetFile.h"
#include "budget/BudgetMerge.h"
#include "ledger/BookVersions.h"
#include "ledger/BookingList.h"
#include "ledger/ConflictCopies.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString MergedListName = u"zusammengefuehrt.txt"_s;
const QString RegularName = u"Regular.dat"_s;

QByteArray HashOf(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QString Quoted(const QString &text)
{
    return u'„' + text + u'“';
}

QString Bookings(int n)
{
    return n == 1 ? u"1 Buchung"_s : u"%1 Buchungen"_s.arg(n);
}

int RowsOf(const QString &file, const QByteArray &bytes)
{
    if (file == BudgetStore::FileName())
        return int(BudgetList::Parse(bytes).Entries().size());
    const bool regular = file == RegularName;
    if (regular) {
        BookingList list(ListKind::Regular);
        ListFiles::ParseRegular(bytes, list);
        return int(list.RowCount());
    }
    BookingList income(ListKind::Income);
    BookingList expend(ListKind::Expend);
    ListFiles::ParseMonthBook(bytes, income, expend);
    return int(income.RowCount() + expend.RowCount());
}

} // namespace

QString MergedCopy::Message() const
{
    const bool budgets = File == BudgetStore::FileName();
    const QString what = File == RegularName ? u"Regelmäßige Buchungen"_s
                         : budgets           ? u"Budgets"_s
                                             : u"Haushaltsbuch %1"_s.arg(Quoted(File.chopped(4)));
    const auto count = [&](int n) {
        if (!budgets)
            return Bookings(n);
        return n == 1 ? u"1 Budgetangabe"_s : u"%1 Budgetangaben"_s.arg(n);
    };
    QStringList done;
    if (Outcome.Added > 0)
        done.append(count(Outcome.Added) + u" übernommen"_s);
    if (Outcome.Removed > 0)
        done.append(count(Outcome.Removed) + u" entfernt"_s);
    if (Outcome.Changed > 0)
        done.append(count(Outcome.Changed) + u" geändert"_s);
    QString text = u"%1: aus der Konfliktkopie %2 %3."_s.arg(what, Quoted(Copy),
                                                             done.isEmpty() ? u"nichts Neues"_s : done.join(u", "_s));
    if (Outcome.ChangedOnBoth > 0) {
        text += (Outcome.ChangedOnBoth == 1 ? u" Eine Buchung wurde auf beiden Rechnern verschieden geändert; beide "
                                              u"Fassungen stehen jetzt im Buch. Bitte prüfen Sie sie."_s
                                            : u" %1 Buchungen wurden auf beiden Rechnern verschieden geändert; beide "
                                              u"Fassungen stehen jetzt im Buch. Bitte prüfen Sie sie."_s.arg(
                                                  Outcome.ChangedOnBoth));
    }
    return text + u" Die Kopie liegt jetzt in %1."_s.arg(Quoted(QDir::toNativeSeparators(KeptAs)));
}

ConflictMerger::ConflictMerger(LedgerPaths paths, Regional regional)
    : Paths_(std::move(paths))
    , Regional_(std::move(regional))
{
}

ConflictMerger::Result ConflictMerger::MergeAll(const QDateTime &now) const
{
    Result result;
    for (const QString &copy : ConflictCopies::InFolder(Paths_.DataFolder)) {
        try {
            result.Merged.append(MergeOne(copy, now));
        } catch (const QelError &error) {
            result.Errors.append(u"Die Konfliktkopie %1 wurde nicht zusammengeführt und bleibt im Datenordner. %2"_s.arg(
                Quoted(copy), error.Message()));
        }
    }
    return result;
}

MergedCopy ConflictMerger::MergeOne(const QString &copy, const QDateTime &now) const
{
    MergedCopy merged;
    merged.Copy = copy;
    merged.File = *ConflictCopies::OriginalName(copy);
    const bool regular = merged.File == RegularName;
    const bool budgets = merged.File == BudgetStore::FileName();
    const QString copyPath = Paths_.DataFolder + copy;
    const QString filePath = Paths_.DataFolder + merged.File;
    const QByteArray copyBytes = ListFiles::ReadFile(copyPath);
    BookVersions versions(Paths_.VersionsFolder());

    if (!QFileInfo(filePath).isFile()) {
        // Removed here, changed there: the changed book comes back whole.
        merged.Outcome.Added = RowsOf(merged.File, copyBytes);
        merged.Outcome.Bytes = copyBytes;
        ListFiles::WriteFile(filePath, copyBytes);
        versions.Record(merged.File, copyBytes, BookVersions::How::Written);
        merged.KeptAs = KeepCopy(copy, copyBytes, now);
        return merged;
    }
    const QByteArray fileBytes = ListFiles::ReadFile(filePath);
    // A copy merged before, when a kill came before it was moved: only the move is left.
    const QByteArray copyHash = HashOf(copyBytes);
    const QString listPath = Paths_.MergedCopiesFolder() + MergedListName;
    QByteArray list;
    if (QFile file(listPath); file.open(QIODevice::ReadOnly))
        list = file.read(4 * 1024 * 1024);
    if (list.split('\n').contains(copyHash + ' ' + HashOf(fileBytes))) {
        merged.Outcome.Bytes = fileBytes;
        merged.KeptAs = KeepCopy(copy, copyBytes, now);
        return merged;
    }

    // This machine's version is the one it wrote last; the other machine's is the other.
    const std::optional<QByteArray> written = versions.LastWritten(merged.File);
    const bool copyIsOurs = written && *written == copyBytes && *written != fileBytes;
    const QByteArray &ours = copyIsOurs ? copyBytes : fileBytes;
    const QByteArray &theirs = copyIsOurs ? fileBytes : copyBytes;
    merged.Outcome = budgets ? MergeBudgetFiles(ours, theirs, versions.Lazily(merged.File))
                             : MergeLedgerFile(regular, ours, theirs, versions.Lazily(merged.File), Regional_);

    if (!QDir().mkpath(Paths_.MergedCopiesFolder())) {
        throw QelError(u"Der Ordner %1 kann nicht angelegt werden."_s.arg(
            Quoted(QDir::toNativeSeparators(Paths_.MergedCopiesFolder()))));
    }
    ListFiles::WriteFile(listPath, QByteArray(list + copyHash + ' ' + HashOf(merged.Outcome.Bytes) + '\n'));
    if (merged.Outcome.Bytes != fileBytes)
        ListFiles::WriteFile(filePath, merged.Outcome.Bytes);
    // The other machine's version was seen here; the merge is this machine's.
    versions.Record(merged.File, theirs, BookVersions::How::Read);
    versions.Record(merged.File, merged.Outcome.Bytes, BookVersions::How::Written);
    merged.KeptAs = KeepCopy(copy, copyBytes, now);
    return merged;
}

QString ConflictMerger::KeepCopy(const QString &copy, const QByteArray &bytes, const QDateTime &now) const
{
    const QString folder = Paths_.MergedCopiesFolder();
    if (!QDir().mkpath(folder))
        throw QelError(u"Der Ordner %1 kann nicht angelegt werden."_s.arg(Quoted(QDir::toNativeSeparators(folder))));
    QString kept = folder + now.toString(u"yyyy-MM-dd HH-mm-ss "_s) + copy;
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = folder + now.toString(u"yyyy-MM-dd HH-mm-ss"_s) + u" (%1) "_s.arg(n) + copy;
    const QString from = Paths_.DataFolder + copy;
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(kept).constData()) != 0) {
        if (errno != EXDEV)
            throw QelError(u"Die Konfliktkopie kann nicht nach %1 verschoben werden. %2"_s.arg(
                Quoted(QDir::toNativeSeparators(kept)), ListFiles::SystemReason(errno)));
        // Another file system: kept whole there before it goes here.
        ListFiles::WriteFile(kept, bytes);
        if (!QFile::remove(from))
            throw QelError(u"Die Konfliktkopie kann nicht aus dem Datenordner entfernt werden."_s);
    }
    ListFiles::SyncFolder(QFile::encodeName(Paths_.DataFolder));
    ListFiles::SyncFolder(QFile::encodeName(folder));
    return kept;
}
