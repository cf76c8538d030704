#pragma once

#include "cli/command.h"

#include <QCoreApplication>

// velmora-cli download FILE: what DOWNLOAD does with that file and the stored choices.
class DownloadCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(DownloadCommand)

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
