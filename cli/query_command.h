#pragma once

#include "cli/command.h"

// velmora-cli query: the handshake and the model, release and flash queries.
class QueryCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("query"); }
    QString summary() const override { return QStringLiteral("Ask the printer for its model, release and flash."); }
    void define(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, Output& out) override;
};
