#include "cli/commands.h"

#include "core/download/stored_choices.h"
#include "core/link/open_link.h"
#include "core/link/port_names.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/lifetime.h"
#include "core/platform/string_table.h"
#include "core/platform/system_clock.h"
#include "core/printer/interrogation.h"
#include "core/printer/release_check.h"

#include <QCommandLineParser>
#include <QFileInfo>

void Command::interrupt(int signal)
{
    m_signal = signal;
    lifetime::beginEnding(); // every wait returns at once; the port is closed on the way out
}

namespace {

// The language and the serial link a printer command works with: the stored ones, or those of
// --lang and --port; nothing (after saying why) for LPT1 or a name that is no port.
struct PrinterSetup {
    int language;
    LinkChoice link;
};
std::optional<PrinterSetup> printerSetup(const QCommandLineParser& p, Output& out)
{
    const StoredChoices c = readStoredChoices();
    PrinterSetup s{languageOf(p, c.language), c.link};
    if (p.isSet("port")) {
        s.link.portIndex = portIndexOf(p.value("port"));
        s.link.port = kPortItems.value(s.link.portIndex);
    }
    if (s.link.portIndex < 0 || s.link.parallel()) {
        out.show(tableText(s.language, 113), tableText(s.language, 112), MessageIcon::Critical);
        return std::nullopt;
    }
    return s;
}

// The status a printer conversation ends with, from the message it left.
int statusOf(const QString& message, int language)
{
    if (message == tableText(language, 124))
        return exit_status::PortRefused;
    if (message == tableText(language, 116))
        return exit_status::NoAnswer;
    if (!message.isEmpty())
        return exit_status::FileRefused;
    return exit_status::Ok;
}

} // namespace

void QueryCommand::define(QCommandLineParser& p) const
{
    p.addOption({"port", "COM1 to COM10.", "name"});
}

int QueryCommand::run(const QCommandLineParser& p, Output& out)
{
    const auto setup = printerSetup(p, out);
    if (!setup)
        return out.result(name(), exit_status::Usage);
    const int language = setup->language;
    SystemClock clock;
    QtSerialControl port;
    SetLinkSettings(setup->link, port);
    Interrogation interrogation(port, clock, out, [language] { return language; });
    QStringList replies = {QString(), QString(), QString()};
    QObject::connect(&interrogation, &Interrogation::reply,
                     [&](Interrogation::Query q, const QString& text) { replies[q] = text; });
    interrogation.run();
    if (m_signal)
        return out.result(name(), 128 + m_signal);
    const int status = statusOf(out.lastMessage(), language);
    if (status != exit_status::Ok)
        return out.result(name(), status, {{"message", out.lastMessage()}});
    out.say(QStringLiteral("model: ") + replies[0]);
    out.say(QStringLiteral("release: ") + replies[1]);
    out.say(QStringLiteral("flash: ") + replies[2]);
    return out.result(name(), status, {{"model", replies[0]}, {"release", replies[1]}, {"flash", replies[2]}});
}

void CheckReleaseCommand::define(QCommandLineParser& p) const
{
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The firmware file."));
    p.addOption({"port", "COM1 to COM10.", "name"});
}

int CheckReleaseCommand::run(const QCommandLineParser& p, Output& out)
{
    if (p.positionalArguments().size() != 1) {
        out.event(QStringLiteral("error"), QStringLiteral("velmora-cli check-release: one FILE is needed"), {});
        return out.result(name(), exit_status::Usage);
    }
    const QString path = p.positionalArguments().constFirst();
    const auto setup = printerSetup(p, out);
    if (!setup)
        return out.result(name(), exit_status::Usage);
    const int language = setup->language;
    SystemClock clock;
    QtSerialControl port;
    ReleaseCheck check(port, clock, out, [language] { return language; });
    std::optional<QString> inFile, onBoard;
    QObject::connect(&check, &ReleaseCheck::fileRelease, [&](const QString& r) { inFile = r; });
    QObject::connect(&check, &ReleaseCheck::boardRelease, [&](const QString& r) { onBoard = r; });
    check.run(path, setup->link);
    if (m_signal)
        return out.result(name(), 128 + m_signal);
    int status = statusOf(out.lastMessage(), language);
    if (status == exit_status::Ok && !onBoard) // an empty file: nothing to compare, nothing asked
        status = QFileInfo(path).size() == 0 ? exit_status::FileRefused : exit_status::NoAnswer;
    if (status != exit_status::Ok)
        return out.result(name(), status, {{"message", out.lastMessage()}});
    const bool equal = inFile && *inFile == *onBoard;
    out.say(QStringLiteral("file: ") + inFile.value_or(QStringLiteral("(no release found)")));
    out.say(QStringLiteral("printer: ") + *onBoard);
    out.say(QStringLiteral("equal: ") + (equal ? "yes" : "no"));
    return out.result(name(), equal ? exit_status::Ok : exit_status::ReleasesDiffer,
                      {{"file", inFile.value_or(QString())}, {"printer", *onBoard}, {"equal", equal}});
}

int PortsCommand::run(const QCommandLineParser&, Output& out)
{
    for (int i = 0; i < int(kPortItems.size()); ++i) {
        const bool serial = i < 10;
        const QString device = serial ? port_names::serialDevice(i + 1) : port_names::parallelDevice();
        const QFileInfo info(device);
        const bool exists = info.exists();
        const bool usable = exists && info.isWritable() && (!serial || info.isReadable());
        const QString state = !exists  ? QStringLiteral("missing")
                              : usable ? QStringLiteral("present, can be opened")
                                       : QStringLiteral("present, no access for this user");
        out.say(QStringLiteral("%1 %2 %3").arg(kPortItems[i], -6).arg(device, -40).arg(state));
        out.event(QStringLiteral("port"), QString(),
                  {{"name", kPortItems[i]}, {"device", device}, {"exists", exists}, {"accessible", usable}});
    }
    return out.result(name(), exit_status::Ok);
}
