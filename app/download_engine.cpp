#include "app/download_engine.h"

#include "core/download/header.h"
#include "app/progress_dialog.h"
#include "core/link/open_link.h"
#include "core/link/serial_control.h"
#include "core/platform/clock.h"
#include "core/platform/lifetime.h"
#include "app/message_boxes.h"
#include "app/vb_controls.h"
#include "core/platform/string_table.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <limits>

namespace {
const QString kEmptyFile = QStringLiteral("File vuoto o inesistente !!");
const QString kChecksumCaption = QStringLiteral("CALCOLO CHECKSUM IN CORSO...");
constexpr char kPadByte = ' ';
} // namespace

DownloadEngine::DownloadEngine(const DownloadControls& controls, GlobVar& state, Clock& clock, MessageBoxes& messages,
                               SerialControl& downloadPort, QObject* parent)
    : QObject(parent), m_c(controls), m_g(state), m_clock(clock), m_messages(messages), m_port(downloadPort),
      m_calcolo(new Calcolo(controls.window, downloadPort))
{
    connect(m_calcolo->CancelButton, &QPushButton::clicked, this, &DownloadEngine::CancelButton_Click);
    connect(m_c.Timer1, &Timer::timeout, this, &DownloadEngine::Timer1_Timer);
    connect(&m_port, &SerialControl::failed, this, [this](const QString& reason) {
        // Once every byte is on the line, the printer may well drop the link (it restarts
        // after a load): that is no failure of the download.
        if (busy() && !m_dataOut)
            reportLinkFailure(reason);
    });
}

DownloadEngine::~DownloadEngine() = default;

Calcolo& DownloadEngine::calcolo()
{
    m_calcolo->ensureLoaded();
    return *m_calcolo;
}

bool DownloadEngine::busy() const
{
    return m_calcolo->downloading();
}

bool DownloadEngine::current(quint64 generation) const
{
    return generation == m_generation && !lifetime::ending();
}

bool DownloadEngine::running(quint64 generation) const
{
    return current(generation) && busy();
}

int DownloadEngine::checkValue(const QCheckBox* box) const
{
    return vb::checkValue(*box);
}

bool DownloadEngine::turbo() const
{
    return checkValue(m_c.chkTurbo) == 1;
}

QString DownloadEngine::text(int n) const
{
    return tableText(m_g.LanguageBase, n);
}

QString DownloadEngine::text(Msg m) const
{
    return ownText(m_g.LanguageBase, m);
}

void DownloadEngine::showMessage(const QString& message, const QString& title, bool critical)
{
    m_messages.show(m_c.window, message, title, critical ? MessageIcon::Critical : MessageIcon::Information);
}

void DownloadEngine::abandon(const QString& message)
{
    m_c.Timer1->setEnabled(false);
    m_files.closeAll();
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_calcolo->unload();
    ++m_generation; // whatever still waits for this download ends quietly
    showMessage(message, kAppTitle, true);
}

void DownloadEngine::reportLinkFailure(const QString& reason)
{
    abandon(text(Msg::LinkWriteFailed).arg(m_port.deviceName(), reason));
}

bool DownloadEngine::sendToLink(const QByteArray& data, bool parallel, quint64 generation)
{
    if (parallel) {
        QString reason;
        if (m_files.writePortChannel(data, &reason))
            return true;
        abandon(text(Msg::LinkWriteFailed).arg(m_files.portChannelDevice(), reason));
        return false;
    }
    if (m_port.output(data))
        return true;
    // The port's failure signal may have ended the download already; report once.
    if (current(generation))
        reportLinkFailure(m_port.errorString().isEmpty() ? text(Msg::PortClosed) : m_port.errorString());
    return false;
}

double DownloadEngine::drainStallSeconds(const QString& settings)
{
    const auto line = parseLinkSettings(settings);
    const double bytesPerSecond = line ? line->baud / 10.0 : 240.0;
    return qMax(10.0, 8192.0 / bytesPerSecond);
}

bool DownloadEngine::drainSerial(quint64 generation)
{
    // Closing a port drops what is still queued (Qt's buffer, then the kernel's), so a normal
    // end waits, with the UI alive and Cancel working, until the line has taken every byte.
    qint64 pending = m_port.pendingOutput();
    double lastProgress = m_clock.now();
    const double stall = drainStallSeconds(m_port.settings());
    while (pending > 0) {
        m_clock.waitSeconds(0.02);
        if (!running(generation))
            return false;
        const qint64 now = m_port.pendingOutput();
        if (now < pending)
            lastProgress = m_clock.now();
        else if (m_clock.now() - lastProgress >= stall) {
            reportLinkFailure(text(Msg::LineStalled).arg(now));
            return false;
        }
        pending = now;
    }
    return running(generation);
}

bool DownloadEngine::openParallel()
{
    QString reason;
    if (m_files.openPortChannel(&reason))
        return true;
    abandon(text(Msg::ParallelOpenFailed).arg(m_files.portChannelDevice(), reason));
    return false;
}

void DownloadEngine::reportPortRefused()
{
    const quint64 generation = m_generation;
    showMessage(text(124), text(8), true);
    if (!current(generation))
        return;
    // The busy marker goes too: a hidden dialog with its frame still shown would refuse every
    // later download.
    m_calcolo->Downloading->setVisible(false);
    m_calcolo->setVisible(false);
    m_files.closeAll();
    m_g.PortError = false;
}

std::optional<QByteArray> DownloadEngine::readChunk(qint32 n)
{
    QByteArray chunk = m_files.source().read(n);
    if (chunk.size() == n)
        return chunk;
    abandon(text(Msg::FileReadFailed)
                .arg(m_files.source().fileName(),
                     chunk.size() < 0 ? m_files.source().errorString() : text(Msg::FileShorter)));
    return std::nullopt;
}

void DownloadEngine::endSequence(quint64 generation)
{
    m_dataOut = true;
    Calcolo& dlg = calcolo();
    dlg.Label1->setText(text(102));
    m_clock.waitSeconds(25);
    if (!running(generation))
        return;
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    showMessage(text(104), text(103), false);
    if (!current(generation))
        return;
    dlg.Downloading->setVisible(false);
    dlg.setVisible(false);
}

void DownloadEngine::startDialog(qint32 max)
{
    Calcolo& dlg = calcolo();
    dlg.BarraTrasm->setRange(0, max);
    dlg.BarraTrasm->setValue(0);
    dlg.Downloading->setVisible(true);
    dlg.Label1->setText(text(106));
    dlg.CancelButton->setText(text(107));
    dlg.setVisible(true);
    dlg.repaint();
}

void DownloadEngine::StartTrasm_Click()
{
    const QString path = m_c.ShowFile->text();
    if (path.isEmpty())
        return;
    if (busy())
        return;

    // The loader only reads: a missing or empty file is reported, never created or deleted.
    const QFileInfo info(path);
    if (!info.exists() || (info.isFile() && info.size() == 0)) {
        showMessage(kEmptyFile, kAppTitle, true);
        m_c.ShowFile->clear();
        return;
    }
    QString reason;
    if (!m_files.openSource(path, &reason)) {
        showMessage(text(Msg::FileOpenFailed).arg(path, reason), kAppTitle, true);
        return;
    }
    const qint64 size = m_files.source().size();
    if (size == 0) {
        m_files.closeSource();
        showMessage(kEmptyFile, kAppTitle, true);
        m_c.ShowFile->clear();
        return;
    }
    if (size > std::numeric_limits<qint32>::max()) {
        m_files.closeSource();
        showMessage(text(Msg::FileTooLarge).arg(path).arg(size), kAppTitle, true);
        return;
    }
    const quint64 generation = ++m_generation;
    m_dataOut = false;
    m_g.FileLength = qint32(size);
    m_g.BytesSent = 0;
    m_g.HeaderText.clear();

    const bool board = m_c.SelBoot[0]->isChecked();
    for (int operation = 0; operation < 2; ++operation) {
        if (!m_c.SelOperazione[std::size_t(operation)]->isChecked())
            continue;
        const char code = headerCode(operation, board, checkValue(m_c.chkCheckSum));
        std::optional<int> sum;
        if (headerCarriesChecksum(code)) {
            Calcolo& dlg = calcolo();
            dlg.Label1->setText(kChecksumCaption);
            dlg.setVisible(true);
            vb::refresh(dlg);
            if (!current(generation)) // the program ended while the dialog was being drawn
                return;
            sum = FileChecksum(m_files.source(), m_g.FileLength);
            if (!sum) {
                abandon(text(Msg::FileReadFailed).arg(path, m_files.source().errorString()));
                return;
            }
        }
        m_g.HeaderText = headerText(code, m_g.FileLength, sum);
    }

    if (m_c.SelOperazione[2]->isChecked()) {
        SendExternalFonts();
        // A newer download may have started inside the waits; its port is not ours to close.
        if (current(generation)) {
            if (m_port.portOpen())
                m_port.setPortOpen(false);
            m_files.closeAll();
        }
        return;
    }

    const bool parallel = isParallelLink(m_c.link);
    if (!parallel) {
        calcolo(); // the download port is the dialog's: using it loads the dialog
        OpenLink(linkChoice(m_c.link), m_port, m_g.PortError);
        if (m_g.PortError) {
            reportPortRefused();
            return;
        }
        if (!m_g.HeaderText.isEmpty() && !sendToLink(m_g.HeaderText, false, generation))
            return;
    } else {
        if (!m_g.HeaderText.isEmpty()) {
            if (!openParallel() || !sendToLink(m_g.HeaderText, true, generation))
                return;
            m_files.closePortChannel();
        }
        if (!openParallel())
            return;
    }

    startDialog(m_g.FileLength);
    m_clock.waitSeconds(8);
    // Aborted, ended or replaced meanwhile: nothing more of this download may run.
    if (!running(generation))
        return;
    m_g.TransferState = 1;
    m_c.Timer1->setInterval(turbo() ? 2 : parallel ? 45 : 20);
    m_c.Timer1->setEnabled(true);
}

void DownloadEngine::Timer1_Timer()
{
    m_c.Timer1->setEnabled(false);
    if (!m_calcolo->isLoaded() || !m_calcolo->isVisible())
        return;
    const int chunkSize = turbo() ? 512 : 64;
    if (m_g.TransferState == 2) {
        m_g.TickFlag = true;
        return;
    }
    if (m_g.TransferState != 1) {
        m_g.TransferState = 0;
        return;
    }
    const quint64 generation = m_generation;
    const bool parallel = isParallelLink(m_c.link);
    const qint32 n = qMin<qint32>(chunkSize, m_g.FileLength - m_g.BytesSent);
    const std::optional<QByteArray> chunk = readChunk(n);
    if (!chunk || !sendToLink(*chunk, parallel, generation))
        return;
    m_g.BytesSent += n;
    calcolo().BarraTrasm->setValue(m_g.BytesSent);

    const qint32 pauseEvery = parallel ? (checkValue(m_c.chkTurbo) == 0 ? 4096 : 65536) : 4096;
    const bool pause =
        parallel ? (m_g.BytesSent % pauseEvery == 0) : (checkValue(m_c.chkTurbo) == 0 && m_g.BytesSent % 4096 == 0);
    if (pause) {
        m_clock.waitSeconds(2);
        if (!running(generation))
            return;
    }
    if (m_g.BytesSent != m_g.FileLength) {
        m_c.Timer1->setEnabled(true);
        return;
    }

    if ((m_g.FileLength % 2) != 0 && !sendToLink(QByteArray(1, kPadByte), parallel, generation))
        return;
    if (!parallel && !drainSerial(generation))
        return;
    m_g.TransferState = 0;
    if (parallel)
        m_files.closeAll();
    else
        m_files.closeSource();
    endSequence(generation);
}

void DownloadEngine::CancelButton_Click()
{
    m_c.Timer1->setEnabled(false);
    m_calcolo->Downloading->setVisible(false);
    m_files.closeAll();
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_calcolo->unload();
}

bool DownloadEngine::sendExternalHeader(const QByteArray& header, bool parallel, quint64 generation)
{
    if (!parallel) {
        OpenLink(linkChoice(m_c.link), m_port, m_g.PortError);
        if (m_g.PortError) {
            reportPortRefused();
            return false;
        }
        return sendToLink(header, false, generation);
    }
    if (!openParallel() || !sendToLink(header, true, generation))
        return false;
    m_files.closePortChannel();
    m_clock.waitSeconds(1);
    return running(generation) && openParallel();
}

bool DownloadEngine::sendExternalPart(qint32 partLength, qint32 progressBase, int chunkSize, bool parallel,
                                      quint64 generation)
{
    m_clock.waitSeconds(10);
    if (!running(generation))
        return false;
    m_g.BytesSent = 0;
    while (m_g.BytesSent != partLength) {
        const qint32 n = qMin<qint32>(chunkSize, partLength - m_g.BytesSent);
        const std::optional<QByteArray> chunk = readChunk(n);
        if (!chunk || !sendToLink(*chunk, parallel, generation))
            return false;
        m_g.BytesSent += n;
        calcolo().BarraTrasm->setValue(progressBase + m_g.BytesSent);
        const bool pause = parallel ? m_g.BytesSent % (checkValue(m_c.chkTurbo) == 0 ? 4096 : 65536) == 0
                                    : (checkValue(m_c.chkTurbo) == 0 && m_g.BytesSent % 4096 == 0);
        if (pause) {
            m_clock.waitSeconds(2);
            if (!running(generation))
                return false;
        }
        if (m_g.BytesSent == partLength)
            break;
        // One Timer1 tick paces each chunk. An abort disables the timer and hides the dialog:
        // then no tick comes, and the wait ends on that instead.
        m_g.TickFlag = false;
        m_g.TransferState = 2;
        m_c.Timer1->setEnabled(true);
        m_clock.waitUntil([&] { return m_g.TickFlag || !m_c.Timer1->isEnabled() || !running(generation); });
        if (!m_g.TickFlag || !running(generation))
            return false;
    }
    return parallel || drainSerial(generation);
}

void DownloadEngine::SendExternalFonts()
{
    if (m_calcolo->isLoaded() && m_calcolo->isVisible())
        return;
    if (m_g.FileLength > kMaxExternalFonts) {
        showMessage(text(123), QString(), true);
        return;
    }
    const quint64 generation = m_generation;
    const qint32 firstLength = qint32(qMin<qint64>(m_g.FileLength, kFirstPartMax));
    const qint32 secondLength = m_g.FileLength - firstLength;
    const int chunkSize = turbo() ? 512 : 64;
    const bool parallel = isParallelLink(m_c.link);
    m_c.Timer1->setInterval(turbo() ? 2 : parallel ? 20 : 10);
    startDialog(m_g.FileLength);

    if (!sendExternalHeader(headerText(':', firstLength), parallel, generation))
        return;
    if (!sendExternalPart(firstLength, 0, chunkSize, parallel, generation))
        return;
    if (parallel)
        m_files.closePortChannel();
    else
        m_port.setPortOpen(false);

    if (secondLength != 0) {
        m_clock.waitSeconds(25);
        if (!running(generation))
            return;
        if (!sendExternalHeader(headerText(';', secondLength), parallel, generation))
            return;
        if (!sendExternalPart(secondLength, firstLength, chunkSize, parallel, generation))
            return;
    }
    m_files.closeAll();
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    endSequence(generation);
}

void DownloadEngine::endProgram()
{
    ++m_generation;
    m_c.Timer1->setEnabled(false);
    m_files.closeAll();
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_calcolo->unload();
}
