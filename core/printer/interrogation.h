#pragma once

#include "core/link/line_settings.h"
#include "core/platform/cause.h"
#include "core/platform/task.h"
#include "core/printer/printer_link.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

class Clock;
class SerialControl;

// One interrogation of the printer: the handshake, then its model, firmware release and
// flash data, each asked with its own query. It says nothing itself: a face tells its result.
class Interrogation : public QObject
{
    Q_OBJECT
public:
    enum Query { Model, Release, Flash };
    // What a run found, or why it could not ask: each reply as shown (without its last
    // character), nothing for a query that got none.
    struct Answers {
        Failure failure;
        std::optional<QString> model, releaseShown, flash;
        std::optional<QString> release; // the release query's reply read to its terminator
        // The printer answered its release query.
        bool answered() const { return !failure && releaseShown.has_value(); }
        // A reply as a face shows it: "??????" for none.
        static QString shown(const std::optional<QString>& reply);
    };

    Interrogation(SerialControl& port, Clock& clock, QObject* parent = nullptr);

    // Opens the link's port, asks, closes it, and tells what it found. A start while a run is
    // under way is ignored.
    void start(const LinkChoice& link);
    // The run ends where it is; the port is closed, and nothing more is said of it.
    void cancel();
    // From the opening of the port to the end of the run.
    bool testRunning() const { return m_testRunning; }
    bool inRun() const { return m_job.running(); }
    SerialControl& port() { return m_printer.port(); }

signals:
    // The reply to one query as shown: without its last character, "??????" when none came.
    void reply(Interrogation::Query query, const QString& text);
    void finished(const Interrogation::Answers& answers);

private:
    Task<> run(LinkChoice link);
    Task<Failure> ask(Answers& answers);

    PrinterLink m_printer;
    bool m_testRunning = false;
    Job m_job;
    Answers m_answers;
};
