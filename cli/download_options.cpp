#include "cli/download_options.h"

#include "cli/command.h"

#include "core/download/plan.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

const QMap<QString, Operation> kOperations = {{"firmware", Operation::Firmware},
                                              {"standard-fonts", Operation::StandardFonts},
                                              {"external-fonts", Operation::ExternalFonts}};

// A phase's identifier and its words.
const char* phaseId(DownloadPhase phase)
{
    switch (phase) {
    case DownloadPhase::PrinterWait:
        return "printer-wait";
    case DownloadPhase::Sending:
        return "sending";
    case DownloadPhase::Pause:
        return "pause";
    case DownloadPhase::Draining:
        return "drain";
    case DownloadPhase::BetweenParts:
        return "between-parts";
    case DownloadPhase::EndWait:
        return "end-wait";
    }
    return "";
}

QString phaseText(DownloadPhase phase, double seconds)
{
    const auto say = [&](const char* words) {
        const QString said = QCoreApplication::translate("Phase", words);
        return said.contains(QLatin1String("%1")) ? said.arg(seconds) : said;
    };
    switch (phase) {
    case DownloadPhase::PrinterWait:
        return say(QT_TRANSLATE_NOOP("Phase", "waiting %1 s for the printer"));
    case DownloadPhase::Sending:
        return say(QT_TRANSLATE_NOOP("Phase", "sending"));
    case DownloadPhase::Pause:
        return say(QT_TRANSLATE_NOOP("Phase", "pause of %1 s"));
    case DownloadPhase::Draining:
        return say(QT_TRANSLATE_NOOP("Phase", "waiting for the line to take the last bytes"));
    case DownloadPhase::BetweenParts:
        return say(QT_TRANSLATE_NOOP("Phase", "waiting %1 s between the two parts"));
    case DownloadPhase::EndWait:
        return say(QT_TRANSLATE_NOOP("Phase", "end wait of %1 s"));
    }
    return {};
}

QStringList plannedHeaders(const DownloadRequest& request, bool parallel)
{
    const std::optional<DownloadPlan> plan = planFile(request, parallel);
    return plan && !plan->refused ? plan->headerTexts() : QStringList();
}

void defineDownloadOptions(QCommandLineParser& p, bool withOperation)
{
    if (withOperation)
        p.addOption({"operation", "firmware, standard-fonts or external-fonts.", "kind"});
    p.addOptions({{"boot", "board or ram: where firmware or standard fonts go.", "source"},
                  {"checksum", "A checksum in the header (board only)."},
                  {"no-checksum", "No checksum in the header."},
                  {"turbo", "The faster pacing."},
                  {"no-turbo", "The normal pacing."},
                  {"any-extension", "Send a file whose extension names another operation."},
                  {"line", "Line settings as the window offers them, e.g. 57600,N,8,1 (57600 runs at 56000 baud).",
                   "settings"}});
}

std::optional<QString> applyDownloadOptions(const QCommandLineParser& p, StoredChoices& c)
{
    if (p.optionNames().contains(QStringLiteral("operation"))) { // given (update takes none)
        if (!kOperations.contains(p.value("operation")))
            return QStringLiteral("no such operation: ") + p.value("operation");
        c.request.operation = kOperations[p.value("operation")];
    }
    if (p.isSet("boot")) {
        if (p.value("boot") != QLatin1String("board") && p.value("boot") != QLatin1String("ram"))
            return QStringLiteral("the boot source is board or ram");
        c.request.boot = p.value("boot") == QLatin1String("board") ? Boot::Board : Boot::RamCard;
        if (c.request.boot == Boot::RamCard)
            c.request.checksum = BoxValue::Unchecked;
    }
    if (p.isSet("checksum") && p.isSet("no-checksum"))
        return QStringLiteral("--checksum or --no-checksum, not both");
    if (p.isSet("checksum") && c.request.boot == Boot::RamCard)
        return QStringLiteral("no checksum with the RAM card");
    if (p.isSet("checksum") && c.request.operation == Operation::ExternalFonts)
        return QStringLiteral("no checksum with external fonts: their headers carry none");
    // A firmware behind a font header (or the reverse) is a ruined load: a file named as another
    // operation's is refused, as the window refuses it; other names go out as they do there.
    // Anything but a regular file is left to the download's own checks.
    const QFileInfo file(c.request.path);
    const QString extension = extensionOf(c.request.operation);
    const std::optional<Operation> named = operationNamedBy(c.request.path);
    if (!extension.isEmpty() && file.isFile() && !p.isSet("any-extension") && named && *named != c.request.operation)
        return QStringLiteral("%1 is no %2 file (*.%3); --any-extension sends it anyway")
            .arg(file.fileName(), kOperations.key(c.request.operation), extension);
    if (p.isSet("checksum") || p.isSet("no-checksum"))
        c.request.checksum = p.isSet("checksum") ? BoxValue::Checked : BoxValue::Unchecked;
    if (p.isSet("turbo") && p.isSet("no-turbo"))
        return QStringLiteral("--turbo or --no-turbo, not both");
    if (p.isSet("turbo") || p.isSet("no-turbo"))
        c.turbo = p.isSet("turbo") ? BoxValue::Checked : BoxValue::Unchecked;
    if (p.isSet("line")) {
        c.link.line = offeredLine(p.value("line"));
        if (!c.link.line)
            return QStringLiteral("line settings the window does not offer: ") + p.value("line");
    }
    return std::nullopt;
}
