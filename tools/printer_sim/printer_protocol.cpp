#include "tools/printer_sim/printer_protocol.h"

#include <QJsonArray>
#include <QRegularExpression>

QString PrinterProtocol::Download::verdict() const
{
    if (!complete())
        return QStringLiteral("incomplete");
    if (!announced)
        return QStringLiteral("no checksum");
    return *announced == computed ? QStringLiteral("ok") : QStringLiteral("mismatch");
}

QByteArray PrinterProtocol::answer(const QByteArray& text, double time) const
{
    if (m_config.silent || text.isEmpty() || time < m_silentUntil)
        return {};
    if (m_config.garbage)
        return QByteArray("\x00\xff\x13#@!", 6);
    return text;
}

void PrinterProtocol::takeData(QByteArray& pending, double time)
{
    Download& d = m_downloads.last();
    const qint64 due = d.length + (d.padExpected ? 1 : 0) - d.received;
    const qint64 n = qMin<qint64>(due, pending.size());
    if (n <= 0)
        return;
    if (d.lastByte >= 0 && time - d.lastByte >= 1.0)
        d.pauses.append({d.lastByte, time - d.lastByte});
    if (d.firstByte < 0)
        d.firstByte = time;
    d.lastByte = time;
    const qint64 dataPart = qMin<qint64>(n, d.length - qMin(d.received, d.length));
    for (qint64 i = 0; i < dataPart; ++i)
        d.computed ^= static_cast<unsigned char>(pending[i]);
    d.image += pending.left(dataPart);
    d.received += n;
    pending.remove(0, n);
    if (d.complete()) {
        m_receiving = false;
        restartWith(d, time);
    }
}

void PrinterProtocol::restartWith(const Download& d, double time)
{
    const bool firmware = d.code == '2' || d.code == '3' || d.code == '4';
    if (!firmware || (d.announced && *d.announced != d.computed))
        return;
    m_silentUntil = time + m_config.restartAfter;
    const qsizetype at = d.image.indexOf("Release: ");
    const qsizetype end = at < 0 ? -1 : d.image.indexOf('\0', at);
    if (!m_config.keepRelease && end > at)
        m_config.queries["?54&4"] = d.image.mid(at + 9, end - at - 9) + '\r';
}

QList<QByteArray> PrinterProtocol::feed(const QByteArray& bytes, double time)
{
    static const QRegularExpression header(QStringLiteral("^\\?Z([0-48:;])&(\\d+)(?:,(\\d+))?\\n"));
    QList<QByteArray> replies;
    m_pending += bytes;
    while (!m_pending.isEmpty()) {
        if (m_receiving) {
            takeData(m_pending, time);
            continue;
        }
        if (m_pending.startsWith("!0")) {
            m_pending.remove(0, 2);
            replies << answer(m_config.handshake, time);
            continue;
        }
        if (m_pending.startsWith("?Z")) {
            const qsizetype lf = m_pending.indexOf('\n');
            if (lf < 0 && m_pending.size() < 32)
                break; // the rest of the header is on its way
            const auto m = header.match(QString::fromLatin1(m_pending.left(lf + 1)));
            if (lf >= 0 && m.hasMatch()) {
                Download d;
                d.code = m.captured(1).at(0).toLatin1();
                d.length = m.captured(2).toLongLong();
                if (!m.captured(3).isEmpty())
                    d.announced = m.captured(3).toInt();
                d.padExpected = d.code != ':' && d.code != ';' && (d.length % 2) != 0;
                d.headerTime = time;
                m_downloads.append(d);
                m_receiving = d.length > 0 || d.padExpected;
                m_pending.remove(0, lf + 1);
                continue;
            }
        } else if (m_pending.startsWith("?")) {
            const qsizetype end = m_pending.indexOf("\r\n");
            if (end < 0 && m_pending.size() < 32)
                break;
            if (end >= 0) {
                replies << answer(m_config.queries.value(m_pending.left(end)), time);
                m_pending.remove(0, end + 2);
                continue;
            }
        } else if (m_pending == "!") {
            break;
        }
        m_pending.remove(0, 1);
        ++m_stray;
    }
    replies.removeAll(QByteArray());
    return replies;
}

QJsonObject PrinterProtocol::report() const
{
    QJsonArray list;
    for (const Download& d : m_downloads) {
        QJsonArray pauses;
        for (const auto& [start, seconds] : d.pauses)
            pauses.append(QJsonObject{{"at", start}, {"seconds", seconds}});
        QJsonObject o{{"code", QString(QLatin1Char(d.code))},
                      {"length", d.length},
                      {"received", d.received},
                      {"padByte", d.padExpected},
                      {"checksum", d.verdict()},
                      {"computedChecksum", d.computed},
                      {"headerTime", d.headerTime},
                      {"firstDataTime", d.firstByte},
                      {"lastDataTime", d.lastByte},
                      {"pauses", pauses}};
        if (d.announced)
            o.insert("announcedChecksum", *d.announced);
        list.append(o);
    }
    return QJsonObject{{"downloads", list}, {"strayBytes", m_stray}};
}
