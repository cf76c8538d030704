#include "core/printer/release_check.h"

#include "core/link/open_link.h"
#include "core/link/serial_control.h"
#include "core/platform/clock.h"
#include "core/platform/file_check.h"
#include "core/printer/protocol.h"
#include "core/printer/release_search.h"

#include <QFile>
#include <QFileInfo>

ReleaseCheck::ReleaseCheck(SerialControl& port, Clock& clock, QObject* parent)
    : QObject(parent), m_printer(port, clock), m_clock(clock)
{
    connect(&m_job, &Job::finished, this, [this] { emit finished(m_found); });
}

std::optional<int> releaseOrder(const QString& a, const QString& b)
{
    const auto numbers = [](const QString& release) {
        QList<qulonglong> parts;
        for (const QString& part : release.trimmed().split('.')) {
            bool ok = false;
            parts << part.toULongLong(&ok);
            if (!ok || !part[0].isDigit()) // "+1", " 1": no number of a release
                return QList<qulonglong>();
        }
        return parts;
    };
    const QList<qulonglong> x = numbers(a), y = numbers(b);
    if (x.isEmpty() || y.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < qMax(x.size(), y.size()); ++i)
        if (x.value(i) != y.value(i))
            return x.value(i) < y.value(i) ? -1 : 1;
    return 0;
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
    if (!found.failure && link.parallel())
        found.failure = Failure{Cause::PortParallel, link.port, {}, {}};
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
    if (const Failure f = checkFile(path))
        co_return f;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) // it went since it was looked at
        co_return Failure{Cause::FileUnreadable, path, {}, file.errorString()};
    emit searching(true);
    // In steps with the event loop between them, so that a large file's search stops at once.
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
    if (const Failure refused = openSerialLink(link, port))
        co_return refused;
    // After the opening the port fails only as a link; otherwise the printer did not answer.
    const auto noAnswer = [&] {
        const Failure failure = port.failure();
        return failure ? failure : Failure{Cause::PrinterNoAnswer, port.port(), port.device(), {}};
    };
    if ((co_await m_printer.ask(protocol::kHandshake)).isEmpty())
        co_return noAnswer();
    const QByteArray reply = co_await m_printer.ask(protocol::kAskRelease);
    if (reply.isEmpty())
        co_return noAnswer();
    found.printer = QString::fromLatin1(PrinterLink::shown(reply));
    if (const auto release = PrinterLink::reported(reply))
        found.printerRelease = QString::fromLatin1(*release);
    emit boardRelease(*found.printer);
    co_return Failure{};
}
