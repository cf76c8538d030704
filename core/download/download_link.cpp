#include "core/download/download_link.h"

#include "core/link/open_link.h"
#include "core/link/parallel_port.h"
#include "core/link/serial_control.h"

double SerialLink::stallSecondsAt(const LineSettings& line)
{
    return qMax(10.0, 8192.0 / (line.baud / 10.0));
}

QString SerialLink::name() const
{
    return m_port.port();
}

QString SerialLink::device() const
{
    return m_port.device();
}

Failure SerialLink::open()
{
    return openSerialLink(m_choice(), m_port);
}

bool SerialLink::isOpen() const
{
    return m_port.isOpen();
}

void SerialLink::close()
{
    if (m_port.isOpen())
        m_port.close();
}

qint64 SerialLink::write(const char* data, qint64 size, Failure* failure)
{
    // The control queues everything it is given, or fails.
    if (m_port.write(QByteArray(data, size)))
        return size;
    if (failure)
        *failure = m_port.failure();
    return -1;
}

qint64 SerialLink::pending() const
{
    return m_port.pendingOutput();
}

double SerialLink::rate() const
{
    return m_port.line().baud / 10.0;
}

double SerialLink::stallSeconds() const
{
    return stallSecondsAt(m_port.line());
}

bool SerialLink::confirmsLine() const
{
    return m_port.queueVisible();
}

void SerialLink::hold(bool on)
{
    m_port.holdDevice(on);
}

QString ParallelLink::name() const
{
    return kParallelPort;
}

QString ParallelLink::device() const
{
    return m_port.device(m_choice().device());
}

Failure ParallelLink::open()
{
    Failure failure;
    if (m_port.isOpen() || m_port.open(m_choice().device(), &failure))
        return {};
    return failure;
}

bool ParallelLink::isOpen() const
{
    return m_port.isOpen();
}

void ParallelLink::close()
{
    m_port.close();
}

qint64 ParallelLink::write(const char* data, qint64 size, Failure* failure)
{
    return m_port.write(data, size, failure);
}

double ParallelLink::stallSeconds() const
{
    return ParallelPort::kWriteStallSeconds;
}

void ParallelLink::hold(bool on)
{
    m_port.hold(on);
}
