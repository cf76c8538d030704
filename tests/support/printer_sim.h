#pragma once

#include "tests/support/pty_pair.h"
#include "tools/printer_sim/printer_protocol.h"

#include <atomic>
#include <mutex>
#include <thread>

// The simulated printer's protocol on the master side of a pseudo-terminal, in a thread.
class PrinterSim
{
public:
    PrinterSim(PtyPair& pty, PrinterProtocol::Config config = {}, int delayMs = 50);
    ~PrinterSim();
    QByteArray received();

private:
    void run();

    PtyPair& m_pty;
    PrinterProtocol m_protocol;
    int m_delayMs;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    QByteArray m_received;
    std::thread m_thread;
};
