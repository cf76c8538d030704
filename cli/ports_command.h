#pragma once

#include "cli/command.h"

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
