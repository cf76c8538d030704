#pragma once

#include "core/link/line_settings.h"
#include "core/platform/cause.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// A serial port as the program uses it: opened with a line for one job, written, read, closed.
class SerialControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialControl() override;

    // Opens "COM1" to "COM10" (through port_names) or a serial device by its path. Nothing when
    // the port is open afterwards, else why not (failure() says the same). Opening an open port
    // changes nothing, not even its line.
    Failure open(const QString& port, const LineSettings& line);
    virtual bool isOpen() const = 0;
    // Discards whatever is still queued.
    virtual void close() = 0;
    // While held, the device stays this user's across close() and the next open() of it, so
    // that nobody takes it between two steps of one job. Let go, a closed port frees it at once.
    void holdDevice(bool hold);
    bool holdsDevice() const { return m_hold; }

    // Queues the bytes and returns at once; false when the port is closed or has failed.
    virtual bool write(const QByteArray& data) = 0;
    // Every byte received so far, removed from the receive buffer.
    virtual QByteArray readAll() = 0;

    // Bytes written but not yet on the line: what the system still holds, and at least what the
    // line's rate cannot have carried yet.
    virtual qint64 pendingOutput() const = 0;
    // Whether the system shows what the device still holds: a UART's or a USB adapter's driver
    // does; a pseudo-terminal or a socket-backed port takes kilobytes unread and shows nothing, so
    // there a drained queue says only that the bytes were sent.
    virtual bool queueVisible() const { return true; }
    // Why the port failed since it was opened, or why the last opening failed; nothing if neither.
    virtual Failure failure() const = 0;

    // The port and line of the last opening, and the device the port leads to.
    QString port() const { return m_port; }
    LineSettings line() const { return m_line; }
    virtual QString device() const = 0;

signals:
    // Raised whenever bytes have arrived.
    void dataArrived();
    // Raised once, on the first failure of an open port (unplugged adapter, hang-up); failure()
    // says why.
    void failed();

protected:
    // Opens port() with line(); nothing, or why not.
    virtual Failure openPort() = 0;
    // Frees the device a closed port still holds.
    virtual void releaseDevice() {}

private:
    QString m_port = QStringLiteral("COM1");
    LineSettings m_line;
    bool m_hold = false;
};
