#include "core/link/qt_serial_control.h"

#include "core/link/link_settings.h"
#include "core/link/port_names.h"

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif

QtLineSettings qtLineSettings(const LineSettings& line)
{
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (line.parity) {
    case 'E':
        parity = QSerialPort::EvenParity;
        break;
    case 'O':
        parity = QSerialPort::OddParity;
        break;
    case 'M':
        parity = QSerialPort::MarkParity;
        break;
    case 'S':
        parity = QSerialPort::SpaceParity;
        break;
    default:
        break;
    }
    const QSerialPort::StopBits stop = line.stopBits == QLatin1String("2")     ? QSerialPort::TwoStop
                                       : line.stopBits == QLatin1String("1.5") ? QSerialPort::OneAndHalfStop
                                                                               : QSerialPort::OneStop;
    return QtLineSettings{line.baud, parity, QSerialPort::DataBits(line.dataBits), stop};
}

QtSerialControl::QtSerialControl(QObject* parent) : SerialControl(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        m_commEvent = ReceiveEvent;
        emit onComm();
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialControl::onError);
}

QtSerialControl::~QtSerialControl()
{
    if (m_port.isOpen())
        m_port.close();
}

QString QtSerialControl::deviceName() const
{
    // The operator knows the port as COMn; the device it leads to says where to look.
    const QString com = QStringLiteral("COM%1").arg(m_commPort);
    const QString device = port_names::serialDevice(m_commPort);
    return device == com ? com : QStringLiteral("%1 (%2)").arg(com, device);
}

bool QtSerialControl::setPortOpen(bool open)
{
    if (!open) {
        if (m_port.isOpen()) {
            // Whatever is still queued is dropped, so that closing never waits for the line.
            // A drained port flushes nothing: on a pseudo-terminal a flush would also throw
            // away what the other side has not read yet.
            if (pendingOutput() > 0)
                m_port.clear(QSerialPort::Output);
            m_port.close();
        }
        return true;
    }
    if (m_port.isOpen())
        return true;
    m_failed = false;
    m_error.clear();
    if (m_commPort < 1) {
        m_error = tr("no serial port selected");
        return false;
    }
    const std::optional<LineSettings> line = parseLinkSettings(m_settings);
    if (!line) {
        m_error = tr("unusable line settings \"%1\"").arg(m_settings);
        return false;
    }
    m_port.setPortName(port_names::serialDevice(m_commPort));
    // A setting the driver refuses makes Qt report an error of the open port; that is a failed
    // opening, reported once by the caller, not a failure of a running transfer.
    m_opening = true;
    bool opened = m_port.open(QIODevice::ReadWrite);
    if (opened) {
        const QtLineSettings q = qtLineSettings(*line);
        // 56000 is no standard rate on Linux; QSerialPort sets it as a custom rate (termios2 BOTHER).
        opened = m_port.setBaudRate(q.baud) && m_port.setParity(q.parity) && m_port.setDataBits(q.dataBits) &&
                 m_port.setStopBits(q.stopBits) && m_port.setFlowControl(QSerialPort::NoFlowControl);
        // Whatever arrived before this opening (a late reply to an earlier query waits in the
        // device's input queue) answers nothing sent from now on. A driver that cannot flush
        // still gives a usable port.
        if (opened)
            m_port.clear(QSerialPort::Input);
    }
    m_opening = false;
    if (!opened) {
        m_error = m_port.errorString();
        if (m_port.isOpen())
            m_port.close();
        return false;
    }
    m_commEvent = 0;
    return true;
}

bool QtSerialControl::output(const QByteArray& data)
{
    if (!m_port.isOpen() || m_failed)
        return false;
    if (data.isEmpty())
        return true;
    if (m_port.write(data) != data.size()) {
        fail(m_port.errorString());
        return false;
    }
    return !m_failed;
}

QByteArray QtSerialControl::input()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

qint64 QtSerialControl::pendingOutput() const
{
    if (!m_port.isOpen())
        return 0;
    qint64 pending = m_port.bytesToWrite();
#ifdef Q_OS_UNIX
    int queued = 0;
    if (::ioctl(int(m_port.handle()), TIOCOUTQ, &queued) == 0 && queued > 0)
        pending += queued;
#endif
    return pending;
}

void QtSerialControl::onError(QSerialPort::SerialPortError error)
{
    // Qt reports an unplugged adapter inconsistently (a stale ReadError, then ResourceError on
    // write): the first real error of an open port is latched and reported once.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_port.isOpen() || m_opening)
        return;
    fail(m_port.errorString());
}

void QtSerialControl::fail(const QString& reason)
{
    if (m_failed)
        return;
    m_failed = true;
    m_error = reason;
    emit failed(m_error);
}
