#pragma once
#include "tests/linux/faketree.h"

// Writes the /sys and /proc of a desktop PC into the tree: Intel graphics with a monitor on
// HDMI, an NVIDIA card without a driver, a Realtek network card, HD audio, a SATA disk and a
// DVD writer, a USB mouse, a PS/2 keyboard, a serial port, a battery, sensors and the
// processor tables of a real machine.
void buildDesktop(FakeTree &tree);

// Device-class instances whose PNPDeviceID names no Win32_PnPEntity of the same caption.
QStringList captionMismatches(const std::function<std::vector<platform::WmiObject>(const QString &)> &instancesOf);
