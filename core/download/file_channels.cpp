#include "core/download/file_channels.h"

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

void FileChannels::closeAll()
{
    closeSource();
}
