#pragma once

#include "controls/Fonts.h"
#include "dialogs/DialogFrame.h"
#include "ledger/CategoryTable.h"
#include "ledger/Regional.h"
#include "support/DiagnosticLog.h"
#include "support/HelpSystem.h"
#include "support/WarningSound.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

// What the dialogs need from the program, for tests that show them on their own: a temporary
// HOME, a log in debug mode (so it records the help topics asked for), help, the prompt sound,
// the default category table, and a category overview that only notes the modes it is shown in.
class DialogTestEnvironment
{
protected:
    void SetUpEnvironment()
    {
        qputenv("HOME", Home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", Home.filePath(QStringLiteral(".config")).toUtf8());
        qputenv("XDG_DATA_HOME", Home.filePath(QStringLiteral(".local/share")).toUtf8());
        const QString run = Home.filePath(QStringLiteral("run"));
        QDir().mkpath(run);
        QFile::setPermissions(run, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", run.toUtf8());
        RegisterFontSubstitutions();
        Log = std::make_unique<TDLogFile>(Home.path(),
                                          QStringList{QStringLiteral("haushaltsbuch"), QStringLiteral("-debug")});
        Help = std::make_unique<HelpSystem>(*Log);
        Categories.FillDefaultCategories();
    }

    QString HelpFile() const { return Home.filePath(QStringLiteral("QEL.chm")); }

    DialogServices Services()
    {
        return {Categories, *Help, HelpFile(), Sound, RegionalSettings,
                [this](int mode) { NavigatorModes.append(mode); }};
    }

    QTemporaryDir Home;
    std::unique_ptr<TDLogFile> Log;
    std::unique_ptr<HelpSystem> Help;
    WarningSound Sound;
    CategoryTable Categories;
    Regional RegionalSettings;
    QList<int> NavigatorModes;
};
