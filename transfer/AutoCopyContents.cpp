#include "transfer/AutoCopyContents.h"

#include "transfer/FolderTransfer.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

QStringList BookNames(const QString &folder, LinkRule links)
{
    QStringList names;
    if (const std::optional<LedgerFiles> files = ListLedgerFiles(folder, links)) {
        for (const QByteArray &file : files->Books)
            names.append(DisplayName(file).chopped(4));
    }
    names.sort();
    return names;
}

// Files that cannot be read count as different: the user should look before restoring.
bool SameBytes(const QString &a, const QString &b)
{
    const QFileInfo infoA(a);
    const QFileInfo infoB(b);
    if (infoA.exists() != infoB.exists())
        return false;
    if (!infoA.exists())
        return true;
    if (infoA.size() != infoB.size())
        return false;
    QFile fileA(a);
    QFile fileB(b);
    if (!fileA.open(QIODevice::ReadOnly) || !fileB.open(QIODevice::ReadOnly))
        return false;
    return fileA.readAll() == fileB.readAll();
}

} // namespace

bool AutoCopyContents::SameAsData() const
{
    return Differing.isEmpty() && OnlyInCopy.isEmpty() && OnlyInData.isEmpty() && !RegularDiffers;
}

QString AutoCopyContents::Text() const
{
    QStringList books;
    for (const QString &name : Books) {
        if (Differing.contains(name))
            books.append(name + u" (anders als jetzt)"_s);
        else if (OnlyInCopy.contains(name))
            books.append(name + u" (jetzt nicht mehr da)"_s);
        else
            books.append(name);
    }
    QString text = BookCountText(Books.size());
    if (!books.isEmpty())
        text += u": "_s + books.join(u", "_s);
    if (!OnlyInData.isEmpty())
        text += u"; nicht darin: "_s + OnlyInData.join(u", "_s);
    if (RegularDiffers)
        text += u"; regelmäßige Buchungen anders als jetzt"_s;
    if (SameAsData())
        text += u" – wie die Daten jetzt"_s;
    return text;
}

AutoCopyContents CompareAutoCopy(const QString &copyFolder, const QString &dataFolder)
{
    AutoCopyContents contents;
    contents.Books = BookNames(copyFolder, LinkRule::Skip);
    const QStringList now = BookNames(dataFolder, LinkRule::Follow);
    for (const QString &name : std::as_const(contents.Books)) {
        if (!now.contains(name))
            contents.OnlyInCopy.append(name);
        else if (!SameBytes(copyFolder + name + u".qel"_s, dataFolder + name + u".qel"_s))
            contents.Differing.append(name);
    }
    for (const QString &name : now) {
        if (!contents.Books.contains(name))
            contents.OnlyInData.append(name);
    }
    contents.RegularDiffers = !SameBytes(copyFolder + RegularFileName(), dataFolder + RegularFileName());
    return contents;
}

bool IsDayName(const QString &name)
{
    return name.trimmed().size() == 10;
}

QList<AutoBackupEntry> AutoCopiesOfDay(const QList<AutoBackupEntry> &copies, const QString &day)
{
    QList<AutoBackupEntry> ofDay;
    const QString prefix = day.trimmed() + u' ';
    for (const AutoBackupEntry &entry : copies) {
        if (entry.Name.startsWith(prefix))
            ofDay.append(entry);
    }
    return ofDay;
}

QString BookCountText(qsizetype count)
{
    return count == 1 ? u"1 Haushaltsbuch"_s : u"%1 Haushaltsbücher"_s.arg(count);
}

QString RestoreUndoesChangesMessage(const QString &copyName)
{
    return u"Änderungen, die seit der Sicherung \"%1\" gemacht wurden, sind damit rückgängig gemacht. Die "
           u"automatische Sicherung, die vor dem Wiederherstellen angelegt wurde, enthält sie noch."_s.arg(copyName);
}
