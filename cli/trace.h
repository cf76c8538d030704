#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QString>

// --trace and --trace-file: every byte to and from the printers, as it goes, with its time since
// the start, its port and its direction, 16 bytes a line in hex and as text.
class WireTrace
{
public:
    // Into the file at `path` (appended), or on stderr when `path` is empty.
    explicit WireTrace(const QString& path);
    ~WireTrace();
    WireTrace(const WireTrace&) = delete;
    WireTrace& operator=(const WireTrace&) = delete;
    // Why the file cannot be written; empty when it can.
    QString error() const { return m_error; }
    // The lines for these bytes, as they are written.
    static QByteArray lines(double seconds, const QString& port, bool sent, const QByteArray& bytes);

private:
    QElapsedTimer m_clock;
    QFile m_file;
    QString m_error;
};
