#pragma once

#include "core/link/device_access.h"
#include "core/platform/cause.h"

#include <QFile>
#include <QString>

// The two file channels of a download: channel 1 the source file (read only: a loader never
// creates, changes or deletes the operator's files) and channel 2 the parallel device "LPT1:".
class FileChannels
{
public:
    FileChannels();
    // Opens the source for reading; on failure `reason` holds the operating system's words.
    bool openSource(const QString& path, QString* reason);
    bool sourceOpen() const { return m_source.isOpen(); }
    QFile& source() { return m_source; }
    void closeSource();

    // Opens the parallel device for output; the bytes written reach it unchanged, in order.
    // Never waits for a peer and never creates the device; a device another user holds, under
    // whatever name, is refused. On failure `failure` says why.
    bool openPortChannel(const QString& device, Failure* failure);
    // Writes what the device takes now, never waiting: the bytes taken, 0 while it is busy (off
    // line, out of paper), -1 on a failure that `failure` names. The caller waits, interruptibly.
    qint64 writeToPortChannel(const char* data, qint64 size, Failure* failure);
    // A device that takes nothing for this long has stalled.
    static constexpr int kWriteStallSeconds = 10;
    bool portChannelOpen() const { return m_port.isOpen(); }
    void closePortChannel();
    // While held, the parallel device stays this download's across a close and the next opening.
    void holdPortChannel(bool hold);
    QString portChannelDevice(const QString& chosen) const;

    void closeAll();

private:
    QFile m_source;
    QFile m_port;
    device_access::Claim m_portClaim;
    bool m_holdPort = false;
    QString m_portDevice; // what LPT1 led to when it was opened
};
