#pragma once

#include <QString>

// Where the links COMn and LPT1 lead. An entry of that exact name in the per-user folder
// "ports" of the application's data directory wins (normally a symbolic link to a device, as
// Wine maps its COM ports); otherwise the platform's own device.
namespace port_names {
QString portsFolder();
QString serialDevice(int portNumber); // 1 = COM1
QString parallelDevice();             // "LPT1"
// The device a serial port name leads to: COM1 to COM10 as above, a device's path as it is;
// empty for anything else.
QString serialDeviceOf(const QString& port);
} // namespace port_names
