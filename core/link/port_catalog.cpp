#include "core/link/port_catalog.h"

#include "core/link/device_access.h"
#include "core/link/port_names.h"
#include "core/link/stored_choices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSet>

namespace port_catalog {

namespace {

// The links this tool made, "NAME TARGET" a line, beside them in the ports folder: a link
// someone else made is never replaced or removed without asking.
QString madeFile()
{
    return port_names::portsFolder() + QStringLiteral("/.made-by-velmora");
}

QMap<QString, QString> madeLinks()
{
    QMap<QString, QString> made;
    QFile f(madeFile());
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray& line : f.readAll().split('\n'))
            if (const qsizetype space = line.indexOf(' '); space > 0)
                made.insert(QString::fromUtf8(line.left(space)), QFile::decodeName(line.mid(space + 1)));
    return made;
}

bool saveMade(const QMap<QString, QString>& made)
{
    QFile f(madeFile());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    for (auto it = made.begin(); it != made.end(); ++it)
        f.write(it.key().toUtf8() + ' ' + QFile::encodeName(it.value()) + '\n');
    return f.flush();
}

QString entryPath(const QString& name)
{
    return QDir(port_names::portsFolder()).filePath(name);
}

bool isOurs(const QString& name, const QMap<QString, QString>& made)
{
    const QFileInfo entry(entryPath(name));
    return entry.isSymLink() && made.contains(name) && made.value(name) == entry.symLinkTarget();
}

QString canonical(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

} // namespace

Name nameOf(const QString& name)
{
    Name n;
    n.name = name;
    n.device = port_names::serialDeviceOf(name);
    if (n.parallel())
        n.device = port_names::parallelDevice();
    const QFileInfo entry(entryPath(name));
    if (entry.exists() || entry.isSymLink())
        n.entry = entry.filePath();
    n.ours = isOurs(name, madeLinks());
    const auto use = n.parallel() ? device_access::Use::Parallel : device_access::Use::Serial;
    n.state = device_access::check(n.device, use);
    if (!n.state && device_access::heldElsewhere(n.device))
        n.state = Failure{Cause::PortBusy, {}, n.device, {}};
    n.state.subject = name;
    n.state.device = n.device;
    n.console = !n.parallel() && device_access::isKernelConsole(n.device);
    return n;
}

QStringList probeCandidates(QStringList* inUse)
{
    QStringList ports, devices;
    for (const Name& n : names())
        if (!n.parallel() && !n.state && !n.console)
            ports << n.name, devices << n.device;
    // Never a line another program uses, nor someone's terminal: "!0" would land in its input.
    const QList<qint64> users = device_access::usersElsewhere(devices);
    QStringList free;
    for (qsizetype i = 0; i < ports.size(); ++i)
        if (!users[i])
            free << ports[i];
        else if (inUse)
            *inUse << ports[i];
    return free;
}

QList<Name> names()
{
    QList<Name> all;
    for (const QString& item : kPortItems)
        all << nameOf(item);
    return all;
}

QList<Device> devices(const QString& root)
{
    QList<Device> found;
    QSet<QString> seen;
    QMap<QString, QString> byId; // canonical node -> its by-id name
    const QDir ids(root + QStringLiteral("/serial/by-id"));
    for (const QString& id : ids.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        byId.insert(canonical(ids.filePath(id)), ids.filePath(id));
    const auto add = [&](Device d) {
        const QString node = canonical(d.path);
        if (seen.contains(node))
            return;
        seen << node;
        d.stablePath = byId.value(node, d.path);
        found << d;
    };
    if (root == QLatin1String("/dev"))
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            Device d;
            d.path = info.systemLocation();
            // The system lists every ttyS node; only those with a UART behind them are ports.
            const bool uart = info.portName().startsWith(QLatin1String("ttyS"));
            if (uart && !device_access::hasUart(d.path))
                continue;
            d.kind = uart ? Device::Kind::Uart : Device::Kind::SerialAdapter;
            d.description = info.description();
            d.manufacturer = info.manufacturer();
            d.serialNumber = info.serialNumber();
            if (info.hasVendorIdentifier())
                d.vendorId = info.vendorIdentifier();
            if (info.hasProductIdentifier())
                d.productId = info.productIdentifier();
            add(d);
        }
    for (const QString& path : port_names::unnamedSerialDevices(root))
        add(Device{Device::Kind::SerialAdapter, path, {}, {}, {}, {}, -1, -1, {}});
    for (const QString& path : port_names::parallelDevices(root))
        add(Device{Device::Kind::Parallel, path, {}, {}, {}, {}, -1, -1, {}});
    // Which names lead to each.
    for (const QString& name : kPortItems) {
        const QString device =
            canonical(isParallelPort(name) ? port_names::parallelDevice() : port_names::serialDeviceOf(name));
        for (Device& d : found)
            if (canonical(d.path) == device)
                d.namedBy << name;
    }
    return found;
}

QString identityOf(const QString& device)
{
    const QString node = canonical(device);
    for (const Device& d : devices())
        if (canonical(d.path) == node)
            return d.stablePath != d.path ? d.stablePath : d.serialNumber;
    return {};
}

Change link(const QString& name, const QString& device, bool replace)
{
    if (!kPortItems.contains(name))
        return {Change::Result::Failed, QCoreApplication::translate("Link", "no such name: %1").arg(name)};
    // A control character would forge a line of the list of links made, or mislead whoever reads the path.
    for (const QChar c : device)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return {Change::Result::Failed, QCoreApplication::translate("Link", "a control character in the path")};
    // Only to something the name can be used for: not a missing path, /dev/null for COM3, a disk for LPT1.
    const bool parallel = isParallelPort(name);
    if (const Failure unusable =
            device_access::check(device, parallel ? device_access::Use::Parallel : device_access::Use::Serial))
        return {Change::Result::Failed, device + QStringLiteral(": ") + unusable.system};
    for (const QString& other : kPortItems) {
        const QString there = isParallelPort(other) ? port_names::parallelDevice() : port_names::serialDeviceOf(other);
        if (other != name && !there.isEmpty() && canonical(there) == canonical(device))
            return {Change::Result::Failed, device + QStringLiteral(": ") + other + QStringLiteral(" leads there already")};
    }
    const QString folder = port_names::portsFolder();
    if (!QDir().mkpath(folder))
        return {Change::Result::Failed, QCoreApplication::translate("Link", "cannot make %1").arg(folder)};
    QMap<QString, QString> made = madeLinks();
    const QString path = entryPath(name);
    const QFileInfo entry(path);
    if (entry.exists() || entry.isSymLink()) {
        if (!isOurs(name, made) && !replace)
            return {Change::Result::Foreign, {}};
        if (entry.isDir() && !entry.isSymLink())
            return {Change::Result::Failed, path + QStringLiteral(": a folder stands there")};
        if (!QFile::remove(path))
            return {Change::Result::Failed, path + QStringLiteral(": cannot be removed")};
    }
    // A link: the name follows the adapter wherever the system puts it next time.
    if (!QFile::link(device, path))
        return {Change::Result::Failed, path + QStringLiteral(": the link cannot be made")};
    made.insert(name, QFileInfo(path).symLinkTarget());
    saveMade(made);
    return {};
}

Change unlink(const QString& name, bool replace)
{
    QMap<QString, QString> made = madeLinks();
    const QString path = entryPath(name);
    const QFileInfo entry(path);
    if (!entry.exists() && !entry.isSymLink())
        return {};
    if (!isOurs(name, made) && !replace)
        return {Change::Result::Foreign, {}};
    if ((entry.isDir() && !entry.isSymLink()) || !QFile::remove(path))
        return {Change::Result::Failed, path + QStringLiteral(": cannot be removed")};
    made.remove(name);
    saveMade(made);
    return {};
}

} // namespace port_catalog
