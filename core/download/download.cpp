#include "core/download/download.h"

#include "core/download/header.h"
#include "core/link/serial_control.h"
#include "core/platform/clock.h"
#include "core/platform/file_check.h"
#include "core/platform/job_ids.h"

#include <QFileInfo>

#include <limits>

namespace {
constexpr char kPadByte = ' ';

// The device is the download's from its first byte to its end, across the closings between a
// header and its data and between the two parts of external fonts.
struct DeviceHold {
    DownloadLink& link;
    explicit DeviceHold(DownloadLink& l) : link(l) { link.hold(true); }
    ~DeviceHold() { link.hold(false); }
    DeviceHold(const DeviceHold&) = delete;
    DeviceHold& operator=(const DeviceHold&) = delete;
};

// An opening refused once bytes went out leaves the printer mid-image: a failure of the link.
Failure reopenFailure(const Failure& refused)
{
    if (refused.cause == Cause::LinkDeviceChanged)
        return refused;
    return Failure{Cause::LinkReopenFailed, refused.subject, refused.device, refused.system};
}
} // namespace

Download::Download(const DownloadInputs& inputs, Clock& clock, SerialControl& port, Timer& timer, QObject* parent)
    : QObject(parent), m_in(inputs), m_clock(clock), m_port(port), m_timer(timer), m_serialLink(port, inputs.link),
      m_parallelLink(m_parallel, inputs.link)
{
    // The pacing timer is the download's own: no face has to remember to wire it.
    connect(&m_timer, &Timer::timeout, this, &Download::tick);
    connect(&m_port, &SerialControl::failed, this, [this] {
        // Once the line can have carried every byte, the printer may well drop the link (it
        // restarts after a load): that is no failure of the download. Before, it is.
        if (busy() && !m_dataOut)
            reportLinkFailure(m_port.failure());
    });
    // A download asks nothing: whatever the printer sends meanwhile is read and dropped, so that
    // a printer flooding the line cannot fill the memory.
    connect(&m_port, &SerialControl::dataArrived, this, [this] {
        if (m_job.running())
            m_port.readAll();
    });
}

Download::~Download() = default;

void Download::setProgress(const DownloadProgress& progress)
{
    if (progress == m_progress)
        return;
    m_progress = progress;
    emit progressChanged();
}

void Download::setStage(DownloadStage stage)
{
    DownloadProgress next = m_progress;
    next.stage = stage;
    setProgress(next);
}

void Download::closeLink()
{
    // A closed port drops its queued data.
    m_link->close();
    setStage(DownloadStage::Idle);
}

Pacing Download::pacing() const
{
    return m_in.pacing();
}

DownloadNotice Download::stopped(DownloadNotice notice)
{
    m_midImage = notice.midImage = m_anyOut && !m_dataOut;
    notice.taken = m_progress.taken;
    notice.sent = bytesWritten();
    notice.announced = m_length;
    // Where the line shows no queue (a pseudo-terminal), what was written is all that is known.
    notice.lineConfirmed = m_link->confirmsLine();
    return notice;
}

void Download::closeFiles()
{
    m_files.closeAll();
    m_parallel.close();
}

void Download::finish(DownloadOutcome outcome)
{
    emit ended(report(outcome));
}

void Download::tellLast(DownloadNotice notice, DownloadOutcome outcome)
{
    notice.report = report(outcome);
    emit this->notice(notice);
}

DownloadReport Download::report(DownloadOutcome outcome) const
{
    DownloadReport r;
    r.outcome = outcome;
    r.failure = m_failure;
    r.planned = m_planned;
    if (m_planned) {
        r.headers = m_plan.headerTexts();
        r.checksum = m_plan.checksum;
    } else {
        r.checksum = headerCarriesChecksum(headerCode(m_request.operation, m_request.boot, m_request.checksum));
    }
    r.fileSize = m_fileSize;
    r.sent = bytesWritten();
    r.taken = m_progress.taken;
    r.lineConfirmed = m_lineConfirmed;
    r.midImage = m_midImage;
    r.sha256 = m_fileSha;
    return r;
}

QString DownloadReport::outcomeId() const
{
    switch (outcome) {
    case DownloadOutcome::Completed:
        return idOf(lineConfirmed ? JobOutcome::Completed : JobOutcome::Sent);
    case DownloadOutcome::FileRefused:
        return idOf(JobOutcome::FileRefused);
    case DownloadOutcome::PortRefused:
        return idOf(JobOutcome::PortRefused);
    case DownloadOutcome::Failed:
        return idOf(JobOutcome::Failed);
    case DownloadOutcome::Aborted:
        return idOf(JobOutcome::Aborted);
    }
    return {};
}

void Download::abandon(DownloadNotice notice, DownloadOutcome outcome)
{
    m_timer.setEnabled(false);
    closeFiles();
    closeLink();
    m_job.cancel(); // whatever still waits for this download ends quietly
    m_failure = notice.failure;
    tellLast(stopped(notice), outcome);
    finish(outcome);
}

void Download::refuseFile(const Failure& failure, bool rejected, qint64 size)
{
    m_files.closeSource();
    m_failure = failure;
    tellLast(DownloadNotice{DownloadNotice::Kind::FileRefused, failure, size}, DownloadOutcome::FileRefused);
    if (rejected)
        emit fileRejected();
    finish(DownloadOutcome::FileRefused);
}

void Download::reportLinkFailure(const Failure& failure, Cause refusedBy, qint64 pending)
{
    Failure f = failure;
    if (f.cause == Cause::None) // a write refused without a cause: the port closed under it
        f.cause = Cause::LinkWriteFailed;
    abandon(DownloadNotice{DownloadNotice::Kind::LinkFailed, f, pending, refusedBy});
}

Task<bool> Download::sendHeader(QByteArray header)
{
    if (!m_job.stopping())
        emit headerSent(header);
    co_return co_await sendToLink(std::move(header));
}

Task<bool> Download::sendToLink(QByteArray data)
{
    // The one guard: a download stopped from inside its own step (a handler it called ended the
    // program or the download) sends nothing more on its way to the next wait.
    if (m_job.stopping())
        co_return false;
    qint64 done = 0;
    double lastTaken = m_clock.now();
    while (done < data.size()) {
        Failure failure;
        const qint64 n = m_link->write(data.constData() + done, data.size() - done, &failure);
        if (n < 0) {
            // The port's failure signal may have ended the download already; report once.
            if (!m_job.stopping())
                reportLinkFailure(failure);
            co_return false;
        }
        if (n > 0) {
            done += n;
            m_anyOut = true;
            lastTaken = m_clock.now();
            continue;
        }
        if (m_clock.now() - lastTaken >= m_link->stallSeconds()) {
            reportLinkFailure(Failure{Cause::LinkStalled, m_link->name(), m_link->device(), {}});
            co_return false;
        }
        co_await m_clock.sleep(0.02);
    }
    co_return true;
}

void Download::showTaken()
{
    // What the line has taken: written, less what still waits for it.
    setTaken(qMax<qint64>(0, m_progressBase + m_sent - m_link->pending()));
}

void Download::watchLine()
{
    m_lineProgressAt = m_clock.now();
    m_linePending = m_link->pending();
}

bool Download::lineMoving(qint64 pending)
{
    if (pending < m_linePending)
        m_lineProgressAt = m_clock.now();
    m_linePending = pending;
    if (pending == 0 || m_clock.now() - m_lineProgressAt < m_link->stallSeconds())
        return true;
    reportLinkFailure(Failure{Cause::LinkStalled, m_link->name(), m_link->device(), {}}, Cause::None, pending);
    return false;
}

Task<bool> Download::drain()
{
    // Closing a port drops what is still queued (Qt's buffer, then the kernel's), so a normal
    // end waits, with the UI alive and Cancel working, until the line has taken every byte.
    // So does a pause, or the printer would see no gap.
    watchLine();
    if (m_link->pending() > 0)
        emit phase(DownloadPhase::Draining, 0);
    for (qint64 pending = m_link->pending(); pending > 0; pending = m_link->pending()) {
        showTaken();
        co_await m_clock.sleep(qBound(0.002, double(pending) / m_link->rate(), 0.02));
        if (!lineMoving(m_link->pending()))
            co_return false;
    }
    showTaken();
    co_return true;
}

Task<bool> Download::pauseIfDue()
{
    const qint64 every = m_plan.pauseEvery(pacing());
    if (every == 0 || m_sent % every != 0)
        co_return true;
    if (!co_await drain())
        co_return false;
    emit phase(DownloadPhase::Pause, DownloadPlan::kPauseSeconds);
    co_await m_clock.sleep(DownloadPlan::kPauseSeconds);
    co_return true;
}

Task<> Download::nextTick()
{
    // One tick of the pacing timer paces each chunk.
    m_timer.setEnabled(true);
    co_await m_tick;
}

bool Download::openLink()
{
    const Failure refused = m_link->open();
    if (!refused)
        return true;
    if (m_anyOut) {
        reportLinkFailure(reopenFailure(refused), refused.cause);
        return false;
    }
    reportPortRefused(refused);
    return false;
}

void Download::reportPortRefused(const Failure& failure)
{
    m_failure = failure;
    // Nothing is left in sight behind the box that says why (the dialog of a checksum pass), and
    // the busy marker goes too, or it would refuse every later download.
    if (!m_job.stopping()) {
        setStage(DownloadStage::Idle);
        closeFiles();
    }
    tellLast(DownloadNotice{DownloadNotice::Kind::PortRefused, failure}, DownloadOutcome::PortRefused);
    finish(DownloadOutcome::PortRefused);
}

std::optional<QByteArray> Download::readChunk(qint32 n)
{
    QByteArray chunk = m_files.source().read(n);
    if (chunk.size() == n) {
        for (const char c : chunk)
            m_sentXor ^= static_cast<unsigned char>(c);
        m_sentDigest.addData(chunk);
        m_sentSha.addData(chunk);
        return chunk;
    }
    const QString path = m_files.source().fileName();
    abandon(DownloadNotice{DownloadNotice::Kind::FileReadFailed,
                           chunk.size() < 0 ? Failure{Cause::FileUnreadable, path, {}, m_files.source().errorString()}
                                            : Failure{Cause::FileChanged, path, {}, {}}});
    return std::nullopt;
}

bool Download::sentAsAnnounced()
{
    if (m_job.stopping())
        return false;
    // The bytes sent against the file as it was read at the start: an edit that keeps the size,
    // the XOR and the modification time still changes the digest.
    if (m_sentXor == m_fileXor && m_sentDigest.result() == m_fileDigest) {
        m_fileSha = m_sentSha.result();
        return true;
    }
    const QString path = m_files.source().fileName();
    abandon(DownloadNotice{DownloadNotice::Kind::FileChanged, Failure{Cause::FileChanged, path, {}, {}}});
    return false;
}

void Download::setTaken(qint64 taken)
{
    DownloadProgress next = m_progress;
    next.taken = taken;
    setProgress(next);
}

Task<> Download::endSequence()
{
    m_dataOut = true;
    setStage(DownloadStage::EndWait);
    emit phase(DownloadPhase::EndWait, DownloadPlan::kEndWait);
    co_await m_clock.sleep(DownloadPlan::kEndWait);
    m_lineConfirmed = m_link->confirmsLine();
    m_link->close();
    DownloadNotice done;
    done.lineConfirmed = m_lineConfirmed;
    tellLast(done, DownloadOutcome::Completed);
    if (m_job.stopping())
        co_return;
    setStage(DownloadStage::Idle);
    finish(DownloadOutcome::Completed);
}

void Download::startTransfer()
{
    setProgress(DownloadProgress{DownloadStage::Sending, m_length, 0});
}

void Download::start(const DownloadRequest& request)
{
    const QString& path = request.path;
    if (path.isEmpty())
        return;
    // One download at a time, in its pass over the file too; a handler of the running download's
    // own signals cannot start the next one.
    if (m_job.running() || m_job.onStack())
        return;
    m_fileDigest.clear();
    m_fileSha.clear();
    m_request = request;
    m_planned = false;
    m_fileSize = -1;
    m_progress.taken = 0;
    m_progressBase = 0;
    m_sent = 0;
    m_midImage = false;
    m_lineConfirmed = true;

    // The loader only reads: a missing or empty file is reported, never created or deleted;
    // anything but a regular file is refused before opening.
    // A missing or empty file is no longer offered.
    if (const Failure f = checkFile(path, std::numeric_limits<qint32>::max()))
        return refuseFile(f, f.cause == Cause::FileMissing || f.cause == Cause::FileEmpty, QFileInfo(path).size());
    Failure opened;
    if (!m_files.openSource(path, &opened.system))
        return refuseFile(Failure{Cause::FileUnreadable, path, {}, opened.system}, false);
    const qint64 size = m_fileSize = m_files.source().size();
    if (size == 0)
        return refuseFile(Failure{Cause::FileEmpty, path, {}, {}}, true);
    if (size > std::numeric_limits<qint32>::max())
        return refuseFile(Failure{Cause::FileTooBig, path, {}, {}}, false, size);
    m_failure = {};
    m_dataOut = false;
    m_anyOut = false;
    m_midImage = false;
    m_lineConfirmed = true;
    m_progressBase = 0;
    m_length = size;
    m_sent = 0;
    m_header.clear();
    // Nothing of this file taken yet: a stop before the transfer starts must not count the last one's bytes.
    m_progress = DownloadProgress{DownloadStage::Idle, size, 0};
    m_job.start(run(request));
}

Task<> Download::run(DownloadRequest request)
{
    const bool parallel = m_in.link().parallel();
    m_link = parallel ? static_cast<DownloadLink*>(&m_parallelLink) : &m_serialLink;
    const DeviceHold hold(*m_link);
    const QString path = request.path;
    // The XOR of the whole file is read once: the header announces it when asked to, and every
    // download checks at its end that the bytes sent give it too.
    const bool timed = request.operation == Operation::Firmware || request.operation == Operation::StandardFonts;
    const char code = timed ? headerCode(request.operation, request.boot, request.checksum) : 0;
    if (timed && headerCarriesChecksum(code)) {
        setStage(DownloadStage::Checksum);
        co_await m_clock.yieldNow(); // a face draws the stage before the pass's first step
    }
    // The pass over the file goes in steps with the event loop between them, so that Annulla,
    // the close box and Ctrl+C stop a large file's pass at once; nothing is opened before it ends.
    FilePass pass(m_files.source(), m_length);
    while (!pass.done()) {
        if (!pass.step(kFilePassStep)) {
            // No error from the file: it gave fewer bytes than its length.
            const QString why = m_files.source().error() == QFile::NoError ? QString() : m_files.source().errorString();
            abandon(DownloadNotice{DownloadNotice::Kind::FileReadFailed, Failure{Cause::FileUnreadable, path, {}, why}},
                    DownloadOutcome::FileRefused);
            co_return;
        }
        if (!pass.done())
            co_await m_clock.yieldNow();
    }
    const std::optional<int> sum = pass.xorSum();
    m_fileXor = *sum;
    m_fileDigest = pass.digest();
    m_sentXor = 0;
    m_sentDigest.reset();
    m_sentSha.reset();
    m_plan = planDownload(request, m_length, sum, parallel);
    m_planned = true;
    emit planned();
    if (m_job.stopping()) // a handler ended the program or the download
        co_return;
    if (timed)
        m_header = m_plan.parts.constFirst().header;

    if (request.operation == Operation::ExternalFonts) {
        co_await sendExternalFonts();
        m_link->close();
        closeFiles();
        co_return;
    }

    if (!openLink())
        co_return;
    if (!m_header.isEmpty()) {
        if (!co_await sendHeader(m_header))
            co_return;
        if (m_link->reopensAfterHeader()) {
            m_link->close();
            if (!openLink())
                co_return;
        }
    }

    startTransfer();
    emit phase(DownloadPhase::PrinterWait, DownloadPlan::kPrinterWait);
    co_await m_clock.sleep(DownloadPlan::kPrinterWait);
    emit phase(DownloadPhase::Sending, 0);
    m_timer.setInterval(m_plan.intervalMs(pacing()));
    co_await sendTimed();
}

void Download::tick()
{
    m_timer.setEnabled(false);
    m_tick.fire();
}

Task<> Download::sendTimed()
{
    for (;;) {
        co_await nextTick();
        const int chunkSize = m_plan.chunk(pacing());
        if (const qint64 pending = m_link->pending(); pending >= chunkSize) {
            // The line is behind the pacing: nothing more is queued until it has taken its share.
            showTaken();
            if (!lineMoving(pending))
                co_return;
            continue;
        }
        const qint32 n = qint32(qMin<qint64>(chunkSize, m_length - m_sent));
        const std::optional<QByteArray> chunk = readChunk(n);
        if (!chunk || !co_await sendToLink(*chunk))
            co_return;
        m_sent += n;
        watchLine();
        showTaken();
        if (m_sent == m_length && !sentAsAnnounced())
            co_return;
        if (!co_await pauseIfDue())
            co_return;
        if (m_sent == m_length)
            break;
    }
    if (m_plan.pad && !co_await sendToLink(QByteArray(1, kPadByte)))
        co_return;
    if (!co_await drain())
        co_return;
    m_files.closeSource();
    // A link that would drop its queue stays open through the end wait; the others close now.
    if (!m_link->dropsQueueOnClose())
        m_link->close();
    co_await endSequence();
}

void Download::cancel()
{
    const bool wasRunning = busy() || m_job.running(); // in the pass over the file, too
    m_job.cancel();
    m_timer.setEnabled(false);
    closeFiles();
    closeLink();
    if (!wasRunning)
        return;
    DownloadNotice aborted;
    aborted.kind = DownloadNotice::Kind::Aborted;
    if (aborted = stopped(aborted); aborted.midImage)
        tellLast(aborted, DownloadOutcome::Aborted);
    finish(DownloadOutcome::Aborted);
}

Task<bool> Download::sendExternalHeader(QByteArray header)
{
    if (!openLink())
        co_return false;
    const bool sent = co_await sendHeader(std::move(header));
    if (!sent || !m_link->reopensAfterHeader())
        co_return sent;
    m_link->close();
    co_await m_clock.sleep(DownloadPlan::kParallelReopen);
    co_return openLink();
}

Task<bool> Download::sendExternalPart(DownloadPlan::Part part, int chunkSize)
{
    emit phase(DownloadPhase::PrinterWait, DownloadPlan::kFontsPartWait);
    co_await m_clock.sleep(DownloadPlan::kFontsPartWait);
    emit phase(DownloadPhase::Sending, 0);
    const qint32 partLength = qint32(part.length);
    m_sent = 0;
    m_progressBase = qint32(part.offset);
    while (m_sent != partLength) {
        // The line is behind the pacing: nothing more is queued until it has taken its share.
        for (qint64 pending = m_link->pending(); pending >= chunkSize; pending = m_link->pending()) {
            showTaken();
            if (!lineMoving(pending))
                co_return false;
            co_await nextTick();
        }
        const qint32 n = qint32(qMin<qint64>(chunkSize, partLength - m_sent));
        const std::optional<QByteArray> chunk = readChunk(n);
        if (!chunk || !co_await sendToLink(*chunk))
            co_return false;
        m_sent += n;
        watchLine();
        showTaken();
        if (!co_await pauseIfDue())
            co_return false;
        if (m_sent == partLength)
            break;
        co_await nextTick();
    }
    co_return co_await drain();
}

Task<> Download::sendExternalFonts()
{
    if (m_plan.refused) {
        m_failure = m_plan.refused;
        tellLast(DownloadNotice{DownloadNotice::Kind::FontsTooBig, m_plan.refused, m_length},
                 DownloadOutcome::FileRefused);
        finish(DownloadOutcome::FileRefused);
        co_return;
    }
    const int chunkSize = m_plan.chunk(pacing());
    m_timer.setInterval(m_plan.intervalMs(pacing()));
    startTransfer();

    for (qsizetype i = 0; i < m_plan.parts.size(); ++i) {
        const DownloadPlan::Part part = m_plan.parts[i];
        if (i > 0) {
            emit phase(DownloadPhase::BetweenParts, DownloadPlan::kBetweenParts);
            co_await m_clock.sleep(DownloadPlan::kBetweenParts);
        }
        if (!co_await sendExternalHeader(part.header))
            co_return;
        if (!co_await sendExternalPart(part, chunkSize))
            co_return;
        m_link->close();
    }
    if (!sentAsAnnounced())
        co_return;
    closeFiles();
    m_link->close();
    co_await endSequence();
}

void Download::endProgram()
{
    m_job.cancel();
    m_timer.setEnabled(false);
    closeFiles();
    closeLink();
}
