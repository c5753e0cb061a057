#include "documents/DocumentStore.h"

#include "documents/DocumentReader.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QByteArrayView ExtensionOf(DocumentKind kind)
{
    switch (kind) {
    case DocumentKind::Pdf: return "pdf";
    case DocumentKind::Jpeg: return "jpg";
    case DocumentKind::Png: return "png";
    case DocumentKind::Xml: return "xml";
    case DocumentKind::Unknown: break;
    }
    return {};
}

} // namespace

bool IsStoredDocumentName(QByteArrayView name)
{
    if (name.size() != 68 || name.at(64) != '.')
        return false;
    for (qsizetype i = 0; i < 64; ++i) {
        const char c = name.at(i);
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    const QByteArrayView extension = name.sliced(65);
    return extension == "pdf" || extension == "jpg" || extension == "png" || extension == "xml";
}

DocumentStore::DocumentStore(QString dataFolder)
    : DataFolder_(std::move(dataFolder))
{
    if (!DataFolder_.isEmpty() && !DataFolder_.endsWith(u'/'))
        DataFolder_ += u'/';
}

QString DocumentStore::FolderName()
{
    return u"Belege"_s;
}

QString DocumentStore::Folder() const
{
    return DataFolder_ + FolderName() + u'/';
}

QString DocumentStore::PathOf(const QString &storedName) const
{
    return Folder() + storedName;
}

DocumentStore::Added DocumentStore::Add(const QString &path) const
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw QelError(u"Die Datei „%1“ gibt es nicht."_s.arg(path));
    if (info.size() > DocumentLimits::MaxFileBytes)
        throw QelError(u"Die Datei „%1“ ist größer als 64 MB; so große Belege werden nicht aufgenommen."_s.arg(info.fileName()));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QelError(u"Die Datei „%1“ kann nicht gelesen werden: %2"_s.arg(info.fileName(), file.errorString()));
    const QByteArray bytes = file.read(DocumentLimits::MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw QelError(u"Die Datei „%1“ kann nicht gelesen werden: %2"_s.arg(info.fileName(), file.errorString()));
    return AddBytes(bytes);
}

DocumentStore::Added DocumentStore::AddBytes(const QByteArray &bytes) const
{
    if (bytes.size() > DocumentLimits::MaxFileBytes)
        throw QelError(u"Der Beleg ist größer als 64 MB und wird nicht aufgenommen."_s);
    const QByteArrayView extension = ExtensionOf(KindOfDocument(bytes));
    if (extension.isEmpty())
        throw QelError(u"Als Beleg werden PDF-, JPEG-, PNG- und XML-Dateien aufgenommen; diese Datei ist keine davon."_s);
    const QString name = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())
                         + u'.' + QString::fromLatin1(extension);
    // The same name is the same content: written once, never again (unless what stands there
    // is cut short, as a copy by hand that broke off leaves it).
    if (QFileInfo(PathOf(name)).size() == bytes.size())
        return {name, true};
    if (!QDir().mkpath(Folder()))
        throw QelError(u"Der Ordner „%1“ kann nicht angelegt werden."_s.arg(QDir::toNativeSeparators(Folder())));
    ListFiles::WriteFile(PathOf(name), bytes);
    return {name, false};
}

int DocumentStore::CopyMissingTo(const DocumentStore &other, bool checkContent) const
{
    int copied = 0;
    for (const QString &name : StoredNames()) {
        const QFileInfo info(PathOf(name));
        if (info.isSymLink() || !info.isFile() || QFileInfo(other.PathOf(name)).size() == info.size())
            continue;
        QFile file(PathOf(name));
        if (!file.open(QIODevice::ReadOnly) || info.size() > DocumentLimits::MaxFileBytes)
            throw QelError(u"Der Beleg „%1“ kann nicht gelesen werden: %2"_s.arg(name, file.errorString()));
        const QByteArray bytes = file.readAll();
        if (checkContent
            && QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()) != name.first(64))
            continue;
        if (!QDir().mkpath(other.Folder()))
            throw QelError(u"Der Ordner „%1“ kann nicht angelegt werden."_s.arg(QDir::toNativeSeparators(other.Folder())));
        ListFiles::WriteFile(other.PathOf(name), bytes);
        ++copied;
    }
    return copied;
}

QStringList DocumentStore::StoredNames() const
{
    QStringList names = QDir(Folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    names.removeIf([](const QString &name) { return !IsStoredDocumentName(name.toLatin1()); });
    return names;
}

bool DocumentStore::Has(const QString &storedName) const
{
    return QFileInfo(PathOf(storedName)).isFile();
}
