#pragma once

#include "core/link/serial_control.h"
#include "tests/support/timeline.h"

#include <QList>
#include <QMap>

class Clock;

// A serial control that records what the program does with it, on the virtual clock.
class FakeSerialControl : public SerialControl
{
    Q_OBJECT
public:
    struct Write {
        double time;
        QByteArray data;
        double onWire; // when its first byte starts on the line
    };
    struct Reply {
        QByteArray text;
        double delay = 0.1;
    };

    explicit FakeSerialControl(Clock& clock) : m_clock(clock) {}

    void setCommPort(int port) override { m_port = port; }
    int commPort() const override { return m_port; }
    void setSettings(const QString& settings) override { m_settings = settings; }
    QString settings() const override { return m_settings; }
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override;
    bool output(const QByteArray& data) override;
    QByteArray input() override { return std::exchange(m_inbox, {}); }
    int commEvent() const override { return ReceiveEvent; }
    qint64 pendingOutput() const override;
    QString errorString() const override { return m_error; }
    QString deviceName() const override { return QStringLiteral("COM%1").arg(m_port); }

    // Scripting.
    void refuseOpen(bool refuse) { m_refuse = refuse; }
    // The line takes this many bytes a second (0: at once), so that draining takes time.
    void setLineRate(double bytesPerSecond) { m_rate = bytesPerSecond; }
    // A real line: each opening sets the rate its settings give (start bit, data bits, parity, stop bits), and
    // the device keeps up to `deviceQueue` bytes the operating system does not count (as USB adapters do).
    void modelLine(qint64 deviceQueue) { m_deviceQueue = deviceQueue; }
    // The queue is reported in steps of this many bytes, as some drivers and ptys do.
    void setReportStep(qint64 bytes) { m_step = bytes; }
    // Writes fail once this many bytes have been written in all (a hang-up, an unplug).
    void failAfter(qint64 bytes) { m_failAfter = bytes; }
    // The other side goes away now (cable pulled, printer restarting).
    void hangUp();
    // A printer answering: each command sent gets these replies, after their delays (on a virtual clock).
    void answer(const QByteArray& command, QList<Reply> replies) { m_answers[command] = std::move(replies); }

    // Bytes that have left the wire by now, and the most that were ever waiting for it.
    qint64 onTheWire() const { return bytesWritten() - unsent(); }
    qint64 largestBacklog() const { return m_largestBacklog; }
    // How long the wire stayed idle after data byte `offset` had gone out (the header write is not counted).
    double idleAfter(qint64 offset) const;
    QByteArray allBytes() const;
    qint64 bytesWritten() const { return allBytes().size(); }

    Timeline* timeline = nullptr; // where openings, writes, closings and hang-ups are told
    QList<Write> writes;
    int openings = 0;

private:
    qint64 unsent() const;
    void tell(const QString& what);

    Clock& m_clock;
    int m_port = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    bool m_open = false, m_refuse = false, m_failed = false;
    double m_rate = 0, m_lineFreeAt = 0;
    qint64 m_deviceQueue = -1, m_largestBacklog = 0, m_step = 1, m_failAfter = -1;
    QByteArray m_inbox;
    QMap<QByteArray, QList<Reply>> m_answers;
    QString m_error;
};
