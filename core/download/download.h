#pragma once

#include "core/download/download_link.h"
#include "core/download/file_channels.h"
#include "core/download/plan.h"
#include "core/link/line_settings.h"
#include "core/link/parallel_port.h"
#include "core/link/stored_choices.h"
#include "core/platform/task.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QObject>

#include <functional>
#include <optional>

class Clock;
class SerialControl;
class Timer;

// Values a download reads again while it runs.
struct DownloadInputs {
    std::function<Pacing()> pacing;   // the Turbo box as a pacing, read at every tick
    std::function<LinkChoice()> link; // the link, read at each opening and every tick
};

// What a download shows while it runs: the checksum pass, the transfer, the end wait.
enum class DownloadStage { Idle, Checksum, Sending, EndWait };

struct DownloadProgress {
    DownloadStage stage = DownloadStage::Idle;
    qint64 total = 0; // bytes of the file
    qint64 taken = 0; // of them, what the line has taken (what was written, on LPT1)
    // The transfer runs: from the moment its bytes are set to go until its end wait is over.
    bool transferring() const { return stage == DownloadStage::Sending || stage == DownloadStage::EndWait; }
    bool operator==(const DownloadProgress&) const = default;
};

// How a download ended, for a face that must tell (the command line's exit status).
enum class DownloadOutcome { Completed, FileRefused, PortRefused, Failed, Aborted };
// How a download ended, told once by Download::ended: the one account of it that the faces and
// the service record read.
struct DownloadReport {
    DownloadOutcome outcome = DownloadOutcome::Aborted;
    Failure failure;           // why it was refused or failed; none after a completed or aborted one
    bool planned = false;      // the file was read through and planned (refused before: no headers)
    QStringList headers;       // the plan's, without their LF
    bool checksum = false;     // the headers carry the file's XOR (refused before the plan: would carry it)
    qint64 fileSize = -1;      // once the file opened
    qint64 sent = 0;           // of the file, what was written to the link
    qint64 taken = 0;          // of the file, what the line took
    bool lineConfirmed = true; // the line showed its queue (or LPT1); else only `sent` is known
    bool midImage = false;     // a header went out and not every byte it announced did
    QByteArray sha256;         // of the file, once every byte of it went out as announced

    // "completed", "sent" (completed on a line that gives no account), "file-refused",
    // "port-refused", "failed", "aborted".
    QString outcomeId() const;
};
Q_DECLARE_METATYPE(DownloadReport)

// What the operator is to be told of a download, once, at the moment it is due; a face says it
// in its own words (a box, a line), and the download goes on once it has.
struct DownloadNotice {
    enum class Kind {
        FileRefused,    // before anything opened; the failure's cause says why
        FontsTooBig,    // external fonts beyond their limit
        FileReadFailed, // the file could not be read on (no system words: it is shorter than announced)
        FileChanged,    // what went out is not what was announced
        PortRefused,    // the link did not open; nothing was sent
        LinkFailed,     // the link failed once bytes could have gone out
        Ended,          // every byte out and the end wait over
        Aborted,        // stopped by the operator once a header went out: told only then
    };
    Kind kind = Kind::Ended;
    Failure failure;
    qint64 bytes = 0;              // the file's size (too big), or what the line still held (stalled)
    Cause refusedBy = Cause::None; // why the job's next opening of its port was refused
    bool lineConfirmed = true;     // the line showed its queue (or LPT1): `taken` is what it took
    // A header went out and not every byte it announced did: the printer waits for the rest.
    bool midImage = false;
    qint64 taken = 0;     // of the file, what the line took
    qint64 sent = 0;      // of the file, what was written to the link
    qint64 announced = 0; // of the file, what the headers announced
    // The notice that ends a download carries its report, as ended() will: a face that holds the
    // operator in a box meanwhile has its account already.
    DownloadReport report = {};
};
Q_DECLARE_METATYPE(DownloadNotice)

// What a download is doing, for a face that shows it; seconds for the timed waits.
enum class DownloadPhase { PrinterWait, Sending, Pause, Draining, BetweenParts, EndWait };

// The download command, the timed transfer pump, the external-font transfer and the abort.
// Every serial download goes through the serial control it is given; every pause through the clock.
//
// A download is one task of its own job: its waits are suspensions that the event loop resumes.
// The abort (a face's Annulla, close box or Ctrl+C) and the end of the program cancel the task, which then
// resumes nowhere.
class Download : public QObject
{
    Q_OBJECT
public:
    // How much of the file one step of the pass at the start reads before the event loop runs.
    static constexpr qint64 kFilePassStep = 4 << 20;

    Download(const DownloadInputs& inputs, Clock& clock, SerialControl& port, Timer& timer, QObject* parent = nullptr);
    ~Download() override;

    // The download command: refuses a file at once, or starts the download and returns at its
    // first wait.
    void start(const DownloadRequest& request);
    // The abort button: nothing more is sent; everything is closed.
    void cancel();
    // The program ends: stop at once, drop queued data, close every file and the port.
    void endProgram();

    // A transfer runs (the busy marker).
    bool busy() const { return m_progress.transferring(); }
    // A download runs, in its pass over the file too.
    bool running() const { return m_job.running(); }
    const DownloadProgress& progress() const { return m_progress; }
    // The source file or the parallel port is still open.
    bool filesOpen() const { return m_files.sourceOpen() || m_parallel.isOpen(); }
    // Data bytes written to the link by the last download, across its parts.
    qint64 bytesWritten() const { return m_progressBase + m_sent; }
    // The last download's bytes went on a line whose queue the system shows (or on LPT1): its end
    // says they were on the line. False where the link gave no account (a pseudo-terminal): they
    // were sent, and only the printer can tell what it took.
    bool lineConfirmed() const { return m_lineConfirmed; }
    // The last download stopped with the printer mid-image: a header out, not all it announced.
    bool leftMidImage() const { return m_midImage; }
    // Why the last download was refused or failed; no cause after a completed or aborted one.
    const Failure& failure() const { return m_failure; }
    // Of the last download's file: its SHA-256 once every byte of it went out as announced (empty
    // before, and for a download that stopped short); its XOR as read at the start (-1 when it
    // was refused before).
    QByteArray fileSha256() const { return m_fileSha; }
    int fileXor() const { return m_fileDigest.isEmpty() ? -1 : m_fileXor; }
    // What the last download accepted was planned to do (after its pass over the file).
    const DownloadPlan& plan() const { return m_plan; }
    SerialControl& port() { return m_port; }
    // The pacing now (the Turbo box is read at every tick) and the rate of the running download's
    // link, bytes a second (0 where it is not known).
    Pacing pacing() const;
    double lineRate() const { return m_link->rate(); }

signals:
    // progress() changed.
    void progressChanged();
    // plan() is this download's: the file has been read through and nothing is open yet.
    void planned();
    // The chosen file is missing or empty: the path is no longer offered.
    void fileRejected();
    // Once for every download that was accepted or refused (an empty path or a second press
    // while one runs starts nothing and ends nothing), with all there is to say of it.
    void ended(const DownloadReport& report);
    void phase(DownloadPhase phase, double seconds);
    // A header goes out now.
    void headerSent(const QByteArray& header);
    // Something the operator must be told now: a refusal, a failure, the end.
    void notice(const DownloadNotice& notice);

private:
    // One tick of the pacing timer.
    void tick();
    void setProgress(const DownloadProgress& progress);
    void setStage(DownloadStage stage);
    // The port closed (queued data dropped) and nothing shown any more.
    void closeLink();
    // Says whether the printer was left mid-image, and how far it got.
    DownloadNotice stopped(DownloadNotice notice);
    // The source file and the parallel port closed.
    void closeFiles();
    // The account of the running download, ending so.
    DownloadReport report(DownloadOutcome outcome) const;
    // The last notice, with the report it ends with.
    void tellLast(DownloadNotice notice, DownloadOutcome outcome);
    // The end: its report, once.
    void finish(DownloadOutcome outcome);
    // Ends a download that cannot go on: everything closed, nothing shown, one notice.
    void abandon(DownloadNotice notice, DownloadOutcome outcome = DownloadOutcome::Failed);
    // A file refused before anything was opened or sent.
    void refuseFile(const Failure& failure, bool rejected, qint64 size = 0);
    void reportLinkFailure(const Failure& failure, Cause refusedBy = Cause::None, qint64 pending = 0);
    // What went out is what the header announced: the file's bytes as they were at the start.
    bool sentAsAnnounced();
    // Sends on the link; a link that takes nothing is waited on from the event loop, so that
    // Annulla and Ctrl+C act at once, and fails as stalled after its bound.
    Task<bool> sendToLink(QByteArray data);
    Task<bool> sendHeader(QByteArray header);
    // Waits until the line has taken every queued byte; false if it could not.
    Task<bool> drain();
    // The progress follows the line: what it has taken so far.
    void showTaken();
    // Watching the line: from a write on, it must take something within the stall time; once
    // it has not, the download fails (reported) and lineMoving() is false.
    void watchLine();
    bool lineMoving(qint64 pending);
    // The 2-second pause after the bytes sent so far, if one is due, once the line has taken
    // them; false when the line failed.
    Task<bool> pauseIfDue();
    // Arms the pacing timer and waits for its tick.
    Task<> nextTick();
    void startTransfer();
    void setTaken(qint64 taken);
    // Opens the link; a refusal is reported (a refused reopening as a failure of the link).
    bool openLink();
    void reportPortRefused(const Failure& failure);
    std::optional<QByteArray> readChunk(qint32 n);
    // The 25-second end wait, the port closed, the end notice, nothing shown.
    Task<> endSequence();
    // The accepted download, from the checksum to the end.
    Task<> run(DownloadRequest request);
    // The timed transfer: a chunk at every tick of the pacing timer.
    Task<> sendTimed();
    Task<> sendExternalFonts();
    Task<bool> sendExternalHeader(QByteArray header);
    Task<bool> sendExternalPart(DownloadPlan::Part part, int chunkSize);

    DownloadInputs m_in;
    Clock& m_clock;
    SerialControl& m_port;
    Timer& m_timer;
    DownloadProgress m_progress;
    FileChannels m_files;
    ParallelPort m_parallel;
    SerialLink m_serialLink;
    ParallelLink m_parallelLink;
    DownloadLink* m_link = &m_serialLink; // chosen at each download's start
    Job m_job;
    Wakeup m_tick;       // fired by each tick of the pacing timer
    qint64 m_length = 0; // of the whole file
    qint64 m_sent = 0;   // of the whole file (timed transfer) or of the current part (external fonts)
    DownloadPlan m_plan;
    DownloadRequest m_request;
    bool m_planned = false; // m_plan is this download's
    qint64 m_fileSize = -1; // of this download's file, once opened
    QByteArray m_header;    // sent ahead of a timed transfer's data; empty: none
    bool m_dataOut = false; // the running download has put all its data on the line
    bool m_anyOut = false;  // a byte of the running download went out
    bool m_lineConfirmed = true;
    bool m_midImage = false;
    qint32 m_progressBase = 0; // of the file, what came before the current part
    double m_lineProgressAt = 0;
    qint64 m_linePending = 0;
    Failure m_failure;
    int m_fileXor = 0;                                                // of the whole file at the start
    int m_sentXor = 0;                                                // of the file's bytes sent so far
    QByteArray m_fileDigest;                                          // of the whole file at the start
    QCryptographicHash m_sentDigest{QCryptographicHash::Blake2b_256}; // of the file's bytes sent so far
    // The same bytes' SHA-256, for the service record: hashed as they go out, at the line's pace,
    // so that the pass over the file at the start stays at BLAKE2b's speed.
    QCryptographicHash m_sentSha{QCryptographicHash::Sha256};
    QByteArray m_fileSha; // the whole file's, once every byte went out as announced
};
