#include "core/link/device_access.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace device_access {

namespace {
bool g_refuseConsole = false;
} // namespace

void refuseKernelConsole(bool refuse)
{
    g_refuseConsole = refuse;
}

PathKind kindAt(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return PathKind::Folder;
    if (info.isFile())
        return PathKind::PlainFile;
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        if (S_ISFIFO(st.st_mode))
            return PathKind::Fifo;
        if (S_ISSOCK(st.st_mode))
            return PathKind::Socket;
        if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
            return PathKind::Device;
    }
#endif
    return PathKind::Other;
}

namespace {
// The system's own account of what stands there, in English like the system's error texts.
QString systemWords(PathKind kind)
{
    static const char* const words[] = {"a folder", "a plain file", "a FIFO", "a socket", "a device", "not a file"};
    return QString::fromLatin1(words[int(kind)]);
}
#ifdef Q_OS_UNIX
// What stands at a parallel link's path when it is no printer's device; empty for a printer's.
QString notPrinter(const struct stat& st)
{
    if (S_ISREG(st.st_mode))
        return QCoreApplication::translate("Link", "a plain file");
    if (S_ISBLK(st.st_mode))
        return QCoreApplication::translate("Link", "a block device (a disk)");
    if (!S_ISCHR(st.st_mode))
        return systemWords(PathKind::Other);
#ifdef Q_OS_LINUX
    // By the kernel's device numbers: 6 the parallel printers (lp), 99 the raw parallel ports
    // (parport), 180 below 16 the USB printers (usblp).
    const unsigned group = major(st.st_rdev), unit = minor(st.st_rdev);
    if (group == 6 || group == 99 || (group == 180 && unit < 16))
        return {};
    if (group == 1)
        return QCoreApplication::translate("Link", "a memory device (null, zero, full)");
    if (group == 4 || group == 5 || (group >= 136 && group <= 143))
        return QCoreApplication::translate("Link", "a terminal");
    return QCoreApplication::translate("Link", "a character device that is no printer");
#else
    return {};
#endif
}
#endif
} // namespace

Failure check(const QString& path, Use use)
{
#ifdef Q_OS_UNIX
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        const int error = errno;
        const Cause cause = error == EACCES ? Cause::PortNoPermission : Cause::PortMissing;
        return Failure{cause, {}, path, QString::fromLocal8Bit(std::strerror(error))};
    }
    const QString kind = systemWords(kindAt(path));
    if (use == Use::Serial && !S_ISCHR(st.st_mode))
        return Failure{Cause::PortNotSerial, {}, path, kind};
#ifdef Q_OS_LINUX
    // A character device that is no terminal (/dev/null, /dev/zero) is told by its class, without
    // opening it: opening a real serial port would drop its control lines.
    if (use == Use::Serial && S_ISCHR(st.st_mode)) {
        // Terminals that lead to no line: the console, the controlling terminal, the virtual
        // terminals of the screen, and the pseudo-terminal multiplexer (each opening makes a new pty).
        const unsigned group = major(st.st_rdev), unit = minor(st.st_rdev);
        if (group == 5 && unit <= 2)
            return Failure{Cause::PortNotSerial,
                           {},
                           path,
                           QString::fromLatin1(unit == 0   ? "the controlling terminal"
                                               : unit == 1 ? "the system console"
                                                           : "the pseudo-terminal multiplexer")};
        if (group == 4 && unit < 64)
            return Failure{Cause::PortNotSerial,
                           {},
                           path,
                           QCoreApplication::translate("Link", "a virtual terminal of the screen")};
    }
    if (use == Use::Serial && g_refuseConsole && isKernelConsole(path))
        return Failure{Cause::PortConsole, {}, path, {}};
    if (use == Use::Serial && !hasUart(path))
        return Failure{Cause::PortNotSerial,
                       {},
                       path,
                       QCoreApplication::translate("Link", "no UART behind it (the kernel found none)")};
    if (use == Use::Serial) {
        const QFileInfo subsystem(
            QStringLiteral("/sys/dev/char/%1:%2/subsystem").arg(major(st.st_rdev)).arg(minor(st.st_rdev)));
        if (subsystem.isSymLink() && !subsystem.symLinkTarget().endsWith(QLatin1String("/tty")))
            return Failure{
                Cause::PortNotSerial, {}, path, QCoreApplication::translate("Link", "not a terminal device")};
    }
#endif
    if (use == Use::Parallel && S_ISDIR(st.st_mode))
        return Failure{Cause::PortNotDevice, {}, path, kind};
    if (use == Use::Parallel && !S_ISFIFO(st.st_mode)) {
        // The bytes go only where a printer can stand: a disk, /dev/null or a file would take a
        // firmware image and say "done".
        if (const QString what = notPrinter(st); !what.isEmpty())
            return Failure{Cause::PortNotPrinter, {}, path, what};
    }
    if (::access(native.constData(), use == Use::Serial ? (R_OK | W_OK) : W_OK) != 0 && errno == EACCES)
        return Failure{Cause::PortNoPermission, {}, path, QString::fromLocal8Bit(std::strerror(EACCES))};
#else
    Q_UNUSED(path);
    Q_UNUSED(use);
#endif
    return {};
}

bool hasUart(const QString& path)
{
#ifdef Q_OS_LINUX
    // Every ttyS node exists whether or not a UART stands behind it; the kernel says which do.
    const QString name = QFileInfo(QFileInfo(path).canonicalFilePath()).fileName();
    if (!name.startsWith(QLatin1String("ttyS")))
        return true;
    QFile type(QStringLiteral("/sys/class/tty/%1/type").arg(name));
    return !type.open(QIODevice::ReadOnly) || type.readAll().trimmed() != "0"; // unknown: not claimed
#else
    Q_UNUSED(path);
    return true;
#endif
}

qint64 heldElsewhere(const QString& path)
{
#ifdef Q_OS_LINUX
    // A claim is an advisory lock on the device's inode: the kernel lists it with its owner, so
    // nothing need be opened (which would drop a serial line's control lines) to see it.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray where = QByteArray::number(quint64(major(st.st_dev)), 16).rightJustified(2, '0') + ':' +
                             QByteArray::number(quint64(minor(st.st_dev)), 16).rightJustified(2, '0') + ':' +
                             QByteArray::number(quint64(st.st_ino));
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        // "1: FLOCK  ADVISORY  WRITE 4321 00:05:87 0 EOF"
        if (f.size() >= 6 && f[1] == "FLOCK" && f[5] == where && f[4].toLongLong() != ::getpid())
            return f[4].toLongLong();
    }
#else
    Q_UNUSED(path);
#endif
    return 0;
}

QList<qint64> usersElsewhere(const QStringList& paths)
{
    QList<qint64> users(paths.size(), 0);
#ifdef Q_OS_LINUX
    // The lines asked about, by device number; a claim seen in /proc/locks answers at once.
    QList<dev_t> devices(paths.size(), 0);
    for (qsizetype i = 0; i < paths.size(); ++i) {
        struct stat st {};
        if (::stat(QFile::encodeName(paths[i]).constData(), &st) == 0 && S_ISCHR(st.st_mode))
            devices[i] = st.st_rdev;
        if (devices[i])
            users[i] = heldElsewhere(paths[i]);
    }
    // One pass over the processes, however many lines: each one's terminal and open devices.
    const QByteArray self = QByteArray::number(qint64(::getpid()));
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 id = pid.toLongLong(&number);
        if (!number || pid.toLatin1() == self)
            continue;
        // The session's terminal: field 7 of stat, after the command's name in parentheses.
        dev_t terminal = 0;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (stat.open(QIODevice::ReadOnly)) {
            const QByteArray text = stat.readAll();
            const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
            if (f.size() > 4)
                terminal = dev_t(f[4].toLongLong());
        }
        QSet<dev_t> opened;
        QSet<unsigned> ptyEnds; // the pseudo-terminals whose other side it holds
        const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
        for (const QString& fd : QDir(fds).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            struct stat open {};
            if (::stat(QFile::encodeName(fds + QLatin1Char('/') + fd).constData(), &open) != 0 ||
                !S_ISCHR(open.st_mode))
                continue;
            if (major(open.st_rdev) == 5 && minor(open.st_rdev) == 2) {
                QFile info(QStringLiteral("/proc/%1/fdinfo/%2").arg(pid, fd));
                if (info.open(QIODevice::ReadOnly)) {
                    const QByteArray text = info.readAll();
                    const qsizetype at = text.indexOf("tty-index:\t");
                    if (at >= 0)
                        ptyEnds << text.mid(at + 11).split('\n').value(0).toUInt();
                }
            } else
                opened << open.st_rdev;
        }
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const dev_t d = devices[i];
            if (!d || users[i])
                continue;
            const bool pty = major(d) >= 136 && major(d) <= 143;
            // A process that holds the line open is a second user, unless it holds the
            // pseudo-terminal's other side too: that one is the printer (a simulator keeps both).
            if ((terminal != 0 && terminal == d) ||
                (opened.contains(d) && !(pty && ptyEnds.contains((major(d) - 136) * 256 + minor(d)))))
                users[i] = id;
        }
    }
#else
    Q_UNUSED(paths);
#endif
    return users;
}

bool isKernelConsole(const QString& path)
{
#ifdef Q_OS_LINUX
    const QString name = QFileInfo(QFileInfo(path).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return false;
    QFile flag(QStringLiteral("/sys/class/tty/%1/console").arg(name));
    if (flag.open(QIODevice::ReadOnly) && flag.read(1) == "Y")
        return true;
    QFile active(QStringLiteral("/sys/class/tty/console/active"));
    return active.open(QIODevice::ReadOnly) &&
           QString::fromLatin1(active.readAll()).split(QRegularExpression(QStringLiteral("\\s+"))).contains(name);
#else
    Q_UNUSED(path);
    return false;
#endif
}

Claim::~Claim()
{
    release();
}

Claim::Take Claim::take(int fd)
{
#ifdef Q_OS_UNIX
    if (m_fd >= 0) {
        struct stat held {
        }, opened{};
        // The same node, and for a device the same device number: a node made anew at the
        // path (another adapter plugged in) is another device.
        const bool same = ::fstat(m_fd, &held) == 0 && ::fstat(fd, &opened) == 0 && held.st_dev == opened.st_dev &&
                          held.st_ino == opened.st_ino && held.st_rdev == opened.st_rdev;
        return same ? Take::Taken : Take::Changed;
    }
    // An advisory lock on the open file: it belongs to the device, not to the name, and goes
    // with the last close of that file, also when the program is killed.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return Take::Busy;
    m_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    return Take::Taken;
#else
    Q_UNUSED(fd);
    return Take::Taken; // Windows opens a COM or LPT device for one user only
#endif
}

void Claim::release()
{
#ifdef Q_OS_UNIX
    if (m_fd >= 0)
        ::close(m_fd);
#endif
    m_fd = -1;
}

} // namespace device_access
