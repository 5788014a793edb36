#pragma once
#include <QString>

namespace platform::linuxhw::generic {

// The names Windows gives devices that have no vendor-specific name, so that a device
// missing from the ID files is still shown the way a Windows user would recognise it.

// By PCI class code (class, subclass, programming interface: 0x0c0330).
QString pciName(quint32 classCode);
// The device setup class by PCI class code ("Net", "Display", "hdc", ...).
QString pciSetupClass(quint32 classCode);
// By ACPI/PnP ID ("PNP0303" → "Standard PS/2 Keyboard"); empty when not a generic device.
QString acpiName(const QString &hardwareId);
// By USB interface class (0x03 → "USB Input Device"); empty when no generic name.
QString usbInterfaceName(int interfaceClass);

// Device setup class GUIDs by name ("Net" → "{4d36e972-e325-11ce-bfc1-08002be10318}").
QString setupClassGuid(const QString &setupClass);

} // namespace platform::linuxhw::generic
