#include "tests/support/pty_pair.h"

#include <QElapsedTimer>

// termios2 (any baud rate) comes from the kernel's header, which clashes with <termios.h>:
// this file uses neither <termios.h> nor <pty.h>.
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        hangUp();
        return;
    }
    m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
    const int slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        hangUp();
        return;
    }
    // Raw on the printer side: every byte passes unchanged.
    struct termios2 t {};
    ::ioctl(slave, TCGETS2, &t);
    t.c_iflag = 0;
    t.c_oflag = 0;
    t.c_lflag = 0;
    ::ioctl(slave, TCSETS2, &t);
    // Without a slave descriptor held open, the master reads EIO before the program opens it.
    m_slaveKeep = slave;
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    hangUp();
    if (m_slaveKeep >= 0)
        ::close(m_slaveKeep);
}

void PtyPair::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

QByteArray PtyPair::read(int ms, int quietMs)
{
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (m_master >= 0) {
        const int left = out.isEmpty() ? int(ms - timer.elapsed()) : quietMs;
        if (left <= 0)
            break;
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, left) <= 0)
            break;
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, int(n));
    }
    return out;
}

QByteArray PtyPair::readExactly(qint64 count, int ms)
{
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (m_master >= 0 && out.size() < count && timer.elapsed() < ms) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, int(ms - timer.elapsed())) <= 0)
            break;
        char buf[65536];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, int(n));
    }
    return out;
}

bool PtyPair::write(const QByteArray& data)
{
    return m_master >= 0 && ::write(m_master, data.constData(), size_t(data.size())) == data.size();
}

int PtyPair::baudRate() const
{
    struct termios2 t {};
    if (::ioctl(m_slaveKeep, TCGETS2, &t) != 0)
        return -1;
    return int(t.c_ospeed);
}

int PtyPair::stopBits() const
{
    struct termios2 t {};
    if (::ioctl(m_slaveKeep, TCGETS2, &t) != 0)
        return -1;
    return (t.c_cflag & CSTOPB) ? 2 : 1;
}
