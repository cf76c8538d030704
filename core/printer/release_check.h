#pragma once

#include "core/link/line_settings.h"
#include "core/platform/cause.h"
#include "core/platform/task.h"
#include "core/printer/printer_link.h"

#include <QObject>

#include <functional>
#include <optional>

class Clock;

// What a release check found: the releases it read, or why it could not compare them.
struct ReleaseComparison {
    enum class Result {
        Failed,    // failure says why (the file, the port, the link, no answer)
        NoRelease, // the file holds none; the printer's release alone is known
        Equal,
        Different,
    };
    Failure failure;
    std::optional<QString> file;           // the release written in the file; nothing when none, or empty
    std::optional<QString> printer;        // the printer's reply as shown (without its last character)
    std::optional<QString> printerRelease; // the reply read to its terminator; nothing when it reports none
    // Equal only when the printer reports a release and it is the file's.
    Result result() const;
};
Q_DECLARE_METATYPE(ReleaseComparison)

// Which of two releases is the later, read as dotted numbers ("1.10" after "1.9", "1.0" as "1"):
// negative when `a` is older than `b`, 0 when they are the same, positive when newer; nothing
// when either is not such a number, so that no order is claimed.
std::optional<int> releaseOrder(const QString& a, const QString& b);
class SerialControl;

// The firmware release check: the release written in a firmware file, then the one the printer
// reports, side by side. The printer is asked over the main window's own serial control. It
// says nothing itself: a face tells its result.
class ReleaseCheck : public QObject
{
    Q_OBJECT
public:
    ReleaseCheck(SerialControl& port, Clock& clock, QObject* parent = nullptr);

    // Searches the file, then asks the printer on the link; a failure is the comparison's
    // cause. The port is closed when it ends. A start
    // while a check runs is ignored. Without `askWithoutRelease`, a file that holds no release
    // ends the check there: nothing to compare, nothing asked.
    void start(const QString& path, const LinkChoice& link, bool askWithoutRelease = true);
    // The check ends where it is, and nothing more is said of it.
    void cancel();
    bool running() const { return m_job.running(); }

signals:
    // The search of the file starts (true) or has ended (false); it runs in steps meanwhile.
    void searching(bool on);
    void fileRelease(const QString& release);
    void boardRelease(const QString& release);
    void finished(const ReleaseComparison& comparison);

private:
    Task<> run(QString path, LinkChoice link, bool askWithoutRelease);
    Task<Failure> searchFile(QString path, ReleaseComparison& found);
    Task<Failure> askPrinter(LinkChoice link, ReleaseComparison& found);
    PrinterLink m_printer;
    Clock& m_clock;
    Job m_job;
    ReleaseComparison m_found;
};
