#include "platform/linux/genericnames.h"

#include <QHash>

namespace platform::linuxhw::generic {

QString pciName(quint32 classCode)
{
    const quint32 base = classCode >> 16;
    const quint32 sub = (classCode >> 8) & 0xff;
    const quint32 progIf = classCode & 0xff;
    switch ((base << 8) | sub) {
    case 0x0101: return QStringLiteral("Standard Dual Channel PCI IDE Controller");
    case 0x0106: return QStringLiteral("Standard SATA AHCI Controller");
    case 0x0108: return QStringLiteral("Standard NVM Express Controller");
    case 0x0300: return QStringLiteral("Microsoft Basic Display Adapter");
    case 0x0403: return QStringLiteral("High Definition Audio Controller");
    case 0x0600: return QStringLiteral("PCI standard host CPU bridge");
    case 0x0601: return QStringLiteral("PCI standard ISA bridge");
    case 0x0604: return QStringLiteral("PCI standard PCI-to-PCI bridge");
    case 0x0700: return QStringLiteral("PCI Serial Port");
    case 0x0780: return QStringLiteral("PCI Simple Communications Controller");
    case 0x0880: return QStringLiteral("Base System Device");
    case 0x0c00: return QStringLiteral("1394 OHCI Compliant Host Controller");
    case 0x0c05: return QStringLiteral("SM Bus Controller");
    case 0x0c03:
        switch (progIf) {
        case 0x00: return QStringLiteral("Standard Universal PCI to USB Host Controller");
        case 0x10: return QStringLiteral("Standard OpenHCD USB Host Controller");
        case 0x20: return QStringLiteral("Standard Enhanced PCI to USB Host Controller");
        case 0x30: return QStringLiteral("USB xHCI Compliant Host Controller");
        default: break;
        }
        break;
    default: break;
    }
    return QStringLiteral("PCI Device");
}

QString pciSetupClass(quint32 classCode)
{
    const quint32 base = classCode >> 16;
    const quint32 baseSub = classCode >> 8;
    switch (baseSub) {
    case 0x0101: case 0x0106: return QStringLiteral("hdc");
    case 0x0102: return QStringLiteral("fdc");
    case 0x0401: case 0x0403: return QStringLiteral("MEDIA");
    case 0x0605: case 0x0607: return QStringLiteral("PCMCIA");
    case 0x0700: return QStringLiteral("Ports");
    case 0x0c00: return QStringLiteral("1394");
    case 0x0c03: return QStringLiteral("USB");
    case 0x0d11: return QStringLiteral("Bluetooth");
    default: break;
    }
    switch (base) {
    case 0x01: return QStringLiteral("SCSIAdapter");
    case 0x02: return QStringLiteral("Net");
    case 0x03: return QStringLiteral("Display");
    case 0x04: return QStringLiteral("MEDIA");
    default: return QStringLiteral("System");
    }
}

QString acpiName(const QString &hardwareId)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("PNP0303"), QStringLiteral("Standard PS/2 Keyboard")},
        {QStringLiteral("PNP030B"), QStringLiteral("Standard PS/2 Keyboard")},
        {QStringLiteral("PNP0F13"), QStringLiteral("PS/2 Compatible Mouse")},
        {QStringLiteral("PNP0F03"), QStringLiteral("PS/2 Compatible Mouse")},
        {QStringLiteral("PNP0C0A"), QStringLiteral("Microsoft ACPI-Compliant Control Method Battery")},
        {QStringLiteral("ACPI0003"), QStringLiteral("Microsoft AC Adapter")},
        {QStringLiteral("PNP0C0C"), QStringLiteral("ACPI Power Button")},
        {QStringLiteral("PNP0C0D"), QStringLiteral("ACPI Lid")},
        {QStringLiteral("PNP0C0E"), QStringLiteral("ACPI Sleep Button")},
        {QStringLiteral("PNP0B00"), QStringLiteral("System CMOS/real time clock")},
        {QStringLiteral("PNP0100"), QStringLiteral("System timer")},
        {QStringLiteral("PNP0103"), QStringLiteral("High precision event timer")},
        {QStringLiteral("PNP0000"), QStringLiteral("Programmable interrupt controller")},
        {QStringLiteral("PNP0200"), QStringLiteral("Direct memory access controller")},
        {QStringLiteral("PNP0800"), QStringLiteral("System speaker")},
        {QStringLiteral("PNP0C01"), QStringLiteral("System board")},
        {QStringLiteral("PNP0C02"), QStringLiteral("Motherboard resources")},
        {QStringLiteral("PNP0A08"), QStringLiteral("PCI Express Root Complex")},
        {QStringLiteral("PNP0A03"), QStringLiteral("PCI Bus")},
        {QStringLiteral("PNP0C04"), QStringLiteral("Numeric data processor")},
        {QStringLiteral("PNP0700"), QStringLiteral("Standard floppy disk controller")},
        {QStringLiteral("PNP0400"), QStringLiteral("Printer Port")},
        {QStringLiteral("PNP0401"), QStringLiteral("ECP Printer Port")},
        {QStringLiteral("PNP0501"), QStringLiteral("Communications Port")},
        {QStringLiteral("PNP0500"), QStringLiteral("Communications Port")},
        {QStringLiteral("PNP0C09"), QStringLiteral("Microsoft ACPI-Compliant Embedded Controller")},
        {QStringLiteral("PNP0C0B"), QStringLiteral("ACPI Fan")},
        {QStringLiteral("PNP0C14"), QStringLiteral("Microsoft Windows Management Interface for ACPI")},
        {QStringLiteral("PNP0C50"), QStringLiteral("I2C HID Device")},
        {QStringLiteral("PNP0A05"), QStringLiteral("Generic Bus")},
        {QStringLiteral("PNP0A06"), QStringLiteral("Generic Bus")},
        {QStringLiteral("ACPI000E"), QStringLiteral("Time and Alarm device")},
        {QStringLiteral("INT0800"), QStringLiteral("Intel 82802 Firmware Hub Device")},
    };
    return names.value(hardwareId.toUpper());
}

QString usbInterfaceName(int interfaceClass)
{
    switch (interfaceClass) {
    case 0x01: return QStringLiteral("USB Audio Device");
    case 0x02: return QStringLiteral("USB Serial Device");
    case 0x03: return QStringLiteral("USB Input Device");
    case 0x07: return QStringLiteral("USB Printing Support");
    case 0x08: return QStringLiteral("USB Mass Storage Device");
    case 0x09: return QStringLiteral("Generic USB Hub");
    case 0x0e: return QStringLiteral("USB Video Device");
    case 0xe0: return QStringLiteral("Generic Bluetooth Adapter");
    default: return {};
    }
}

QString setupClassGuid(const QString &setupClass)
{
    static const QHash<QString, QString> guids = {
        {QStringLiteral("Net"), QStringLiteral("{4d36e972-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Display"), QStringLiteral("{4d36e968-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("MEDIA"), QStringLiteral("{4d36e96c-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Keyboard"), QStringLiteral("{4d36e96b-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Mouse"), QStringLiteral("{4d36e96f-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("DiskDrive"), QStringLiteral("{4d36e967-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("CDROM"), QStringLiteral("{4d36e965-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("hdc"), QStringLiteral("{4d36e96a-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("SCSIAdapter"), QStringLiteral("{4d36e97b-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("System"), QStringLiteral("{4d36e97d-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Ports"), QStringLiteral("{4d36e978-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Monitor"), QStringLiteral("{4d36e96e-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Printer"), QStringLiteral("{4d36e979-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("Modem"), QStringLiteral("{4d36e96d-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("PCMCIA"), QStringLiteral("{4d36e977-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("fdc"), QStringLiteral("{4d36e969-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("FloppyDisk"), QStringLiteral("{4d36e980-e325-11ce-bfc1-08002be10318}")},
        {QStringLiteral("TapeDrive"), QStringLiteral("{6d807884-7d21-11cf-801c-08002be10318}")},
        {QStringLiteral("USB"), QStringLiteral("{36fc9e60-c465-11cf-8056-444553540000}")},
        {QStringLiteral("HIDClass"), QStringLiteral("{745a17a0-74d3-11d0-b6fe-00a0c90f57da}")},
        {QStringLiteral("Processor"), QStringLiteral("{50127dc3-0f36-415e-a6cc-4cb3be910b65}")},
        {QStringLiteral("Battery"), QStringLiteral("{72631e54-78a4-11d0-bcf7-00aa00b7b32a}")},
        {QStringLiteral("1394"), QStringLiteral("{6bdd1fc1-810f-11d0-bec7-08002be2092f}")},
        {QStringLiteral("Infrared"), QStringLiteral("{6bdd1fc5-810f-11d0-bec7-08002be2092f}")},
        {QStringLiteral("Bluetooth"), QStringLiteral("{e0cbf06c-cd8b-4647-bb8a-263b43f0f974}")},
    };
    return guids.value(setupClass);
}

} // namespace platform::linuxhw::generic
