#include "import/ImportStoreUpkeep.h"

#include "transfer/AutoBackup.h"
#include "transfer/FolderTransfer.h"
#include "transfer/TransferJournal.h"
#include "import/ImportStore.h"
#include "ledger/BookingList.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char NoteHeader[] = "Haushaltsbuch-Abgleich 1";

QString Shown(const QString &path)
{
    return u'„' + QDir::toNativeSeparators(path) + u'“';
}

QString HeldKey(const StoredBooking &b)
{
    return QStringList{b.Book, b.Credit ? u"E"_s : u"A"_s, b.DateText, b.Amount, b.Category, b.Purpose}.join(
        QChar(0x1F));
}

// A free name beside the store for its damaged file: "Kontoimport.sqlite.defekt", then "….defekt-2".
QString AsideName(const QString &store)
{
    QString aside = store + u".defekt"_s;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + u"-journal"_s); ++n)
        aside = store + u".defekt-%1"_s.arg(n);
    return aside;
}

} // namespace

ImportStoreUpkeep::ImportStoreUpkeep(LedgerPaths paths)
    : Paths_(std::move(paths))
{
}

QString ImportStoreUpkeep::NoteFile() const
{
    return Paths_.ProgramDataFolder + u"Kontoimport.abgleich"_s;
}

std::optional<ImportStoreUpkeep::Note> ImportStoreUpkeep::LoadNote() const
{
    QFile file(NoteFile());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = file.read(64 * 1024).split('\n');
    if (lines.size() < 3 || lines.at(0) != NoteHeader || !lines.at(1).startsWith("daten "))
        return std::nullopt;
    Note note;
    note.DataFolder = QFile::decodeName(QByteArray::fromPercentEncoding(lines.at(1).mid(6)));
    if (lines.at(2).startsWith("vorher "))
        note.Before = lines.at(2).mid(7);
    else if (lines.at(2) != "wiederhergestellt")
        return std::nullopt;
    return note;
}

void ImportStoreUpkeep::SaveNote(const Note &note) const
{
    QByteArray text = QByteArray(NoteHeader) + '\n';
    text += "daten " + QFile::encodeName(note.DataFolder).toPercentEncoding() + '\n';
    text += note.Before ? "vorher " + *note.Before + '\n' : QByteArray("wiederhergestellt\n");
    ListFiles::WriteFile(NoteFile(), text);
}

void ImportStoreUpkeep::RemoveNote() const
{
    if (QFile::remove(NoteFile()))
        ListFiles::SyncFolder(QFile::encodeName(Paths_.ProgramDataFolder));
}

QByteArray ImportStoreUpkeep::BooksState() const
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const std::optional<LedgerFiles> files = ListLedgerFiles(Paths_.DataFolder, LinkRule::Follow);
    if (!files)
        return {};
    const QByteArray folder = NativePath(Paths_.DataFolder);
    for (const QByteArray &name : files->Books) {
        struct stat st;
        if (::stat(InFolder(folder, name).constData(), &st) != 0)
            continue;
        hash.addData(QByteArray(name + '\0'));
        for (const qint64 n : {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size), qint64(st.st_mtim.tv_sec),
                               qint64(st.st_mtim.tv_nsec)})
            hash.addData(QByteArray(QByteArray::number(n) + ' '));
    }
    return hash.result().toHex();
}

void ImportStoreUpkeep::NoteRestore() const
{
    try {
        SaveNote({Paths_.DataFolder, BooksState()});
    } catch (const QelError &error) {
        throw QelError(error.Message()
                       + u"\n\nOhne diese Notiz für den Kontoimport wird nicht wiederhergestellt: nach der "
                         u"Wiederherstellung würden sonst Buchungen als schon importiert gelten, die in den Büchern "
                         u"fehlen."_s);
    }
}

std::optional<bool> ImportStoreUpkeep::Restored(const Note &note) const
{
    if (!note.Before)
        return true;
    // A transfer still under way (to be finished or undone at the next start) cannot be judged.
    if (!TransferJournal(Paths_.TransferJournalFolder()).Pending().isEmpty())
        return std::nullopt;
    return BooksState() != *note.Before;
}

bool ImportStoreUpkeep::RestoreUndecided() const
{
    const std::optional<Note> note = LoadNote();
    return note && note->Before && note->DataFolder == Paths_.DataFolder;
}

std::optional<QString> ImportStoreUpkeep::SettleRestore() const
{
    try {
        const std::optional<Note> note = LoadNote();
        if (!note || note->DataFolder != Paths_.DataFolder)
            return std::nullopt;
        const std::optional<bool> restored = Restored(*note);
        if (!restored)
            return std::nullopt;
        if (!*restored) {
            RemoveNote();
            return std::nullopt;
        }
        if (note->Before)
            SaveNote({note->DataFolder, std::nullopt});
        // A damaged store is taken back before the next import, and brought in line then.
        if (ImportStore::Inspect(Paths_.ImportStoreFile()) == StoreState::Damaged)
            return std::nullopt;
        std::optional<QString> message = BringInLine();
        RemoveNote();
        return message;
    } catch (const QelError &) {
        // The note stays; the next import tries again, and refuses while it fails.
        return std::nullopt;
    }
}

std::optional<QString> ImportStoreUpkeep::BringInLine() const
{
    if (!QFileInfo::exists(Paths_.ImportStoreFile()))
        return std::nullopt;
    ImportStore store(Paths_.ImportStoreFile());
    const QSet<qint64> missing = RowsMissingFromBooks(store);
    store.Forget(missing);
    if (missing.isEmpty())
        return std::nullopt;
    return RestoredMissingMessage(missing.size());
}

QString ImportStoreUpkeep::RestoredMissingMessage(qsizetype missing)
{
    return missing == 1 ? u"Den wiederhergestellten Büchern fehlt eine importierte Buchung; ein erneuter Import des "
                          u"Kontoauszugs bucht sie wieder."_s
                        : u"Den wiederhergestellten Büchern fehlen %1 importierte Buchungen; ein erneuter Import des "
                          u"Kontoauszugs bucht sie wieder."_s.arg(missing);
}

QSet<qint64> ImportStoreUpkeep::RowsMissingFromBooks(ImportStore &store) const
{
    QSet<qint64> missing;
    QHash<QString, int> held;         // per book, kind, date, amount, category, purpose
    QSet<QString> readBooks;
    QSet<QString> unreadable;
    for (const auto &[id, booking] : store.ImportedBookingsWithIds()) {
        if (!readBooks.contains(booking.Book)) {
            readBooks.insert(booking.Book);
            const QString path = Paths_.BookFile(booking.Book);
            if (QFileInfo(path).isFile()) {
                try {
                    BookingList income(ListKind::Income);
                    BookingList expend(ListKind::Expend);
                    ListFiles::ParseMonthBook(ListFiles::ReadFile(path), income, expend);
                    for (const BookingList *list : {&income, &expend}) {
                        for (const ListRow &row : list->Rows()) {
                            StoredBooking b;
                            b.Book = booking.Book;
                            b.Credit = list == &income;
                            b.DateText = row.Caption;
                            b.Amount = row.SubItem(0);
                            b.Category = row.SubItem(1);
                            b.Purpose = row.SubItem(2);
                            ++held[HeldKey(b)];
                        }
                    }
                } catch (const QelError &) {
                    unreadable.insert(booking.Book);
                }
            }
        }
        if (unreadable.contains(booking.Book))
            continue;
        int &left = held[HeldKey(booking)];
        if (left > 0)
            --left;
        else
            missing.insert(id);
    }
    return missing;
}

QSet<qint64> ImportStoreUpkeep::PendingForgets(ImportStore &store) const
{
    const std::optional<Note> note = LoadNote();
    if (!note || note->DataFolder != Paths_.DataFolder || !Restored(*note).value_or(true))
        return {};
    return RowsMissingFromBooks(store);
}

QStringList ImportStoreUpkeep::Prepare() const
{
    QStringList messages;
    if (const std::optional<QString> rescued = RescueDamagedStore())
        messages.append(*rescued);
    const std::optional<Note> note = LoadNote();
    if (!note || note->DataFolder != Paths_.DataFolder)
        return messages;
    const std::optional<bool> restored = Restored(*note);
    if (!restored) {
        throw QelError(u"Eine unterbrochene Datensicherung oder Wiederherstellung ist noch nicht abgeschlossen. "
                       u"Bitte starten Sie das Programm neu; bis dahin wird nichts importiert."_s);
    }
    if (*restored) {
        if (const std::optional<QString> message = BringInLine())
            messages.append(*message);
    }
    RemoveNote();
    return messages;
}

std::optional<QString> ImportStoreUpkeep::RescueDamagedStore() const
{
    const QString store = Paths_.ImportStoreFile();
    QString reason;
    if (ImportStore::Inspect(store, &reason) != StoreState::Damaged)
        return std::nullopt;
    // Said in brackets: "(sie ist leer)".
    if (reason.endsWith(u'.'))
        reason.chop(1);
    if (!reason.isEmpty())
        reason[0] = reason[0].toLower();

    for (const AutoBackupEntry &entry : AutoBackups(Paths_.AutoBackupFolder()).List()) {
        const QString kept = entry.Folder + QFileInfo(store).fileName();
        if (!QFileInfo(kept).isFile())
            continue;
        // Checked as a copy of its own: the backup's file is shared with other copies (hard
        // links) and must not be touched, and no journal of the damaged store may meet it.
        QTemporaryFile copy(Paths_.ProgramDataFolder + u"."_s + QFileInfo(store).fileName() + u".XXXXXX.tmp"_s);
        if (!copy.open())
            continue;
        try {
            const QByteArray bytes = ListFiles::ReadFile(kept);
            if (copy.write(bytes) != bytes.size() || !copy.flush() || ::fsync(copy.handle()) != 0)
                continue;
            copy.close();
            if (ImportStore::Inspect(copy.fileName()) != StoreState::Sound)
                continue;
            // The damaged file stays, with its journal; the copy replaces it in one step, so that a
            // kill leaves either the damaged store or the copy, never no store at all.
            const QString aside = AsideName(store);
            ListFiles::WriteFile(aside, ListFiles::ReadFile(store));
            for (const QString &suffix : {u"-journal"_s, u"-wal"_s, u"-shm"_s}) {
                if (QFileInfo::exists(store + suffix) && !QFile::rename(store + suffix, aside + suffix))
                    throw QelError(u"Die Datei %1 kann nicht beiseitegelegt werden."_s.arg(Shown(store + suffix)));
            }
            if (::rename(QFile::encodeName(copy.fileName()).constData(), QFile::encodeName(store).constData()) != 0)
                throw QelError(u"Die Datei %1 kann nicht ersetzt werden. %2"_s.arg(Shown(store),
                                                                                  ListFiles::SystemReason(errno)));
            ListFiles::SyncFolder(QFile::encodeName(Paths_.ProgramDataFolder));
            return u"Die Datei %1 mit den Daten des Kontoimports war nicht zu gebrauchen (%2) und ist jetzt als %3 "
                   u"beiseitegelegt. Regeln, Spaltenzuordnungen und die Liste der importierten Buchungen stammen nun "
                   u"aus der automatischen Sicherung vom %4. Was seitdem importiert wurde, erkennt der nächste Import "
                   u"an den Buchungen in den Büchern („vorhanden“)."_s.arg(Shown(store), reason, Shown(aside),
                                                                         entry.When.toString(u"dd.MM.yyyy, HH:mm:ss"_s));
        } catch (const QelError &error) {
            throw QelError(u"Die Datei %1 mit den Daten des Kontoimports ist nicht zu gebrauchen (%2), und sie konnte "
                           u"nicht aus der automatischen Sicherung zurückgeholt werden: %3"_s.arg(Shown(store), reason,
                                                                                                  error.Message()));
        }
    }
    throw QelError(u"Die Datei %1 mit den Daten des Kontoimports ist nicht zu gebrauchen (%2), und keine "
                   u"automatische Sicherung enthält eine lesbare Fassung. Bis sie ersetzt ist, wird nichts "
                   u"importiert: so bleiben Ihre Regeln und die Liste der importierten Buchungen erhalten, falls sich "
                   u"die Datei noch retten lässt. Wenn Sie ohne sie neu beginnen wollen, benennen Sie die Datei um "
                   u"oder löschen Sie sie; der nächste Import legt sie dann neu an."_s.arg(Shown(store), reason));
}
