#include "tests/support/printer_sim.h"

#include <chrono>
#include <poll.h>
#include <unistd.h>

PrinterSim::PrinterSim(PtyPair& pty, Config config) : m_pty(pty), m_config(std::move(config))
{
    m_thread = std::thread([this] { run(); });
}

PrinterSim::~PrinterSim()
{
    m_stop = true;
    m_thread.join();
}

QByteArray PrinterSim::received()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

void PrinterSim::reply(const QByteArray& text)
{
    if (m_config.silent || text.isEmpty())
        return;
    std::this_thread::sleep_for(std::chrono::milliseconds(m_config.delayMs));
    m_pty.write(text);
}

void PrinterSim::run()
{
    QByteArray pending;
    while (!m_stop) {
        pollfd p{m_pty.master(), POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = ::read(m_pty.master(), buf, sizeof buf);
        if (n <= 0)
            continue;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_received.append(buf, int(n));
        }
        pending.append(buf, int(n));
        for (;;) {
            if (pending.startsWith("!0")) {
                pending.remove(0, 2);
                reply(m_config.handshake);
                continue;
            }
            const qsizetype end = pending.indexOf("\r\n");
            if (pending.startsWith('?') && end >= 0) {
                reply(m_config.queries.value(pending.left(end)));
                pending.remove(0, end + 2);
                continue;
            }
            if (!pending.isEmpty() && !pending.startsWith('?') && !pending.startsWith('!')) {
                pending.remove(0, 1); // not a command: skipped
                continue;
            }
            break;
        }
    }
}
