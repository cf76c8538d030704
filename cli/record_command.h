#pragma once

#include "cli/command.h"

// velmora-cli record: where the shop's record is (set, taken off, or told with whether it answers
// and how many rows wait for it); every run of it sends what waits.
class RecordCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("record"); }
    QString summary() const override
    {
        return QStringLiteral("The shop's record on PostgreSQL: set it, take it off, or say how it stands.");
    }
    void define(QCommandLineParser& parser) const override;
    int run(const QCommandLineParser& parser, Output& out) override;
};
