#pragma once

#include "cli/command.h"

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
