#include "core/printer/printer_link.h"

#include "core/link/serial_control.h"
#include "core/platform/clock.h"
#include "core/platform/lifetime.h"

PrinterLink::PrinterLink(SerialControl& port, Clock& clock, QObject* parent)
    : QObject(parent), m_port(port), m_clock(clock)
{
    connect(&m_port, &SerialControl::onComm, this, [this] {
        if (m_port.commEvent() == SerialControl::ReceiveEvent)
            ReplyBuffer += m_port.input();
    });
}

std::optional<QByteArray> PrinterLink::ask(const QByteArray& command)
{
    ReplyBuffer.clear();
    m_port.output(command); // a failing send is skipped: the wait tells
    m_clock.waitSeconds(kReplyWait);
    if (lifetime::ending())
        return std::nullopt;
    return ReplyBuffer;
}
