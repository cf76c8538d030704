#include "cli/printer_setup.h"

#include "core/link/stored_choices.h"
#include "texts/string_table.h"

#include <QCommandLineParser>
#include <QJsonObject>

namespace {
const QCommandLineOption kPort{QStringLiteral("port"), QStringLiteral("COM1 to COM10, or a serial device's path."),
                               QStringLiteral("name")};
const QCommandLineOption kLine{QStringLiteral("line"),
                               QStringLiteral("Line settings as the window offers them, e.g. 57600,N,8,1."),
                               QStringLiteral("settings")};
} // namespace

void definePrinterOptions(QCommandLineParser& p)
{
    p.addOptions({kPort, kLine});
}

std::optional<PrinterSetup> printerSetup(const QCommandLineParser& p, Output& out, const QString& command)
{
    const StoredChoices c = p.isSet(option::kNoStored) ? builtInChoices() : readStoredChoices();
    PrinterSetup s{languageOf(p), c.link};
    if (p.isSet(kLine)) {
        s.link.line = offeredLine(p.value(kLine));
        if (!s.link.line) {
            const QString why = QStringLiteral("line settings the window does not offer: ") + p.value(kLine);
            out.event(QStringLiteral("error"), QStringLiteral("velmora-cli %1: %2").arg(command, why),
                      {{"error", "usage"}, {"text", why}});
            return std::nullopt;
        }
    }
    if (p.isSet(kPort)) {
        const auto port = portNamed(p.value(kPort));
        s.link.port = port.value_or(QString());
        if (!port) {
            const QString why = noSuchPort(p.value(kPort));
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

int failed(Output& out, const QString& command, const Failure& failure)
{
    QJsonObject fields = Output::fieldsOf(failure);
    fields.insert(QStringLiteral("message"), out.lastMessage());
    // The result line on stdout, as for every command: what failed and why, in a line a script keeps.
    return out.result(command, exit_status::of(failure.cause), fields, failureCause(failure));
}
