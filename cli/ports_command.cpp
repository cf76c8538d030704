#include "cli/ports_command.h"

#include "core/link/device_access.h"
#include "core/link/port_names.h"
#include "core/link/stored_choices.h"

#include <QCommandLineParser>
#include <QJsonObject>

int PortsCommand::run(const QCommandLineParser& p, Output& out)
{
    const int language = languageOf(p);
    const auto tell = [&](const QString& name, const QString& device, device_access::Use use, QJsonObject fields) {
        const Failure f = device_access::check(device, use);
        QString state =
            !f                              ? inLanguage(language, "present, can be opened", "presente, si può aprire")
            : f.cause == Cause::PortMissing ? inLanguage(language, "missing", "assente")
            : f.cause == Cause::PortNoPermission
                ? inLanguage(language, "present, no access for this user", "presente, nessun accesso per questo utente")
                : inLanguage(language, "unusable: ", "inutilizzabile: ") + f.system;
        const QString make = fields.value("link").toString();
        if (use == device_access::Use::Serial && device_access::isKernelConsole(device)) {
            fields.insert(QStringLiteral("console"), true);
            state += inLanguage(language, " (the kernel's console)", " (la console del kernel)");
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
