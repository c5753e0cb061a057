#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// Tasks that need large libraries (printing with its printing system, sound with its audio
// stack) live in modules of their own that are loaded when the task first comes up: a start
// that neither prints nor sounds does not load, relocate or keep those libraries.
//
// A module is a file lib<name>.so in the program's module folder: installed, the library
// folder's "haushaltsbuch"; in the build tree, "modules" beside the folders of the programs.
// Its entry is an extern "C" function without arguments that returns a new object.
namespace ModuleLoader {

using Entry = void *(*)();

// Where the program's modules are looked for, in this order.
QStringList Folders();

// The entry of the module found first in the folders, or nullptr with the German reason in
// error.
Entry Resolve(const QStringList &folders, const QString &name, const char *entry, QString &error);

// The object the module's entry makes, owned by the caller; nothing when the module cannot
// be loaded.
template <class Interface>
std::unique_ptr<Interface> Create(const QString &name, const char *entry, QString &error)
{
    const Entry make = Resolve(Folders(), name, entry, error);
    return std::unique_ptr<Interface>(make ? static_cast<Interface *>(make()) : nullptr);
}

} // namespace ModuleLoader
