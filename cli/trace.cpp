#include "cli/trace.h"

#include "cli/output_sink.h"
#include "core/platform/wire_trace.h"

#include <QFileInfo>

WireTrace::WireTrace(const QString& path)
{
    m_clock.start();
    if (!path.isEmpty()) {
        m_file.setFileName(path);
        // Never a FIFO or a device: the trace must not wait for a reader or write where it must not.
        if ((m_file.exists() && !QFileInfo(m_file).isFile()) || !m_file.open(QIODevice::Append | QIODevice::Unbuffered)) {
            m_error = QStringLiteral("--trace-file %1: %2")
                          .arg(path, m_file.isOpen() || !m_file.exists() ? m_file.errorString()
                                                                          : QStringLiteral("not a plain file"));
            return;
        }
    }
    wire_trace::setSink([this](const QString& port, wire_trace::Direction direction, const QByteArray& bytes) {
        const QByteArray text = lines(double(m_clock.nsecsElapsed()) / 1e9, port,
                                      direction == wire_trace::Direction::Sent, bytes);
        if (m_file.isOpen())
            m_file.write(text);
        else
            output_sink::put(output_sink::Stream::Err, text);
    });
}

WireTrace::~WireTrace()
{
    wire_trace::setSink({});
}

QByteArray WireTrace::lines(double seconds, const QString& port, bool sent, const QByteArray& bytes)
{
    QByteArray out;
    const QByteArray head = QByteArray::number(seconds, 'f', 6).rightJustified(12) + ' ' +
                            port.toUtf8().leftJustified(6) + (sent ? " > " : " < ");
    for (qsizetype at = 0; at < bytes.size(); at += 16) {
        const QByteArray row = bytes.mid(at, 16);
        QByteArray text;
        for (const char c : row)
            text += uchar(c) >= 0x20 && uchar(c) < 0x7f ? c : '.';
        out += head + row.toHex(' ').leftJustified(47) + "  |" + text + "|\n";
    }
    return out;
}
