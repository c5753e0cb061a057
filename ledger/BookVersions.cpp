#include "ledger/BookVersions.h"

#include "ledger/LedgerPaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

namespace {

const QString HistoryName = u"Verlauf"_s;
// A list of a few hundred lines; anything far larger is not one of ours.
constexpr qint64 MaxHistoryBytes = 1024 * 1024;

QByteArray HashOf(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

bool IsHash(QByteArrayView text)
{
    return text.size() == 64
           && std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// Whole or not at all, but without waiting for the disk: a version is a help, not data.
bool WriteQuickly(const QString &path, QByteArrayView bytes)
{
    QTemporaryFile file(path + u".XXXXXX"_s);
    if (!file.open() || file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush())
        return false;
    file.close();
    QFile::remove(path);
    if (!file.rename(path))
        return false;
    file.setAutoRemove(false);
    return true;
}

} // namespace

BookVersions::BookVersions(QString folder)
    : Folder_(LedgerPaths::WithSlash(std::move(folder)))
{
}

QString BookVersions::FileFolder(const QString &fileName) const
{
    return Folder_ + QString::fromLatin1(fileName.toUtf8().toPercentEncoding(" ")) + u'/';
}

QList<BookVersions::Seen> BookVersions::History(const QString &fileName) const
{
    QFile file(FileFolder(fileName) + HistoryName);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxHistoryBytes)
        return {};
    QList<Seen> history;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 3 || !IsHash(fields.at(1)))
            continue;
        const QDateTime when = QDateTime::fromString(QString::fromLatin1(fields.at(0)), Qt::ISODate);
        if (when.isValid())
            history.append({when, fields.at(1), fields.at(2) == "geschrieben" ? How::Written : How::Read});
    }
    return history;
}

void BookVersions::SaveHistory(const QString &fileName, const QList<Seen> &history) const
{
    QByteArray text;
    for (const Seen &seen : history)
        text += seen.When.toUTC().toString(Qt::ISODate).toLatin1() + ' ' + seen.Hash + ' '
                + (seen.Way == How::Written ? "geschrieben" : "gelesen") + '\n';
    WriteQuickly(FileFolder(fileName) + HistoryName, text);
}

void BookVersions::Record(const QString &fileName, QByteArrayView bytes, How how, const QDateTime &when)
{
    QList<Seen> history = History(fileName);
    const QByteArray hash = HashOf(bytes);
    if (!history.isEmpty() && history.last().Hash == hash && (how == How::Read || history.last().Way == How::Written))
        return;
    const QString folder = FileFolder(fileName);
    if (!QDir().mkpath(folder))
        return;
    if (!QFile::exists(folder + QString::fromLatin1(hash)) && !WriteQuickly(folder + QString::fromLatin1(hash), bytes))
        return;
    history.removeIf([&hash](const Seen &seen) { return seen.Hash == hash; });
    history.append({when, hash, how});
    SaveHistory(fileName, history);
}

QByteArray BookVersions::Load(const QString &fileName, const QByteArray &hash) const
{
    QFile file(FileFolder(fileName) + QString::fromLatin1(hash));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    // A version damaged since is no version.
    return HashOf(bytes) == hash ? bytes : QByteArray();
}

VersionHistory BookVersions::Lazily(const QString &fileName) const
{
    QList<QByteArray> hashes;
    for (const Seen &seen : History(fileName))
        hashes.append(seen.Hash);
    return {hashes.size(), [this, fileName, hashes](qsizetype i) { return Load(fileName, hashes.at(i)); }};
}

std::optional<QByteArray> BookVersions::LastWritten(const QString &fileName) const
{
    const QList<Seen> history = History(fileName);
    for (auto it = history.crbegin(); it != history.crend(); ++it) {
        if (it->Way == How::Written) {
            if (QByteArray bytes = Load(fileName, it->Hash); !bytes.isNull())
                return bytes;
        }
    }
    return std::nullopt;
}

void BookVersions::Prune(const QDateTime &now)
{
    const QDateTime oldest = now.addDays(-KeptDays);
    const QStringList folders = QDir(Folder_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &encoded : folders) {
        const QString fileName = QString::fromUtf8(QByteArray::fromPercentEncoding(encoded.toLatin1()));
        QList<Seen> history = History(fileName);
        const qsizetype before = history.size();
        for (qsizetype i = 0; i + 1 < history.size();) {
            if (history.at(i).When < oldest)
                history.removeAt(i);
            else
                ++i;
        }
        if (history.size() != before)
            SaveHistory(fileName, history);
        QSet<QString> kept;
        for (const Seen &seen : std::as_const(history))
            kept.insert(QString::fromLatin1(seen.Hash));
        QDir dir(Folder_ + encoded);
        for (const QString &name : dir.entryList(QDir::Files)) {
            if (name != HistoryName && !kept.contains(name) && IsHash(name.toLatin1()))
                dir.remove(name);
        }
    }
}
