#include "core/download/download_watch.h"

#include "core/platform/clock.h"

#include <QtGlobal>

DownloadWatch::DownloadWatch(Download& download, Clock& clock, QObject* parent)
    : QObject(parent), m_download(download), m_clock(clock)
{
    connect(&download, &Download::phase, this, &DownloadWatch::onPhase);
    connect(&download, &Download::progressChanged, this, [this] {
        if (m_download.progress().stage == DownloadStage::Idle)
            m_running = false;
        emit changed();
    });
}

void DownloadWatch::onPhase(DownloadPhase phase, double seconds)
{
    const double now = m_clock.now();
    if (!m_running) { // a new download's first phase
        m_running = true;
        m_sendingSeconds = 0;
        m_takenAtFirstSend = -1;
    } else {
        m_sendingSeconds += sendingInPhase();
    }
    if (phase == DownloadPhase::Sending && m_takenAtFirstSend < 0)
        m_takenAtFirstSend = m_download.progress().taken;
    m_phase = phase;
    m_phaseSince = now;
    m_phaseSeconds = seconds;
    emit changed();
}

double DownloadWatch::sendingInPhase() const
{
    const double in = m_clock.now() - m_phaseSince;
    switch (m_phase) {
    case DownloadPhase::Sending:
    case DownloadPhase::Draining:
        return in;
    case DownloadPhase::Pause: // the bytes go on once the pause is over, with no new phase
        return qMax(0.0, in - m_phaseSeconds);
    default:
        return 0;
    }
}

double DownloadWatch::expectedRate() const
{
    const DownloadPlan& plan = m_download.plan();
    const Pacing pacing = m_download.pacing();
    const double paced = plan.chunk(pacing) * 1000.0 / plan.intervalMs(pacing);
    const double line = m_download.lineRate();
    return line > 0 ? qMin(paced, line) : paced;
}

DownloadStatus DownloadWatch::status() const
{
    const DownloadProgress& progress = m_download.progress();
    DownloadStatus s;
    s.phase = m_phase;
    s.taken = progress.taken;
    s.total = progress.total;
    if (!m_running || progress.stage == DownloadStage::Idle || progress.stage == DownloadStage::Checksum)
        return s;
    const double in = m_clock.now() - m_phaseSince;
    s.timedWait = m_phaseSeconds > 0 && in < m_phaseSeconds;
    s.waitLeft = s.timedWait ? m_phaseSeconds - in : 0;
    const double sending = m_sendingSeconds + sendingInPhase();
    const qint64 sent = m_takenAtFirstSend < 0 ? 0 : progress.taken - m_takenAtFirstSend;
    s.rate = sending >= kMeasureAfter && sent > 0 ? double(sent) / sending : expectedRate();

    const DownloadPlan& plan = m_download.plan();
    if (m_phase == DownloadPhase::EndWait) {
        s.secondsLeft = s.waitLeft;
        return s;
    }
    double left = plan.secondsLeft(progress.taken, s.rate, m_download.pacing());
    switch (m_phase) {
    case DownloadPhase::Pause:
        left += s.waitLeft;
        break;
    case DownloadPhase::PrinterWait:
        // The plan puts the first part's wait behind; a later part's, ahead, from the end of the
        // part before, which is this far behind.
        if (progress.taken == 0)
            left += s.waitLeft;
        else
            left -= DownloadPlan::kBetweenParts + (m_phaseSeconds - s.waitLeft);
        break;
    case DownloadPhase::BetweenParts:
        left -= m_phaseSeconds - s.waitLeft;
        break;
    default:
        break;
    }
    s.secondsLeft = qMax(0.0, left);
    return s;
}
