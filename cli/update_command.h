#pragma once

#include "cli/command.h"
#include "core/link/stored_choices.h"
#include "core/platform/task.h"
#include "core/printer/interrogation.h"
#include <QCoreApplication>
#include <memory>
#include <vector>

// velmora-cli update FILE --port COM1,COM2,...: a firmware into several printers at once, each
// asked before and verified after.
class UpdateCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(UpdateCommand)

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
    // What the printer is doing or how it ended, in words.
    QString stateWords(const Printer& printer) const;
    // Its row of the live table, under headerRow().
    QString lineOf(const Printer& printer) const;
    QString headerRow() const;
    // Its result: "COM2: PX-1 1.05, interrupted after 13824 of 65536 bytes...".
    QString resultLine(const Printer& printer) const;
    // The printer's port, device, state and what is known of it.
    static QJsonObject fieldsOf(const Printer& printer);
    void redraw();

    bool m_terminal;
    Output* m_out = nullptr;
    Clock* m_clock = nullptr;
    StoredChoices m_choices;
    QString m_release;
    bool m_force = false;
    bool m_noDowngrade = false;
    double m_verifyTimeout = 120;
    int m_language = 0;
    int m_drawn = 0; // live lines on the terminal
    bool m_drawnOnce = false;
    std::vector<std::unique_ptr<Printer>> m_printers;
};
