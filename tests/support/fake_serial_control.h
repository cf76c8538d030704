#pragma once

#include "core/link/serial_control.h"
#include "tests/support/recorders.h"
#include "tests/support/virtual_clock.h"

#include <QList>
#include <QMap>

// A serial control that records what the program does with it, on the clock.
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
    ~FakeSerialControl() override { releaseDevice(); }

    bool isOpen() const override { return m_open; }
    void close() override
    {
        if (!m_open)
            return;
        tell(QStringLiteral("close"));
        m_inbox.clear();
        m_lineFreeAt = m_clock.now(); // what was still queued is dropped
        m_open = false;
        if (!holdsDevice())
            releaseDevice();
    }
    void releaseDevice() override
    {
        if (holders().value(device()) == this)
            holders().remove(device());
    }
    Failure openPort() override
    {
        const FakeSerialControl* holder = holders().value(device(), this);
        if (m_refuse != Cause::None || holder != this) {
            m_cause = holder != this ? Cause::PortBusy : m_refuse;
            m_error = QStringLiteral("Device or resource busy");
            tell(QStringLiteral("refused%1").arg(number()));
            return failure();
        }
        holders()[device()] = this;
        m_open = true;
        m_failed = false;
        m_error.clear();
        m_cause = Cause::None;
        ++openings;
        tell(QStringLiteral("open%1 %2").arg(number()).arg(line().text()));
        if (m_deviceQueue >= 0) {
            m_rate = line().baud / line().bitsPerCharacter();
            m_lineFreeAt = m_clock.now();
        }
        return {};
    }
    bool write(const QByteArray& data) override
    {
        if (!m_open || m_failed || (m_failAfter >= 0 && bytesWritten() + data.size() > m_failAfter))
            return m_signalFailure ? hangUp() : void((m_failed = true, m_cause = Cause::LinkWriteFailed)), false;
        const double start = std::max(m_lineFreeAt, m_clock.now());
        writes.append(Write{m_clock.now(), data, start});
        if (timeline)
            timeline->write(data);
        for (const Reply& r : answersAtBaud&& line().baud != answersAtBaud ? QList<Reply>() : m_answers.value(data))
            static_cast<VirtualClock&>(m_clock).at(m_clock.now() + r.delay, [this, text = r.text] {
                if (m_open) {
                    m_inbox += text;
                    emit dataArrived();
                }
            });
        if (m_rate > 0)
            m_lineFreeAt = start + double(data.size()) / m_rate;
        m_largestBacklog = std::max(m_largestBacklog, unsent());
        return true;
    }
    QByteArray readAll() override { return std::exchange(m_inbox, {}); }
    qint64 pendingOutput() const override
    {
        const qint64 counted = std::max<qint64>(0, unsent() - std::max<qint64>(0, m_deviceQueue));
        return (counted + m_step - 1) / m_step * m_step;
    }
    Failure failure() const override
    {
        return m_cause == Cause::None ? Failure{} : Failure{m_cause, port(), device(), m_error};
    }
    QString device() const override { return QStringLiteral("/dev/fake%1").arg(number()); }

    bool queueVisible() const override { return m_queueVisible; }
    // Scripting: the system shows no queue of the device (a pseudo-terminal).
    void hideQueue() { m_queueVisible = false; }
    // Scripting: the printer answers only at this baud rate (0: at any).
    qint32 answersAtBaud = 0;
    // Scripting: openings fail with this cause (None: they succeed).
    void refuseOpen(Cause cause) { m_refuse = cause; }
    // The line takes this many bytes a second (0: at once), so that draining takes time.
    void setLineRate(double bytesPerSecond) { m_rate = bytesPerSecond; }
    // A real line: each opening sets the rate its settings give (start bit, data bits, parity, stop bits), and
    // the device keeps up to `deviceQueue` bytes the operating system does not count (as USB adapters do).
    void modelLine(qint64 deviceQueue) { m_deviceQueue = deviceQueue; }
    // The queue is reported in steps of this many bytes, as some drivers and ptys do.
    void setReportStep(qint64 bytes) { m_step = bytes; }
    // Writes fail once this many bytes have been written in all (a hang-up, an unplug), with the failure
    // signal or without it.
    void failAfter(qint64 bytes, bool signal = true) { m_failAfter = bytes, m_signalFailure = signal; }
    // The other side goes away now (cable pulled, printer restarting).
    void hangUp()
    {
        if (m_open && !m_failed) {
            m_failed = true;
            m_cause = Cause::LinkHungUp;
            m_error = QStringLiteral("the line was closed at the other end");
            tell(QStringLiteral("hangup"));
            emit failed();
        }
    }
    // The printer sends this now, unasked; the most it ever left unread after telling the program.
    void receive(const QByteArray& bytes)
    {
        if (!m_open)
            return;
        m_inbox += bytes;
        emit dataArrived();
        m_largestUnread = std::max(m_largestUnread, qint64(m_inbox.size()));
    }
    qint64 largestUnread() const { return m_largestUnread; }
    // A printer answering: each command sent gets these replies, after their delays (on a virtual clock).
    void answer(const QByteArray& command, QList<Reply> replies) { m_answers[command] = std::move(replies); }

    // Bytes that have left the wire by now, and the most that were ever waiting for it.
    qint64 onTheWire() const { return bytesWritten() - unsent(); }
    qint64 largestBacklog() const { return m_largestBacklog; }
    // How long the wire stayed idle after data byte `offset` had gone out (the header write is not counted).
    double idleAfter(qint64 offset) const
    {
        qint64 data = 0;
        for (int i = 1; i + 1 < writes.size(); ++i) // writes[0] is the header
            if ((data += writes[i].data.size()) == offset)
                return writes[i + 1].onWire - (writes[i].onWire + double(writes[i].data.size()) / m_rate);
        return 0;
    }
    QByteArray allBytes() const
    {
        QByteArray all;
        for (const Write& w : writes)
            all += w.data;
        return all;
    }
    qint64 bytesWritten() const { return allBytes().size(); }

    Timeline* timeline = nullptr; // where openings, writes, closings and hang-ups are told
    QList<Write> writes;
    int openings = 0;

private:
    // Which fake holds each device: ports of one test that lead to one device are one device.
    static QMap<QString, const FakeSerialControl*>& holders()
    {
        static QMap<QString, const FakeSerialControl*> held;
        return held;
    }
    int number() const { return port().mid(3).toInt(); }
    qint64 unsent() const
    {
        return m_open && m_rate > 0 ? qint64(std::ceil(std::max(0.0, m_lineFreeAt - m_clock.now()) * m_rate - 1e-6))
                                    : 0;
    }
    void tell(const QString& what)
    {
        if (timeline)
            timeline->add(what);
    }

    Clock& m_clock;
    bool m_open = false, m_failed = false, m_signalFailure = true, m_queueVisible = true;
    Cause m_refuse = Cause::None, m_cause = Cause::None;
    double m_rate = 0, m_lineFreeAt = 0;
    qint64 m_deviceQueue = -1, m_largestBacklog = 0, m_largestUnread = 0, m_step = 1, m_failAfter = -1;
    QByteArray m_inbox;
    QMap<QByteArray, QList<Reply>> m_answers;
    QString m_error;
};
