#pragma once

// Runs the real haushaltsbuch-cli (QEL_CLI_PATH) as the command-line tests do: HOME and the
// runtime folder in a temporary folder, no other XDG folders from the caller's environment.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

struct CliResult
{
    int Status = -1;
    QString Out;
    QString Err;
};

// A temporary HOME with a private runtime folder "run" in it.
inline std::unique_ptr<QTemporaryDir> MakeCliHome()
{
    auto home = std::make_unique<QTemporaryDir>();
    QDir(home->path()).mkpath(QStringLiteral("run"));
    QFile::setPermissions(home->filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return home;
}

inline CliResult RunCli(const QTemporaryDir &home, const QStringList &args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR"})
        env.remove(QString::fromLatin1(name));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QEL_CLI_PATH), args);
    if (!process.waitForFinished(60000))
        qFatal("haushaltsbuch-cli did not finish");
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
