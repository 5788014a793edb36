#include "inventory/cli.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <vector>

#include <dlfcn.h>

namespace {

// The window program lives in a module in the application folder (see window.cpp).
int runWindow(const QString &module, int argc, char **argv)
{
    void *handle = dlopen(QFile::encodeName(module).constData(), RTLD_NOW | RTLD_LOCAL);
    const auto run = handle ? reinterpret_cast<int (*)(int, char **)>(dlsym(handle, "driverSearcherWindow")) : nullptr;
    if (!run) {
        std::fprintf(stderr, "driver-searcher: the window cannot be opened: %s\n", dlerror());
        return 1;
    }
    return run(argc, argv);
}

} // namespace

int main(int argc, char **argv)
{
    QString windowModule;
    {
        // The console application may take arguments out of the list it is given; the window
        // program gets all of them.
        std::vector<char *> arguments(argv, argv + argc + 1);
        int count = argc;
        QCoreApplication console(count, arguments.data());
        QCoreApplication::setApplicationVersion(QStringLiteral(DS_VERSION));
        if (const auto exitCode = inventory::runCommandLine(QCoreApplication::arguments()))
            return *exitCode;
        windowModule = QCoreApplication::applicationDirPath() + QStringLiteral("/driver-searcher-window.so");
    }
    return runWindow(windowModule, argc, argv);
}
