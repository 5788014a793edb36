#include "inventory/cli.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

#include <dlfcn.h>

namespace {

// The window program lives in a module in the application folder (see window.cpp), the folder
// of this executable.
int runWindow(int argc, char **argv)
{
    const QString module = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + QStringLiteral("/driver-searcher-window.so");
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
    // The command-line inventory needs no application object: it starts with the arguments
    // alone, and the window program makes its own.
    QCoreApplication::setApplicationVersion(QStringLiteral(DS_VERSION));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto exitCode = inventory::runCommandLine(arguments))
        return *exitCode;
    return runWindow(argc, argv);
}
