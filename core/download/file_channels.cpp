#include "core/download/file_channels.h"

#include "core/link/port_names.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

bool FileChannels::openSource(const QString& path, QString* reason)
{
    closeSource();
    m_source.setFileName(path);
    // Unbuffered: a file that shrinks during the transfer shows at the next chunk.
    if (m_source.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return true;
    if (reason)
        *reason = m_source.errorString();
    return false;
}

void FileChannels::closeSource()
{
    if (m_source.isOpen())
        m_source.close();
}

QString FileChannels::portChannelDevice() const
{
    return port_names::parallelDevice();
}

FileChannels::FileChannels()
{
#ifdef Q_OS_UNIX
    // A device or FIFO whose reader has gone would kill the program with SIGPIPE; a failed
    // write (EPIPE) is reported instead.
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

bool FileChannels::openPortChannel(QString* reason)
{
    closePortChannel();
    const QString device = portChannelDevice();
    m_port.setFileName(device);
    // A plain file standing in for the printer is appended to, so that the header stays in
    // front of the data when the channel is opened again; devices and FIFOs cannot seek.
    QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (QFileInfo(device).isFile())
        mode |= QIODevice::Append;
    if (m_port.open(mode))
        return true;
    if (reason)
        *reason = m_port.errorString();
    return false;
}

bool FileChannels::writePortChannel(const QByteArray& data, QString* reason)
{
    if (!m_port.isOpen()) {
        if (reason)
            *reason = QStringLiteral("not open");
        return false;
    }
    qint64 done = 0;
    while (done < data.size()) {
        const qint64 n = m_port.write(data.constData() + done, data.size() - done);
        if (n <= 0) {
            if (reason)
                *reason = m_port.errorString();
            return false;
        }
        done += n;
    }
    return true;
}

void FileChannels::closePortChannel()
{
    if (m_port.isOpen())
        m_port.close();
}

void FileChannels::closeAll()
{
    closeSource();
    closePortChannel();
}
