#include "core/link/parallel_port.h"

#include "core/link/line_settings.h"
#include "core/platform/wire_trace.h"

#include <QCoreApplication>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#endif

QString ParallelPort::device(const QString& chosen) const
{
    // A job resolves LPT1 once: while it holds the device, a relinked name leads it nowhere else.
    return m_claim.held() ? m_device : chosen;
}

#ifdef Q_OS_UNIX
namespace {
// A FIFO whose reader has gone raises SIGPIPE at the write, which would end the program: held
// back for this thread while it writes, and the one this write raised taken, so that the write's
// EPIPE is reported instead. The rest of the program keeps SIGPIPE as it had it.
class PipeSignalHeld
{
public:
    PipeSignalHeld()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_before);
    }
    ~PipeSignalHeld()
    {
        if (m_raised && !m_wasPending) {
            const timespec now{};
            while (sigtimedwait(&m_pipe, nullptr, &now) < 0 && errno == EINTR) {
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_before, nullptr);
    }
    void raised() { m_raised = true; }

private:
    sigset_t m_pipe, m_before;
    bool m_wasPending = false, m_raised = false;
};
} // namespace
#endif

bool ParallelPort::open(const QString& chosen, Failure* failure)
{
    close();
    const QString device = this->device(chosen);
    const auto refuse = [&](Cause cause, const QString& words) {
        if (failure)
            *failure = Failure{cause, kParallelPort, device, words};
        return false;
    };
    if (const Failure f = device_access::check(device, device_access::Use::Parallel))
        return refuse(f.cause, f.system);
    m_device = device;
#ifdef Q_OS_UNIX
    // Non-blocking: a FIFO without a reader is refused at once instead of hanging the program.
    const int fd = ::open(QFile::encodeName(device).constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        const Cause cause = error == ENXIO    ? Cause::PortNoReader
                            : error == ENOENT ? Cause::PortMissing
                            : error == EACCES ? Cause::PortNoPermission
                            : error == EBUSY  ? Cause::PortBusy
                                              : Cause::PortOpenFailed;
        return refuse(cause, QString::fromLocal8Bit(std::strerror(error)));
    }
    if (const auto taken = m_claim.take(fd); taken != device_access::Claim::Take::Taken) {
        ::close(fd);
        if (taken == device_access::Claim::Take::Changed)
            return refuse(Cause::LinkDeviceChanged,
                          QCoreApplication::translate("Link", "not the device this job opened first"));
        return refuse(Cause::PortBusy, QCoreApplication::translate("Link", "another user holds the device"));
    }
    if (m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    if (!m_hold)
        m_claim.release();
#else
    m_file.setFileName(device);
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered | QIODevice::ExistingOnly))
        return true;
#endif
    return refuse(Cause::PortOpenFailed, m_file.errorString());
}

qint64 ParallelPort::write(const char* data, qint64 size, Failure* failure)
{
    const auto fail = [&](Cause cause, const QString& words) -> qint64 {
        if (failure)
            *failure = Failure{cause, kParallelPort, m_device, words};
        return -1;
    };
    if (!m_file.isOpen())
        return fail(Cause::LinkWriteFailed, QCoreApplication::translate("Link", "not open"));
#ifdef Q_OS_UNIX
    PipeSignalHeld held;
    for (;;) {
        const ssize_t n = ::write(m_file.handle(), data, size_t(size));
        if (n > 0)
            wire_trace::note(kParallelPort, wire_trace::Direction::Sent, QByteArray::fromRawData(data, n));
        if (n >= 0)
            return n; // a write of nothing counts as a busy device
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error == EAGAIN || error == EWOULDBLOCK)
            return 0;
        if (error == EPIPE)
            held.raised();
        return fail(error == EPIPE ? Cause::LinkHungUp : Cause::LinkWriteFailed,
                    QString::fromLocal8Bit(std::strerror(error)));
    }
#else
    const qint64 n = m_file.write(data, size);
    if (n > 0)
        wire_trace::note(kParallelPort, wire_trace::Direction::Sent, QByteArray::fromRawData(data, n));
    if (n < 0)
        return fail(Cause::LinkWriteFailed, m_file.errorString());
    return n;
#endif
}

void ParallelPort::close()
{
    if (m_file.isOpen())
        m_file.close();
    if (!m_hold)
        m_claim.release();
}

void ParallelPort::hold(bool hold)
{
    m_hold = hold;
    if (!hold && !m_file.isOpen())
        m_claim.release();
}
