#pragma once

#include "core/link/line_settings.h"
#include "core/platform/cause.h"

#include <QList>
#include <QString>
#include <QStringList>

// The names COM1 to COM10 and LPT1, where each leads and whether it can be used; the devices
// found on this machine; and the links that give a device a name. Both faces show and change
// the same through it: the ports window and velmora-cli ports.
namespace port_catalog {

struct Name {
    QString name;
    QString device;       // where it leads now
    QString entry;        // its entry in the ports folder; empty when the platform's own device is used
    bool ours = false;    // that entry is a link this tool made (freed or replaced without asking)
    Failure state;        // why it cannot be used now; no cause: it can
    bool console = false; // the kernel writes its console there
    bool parallel() const { return isParallelPort(name); }
};
// COM1 to COM10, then LPT1.
QList<Name> names();
Name nameOf(const QString& name);
// The names a search for the printer may ask: serial, usable now, not the kernel's console, and
// used by no other program (open, claimed, a session's terminal); those passed over for that last
// reason go to `inUse`.
QStringList probeCandidates(QStringList* inUse = nullptr);

struct Device {
    enum class Kind { SerialAdapter, Uart, Parallel };
    Kind kind = Kind::SerialAdapter;
    QString path;       // the node, /dev/ttyUSB0
    QString stablePath; // what a name should lead to: its /dev/serial/by-id name, else the node
    QString description, manufacturer, serialNumber;
    int vendorId = -1, productId = -1;
    QStringList namedBy; // the names that lead to it
};
// Serial adapters (with what the system knows of them), the UARTs the kernel found, and
// parallel devices (/dev/lp*, /dev/usb/lp*), each once.
QList<Device> devices(const QString& root = QStringLiteral("/dev"));

// What tells this device apart from others of its kind: its /dev/serial/by-id name, else the
// adapter's serial number; empty when nothing does.
QString identityOf(const QString& device);

// A change of a name: done, refused because an entry the tool did not make stands there (ask,
// then again with `replace`), or failed with the system's words.
struct Change {
    enum class Result { Done, Foreign, Failed };
    Result result = Result::Done;
    QString error;
};
// `name` leads to `device` from now on: a link in the ports folder (made if need be).
Change link(const QString& name, const QString& device, bool replace = false);
// `name` leads where the platform's own device is again: its link goes, nothing else.
Change unlink(const QString& name, bool replace = false);

} // namespace port_catalog
