#include "tests/support/printer_sim.h"

#include <QElapsedTimer>

#include <chrono>
#include <poll.h>
#include <unistd.h>

PrinterSim::PrinterSim(PtyPair& pty, PrinterProtocol::Config config, int delayMs)
    : m_pty(pty), m_protocol(std::move(config)), m_delayMs(delayMs)
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

void PrinterSim::run()
{
    QElapsedTimer clock;
    clock.start();
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
        for (const QByteArray& reply : m_protocol.feed(QByteArray(buf, int(n)), clock.nsecsElapsed() / 1e9)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(m_delayMs));
            m_pty.write(reply);
        }
    }
}
