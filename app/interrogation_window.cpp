#include "app/interrogation_window.h"

#include "app/twips.h"
#include "core/link/open_link.h"
#include "core/link/serial_control.h"
#include "texts/printer_messages.h"
#include "texts/string_table.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

InterrogationWindow::InterrogationWindow(QWidget* mainWindow, const LinkBoxes& link, SerialControl& comm, Clock& clock,
                                         MessageBoxes& messages, std::function<int()> languageBase)
    : QDialog(mainWindow), lblModel(new QLabel(this)), txtModel(new QLineEdit(this)), lblRelease(new QLabel(this)),
      txtRelease(new QLineEdit(this)), lblFlash(new QLabel(this)), txtFlash(new QLineEdit(this)),
      cmdTest(new QPushButton(this)), cmdEsci(new QPushButton(this)), MSComm1(comm), m_mainWindow(mainWindow),
      m_link(link), m_languageBase(languageBase), m_messages(messages), m_interrogation(comm, clock)
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

    connect(cmdTest, &QPushButton::clicked, this, &InterrogationWindow::cmdTest_Click);
    connect(cmdEsci, &QPushButton::clicked, this, &InterrogationWindow::cmdEsci_Click);
    connect(&m_interrogation, &Interrogation::finished, this, [this](const Interrogation::Answers& answers) {
        tellPrinterFailure(m_messages, m_languageBase(), answers.failure);
        unsetCursor();
    });
    connect(&m_interrogation, &Interrogation::reply, this, [this](Interrogation::Query query, const QString& text) {
        const std::array<QLineEdit*, 3> boxes = {txtModel, txtRelease, txtFlash};
        boxes[std::size_t(query)]->setText(text);
    });
    unload();
}

QString InterrogationWindow::text(int n) const
{
    return tableText(m_languageBase(), n);
}

void InterrogationWindow::unload()
{
    hide();
    // A port a running interrogation holds is closed by its job, which is stopped for it.
    if (m_interrogation.inRun())
        m_interrogation.cancel();
    else if (MSComm1.isOpen())
        MSComm1.close();
    unsetCursor();
    lblModel->setText(QStringLiteral("Stampante:"));
    lblRelease->setText(QStringLiteral("Release:"));
    lblFlash->setText(QStringLiteral("FLASH:"));
    txtModel->clear();
    txtRelease->clear();
    txtFlash->clear();
}

void InterrogationWindow::load()
{
    if (m_mainWindow) {
        const int dx = twipsToPixels(300, logicalDpiX());
        const int dy = twipsToPixels(300, logicalDpiY());
        move(m_mainWindow->pos() + QPoint(dx, dy));
    }
    lblModel->setText(text(Text::Model));
    lblRelease->setText(text(Text::FirmwareRelease));
    // The design widths clip "Versione FW:" at this font; a label grows to its text, which
    // still ends well before the text boxes.
    for (QLabel* label : {lblModel, lblRelease, lblFlash})
        label->resize(qMax(label->width(), label->sizeHint().width()), label->height());
    CopyLinkSettings();
    // Modal without a nested event loop: the main window takes no input until it closes.
    show();
    cmdTest->setFocus();
}

void InterrogationWindow::CopyLinkSettings()
{
    // The main window is out of reach while this one is open: its link stays as it was here.
    m_linkAtLoad = linkChoice(m_link);
}

void InterrogationWindow::cmdTest_Click()
{
    if (m_interrogation.inRun())
        return;
    setCursor(Qt::WaitCursor);
    txtModel->clear();
    txtRelease->clear();
    txtFlash->clear();
    m_interrogation.start(m_linkAtLoad);
}

void InterrogationWindow::cmdEsci_Click()
{
    if (m_interrogation.inRun())
        return;
    unload();
}

// The close box and Escape act as Quit, so nothing closes the port or the window under a
// running wait.
void InterrogationWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    cmdEsci_Click();
}

void InterrogationWindow::reject()
{
    cmdEsci_Click();
}
