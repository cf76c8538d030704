#include "app/progress_dialog.h"

#include "app/twips.h"
#include "core/download/download.h"
#include "core/download/download_watch.h"
#include "core/link/serial_control.h"
#include "core/platform/clock.h"
#include "texts/download_messages.h"
#include "texts/string_table.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <cmath>

ProgressDialog::ProgressDialog(QWidget* mainWindow, Download& download, Clock& clock, std::function<int()> language)
    : QDialog(mainWindow), Downloading(new QGroupBox(this)), BarraTrasm(new QProgressBar(Downloading)),
      CancelButton(new QPushButton(Downloading)), Label1(new QLabel(this)), timeLeft(new QLabel(this)),
      MSComm1(download.port()), m_mainWindow(mainWindow), m_download(download), m_language(std::move(language)),
      m_watch(std::make_unique<DownloadWatch>(download, clock)), m_countdown(clock.createTimer()), m_clock(clock),
      m_redraw(clock.createTimer())
{
    m_redraw->setInterval(int(kRedraw * 1000));
    connect(m_redraw.get(), &Timer::timeout, this, [this] {
        m_redraw->setEnabled(false);
        m_drawnAt = -1;
        follow();
    });
    setObjectName(QStringLiteral("Calcolo"));
    Downloading->setObjectName(QStringLiteral("Downloading"));
    BarraTrasm->setObjectName(QStringLiteral("BarraTrasm"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    Label1->setObjectName(QStringLiteral("Label1"));
    timeLeft->setObjectName(QStringLiteral("timeLeft"));
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
    QFont small = font();
    small.setPointSizeF(qMin(small.pointSizeF(), 8.25));
    timeLeft->setFont(small);
    timeLeft->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    timeLeft->setTextFormat(Qt::PlainText);

    // One line under the status text more than the dialog as designed.
    const QRect client = twipsRect(*this, 0, 0, 3630, 1860 + 300);
    setFixedSize(client.size());
    Downloading->setGeometry(twipsRect(*this, 126, 72, 3380, 1215));
    BarraTrasm->setGeometry(twipsRect(*this, 168, 240, 3045, 255));
    CancelButton->setGeometry(twipsRect(*this, 1083, 650, 1215, 375));
    Label1->setGeometry(twipsRect(*this, 120, 1440, 3405, 300));
    timeLeft->setGeometry(twipsRect(*this, 120, 1770, 3405, 300));
    m_countdown->setInterval(250);
    connect(m_countdown.get(), &Timer::timeout, this, &ProgressDialog::showTimeLeft);
    connect(m_watch.get(), &DownloadWatch::changed, this, [this] {
        // While bytes go, the time left is drawn with the bar.
        if (!m_download.progress().transferring() || m_watch->status().timedWait)
            showTimeLeft();
    });

    connect(CancelButton, &QPushButton::clicked, &download, &Download::cancel);
    connect(&download, &Download::progressChanged, this, &ProgressDialog::follow);
    connect(&download, &Download::ended, this, [this](const DownloadReport& report) {
        // An abort or a failure unloads the dialog; a completed or refused download only hid it.
        if (report.outcome != DownloadOutcome::Completed && report.outcome != DownloadOutcome::PortRefused)
            unload();
    });
    unload();
}

ProgressDialog::~ProgressDialog() = default;

void ProgressDialog::showTimeLeft()
{
    const DownloadStatus status = m_watch->status();
    const QString text = statusText(status);
    if (timeLeft->text() != text) {
        timeLeft->setText(text);
        timeLeft->setAccessibleName(text);
    }
    // Counting down needs a redraw without news from the download.
    const bool counting = status.timedWait && isVisible();
    if (m_countdown->isEnabled() != counting)
        m_countdown->setEnabled(counting);
}

void ProgressDialog::load()
{
    // Each load places the dialog 600 twips right of and below the main window's corner.
    if (m_loaded)
        return;
    m_loaded = true;
    if (m_mainWindow)
        move(m_mainWindow->pos() + QPoint(twipsToPixels(600, logicalDpiX()), twipsToPixels(600, logicalDpiY())));
}

void ProgressDialog::unload()
{
    // Back to the dialog as designed: the button reads "Annulla" and the status the end text, in
    // Italian, whatever the language.
    m_loaded = m_shown = false;
    BarraTrasm->setRange(0, 100);
    BarraTrasm->setValue(0);
    CancelButton->setText(QStringLiteral("Annulla"));
    Label1->setText(QStringLiteral("Fine trasmissione: attendere lampeggio..."));
    timeLeft->clear();
    m_countdown->setEnabled(false);
    Downloading->setVisible(false);
    setVisible(false);
    // A port a running download holds is closed by its job, which is stopped for it.
    if (m_download.running())
        m_download.cancel();
    else if (MSComm1.isOpen())
        MSComm1.close();
}

bool ProgressDialog::shown()
{
    load();
    return m_shown;
}

void ProgressDialog::follow()
{
    const DownloadProgress& p = m_download.progress();
    if (p.stage == DownloadStage::Idle) {
        m_redraw->setEnabled(false);
        m_drawnAt = -1;
        m_drawnStage = int(DownloadStage::Idle);
        Downloading->setVisible(false);
        m_shown = false;
        setVisible(false);
        return;
    }
    load();
    // Bytes going in the same stage: drawn now if the last drawing is old enough, else at the
    // interval's end; the last byte and every change of stage at once.
    const double now = m_clock.now();
    if (p.transferring() && int(p.stage) == m_drawnStage && p.taken < p.total && m_drawnAt >= 0 &&
        now - m_drawnAt < kRedraw) {
        if (!m_redraw->isEnabled()) {
            m_redraw->setInterval(qMax(1, int(std::ceil((kRedraw - (now - m_drawnAt)) * 1000))));
            m_redraw->setEnabled(true);
        }
        return;
    }
    m_redraw->setEnabled(false);
    m_drawnAt = now;
    m_drawnStage = int(p.stage);
    const int language = m_language();
    if (p.transferring()) {
        // The bar counts in 32-bit steps; files stay below 2 GiB.
        BarraTrasm->setRange(0, int(p.total));
        BarraTrasm->setValue(int(p.taken));
        CancelButton->setText(tableText(language, Text::Abort));
    }
    // The checksum caption is the same in both languages.
    Label1->setText(p.stage == DownloadStage::Checksum  ? QStringLiteral("CALCOLO CHECKSUM IN CORSO...")
                    : p.stage == DownloadStage::Sending ? tableText(language, Text::Downloading)
                                                        : tableText(language, Text::TransmissionEnd));
    Downloading->setVisible(p.transferring());
    if (p.transferring())
        showTimeLeft();
    if (!m_shown) {
        m_shown = true;
        setVisible(true);
    }
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
    if (m_download.busy()) {
        m_download.cancel();
        return;
    }
    m_shown = false;
    setVisible(false);
}
