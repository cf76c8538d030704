#pragma once

#include "core/link/device_access.h"
#include "core/link/serial_control.h"

#include <QElapsedTimer>
#include <QSerialPort>

// The serial control over QSerialPort.
class QtSerialControl : public SerialControl
{
    Q_OBJECT
public:
    explicit QtSerialControl(QObject* parent = nullptr);
    ~QtSerialControl() override;

    bool isOpen() const override { return m_port.isOpen(); }
    void close() override;
    bool write(const QByteArray& data) override;
    QByteArray readAll() override;
    qint64 pendingOutput() const override;
    Failure failure() const override;
    QString device() const override;
    bool queueVisible() const override { return m_queueVisible; }

    // The operating system's handle of the open port (-1 when closed), for tests.
    qintptr nativeHandle() const { return m_port.isOpen() ? m_port.handle() : -1; }

protected:
    Failure openPort() override;
    void releaseDevice() override { m_claim.release(); }

private:
    Failure refuse(Cause cause, const QString& words);
    void latchError(QSerialPort::SerialPortError error);
    void fail(Cause cause, const QString& reason);
    // Bytes the line cannot have carried yet at its rate, whatever the system reports: a
    // pseudo-terminal or a USB adapter takes kilobytes at once and shows no queue.
    qint64 lineBacklog() const;
    // What Qt and the operating system still hold.
    qint64 systemQueue() const;

    QSerialPort m_port;
    device_access::Claim m_claim;
    QString m_error;
    QString m_openedDevice;
    Cause m_cause = Cause::None;
    QElapsedTimer m_clock;
    double m_bytesPerSecond = 0;
    double m_lineFreeAt = 0; // when the line will have carried every byte written so far
    bool m_failed = false;
    bool m_queueVisible = true;
    bool m_opening = false;
};
