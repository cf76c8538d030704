#include "core/link/stored_choices.h"

#include "core/platform/settings_store.h"
#include "core/platform/stored_values.h"

#include <functional>

const QStringList kPortItems = {"COM1", "COM2", "COM3", "COM4",  "COM5", "COM6",
                                "COM7", "COM8", "COM9", "COM10", "LPT1"};

namespace {

StoredSettings settingsFrom(const std::function<QString(Setting)>& read)
{
    auto number = [&read](Setting setting) { return parseWholeNumber(read(setting)); };
    StoredSettings s;
    s.port = number(Setting::Port);
    s.baud = number(Setting::Baud);
    s.parity = number(Setting::Parity);
    s.dataBits = number(Setting::DataBits);
    s.stopBits = number(Setting::StopBits);
    s.operation = number(Setting::Operation);
    s.bootBoard = parseTruth(read(Setting::BootBoard));
    s.check = number(Setting::Check);
    s.turbo = number(Setting::Turbo);
    s.file = read(Setting::File);
    return s;
}

} // namespace

StoredSettings readStoredSettings(SettingsStore& store)
{
    return settingsFrom([&store](Setting setting) { return store.read(setting); });
}

void writeStoredSettings(SettingsStore& store, const StoredSettings& s)
{
    const auto number = [&store](Setting setting, const std::optional<int>& v) {
        store.write(setting, QString::number(v.value_or(-1)));
    };
    number(Setting::Port, s.port);
    number(Setting::Baud, s.baud);
    number(Setting::Parity, s.parity);
    number(Setting::DataBits, s.dataBits);
    number(Setting::StopBits, s.stopBits);
    number(Setting::Operation, s.operation);
    store.write(Setting::BootBoard, truthText(s.bootBoard.value_or(true)));
    number(Setting::Check, s.check);
    store.write(Setting::File, s.file);
    number(Setting::Turbo, s.turbo);
}

StoredChoices choicesOf(const StoredSettings& s)
{
    auto index = [](const std::optional<int>& v, int count, int otherwise) {
        return v && *v >= -1 && *v < count ? *v : otherwise;
    };
    auto box = [](const std::optional<int>& v) { return v && *v >= 0 && *v <= 2 ? BoxValue(*v) : BoxValue::Unchecked; };
    StoredChoices c;
    c.link.port = kPortItems.value(index(s.port, int(kPortItems.size()), -1));
    c.link.line = offeredLine(index(s.baud, int(kBaudItems.size()), -1),
                              index(s.parity, 3, 0), // unusable: item 0, which the language selects
                              index(s.dataBits, 2, -1), index(s.stopBits, 2, -1));
    c.request.operation =
        s.operation && *s.operation >= 0 && *s.operation <= 2 ? Operation(*s.operation) : Operation::Firmware;
    c.request.boot = s.bootBoard.value_or(true) ? Boot::Board : Boot::RamCard;
    c.request.checksum = c.request.boot == Boot::Board ? box(s.check) : BoxValue::Unchecked;
    c.turbo = box(s.turbo);
    c.request.path = s.file;
    return c;
}

StoredChoices readStoredChoices()
{
    SettingsStore store;
    return choicesOf(readStoredSettings(store));
}

StoredChoices builtInChoices()
{
    return choicesOf(
        settingsFrom([](Setting setting) { return QString::fromLatin1(kSettings[int(setting)].fallback); }));
}
