#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

struct chmFile;

// Read access to a compiled help archive (QEL.chm) through chmlib. A build without
// chmlib has the same class, whose archives never open.
class ChmArchive
{
public:
    // Help topics and their pictures are small; anything larger is not ours.
    static constexpr qint64 DefaultMaxObjectSize = 16 * 1024 * 1024;

    explicit ChmArchive(const QString &path);
    ~ChmArchive();
    ChmArchive(const ChmArchive &) = delete;
    ChmArchive &operator=(const ChmArchive &) = delete;

    // True when the program was built with chmlib.
    static bool Available();
    // chmlib's version as the build found it; empty when unknown.
    static QString LibraryVersion();

    bool IsOpen() const { return File_ != nullptr; }

    // The bytes of an object such as "/start.html" or "/#IVB"; nullopt when the
    // archive lacks it, it cannot be read whole, or it is larger than maxSize.
    std::optional<QByteArray> Read(const QString &objectPath, qint64 maxSize = DefaultMaxObjectSize) const;
    // The paths of the archive's ordinary files ("/start.html", ...), without folders
    // and without the compiler's own objects.
    QStringList ObjectPaths() const;

    // The help compiler writes the time of day of the compile into the file header and
    // into "/#SYSTEM"; the build clears both so that QEL.chm depends on its sources only.
    // False, with the file untouched, when it is not laid out as expected.
    static bool ClearCompileTimes(const QString &path);

private:
    chmFile *File_ = nullptr;
};
