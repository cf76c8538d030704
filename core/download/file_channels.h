#pragma once

#include <QFile>
#include <QString>

// The download's source file, read only: a loader never creates, changes or deletes the
// operator's files.
class FileChannels
{
public:
    // Opens the source for reading; on failure `reason` holds the operating system's words.
    bool openSource(const QString& path, QString* reason);
    bool sourceOpen() const { return m_source.isOpen(); }
    QFile& source() { return m_source; }
    void closeSource();

    void closeAll();

private:
    QFile m_source;
};
