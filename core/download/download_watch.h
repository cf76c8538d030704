#pragma once

#include "core/download/download.h"

#include <QObject>

class Clock;

// What a download is doing and for how long, as a face shows it at a redraw.
struct DownloadStatus {
    DownloadPhase phase = DownloadPhase::PrinterWait;
    bool timedWait = false; // the phase is a wait of known length
    double waitLeft = 0;    // of that wait, the seconds still to go
    qint64 taken = 0;       // of the file, what the line has taken
    qint64 total = 0;
    double rate = 0;         // bytes a second: as planned until sending has run a while, then as seen
    double secondsLeft = -1; // to the end of the end wait; negative when nothing runs
};

// Follows one download's phases and progress against its plan, for both faces' countdowns and
// time left. The rate the plan expects (the pacing or the line, whichever is slower) stands until
// the line has been seen sending for a few seconds.
class DownloadWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr double kMeasureAfter = 2; // seconds of sending before the rate seen counts

    DownloadWatch(Download& download, Clock& clock, QObject* parent = nullptr);
    DownloadStatus status() const;

signals:
    // The phase or the bytes taken changed.
    void changed();

private:
    void onPhase(DownloadPhase phase, double seconds);
    // Seconds of sending in the phase now running, up to now.
    double sendingInPhase() const;
    double expectedRate() const;

    Download& m_download;
    Clock& m_clock;
    bool m_running = false;
    DownloadPhase m_phase = DownloadPhase::PrinterWait;
    double m_phaseSince = 0;
    double m_phaseSeconds = 0;
    double m_sendingSeconds = 0; // in the phases before the one now running
    qint64 m_takenAtFirstSend = -1;
};
