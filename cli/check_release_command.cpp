#include "cli/check_release_command.h"

#include "cli/printer_setup.h"
#include "cli/recording.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/system_clock.h"
#include "core/printer/release_check.h"
#include "core/record/job_rows.h"
#include "texts/printer_messages.h"
#include "texts/string_table.h"

#include <QCommandLineParser>
#include <QFileInfo>

void CheckReleaseCommand::define(QCommandLineParser& p) const
{
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The firmware file."));
    definePrinterOptions(p);
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
    Recording record(p, out);
    const auto recorded = record.beginAsking(JobKind::ReleaseCheck, setup->link, QFileInfo(path).absoluteFilePath());
    check.start(path, setup->link, false);
    runUntilEnd([&] { check.cancel(); });
    using Result = ReleaseComparison::Result;
    record.complete(recorded,
                    job_rows::releaseCheckEnd(found, m_signal ? std::optional(JobOutcome::Interrupted) : std::nullopt));
    if (m_signal)
        return out.result(name(), 128 + m_signal);
    switch (found.result()) {
    case Result::Failed:
        tellPrinterFailure(out, language, found.failure);
        if (found.failure.cause == Cause::FileEmpty) // the window says nothing of it; a script must be told
            out.show(ownText(Msg::FileEmptyNamed).arg(path), kAppTitle, MessageIcon::Critical);
        return failed(out, name(), found.failure);
    case Result::NoRelease:
        out.show(ownText(Msg::NoRelease).arg(path), kAppTitle, MessageIcon::Critical);
        return out.result(name(), exit_status::NoRelease, {{"error", "file-no-release"}, {"file", path}});
    case Result::Equal:
    case Result::Different:
        break;
    }
    const bool equal = found.result() == Result::Equal;
    out.say(QStringLiteral("file: ") + found.file.value_or(QStringLiteral("(no release found)")));
    // What the printer reports, read to its terminator: what "equal" rests on.
    const QString printer = found.printerRelease.value_or(QString());
    out.say(QStringLiteral("printer: ") + (found.printerRelease ? printer : tr("(no release reported)")));
    out.say(QStringLiteral("equal: ") + (equal ? "yes" : "no"));
    return out.result(name(),
                      equal                                 ? exit_status::Ok
                      : found.result() == Result::NoRelease ? exit_status::NoRelease
                                                            : exit_status::ReleasesDiffer,
                      {{"file", found.file.value_or(QString())}, {"printer", printer}, {"equal", equal}});
}
