#include "core/printer/printer_link.h"

#include "core/link/serial_control.h"
#include "core/platform/clock.h"

PrinterLink::PrinterLink(SerialControl& port, Clock& clock, QObject* parent)
    : QObject(parent), m_port(port), m_clock(clock)
{
    connect(&m_port, &SerialControl::dataArrived, this, [this] {
        const QByteArray block = m_port.readAll();
        // A printer that floods the line must not fill the memory: a reply is a short line.
        m_replies += block.left(qMax<qsizetype>(0, kMaxReply - m_replies.size()));
    });
}

std::optional<QByteArray> PrinterLink::reported(const QByteArray& reply)
{
    if (reply.size() <= 1)
        return std::nullopt;
    qsizetype end = 0;
    while (end < reply.size() && reply[end] != '\r' && reply[end] != '\n')
        ++end;
    if (end == reply.size()) // cut short: "1.0" of "1.05\r" is no release
        return std::nullopt;
    const QByteArray text = reply.left(end).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

Task<QByteArray> PrinterLink::ask(QByteArray command)
{
    m_replies.clear();
    m_port.write(command); // a failing send is skipped: the wait tells
    co_await m_clock.sleep(kReplyWait);
    co_return m_replies;
}
