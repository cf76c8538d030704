#pragma once

#include "cli/command.h"

#include <QCoreApplication>

// velmora-cli history: the service record, newest first.
class HistoryCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(HistoryCommand)

public:
    QString name() const override { return QStringLiteral("history"); }
    QString summary() const override
    {
        return QStringLiteral("The service record: every job, what went into which printer, when, how it ended.");
    }
    void define(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, Output& out) override;
};
