#include "tests/support/pty_pair.h"

#include <QElapsedTimer>

// termios2 (any baud rate) comes from the kernel's header, which clashes with <termios.h>: this file uses
// neither <termios.h> nor <pty.h>.
#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        hangUp();
        return;
    }
    m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
    // Held open: without a slave descriptor the master reads EIO before the program opens it.
    m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
    struct termios2 t {};
    ::ioctl(m_slave, TCGETS2, &t);
    t.c_iflag = t.c_oflag = t.c_lflag = 0; // raw on the printer side: every byte passes unchanged
    ::ioctl(m_slave, TCSETS2, &t);
}

PtyPair::~PtyPair()
{
    hangUp();
    if (m_slave >= 0)
        ::close(m_slave);
}

void PtyPair::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

QByteArray PtyPair::read(qint64 count, int ms)
{
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    char buf[65536];
    for (pollfd p{m_master, POLLIN, 0};
         out.size() < count && ::poll(&p, 1, int(std::max<qint64>(0, ms - timer.elapsed()))) > 0;) {
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

QString PtyPair::line() const
{
    struct termios2 t {};
    ::ioctl(m_slave, TCGETS2, &t);
    return QStringLiteral("%1 %2").arg(t.c_ospeed).arg(t.c_cflag & CSTOPB ? 2 : 1);
}
