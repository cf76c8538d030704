#include "cli/commands.h"

#include "core/link/device_access.h"
#include "core/link/open_link.h"
#include "core/link/port_names.h"
#include "core/link/qt_serial_control.h"
#include "core/link/stored_choices.h"
#include "core/platform/system_clock.h"
#include "core/printer/interrogation.h"
#include "core/printer/release_check.h"
#include "core/printer/release_search.h"
#include "texts/printer_messages.h"
#include "texts/string_table.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <QJsonObject>

void Command::interrupt(int signal)
{
    m_signal = signal;
    end();
}

void Command::end()
{
    m_ended = true;
    if (m_loop)
        m_loop->quit();
}

void Command::runUntilEnd(const std::function<void()>& stop)
{
    QEventLoop loop;
    m_loop = &loop;
    if (!m_ended)
        loop.exec();
    m_loop = nullptr;
    if (stop)
        stop();
}

namespace {
Task<> searchInto(QIODevice& file, Clock& clock, std::optional<QByteArray>& found)
{
    ReleaseSearch search(file);
    while (!search.step(kReleaseSearchStep))
        co_await clock.yieldNow();
    found = search.release();
}
} // namespace

std::optional<std::optional<QByteArray>> Command::releaseOf(QIODevice& file)
{
    SystemClock clock;
    Job job;
    std::optional<QByteArray> found;
    QObject::connect(&job, &Job::finished, [this] { end(); });
    job.start(searchInto(file, clock, found));
    runUntilEnd([&] { job.cancel(); });
    if (m_signal)
        return std::nullopt;
    m_ended = false; // the command goes on to its own loop
    return found;
}

namespace {

// The language and the serial link a printer command works with: the stored ones, or those of
// --lang and --port; nothing (after saying why) for LPT1 or a name that is no port.
struct PrinterSetup {
    int language;
    LinkChoice link;
};
std::optional<PrinterSetup> printerSetup(const QCommandLineParser& p, Output& out, const QString& command)
{
    const StoredChoices c = p.isSet("no-stored") ? builtInChoices() : readStoredChoices();
    PrinterSetup s{languageOf(p), c.link};
    if (p.isSet("line")) {
        s.link.line = offeredLine(p.value("line"));
        if (!s.link.line) {
            const QString why = QStringLiteral("line settings the window does not offer: ") + p.value("line");
            out.event(QStringLiteral("error"), QStringLiteral("velmora-cli %1: %2").arg(command, why),
                      {{"error", "usage"}, {"text", why}});
            return std::nullopt;
        }
    }
    if (p.isSet("port")) {
        const auto port = portNamed(p.value("port"));
        s.link.port = port.value_or(QString());
        if (!port) {
            const QString why = noSuchPort(p.value("port"));
            out.event(QStringLiteral("error"), QStringLiteral("velmora-cli %1: %2").arg(command, why),
                      {{"error", "usage"}, {"text", why}});
            return std::nullopt;
        }
    }
    if (s.link.port.isEmpty() || s.link.parallel()) {
        out.show(tableText(s.language, Text::SelectSerialPort), tableText(s.language, Text::PrinterInterrogations),
                 MessageIcon::Critical);
        return std::nullopt;
    }
    return s;
}

// The result of a printer conversation that did not get its answer.
int failed(Output& out, const QString& command, const Failure& failure)
{
    QJsonObject fields = Output::fieldsOf(failure);
    fields.insert(QStringLiteral("message"), out.lastMessage());
    return out.result(command, exit_status::of(failure.cause), fields);
}

} // namespace

void QueryCommand::define(QCommandLineParser& p) const
{
    p.addOptions({{"port", "COM1 to COM10, or a serial device's path.", "name"},
                  {"line", "Line settings as the window offers them, e.g. 57600,N,8,1.", "settings"}});
}

int QueryCommand::run(const QCommandLineParser& p, Output& out)
{
    const auto setup = printerSetup(p, out, name());
    if (!setup)
        return out.result(name(), exit_status::Usage);
    const int language = setup->language;
    SystemClock clock;
    QtSerialControl port;
    Interrogation interrogation(port, clock);
    Interrogation::Answers answers;
    QObject::connect(&interrogation, &Interrogation::finished, [&](const Interrogation::Answers& a) {
        answers = a;
        end();
    });
    interrogation.start(setup->link);
    runUntilEnd([&] { interrogation.cancel(); });
    if (m_signal)
        return out.result(name(), 128 + m_signal);
    if (answers.failure) {
        tellPrinterFailure(out, language, answers.failure);
        return failed(out, name(), answers.failure);
    }
    const QStringList& replies = answers.replies;
    out.say(QStringLiteral("model: ") + replies[0]);
    out.say(QStringLiteral("release: ") + replies[1]);
    out.say(QStringLiteral("flash: ") + replies[2]);
    return out.result(name(), exit_status::Ok, {{"model", replies[0]}, {"release", replies[1]}, {"flash", replies[2]}});
}

void CheckReleaseCommand::define(QCommandLineParser& p) const
{
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The firmware file."));
    p.addOptions({{"port", "COM1 to COM10, or a serial device's path.", "name"},
                  {"line", "Line settings as the window offers them, e.g. 57600,N,8,1.", "settings"}});
}

int CheckReleaseCommand::run(const QCommandLineParser& p, Output& out)
{
    const QString path = p.positionalArguments().constFirst();
    const auto setup = printerSetup(p, out, name());
    if (!setup)
        return out.result(name(), exit_status::Usage);
    const int language = setup->language;
    SystemClock clock;
    QtSerialControl port;
    ReleaseCheck check(port, clock);
    ReleaseComparison found;
    QObject::connect(&check, &ReleaseCheck::finished, [&](const ReleaseComparison& c) {
        found = c;
        end();
    });
    // A file without a release has nothing to compare: the printer is not asked. (The window
    // asks it anyway and shows its release alone.)
    check.start(path, setup->link, false);
    runUntilEnd([&] { check.cancel(); });
    if (m_signal)
        return out.result(name(), 128 + m_signal);
    using Result = ReleaseComparison::Result;
    switch (found.result()) {
    case Result::Failed:
        tellPrinterFailure(out, language, found.failure);
        if (found.failure.cause == Cause::FileEmpty) // the window says nothing of it; a script must be told
            out.show(ownText(language, Msg::FileEmptyNamed).arg(path), kAppTitle, MessageIcon::Critical);
        return failed(out, name(), found.failure);
    case Result::NoRelease:
        out.show(ownText(language, Msg::NoRelease).arg(path), kAppTitle, MessageIcon::Critical);
        return out.result(name(), exit_status::NoRelease, {{"error", "file-no-release"}, {"file", path}});
    case Result::Equal:
    case Result::Different:
        break;
    }
    const bool equal = found.result() == Result::Equal;
    out.say(QStringLiteral("file: ") + found.file.value_or(QStringLiteral("(no release found)")));
    // What the printer reports, read to its terminator: what "equal" rests on.
    const QString printer = found.printerRelease.value_or(QString());
    out.say(QStringLiteral("printer: ") +
            (found.printerRelease ? printer : inLanguage(language, "(no release reported)", "(nessuna release)")));
    out.say(QStringLiteral("equal: ") + (equal ? "yes" : "no"));
    return out.result(name(),
                      equal                                 ? exit_status::Ok
                      : found.result() == Result::NoRelease ? exit_status::NoRelease
                                                            : exit_status::ReleasesDiffer,
                      {{"file", found.file.value_or(QString())}, {"printer", printer}, {"equal", equal}});
}

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
