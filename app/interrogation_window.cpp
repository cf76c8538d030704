#include "app/interrogation_window.h"

#include "core/link/open_link.h"
#include "core/link/serial_control.h"
#include "core/platform/clock.h"
#include "core/platform/lifetime.h"
#include "app/message_boxes.h"
#include "app/twips.h"
#include "core/platform/string_table.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

namespace {
const QByteArray kNoReply = QByteArrayLiteral("??????");
}

frmPrTest::frmPrTest(QWidget* mainWindow, const LinkBoxes& link, SerialControl& comm, Clock& clock,
                     MessageBoxes& messages, std::function<int()> languageBase)
    : QDialog(mainWindow), lblModel(new QLabel(this)), txtModel(new QLineEdit(this)), lblRelease(new QLabel(this)),
      txtRelease(new QLineEdit(this)), lblFlash(new QLabel(this)), txtFlash(new QLineEdit(this)),
      cmdTest(new QPushButton(this)), cmdEsci(new QPushButton(this)), MSComm1(comm), m_mainWindow(mainWindow),
      m_link(link), m_clock(clock), m_messages(messages), m_languageBase(std::move(languageBase))
{
    setObjectName(QStringLiteral("frmPrTest"));
    lblModel->setObjectName(QStringLiteral("lblModel"));
    txtModel->setObjectName(QStringLiteral("txtModel"));
    lblRelease->setObjectName(QStringLiteral("lblRelease"));
    txtRelease->setObjectName(QStringLiteral("txtRelease"));
    lblFlash->setObjectName(QStringLiteral("lblFlash"));
    txtFlash->setObjectName(QStringLiteral("txtFlash"));
    cmdTest->setObjectName(QStringLiteral("cmdTest"));
    cmdEsci->setObjectName(QStringLiteral("cmdEsci"));
    comm.setObjectName(QStringLiteral("MSComm1"));

    setWindowTitle(QStringLiteral(" Interroga Stampante"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSizeF(9.75);
    setFont(arial);
    QFont bold = arial;
    bold.setBold(true);
    for (QLineEdit* box : {txtModel, txtRelease, txtFlash}) {
        box->setFont(bold);
        box->setReadOnly(true);
    }
    lblModel->setBuddy(txtModel);
    lblRelease->setBuddy(txtRelease);
    lblFlash->setBuddy(txtFlash);
    cmdTest->setText(QStringLiteral("TEST"));
    cmdEsci->setText(QStringLiteral("Quit"));
    cmdTest->setAutoDefault(false);
    cmdEsci->setAutoDefault(false);

    setFixedSize(twipsRect(*this, 0, 0, 5235, 2355).size());
    lblModel->setGeometry(twipsRect(*this, 195, 375, 1005, 240));
    txtModel->setGeometry(twipsRect(*this, 1800, 255, 1800, 360));
    lblRelease->setGeometry(twipsRect(*this, 195, 935, 765, 240));
    txtRelease->setGeometry(twipsRect(*this, 1800, 815, 1800, 360));
    lblFlash->setGeometry(twipsRect(*this, 195, 1500, 690, 240));
    txtFlash->setGeometry(twipsRect(*this, 1800, 1375, 3240, 360));
    cmdTest->setGeometry(twipsRect(*this, 3810, 225, 1230, 990));
    cmdEsci->setGeometry(twipsRect(*this, 3810, 1850, 1230, 405));
    setTabOrder(cmdTest, txtModel);
    setTabOrder(txtModel, txtRelease);
    setTabOrder(txtRelease, txtFlash);
    setTabOrder(txtFlash, cmdEsci);

    connect(cmdTest, &QPushButton::clicked, this, &frmPrTest::cmdTest_Click);
    connect(cmdEsci, &QPushButton::clicked, this, &frmPrTest::cmdEsci_Click);
    connect(&MSComm1, &SerialControl::onComm, this, [this] {
        if (MSComm1.commEvent() == SerialControl::ReceiveEvent)
            ReplyBuffer += MSComm1.input();
    });
    unload();
}

QString frmPrTest::text(int n) const
{
    return tableText(m_languageBase(), n);
}

void frmPrTest::unload()
{
    hide();
    if (MSComm1.portOpen())
        MSComm1.setPortOpen(false);
    unsetCursor();
    lblModel->setText(QStringLiteral("Stampante:"));
    lblRelease->setText(QStringLiteral("Release:"));
    lblFlash->setText(QStringLiteral("FLASH:"));
    txtModel->clear();
    txtRelease->clear();
    txtFlash->clear();
    ReplyBuffer.clear();
    m_testRunning = false;
}

void frmPrTest::load()
{
    if (m_mainWindow) {
        const int dx = twipsToPixels(300, logicalDpiX());
        const int dy = twipsToPixels(300, logicalDpiY());
        move(m_mainWindow->pos() + QPoint(dx, dy));
    }
    lblModel->setText(text(114));
    lblRelease->setText(text(115));
    // The design widths clip "Versione FW:" at this font; a label grows to its text, which
    // still ends well before the text boxes.
    for (QLabel* label : {lblModel, lblRelease, lblFlash})
        label->resize(qMax(label->width(), label->sizeHint().width()), label->height());
    CopyLinkSettings();
    // Modal without a nested event loop: the main window takes no input until it closes.
    show();
    cmdTest->setFocus();
}

void frmPrTest::CopyLinkSettings()
{
    SetLinkSettings(linkChoice(m_link), MSComm1);
}

void frmPrTest::cmdTest_Click()
{
    // A second press inside one of the run's waits would re-enter it with the port open.
    if (m_inRun)
        return;
    m_inRun = true;
    run();
    m_inRun = false;
}

void frmPrTest::run()
{
    setCursor(Qt::WaitCursor);
    txtModel->clear();
    txtRelease->clear();
    txtFlash->clear();
    if (!MSComm1.portOpen() && !MSComm1.setPortOpen(true)) {
        m_messages.show(this, text(124), text(8), MessageIcon::Critical);
        unsetCursor();
        return;
    }
    m_testRunning = true;
    ReplyBuffer.clear();
    MSComm1.output(QByteArrayLiteral("!0"));
    m_clock.waitSeconds(0.4);
    if (!ReplyBuffer.isEmpty()) {
        const std::array<std::pair<QByteArray, QLineEdit*>, 3> queries = {
            {{"?54&10", txtModel}, {"?54&4", txtRelease}, {"?54&12", txtFlash}}};
        for (const auto& [query, box] : queries) {
            if (lifetime::ending())
                break;
            ReplyBuffer.clear();
            MSComm1.output(query + "\r\n");
            m_clock.waitSeconds(0.4);
            box->setText(QString::fromLatin1(ReplyBuffer.isEmpty() ? kNoReply : ReplyBuffer.chopped(1)));
        }
    } else if (!lifetime::ending()) {
        m_messages.show(this, text(116), text(112), MessageIcon::Critical);
    }
    m_testRunning = false;
    unsetCursor();
    if (MSComm1.portOpen())
        MSComm1.setPortOpen(false);
}

void frmPrTest::cmdEsci_Click()
{
    if (m_testRunning || m_inRun)
        return;
    unload();
}

// The close box and Escape act as Quit, so nothing closes the port or the window under a
// running wait.
void frmPrTest::closeEvent(QCloseEvent* event)
{
    event->ignore();
    cmdEsci_Click();
}

void frmPrTest::reject()
{
    cmdEsci_Click();
}
