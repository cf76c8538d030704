#pragma once

#include <QString>

#include <optional>

// Why a job could not do what it was asked: the file, the port, the link or the printer, in that
// order (concernOf relies on it). Each face turns a cause into its own words (a message's
// detail, an exit status, a stable id).
enum class Cause {
    None,
    // The file to send or search.
    FileMissing,
    FileEmpty,
    FileNotRegular, // a folder, a FIFO, a device
    FileUnreadable,
    FileTooBig,
    FileChanged, // what went out is not what the header announced
    // Opening a port.
    PortUnselected, // no port or an incomplete line in the boxes
    PortMissing,    // nothing at the device's path (a dangling link too)
    PortNoPermission,
    PortBusy,      // another program, or another of our own users, holds the device
    PortNotSerial, // a folder, a plain file, /dev/null: no serial device
    PortNotDevice, // LPT1 names a folder
    PortNotPrinter, // LPT1 names a disk, /dev/null, a terminal, a plain file: nothing a printer stands behind
    PortNoReader,  // LPT1 is a FIFO nobody reads
    PortSettingsRefused,
    PortParallel, // LPT1 chosen for a job that talks with the printer: it answers on a serial port
    PortConsole,  // the kernel writes its console there (refused where a face asks so)
    PortOpenFailed,
    // A link that was open.
    LinkHungUp,
    LinkDeviceGone,
    LinkWriteFailed,
    LinkStalled,
    LinkReopenFailed, // the job's next opening of its port, after bytes went out, was refused
    LinkDeviceChanged, // another device stands where the job's device was when it opened its port again
    // The printer.
    PrinterNoAnswer,
};

// A stable identifier for scripts and the record: "port-busy", "file-changed", ...; empty for none.
QString causeId(Cause cause);
std::optional<Cause> causeOfId(const QString& id);

// A cause with what it concerns: the file's path or the port and its device, and the operating
// system's own words where it gave any.
struct Failure {
    Cause cause = Cause::None;
    QString subject; // a path, or a port such as "COM3"
    QString device;  // the device a port leads to
    QString system;  // the operating system's words
    bool operator==(const Failure&) const = default;
    explicit operator bool() const { return cause != Cause::None; }
};

// What a cause concerns: the file, opening the port, the link once open, or the printer.
enum class Concern { None, File, Port, Link, Printer };
Concern concernOf(Cause cause);
