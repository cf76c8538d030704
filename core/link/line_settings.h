#pragma once

#include <QSerialPort>
#include <QString>
#include <QStringList>

#include <optional>

// The line parameters a serial port is opened with.
struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    bool operator==(const LineSettings&) const = default;

    // "9600,N,8,1"; stop bits "1", "1.5" or "2".
    QString text() const;
    // Bits on the line per character: start, data, parity and stop bits.
    double bitsPerCharacter() const;
};
// Any positive rate, parity N, E, O, M or S (either case), 5 to 8 data bits, 1, 1.5 or 2 stop bits.
std::optional<LineSettings> parseLineSettings(const QString& text);

// The items of the window's baud list. The sixth, shown as "57600", selects 56000 baud.
extern const QStringList kBaudItems;
// The line that the selected items of the window's four line lists give (baud, parity none/
// even/odd, data bits 8/7, stop bits 1/2); nothing when a list has no selection.
std::optional<LineSettings> offeredLine(int baudItem, int parityItem, int dataItem, int stopItem);
// The same from the items' text ("57600,N,8,1"); nothing for a line the lists do not offer.
std::optional<LineSettings> offeredLine(const QString& text);

// The one parallel port's name.
inline constexpr QLatin1String kParallelPort("LPT1");
// The port is the parallel one: no line, written as a printer's device, never asked.
inline bool isParallelPort(const QString& port)
{
    return port == kParallelPort;
}

// The link as the operator chose it: a serial port with its line, or the parallel port.
struct LinkChoice {
    QString port;                     // "COM1" to "COM10", "LPT1" or a serial device's path; empty: none chosen
    std::optional<LineSettings> line; // nothing when a line list has no selection
    QString path = {}; // the parallel device when it was chosen by its path (/dev/usb/lp0); empty: where LPT1 leads
    bool operator==(const LinkChoice&) const = default;
    bool parallel() const { return isParallelPort(port); }
    // The device the link leads to now.
    QString device() const;
};
