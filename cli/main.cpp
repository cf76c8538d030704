// velmora-cli: the download, the release check and the printer queries from a terminal, on the
// same core as the window. Several copies may run at once on different ports.
#include "cli/commands.h"
#include "cli/file_names.h"
#include "cli/output_sink.h"
#include "cli/trace.h"
#include "core/link/device_access.h"
#include "core/platform/settings_store.h"
#include "core/platform/version.h"
#include "core/record/shop_record.h"
#include "texts/language.h"
#include "texts/string_table.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <cstdio>
#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

void addCommonOptions(QCommandLineParser& parser)
{
    using namespace option;
    parser.addOptions({kJson,
                       kLang,
                       kQuiet,
                       kVerbose,
                       kNoStored,
                       kRecord,
                       kConsole,
                       kTrace,
                       kTraceFile,
                       kHelp,
                       {"version", "The version."}});
}

QString help()
{
    QString text = QStringLiteral("Usage: velmora-cli COMMAND [OPTIONS]\n\nCommands:\n");
    for (const auto& c : commands(false))
        text += QStringLiteral("  %1 %2\n").arg(c->name() + (c->files() ? " FILE" : ""), -19).arg(c->summary());
    text += QStringLiteral(R"(
velmora-cli COMMAND --help lists the options of a command. Options left out take the window's
stored choices (read only; --no-stored: the built-in defaults). Every command takes --json and
--lang it|en; velmora-cli --version prints the version.

Every command writes its result on stdout (with --json, every object) and its messages,
progress, phases and countdowns on stderr.

Exit status:
)");
    for (const exit_status::Meaning& m : exit_status::kMeanings)
        text += QStringLiteral("  %1 %2\n")
                    .arg(QLatin1String(m.statuses), -4)
                    .arg(QString::fromUtf8(m.text).replace('\n', "\n       "));
    return text;
}

// One command's help, from its parser.
QString help(const Command& command, QCommandLineParser& parser)
{
    parser.setApplicationDescription(command.summary());
    QString text = parser.helpText();
    text.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                 QStringLiteral("Usage: velmora-cli ") + command.name());
    return text;
}

// A usage error: said on stderr, or with --json as an error event and a result.
int usage(const QStringList& args, const QString& command, const QString& why)
{
    if (args.contains(QStringLiteral("--json"))) {
        Output out(true, false);
        out.event(QStringLiteral("error"), why, {{"error", "usage"}, {"text", why}});
        return out.result(command, exit_status::Usage);
    }
    std::fprintf(stderr, "velmora-cli: %s\nSee velmora-cli --help.\n", qPrintable(escapeControls(why)));
    return exit_status::Usage;
}

#ifdef Q_OS_UNIX
int g_signalPipe[2] = {-1, -1};
void onSignal(int signal)
{
    // Once the command has ended and only its output is left to go, a signal ends the program.
    if (output_sink::finishing())
        ::_exit(128 + signal);
    const char s = char(signal);
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &s, 1);
}

// Ctrl+C, SIGTERM and SIGHUP (a dropped SSH session) are caught before anything else is done, so
// that none can end the program before it can say its result; the event loop acts on them.
void catchSignals()
{
    if (::pipe(g_signalPipe) != 0)
        return;
    for (const int fd : g_signalPipe)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK); // a handler never waits on its own pipe
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int s : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(s, &action, nullptr);
}
#endif

} // namespace

int runCommand(int argc, char** argv);

int main(int argc, char** argv)
{
#ifdef Q_OS_UNIX
    catchSignals();
#endif
    const int status = runCommand(argc, argv);
    file_names::cleanUp();
    // What is still queued for a slow reader is kept and written; after a signal, for a moment only.
    // A sender to the shop's record left waiting on the network ends with the program, before any
    // static destructor runs under it.
    if (!output_sink::finish(status >= 128 ? 2 : -1) || shop_record::Sender::abandoned())
        ::_exit(status);
    return status;
}

int runCommand(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The same names as the window: its settings and its ports folder.
    QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
    const QStringList args = QCoreApplication::arguments();
    // --version anywhere before a "--" is asked for the version, as -h and --help are for help.
    const qsizetype end = args.indexOf(QStringLiteral("--"));
    if (args.mid(1, end < 0 ? -1 : end - 1).contains(QStringLiteral("--version"))) {
        std::printf("velmora-cli %s\n", version::kText);
        return 0;
    }
    if (args.size() < 2 || args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h")) {
        std::fputs(qPrintable(help()), args.size() < 2 ? stderr : stdout);
        return args.size() < 2 ? 2 : 0;
    }
#ifdef Q_OS_UNIX
    const bool terminal = ::isatty(2);
#else
    const bool terminal = false;
#endif
    std::unique_ptr<Command> command;
    for (auto& c : commands(terminal))
        if (c->name() == args[1])
            command = std::move(c);
    if (!command)
        return usage(args, args[1], QStringLiteral("no such command: ") + args[1]);
    QCommandLineParser parser;
    addCommonOptions(parser);
    command->define(parser);
    QStringList rest = args;
    rest.removeAt(1);
    // A name the locale's encoding cannot hold is opened as the bytes it was given as.
    for (int i = 2; i < argc && i <= rest.size(); ++i)
        if (argv[i][0] != '-')
            rest[i - 1] = file_names::fromArgument(argv[i]);
    if (!parser.parse(rest))
        return usage(args, command->name(), parser.errorText());
    if (parser.isSet(option::kHelp)) {
        std::fputs(qPrintable(help(*command, parser)), stdout);
        return 0;
    }
    const QString lang = parser.value(option::kLang);
    if (parser.isSet(option::kLang) && lang != QLatin1String("it") && lang != QLatin1String("en"))
        return usage(args, command->name(), QStringLiteral("--lang is it or en"));
    // What it writes outside the numbered table: through the same translations as the window.
    useLanguage(languageOf(parser));
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > command->files())
        return usage(args, command->name(), QStringLiteral("unexpected argument: ") + positional.last());
    if (positional.size() < command->files())
        return usage(args, command->name(), QStringLiteral("one FILE is needed"));
    if (parser.isSet(option::kQuiet) && parser.isSet(option::kVerbose))
        return usage(args, command->name(), QStringLiteral("--quiet or --verbose, not both"));
    Output out(parser.isSet(option::kJson), terminal,
               parser.isSet(option::kQuiet)     ? Output::Detail::Quiet
               : parser.isSet(option::kVerbose) ? Output::Detail::Verbose
                                                : Output::Detail::Normal);
    // A download or a query to the kernel's console only when asked for.
    device_access::refuseKernelConsole(!parser.isSet(option::kConsole));
    std::unique_ptr<WireTrace> trace;
    if (parser.isSet(option::kTrace) || parser.isSet(option::kTraceFile)) {
        trace = std::make_unique<WireTrace>(parser.value(option::kTraceFile));
        if (!trace->error().isEmpty())
            return usage(args, command->name(), trace->error());
    }
#ifdef Q_OS_UNIX
    // The caught signals end the command as Annulla ends a download, from the event loop; one
    // that came before it started is in the pipe already.
    if (g_signalPipe[0] >= 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, [&command] {
            char s = 0;
            if (::read(g_signalPipe[0], &s, 1) == 1)
                command->interrupt(s);
        });
    }
    if (const SettingsStore store; !parser.isSet(option::kNoStored) && store.unusable())
        out.event(QStringLiteral("warning"),
                  ownText(Msg::SettingsUnusable)
                      .arg(store.fileName(), *store.unusable())
                      .replace(QLatin1String("\n\n"), QLatin1String(" "))
                      .replace('\n', ' '),
                  {{"error", "settings-unusable"}, {"file", store.fileName()}, {"text", *store.unusable()}},
                  Output::Detail::Quiet);
#endif
    return command->run(parser, out);
}
