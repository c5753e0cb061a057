#include "changes/LogFolder.h"

#include "changes/ChangeLog.h"
#include "changes/EntryCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype TailBytes = 64;

struct Stat
{
    bool Exists = false;
    qint64 Size = 0;
    qint64 ModifiedNs = 0;
};

Stat StatOf(const QString &path)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {true, qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

} // namespace

LogFolder::LogFolder(QString dataFolder)
    : Folder_(ChangeLog::FolderOf(dataFolder))
{
}

QStringList LogFolder::LogNames() const
{
    QStringList names;
    const QStringList all = QDir(Folder_).entryList({u"*.log"_s}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : all) {
        if (EntryCodec::IsComputerId(name.chopped(4).toLatin1()) && name.chopped(4).toLatin1() == name.chopped(4).toUtf8())
            names.append(name);
    }
    return names;
}

bool LogFolder::Changed() const
{
    const QStringList names = LogNames();
    if (names.size() != Sources_.size())
        return true;
    for (const QString &name : names) {
        const auto source = Sources_.constFind(name);
        const Stat now = StatOf(Folder_ + name);
        if (source == Sources_.cend() || now.Size != source->Size || now.ModifiedNs != source->ModifiedNs)
            return true;
    }
    return false;
}

LogFolder::Update LogFolder::ReadNew(const Sizes *upTo)
{
    Update update;
    const QStringList names = LogNames();
    for (auto it = Sources_.begin(); it != Sources_.end();) {
        if (!names.contains(it.key())) {
            update.Rewritten = true;
            it = Sources_.erase(it);
        } else {
            ++it;
        }
    }
    for (const QString &name : names) {
        const QString path = Folder_ + name;
        Stat now = StatOf(path);
        if (upTo) {
            const auto limit = upTo->constFind(name);
            if (limit == upTo->cend())
                continue;
            // The rest looks new to the next call, whatever the time.
            if (now.Size > *limit) {
                now.Size = *limit;
                now.ModifiedNs = 0;
            }
        }
        Source &source = Sources_[name];
        if (!now.Exists || (now.Size == source.Size && now.ModifiedNs == source.ModifiedNs && source.Offset > 0))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            update.Problems.append(u"Das Änderungsprotokoll \"%1\" kann nicht gelesen werden. %2"_s.arg(
                QDir::toNativeSeparators(path), file.errorString()));
            continue;
        }
        // What was read before must still be there, byte for byte, or the log is read anew.
        bool fromStart = source.Offset == 0 || now.Size < source.Offset;
        if (!fromStart) {
            const qint64 tailStart = source.Offset - source.Tail.size();
            fromStart = !file.seek(tailStart) || file.read(source.Tail.size()) != source.Tail;
        }
        if (fromStart && source.Offset > 0)
            update.Rewritten = true;
        const qint64 start = fromStart ? 0 : source.Offset;
        if (now.Size - start > EntryCodec::MaxLogBytes) {
            update.Problems.append(u"Das Änderungsprotokoll \"%1\" ist größer als %2 MB und wird nicht gelesen."_s.arg(
                QDir::toNativeSeparators(path)).arg(EntryCodec::MaxLogBytes / 1024 / 1024));
            continue;
        }
        file.seek(start);
        const QByteArray bytes = file.read(now.Size - start);
        const EntryCodec::Read read = fromStart ? EntryCodec::Decode(bytes)
                                                : EntryCodec::Decode(bytes, false, source.LastSeq + 1);
        if (fromStart) {
            if (read.Computer.isEmpty() || read.Computer + ".log" != name.toLatin1()) {
                update.Problems.append(u"Die Datei \"%1\" ist kein Änderungsprotokoll dieses Namens. %2"_s.arg(
                    QDir::toNativeSeparators(path), read.Problem));
                Sources_.remove(name);
                continue;
            }
            source = Source();
            source.Computer = read.Computer;
            source.Host = read.Host;
        }
        for (ChangeEntry entry : read.Entries) {
            entry.Computer = source.Computer;
            update.Entries.append(std::move(entry));
        }
        if (!read.Entries.isEmpty())
            source.LastSeq = read.Entries.back().Seq;
        const qint64 end = start + read.GoodEnd;
        source.Tail = bytes.mid(std::max<qint64>(0, read.GoodEnd - TailBytes), std::min<qint64>(read.GoodEnd, TailBytes));
        if (!fromStart && read.GoodEnd < TailBytes) {
            // Too little was new to make the tail alone: it is what ends at the new offset.
            file.seek(std::max<qint64>(0, end - TailBytes));
            source.Tail = file.read(std::min<qint64>(end, TailBytes));
        }
        source.Offset = end;
        source.Size = now.Size;
        source.ModifiedNs = now.ModifiedNs;
        source.Problem = read.Problem;
        if (!read.Problem.isEmpty()) {
            update.Problems.append(u"Das Änderungsprotokoll \"%1\" ist beschädigt; was davor steht, gilt. %2"_s.arg(
                QDir::toNativeSeparators(path), read.Problem));
        }
    }
    return update;
}

QHash<QByteArray, QString> LogFolder::Hosts() const
{
    QHash<QByteArray, QString> hosts;
    for (const Source &source : Sources_)
        hosts.insert(source.Computer, source.Host);
    return hosts;
}

QStringList LogFolder::Files() const
{
    QStringList files;
    for (const QString &name : LogNames())
        files.append(ChangeLog::FolderName() + u'/' + name);
    return files;
}
