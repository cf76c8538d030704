#include "core/printer/printer_link.h"

#include "core/link/serial_control.h"
#include "core/platform/clock.h"
#include "core/platform/lifetime.h"

PrinterLink::PrinterLink(SerialControl& port, Clock& clock, QObject* parent)
    : QObject(parent), m_port(port), m_clock(clock)
{
    connect(&m_port, &SerialControl::dataArrived, this, [this] { m_replies += m_port.readAll(); });
}

std::optional<QByteArray> PrinterLink::ask(const QByteArray& command)
{
    m_replies.clear();
    m_port.write(command); // a failing send is skipped: the wait tells
    m_clock.waitSeconds(kReplyWait);
    if (lifetime::ending())
        return std::nullopt;
    return m_replies;
}
