#include "sync/FolderReconciler.h"

#include "changes/DerivedFiles.h"
#include "ledger/ConflictCopies.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"
#include "sync/LegacyAdoption.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QString Quoted(const QString &text)
{
    return u'„' + text + u'“';
}

QString Bookings(qsizetype n)
{
    return n == 1 ? u"1 Buchung"_s : u"%1 Buchungen"_s.arg(n);
}

QString WhatFile(const QString &file)
{
    if (file == DerivedFiles::RegularFile())
        return u"Die regelmäßigen Buchungen"_s;
    if (file == DerivedFiles::BudgetsFile())
        return u"Die Budgets"_s;
    return u"Das Haushaltsbuch %1"_s.arg(Quoted(file.chopped(4)));
}

// The ledger files of the data folder as the book scan sees them.
QStringList LedgerFilesIn(const QString &folder)
{
    QStringList files;
    const QStringList books = QDir(folder).entryList({u"*.qel"_s},
                                                     QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive);
    for (const QString &name : books) {
        if (!ConflictCopies::IsConflictCopy(name))
            files.append(name);
    }
    return files;
}

// Parses a ledger file into an adoption's ops; throws QelError when it is no such file.
void OpsOf(const LedgerState &state, const QString &file, const QByteArray &bytes, const QByteArray &hash,
           bool addOnly, ChangeEntry &entry)
{
    if (file == DerivedFiles::RegularFile()) {
        BookingList regular(ListKind::Regular);
        ListFiles::ParseRegular(bytes, regular);
        LegacyAdoption::RegularOps(state, regular, hash, addOnly, entry);
    } else if (file == DerivedFiles::BudgetsFile()) {
        LegacyAdoption::BudgetOps(state, BudgetList::Parse(bytes), addOnly, entry);
    } else {
        BookingList income(ListKind::Income);
        BookingList expend(ListKind::Expend);
        ListFiles::ParseMonthBook(bytes, income, expend);
        LegacyAdoption::BookOps(state, file.chopped(4), income, expend, hash, addOnly, entry);
    }
}

QString KeptNameFor(const QString &path)
{
    QString kept = path + u".defekt"_s;
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = path + u".defekt-%1"_s.arg(n);
    return kept;
}

} // namespace

FolderReconciler::FolderReconciler(LedgerPaths paths, Regional regional, ChangeStore &store)
    : Paths_(std::move(paths))
    , Regional_(std::move(regional))
    , Store_(store)
{
}

FolderReconciler::Outcome FolderReconciler::Run(qint64 nowSecs)
{
    Outcome outcome;
    // A folder whose logs are still empty: its files are the ledger's start.
    const bool first = Store_.State().Seen().isEmpty();
    TakeInCopies(nowSecs, outcome);

    QStringList files = LedgerFilesIn(Paths_.DataFolder);
    for (const QString &book : Store_.State().Books()) {
        if (!files.contains(DerivedFiles::BookFile(book)))
            files.append(DerivedFiles::BookFile(book));
    }
    files += {DerivedFiles::RegularFile(), DerivedFiles::BudgetsFile()};

    QStringList toWrite;
    for (const QString &file : std::as_const(files)) {
        const QString path = Paths_.DataFolder + file;
        std::optional<QByteArray> bytes;
        if (QFileInfo(path).isFile()) {
            try {
                bytes = ListFiles::ReadFile(path);
            } catch (const QelError &error) {
                outcome.Errors.append(error.Message());
                continue;
            }
        }
        std::optional<QByteArray> derived = DerivedFiles::FileBytes(Store_.State(), file, Regional_);
        if (bytes == derived)
            continue;
        if (bytes && !Store_.Explains(file, ChangeStore::HashOf(*bytes), FileModifiedNs(path))) {
            // A file that is no ledger file as it stands is left alone while the logs know
            // nothing of it (the book scan names it); else the logs' version replaces it, the
            // file kept aside.
            if (!TakeInFile(file, *bytes, nowSecs, first, outcome)) {
                if (!derived || !Store_.NamesFile(file))
                    continue;
                outcome.Notes.append(u"Die Datei %1 war beschädigt. Sie wird beiseitegelegt und aus dem "
                                     u"Änderungsprotokoll neu geschrieben."_s.arg(
                                         Quoted(QDir::toNativeSeparators(Paths_.DataFolder + file))));
            }
            derived = DerivedFiles::FileBytes(Store_.State(), file, Regional_);
            if (bytes == derived)
                continue;
        }
        if (!bytes && (!derived || DerivedFiles::NeedsNoFile(file, *derived, Regional_)))
            continue;
        toWrite.append(file);
    }
    if (toWrite.isEmpty())
        return outcome;
    try {
        ChangeEntry written;
        written.Kind = EntryKind::Written;
        const qint64 stampTime = ChangeStore::NowNs();
        Store_.Append(written, nowSecs, [&](const LedgerState &state) {
            QList<FileStamp> stamps;
            for (const QString &file : std::as_const(toWrite)) {
                if (const std::optional<QByteArray> bytes = DerivedFiles::FileBytes(state, file, Regional_))
                    stamps.append({file, ChangeStore::HashOf(*bytes), stampTime});
            }
            return stamps;
        });
        WriteDerivedFiles(Paths_, Regional_, Store_, toWrite, stampTime);
        outcome.Written = toWrite;
    } catch (const QelError &error) {
        outcome.Errors.append(error.Message());
    }
    return outcome;
}

bool FolderReconciler::TakeInFile(const QString &file, const QByteArray &bytes, qint64 nowSecs, bool silent,
                                  Outcome &outcome)
{
    const QByteArray hash = ChangeStore::HashOf(bytes);
    ChangeEntry entry;
    entry.Kind = EntryKind::Adopt;
    entry.Adopted = AdoptedFile{file, hash, Store_.Seen(), FileModifiedNs(Paths_.DataFolder + file)};
    try {
        OpsOf(Store_.State(), file, bytes, hash, false, entry);
    } catch (const QelError &) {
        // Not a ledger file as it stands: never written over without a copy; what reads it
        // names the damage.
        return false;
    }
    entry.Text = u"Änderung außerhalb des Programms: %1"_s.arg(file);
    try {
        Store_.Append(entry, nowSecs);
    } catch (const QelError &error) {
        outcome.Errors.append(error.Message());
        return false;
    }
    outcome.AdoptedAny = true;
    if (silent)
        return true;
    qsizetype added = 0;
    qsizetype removed = 0;
    for (const BookingOp &op : std::as_const(entry.Bookings))
        ++(op.After ? added : removed);
    QStringList what;
    if (added > 0)
        what.append(Bookings(added) + u" hinzugekommen"_s);
    if (removed > 0)
        what.append(Bookings(removed) + u" entfernt"_s);
    if (what.isEmpty())
        what.append(u"keine Buchung geändert"_s);
    outcome.Notes.append(u"%1 wurde außerhalb des Programms geändert; die Änderung ist übernommen (%2)."_s.arg(
        WhatFile(file), what.join(u", "_s)));
    return true;
}

void FolderReconciler::TakeInCopies(qint64 nowSecs, Outcome &outcome)
{
    for (const QString &copy : ConflictCopies::InFolder(Paths_.DataFolder)) {
        const QString file = *ConflictCopies::OriginalName(copy);
        try {
            const QByteArray bytes = ListFiles::ReadFile(Paths_.DataFolder + copy);
            const QByteArray hash = ChangeStore::HashOf(bytes);
            const qint64 modified = FileModifiedNs(Paths_.DataFolder + copy);
            qsizetype added = 0;
            if (!Store_.Explains(file, hash, modified)) {
                ChangeEntry entry;
                entry.Kind = EntryKind::Adopt;
                entry.Adopted = AdoptedFile{file, hash, Store_.Seen(), modified};
                entry.Text = u"Konfliktkopie %1"_s.arg(copy);
                OpsOf(Store_.State(), file, bytes, hash, true, entry);
                added = entry.Bookings.size() + entry.Budgets.size();
                if (entry.ChangesLedger())
                    Store_.Append(entry, nowSecs);
            }
            const QString kept = KeepCopy(copy, bytes, nowSecs);
            outcome.Copies.append({file, copy, kept, added});
            const QString what = added > 0 ? (file == DerivedFiles::BudgetsFile() ? (added == 1 ? u"1 Budgetangabe"_s
                                                                                           : u"%1 Budgetangaben"_s.arg(added))
                                                                                    : Bookings(added))
                                                 + u" übernommen"_s
                                           : u"nichts Neues"_s;
            outcome.Notes.append(u"%1: aus der Konfliktkopie %2 %3. Die Kopie liegt jetzt in %4."_s.arg(
                file == DerivedFiles::RegularFile()   ? u"Regelmäßige Buchungen"_s
                : file == DerivedFiles::BudgetsFile() ? u"Budgets"_s
                                                      : u"Haushaltsbuch %1"_s.arg(Quoted(file.chopped(4))),
                Quoted(copy), what, Quoted(QDir::toNativeSeparators(kept))));
        } catch (const QelError &error) {
            outcome.Errors.append(u"Die Konfliktkopie %1 wurde nicht zusammengeführt und bleibt im Datenordner. %2"_s.arg(
                Quoted(copy), error.Message()));
        }
    }
}

QString FolderReconciler::KeepCopy(const QString &copy, const QByteArray &bytes, qint64 nowSecs) const
{
    const QString folder = Paths_.MergedCopiesFolder();
    if (!QDir().mkpath(folder))
        throw QelError(u"Der Ordner %1 kann nicht angelegt werden."_s.arg(Quoted(QDir::toNativeSeparators(folder))));
    const QString stamp = QDateTime::fromSecsSinceEpoch(nowSecs).toString(u"yyyy-MM-dd HH-mm-ss"_s);
    QString kept = folder + stamp + u' ' + copy;
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = folder + stamp + u" (%1) "_s.arg(n) + copy;
    const QString from = Paths_.DataFolder + copy;
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(kept).constData()) != 0) {
        if (errno != EXDEV)
            throw QelError(u"Die Konfliktkopie kann nicht nach %1 verschoben werden. %2"_s.arg(
                Quoted(QDir::toNativeSeparators(kept)), ListFiles::SystemReason(errno)));
        ListFiles::WriteFile(kept, bytes);
        if (!QFile::remove(from))
            throw QelError(u"Die Konfliktkopie kann nicht aus dem Datenordner entfernt werden."_s);
    }
    ListFiles::SyncFolder(QFile::encodeName(Paths_.DataFolder));
    ListFiles::SyncFolder(QFile::encodeName(folder));
    return kept;
}

qint64 FileModifiedNs(const QString &path)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    // Before 1970, or beyond what nanoseconds since then hold (the year 2262): a time that
    // cannot be told, as entries keep only times from 1970 on.
    constexpr qint64 LastSecond = std::numeric_limits<qint64>::max() / 1'000'000'000 - 1;
    if (st.st_mtim.tv_sec < 0 || (st.st_mtim.tv_sec == 0 && st.st_mtim.tv_nsec == 0) || st.st_mtim.tv_sec > LastSecond)
        return 0;
    return qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

namespace {

void WriteDerivedFile(const LedgerPaths &paths, const Regional &regional, const ChangeStore &store, const QString &file,
                      qint64 modifiedNs, const QHash<QString, QByteArray> &made, const QHash<QString, QByteArray> *ours)
{
    const QString path = paths.DataFolder + file;
    const auto known = made.constFind(file);
    const std::optional<QByteArray> derived =
        known != made.cend() ? std::optional(*known) : DerivedFiles::FileBytes(store.State(), file, regional);
    std::optional<QByteArray> present;
    if (QFileInfo(path).isFile()) {
        present = ListFiles::ReadFile(path);
        if (present == derived)
            return;
        // What no entry explains is kept before it goes.
        const auto own = ours ? ours->constFind(file) : QHash<QString, QByteArray>::const_iterator();
        const bool known = ours && own != ours->cend() && *own == *present;
        if (!known && !store.Explains(file, ChangeStore::HashOf(*present), FileModifiedNs(path))) {
            const QString kept = KeptNameFor(path);
            ListFiles::WriteFile(kept, *present);
        }
    }
    if (derived) {
        if (!present && DerivedFiles::NeedsNoFile(file, *derived, regional))
            return;
        ListFiles::WriteFile(path, *derived);
        // The time its stamp names, which synchronisation tools carry along.
        if (modifiedNs > 0) {
            const timespec times[2] = {{0, UTIME_OMIT}, {time_t(modifiedNs / 1'000'000'000), long(modifiedNs % 1'000'000'000)}};
            ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
        }
    } else if (present) {
        QFile gone(path);
        if (!gone.remove()) {
            throw QelError(u"Die Datei \"%1\" konnte nicht entfernt werden. %2"_s.arg(
                QDir::toNativeSeparators(path), gone.errorString()));
        }
        ListFiles::SyncFolder(QFile::encodeName(paths.DataFolder));
    }
}

} // namespace

void WriteDerivedFiles(const LedgerPaths &paths, const Regional &regional, const ChangeStore &store,
                       const QStringList &files, qint64 modifiedNs, const QHash<QString, QByteArray> &made,
                       const QHash<QString, QByteArray> *ours)
{
    // Each file on its own: one that cannot be written does not keep the others back.
    QStringList failures;
    for (const QString &file : files) {
        try {
            WriteDerivedFile(paths, regional, store, file, modifiedNs, made, ours);
        } catch (const QelError &error) {
            failures.append(error.Message());
        }
    }
    if (!failures.isEmpty())
        throw QelError(failures.join(u"\n\n"_s));
}
