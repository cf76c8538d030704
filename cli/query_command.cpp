#include "cli/query_command.h"

#include "cli/printer_setup.h"
#include "cli/recording.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/system_clock.h"
#include "core/printer/interrogation.h"
#include "core/record/job_rows.h"
#include "texts/printer_messages.h"

#include <QCommandLineParser>

void QueryCommand::define(QCommandLineParser& p) const
{
    definePrinterOptions(p);
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
    Recording record(p, out);
    const auto recorded = record.beginAsking(JobKind::Interrogation, setup->link);
    interrogation.start(setup->link);
    runUntilEnd([&] { interrogation.cancel(); });
    record.complete(recorded, job_rows::interrogationEnd(answers, m_signal ? std::optional(JobOutcome::Interrupted)
                                                                           : std::nullopt));
    if (m_signal)
        return out.result(name(), 128 + m_signal);
    if (answers.failure) {
        tellPrinterFailure(out, language, answers.failure);
        return failed(out, name(), answers.failure);
    }
    using A = Interrogation::Answers;
    const QString model = A::shown(answers.model), release = A::shown(answers.releaseShown),
                  flash = A::shown(answers.flash);
    out.say(QStringLiteral("model: ") + model);
    out.say(QStringLiteral("release: ") + release);
    out.say(QStringLiteral("flash: ") + flash);
    return out.result(name(), exit_status::Ok, {{"model", model}, {"release", release}, {"flash", flash}});
}
