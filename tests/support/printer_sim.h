#pragma once

#include "tests/support/pty_pair.h"

#include <QByteArray>
#include <QMap>

#include <atomic>
#include <mutex>
#include <thread>

// The printer's side of the query protocol on a pseudo-terminal: answers the presence probe
// "!0" and the queries "?54&n" + CR LF with configured texts, after a delay; or stays silent.
class PrinterSim
{
public:
    struct Config {
        QByteArray handshake = "OK\r";
        QMap<QByteArray, QByteArray> queries = {{"?54&10", "PX-9000\r"}, {"?54&4", "1.05\r"}, {"?54&12", "FLASH 4M\r"}};
        int delayMs = 50;
        bool silent = false;
    };
    PrinterSim(PtyPair& pty, Config config);
    ~PrinterSim();
    QByteArray received();

private:
    void run();
    void reply(const QByteArray& text);

    PtyPair& m_pty;
    Config m_config;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    QByteArray m_received;
    std::thread m_thread;
};
