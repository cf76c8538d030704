#pragma once

#include "cli/command.h"
#include "core/link/line_settings.h"
#include "core/platform/cause.h"
#include <optional>

class QCommandLineParser;

// The language and the serial link a printer command works with: the stored ones, or those of
// --lang and --port; nothing (after saying why) for LPT1 or a name that is no port.
struct PrinterSetup {
    int language;
    LinkChoice link;
};
// The options of the printer commands: --port and --line.
void definePrinterOptions(QCommandLineParser& p);
std::optional<PrinterSetup> printerSetup(const QCommandLineParser& p, Output& out, const QString& command);
// The result of a printer conversation that did not get its answer.
int failed(Output& out, const QString& command, const Failure& failure);
