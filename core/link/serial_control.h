#pragma once

#include "core/platform/cause.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// A serial port as the program uses it: configured with a port number and a line, opened for one
// job, written, read, and closed.
class SerialControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialControl() override;

    // Port number (1 = COM1) and line settings text ("9600,N,8,1"); both used by the next opening.
    virtual void setPortNumber(int port) = 0;
    virtual int portNumber() const = 0;
    virtual void setSettings(const QString& settings) = 0;
    virtual QString settings() const = 0;

    virtual bool isOpen() const = 0;
    // False when the port cannot be opened; failure() then says why. Opening an open port
    // changes nothing.
    virtual bool open() = 0;
    // Discards whatever is still queued.
    virtual void close() = 0;

    // Queues the bytes and returns at once; false when the port is closed or has failed.
    virtual bool write(const QByteArray& data) = 0;
    // Every byte received so far, removed from the receive buffer.
    virtual QByteArray readAll() = 0;

    // Bytes written but not yet on the line: what the system still holds, and at least what the
    // line's rate cannot have carried yet.
    virtual qint64 pendingOutput() const = 0;
    // Why the port failed since it was opened, or why the last opening failed; empty if neither.
    virtual QString errorString() const = 0;
    // The same as a cause; Cause::None if neither.
    virtual Cause cause() const = 0;
    // The device the port leads to ("/dev/ttyUSB0"), and both for messages ("COM3 (/dev/ttyUSB0)").
    virtual QString device() const = 0;
    virtual QString deviceName() const = 0;
    // The cause with the port, its device and the system's words.
    Failure failure() const;

signals:
    // Raised whenever bytes have arrived.
    void dataArrived();
    // Raised once, on the first failure of an open port (unplugged adapter, hang-up).
    void failed(const QString& reason);
};
