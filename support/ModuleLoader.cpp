#include "support/ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace ModuleLoader {

QStringList Folders()
{
    const QString program = QCoreApplication::applicationDirPath();
    return {QDir::cleanPath(program + QStringLiteral("/" QEL_MODULES_FROM_BIN)),
            QDir::cleanPath(program + QStringLiteral("/../modules"))};
}

Entry Resolve(const QStringList &folders, const QString &name, const char *entry, QString &error)
{
    const QString file = QStringLiteral("lib%1.so").arg(name);
    for (const QString &folder : folders) {
        const QString path = folder + u'/' + file;
        if (!QFileInfo::exists(path))
            continue;
        // The library stays loaded for the rest of the run: objects made by it live on.
        QLibrary library(path);
        if (const auto function = reinterpret_cast<Entry>(library.resolve(entry)))
            return function;
        error = QStringLiteral("Das Programmteil \"%1\" konnte nicht geladen werden: %2")
                    .arg(QDir::toNativeSeparators(path), library.errorString());
        return nullptr;
    }
    error = QStringLiteral("Das Programmteil \"%1\" wurde nicht gefunden (gesucht in %2).")
                .arg(file, QDir::toNativeSeparators(folders.join(QStringLiteral(", "))));
    return nullptr;
}

} // namespace ModuleLoader
