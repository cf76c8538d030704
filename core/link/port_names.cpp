#include "core/link/port_names.h"

#include "core/link/device_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
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

QString deviceIdentity(const QString& device)
{
    const QString real = QFileInfo(device).canonicalFilePath();
    return real.isEmpty() ? device : real;
}

QString serialDeviceOf(const QString& port)
{
    if (QDir::isAbsolutePath(port))
        return port;
    bool number = false;
    const int n = port.startsWith(QLatin1String("COM")) ? port.mid(3).toInt(&number) : 0;
    return number && n >= 1 && n <= 10 && port == QStringLiteral("COM%1").arg(n) ? serialDevice(n) : QString();
}

QStringList unnamedSerialDevices(const QString& root)
{
    QSet<QString> taken;
    for (int n = 1; n <= 10; ++n)
        taken << QFileInfo(serialDevice(n)).canonicalFilePath();
    QStringList found;
    const auto consider = [&](const QString& path) {
        const QString device = QFileInfo(path).canonicalFilePath();
        if (device.isEmpty() || taken.contains(device))
            return;
        taken << device;
        found << path;
    };
    const QDir byId(root + QStringLiteral("/serial/by-id"));
    for (const QString& name : byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        consider(byId.filePath(name));
    const QDir dev(root);
    for (const QString& name : dev.entryList({"ttyUSB*", "ttyACM*", "ttyS*"}, QDir::System | QDir::Files, QDir::Name)) {
        if (device_access::hasUart(dev.filePath(name)))
            consider(dev.filePath(name));
    }
    return found;
}

QString freeSerialName()
{
    for (int n = 1; n <= 10; ++n)
        if (!QFileInfo::exists(serialDevice(n)))
            return QStringLiteral("COM%1").arg(n);
    return {};
}

bool isParallelPath(const QString& path)
{
    static const QRegularExpression name(QStringLiteral("^lp[0-9]+$"));
    return QDir::isAbsolutePath(path) && name.match(QFileInfo(path).fileName()).hasMatch();
}

QStringList parallelDevices(const QString& root)
{
    QStringList found;
    for (const QString& folder : {root, root + QStringLiteral("/usb")}) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList({"lp[0-9]*"}, QDir::System | QDir::Files, QDir::Name))
            found << dir.filePath(name);
    }
    return found;
}

QString parallelDevice(const QString& root)
{
    const QString mapped = fromPortsFolder(QStringLiteral("LPT1"));
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    Q_UNUSED(root);
    return QStringLiteral("LPT1:");
#else
    const QString lp0 = root + QStringLiteral("/lp0");
    if (QFileInfo::exists(lp0))
        return lp0;
    // A USB parallel adapter, when it is the only one.
    const QStringList usb = QDir(root + QStringLiteral("/usb")).entryList({"lp[0-9]*"}, QDir::System | QDir::Files);
    return usb.size() == 1 ? root + QStringLiteral("/usb/") + usb.first() : lp0;
#endif
}

} // namespace port_names
