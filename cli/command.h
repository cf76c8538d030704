#pragma once

#include "core/link/line_settings.h"
#include "core/platform/cause.h"
#include "texts/cause_words.h"
#include "texts/messages.h"

#include <QCommandLineOption>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QCommandLineParser;

// Exit statuses of velmora-cli; 0 only after the honest end.
namespace exit_status {
constexpr int Ok = 0;
constexpr int Usage = 2;
constexpr int FileRefused = 3;
constexpr int PortRefused = 4;
constexpr int LinkFailed = 5;
constexpr int NoAnswer = 6;
constexpr int ReleasesDiffer = 7;
constexpr int NoRelease = 8;     // check-release: the file holds no release; the printer is not asked
constexpr int NotVerified = 9;   // update: a printer does not report the file's release afterwards
constexpr int RecordUnreadable = 10; // history: the service record cannot be read
constexpr int ShopUnreachable = 11;  // record, history --shop: the shop's record does not answer
constexpr int Interrupted = 130; // Ctrl+C; 129 for SIGHUP, 143 for SIGTERM
// The status a failure ends a command with: the file (3), the port (4), the link (5), the printer (6).
int of(Cause cause);
// Every status with what it means, as the help says it; the README and the manual page are
// checked against it.
struct Meaning {
    const char* statuses; // "130" also names 129 and 143
    const char* text;
};
extern const Meaning kMeanings[12];
} // namespace exit_status

// What the terminal face shows: on a terminal a progress line on stderr, without one plain
// lines, with --json one JSON object per event on stdout.
class Output : public MessageBoxes
{
public:
    // How much is said: errors and the result only, the usual lines, or every header and phase
    // with its time too.
    enum class Detail { Quiet, Normal, Verbose };
    Output(bool json, bool terminal, Detail detail = Detail::Normal);
    bool json() const { return m_json; }
    Detail detail() const { return m_detail; }
    // Seconds since the command started.
    double elapsed() const;
    // An event: a line of text, or with --json the object (with "event" set to `kind`, the time
    // since the start, and on the first object the schema's version). `detail` is the least
    // detail at which the line is written; JSON always carries every event.
    void event(const QString& kind, const QString& text, QJsonObject fields = {}, Detail detail = Detail::Normal);
    // The same with the fields already written as JSON members (`"id":1,"file":"A.BIN"`): a
    // listing of many rows skips building an object for each.
    void eventMembers(const QString& kind, const QByteArray& members);
    // A string as a JSON value, quoted and escaped.
    static void appendJson(QByteArray& to, const QString& text);
    // A progress line that a terminal redraws in place (not with --quiet).
    void progress(const QString& text, QJsonObject fields);
    // A line a terminal redraws in place and nothing else shows: a countdown.
    void transient(const QString& text);
    // The messages the window would show in a box, with the text they would have.
    using MessageBoxes::show;
    void show(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
              const QString& informative) override;
    // A failure on one line, its cause first; see failureLine().
    void showFailure(const QString& text, const QString& title, const QString& detail, const QString& informative,
                     const Failure& failure) override;
    QString lastMessage() const { return m_lastMessage; }
    // The final word: the result object with --json; without it, `line` on stdout, even with
    // --quiet (lines that query and check-release have said already need none). The status
    // either way.
    int result(const QString& command, int status, QJsonObject fields = {}, const QString& line = {});
    // A plain result line on stdout (ignored with --json).
    void say(const QString& line);
    // A failure's fields for a result: a stable "error" id, the file or the port with its
    // device, and the system's words.
    static QJsonObject fieldsOf(const Failure& failure);
    // A message event's fields: its text, title and icon, what is said beside it, the detail, the cause's id.
    static QJsonObject messageFields(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
                                     const QString& informative, const Failure& failure);

    // While one lives, the lines for stdout leave together, a megabyte at a time: a listing of
    // many rows costs one write, not one a row.
    class Batch
    {
    public:
        Batch();
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        QByteArray m_lines;
    };

private:
    void endProgressLine();
    // A message's JSON fields, and the line it is said as.
    void tell(const QString& line, const QString& text, const QString& title, MessageIcon icon, const QString& detail,
              const QString& informative, const Failure& failure = {});
    bool m_json;
    bool m_terminal;
    Detail m_detail;
    bool m_progressShown = false;
    bool m_schemaSaid = false;
    QString m_lastMessage;
    QElapsedTimer m_started;
};

// The messages of one port's jobs among several: each on a line tagged with the port, or left
// to the live lines that show the port's state (`live`).
class PortMessages : public MessageBoxes
{
public:
    PortMessages(Output& out, QString port) : m_out(out), m_port(std::move(port)) {}
    using MessageBoxes::show;
    void show(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
              const QString& informative) override;
    void showFailure(const QString& text, const QString& title, const QString& detail, const QString& informative,
                     const Failure& failure) override;
    bool live = false;

private:
    void tell(const QString& line, const QString& text, const QString& title, MessageIcon icon, const QString& detail,
              const QString& informative, const Failure& failure = {});
    Output& m_out;
    QString m_port;
};

// One command of velmora-cli.
class QEventLoop;
class QIODevice;

class Command
{
public:
    virtual ~Command();
    virtual QString name() const = 0;
    virtual QString summary() const = 0;
    // How many FILE arguments it takes.
    virtual int files() const { return 0; }
    // Adds the command's own options and arguments.
    virtual void define(QCommandLineParser& parser) const = 0;
    // Runs with the options parsed; returns the exit status.
    virtual int run(const QCommandLineParser& parser, Output& out) = 0;
    // Ctrl+C or SIGTERM: stop as Annulla does; nothing more is sent.
    void interrupt(int signal);
    // The signal that interrupted the command, or 0.
    int signal() const { return m_signal; }

protected:
    // Runs the event loop until end() is called or a signal has interrupted the command, then
    // stops whatever `stop` stops.
    void runUntilEnd(const std::function<void()>& stop);
    void end();
    // The file's release, searched with the event loop running so that a signal stops a large
    // file's search; nothing when a signal came.
    std::optional<std::optional<QByteArray>> releaseOf(QIODevice& file);
    // The release written in the firmware file at `path`. A file that cannot be searched or holds
    // none is said on `out`, and nothing returned, with the command's result in `status`.
    std::optional<QString> firmwareRelease(const QString& path, Output& out, int& status);

    int m_signal = 0;

private:
    QEventLoop* m_loop = nullptr;
    bool m_ended = false;
};

// The options every command takes, read by name wherever they matter.
namespace option {
extern const QCommandLineOption kJson, kLang, kQuiet, kVerbose, kNoStored, kRecord, kConsole, kTrace, kTraceFile, kHelp,
    kSerial;
} // namespace option

// Shared by the commands: the language (--lang, else the stored one unless --no-stored, else
// LC_ALL, LC_MESSAGES or LANG: it* Italian, anything else English), the port of --port.
int languageOf(const QCommandLineParser& parser);
// A port as --port names it: COM1 to COM10 or LPT1 (any case), or a serial device's path.
std::optional<QString> portNamed(const QString& name);
// A line redrawn in place on the terminal (stderr), cut to its width: a wrapped line could not be
// redrawn.
QString fitToTerminal(const QString& line);
// A box's message on one line: its text, then what is said beside it, then the detail.
QString messageLine(const QString& text, const QString& detail, const QString& informative);
// A failure on one line, the cause first (`informative`) with the system's words; the fixed text
// only where it is the cause, a port held by another program. A fixed text that names nothing
// ("File vuoto o inesistente !!", whatever the language) is left to the window's box.
QString failureLine(const QString& text, const QString& informative, const Failure& failure);
// What every command says of a --port that names none of the ports.
QString noSuchPort(const QString& name);
