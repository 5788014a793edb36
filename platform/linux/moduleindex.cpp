// The kernel's module index through libkmod: which modules claim a module alias, whether they
// are built in, and the firmware files they declare.
#include "platform/linux/moduleindex.h"

#include <QFile>
#include <QFileInfo>

#include <libkmod.h>

namespace platform::linuxhw {

namespace {

// libkmod logs to standard error by default; a missing or partial index is reported by the
// caller in words of its own.
void quiet(void *, int, const char *, int, const char *, const char *, va_list) {}

QString fromLocal(const char *text)
{
    return text ? QFile::decodeName(text) : QString();
}

} // namespace

ModuleIndex::ModuleIndex(const QString &moduleDirectory, const QStringList &configDirectories)
    : directory_(moduleDirectory)
{
    // Without these files libkmod would answer every lookup with nothing, which reads as
    // "no module knows this device" instead of "this kernel has no index".
    const bool indexed = !moduleDirectory.isEmpty()
        && (QFileInfo::exists(moduleDirectory + QStringLiteral("/modules.dep.bin"))
            || QFileInfo::exists(moduleDirectory + QStringLiteral("/modules.alias.bin"))
            || QFileInfo::exists(moduleDirectory + QStringLiteral("/modules.builtin.bin")));
    if (!indexed)
        return;
    std::vector<QByteArray> configs;
    for (const QString &folder : configDirectories)
        configs.push_back(QFile::encodeName(folder));
    std::vector<const char *> configPointers;
    for (const QByteArray &config : configs)
        configPointers.push_back(config.constData());
    configPointers.push_back(nullptr);
    // libkmod 30 writes past a buffer when this file holds an empty record: a kernel never
    // writes one, so such a file is not handed to it (built-in modules then declare no firmware).
    QFile builtinInfo(moduleDirectory + QStringLiteral("/modules.builtin.modinfo"));
    if (builtinInfo.open(QIODevice::ReadOnly)) {
        const QByteArray records = builtinInfo.read(64 * 1024 * 1024);
        builtinInfoTrusted_ = !records.startsWith('\0') && !records.contains(QByteArrayView("\0\0", 2))
            && (records.isEmpty() || records.endsWith('\0'));
    }
    context_ = kmod_new(QFile::encodeName(moduleDirectory).constData(), configPointers.data());
    if (!context_)
        return;
    kmod_set_log_fn(context_, quiet, nullptr);
    kmod_load_resources(context_); // maps the indexes once instead of opening them per lookup
}

ModuleIndex::~ModuleIndex()
{
    if (context_)
        kmod_unref(context_);
}

const KernelModule &ModuleIndex::describe(kmod_module *handle, const QString &name)
{
    if (const auto it = byName_.constFind(name); it != byName_.constEnd())
        return *it;
    KernelModule module;
    module.name = name;
    // A module without a file is built in when the built-in index says so; asking for the
    // state of any other module would read this machine's /sys/module, not the root's.
    module.builtIn = !kmod_module_get_path(handle) && kmod_module_get_initstate(handle) == KMOD_MODULE_BUILTIN;
    // A module file that cannot be read (removed after depmod ran) still counts as a
    // candidate; it just declares no firmware.
    kmod_list *info = nullptr;
    if ((!module.builtIn || builtinInfoTrusted_) && kmod_module_get_info(handle, &info) >= 0) {
        kmod_list *entry = nullptr;
        kmod_list_foreach(entry, info)
        {
            if (qstrcmp(kmod_module_info_get_key(entry), "firmware") == 0) {
                const QString file = fromLocal(kmod_module_info_get_value(entry)).trimmed();
                if (!file.isEmpty() && !module.firmware.contains(file))
                    module.firmware << file;
            }
        }
        kmod_module_info_free_list(info);
    }
    return *byName_.insert(name, module);
}

const std::vector<KernelModule> &ModuleIndex::modulesFor(const QString &modalias)
{
    if (const auto it = byAlias_.constFind(modalias); it != byAlias_.constEnd())
        return *it;
    std::vector<KernelModule> modules;
    kmod_list *found = nullptr;
    if (context_ && kmod_module_new_from_lookup(context_, modalias.toLatin1().constData(), &found) == 0) {
        kmod_list *entry = nullptr;
        kmod_list_foreach(entry, found)
        {
            kmod_module *handle = kmod_module_get_module(entry);
            const QString name = fromLocal(kmod_module_get_name(handle));
            bool listed = name.isEmpty();
            for (const KernelModule &module : modules)
                listed = listed || module.name == name;
            if (!listed)
                modules.push_back(describe(handle, name));
            kmod_module_unref(handle);
        }
        kmod_module_unref_list(found);
    }
    return *byAlias_.insert(modalias, std::move(modules));
}

} // namespace platform::linuxhw
