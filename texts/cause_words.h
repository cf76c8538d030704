#pragma once

#include "core/platform/cause.h"

#include <QString>

// The cause of an id ("port-busy") in words; an id the program does not know as it stands.
QString causeWordsOfId(const QString& id);
// The cause in a few words of the language in use.
QString causeWords(Cause cause);
// "COM3 (/dev/ttyUSB0): in use by another program (Device or resource busy)".
QString failureDetail(const Failure& failure);
// The same without the system's words, for the text in sight.
QString failureCause(const Failure& failure);

// What stands at a path, in a few words: "a folder", "una FIFO".
QString kindWords(const QString& path);

// Text from a file name or a printer reply as a terminal may show it: control characters
// escaped as \xNN, so that nothing in it can move the cursor or retitle the window.
QString escapeControls(const QString& text);
