// Which source answers which class.
#include "platform/linux/sources.h"

namespace platform::linuxhw {

#define SOURCE(name) std::vector<WmiObject> name(const SysRoot &root);
SOURCE(computerSystems) SOURCE(operatingSystems) SOURCE(processors) SOURCE(keyboards) SOURCE(pointingDevices)
SOURCE(cdromDrives) SOURCE(diskDrives) SOURCE(floppyDrives) SOURCE(tapeDrives) SOURCE(firewireControllers)
SOURCE(baseBoards) SOURCE(motherboardDevices) SOURCE(bioses) SOURCE(buses) SOURCE(cacheMemories)
SOURCE(pciFloppyControllers) SOURCE(ideControllers) SOURCE(irqResources) SOURCE(memoryArrays) SOURCE(memoryDevices)
SOURCE(onBoardDevices) SOURCE(parallelPortObjects) SOURCE(pcmciaControllers) SOURCE(physicalMemories)
SOURCE(physicalMemoryArrays) SOURCE(pnpEntities) SOURCE(portConnectors) SOURCE(portResources) SOURCE(scsiControllers)
SOURCE(serialPortObjects) SOURCE(serialPortConfigurations) SOURCE(smbiosMemories) SOURCE(soundDevices)
SOURCE(systemEnclosures) SOURCE(systemMemoryResources) SOURCE(systemSlots) SOURCE(usbControllers) SOURCE(usbHubs)
SOURCE(networkAdapters) SOURCE(associatedBatteries) SOURCE(batteries) SOURCE(currentProbes) SOURCE(portableBatteries)
SOURCE(uninterruptiblePowerSupplies) SOURCE(voltageProbes) SOURCE(printers) SOURCE(potsModems) SOURCE(potsModemPorts)
SOURCE(desktopMonitors) SOURCE(displayConfigurations) SOURCE(displayControllerConfigurations) SOURCE(videoControllers)
SOURCE(fans) SOURCE(heatPipes) SOURCE(refrigerations) SOURCE(temperatureProbes) SOURCE(thermalZoneTemperatures)
#undef SOURCE

namespace {

// Classes that no Linux source can answer enumerate empty, as they do on current Windows.
std::vector<WmiObject> none(const SysRoot &)
{
    return {};
}

// Floppy controllers: PCI ones and the board's PnP controller (PNP0700).
std::vector<WmiObject> floppyControllers(const SysRoot &root)
{
    std::vector<WmiObject> result = pciFloppyControllers(root);
    const QString system = computerName(root);
    for (const PnpDevice &device : acpiDevices(root)) {
        if (device.pnpClass != QLatin1String("fdc"))
            continue;
        Instance instance = deviceInstance(QStringLiteral("Win32_FloppyController"), device, system);
        instance.text(QStringLiteral("Manufacturer"), device.manufacturer);
        result.push_back(instance.object());
    }
    return result;
}

// Consumer infrared receivers (/sys/class/rc).
std::vector<WmiObject> infraredDevices(const SysRoot &root)
{
    std::vector<WmiObject> result;
    const QString system = computerName(root);
    for (const QString &receiver : root.entries(QStringLiteral("/sys/class/rc"))) {
        const QString hardware = root.resolved(QStringLiteral("/sys/class/rc/") + receiver + QStringLiteral("/device"));
        const auto device = hardware.isEmpty() ? std::nullopt : owningDevice(root, hardware);
        if (!device)
            continue;
        Instance instance = deviceInstance(QStringLiteral("Win32_InfraredDevice"), *device, system);
        instance.text(QStringLiteral("Manufacturer"), device->manufacturer);
        result.push_back(instance.object());
    }
    return result;
}

QHash<QString, ClassSource> buildRegistry()
{
    QHash<QString, ClassSource> registry;
    auto add = [&](const char *ns, const char *className, ClassSource source) {
        registry.insert(QString::fromLatin1(ns) + QLatin1Char('|') + QString::fromLatin1(className).toLower(), std::move(source));
    };
    const char *cimv2 = "root\\cimv2";
    add(cimv2, "Win32_ComputerSystem", computerSystems);
    add(cimv2, "Win32_OperatingSystem", operatingSystems);
    add(cimv2, "Win32_Processor", processors);
    add(cimv2, "Win32_Keyboard", keyboards);
    add(cimv2, "Win32_PointingDevice", pointingDevices);
    add(cimv2, "Win32_CDROMDrive", cdromDrives);
    add(cimv2, "Win32_DiskDrive", diskDrives);
    add(cimv2, "Win32_FloppyDrive", floppyDrives);
    add(cimv2, "Win32_TapeDrive", tapeDrives);
    add(cimv2, "Win32_1394Controller", firewireControllers);
    add(cimv2, "Win32_BaseBoard", baseBoards);
    add(cimv2, "Win32_MotherboardDevice", motherboardDevices);
    add(cimv2, "Win32_BIOS", bioses);
    add(cimv2, "Win32_Bus", buses);
    add(cimv2, "Win32_CacheMemory", cacheMemories);
    add(cimv2, "Win32_FloppyController", floppyControllers);
    add(cimv2, "Win32_IDEController", ideControllers);
    add(cimv2, "Win32_InfraredDevice", infraredDevices);
    add(cimv2, "Win32_IRQResource", irqResources);
    add(cimv2, "Win32_MemoryArray", memoryArrays);
    add(cimv2, "Win32_MemoryDevice", memoryDevices);
    add(cimv2, "Win32_OnBoardDevice", onBoardDevices);
    add(cimv2, "Win32_ParallelPort", parallelPortObjects);
    add(cimv2, "Win32_PCMCIAController", pcmciaControllers);
    add(cimv2, "Win32_PhysicalMemory", physicalMemories);
    add(cimv2, "Win32_PhysicalMemoryArray", physicalMemoryArrays);
    add(cimv2, "Win32_PNPEntity", pnpEntities);
    add(cimv2, "Win32_PortConnector", portConnectors);
    add(cimv2, "Win32_PortResource", portResources);
    add(cimv2, "Win32_SCSIController", scsiControllers);
    add(cimv2, "Win32_SerialPort", serialPortObjects);
    add(cimv2, "Win32_SerialPortConfiguration", serialPortConfigurations);
    add(cimv2, "Win32_SMBIOSMemory", smbiosMemories);
    add(cimv2, "Win32_SoundDevice", soundDevices);
    add(cimv2, "Win32_SystemEnclosure", systemEnclosures);
    add(cimv2, "Win32_SystemMemoryResource", systemMemoryResources);
    add(cimv2, "Win32_SystemSlot", systemSlots);
    add(cimv2, "Win32_USBController", usbControllers);
    add(cimv2, "Win32_USBHub", usbHubs);
    add(cimv2, "Win32_NetworkAdapter", networkAdapters);
    add(cimv2, "Win32_AssociatedBattery", associatedBatteries);
    add(cimv2, "Win32_Battery", batteries);
    add(cimv2, "Win32_CurrentProbe", currentProbes);
    add(cimv2, "Win32_PortableBattery", portableBatteries);
    add(cimv2, "Win32_UninterruptiblePowerSupply", uninterruptiblePowerSupplies);
    add(cimv2, "Win32_VoltageProbe", voltageProbes);
    add(cimv2, "Win32_Printer", printers);
    add(cimv2, "Win32_POTSModem", potsModems);
    add(cimv2, "Win32_POTSModemToSerialPort", potsModemPorts);
    add(cimv2, "Win32_DesktopMonitor", desktopMonitors);
    add(cimv2, "Win32_DisplayConfiguration", displayConfigurations);
    add(cimv2, "Win32_DisplayControllerConfiguration", displayControllerConfigurations);
    add(cimv2, "Win32_VideoConfiguration", none);
    add(cimv2, "Win32_VideoController", videoControllers);
    add(cimv2, "Win32_Fan", fans);
    add(cimv2, "Win32_HeatPipe", heatPipes);
    add(cimv2, "Win32_Refrigeration", refrigerations);
    add(cimv2, "Win32_TemperatureProbe", temperatureProbes);
    add("root\\wmi", "MSAcpi_ThermalZoneTemperature", thermalZoneTemperatures);
    return registry;
}

} // namespace

const ClassSource *findClassSource(const QString &nameSpace, const QString &className)
{
    static const QHash<QString, ClassSource> registry = buildRegistry();
    const auto it = registry.constFind(nameSpace + QLatin1Char('|') + className.toLower());
    return it == registry.constEnd() ? nullptr : &*it;
}

} // namespace platform::linuxhw
