#pragma once

#include "core/link/stored_choices.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QtGlobal>

#include <cstdint>
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

// One pass over the first `length` bytes of a file, in steps a caller can spread over the
// event loop: their XOR (the header's checksum) and their BLAKE2b digest (what the bytes sent
// are checked against at the end: no same-size edit keeps it, and it is three times as fast as
// SHA-256 here).
class FilePass
{
public:
    FilePass(QIODevice& file, qint64 length);
    // Reads up to `bytes` more; false when the file gave fewer bytes than its length or could
    // not be read. Once done the position is back at 0.
    bool step(qint64 bytes);
    bool done() const { return m_left == 0; }
    int xorSum() const;
    QByteArray digest() const { return m_hash.result(); }

private:
    QIODevice& m_file;
    qint64 m_left;
    bool m_started = false;
    std::uint64_t m_wide = 0;
    unsigned m_narrow = 0;
    QCryptographicHash m_hash{QCryptographicHash::Blake2b_256};
};
