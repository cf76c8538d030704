#pragma once

#include "core/platform/cause.h"

// What stands at a device's path, looked at before anything opens it. Opening a FIFO blocks
// until its peer appears, and opening a missing path for writing creates a file: both are
// caught here, so no opening waits without a bound and nothing is created.
namespace device_access {

enum class Use { Serial, Parallel };

// The cause that keeps `path` from being used as `use` (PortMissing, PortNotSerial, ...), with
// the system's words or what stands there; a Failure without a cause when it may be opened.
Failure check(const QString& path, Use use);

// Takes the opened device for this user alone. A second user, in this process or another and
// whatever name (COMn, LPT1, a link, the device itself) led it there, gets false.
bool takeExclusively(int fd);

// What a path is, in a few words of the language `base`: "a folder", "a FIFO", "a device".
QString kindOf(int base, const QString& path);

} // namespace device_access
