#include "core/download/header.h"

#include <QIODevice>

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

char headerCode(Operation operation, Boot boot, BoxValue checksum)
{
    const bool board = boot == Boot::Board;
    const bool withChecksum = board && checksum == BoxValue::Checked;
    switch (operation) {
    case Operation::Firmware:
        return withChecksum ? '3' : board ? '4' : '2';
    case Operation::StandardFonts:
        return withChecksum ? '8' : board ? '1' : '0';
    default:
        return 0;
    }
}

bool headerCarriesChecksum(char code)
{
    return code == '3' || code == '8';
}

QByteArray headerText(char code, qint64 length, std::optional<int> checksum)
{
    QByteArray text = "?Z";
    text += code;
    text += '&';
    text += QByteArray::number(length);
    if (checksum) {
        text += ',';
        text += QByteArray::number(*checksum);
    }
    text += '\n';
    return text;
}

namespace {
// Eight bytes at a time into `wide`, the rest into `narrow`: the same XOR as byte by byte.
void foldXor(const char* data, qint64 size, std::uint64_t& wide, unsigned& narrow)
{
    qint64 i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, data + i, 8);
        wide ^= w;
    }
    for (; i < size; ++i)
        narrow ^= static_cast<unsigned char>(data[i]);
}
} // namespace

std::optional<int> FileChecksum(QIODevice& file, qint64 length)
{
    // The XOR alone: no digest, several times faster.
    if (!file.seek(0))
        return std::nullopt;
    // Read in blocks and fold eight bytes at a time: the same XOR as byte by byte.
    std::array<char, 1 << 16> block;
    std::uint64_t wide = 0;
    unsigned narrow = 0;
    qint64 left = length;
    while (left > 0) {
        const qint64 want = qMin<qint64>(left, qint64(block.size()));
        const qint64 got = file.read(block.data(), want);
        if (got <= 0)
            break;
        foldXor(block.data(), got, wide, narrow);
        left -= got;
    }
    const bool complete = left == 0;
    if (!file.seek(0) || !complete)
        return std::nullopt;
    for (int shift = 0; shift < 64; shift += 8)
        narrow ^= unsigned(wide >> shift) & 0xFFu;
    return int(narrow & 0xFFu);
}

FilePass::FilePass(QIODevice& file, qint64 length) : m_file(file), m_left(qMax<qint64>(0, length)) {}

bool FilePass::step(qint64 bytes)
{
    if (!std::exchange(m_started, true) && !m_file.seek(0))
        return false;
    std::array<char, 1 << 16> block;
    for (qint64 budget = bytes; m_left > 0 && budget > 0;) {
        const qint64 want = qMin(qMin<qint64>(m_left, qint64(block.size())), budget);
        const qint64 got = m_file.read(block.data(), want);
        if (got <= 0)
            return false;
        m_hash.addData(QByteArrayView(block.data(), got));
        foldXor(block.data(), got, m_wide, m_narrow);
        m_left -= got;
        budget -= got;
    }
    return m_left > 0 || m_file.seek(0);
}

int FilePass::xorSum() const
{
    unsigned narrow = m_narrow;
    for (int shift = 0; shift < 64; shift += 8)
        narrow ^= unsigned(m_wide >> shift) & 0xFFu;
    return int(narrow & 0xFFu);
}
