// The windowed release search finds what a plain search of the whole file finds.
#include "core/printer/release_search.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Stretch small inputs across window boundaries now and then.
    if (size > 2 && data[0] == 0xAA)
        bytes = QByteArray(qsizetype(data[1]) * 97, 'z') + bytes.mid(2);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const auto found = findRelease(buffer);

    const qsizetype at = bytes.indexOf("Release: ");
    if (at < 0) {
        if (found)
            std::abort();
        return 0;
    }
    QByteArray text = bytes.mid(at + 8);
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    while (text.startsWith(' '))
        text.remove(0, 1);
    while (text.endsWith(' '))
        text.chop(1);
    if (!found || *found != text)
        std::abort();
    return 0;
}
