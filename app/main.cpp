#include "app/Program.h"
#include "ledger/LedgerPaths.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    return RunProgram(QApplication::arguments(), LedgerPaths::Standard(QApplication::applicationDirPath()));
}
