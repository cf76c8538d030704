#pragma once

#include "cli/command.h"
#include "core/download/download.h"
#include "core/link/stored_choices.h"
#include "core/platform/task.h"
#include "core/printer/interrogation.h"

#include <memory>
#include <vector>

// The download options (all but --port), shared by download and update.
void defineDownloadOptions(QCommandLineParser& parser, bool withOperation);
// Applies them over the choices; why not, when one is refused.
std::optional<QString> applyDownloadOptions(const QCommandLineParser& parser, StoredChoices& choices);
// A download's phases and outcomes: stable identifiers, and a phase in the language's words.
const char* phaseId(DownloadPhase phase);
QString phaseText(int language, DownloadPhase phase, double seconds);
const char* outcomeId(DownloadOutcome outcome);
// The headers a download of this request will send (nothing for a file it will refuse).
QStringList plannedHeaders(const DownloadRequest& request, bool parallel);

// velmora-cli download FILE: what DOWNLOAD does with that file and the stored choices.
class DownloadCommand : public Command
{
public:
    explicit DownloadCommand(bool terminal) : m_terminal(terminal) {}
    QString name() const override { return QStringLiteral("download"); }
    QString summary() const override
    {
        return QStringLiteral("Load a firmware (*.BIN), standard font (*.SHF) or external font (*.SHC) file.");
    }
    int files() const override { return 1; }
    void define(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, Output& out) override;

private:
    bool m_terminal;
};

// velmora-cli query: the handshake and the model, release and flash queries.
class QueryCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("query"); }
    QString summary() const override { return QStringLiteral("Ask the printer for its model, release and flash."); }
    void define(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, Output& out) override;
};

// velmora-cli check-release FILE: the release in the file beside the printer's.
class CheckReleaseCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("check-release"); }
    QString summary() const override
    {
        return QStringLiteral("Compare the release in a firmware file with the printer's.");
    }
    int files() const override { return 1; }
    void define(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, Output& out) override;
};

// velmora-cli update FILE --port COM1,COM2,...: a firmware into several printers at once, each
// asked before and verified after.
class UpdateCommand : public Command
{
public:
    struct Printer;
    explicit UpdateCommand(bool terminal);
    ~UpdateCommand() override;
    QString name() const override { return QStringLiteral("update"); }
    QString summary() const override
    {
        return QStringLiteral("Load a firmware into several printers at once and verify the release each reports.");
    }
    int files() const override { return 1; }
    void define(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, Output& out) override;

private:
    Task<> update(Printer& printer);
    Task<Interrogation::Answers> ask(Printer& printer, bool quietly);
    void changed(Printer& printer, int state);
    QString lineOf(const Printer& printer) const;
    // The printer's port, device, state and what is known of it.
    static QJsonObject fieldsOf(const Printer& printer);
    void redraw();

    bool m_terminal;
    Output* m_out = nullptr;
    Clock* m_clock = nullptr;
    StoredChoices m_choices;
    QString m_release;
    bool m_force = false;
    double m_verifyTimeout = 120;
    int m_language = 0;
    int m_drawn = 0; // live lines on the terminal
    bool m_drawnOnce = false;
    std::vector<std::unique_ptr<Printer>> m_printers;
};

// velmora-cli ports: where each link name leads.
class PortsCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("ports"); }
    QString summary() const override
    {
        return QStringLiteral("List COM1 to COM10 and LPT1, their devices and whether they can be used.");
    }
    void define(QCommandLineParser&) const override {}
    int run(const QCommandLineParser& parser, Output& out) override;
};
