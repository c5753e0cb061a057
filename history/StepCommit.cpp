#include "history/StepCommit.h"

#include "backup/TransferJournal.h"
#include "import/ImportStore.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString NothingChanged = u" Es wurde nichts geändert."_s;

bool Exists(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

void SetModified(const QByteArray &file, qint64 secs)
{
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(secs), 0}};
    ::utimensat(AT_FDCWD, file.constData(), times, 0);
}

} // namespace

StepCommit::StepCommit(QString dataFolder, QString journalFolder, TransferFileOps &ops)
    : DataFolder_(std::move(dataFolder))
    , JournalFolder_(std::move(journalFolder))
    , Ops_(ops)
{
}

void StepCommit::Put(Change change)
{
    const auto same = [&](const Change &c) { return c.Path == change.Path; };
    const auto found = std::find_if(Changes_.begin(), Changes_.end(), same);
    if (found != Changes_.end())
        *found = std::move(change);
    else
        Changes_.append(std::move(change));
}

void StepCommit::Write(const QString &path, QByteArray bytes, std::optional<qint64> modifiedSecs)
{
    Put({path, std::move(bytes), modifiedSecs});
}

void StepCommit::Remove(const QString &path)
{
    Put({path, std::nullopt, std::nullopt});
}

void StepCommit::ForgetImportRows(const QString &storeFile, const QSet<qint64> &rows)
{
    Store_ = storeFile;
    Forget_ += rows;
}

void StepCommit::Commit(TransferKind kind)
{
    TransferPlan plan;
    plan.Kind = kind;
    plan.Target = NativePath(DataFolder_);
    plan.Store = QFile::encodeName(Store_);
    plan.Forget = QList<qint64>(Forget_.cbegin(), Forget_.cend());
    std::sort(plan.Forget.begin(), plan.Forget.end());

    // Every name worked out and written down before anything is touched.
    struct Staged
    {
        QByteArray File;
        const Change *Of;
        int Mode;
    };
    QList<Staged> staged;
    QSet<QByteArray> folders;
    for (const Change &change : std::as_const(Changes_)) {
        // A new file goes where a link names (the link stays); a removal takes the link itself.
        const QFileInfo target(change.Bytes ? ListFiles::ResolvedTarget(change.Path)
                                            : QFileInfo(change.Path).absoluteFilePath());
        const QString folder = target.absolutePath();
        if (change.Bytes && !QDir().mkpath(folder)) {
            throw QelError(u"Der Ordner \"%1\" konnte nicht angelegt werden."_s.arg(QDir::toNativeSeparators(folder))
                           + NothingChanged);
        }
        const QByteArray place = QFile::encodeName(target.filePath());
        // Not the atomic writer's ".tmp": a start removes those before it finishes the journal.
        const QByteArray hidden =
            QFile::encodeName(folder + u'/' + ListFiles::TemporaryNameFor(target.fileName())).chopped(4);
        const QByteArray parked = hidden + ".alt";
        const QByteArray fresh = hidden + ".neu";
        const bool exists = Exists(place);
        if (!exists && !change.Bytes)
            continue;
        folders.insert(QFile::encodeName(folder));
        if (exists) {
            plan.Out.append({place, parked});
            plan.Extra.append(parked);
        }
        if (change.Bytes) {
            plan.In.append({fresh, place});
            plan.Extra.append(fresh);
            staged.append({fresh, &change, ListFiles::FileMode(place)});
        }
    }

    const TransferJournal journal(JournalFolder_);
    const QString id = TransferJournal::NewId();
    const QString noJournal = u"Die Aufzeichnung der Änderung konnte im Ordner \"%1\" nicht gespeichert werden."_s.arg(
                                  QDir::toNativeSeparators(JournalFolder_))
                              + NothingChanged;
    if (!journal.Save(id, plan))
        throw QelError(noJournal);
    const auto abandon = [&](const QString &message) {
        plan.Committed = false;
        if (CleanUp(Ops_, plan))
            journal.Remove(id);
        throw QelError(message);
    };
    for (const Staged &file : std::as_const(staged)) {
        try {
            ListFiles::WriteNewFile(file.File, *file.Of->Bytes, file.Of->Path, file.Mode, NothingChanged);
        } catch (const QelError &error) {
            abandon(error.Message());
        }
        if (file.Of->Modified)
            SetModified(file.File, *file.Of->Modified);
    }
    // The new names on the disk before the journal lets the next start move them in.
    for (const QByteArray &folder : std::as_const(folders)) {
        if (!Ops_.SyncFolder(folder)) {
            abandon(u"Der Ordner \"%1\" konnte nicht auf den Datenträger geschrieben werden."_s.arg(
                        QDir::toNativeSeparators(QFile::decodeName(folder)))
                    + NothingChanged);
        }
    }
    plan.Committed = true;
    if (!journal.Save(id, plan))
        abandon(noJournal);
    switch (CarryOut(Ops_, plan)) {
    case PlanResult::Done:
        break;
    case PlanResult::Undone:
        abandon(u"Die geänderten Dateien konnten nicht an ihren Platz gebracht werden."_s + NothingChanged);
        break;
    case PlanResult::Stuck:
        throw QelError(u"Die Änderung konnte weder ganz vorgenommen noch zurückgenommen werden. Beim nächsten Start "
                       u"wird sie zu Ende gebracht oder verworfen."_s);
    }
    for (const QByteArray &folder : std::as_const(folders))
        Ops_.SyncFolder(folder);
    ForgetRows(plan);
    // What cannot be cleaned up now is cleaned up by the next start, which finds the journal.
    if (CleanUp(Ops_, plan))
        journal.Remove(id);
}

void StepCommit::ForgetRows(const TransferPlan &plan)
{
    if (plan.Forget.isEmpty() || plan.Store.isEmpty())
        return;
    const QString store = QFile::decodeName(plan.Store);
    if (!QFileInfo::exists(store))
        return;
    try {
        ImportStore(store).Forget(QSet<qint64>(plan.Forget.cbegin(), plan.Forget.cend()));
    } catch (const QelError &) {
        // A store that cannot be opened now forgets nothing; its upkeep deals with it.
    }
}
