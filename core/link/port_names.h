#pragma once

#include <QString>
#include <QStringList>

// Where the links COMn and LPT1 lead. An entry of that exact name in the per-user folder
// "ports" of the application's data directory wins (normally a symbolic link to a device, as
// Wine maps its COM ports); otherwise the platform's own device.
namespace port_names {
QString portsFolder();
QString serialDevice(int portNumber); // 1 = COM1
// "LPT1": its entry, else /dev/lp0, else (with no /dev/lp0) the one USB parallel device when
// there is exactly one.
QString parallelDevice(const QString& root = QStringLiteral("/dev"));
// A parallel device's path, by its name: lp0, lp1, ... (/dev/lp0, /dev/usb/lp0).
bool isParallelPath(const QString& path);
// The parallel devices under `root`: lp0, lp1, ..., then usb/lp0, ...
QStringList parallelDevices(const QString& root = QStringLiteral("/dev"));
// The device a serial port name leads to: COM1 to COM10 as above, a device's path as it is;
// empty for anything else.
QString serialDeviceOf(const QString& port);
// A device as it is named once: links followed; the path as given when it does not exist.
QString deviceIdentity(const QString& device);
// Serial devices under `root` that none of COM1 to COM10 leads to: the stable names in
// serial/by-id first, then ttyUSB*, ttyACM* and the ttyS* that have a UART, each device once.
QStringList unnamedSerialDevices(const QString& root = QStringLiteral("/dev"));
// The first of COM1 to COM10 that leads to nothing that exists, or nothing.
QString freeSerialName();
} // namespace port_names
