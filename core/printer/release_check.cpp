#include "core/printer/release_check.h"

#include "core/link/device_access.h"
#include "core/link/open_link.h"
#include "core/link/serial_control.h"
#include "core/platform/file_check.h"
#include "core/platform/messages.h"
#include "core/platform/string_table.h"
#include "core/printer/release_search.h"

#include <QFile>
#include <QFileInfo>

ReleaseCheck::ReleaseCheck(SerialControl& port, Clock& clock, MessageBoxes& messages, std::function<int()> languageBase,
                           QObject* parent)
    : QObject(parent), m_printer(port, clock), m_clock(clock), m_messages(messages),
      m_languageBase(std::move(languageBase))
{
    connect(&m_job, &Job::finished, this, [this] { emit finished(m_found); });
}

QString ReleaseCheck::text(int n) const
{
    return tableText(m_languageBase(), n);
}

void ReleaseCheck::message(const QString& message, const QString& title)
{
    m_messages.show(message, title, MessageIcon::Critical);
}

ReleaseComparison::Result ReleaseComparison::result() const
{
    if (failure)
        return Result::Failed;
    if (!file)
        return Result::NoRelease;
    if (!printer)
        return Result::Failed;
    return file == printerRelease ? Result::Equal : Result::Different;
}

void ReleaseCheck::start(const QString& path, const LinkChoice& link, bool askWithoutRelease)
{
    // A click during one of the check's own waits would start it again with the port open.
    if (!m_job.running())
        m_job.start(run(path, link, askWithoutRelease));
}

void ReleaseCheck::cancel()
{
    m_job.cancel();
    if (m_printer.port().isOpen())
        m_printer.port().close();
}

Task<> ReleaseCheck::run(QString path, LinkChoice link, bool askWithoutRelease)
{
    ReleaseComparison found;
    found.failure = co_await searchFile(path, found);
    if (!found.failure && !found.file && !askWithoutRelease) {
        m_found = found;
        co_return;
    }
    if (!found.failure && link.parallel()) {
        message(text(Text::SelectSerialPort), text(Text::PrinterInterrogations));
        found.failure = Failure{Cause::PortNotSerial, link.port, {}, {}};
    }
    if (!found.failure)
        found.failure = co_await askPrinter(link, found);
    if (m_printer.port().isOpen())
        m_printer.port().close();
    m_found = found; // told once the job is over, so that a listener may start the next
}

Task<Failure> ReleaseCheck::searchFile(QString path, ReleaseComparison& found)
{
    // The path is a plain name: nothing in it is expanded. Only a regular file is opened: a
    // FIFO would block the opening.
    switch (const Failure f = checkFile(path); f.cause) {
    case Cause::FileMissing:
        message(text(Text::FileDoesNotExist), QString());
        co_return f;
    case Cause::FileNotRegular:
        message(ownText(m_languageBase(), Msg::FileNotRegular).arg(path, device_access::kindOf(m_languageBase(), path)),
                kAppTitle);
        co_return f;
    case Cause::FileUnreadable:
        message(ownText(m_languageBase(), Msg::FileOpenFailed).arg(path, f.system), kAppTitle);
        co_return f;
    case Cause::FileEmpty: // the window says nothing of it
        co_return f;
    default:
        break;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) // it went since it was looked at
        co_return Failure{Cause::FileUnreadable, path, {}, file.errorString()};
    emit searching(true);
    const std::optional<QByteArray> release = co_await searchRelease(file, m_clock);
    if (release) {
        // The window shows what it found, blank or not; an empty release is none to compare.
        if (!release->isEmpty())
            found.file = QString::fromLatin1(*release);
        emit fileRelease(QString::fromLatin1(*release));
    }
    emit searching(false);
    co_return {};
}

Task<Failure> ReleaseCheck::askPrinter(LinkChoice link, ReleaseComparison& found)
{
    SerialControl& port = m_printer.port();
    if (const Failure refused = openSerialLink(link, port)) {
        m_messages.show(text(Text::PortInUse), text(Text::Port), MessageIcon::Critical,
                        failureDetail(m_languageBase(), refused));
        co_return refused;
    }
    const auto noAnswer = [&] {
        message(text(Text::PrinterOffLine), text(Text::PrinterInterrogations));
        const Failure failure = port.failure();
        return failure ? failure : Failure{Cause::PrinterNoAnswer, port.port(), port.device(), {}};
    };
    if ((co_await m_printer.ask(PrinterLink::kHandshake)).isEmpty())
        co_return noAnswer();
    const QByteArray reply = co_await m_printer.ask(QByteArrayLiteral("?54&4\r\n"));
    if (reply.isEmpty())
        co_return noAnswer();
    found.printer = QString::fromLatin1(PrinterLink::shown(reply));
    if (const auto release = PrinterLink::reported(reply))
        found.printerRelease = QString::fromLatin1(*release);
    emit boardRelease(*found.printer);
    co_return Failure{};
}
