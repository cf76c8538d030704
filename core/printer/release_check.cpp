#include "core/printer/release_check.h"

#include "core/link/open_link.h"
#include "core/link/serial_control.h"
#include "core/platform/messages.h"
#include "core/platform/string_table.h"
#include "core/printer/release_search.h"

#include <QFile>
#include <QFileInfo>

ReleaseCheck::ReleaseCheck(SerialControl& port, Clock& clock, MessageBoxes& messages, std::function<int()> languageBase,
                           QObject* parent)
    : QObject(parent), m_printer(port, clock), m_messages(messages), m_languageBase(std::move(languageBase))
{}

QString ReleaseCheck::text(int n) const
{
    return tableText(m_languageBase(), n);
}

void ReleaseCheck::message(const QString& message, const QString& title)
{
    m_messages.show(message, title, MessageIcon::Critical);
}

void ReleaseCheck::run(const QString& path, const LinkChoice& link)
{
    // A click during one of the check's own waits would re-enter it with the port open.
    if (m_running)
        return;
    m_running = true;
    check(path, link);
    if (m_printer.port().portOpen())
        m_printer.port().setPortOpen(false);
    m_running = false;
}

void ReleaseCheck::check(const QString& path, const LinkChoice& link)
{
    // The path is a plain name: nothing in it is expanded.
    if (!QFileInfo(path).isFile()) {
        message(text(122), QString());
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        message(ownText(m_languageBase(), Msg::FileOpenFailed).arg(path, file.errorString()), kAppTitle);
        return;
    }
    if (file.size() == 0)
        return;
    emit searching(true);
    const std::optional<QByteArray> release = findRelease(file);
    if (release)
        emit fileRelease(QString::fromLatin1(*release));
    emit searching(false);
    file.close();

    if (link.parallel()) {
        message(text(113), text(112));
        return;
    }
    askPrinter(link);
}

void ReleaseCheck::askPrinter(const LinkChoice& link)
{
    SerialControl& port = m_printer.port();
    SetLinkSettings(link, port);
    if (!port.portOpen() && !port.setPortOpen(true)) {
        message(text(124), text(8));
        return;
    }
    const auto handshake = m_printer.ask(PrinterLink::kHandshake);
    if (!handshake)
        return;
    if (handshake->isEmpty()) {
        message(text(116), text(112));
        return;
    }
    const auto reply = m_printer.ask(QByteArrayLiteral("?54&4\r\n"));
    if (!reply)
        return;
    if (reply->isEmpty()) {
        message(text(116), text(112));
        return;
    }
    emit boardRelease(QString::fromLatin1(PrinterLink::shown(*reply)));
}
