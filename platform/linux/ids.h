#pragma once
#include <QString>

namespace platform::linuxhw::ids {

// Names from the pci.ids, usb.ids and pnp.ids files. A file is read once per process (the
// files are static data) and only the entries asked for are parsed. Empty when unknown.
QString pciVendor(const QString &file, quint16 vendor);
QString pciDevice(const QString &file, quint16 vendor, quint16 device);
QString usbVendor(const QString &file, quint16 vendor);
QString usbProduct(const QString &file, quint16 vendor, quint16 product);
// "DEL" → "Dell Inc."
QString pnpVendor(const QString &file, const QString &code);

// The name a device is shown with, from its vendor and device entries: vendor and device name
// joined; with marketingNames, a "Chip [Marketing name]" entry becomes the short vendor and
// the marketing name ("NVIDIA GeForce GTX 1060 6GB"), as graphics cards are sold. Empty when
// the device entry is unknown.
QString deviceDisplayName(const QString &vendorName, const QString &deviceName, bool marketingNames = false);

// "NVIDIA Corporation" → "NVIDIA", "Advanced Micro Devices, Inc. [AMD/ATI]" → "AMD".
QString shortVendorName(const QString &vendorName);

} // namespace platform::linuxhw::ids
