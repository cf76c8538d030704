#include "core/link/port_names.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString fromPortsFolder(const QString& name)
{
    const QFileInfo entry(QDir(port_names::portsFolder()).filePath(name));
    // A link is taken even when it dangles, so the failure names the missing target.
    if (!entry.exists() && !entry.isSymLink())
        return {};
    const QString target = entry.canonicalFilePath();
    if (!target.isEmpty())
        return target;
    return entry.isSymLink() ? entry.symLinkTarget() : entry.absoluteFilePath();
}

} // namespace

namespace port_names {

QString portsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Velmora/ports");
}

QString serialDevice(int portNumber)
{
    const QString name = QStringLiteral("COM%1").arg(portNumber);
    const QString mapped = fromPortsFolder(name);
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    return name;
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

QString serialDeviceOf(const QString& port)
{
    if (QDir::isAbsolutePath(port))
        return port;
    bool number = false;
    const int n = port.startsWith(QLatin1String("COM")) ? port.mid(3).toInt(&number) : 0;
    return number && n >= 1 && n <= 10 && port == QStringLiteral("COM%1").arg(n) ? serialDevice(n) : QString();
}

QString parallelDevice()
{
    const QString mapped = fromPortsFolder(QStringLiteral("LPT1"));
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    return QStringLiteral("LPT1:");
#else
    return QStringLiteral("/dev/lp0");
#endif
}

} // namespace port_names
