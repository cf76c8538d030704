#pragma once

#include "cli/command.h"

#include <QCoreApplication>

// velmora-cli ports: where each link name leads; with --probe, who answers where; --link and
// --unlink give a name to a device or take it back.
class PortsCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(PortsCommand)

public:
    QString name() const override { return QStringLiteral("ports"); }
    QString summary() const override
    {
        return QStringLiteral("List COM1 to COM10 and LPT1, their devices and whether they can be used; find the "
                              "printer; name a device.");
    }
    void define(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, Output& out) override;

private:
    int probe(const QCommandLineParser& parser, Output& out);
};
