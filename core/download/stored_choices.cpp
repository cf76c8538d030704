#include "core/download/stored_choices.h"

#include "core/platform/settings_store.h"
#include "core/platform/stored_values.h"

const QStringList kPortItems = {"COM1", "COM2", "COM3", "COM4",  "COM5", "COM6",
                                "COM7", "COM8", "COM9", "COM10", "LPT1"};
const QStringList kBaudItems = {"2400", "4800", "9600", "19200", "38400", "57600"};

StoredChoices readStoredChoices()
{
    SettingsStore store;
    auto number = [&store](const char* key, const char* fallback) {
        return parseWholeNumber(store.read(QLatin1String(key), QLatin1String(fallback)));
    };
    auto index = [&](const char* key, const char* fallback, int count, int otherwise) {
        const auto v = number(key, fallback);
        return v && *v >= -1 && *v < count ? *v : otherwise;
    };
    StoredChoices c;
    c.language = number("Lingua", "1000").value_or(0);
    c.link.portIndex = index("Porta", "0", int(kPortItems.size()), -1);
    c.link.port = kPortItems.value(c.link.portIndex);
    c.link.baud = index("BaudRate", "1", int(kBaudItems.size()), -1);
    c.link.parity = index("Parity", "0", 3, 0); // unusable: item 0, which the language selects
    c.link.dataBits = index("DataBit", "0", 2, -1);
    c.link.stopBits = index("StopBit", "0", 2, -1);
    const auto operation = number("Operazione", "0");
    c.request.operation = operation && *operation >= 0 && *operation <= 2 ? *operation : 0;
    c.request.board = parseTruth(store.read(QStringLiteral("Boot0"), QStringLiteral("1"))).value_or(true);
    const auto check = number("Check", "0");
    c.request.checkValue = c.request.board && check && *check >= 0 && *check <= 2 ? *check : 0;
    const auto turbo = number("ChkTurbo", "0");
    c.turbo = turbo && *turbo >= 0 && *turbo <= 2 ? *turbo : 0;
    c.request.path = store.read(QStringLiteral("File"), QString());
    return c;
}
