// The command-line inventory in a small program of its own, for runs under umockdev-run.
#include "inventory/cli.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    return inventory::runCommandLine(QCoreApplication::arguments()).value_or(2);
}
