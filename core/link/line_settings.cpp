#include "core/link/line_settings.h"

#include "core/link/port_names.h"

#include <array>

const QStringList kBaudItems = {"2400", "4800", "9600", "19200", "38400", "57600"};

namespace {

constexpr std::array<qint32, 6> kBaudValues = {2400, 4800, 9600, 19200, 38400, 56000};
constexpr std::array<QSerialPort::Parity, 3> kParityValues = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                                              QSerialPort::OddParity};
constexpr std::array<QSerialPort::DataBits, 2> kDataValues = {QSerialPort::Data8, QSerialPort::Data7};
constexpr std::array<QSerialPort::StopBits, 2> kStopValues = {QSerialPort::OneStop, QSerialPort::TwoStop};

struct ParityLetter {
    QSerialPort::Parity parity;
    char letter;
};
constexpr std::array<ParityLetter, 5> kParityLetters = {{{QSerialPort::NoParity, 'N'},
                                                         {QSerialPort::EvenParity, 'E'},
                                                         {QSerialPort::OddParity, 'O'},
                                                         {QSerialPort::MarkParity, 'M'},
                                                         {QSerialPort::SpaceParity, 'S'}}};

template <typename T, std::size_t N> std::optional<T> item(const std::array<T, N>& list, int index)
{
    if (index < 0 || index >= int(N))
        return std::nullopt;
    return list[std::size_t(index)];
}

} // namespace

QString LineSettings::text() const
{
    char letter = '?';
    for (const ParityLetter& p : kParityLetters)
        if (p.parity == parity)
            letter = p.letter;
    const char* stop = stopBits == QSerialPort::TwoStop ? "2" : stopBits == QSerialPort::OneAndHalfStop ? "1.5" : "1";
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(QLatin1Char(letter)).arg(int(dataBits)).arg(QLatin1String(stop));
}

double LineSettings::bitsPerCharacter() const
{
    const double stop = stopBits == QSerialPort::TwoStop ? 2 : stopBits == QSerialPort::OneAndHalfStop ? 1.5 : 1;
    return 1 + int(dataBits) + (parity == QSerialPort::NoParity ? 0 : 1) + stop;
}

std::optional<LineSettings> parseLineSettings(const QString& text)
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
    const auto letter = std::find_if(kParityLetters.begin(), kParityLetters.end(),
                                     [&](const ParityLetter& p) { return parity == QLatin1Char(p.letter); });
    if (letter == kParityLetters.end())
        return std::nullopt;
    s.parity = letter->parity;
    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8)
        return std::nullopt;
    s.dataBits = QSerialPort::DataBits(data);
    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return s;
}

std::optional<LineSettings> offeredLine(int baudItem, int parityItem, int dataItem, int stopItem)
{
    const auto baud = item(kBaudValues, baudItem);
    const auto parity = item(kParityValues, parityItem);
    const auto data = item(kDataValues, dataItem);
    const auto stop = item(kStopValues, stopItem);
    if (!baud || !parity || !data || !stop)
        return std::nullopt;
    return LineSettings{*baud, *parity, *data, *stop};
}

std::optional<LineSettings> offeredLine(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    return offeredLine(int(kBaudItems.indexOf(parts[0])), int(QStringList{"N", "E", "O"}.indexOf(parts[1].toUpper())),
                       int(QStringList{"8", "7"}.indexOf(parts[2])), int(QStringList{"1", "2"}.indexOf(parts[3])));
}

QString LinkChoice::device() const
{
    if (!parallel())
        return port_names::serialDeviceOf(port);
    return path.isEmpty() ? port_names::parallelDevice() : path;
}
