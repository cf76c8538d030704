#include "core/printer/printer_probe.h"

#include "core/link/open_link.h"
#include "core/link/serial_control.h"
#include "core/printer/printer_link.h"
#include "core/printer/protocol.h"

#include <cctype>

struct PrinterProbe::Asker {
    std::unique_ptr<SerialControl> port;
    std::unique_ptr<PrinterLink> printer;
    Job job;
};

PrinterProbe::PrinterProbe(Clock& clock, PortMaker makePort, QObject* parent)
    : QObject(parent), m_clock(clock), m_makePort(std::move(makePort))
{}

PrinterProbe::~PrinterProbe()
{
    cancel();
}

PrinterProbe::Report PrinterProbe::report() const
{
    Report r{m_found, m_asked};
    for (const Found& f : m_found)
        r.silent.removeAll(f.port);
    return r;
}

bool PrinterProbe::isModelAnswer(const QByteArray& reply)
{
    // A short line of text ended by its CR (an LF may follow): no NUL, nothing past 7 bits, a
    // letter or digit in it.
    const qsizetype end = reply.indexOf('\r');
    if (end < 1 || end > kMaxModel || reply.size() > end + 2 || (reply.size() == end + 2 && reply[end + 1] != '\n'))
        return false;
    bool text = false;
    for (qsizetype i = 0; i < end; ++i) {
        const uchar c = uchar(reply[i]);
        if (c == 0 || c >= 0x80)
            return false;
        text = text || std::isalnum(c);
    }
    return text;
}

QStringList PrinterProbe::linesFor(const QString& chosen)
{
    QStringList lines;
    if (offeredLine(chosen))
        lines << chosen;
    const QString rest = chosen.mid(chosen.indexOf(','));
    for (const QString& baud : kBaudItems)
        if (offeredLine(baud + rest) && !lines.contains(baud + rest))
            lines << baud + rest;
    return lines;
}

void PrinterProbe::start(const QStringList& ports, const QString& chosenLine)
{
    if (running())
        return;
    cancel();
    m_found.clear();
    m_asked = ports;
    const QStringList lines = linesFor(chosenLine);
    for (const QString& name : ports) {
        auto asker = std::make_unique<Asker>();
        asker->port = m_makePort();
        asker->port->setObjectName(name); // which port, for the one who reads the wire
        asker->printer = std::make_unique<PrinterLink>(*asker->port, m_clock);
        connect(&asker->job, &Job::finished, this, [this] {
            if (--m_running == 0)
                emit finished(report());
        });
        m_askers.push_back(std::move(asker));
    }
    m_running = int(m_askers.size());
    for (qsizetype i = 0; i < qsizetype(m_askers.size()); ++i)
        m_askers[i]->job.start(ask(*m_askers[i], lines));
    if (m_askers.empty())
        emit finished(report());
}

void PrinterProbe::cancel()
{
    m_running = 0;
    for (const auto& asker : m_askers) {
        asker->job.cancel();
        if (asker->port->isOpen())
            asker->port->close();
    }
    m_askers.clear();
}

Task<> PrinterProbe::ask(Asker& a, QStringList lines)
{
    SerialControl& port = *a.port;
    const QString name = port.objectName();
    for (const QString& text : lines) {
        if (openSerialLink(LinkChoice{name, offeredLine(text)}, port))
            co_return; // held elsewhere, missing: nothing is sent to it
        const bool heard = !(co_await a.printer->ask(protocol::kHandshake)).isEmpty();
        if (heard) {
            // Noise at a wrong rate, or a device that is no printer, answers something too: only a
            // model's answer finds the printer.
            const QByteArray model = co_await a.printer->ask(protocol::kAskModel);
            if (isModelAnswer(model)) {
                Found f{name, port.device(), text, QString::fromLatin1(model.left(model.indexOf('\r'))), {}};
                if (m_askRelease)
                    f.release = QString::fromLatin1(
                        PrinterLink::reported(co_await a.printer->ask(protocol::kAskRelease)).value_or(QByteArray()));
                port.close();
                m_found << f;
                emit answered(f);
                co_return;
            }
        }
        port.close();
    }
}
