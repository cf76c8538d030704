#pragma once

#include "core/platform/cause.h"

#include <QList>
#include <QStringList>

// What stands at a device's path, looked at before anything opens it. Opening a FIFO blocks
// until its peer appears, and opening a missing path for writing creates a file: both are
// caught here, so no opening waits without a bound and nothing is created.
namespace device_access {

enum class Use { Serial, Parallel };

// The cause that keeps `path` from being used as `use` (PortMissing, PortNotSerial, ...), with
// the system's words or what stands there; a Failure without a cause when it may be opened.
Failure check(const QString& path, Use use);

// A job's hold on one device from its first opening to its end. A second user, in this process
// or another and whatever name (COMn, LPT1, a link, the device itself) led it there, is refused
// for as long as the claim is held, also while the job has the device closed between two steps:
// the lock stays with a duplicate of the first opening's file.
class Claim
{
public:
    Claim() = default;
    ~Claim();
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;
    enum class Take { Taken, Busy, Changed };
    // Takes the device open at `fd` for this user alone (Taken also when this claim already holds
    // that very device); Busy when another user holds it. A claim that holds another device keeps
    // it and says Changed: a job's device is never swapped for another under it.
    Take take(int fd);
    void release();
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// A serial device with a UART behind it: false for a ttyS node the kernel found none for
// (every ttyS0 to ttyS31 exists on most PCs); true for any other device, and where the kernel
// does not say.
bool hasUart(const QString& path);
// The process, other than this one, whose claim holds the device now; 0 for none (or where it
// cannot be told).
qint64 heldElsewhere(const QString& path);

// For each device, another process that uses it now: holds it open, has claimed it, or has it as
// the controlling terminal of its session (a pty under `script`, a login); 0 for none, or where
// it cannot be told. Read from /proc in one pass, without opening any device.
QList<qint64> usersElsewhere(const QStringList& paths);

// From now on in this process a serial device the kernel writes its console to is refused
// (PortConsole) before it is opened: its messages would reach the printer, and the printer's
// bytes a login. Off unless a face turns it on.
void refuseKernelConsole(bool refuse);

// The kernel writes its console to this serial device (a line from the kernel's messages may
// reach the printer); false where it cannot tell.
bool isKernelConsole(const QString& path);

// What stands at a path; a face says it in its words ("a folder", "una FIFO").
enum class PathKind { Folder, PlainFile, Fifo, Socket, Device, Other };
PathKind kindAt(const QString& path);

} // namespace device_access
