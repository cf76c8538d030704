#include "core/link/serial_control.h"

SerialControl::~SerialControl() = default;

Failure SerialControl::open(const QString& port, const LineSettings& line)
{
    if (isOpen())
        return {};
    m_port = port;
    m_line = line;
    return openPort();
}

void SerialControl::holdDevice(bool hold)
{
    m_hold = hold;
    if (!hold && !isOpen())
        releaseDevice();
}
