// Any settings text: parsed or refused, never a crash; what parses prints back as it parsed.
#include "core/link/line_settings.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto line = parseLineSettings(text)) {
        if (line->baud <= 0 || line->dataBits < 5 || line->dataBits > 8 || parseLineSettings(line->text()) != line)
            std::abort();
    }
    if (const auto offered = offeredLine(text);
        offered && parseLineSettings(text) != offered && !text.startsWith(QLatin1String("57600,")))
        std::abort();
    return 0;
}
