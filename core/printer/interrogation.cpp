#include "core/printer/interrogation.h"

#include "core/link/open_link.h"
#include "core/link/serial_control.h"
#include "core/platform/messages.h"
#include "core/platform/string_table.h"

#include <array>

Interrogation::Interrogation(SerialControl& port, Clock& clock, MessageBoxes& messages,
                             std::function<int()> languageBase, QObject* parent)
    : QObject(parent), m_printer(port, clock), m_messages(messages), m_languageBase(std::move(languageBase))
{}

QString Interrogation::text(int n) const
{
    return tableText(m_languageBase(), n);
}

Interrogation::Answers Interrogation::run(const LinkChoice& link)
{
    // A second press inside one of the run's waits would re-enter it with the port open.
    Answers answers;
    if (m_inRun)
        return answers;
    m_inRun = true;
    SerialControl& p = port();
    Failure failure = openSerialLink(link, p);
    if (failure) {
        m_messages.show(text(Text::PortInUse), text(Text::Port), MessageIcon::Critical,
                        failureDetail(m_languageBase(), failure));
    } else {
        m_testRunning = true;
        failure = ask(answers.replies);
        m_testRunning = false;
        if (p.isOpen())
            p.close();
    }
    m_inRun = false;
    answers.failure = failure;
    return answers;
}

Failure Interrogation::ask(QStringList& replies)
{
    const auto handshake = m_printer.ask(PrinterLink::kHandshake);
    if (!handshake)
        return {};
    if (handshake->isEmpty()) {
        m_messages.show(text(Text::PrinterOffLine), text(Text::PrinterInterrogations), MessageIcon::Critical);
        const Failure failure = port().failure();
        return failure ? failure : Failure{Cause::PrinterNoAnswer, port().port(), port().device(), {}};
    }
    const std::array<std::pair<Query, QByteArray>, 3> queries = {
        {{Model, "?54&10\r\n"}, {Release, "?54&4\r\n"}, {Flash, "?54&12\r\n"}}};
    for (const auto& [query, command] : queries) {
        const auto answer = m_printer.ask(command);
        if (!answer)
            return {};
        replies << QString::fromLatin1(answer->isEmpty() ? kNoReply : PrinterLink::shown(*answer));
        emit reply(query, replies.constLast());
    }
    return {};
}
