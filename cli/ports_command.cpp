#include "cli/ports_command.h"

#include "cli/printer_setup.h"

#include "core/link/device_access.h"
#include "core/link/port_catalog.h"
#include "core/link/port_names.h"
#include "core/link/qt_serial_control.h"
#include "core/link/stored_choices.h"
#include "core/platform/system_clock.h"
#include "core/printer/printer_probe.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {
const QCommandLineOption kProbe{
    QStringLiteral("probe"),
    QString::fromUtf8("Ask every usable COM port for the printer (the handshake and the model query only), at "
                      "the chosen line, then at each offered baud rate.")};
const QCommandLineOption kLine{QStringLiteral("line"),
                               QStringLiteral("The line to ask at first (default: the stored one, else 4800,N,8,1)."),
                               QStringLiteral("settings")};
const QCommandLineOption kLink{QStringLiteral("link"),
                               QStringLiteral("Make NAME lead to DEVICE (a link in the ports folder)."),
                               QStringLiteral("NAME=DEVICE")};
const QCommandLineOption kUnlink{QStringLiteral("unlink"),
                                 QStringLiteral("Make NAME lead to the system's own device again."),
                                 QStringLiteral("NAME")};
const QCommandLineOption kReplace{QStringLiteral("replace"),
                                  QStringLiteral("With --link or --unlink: also an entry the tool did not make.")};
} // namespace

void PortsCommand::define(QCommandLineParser& p) const
{
    p.addOptions({kProbe, kLine, kLink, kUnlink, kReplace});
}

int PortsCommand::run(const QCommandLineParser& p, Output& out)
{
    const auto usage = [&](const QString& why) {
        out.event(QStringLiteral("error"), QStringLiteral("velmora-cli ports: ") + why,
                  {{"error", "usage"}, {"text", why}});
        return out.result(name(), exit_status::Usage);
    };
    if (p.isSet(kLink) || p.isSet(kUnlink)) {
        const bool making = p.isSet(kLink);
        const QString given = making ? p.value(kLink) : p.value(kUnlink);
        const QString port = given.section('=', 0, 0).toUpper(), device = given.section('=', 1);
        if (!kPortItems.contains(port) || (making && !QDir::isAbsolutePath(device)))
            return usage(making ? QStringLiteral("--link takes NAME=DEVICE: COM1 to COM10 or LPT1, and a device's path")
                                : QStringLiteral("--unlink takes COM1 to COM10 or LPT1"));
        const port_catalog::Change c = making ? port_catalog::link(port, device, p.isSet(kReplace))
                                              : port_catalog::unlink(port, p.isSet(kReplace));
        using Result = port_catalog::Change::Result;
        if (c.result == Result::Done) {
            const QString line = making ? tr("%1 leads to %2").arg(port, device)
                                        : tr("%1 leads to %2 again").arg(port, port_catalog::nameOf(port).device);
            return out.result(name(), exit_status::Ok, {{"name", port}, {"device", port_catalog::nameOf(port).device}},
                              line);
        }
        const QString why = c.result == Result::Foreign
                                ? tr("%1 is an entry this tool did not make; --replace replaces it")
                                      .arg(port_catalog::nameOf(port).entry)
                                : c.error;
        out.show(why, QString(), MessageIcon::Critical);
        return out.result(name(), exit_status::PortRefused,
                          {{"error", c.result == Result::Foreign ? "entry-foreign" : "link-failed"}});
    }
    if (p.isSet(kProbe))
        return probe(p, out);
    const auto tell = [&](const QString& name, const QString& device, device_access::Use use, QJsonObject fields) {
        Failure f = device_access::check(device, use);
        if (f.cause == Cause::PortConsole) // a device like any other here; its own words follow
            f = {};
        if (!f && device_access::heldElsewhere(device))
            f = Failure{Cause::PortBusy, name, device, {}};
        QString state = !f                                   ? tr("present, can be opened")
                        : f.cause == Cause::PortMissing      ? tr("missing")
                        : f.cause == Cause::PortBusy         ? tr("present, in use by another program")
                        : f.cause == Cause::PortNoPermission ? tr("present, no access for this user")
                                                             : tr("unusable: ") + f.system;
        const QString make = fields.value(QStringLiteral("link")).toString();
        if (use == device_access::Use::Serial && device_access::isKernelConsole(device)) {
            fields.insert(QStringLiteral("console"), true);
            // Usable, but not for a printer: the kernel's messages would reach it.
            state =
                !f ? tr("present, the kernel's console: not for the printer") : state + tr(" (the kernel's console)");
        }
        out.say(QStringLiteral("%1 %2 %3").arg(name, -6).arg(device, -40).arg(state) +
                (make.isEmpty() ? QString() : QStringLiteral("; ") + make));
        fields.insert(QStringLiteral("name"), name == QLatin1String("-") ? QJsonValue() : QJsonValue(name));
        fields.insert(QStringLiteral("device"), device);
        fields.insert(QStringLiteral("exists"), f.cause != Cause::PortMissing);
        fields.insert(QStringLiteral("accessible"), !f);
        if (f)
            fields.insert(QStringLiteral("error"), causeId(f.cause));
        out.event(QStringLiteral("port"), QString(), fields);
    };
    for (int i = 0; i < int(kPortItems.size()); ++i) {
        const bool serial = i < 10;
        tell(kPortItems[i], serial ? port_names::serialDevice(i + 1) : port_names::parallelDevice(),
             serial ? device_access::Use::Serial : device_access::Use::Parallel, {});
    }
    // USB parallel adapters: LPT1 leads to the only one when there is no /dev/lp0.
    for (const QString& device : port_names::parallelDevices())
        if (QFileInfo(device).canonicalFilePath() != QFileInfo(port_names::parallelDevice()).canonicalFilePath()) {
            const QString folder = port_names::portsFolder();
            const auto quoted = [](QString s) {
                return QLatin1Char('\'') + s.replace("'", "'\\''") + QLatin1Char('\'');
            };
            tell(QStringLiteral("-"), device, device_access::Use::Parallel,
                 {{"link", QStringLiteral("mkdir -p %1 && ln -sfn %2 %3")
                               .arg(quoted(folder), quoted(device), quoted(folder + QStringLiteral("/LPT1")))}});
        }
    // A freshly plugged adapter has no name yet: how to give it one.
    const QString free = port_names::freeSerialName();
    for (const QString& device : port_names::unnamedSerialDevices()) {
        // Pasted into a shell as it stands: every path quoted, the folder made first.
        const auto quoted = [](QString s) { return QLatin1Char('\'') + s.replace("'", "'\\''") + QLatin1Char('\''); };
        const QString folder = port_names::portsFolder();
        const QString make = free.isEmpty() ? QString()
                                            : QStringLiteral("mkdir -p %1 && ln -sfn %2 %3")
                                                  .arg(quoted(folder), quoted(device), quoted(folder + '/' + free));
        tell(QStringLiteral("-"), device, device_access::Use::Serial,
             make.isEmpty() ? QJsonObject{} : QJsonObject{{"link", make}});
    }
    return out.result(name(), exit_status::Ok);
}

int PortsCommand::probe(const QCommandLineParser& p, Output& out)
{
    StoredChoices c = p.isSet(option::kNoStored) ? builtInChoices() : readStoredChoices();
    QString line = c.link.line ? c.link.line->text() : QStringLiteral("4800,N,8,1");
    // The lists offer 57600 for 56000 baud.
    line.replace(QLatin1String("56000,"), QLatin1String("57600,"));
    if (p.isSet(kLine)) {
        if (!offeredLine(p.value(kLine))) {
            const QString why = QStringLiteral("--line takes a line the window offers, as 57600,N,8,1");
            out.event(QStringLiteral("error"), QStringLiteral("velmora-cli ports: ") + why,
                      {{"error", "usage"}, {"text", why}});
            return out.result(name(), exit_status::Usage);
        }
        line = p.value(kLine);
    }
    QStringList inUse;
    const QStringList ports = port_catalog::probeCandidates(&inUse);
    if (!inUse.isEmpty())
        out.event(QStringLiteral("warning"),
                  tr("not asked, used by another program: %1").arg(inUse.join(QStringLiteral(", "))),
                  {{"error", "port-busy"}, {"ports", QJsonArray::fromStringList(inUse)}});
    out.event(QStringLiteral("probe"),
              ports.isEmpty()
                  ? tr("no usable port to ask (none free, none but the kernel's console)")
                  : tr("asking %1 at %2, then at each other baud rate").arg(ports.join(QStringLiteral(", ")), line),
              {{"ports", QJsonArray::fromStringList(ports)}, {"line", line}});
    SystemClock clock;
    PrinterProbe probe(clock, [] { return std::make_unique<QtSerialControl>(); });
    std::optional<PrinterProbe::Report> report;
    QObject::connect(&probe, &PrinterProbe::finished, [&](const PrinterProbe::Report& r) {
        report = r;
        end();
    });
    probe.start(ports, line);
    if (probe.running())
        runUntilEnd([&] { probe.cancel(); });
    const PrinterProbe::Report r = report.value_or(probe.report()); // interrupted: what it had found
    QJsonArray found;
    QStringList lines;
    for (const PrinterProbe::Found& f : r.found) {
        found.append(QJsonObject{{"port", f.port}, {"device", f.device}, {"line", f.line}, {"model", f.model}});
        lines << QStringLiteral("%1 %2 %3 %4").arg(f.port, -6).arg(f.device, -40).arg(f.line, -13).arg(f.model);
    }
    if (m_signal)
        return out.result(name(), 128 + m_signal, {{"found", found}}, lines.join('\n'));
    if (lines.isEmpty())
        lines << tr("no printer answered");
    const QStringList& silent = r.silent;
    if (!silent.isEmpty())
        lines << tr("silent: %1").arg(silent.join(QStringLiteral(", ")));
    return out.result(name(), found.isEmpty() ? exit_status::NoAnswer : exit_status::Ok,
                      {{"found", found}, {"silent", QJsonArray::fromStringList(silent)},
                       {"inUse", QJsonArray::fromStringList(inUse)}},
                      lines.join('\n'));
}
