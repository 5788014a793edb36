#include "platform/linux/sources.h"

#include <QHash>

namespace platform::linuxhw {

std::vector<WmiObject> computerSystems(const SysRoot &root);
std::vector<WmiObject> operatingSystems(const SysRoot &root);

namespace {

std::vector<WmiObject> none(const SysRoot &)
{
    return {};
}

QHash<QString, ClassSource> buildRegistry()
{
    QHash<QString, ClassSource> registry;
    auto add = [&](const char *ns, const char *className, ClassSource source) {
        registry.insert(QString::fromLatin1(ns) + QLatin1Char('|') + QString::fromLatin1(className).toLower(), std::move(source));
    };
    add("root\\cimv2", "Win32_ComputerSystem", computerSystems);
    add("root\\cimv2", "Win32_OperatingSystem", operatingSystems);
    // Classes without a source on this machine enumerate empty.
    for (const char *className : {
             "Win32_Processor", "Win32_Keyboard", "Win32_PointingDevice", "Win32_CDROMDrive", "Win32_DiskDrive",
             "Win32_FloppyDrive", "Win32_TapeDrive", "Win32_1394Controller", "Win32_BaseBoard",
             "Win32_MotherboardDevice", "Win32_BIOS", "Win32_Bus", "Win32_CacheMemory", "Win32_FloppyController",
             "Win32_IDEController", "Win32_InfraredDevice", "Win32_IRQResource", "Win32_MemoryArray",
             "Win32_MemoryDevice", "Win32_OnBoardDevice", "Win32_ParallelPort", "Win32_PCMCIAController",
             "Win32_PhysicalMemory", "Win32_PhysicalMemoryArray", "Win32_PNPEntity", "Win32_PortConnector",
             "Win32_PortResource", "Win32_SCSIController", "Win32_SerialPort", "Win32_SerialPortConfiguration",
             "Win32_SMBIOSMemory", "Win32_SoundDevice", "Win32_SystemEnclosure", "Win32_SystemMemoryResource",
             "Win32_SystemSlot", "Win32_USBController", "Win32_USBHub", "Win32_NetworkAdapter",
             "Win32_AssociatedBattery", "Win32_Battery", "Win32_CurrentProbe", "Win32_PortableBattery",
             "Win32_UninterruptiblePowerSupply", "Win32_VoltageProbe", "Win32_Printer", "Win32_POTSModem",
             "Win32_POTSModemToSerialPort", "Win32_DesktopMonitor", "Win32_DisplayConfiguration",
             "Win32_DisplayControllerConfiguration", "Win32_VideoConfiguration", "Win32_VideoController",
             "Win32_Fan", "Win32_HeatPipe", "Win32_Refrigeration", "Win32_TemperatureProbe"})
        if (!registry.contains(QStringLiteral("root\\cimv2|") + QString::fromLatin1(className).toLower()))
            add("root\\cimv2", className, none);
    add("root\\wmi", "MSAcpi_ThermalZoneTemperature", none);
    return registry;
}

} // namespace

const ClassSource *findClassSource(const QString &nameSpace, const QString &className)
{
    static const QHash<QString, ClassSource> registry = buildRegistry();
    const auto it = registry.constFind(nameSpace + QLatin1Char('|') + className.toLower());
    return it == registry.constEnd() ? nullptr : &*it;
}

BatteryFigures readBatteryFigures(const SysRoot &)
{
    BatteryFigures figures;
    figures.status = 128;
    return figures;
}

} // namespace platform::linuxhw
