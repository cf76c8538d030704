#include "app/release_check.h"

#include "core/link/open_link.h"
#include "core/link/serial_control.h"
#include "core/platform/clock.h"
#include "core/platform/lifetime.h"
#include "app/message_boxes.h"
#include "core/platform/string_table.h"
#include "core/printer/release_search.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

void ReleaseCheck::message(int text, int title)
{
    const int base = m_c.languageBase();
    m_messages.show(m_c.window, tableText(base, text), title < 0 ? QString() : tableText(base, title),
                    MessageIcon::Critical);
}

void ReleaseCheck::cmdCheckRelease_Click()
{
    // A click during one of the check's own waits would re-enter it with the port open.
    if (m_running)
        return;
    if (m_c.ShowFile->text().isEmpty() || !m_c.SelOperazione0->isChecked())
        return;
    m_running = true;
    m_c.window->setCursor(Qt::WaitCursor);
    m_c.txtFwFile->clear();
    m_c.txtFwBoard->clear();
    m_c.window->repaint();
    run();
    if (m_c.MSComm1->portOpen())
        m_c.MSComm1->setPortOpen(false);
    m_c.window->unsetCursor();
    m_running = false;
}

void ReleaseCheck::run()
{
    // The path is a plain name: nothing in it is expanded.
    const QString path = m_c.ShowFile->text();
    if (!QFileInfo(path).isFile()) {
        message(122, -1);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_messages.show(m_c.window, ownText(m_c.languageBase(), Msg::FileOpenFailed).arg(path, file.errorString()),
                        kAppTitle, MessageIcon::Critical);
        return;
    }
    if (file.size() == 0)
        return;
    m_c.cmdCheckRelease->setText(tableText(m_c.languageBase(), 109));
    m_c.cmdCheckRelease->repaint(); // the search does not yield
    const std::optional<QByteArray> release = findRelease(file);
    if (release)
        m_c.txtFwFile->setText(QString::fromLatin1(*release));
    m_c.cmdCheckRelease->setText(tableText(m_c.languageBase(), 108));
    file.close();

    if (isParallelLink(m_c.link)) {
        message(113, 112);
        return;
    }
    askPrinter();
}

bool ReleaseCheck::ask(const QByteArray& command)
{
    m_c.ReplyBuffer->clear();
    m_c.MSComm1->output(command); // a failing send is skipped; the wait tells
    m_clock.waitSeconds(0.4);
    return !lifetime::ending();
}

void ReleaseCheck::askPrinter()
{
    SetLinkSettings(linkChoice(m_c.link), *m_c.MSComm1);
    if (!m_c.MSComm1->portOpen() && !m_c.MSComm1->setPortOpen(true)) {
        message(124, 8);
        return;
    }
    if (!ask(QByteArrayLiteral("!0")))
        return;
    if (m_c.ReplyBuffer->isEmpty()) {
        message(116, 112);
        return;
    }
    if (!ask(QByteArrayLiteral("?54&4\r\n")))
        return;
    if (m_c.ReplyBuffer->isEmpty()) {
        message(116, 112);
        return;
    }
    m_c.txtFwBoard->setText(QString::fromLatin1(m_c.ReplyBuffer->chopped(1)));
}
