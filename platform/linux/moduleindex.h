#pragma once
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

struct kmod_ctx;
struct kmod_module;

namespace platform::linuxhw {

// A kernel module that claims a device's module alias.
struct KernelModule {
    QString name;         // "r8169" (as the kernel names it: dashes become underscores)
    bool builtIn = false; // part of the kernel image: always there, never loaded separately
    QStringList firmware; // the firmware files the module declares it may ask for
};

// The module index of one kernel (modules.alias.bin, modules.builtin.alias.bin, modules.dep.bin
// and the module files), read through libkmod. Lookups are cached: a machine has many devices
// of few kinds.
class ModuleIndex {
public:
    // Opens the index in moduleDirectory ("/lib/modules/6.1.0-13-amd64" under the root);
    // configDirectories are the modprobe.d folders whose aliases count too.
    ModuleIndex(const QString &moduleDirectory, const QStringList &configDirectories);
    ~ModuleIndex();
    ModuleIndex(const ModuleIndex &) = delete;
    ModuleIndex &operator=(const ModuleIndex &) = delete;

    // Whether the folder holds an index at all (a kernel with built-in drivers only has none).
    bool available() const { return context_ != nullptr; }
    const QString &directory() const { return directory_; }

    // The modules whose aliases match a module alias ("pci:v000010ECd00008168sv...").
    const std::vector<KernelModule> &modulesFor(const QString &modalias);

private:
    const KernelModule &describe(kmod_module *handle, const QString &name);

    QString directory_;
    kmod_ctx *context_ = nullptr;
    bool builtinInfoTrusted_ = true;
    QHash<QString, std::vector<KernelModule>> byAlias_;
    QHash<QString, KernelModule> byName_;
};

} // namespace platform::linuxhw
