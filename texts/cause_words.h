#pragma once

#include "core/platform/cause.h"

#include <QString>

// A stable identifier for scripts: "port-busy", "file-changed", ...
QString causeId(Cause cause);
// The cause in a few words of the language `base` (English for 2000, else Italian).
QString causeWords(int base, Cause cause);
// "COM3 (/dev/ttyUSB0): in use by another program (Device or resource busy)".
QString failureDetail(int base, const Failure& failure);
// The same without the system's words, for the text in sight.
QString failureCause(int base, const Failure& failure);

// What stands at a path, in a few words of the language `base`: "a folder", "una FIFO".
QString kindWords(int base, const QString& path);

// Text from a file name or a printer reply as a terminal may show it: control characters
// escaped as \xNN, so that nothing in it can move the cursor or retitle the window.
QString escapeControls(const QString& text);
