#pragma once

#include "core/link/device_access.h"
#include "core/platform/cause.h"

#include <QFile>
#include <QString>

// The parallel port "LPT1": a printer's device (lp, parport, usblp) or a FIFO, written as it
// takes the bytes, for one user at a time. The serial port's peer for a download.
class ParallelPort
{
public:
    // Opens the device `chosen` (or the one this job opened first, while it holds it) for
    // output; the bytes written reach it unchanged, in order. Never waits for a peer and never
    // creates the device; a device another user holds, under whatever name, is refused. On
    // failure `failure` says why.
    bool open(const QString& chosen, Failure* failure);
    // Writes what the device takes now, never waiting: the bytes taken, 0 while it is busy (off
    // line, out of paper), -1 on a failure that `failure` names. The caller waits, interruptibly.
    qint64 write(const char* data, qint64 size, Failure* failure);
    // A device that takes nothing for this long has stalled.
    static constexpr int kWriteStallSeconds = 10;
    bool isOpen() const { return m_file.isOpen(); }
    void close();
    // While held, the device stays this job's across a close and the next opening.
    void hold(bool hold);
    // Where the job writes: the device it holds, else `chosen`.
    QString device(const QString& chosen) const;

private:
    QFile m_file;
    device_access::Claim m_claim;
    bool m_hold = false;
    QString m_device; // what LPT1 led to when it was opened
};
