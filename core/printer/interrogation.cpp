#include "core/printer/interrogation.h"

#include "core/printer/protocol.h"

#include "core/link/open_link.h"
#include "core/link/serial_control.h"

#include <array>

Interrogation::Interrogation(SerialControl& port, Clock& clock, QObject* parent)
    : QObject(parent), m_printer(port, clock)
{
    connect(&m_job, &Job::finished, this, [this] { emit finished(m_answers); });
}

void Interrogation::start(const LinkChoice& link)
{
    // A second press inside one of the run's waits would start it again with the port open.
    if (!m_job.running())
        m_job.start(run(link));
}

void Interrogation::cancel()
{
    m_job.cancel();
    m_testRunning = false;
    if (port().isOpen())
        port().close();
}

Task<> Interrogation::run(LinkChoice link)
{
    Answers answers;
    SerialControl& p = port();
    answers.failure = openSerialLink(link, p);
    if (!answers.failure) {
        m_testRunning = true;
        answers.failure = co_await ask(answers);
        m_testRunning = false;
        if (p.isOpen())
            p.close();
    }
    m_answers = answers; // told once the job is over
}

Task<Failure> Interrogation::ask(Answers& answers)
{
    if ((co_await m_printer.ask(protocol::kHandshake)).isEmpty()) {
        const Failure failure = port().failure();
        co_return failure ? failure : Failure{Cause::PrinterNoAnswer, port().port(), port().device(), {}};
    }
    const std::array<std::tuple<Query, QByteArray, std::optional<QString>*>, 3> queries = {{
        {Model, protocol::kAskModel, &answers.model},
        {Release, protocol::kAskRelease, &answers.releaseShown},
        {Flash, protocol::kAskFlash, &answers.flash},
    }};
    for (const auto& [query, command, into] : queries) {
        const QByteArray answer = co_await m_printer.ask(command);
        if (!answer.isEmpty())
            *into = QString::fromLatin1(PrinterLink::shown(answer));
        if (query == Release)
            if (const auto release = PrinterLink::reported(answer))
                answers.release = QString::fromLatin1(*release);
        emit reply(query, Answers::shown(*into));
    }
    co_return Failure{};
}

QString Interrogation::Answers::shown(const std::optional<QString>& reply)
{
    return reply.value_or(QString::fromLatin1(protocol::kNoReply));
}
