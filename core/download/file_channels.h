#pragma once

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
    bool openPortChannel(QString* reason);
    bool writePortChannel(const QByteArray& data, QString* reason);
    bool portChannelOpen() const { return m_port.isOpen(); }
    void closePortChannel();
    QString portChannelDevice() const;

    void closeAll();

private:
    QFile m_source;
    QFile m_port;
};
