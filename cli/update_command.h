#pragma once

#include "cli/command.h"
#include "core/link/stored_choices.h"
#include "core/update/update_job.h"

#include <QCoreApplication>
#include <memory>
#include <vector>

// velmora-cli update FILE --port COM1,COM2,...: a firmware into several printers at once, each
// asked before and verified after.
class UpdateCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(UpdateCommand)

public:
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
    struct Shown;
    void changed(int printer);
    // What the printer is doing or how it ended, in words.
    QString stateWords(int printer) const;
    // Its row of the live table, under headerRow().
    QString lineOf(int printer) const;
    QString headerRow() const;
    // Its result: "COM2: PX-1 1.05, interrupted after 13824 of 65536 bytes...".
    QString resultLine(int printer) const;
    // The printer's port, device, state and what is known of it.
    static QJsonObject fieldsOf(const PrinterUpdate& printer);
    void redraw();

    bool m_terminal;
    Output* m_out = nullptr;
    StoredChoices m_choices;
    QString m_release;
    int m_drawn = 0; // live lines on the terminal
    bool m_drawnOnce = false;
    std::unique_ptr<UpdateJob> m_job;
    std::vector<std::unique_ptr<Shown>> m_shown;
};
