#include "cli/command.h"
#include "cli/file_names.h"
#include "cli/output_sink.h"

#include "core/link/stored_choices.h"
#include "core/platform/settings_store.h"
#include "texts/string_table.h"

#include <QCommandLineParser>
#include <QDir>
#include <QJsonDocument>

#include <cmath>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#endif

namespace {
// While set, what goes to stdout is gathered and leaves in one piece (a listing of many lines).
QByteArray* g_batch = nullptr;

void write(FILE* to, const QByteArray& bytes, bool redrawn = false)
{
    if (g_batch && to == stdout) {
        *g_batch += bytes;
        if (g_batch->size() < (1 << 20))
            return;
        output_sink::put(output_sink::Stream::Out, std::exchange(*g_batch, {}));
        return;
    }
    output_sink::put(to == stdout ? output_sink::Stream::Out : output_sink::Stream::Err, bytes, redrawn);
}
} // namespace

Output::Batch::Batch()
{
    g_batch = &m_lines;
}

Output::Batch::~Batch()
{
    g_batch = nullptr;
    if (!m_lines.isEmpty())
        output_sink::put(output_sink::Stream::Out, m_lines);
}

Command::~Command() = default;

Output::Output(bool json, bool terminal, Detail detail) : m_json(json), m_terminal(terminal), m_detail(detail)
{
    m_started.start();
}

double Output::elapsed() const
{
    return double(m_started.nsecsElapsed()) / 1e9;
}

void Output::endProgressLine()
{
    if (m_progressShown)
        write(stderr, "\n");
    m_progressShown = false;
}

void Output::event(const QString& kind, const QString& text, QJsonObject fields, Detail detail)
{
    if (m_json) {
        fields = file_names::shown(std::move(fields));
        fields.insert(QStringLiteral("event"), kind);
        fields.insert(QStringLiteral("time"), std::round(elapsed() * 1000) / 1000);
        if (!std::exchange(m_schemaSaid, true))
            fields.insert(QStringLiteral("schema"), 1);
        write(stdout, QJsonDocument(fields).toJson(QJsonDocument::Compact) + '\n');
        return;
    }
    // An error is said whatever the detail: --quiet hides progress, never why a command failed.
    if (kind == QLatin1String("error"))
        detail = Detail::Quiet;
    if (text.isEmpty() || int(detail) > int(m_detail))
        return;
    endProgressLine();
    const QString when = m_detail == Detail::Verbose ? QString::asprintf("%8.2f s  ", elapsed()) : QString();
    // File names and printer replies may hold control characters; a terminal must not obey them.
    write(stderr, (when + escapeControls(file_names::shown(text))).toUtf8() + '\n');
}

void Output::eventMembers(const QString& kind, const QByteArray& members)
{
    if (!m_json)
        return;
    QByteArray line = '{' + members + ",\"event\":";
    appendJson(line, kind);
    line += ",\"time\":" + QByteArray::number(std::round(elapsed() * 1000) / 1000);
    if (!std::exchange(m_schemaSaid, true))
        line += ",\"schema\":1";
    write(stdout, line + "}\n");
}

void Output::appendJson(QByteArray& to, const QString& text)
{
    to += '"';
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        if (c == '"' || c == '\\')
            to += '\\', to += c;
        else if (uchar(c) < 0x20)
            to += "\\u00" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        else
            to += c;
    }
    to += '"';
}

void Output::progress(const QString& text, QJsonObject fields)
{
    if (m_json || !m_terminal) {
        event(QStringLiteral("progress"), text, std::move(fields));
        return;
    }
    transient(text);
}

void Output::transient(const QString& text)
{
    if (m_json || !m_terminal || m_detail == Detail::Quiet)
        return;
    write(stderr, "\r" + fitToTerminal(text).toUtf8() + "\x1b[K", true);
    m_progressShown = true;
}

void Output::show(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
                  const QString& informative)
{
    tell(messageLine(text, detail, informative), text, title, icon, detail, informative);
}

void Output::showFailure(const QString& text, const QString& title, const QString& detail, const QString& informative,
                         const Failure& failure)
{
    tell(failureLine(text, informative, failure), text, title, MessageIcon::Critical, detail, informative, failure);
}

void Output::tell(const QString& line, const QString& text, const QString& title, MessageIcon icon,
                  const QString& detail, const QString& informative, const Failure& failure)
{
    m_lastMessage = text;
    // An error is said even with --quiet.
    event(QStringLiteral("message"), title.isEmpty() ? line : title + QStringLiteral(" \u2014 ") + line,
          messageFields(text, title, icon, detail, informative, failure),
          icon == MessageIcon::Critical ? Detail::Quiet : Detail::Normal);
}

QJsonObject Output::messageFields(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
                                  const QString& informative, const Failure& failure)
{
    QJsonObject fields{
        {"text", text}, {"title", title}, {"icon", icon == MessageIcon::Critical ? "critical" : "information"}};
    if (!informative.isEmpty())
        fields.insert(QStringLiteral("informative"), informative);
    if (!detail.isEmpty())
        fields.insert(QStringLiteral("detail"), detail);
    if (failure)
        fields.insert(QStringLiteral("error"), causeId(failure.cause));
    return fields;
}

QString fitToTerminal(const QString& line)
{
#ifdef Q_OS_UNIX
    winsize size{};
    if (::ioctl(2, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return line.left(size.ws_col - 1);
#endif
    return line;
}

QString messageLine(const QString& text, const QString& detail, const QString& informative)
{
    QString line = QString(text).replace(QLatin1String("\n\n"), QLatin1String(": ")).replace('\n', ' ');
    if (!informative.isEmpty())
        line += QStringLiteral(" \u2014 ") + QString(informative).replace('\n', ' ');
    if (!detail.isEmpty())
        line += QStringLiteral(" (") + detail + QLatin1Char(')');
    return line;
}

void PortMessages::show(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
                        const QString& informative)
{
    tell(messageLine(text, detail, informative), text, title, icon, detail, informative);
}

void PortMessages::showFailure(const QString& text, const QString& title, const QString& detail,
                               const QString& informative, const Failure& failure)
{
    tell(failureLine(text, informative, failure), text, title, MessageIcon::Critical, detail, informative, failure);
}

void PortMessages::tell(const QString& line, const QString& text, const QString& title, MessageIcon icon,
                        const QString& detail, const QString& informative, const Failure& failure)
{
    if (live)
        return;
    QJsonObject fields = Output::messageFields(text, title, icon, detail, informative, failure);
    fields.insert(QStringLiteral("port"), m_port);
    m_out.event(QStringLiteral("message"), m_port + QStringLiteral(": ") + line, fields,
                icon == MessageIcon::Critical ? Output::Detail::Quiet : Output::Detail::Normal);
}

QString failureLine(const QString& text, const QString& informative, const Failure& failure)
{
    QString line = QString(informative.isEmpty() ? text : informative).replace('\n', ' ');
    if (!failure.system.isEmpty())
        line += QStringLiteral(" (") + failure.system + QLatin1Char(')');
    if (failure.cause == Cause::PortBusy)
        line += QStringLiteral(" \u2014 ") + QString(text).replace('\n', ' ');
    return line;
}

void Output::say(const QString& line)
{
    if (m_json)
        return;
    endProgressLine();
    write(stdout, escapeControls(file_names::shown(line)).toUtf8() + '\n');
}

QJsonObject Output::fieldsOf(const Failure& failure)
{
    if (!failure)
        return {};
    QJsonObject fields{{"error", causeId(failure.cause)}};
    const bool aboutFile = exit_status::of(failure.cause) == exit_status::FileRefused;
    if (!failure.subject.isEmpty())
        fields.insert(aboutFile ? QStringLiteral("file") : QStringLiteral("port"), failure.subject);
    if (!failure.device.isEmpty())
        fields.insert(QStringLiteral("device"), failure.device);
    if (!failure.system.isEmpty())
        fields.insert(QStringLiteral("system"), failure.system);
    return fields;
}

const exit_status::Meaning exit_status::kMeanings[12] = {
    {"0", "done: every byte sent and the end wait over (on the line, where the line shows its queue;\n"
          "\"confirmed\": false where it does not, as on a pseudo-terminal); releases equal"},
    {"2", "bad usage (an unknown option or argument, a port or line setting the window does not offer)"},
    {"3", "file refused (missing, empty, not a regular file, unreadable, too large) or changed meanwhile"},
    {"4", "port refused (held by another user, missing, no permission, not a serial port, settings refused)"},
    {"5", "the link failed during the transfer"},
    {"6", "no answer from the printer"},
    {"7", "the releases differ"},
    {"8", "check-release, update: the file holds no release (no printer is asked)"},
    {"9", "update: a printer did not report the file's release afterwards (did not answer, its port\n"
          "was refused, or its load failed)"},
    {"10", "history: the service record cannot be read (something else in its place, damaged, locked)"},
    {"11", "record, history --shop: the shop's record does not answer, refuses the login, or is of a later\n"
           "version"},
    {"130", "interrupted by Ctrl+C (129 by SIGHUP, 143 by SIGTERM): nothing more was sent, everything closed"},
};

int exit_status::of(Cause cause)
{
    switch (concernOf(cause)) {
    case Concern::None:
        return Ok;
    case Concern::File:
        return FileRefused;
    case Concern::Port:
        return PortRefused;
    case Concern::Link:
        return LinkFailed;
    case Concern::Printer:
        return NoAnswer;
    }
    return LinkFailed;
}

int Output::result(const QString& command, int status, QJsonObject fields, const QString& line)
{
    endProgressLine();
    if (!line.isEmpty())
        for (const QString& one : line.split('\n'))
            say(one);
    if (m_json) {
        fields.insert(QStringLiteral("command"), command);
        fields.insert(QStringLiteral("exit"), status);
        event(QStringLiteral("result"), QString(), fields);
    }
    return status;
}

namespace option {
const QCommandLineOption kJson{QStringLiteral("json"),
                               QStringLiteral("One JSON object per event on standard output, then a result object.")};
const QCommandLineOption kLang{
    QStringLiteral("lang"),
    QStringLiteral("The language of what it writes: it or en (default: the stored one, else the locale)."),
    QStringLiteral("language")};
const QCommandLineOption kQuiet{QStringLiteral("quiet"),
                                QStringLiteral("Only errors (stderr) and the result line (stdout).")};
const QCommandLineOption kVerbose{QStringLiteral("verbose"),
                                  QStringLiteral("Also each header and each phase with its time.")};
const QCommandLineOption kNoStored{
    QStringLiteral("no-stored"), QStringLiteral("Options left out take the built-in defaults, not the window's stored "
                                                "choices, and the service record is left alone.")};
const QCommandLineOption kRecord{
    QStringLiteral("record"),
    QStringLiteral("With --no-stored: the job is written to the service record all the same.")};
const QCommandLineOption kConsole{QStringLiteral("console"),
                                  QStringLiteral("Use a COM port the kernel writes its console to all the same.")};
const QCommandLineOption kTrace{
    QStringLiteral("trace"),
    QStringLiteral("Every byte sent to the printer and received from it, with its time, on stderr.")};
const QCommandLineOption kTraceFile{
    QStringLiteral("trace-file"), QStringLiteral("The same trace into this file (appended)."), QStringLiteral("file")};
const QCommandLineOption kHelp{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("This text.")};
const QCommandLineOption kSerial{QStringLiteral("serial"),
                                 QStringLiteral("The printer's serial number, for the service record (update: one a "
                                                "port, comma-separated, in the order of --port)."),
                                 QStringLiteral("number")};
} // namespace option

int languageOf(const QCommandLineParser& parser)
{
    const QString lang = parser.value(option::kLang);
    if (lang == QLatin1String("it"))
        return kItalian;
    if (lang == QLatin1String("en"))
        return kEnglish;
    if (!parser.isSet(option::kNoStored)) {
        SettingsStore store;
        if (!store.read(SettingsStore::key(Setting::Language), QString()).isEmpty())
            return storedLanguage(store).value_or(kItalian);
    }
    // The locale as POSIX ranks its variables.
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value.startsWith(QLatin1String("it")) ? kItalian : kEnglish;
    }
    return kEnglish;
}

std::optional<QString> portNamed(const QString& name)
{
    if (kPortItems.contains(name.toUpper()))
        return name.toUpper();
    if (QDir::isAbsolutePath(name)) // a serial device that no name leads to
        return name;
    return std::nullopt;
}

QString noSuchPort(const QString& name)
{
    return QStringLiteral("no such port: %1 (COM1 to COM10, LPT1, or a serial device's path)").arg(name);
}
