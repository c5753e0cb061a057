#include "cli/Cli.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QelVersion.h>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(QEL_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    const int status = Cli(out, err).Run(QCoreApplication::arguments().mid(1));
    out.flush();
    err.flush();
    return status;
}
