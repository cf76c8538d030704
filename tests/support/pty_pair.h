#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal standing in for the printer: the program opens the slave side as its serial device, the
// test reads and writes the master side.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    bool ok() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    int master() const { return m_master; }
    // Reads until `count` bytes have arrived or `ms` have passed.
    QByteArray read(qint64 count, int ms);
    bool write(const QByteArray& data);
    // The printer side goes away (cable pulled, printer off).
    void hangUp();
    // Line settings as the program left them on the device: baud rate and stop bits.
    QString line() const;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
