#include "transfer/TransferJournal.h"

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

QByteArray KindWord(TransferKind kind)
{
    switch (kind) {
    case TransferKind::Backup:
        return "sicherung";
    case TransferKind::Restore:
        return "wiederherstellung";
    case TransferKind::Undo:
        return "rueckgaengig";
    case TransferKind::Redo:
        return "wiederholen";
    }
    return {};
}

std::optional<TransferKind> KindOf(const QByteArray &word)
{
    for (const TransferKind kind : {TransferKind::Backup, TransferKind::Restore, TransferKind::Undo, TransferKind::Redo}) {
        if (KindWord(kind) == word)
            return kind;
    }
    return std::nullopt;
}

// "12,13,15": positive numbers only.
bool ReadRows(const QByteArray &text, QList<qint64> &rows)
{
    for (const QByteArray &word : text.split(',')) {
        bool ok = false;
        const qint64 row = word.toLongLong(&ok);
        if (!ok || row <= 0)
            return false;
        rows.append(row);
    }
    return true;
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
    text += "art " + KindWord(plan.Kind) + '\n';
    text += "ziel " + Field(plan.Target) + '\n';
    text += "staging " + Field(plan.Staging) + '\n';
    text += "phase " + QByteArray(plan.Committed ? "tauschen" : "kopieren") + '\n';
    for (const TransferMove &move : plan.Out)
        text += "raus " + Field(move.From) + ' ' + Field(move.To) + '\n';
    for (const TransferMove &move : plan.In)
        text += "rein " + Field(move.From) + ' ' + Field(move.To) + '\n';
    for (const QByteArray &extra : plan.Extra)
        text += "extra " + Field(extra) + '\n';
    if (!plan.Forget.isEmpty()) {
        QByteArrayList rows;
        for (const qint64 row : plan.Forget)
            rows.append(QByteArray::number(row));
        text += "vergessen " + Field(plan.Store) + ' ' + rows.join(',') + '\n';
    }
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
        else if (key == "art" && words.size() == 2 && KindOf(words.at(1)))
            plan.Kind = *KindOf(words.at(1));
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
        else if (key == "vergessen" && words.size() == 3 && plan.Forget.isEmpty() && ReadRows(words.at(2), plan.Forget))
            plan.Store = value(1);
        else
            return std::nullopt;
    }
    // A staging folder outside the target would let a damaged journal remove anything. A step
    // of the history stages each file beside its place and has none.
    const bool step = plan.Kind == TransferKind::Undo || plan.Kind == TransferKind::Redo;
    const bool staging = step ? plan.Staging.isEmpty() : plan.Staging.startsWith(QByteArray(plan.Target + '/'));
    if (!complete || !phase || plan.Target.isEmpty() || !staging)
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
    return (plan.Staging.isEmpty() || RemoveTree(ops, plan.Staging)) && clean;
}

namespace {

// "Eine unterbrochene Datensicherung nach …" and what became of it.
struct RecoveryTexts
{
    QString What;
    QString Done;
    QString Undone;
};

RecoveryTexts TextsFor(const TransferPlan &plan)
{
    switch (plan.Kind) {
    case TransferKind::Backup:
        return {u"Eine unterbrochene Datensicherung nach \"%1\""_s.arg(ShownPath(plan.Target)),
                u" wurde abgeschlossen. Die Sicherung enthält jetzt die neuen Daten."_s,
                u" wurde rückgängig gemacht. Die bisherige Sicherung ist unverändert."_s};
    case TransferKind::Restore:
        return {u"Eine unterbrochene Wiederherstellung der Daten in \"%1\""_s.arg(ShownPath(plan.Target)),
                u" wurde abgeschlossen. Das Datenverzeichnis enthält jetzt die wiederhergestellten Daten."_s,
                u" wurde rückgängig gemacht. Die Daten sind unverändert."_s};
    case TransferKind::Undo:
    case TransferKind::Redo:
        break;
    }
    return {plan.Kind == TransferKind::Undo ? u"Ein unterbrochenes Rückgängigmachen"_s
                                            : u"Ein unterbrochenes Wiederherstellen einer rückgängig gemachten Änderung"_s,
            u" wurde abgeschlossen."_s, u" wurde verworfen. Die Daten sind unverändert."_s};
}

} // namespace

QStringList RecoverTransfers(TransferFileOps &ops, const TransferJournal &journal, const PlanFinisher &finished)
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
        const RecoveryTexts texts = TextsFor(*plan);
        if (!Exists(plan->Target)) {
            // Deleted since: nothing of the transfer is left anywhere to finish.
            if (Exists(FolderOf(plan->Target))) {
                journal.Remove(id);
                continue;
            }
            // The medium is not there: finishing or undoing has to wait for it.
            messages.append(texts.What + u" kann erst abgeschlossen werden, wenn der Ordner wieder erreichbar ist (zum "
                                         u"Beispiel der USB-Stick angeschlossen). Die Dateien liegen im Ordner \"%1\"; "
                                         u"beim nächsten Start wird es erneut versucht."_s.arg(ShownPath(plan->Staging)));
            continue;
        }
        PlanResult result = PlanResult::Undone;
        if (plan->Committed)
            result = CarryOut(ops, *plan);
        if (result == PlanResult::Stuck || !CleanUp(ops, *plan)) {
            const QString waiting = plan->Staging.isEmpty()
                                        ? u" Die Dateien liegen verborgen neben den Büchern"_s
                                        : u" Die Dateien liegen im Ordner \"%1\""_s.arg(ShownPath(plan->Staging));
            messages.append(texts.What + u" konnte weder abgeschlossen noch rückgängig gemacht werden."_s + waiting
                            + u"; beim nächsten Start wird es erneut versucht."_s);
            continue;
        }
        ops.SyncFolder(plan->Target);
        for (const QByteArray &extra : plan->Extra)
            ops.SyncFolder(FolderOf(extra));
        if (result == PlanResult::Done && finished)
            finished(*plan);
        journal.Remove(id);
        messages.append(texts.What + (result == PlanResult::Done ? texts.Done : texts.Undone));
    }
    return messages;
}
