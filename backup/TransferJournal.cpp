#include "backup/TransferJournal.h"

#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char Header[] = "Haushaltsbuch-Übertragung 1";
constexpr char Suffix[] = ".journal";

bool Exists(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

QByteArray Field(const QByteArray &bytes)
{
    return bytes.toPercentEncoding();
}

QString ShownPath(const QByteArray &path)
{
    return QDir::toNativeSeparators(DisplayName(path));
}

// Removes a folder that only this program fills (the staging folder and its two subfolders),
// files first.
bool RemoveTree(TransferFileOps &ops, const QByteArray &folder, int depth = 0)
{
    if (!Exists(folder))
        return true;
    const QDir dir(QFile::decodeName(folder));
    bool removed = true;
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QByteArray path = InFolder(folder, QFile::encodeName(name));
        struct stat st;
        if (::lstat(path.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode) && depth < 2)
            removed = RemoveTree(ops, path, depth + 1) && removed;
        else
            removed = ops.Remove(path) && removed;
    }
    return ops.RemoveFolder(folder) && removed;
}

QByteArray FolderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

} // namespace

TransferJournal::TransferJournal(QString folder)
    : Folder_(std::move(folder))
{
}

QString TransferJournal::NewId()
{
    return QDateTime::currentDateTimeUtc().toString(u"yyyyMMddHHmmsszzz"_s) + u'-'
           + QString::number(QRandomGenerator::system()->generate() & 0xFFFFFF, 16);
}

QString TransferJournal::PathOf(const QString &id) const
{
    return QDir(Folder_).filePath(id + QLatin1String(Suffix));
}

QByteArray TransferJournal::Encode(const TransferPlan &plan)
{
    QByteArray text = QByteArray(Header) + '\n';
    text += "art " + QByteArray(plan.Kind == TransferKind::Backup ? "sicherung" : "wiederherstellung") + '\n';
    text += "ziel " + Field(plan.Target) + '\n';
    text += "staging " + Field(plan.Staging) + '\n';
    text += "phase " + QByteArray(plan.Committed ? "tauschen" : "kopieren") + '\n';
    for (const TransferMove &move : plan.Out)
        text += "raus " + Field(move.From) + ' ' + Field(move.To) + '\n';
    for (const TransferMove &move : plan.In)
        text += "rein " + Field(move.From) + ' ' + Field(move.To) + '\n';
    for (const QByteArray &extra : plan.Extra)
        text += "extra " + Field(extra) + '\n';
    text += "ende\n";
    return text;
}

std::optional<TransferPlan> TransferJournal::Decode(const QByteArray &text)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() < 2 || lines.front() != Header)
        return std::nullopt;
    TransferPlan plan;
    bool complete = false;
    bool phase = false;
    for (qsizetype i = 1; i < lines.size() && !complete; ++i) {
        const QList<QByteArray> words = lines.at(i).split(' ');
        const QByteArray &key = words.front();
        const auto value = [&](int n) { return QByteArray::fromPercentEncoding(words.value(n)); };
        if (key == "ende" && words.size() == 1)
            complete = true;
        else if (key == "art" && words.size() == 2)
            plan.Kind = words.at(1) == "wiederherstellung" ? TransferKind::Restore : TransferKind::Backup;
        else if (key == "ziel" && words.size() == 2)
            plan.Target = value(1);
        else if (key == "staging" && words.size() == 2)
            plan.Staging = value(1);
        else if (key == "phase" && words.size() == 2)
            phase = true, plan.Committed = words.at(1) == "tauschen";
        else if ((key == "raus" || key == "rein") && words.size() == 3)
            (key == "raus" ? plan.Out : plan.In).append({value(1), value(2)});
        else if (key == "extra" && words.size() == 2)
            plan.Extra.append(value(1));
        else
            return std::nullopt;
    }
    // A staging folder outside the target would let a damaged journal remove anything.
    if (!complete || !phase || plan.Target.isEmpty() || !plan.Staging.startsWith(QByteArray(plan.Target + '/')))
        return std::nullopt;
    return plan;
}

bool TransferJournal::Save(const QString &id, const TransferPlan &plan) const
{
    if (!QDir().mkpath(Folder_))
        return false;
    try {
        // The atomic writer: the old text stays until the new one is whole and on the disk.
        ListFiles::WriteFile(PathOf(id), Encode(plan));
    } catch (const QelError &) {
        return false;
    }
    return true;
}

bool TransferJournal::Remove(const QString &id) const
{
    if (::unlink(QFile::encodeName(PathOf(id)).constData()) != 0 && errno != ENOENT)
        return false;
    const int fd = ::open(QFile::encodeName(Folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

QStringList TransferJournal::Pending() const
{
    QStringList ids;
    const QStringList files = QDir(Folder_).entryList({u"*"_s + QLatin1String(Suffix)}, QDir::Files, QDir::Name);
    for (const QString &file : files)
        ids.append(file.chopped(int(sizeof(Suffix)) - 1));
    return ids;
}

std::optional<TransferPlan> TransferJournal::Load(const QString &id) const
{
    QFile file(PathOf(id));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A journal is a few lines per book; anything far larger is not one of ours.
    if (file.size() > 64 * 1024 * 1024)
        return std::nullopt;
    return Decode(file.readAll());
}

PlanResult CarryOut(TransferFileOps &ops, const TransferPlan &plan)
{
    // A copy that is no longer where it was staged has been moved in. Once one has, every old
    // file is out already.
    const auto moved = [](const TransferMove &move) { return !Exists(move.From); };
    const bool anyIn = std::any_of(plan.In.cbegin(), plan.In.cend(), moved);

    QList<TransferMove> undo;
    const auto rollBack = [&] {
        bool restored = true;
        for (auto it = undo.crbegin(); it != undo.crend(); ++it) {
            if (Exists(it->To) && !Exists(it->From))
                restored = ops.Move(it->To, it->From) && restored;
        }
        return restored ? PlanResult::Undone : PlanResult::Stuck;
    };
    for (const TransferMove &move : plan.Out) {
        // Parked already, or gone: nothing to move. An old file still in place goes out.
        if (anyIn || Exists(move.To) || !Exists(move.From)) {
            if (Exists(move.To))
                undo.append(move);
            continue;
        }
        if (!ops.Move(move.From, move.To)) {
            // Gone meanwhile: on a medium that folds letter case, under another name of the
            // same file that went out before it.
            if (errno == ENOENT)
                continue;
            return rollBack();
        }
        undo.append(move);
    }
    for (const TransferMove &move : plan.In) {
        if (moved(move)) {
            undo.append(move);
            continue;
        }
        // The move never takes a name that is still taken (two copies that fold to one name on
        // such a medium): neither may silently replace the other.
        if (!ops.Move(move.From, move.To))
            return rollBack();
        undo.append(move);
    }
    return PlanResult::Done;
}

bool CleanUp(TransferFileOps &ops, const TransferPlan &plan)
{
    bool clean = true;
    for (const QByteArray &extra : plan.Extra) {
        if (Exists(extra))
            clean = ops.Remove(extra) && clean;
    }
    return RemoveTree(ops, plan.Staging) && clean;
}

QStringList RecoverTransfers(TransferFileOps &ops, const TransferJournal &journal)
{
    QStringList messages;
    for (const QString &id : journal.Pending()) {
        const std::optional<TransferPlan> plan = journal.Load(id);
        if (!plan) {
            messages.append(u"Die Aufzeichnung \"%1\" einer unterbrochenen Datensicherung ist unlesbar und wurde "
                            u"nicht ausgeführt. Bitte prüfen Sie das Datenverzeichnis und die Datensicherung."_s
                                .arg(QDir::toNativeSeparators(journal.Folder() + id)));
            continue;
        }
        const bool backup = plan->Kind == TransferKind::Backup;
        const QString what = backup ? u"Eine unterbrochene Datensicherung nach \"%1\""_s.arg(ShownPath(plan->Target))
                                    : u"Eine unterbrochene Wiederherstellung der Daten in \"%1\""_s.arg(
                                          ShownPath(plan->Target));
        if (!Exists(plan->Target)) {
            // Deleted since: nothing of the transfer is left anywhere to finish.
            if (Exists(FolderOf(plan->Target))) {
                journal.Remove(id);
                continue;
            }
            // The medium is not there: finishing or undoing has to wait for it.
            messages.append(what + u" kann erst abgeschlossen werden, wenn der Ordner wieder erreichbar ist (zum "
                                   u"Beispiel der USB-Stick angeschlossen). Die Dateien liegen im Ordner \"%1\"; beim "
                                   u"nächsten Start wird es erneut versucht."_s.arg(ShownPath(plan->Staging)));
            continue;
        }
        PlanResult result = PlanResult::Undone;
        if (plan->Committed)
            result = CarryOut(ops, *plan);
        if (result == PlanResult::Stuck || !CleanUp(ops, *plan)) {
            messages.append(what + u" konnte weder abgeschlossen noch rückgängig gemacht werden. Die Dateien liegen im "
                                   u"Ordner \"%1\"; beim nächsten Start wird es erneut versucht."_s.arg(
                                       ShownPath(plan->Staging)));
            continue;
        }
        ops.SyncFolder(plan->Target);
        for (const QByteArray &extra : plan->Extra)
            ops.SyncFolder(FolderOf(extra));
        journal.Remove(id);
        if (result == PlanResult::Done) {
            messages.append(what + (backup ? u" wurde abgeschlossen. Die Sicherung enthält jetzt die neuen Daten."_s
                                           : u" wurde abgeschlossen. Das Datenverzeichnis enthält jetzt die "
                                             u"wiederhergestellten Daten."_s));
        } else {
            messages.append(what + (backup ? u" wurde rückgängig gemacht. Die bisherige Sicherung ist unverändert."_s
                                           : u" wurde rückgängig gemacht. Die Daten sind unverändert."_s));
        }
    }
    return messages;
}
