#include "tests/support/timeline.h"

#include "core/platform/clock.h"

#include <cmath>

QString timeText(double seconds)
{
    return QString::number(std::round(seconds * 1000) / 1000, 'g', 12);
}

double Timeline::now() const
{
    return m_clock.now();
}

void Timeline::write(const QByteArray& data)
{
    const bool plain = data.size() <= 16 && std::all_of(data.begin(), data.end(), [](char c) {
                           return (c >= 0x20 && c < 0x7f) || c == '\r' || c == '\n';
                       });
    if (!plain)
        return m_events.append({now(), {}, data.size()});
    add(QString::fromLatin1(data).replace('\r', "^M").replace('\n', "$"));
}

QString Timeline::summary() const
{
    QStringList out;
    for (qsizetype i = 0; i < m_events.size(); ++i) {
        const Event& e = m_events[i];
        if (e.size < 0) {
            out << e.text + '@' + timeText(e.time);
            continue;
        }
        qsizetype n = 1;
        const double step = i + 1 < m_events.size() ? m_events[i + 1].time - e.time : 0;
        while (i + n < m_events.size() && m_events[i + n].size == e.size &&
               std::abs(m_events[i + n].time - m_events[i + n - 1].time - step) < 1e-6)
            ++n;
        out << (n == 1 ? QString::number(e.size) + '@' + timeText(e.time)
                       : QStringLiteral("%1x%2@%3+%4").arg(e.size).arg(n).arg(timeText(e.time), timeText(step)));
        i += n - 1;
    }
    return out.join(' ');
}
