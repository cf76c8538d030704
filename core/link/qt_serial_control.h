#pragma once

#include "core/link/serial_control.h"

#include <QElapsedTimer>
#include <QSerialPort>

struct LineSettings;

// A settings text's line parameters in QSerialPort's terms.
struct QtLineSettings {
    qint32 baud;
    QSerialPort::Parity parity;
    QSerialPort::DataBits dataBits;
    QSerialPort::StopBits stopBits;
    bool operator==(const QtLineSettings&) const = default;
};
QtLineSettings qtLineSettings(const LineSettings& line);

// The serial control over QSerialPort. COMn resolves through port_names.
class QtSerialControl : public SerialControl
{
    Q_OBJECT
public:
    explicit QtSerialControl(QObject* parent = nullptr);
    ~QtSerialControl() override;

    void setPortNumber(int port) override { m_commPort = port; }
    int portNumber() const override { return m_commPort; }
    void setSettings(const QString& settings) override { m_settings = settings; }
    QString settings() const override { return m_settings; }
    bool isOpen() const override { return m_port.isOpen(); }
    bool open() override;
    void close() override;
    bool write(const QByteArray& data) override;
    QByteArray readAll() override;
    qint64 pendingOutput() const override;
    QString errorString() const override { return m_error; }
    Cause cause() const override { return m_cause; }
    QString device() const override;
    QString deviceName() const override;

    // The operating system's handle of the open port (-1 when closed), for tests.
    qintptr nativeHandle() const { return m_port.isOpen() ? m_port.handle() : -1; }

private:
    bool refuse(Cause cause, const QString& words);
    void onError(QSerialPort::SerialPortError error);
    void fail(Cause cause, const QString& reason);
    // Bytes the line cannot have carried yet at its rate, whatever the system reports: a
    // pseudo-terminal or a USB adapter takes kilobytes at once and shows no queue.
    qint64 lineBacklog() const;
    // What Qt and the operating system still hold.
    qint64 systemQueue() const;

    QSerialPort m_port;
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    QString m_error;
    QString m_openedDevice;
    Cause m_cause = Cause::None;
    QElapsedTimer m_clock;
    double m_bytesPerSecond = 0;
    double m_lineFreeAt = 0; // when the line will have carried every byte written so far
    bool m_failed = false;
    bool m_opening = false;
};
