#pragma once

#include "core/platform/cause.h"

class MessageBoxes;

// A serial port that did not open: string 124 (title "Porta") when another program holds it, else
// the cause itself with the port and its device.
void tellPortRefused(MessageBoxes& messages, int base, const Failure& failure);
// What the window shows when the release check or the interrogation did not get its answer, in
// the language of `base`: the file's message, string 113 for LPT1, tellPortRefused for a port
// that did not open, string 116 for a printer that did not answer. An empty file is passed over
// in silence, as the window does.
void tellPrinterFailure(MessageBoxes& messages, int base, const Failure& failure);
