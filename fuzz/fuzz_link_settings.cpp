// Any settings text: parsed or refused, never a crash; what parses maps onto Qt's values.
#include "core/link/link_settings.h"
#include "core/link/qt_serial_control.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto line = parseLinkSettings(text)) {
        const QtLineSettings q = qtLineSettings(*line);
        if (q.baud <= 0 || q.dataBits < 5 || q.dataBits > 8)
            std::abort();
    }
    if (size >= 4) {
        const int idx[4] = {int(int8_t(data[0])), int(int8_t(data[1])), int(int8_t(data[2])), int(int8_t(data[3]))};
        const QString s = linkSettingsText(idx[0], idx[1], idx[2], idx[3]);
        if (linkSettingsComplete(idx[0], idx[1], idx[2], idx[3]) != parseLinkSettings(s).has_value())
            std::abort();
    }
    return 0;
}
