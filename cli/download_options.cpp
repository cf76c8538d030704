#include "cli/download_options.h"

#include "cli/command.h"

#include "core/download/plan.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace {
const QCommandLineOption kBoot{QStringLiteral("boot"),
                               QStringLiteral("board or ram: where firmware or standard fonts go."),
                               QStringLiteral("source")};
const QCommandLineOption kChecksum{QStringLiteral("checksum"),
                                   QStringLiteral("A checksum in the header (board only).")};
const QCommandLineOption kNoChecksum{QStringLiteral("no-checksum"), QStringLiteral("No checksum in the header.")};
const QCommandLineOption kTurbo{QStringLiteral("turbo"), QStringLiteral("The faster pacing.")};
const QCommandLineOption kNoTurbo{QStringLiteral("no-turbo"), QStringLiteral("The normal pacing.")};
const QCommandLineOption kAnyExtension{QStringLiteral("any-extension"),
                                       QStringLiteral("Send a file whose extension names another operation.")};
const QCommandLineOption kLine{
    QStringLiteral("line"),
    QStringLiteral("Line settings as the window offers them, e.g. 57600,N,8,1 (57600 runs at 56000 baud)."),
    QStringLiteral("settings")};
const QCommandLineOption kOperation{
    QStringLiteral("operation"), QStringLiteral("firmware, standard-fonts or external-fonts."), QStringLiteral("kind")};
} // namespace

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
        p.addOption(kOperation);
    p.addOptions({kBoot, kChecksum, kNoChecksum, kTurbo, kNoTurbo, kAnyExtension, kLine});
}

std::optional<QString> applyDownloadOptions(const QCommandLineParser& p, StoredChoices& c)
{
    if (p.optionNames().contains(kOperation.names().constFirst())) { // given (update takes none)
        if (!kOperations.contains(p.value(kOperation)))
            return QStringLiteral("no such operation: ") + p.value(kOperation);
        c.request.operation = kOperations[p.value(kOperation)];
    }
    if (p.isSet(kBoot)) {
        if (p.value(kBoot) != QLatin1String("board") && p.value(kBoot) != QLatin1String("ram"))
            return QStringLiteral("the boot source is board or ram");
        c.request.boot = p.value(kBoot) == QLatin1String("board") ? Boot::Board : Boot::RamCard;
        if (c.request.boot == Boot::RamCard)
            c.request.checksum = BoxValue::Unchecked;
    }
    if (p.isSet(kChecksum) && p.isSet(kNoChecksum))
        return QStringLiteral("--checksum or --no-checksum, not both");
    if (p.isSet(kChecksum) && c.request.boot == Boot::RamCard)
        return QStringLiteral("no checksum with the RAM card");
    if (p.isSet(kChecksum) && c.request.operation == Operation::ExternalFonts)
        return QStringLiteral("no checksum with external fonts: their headers carry none");
    // A firmware behind a font header (or the reverse) is a ruined load: a file named as another
    // operation's is refused, as the window refuses it; other names go out as they do there.
    // Anything but a regular file is left to the download's own checks.
    const QFileInfo file(c.request.path);
    const QString extension = extensionOf(c.request.operation);
    const std::optional<Operation> named = operationNamedBy(c.request.path);
    if (!extension.isEmpty() && file.isFile() && !p.isSet(kAnyExtension) && named && *named != c.request.operation)
        return QStringLiteral("%1 is no %2 file (*.%3); --any-extension sends it anyway")
            .arg(file.fileName(), kOperations.key(c.request.operation), extension);
    if (p.isSet(kChecksum) || p.isSet(kNoChecksum))
        c.request.checksum = p.isSet(kChecksum) ? BoxValue::Checked : BoxValue::Unchecked;
    if (p.isSet(kTurbo) && p.isSet(kNoTurbo))
        return QStringLiteral("--turbo or --no-turbo, not both");
    if (p.isSet(kTurbo) || p.isSet(kNoTurbo))
        c.turbo = p.isSet(kTurbo) ? BoxValue::Checked : BoxValue::Unchecked;
    if (p.isSet(kLine)) {
        c.link.line = offeredLine(p.value(kLine));
        if (!c.link.line)
            return QStringLiteral("line settings the window does not offer: ") + p.value(kLine);
    }
    return std::nullopt;
}
