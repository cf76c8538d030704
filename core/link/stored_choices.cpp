#include "core/link/stored_choices.h"

#include "core/platform/settings_store.h"
#include "core/platform/stored_values.h"

#include <functional>

const QStringList kPortItems = {"COM1", "COM2", "COM3", "COM4",  "COM5", "COM6",
                                "COM7", "COM8", "COM9", "COM10", "LPT1"};

namespace {

StoredChoices choicesFrom(const std::function<QString(Setting)>& read)
{
    auto number = [&read](Setting setting) { return parseWholeNumber(read(setting)); };
    auto index = [&](Setting setting, int count, int otherwise) {
        const auto v = number(setting);
        return v && *v >= -1 && *v < count ? *v : otherwise;
    };
    StoredChoices c;
    c.language = number(Setting::Language).value_or(0);
    c.link.port = kPortItems.value(index(Setting::Port, int(kPortItems.size()), -1));
    c.link.line = offeredLine(index(Setting::Baud, int(kBaudItems.size()), -1),
                              index(Setting::Parity, 3, 0), // unusable: item 0, which the language selects
                              index(Setting::DataBits, 2, -1), index(Setting::StopBits, 2, -1));
    const auto operation = number(Setting::Operation);
    c.request.operation = operation && *operation >= 0 && *operation <= 2 ? Operation(*operation) : Operation::Firmware;
    c.request.boot = parseTruth(read(Setting::BootBoard)).value_or(true) ? Boot::Board : Boot::RamCard;
    const auto check = number(Setting::Check);
    c.request.checksum =
        c.request.boot == Boot::Board && check && *check >= 0 && *check <= 2 ? BoxValue(*check) : BoxValue::Unchecked;
    const auto turbo = number(Setting::Turbo);
    c.turbo = turbo && *turbo >= 0 && *turbo <= 2 ? *turbo : 0;
    c.request.path = read(Setting::File);
    return c;
}

} // namespace

StoredChoices readStoredChoices()
{
    SettingsStore store;
    return choicesFrom([&store](Setting setting) { return store.read(setting); });
}

StoredChoices builtInChoices()
{
    return choicesFrom([](Setting setting) { return QString::fromLatin1(kSettings[int(setting)].fallback); });
}
