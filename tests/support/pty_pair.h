#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal standing in for the printer: the program opens the slave side as its
// serial device, the test reads and writes the master side.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    bool ok() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    int master() const { return m_master; }

    // Reads what has arrived, waiting up to `ms` for the first byte and then until the line
    // is quiet for `quietMs`.
    QByteArray read(int ms, int quietMs = 50);
    // Reads until `count` bytes have arrived or `ms` have passed.
    QByteArray readExactly(qint64 count, int ms);
    bool write(const QByteArray& data);
    // The printer side goes away (cable pulled, printer off).
    void hangUp();

    // Line settings as the program left them on the device.
    int baudRate() const;
    int stopBits() const;

private:
    int m_master = -1;
    int m_slaveKeep = -1;
    QString m_slavePath;
};
