#pragma once

#include "core/download/download.h"
#include "core/download/download_watch.h"
#include "core/link/line_settings.h"
#include "core/platform/cause.h"
#include "core/platform/task.h"
#include "core/printer/interrogation.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class SerialControl;

// What an update does to every printer it is given.
struct UpdateChoices {
    DownloadRequest request; // the firmware file, its boot source and checksum
    std::optional<LineSettings> line;
    Pacing pacing = Pacing::Normal;
    QString release;            // the file's own, found before the update starts
    bool force = false;         // load a printer that reports the file's release too
    bool allowDowngrade = false; // load a printer that reports a later release than the file's
    double verifyTimeout = 120; // how long a restarted printer has to report the file's release
    double pollEvery = 2;       // between the questions to a restarting printer
};

// One printer of an update, as it stands.
struct PrinterUpdate {
    enum class State { Asking, NoAnswer, PortRefused, Skipped, Loading, LoadFailed, Verifying, Verified, NotVerified };
    QString port, device;
    State state = State::Asking;
    QString model, before, after; // what it reported before and after
    Cause cause = Cause::None;    // why it could not be asked or loaded
    QString error;                // its id, or the load's outcome id
    bool downgrade = false;       // the file's release is older than the printer's
    bool interrupted = false;     // cancelled while it loaded
    bool ended = false;
    std::optional<DownloadReport> load; // its download's report, once it loaded or tried to

    // "asking", "no-answer", "port-refused", "skipped", "loading", "load-failed", "verifying",
    // "verified", "not-verified".
    QString stateId() const;
    // Verified, or passed over as the choices ask (already at the release, a refused downgrade).
    bool good() const { return state == State::Verified || state == State::Skipped; }
};

// A firmware into several printers at once, each on its own serial port and at its own pace:
// each printer is asked who it is and what it runs, passed over when it needs nothing (the same
// release unless forced, an older one unless downgrades are allowed), loaded exactly as a
// download loads, and asked again after its restart until it reports the file's release or the
// time is up. Every wait is on the clock it is given; it says nothing itself: a face tells its
// events.
class UpdateJob : public QObject
{
    Q_OBJECT
public:
    // A serial control for each conversation and each load: two for every printer.
    using MakePort = std::function<std::unique_ptr<SerialControl>()>;
    UpdateJob(Clock& clock, MakePort makePort, UpdateChoices choices, QObject* parent = nullptr);
    ~UpdateJob() override;

    // Starts every printer's job at once: its port ("COM2", or a serial device's path) and the
    // device it leads to. A start while one runs is ignored.
    void start(const QList<std::pair<QString, QString>>& printers);
    // Every printer stops where it is: nothing more is sent.
    void cancel();
    // One printer stops; the others go on.
    void cancel(int printer);

    const UpdateChoices& choices() const { return m_choices; }
    int size() const { return int(m_printers.size()); }
    const PrinterUpdate& printer(int i) const;
    // Its download and the countdowns of it, for a face that shows them while it loads.
    Download& download(int i);
    DownloadWatch& watch(int i);
    bool running() const { return m_running > 0; }

signals:
    // The printer's state changed.
    void changed(int printer);
    // It could not be asked at first: a face says why.
    void askFailed(int printer, const Failure& failure);
    // Its download's notice, to be told as a download's.
    void notice(int printer, const DownloadNotice& notice);
    // Its job ended (done or cancelled), with how; finished() once every printer's has, with how
    // each ended, in the order given.
    void printerEnded(int printer, const PrinterUpdate& update);
    void finished(const QList<PrinterUpdate>& printers);

private:
    struct Printer;
    Task<> update(Printer& printer, int index);
    Task<Interrogation::Answers> ask(Printer& printer, int index, bool first);
    void set(int index, PrinterUpdate::State state);
    void ended(int index);

    Clock& m_clock;
    MakePort m_makePort;
    UpdateChoices m_choices;
    std::vector<std::unique_ptr<Printer>> m_printers;
    int m_running = 0;
};
