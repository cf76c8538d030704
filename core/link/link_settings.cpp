#include "core/link/link_settings.h"

#include <QStringList>

#include <array>

namespace {

const std::array<const char*, 6> kBaud = {"2400,", "4800,", "9600,", "19200,", "38400,", "56000,"};
const std::array<const char*, 3> kParity = {"N,", "E,", "O,"};
const std::array<const char*, 2> kData = {"8,", "7,"};
const std::array<const char*, 2> kStop = {"1", "2"};

template <std::size_t N> const char* fragment(const std::array<const char*, N>& list, int index)
{
    return (index >= 0 && index < int(N)) ? list[std::size_t(index)] : nullptr;
}

} // namespace

QString linkSettingsText(int baudIndex, int parityIndex, int dataIndex, int stopIndex)
{
    QString text;
    for (const char* f : {fragment(kBaud, baudIndex), fragment(kParity, parityIndex), fragment(kData, dataIndex),
                          fragment(kStop, stopIndex)})
        if (f)
            text += QLatin1String(f);
    return text;
}

bool linkSettingsComplete(int baudIndex, int parityIndex, int dataIndex, int stopIndex)
{
    return fragment(kBaud, baudIndex) && fragment(kParity, parityIndex) && fragment(kData, dataIndex) &&
           fragment(kStop, stopIndex);
}

std::optional<LineSettings> parseLinkSettings(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;
    const QString parity = parts[1].trimmed().toUpper();
    if (parity.size() != 1 || !QStringLiteral("NEOMS").contains(parity))
        return std::nullopt;
    s.parity = char(parity[0].toLatin1());
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return std::nullopt;
    s.stopBits = parts[3].trimmed();
    if (s.stopBits != QLatin1String("1") && s.stopBits != QLatin1String("1.5") && s.stopBits != QLatin1String("2"))
        return std::nullopt;
    return s;
}
