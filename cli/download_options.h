#pragma once

#include "core/download/download.h"
#include "core/link/stored_choices.h"
#include <QMap>
#include <QStringList>
#include <optional>

class QCommandLineParser;

// The operations by their names on the command line.
extern const QMap<QString, Operation> kOperations;
// The download options (all but --port), shared by download and update.
void defineDownloadOptions(QCommandLineParser& parser, bool withOperation);
// Applies them over the choices; why not, when one is refused.
std::optional<QString> applyDownloadOptions(const QCommandLineParser& parser, StoredChoices& choices);
// A download's phases: stable identifiers, and a phase in the language's words.
const char* phaseId(DownloadPhase phase);
QString phaseText(DownloadPhase phase, double seconds);
// The headers a download of this request will send (nothing for a file it will refuse).
QStringList plannedHeaders(const DownloadRequest& request, bool parallel);
