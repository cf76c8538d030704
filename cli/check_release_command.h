#pragma once

#include "cli/command.h"

#include <QCoreApplication>

// velmora-cli check-release FILE: the release in the file beside the printer's.
class CheckReleaseCommand : public Command
{
    Q_DECLARE_TR_FUNCTIONS(CheckReleaseCommand)

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
