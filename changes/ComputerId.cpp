#include "changes/ComputerId.h"

#include "changes/EntryCodec.h"
#include "ledger/ListFiles.h"
#include "ledger/QelError.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSysInfo>

using namespace Qt::StringLiterals;

namespace {

QByteArray MachineId()
{
    QFile file(u"/etc/machine-id"_s);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64).trimmed();
}

} // namespace

QString ComputerId::HostName()
{
    return qEnvironmentVariable("QEL_TEST_HOSTNAME", QSysInfo::machineHostName());
}

ComputerId ComputerId::LoadOrCreate(const QString &programDataFolder)
{
    const QString path = programDataFolder + u"Rechner.txt"_s;
    const QByteArray machine = MachineId();
    ComputerId computer;
    computer.Host = HostName();
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray id;
        QByteArray seenOn;
        for (const QByteArray &line : file.read(4096).split('\n')) {
            if (line.startsWith("id="))
                id = line.mid(3).trimmed();
            else if (line.startsWith("rechner="))
                seenOn = line.mid(8).trimmed();
        }
        if (EntryCodec::IsComputerId(id) && seenOn == machine) {
            computer.Id = id;
            return computer;
        }
    }
    QByteArray id;
    for (int i = 0; i < 2; ++i)
        id += QByteArray::number(QRandomGenerator::system()->generate(), 16).rightJustified(8, '0');
    QDir().mkpath(programDataFolder);
    ListFiles::WriteFile(path, QByteArray("id=" + id + "\nrechner=" + machine + '\n'));
    computer.Id = id;
    return computer;
}
