// Recognises a statement by its content and hands it to its reader.

#include "statements/Statement.h"

#include "statements/CamtReader.h"
#include "statements/CsvReader.h"
#include "statements/Mt940Reader.h"
#include "statements/StatementArchive.h"
#include "statements/StatementText.h"
#include "ledger/ListFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using StatementText::Fail;

namespace {

bool IsBlankText(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    for (const char ch : bytes) {
        if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n' && ch != '\f' && ch != 0x1A)
            return false;
    }
    return true;
}

// A reference that several rows of one statement share names no single booking (some
// banks fill in a placeholder); it must not make different rows look like one.
void DropSharedReferences(Statement &statement)
{
    QHash<QString, int> uses;
    for (const StatementRow &row : std::as_const(statement.Rows)) {
        if (!row.Reference.isEmpty())
            ++uses[row.Reference];
    }
    for (StatementRow &row : statement.Rows) {
        if (uses.value(row.Reference) > 1)
            row.Reference.clear();
    }
}

QString TooLargeText()
{
    return QStringLiteral("Die Datei ist größer als %1 MB und wird nicht als Kontoauszug gelesen.")
        .arg(StatementText::MaxFileBytes / (1024 * 1024));
}

} // namespace

StatementReadResult ReadStatement(QByteArrayView bytes, const QString &fileName, const CsvChoiceLookup &choices)
{
    if (bytes.size() > StatementText::MaxFileBytes)
        Fail(fileName, 0, TooLargeText());
    if (IsBlankText(bytes))
        Fail(fileName, 0, QStringLiteral("Die Datei ist leer."));

    StatementReadResult result;
    if (LooksLikeXml(bytes)) {
        result = ReadCamt(bytes, fileName);
    } else {
        if (StatementText::LooksBinary(bytes))
            Fail(fileName, 0, QStringLiteral("Die Datei ist keine Textdatei und damit kein Kontoauszug."));
        const QString text = StatementText::Decode(bytes);
        if (QStringView(text).trimmed().startsWith(u'<')) // XML in UTF-16
            result = ReadCamt(bytes, fileName);
        else if (LooksLikeMt940(text))
            result = ReadMt940(text, fileName);
        else
            result = ReadCsv(text, fileName, choices);
    }
    if (Statement *statement = std::get_if<Statement>(&result))
        DropSharedReferences(*statement);
    return result;
}

namespace {

QByteArray ReadStatementBytes(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!info.exists())
        Fail(name, 0, QStringLiteral("Die Datei gibt es nicht."));
    if (info.isDir())
        Fail(name, 0, QStringLiteral("Das ist ein Ordner, keine Datei."));
    // Opened without waiting: a named pipe would otherwise wait for a writer for ever. Only
    // a plain file is read (a pipe, a device or a socket has no end to read to).
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        Fail(name, 0, QStringLiteral("Die Datei kann nicht gelesen werden (%1).").arg(ListFiles::SystemReason(errno)));
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        Fail(name, 0, QStringLiteral("Die Datei kann nicht gelesen werden (%1).").arg(file.errorString()));
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        Fail(name, 0, QStringLiteral("Das ist keine gewöhnliche Datei (etwa eine Pipe oder ein Gerät)."));
    if (st.st_size > StatementText::MaxFileBytes)
        Fail(name, 0, TooLargeText());
    // Read one byte more than allowed, so that a file that grew since is refused too.
    const QByteArray bytes = file.read(StatementText::MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        Fail(name, 0, QStringLiteral("Die Datei kann nicht gelesen werden (%1).").arg(file.errorString()));
    return bytes;
}

} // namespace

StatementReadResult ReadStatementFile(const QString &path, const CsvChoiceLookup &choices)
{
    const QByteArray bytes = ReadStatementBytes(path);
    const QString name = QFileInfo(path).fileName();
    if (!LooksLikeZip(bytes))
        return ReadStatement(bytes, name, choices);
    QList<StatementFile> files = ReadStatementArchive(bytes, name, choices);
    if (files.size() > 1)
        Fail(name, 0, QStringLiteral("Das ZIP-Archiv enthält %1 Kontoauszüge; hier kann nur einer gelesen werden.")
                          .arg(files.size()));
    return std::move(files.front().Result);
}

QList<StatementFile> ReadStatementFiles(const QString &path, const CsvChoiceLookup &choices)
{
    const QByteArray bytes = ReadStatementBytes(path);
    const QString name = QFileInfo(path).fileName();
    if (LooksLikeZip(bytes))
        return ReadStatementArchive(bytes, name, choices);
    return {{name, ReadStatement(bytes, name, choices)}};
}
