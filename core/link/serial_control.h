#pragma once

#include "core/platform/cause.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial communications control (MSComm1): exactly the operations the program uses.
class SerialControl : public QObject
{
    Q_OBJECT
public:
    static constexpr int ReceiveEvent = 2;

    using QObject::QObject;
    ~SerialControl() override;

    // Port number (1 = COM1) and settings text ("9600,N,8,1"); both used by the next opening.
    virtual void setCommPort(int port) = 0;
    virtual int commPort() const = 0;
    virtual void setSettings(const QString& settings) = 0;
    virtual QString settings() const = 0;

    virtual bool portOpen() const = 0;
    // Opening returns false when the port cannot be opened; errorString() then says why.
    // Closing discards whatever is still queued.
    virtual bool setPortOpen(bool open) = 0;

    // Queues the bytes and returns at once; false when the port is closed or has failed.
    virtual bool output(const QByteArray& data) = 0;
    // Every byte received so far, removed from the receive buffer.
    virtual QByteArray input() = 0;
    virtual int commEvent() const = 0;

    // Bytes written but not yet on the line (ours and the operating system's queue).
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
    // OnComm: raised on the UI thread whenever characters have arrived (commEvent() == 2).
    void onComm();
    // Raised once, on the first failure of an open port (unplugged adapter, hang-up).
    void failed(const QString& reason);
};
