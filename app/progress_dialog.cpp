#include "app/progress_dialog.h"

#include "core/link/serial_control.h"
#include "app/twips.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

Calcolo::Calcolo(QWidget* mainWindow, SerialControl& comm)
    : QDialog(mainWindow), Downloading(new QGroupBox(this)), BarraTrasm(new QProgressBar(Downloading)),
      CancelButton(new QPushButton(Downloading)), Label1(new QLabel(this)), MSComm1(comm), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("Calcolo"));
    Downloading->setObjectName(QStringLiteral("Downloading"));
    BarraTrasm->setObjectName(QStringLiteral("BarraTrasm"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    Label1->setObjectName(QStringLiteral("Label1"));
    comm.setObjectName(QStringLiteral("MSComm1"));

    setModal(false);
    setWindowTitle(QString());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    BarraTrasm->setTextVisible(false);
    CancelButton->setAutoDefault(false);
    QFont narrow(QStringLiteral("Arial Narrow"));
    narrow.setPointSizeF(11.25);
    Label1->setFont(narrow);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    const QRect client = twipsRect(*this, 0, 0, 3630, 1860);
    setFixedSize(client.size());
    Downloading->setGeometry(twipsRect(*this, 126, 72, 3380, 1215));
    BarraTrasm->setGeometry(twipsRect(*this, 168, 240, 3045, 255));
    CancelButton->setGeometry(twipsRect(*this, 1083, 650, 1215, 375));
    Label1->setGeometry(twipsRect(*this, 120, 1440, 3405, 300));
    resetToDesign();
}

void Calcolo::resetToDesign()
{
    hide();
    Downloading->hide();
    BarraTrasm->setRange(0, 100);
    BarraTrasm->setValue(0);
    CancelButton->setText(QStringLiteral("Annulla"));
    Label1->setText(QString::fromUtf8(kDesignLabel));
}

void Calcolo::ensureLoaded()
{
    if (m_loaded)
        return;
    resetToDesign();
    if (m_mainWindow) {
        const int dx = twipsToPixels(600, logicalDpiX());
        const int dy = twipsToPixels(600, logicalDpiY());
        move(m_mainWindow->pos() + QPoint(dx, dy));
    }
    m_loaded = true;
}

void Calcolo::unload()
{
    // An unloaded dialog's control is closed; queued data is dropped.
    if (MSComm1.portOpen())
        MSComm1.setPortOpen(false);
    resetToDesign();
    m_loaded = false;
}

bool Calcolo::downloading() const
{
    return m_loaded && !Downloading->isHidden();
}

// The window's close box and Escape act as the abort button while a download runs; otherwise
// they only hide the dialog.
void Calcolo::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

void Calcolo::reject()
{
    if (downloading())
        CancelButton->click();
    else
        hide();
}
