#include "app/progress_dialog.h"

#include "app/controls.h"
#include "app/twips.h"
#include "core/download/download.h"
#include "core/link/serial_control.h"
#include "texts/string_table.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

ProgressDialog::ProgressDialog(QWidget* mainWindow, Download& download, std::function<int()> language)
    : QDialog(mainWindow), Downloading(new QGroupBox(this)), BarraTrasm(new QProgressBar(Downloading)),
      CancelButton(new QPushButton(Downloading)), Label1(new QLabel(this)), MSComm1(download.port()),
      m_mainWindow(mainWindow), m_download(download), m_language(std::move(language))
{
    setObjectName(QStringLiteral("Calcolo"));
    Downloading->setObjectName(QStringLiteral("Downloading"));
    BarraTrasm->setObjectName(QStringLiteral("BarraTrasm"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    Label1->setObjectName(QStringLiteral("Label1"));
    MSComm1.setObjectName(QStringLiteral("MSComm1"));

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

    connect(CancelButton, &QPushButton::clicked, &download, &Download::cancel);
    connect(&download, &Download::dialogChanged, this, &ProgressDialog::follow);
    connect(&download, &Download::paintRequested, this, [this] { controls::refresh(*this); });
    follow();
}

void ProgressDialog::follow()
{
    const DownloadDialog& d = m_download.dialog();
    // Each load places the dialog 600 twips right of and below the main window's corner.
    if (d.loaded && !m_placed && m_mainWindow)
        move(m_mainWindow->pos() + QPoint(twipsToPixels(600, logicalDpiX()), twipsToPixels(600, logicalDpiY())));
    m_placed = d.loaded;
    BarraTrasm->setRange(0, d.maximum);
    BarraTrasm->setValue(d.value);
    // As designed, the button reads "Annulla" and the status the end text, in Italian; the
    // checksum caption is the same in both languages.
    const int language = m_language();
    CancelButton->setText(d.abortNamed ? tableText(language, Text::Abort) : QStringLiteral("Annulla"));
    switch (d.status) {
    case DownloadStatus::Idle:
        Label1->setText(QStringLiteral("Fine trasmissione: attendere lampeggio..."));
        break;
    case DownloadStatus::Checksum:
        Label1->setText(QStringLiteral("CALCOLO CHECKSUM IN CORSO..."));
        break;
    case DownloadStatus::Sending:
        Label1->setText(tableText(language, Text::Downloading));
        break;
    case DownloadStatus::EndWait:
        Label1->setText(tableText(language, Text::TransmissionEnd));
        break;
    }
    Downloading->setVisible(d.busy);
    setVisible(d.shown);
}

// The window's close box and Escape act as the abort button while a download runs; otherwise
// they only hide the dialog.
void ProgressDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

void ProgressDialog::reject()
{
    m_download.dialogClosed();
}
