#include "tests/support/fake_serial_control.h"

#include "core/link/link_settings.h"
#include "tests/support/virtual_clock.h"

#include <cmath>

void FakeSerialControl::tell(const QString& what)
{
    if (timeline)
        timeline->add(what);
}

bool FakeSerialControl::setPortOpen(bool open)
{
    if (!open && m_open) {
        tell(QStringLiteral("close"));
        m_inbox.clear();
        m_lineFreeAt = m_clock.now(); // what was still queued is dropped
    }
    if (!open || m_open)
        return m_open = open, true;
    if (m_refuse) {
        m_error = QStringLiteral("Permission denied");
        tell(QStringLiteral("refused%1").arg(m_port));
        return false;
    }
    m_open = true;
    m_failed = false;
    m_error.clear();
    ++openings;
    tell(QStringLiteral("open%1 %2").arg(m_port).arg(m_settings));
    if (m_deviceQueue >= 0) {
        const auto line = parseLinkSettings(m_settings);
        m_rate = line->baud / (1 + line->dataBits + (line->parity == 'N' ? 0 : 1) + line->stopBits.toDouble());
        m_lineFreeAt = m_clock.now();
    }
    return true;
}

bool FakeSerialControl::output(const QByteArray& data)
{
    if (!m_open || m_failed)
        return false;
    if (m_failAfter >= 0 && bytesWritten() + data.size() > m_failAfter) {
        hangUp();
        return false;
    }
    const double start = std::max(m_lineFreeAt, m_clock.now());
    writes.append(Write{m_clock.now(), data, start});
    if (timeline)
        timeline->write(data);
    for (const Reply& r : m_answers.value(data))
        static_cast<VirtualClock&>(m_clock).at(m_clock.now() + r.delay, [this, text = r.text] {
            if (m_open) {
                m_inbox += text;
                emit onComm();
            }
        });
    if (m_rate > 0)
        m_lineFreeAt = start + double(data.size()) / m_rate;
    m_largestBacklog = std::max(m_largestBacklog, unsent());
    return true;
}

qint64 FakeSerialControl::unsent() const
{
    if (!m_open || m_rate <= 0)
        return 0;
    return qint64(std::ceil(std::max(0.0, m_lineFreeAt - m_clock.now()) * m_rate - 1e-6));
}

qint64 FakeSerialControl::pendingOutput() const
{
    const qint64 counted = std::max<qint64>(0, unsent() - std::max<qint64>(0, m_deviceQueue));
    return (counted + m_step - 1) / m_step * m_step;
}

double FakeSerialControl::idleAfter(qint64 offset) const
{
    qint64 data = 0;
    for (int i = 1; i + 1 < writes.size(); ++i) // writes[0] is the header
        if ((data += writes[i].data.size()) == offset)
            return writes[i + 1].onWire - (writes[i].onWire + double(writes[i].data.size()) / m_rate);
    return 0;
}

void FakeSerialControl::hangUp()
{
    if (!m_open || m_failed)
        return;
    m_failed = true;
    m_error = QStringLiteral("Input/output error");
    tell(QStringLiteral("hangup"));
    emit failed(m_error);
}

QByteArray FakeSerialControl::allBytes() const
{
    QByteArray all;
    for (const Write& w : writes)
        all += w.data;
    return all;
}
