#pragma once

#include "core/link/stored_choices.h"

#include <QByteArray>
#include <QtGlobal>

#include <optional>

class QIODevice;

// Header code for a firmware or standard-font load: board or RAM card, with or without checksum
// (only a checked box counts, and only with the board). 0 for any other operation.
char headerCode(Operation operation, Boot boot, BoxValue checksum);
bool headerCarriesChecksum(char code);

// "?Z" code "&" length ["," checksum] LF.
QByteArray headerText(char code, qint64 length, std::optional<int> checksum = std::nullopt);

// XOR of the first `length` bytes of the device from its start; the position is back at 0
// afterwards. Nothing when the device delivers fewer bytes than `length`.
std::optional<int> FileChecksum(QIODevice& file, qint64 length);
