#pragma once

#include "core/link/stored_choices.h"
#include "core/platform/cause.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <optional>

// What a download will do, decided once before anything opens: the headers, the parts, the
// pacing, the pauses and the waits. The download runs it; a face reads it for what it announces
// and for the time left.
struct DownloadPlan {
    struct Part {
        QByteArray header; // with its LF; empty: none
        qint64 offset = 0; // of its first byte in the file
        qint64 length = 0;
        double waitBefore = 0; // from the end of the last part (or the start) to its first data byte
    };

    static constexpr qint64 kMaxExternalFonts = 3014656;
    static constexpr qint64 kFirstPartMax = 1376256;
    static constexpr double kPauseSeconds = 2;
    static constexpr double kPrinterWait = 8;    // after a timed load's header
    static constexpr double kFontsPartWait = 10; // after each header of external fonts
    static constexpr double kParallelReopen = 1; // LPT1 closed and opened again after a fonts header
    static constexpr double kBetweenParts = 25;
    static constexpr double kEndWait = 25;

    Operation operation = Operation::Firmware;
    bool parallel = false;
    qint64 length = 0;
    Failure refused; // the file is refused as it stands (external fonts too big): nothing goes out
    QList<Part> parts;
    bool pad = false;      // a timed load of odd length ends with one blank
    bool checksum = false; // its header carries the file's XOR

    bool timed() const { return operation != Operation::ExternalFonts; }
    int chunk(Pacing pacing) const { return pacing == Pacing::Turbo ? 512 : 64; }
    int intervalMs(Pacing pacing) const;
    // A 2-second pause after every this many bytes of a part; 0: none.
    qint64 pauseEvery(Pacing pacing) const;
    // The headers as a face announces them, without their LF.
    QStringList headerTexts() const;
    // While sending, from `taken` bytes of the file on the line at `bytesPerSecond`: the data
    // still to go, the pauses and later parts' waits still due, and the end wait. Negative when
    // the rate is not known yet.
    double secondsLeft(qint64 taken, double bytesPerSecond, Pacing pacing) const;
};

// The plan for a file of `length` bytes whose XOR is `xorSum` (only read when the header
// carries it); `path` names the file in a refusal.
DownloadPlan planDownload(const DownloadRequest& request, qint64 length, std::optional<int> xorSum, bool parallel);
// The same, the file looked at as it stands now (its XOR read when the header carries it);
// nothing for a file the download refuses before planning (missing, empty, not a regular file,
// unreadable, beyond 2 GiB).
std::optional<DownloadPlan> planFile(const DownloadRequest& request, bool parallel);

// The extension an operation's files carry: "BIN", "SHF", "SHC"; empty for none.
QString extensionOf(Operation operation);
// The operation whose files carry this file's extension (in any case); nothing for another one.
std::optional<Operation> operationNamedBy(const QString& path);
