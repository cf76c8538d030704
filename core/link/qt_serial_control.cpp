#include "core/link/qt_serial_control.h"

#include "core/link/device_access.h"
#include "core/link/port_names.h"
#include "core/platform/wire_trace.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif

QtSerialControl::QtSerialControl(QObject* parent) : SerialControl(parent)
{
    m_clock.start();
    connect(&m_port, &QSerialPort::readyRead, this, &SerialControl::dataArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialControl::latchError);
}

QtSerialControl::~QtSerialControl()
{
    if (m_port.isOpen())
        m_port.close();
    m_claim.release();
}

QString QtSerialControl::device() const
{
    // A job resolves its port's name once: while it holds the device, that device is the port's.
    return m_claim.held() ? m_openedDevice : port_names::serialDeviceOf(port());
}

Failure QtSerialControl::failure() const
{
    return m_cause == Cause::None ? Failure{} : Failure{m_cause, port(), device(), m_error};
}

Failure QtSerialControl::refuse(Cause cause, const QString& words)
{
    m_cause = cause;
    m_error = words;
    if (m_port.isOpen())
        m_port.close();
    if (!holdsDevice())
        m_claim.release();
    return failure();
}

void QtSerialControl::close()
{
    if (!m_port.isOpen())
        return;
    // Whatever is still queued is dropped, so that closing never waits for the line. A drained
    // port flushes nothing: on a pseudo-terminal a flush would also throw away what the other
    // side has not read yet.
    if (systemQueue() > 0)
        m_port.clear(QSerialPort::Output);
    m_port.close();
    if (!holdsDevice())
        m_claim.release();
}

Failure QtSerialControl::openPort()
{
    m_failed = false;
    m_error.clear();
    m_cause = Cause::None;
    const QString path = device();
    if (path.isEmpty())
        return refuse(Cause::PortUnselected, QCoreApplication::translate("Link", "no such serial port"));
    if (const Failure f = device_access::check(path, device_access::Use::Serial))
        return refuse(f.cause, f.system);
    m_port.setPortName(path);
    if (!m_claim.held()) {
        const QString real = QFileInfo(path).canonicalFilePath();
        m_openedDevice = real.isEmpty() ? path : real;
    }
    // A setting the driver refuses makes Qt report an error of the open port; that is a failed
    // opening, reported once by the caller, not a failure of a running transfer.
    m_opening = true;
    const bool opened = m_port.open(QIODevice::ReadWrite);
    const auto openError = m_port.error();
    const QString openWords = m_port.errorString();
    bool configured = false;
    const auto taken = opened ? m_claim.take(int(m_port.handle())) : device_access::Claim::Take::Busy;
    if (opened && taken == device_access::Claim::Take::Taken) {
        const LineSettings q = line();
        // 56000 is no standard rate on Linux; QSerialPort sets it as a custom rate (termios2 BOTHER).
        configured = m_port.setBaudRate(q.baud) && m_port.setParity(q.parity) && m_port.setDataBits(q.dataBits) &&
                     m_port.setStopBits(q.stopBits) && m_port.setFlowControl(QSerialPort::NoFlowControl);
        // Whatever arrived before this opening (a late reply to an earlier query waits in the
        // device's input queue) answers nothing sent from now on. A driver that cannot flush
        // still gives a usable port.
        if (configured)
            m_port.clear(QSerialPort::Input);
    }
    m_opening = false;
    if (!opened) {
        switch (openError) {
        case QSerialPort::DeviceNotFoundError:
            return refuse(Cause::PortMissing, openWords);
        case QSerialPort::PermissionError:
            // Qt says the same for a device held by another program (its lock file, EBUSY) and
            // for one this user may not open; the device's own permissions tell them apart.
            return refuse(device_access::check(path, device_access::Use::Serial).cause == Cause::PortNoPermission
                              ? Cause::PortNoPermission
                              : Cause::PortBusy,
                          openWords);
        case QSerialPort::UnsupportedOperationError:
            return refuse(Cause::PortNotSerial, openWords); // /dev/null: no terminal
        default:
            return refuse(Cause::PortOpenFailed, openWords);
        }
    }
    if (!m_port.isOpen() || m_port.handle() < 0)
        return refuse(Cause::PortOpenFailed, m_port.errorString());
    if (taken == device_access::Claim::Take::Changed)
        return refuse(Cause::LinkDeviceChanged,
                      QCoreApplication::translate("Link", "not the device this job opened first"));
    if (!configured && m_port.error() == QSerialPort::NoError)
        return refuse(Cause::PortBusy, QCoreApplication::translate("Link", "another user holds the device"));
    if (!configured)
        return refuse(Cause::PortSettingsRefused, m_port.errorString());
#ifdef Q_OS_LINUX
    // Hardware behind a tty has a device in sysfs; a pseudo-terminal or a virtual port has none.
    const QString real = QFileInfo(path).canonicalFilePath();
    m_queueVisible = !real.startsWith(QLatin1String("/dev/pts/")) &&
                     QFileInfo::exists(QStringLiteral("/sys/class/tty/%1/device").arg(QFileInfo(real).fileName()));
#endif
    m_bytesPerSecond = double(line().baud) / line().bitsPerCharacter();
    m_lineFreeAt = double(m_clock.nsecsElapsed()) / 1e9;
    return {};
}

bool QtSerialControl::write(const QByteArray& data)
{
    if (!m_port.isOpen() || m_failed)
        return false;
    if (data.isEmpty())
        return true;
    wire_trace::note(port(), wire_trace::Direction::Sent, data);
    if (m_port.write(data) != data.size()) {
        fail(Cause::LinkWriteFailed, m_port.errorString());
        return false;
    }
    const double now = double(m_clock.nsecsElapsed()) / 1e9;
    m_lineFreeAt = qMax(m_lineFreeAt, now) + double(data.size()) / m_bytesPerSecond;
    return !m_failed;
}

QByteArray QtSerialControl::readAll()
{
    const QByteArray got = m_port.isOpen() ? m_port.readAll() : QByteArray();
    wire_trace::note(port(), wire_trace::Direction::Received, got);
    return got;
}

qint64 QtSerialControl::lineBacklog() const
{
    if (!m_port.isOpen() || m_bytesPerSecond <= 0)
        return 0;
    const double left = m_lineFreeAt - double(m_clock.nsecsElapsed()) / 1e9;
    return left > 0 ? qint64(std::ceil(left * m_bytesPerSecond)) : 0;
}

qint64 QtSerialControl::systemQueue() const
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

qint64 QtSerialControl::pendingOutput() const
{
    return qMax(systemQueue(), lineBacklog());
}

void QtSerialControl::latchError(QSerialPort::SerialPortError error)
{
    // Qt reports an unplugged adapter inconsistently (a stale ReadError, then ResourceError on
    // write), and errno is often stale by then: the first real error of an open port is
    // latched, named by what can be seen now, and reported once.
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_port.isOpen() || m_opening)
        return;
    if (error == QSerialPort::WriteError)
        return fail(Cause::LinkWriteFailed, m_port.errorString());
    // An adapter pulled out takes its device node with it; a pseudo-terminal's node goes when its
    // other side closes, which is that side hanging up.
    const bool gone = !QFileInfo::exists(m_openedDevice) && !m_openedDevice.startsWith(QLatin1String("/dev/pts/"));
    fail(gone ? Cause::LinkDeviceGone : Cause::LinkHungUp,
         gone ? QCoreApplication::translate("Link", "%1 no longer exists").arg(m_openedDevice)
              : QCoreApplication::translate("Link", "the line was closed at the other end"));
}

void QtSerialControl::fail(Cause cause, const QString& reason)
{
    if (m_failed)
        return;
    m_failed = true;
    m_cause = cause;
    m_error = reason;
    emit failed();
}
