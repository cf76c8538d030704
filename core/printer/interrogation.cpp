#include "core/printer/interrogation.h"

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
    QStringList& replies = answers.replies;
    if ((co_await m_printer.ask(PrinterLink::kHandshake)).isEmpty()) {
        const Failure failure = port().failure();
        co_return failure ? failure : Failure{Cause::PrinterNoAnswer, port().port(), port().device(), {}};
    }
    const std::array<std::pair<Query, QByteArray>, 3> queries = {
        {{Model, "?54&10\r\n"}, {Release, "?54&4\r\n"}, {Flash, "?54&12\r\n"}}};
    for (const auto& [query, command] : queries) {
        const QByteArray answer = co_await m_printer.ask(command);
        replies << QString::fromLatin1(answer.isEmpty() ? kNoReply : PrinterLink::shown(answer));
        if (query == Release)
            if (const auto release = PrinterLink::reported(answer))
                answers.release = QString::fromLatin1(*release);
        emit reply(query, replies.constLast());
    }
    co_return Failure{};
}
