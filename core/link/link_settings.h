#pragma once

#include <QString>

#include <optional>

// The settings text from the four boxes' indices, fragment by fragment; an index without a
// fragment (no selection) contributes nothing. The sixth baud item, shown as "57600", selects
// 56000 baud.
QString linkSettingsText(int baudIndex, int parityIndex, int dataIndex, int stopIndex);
// True when every one of the four indices has a fragment.
bool linkSettingsComplete(int baudIndex, int parityIndex, int dataIndex, int stopIndex);

// The link as the operator chose it: the port's text and the selected item of each of the five
// link lists (-1: no selection).
struct LinkChoice {
    QString port; // "COM1" to "COM10" or "LPT1"
    int portIndex = -1;
    int baud = -1;
    int parity = -1;
    int dataBits = -1;
    int stopBits = -1;

    // The parallel port is told by the port's text, exactly "LPT1".
    bool parallel() const { return port == QLatin1String("LPT1"); }
    // Port number: the selected index + 1 (0 when nothing is selected).
    int portNumber() const { return portIndex + 1; }
    QString settingsText() const { return linkSettingsText(baud, parity, dataBits, stopBits); }
    bool complete() const { return linkSettingsComplete(baud, parity, dataBits, stopBits); }
};

// A settings text taken apart: rate, parity letter, data bits, stop bits ("1", "1.5", "2").
struct LineSettings {
    int baud = 0;
    char parity = 'N';
    int dataBits = 8;
    QString stopBits = QStringLiteral("1");
    bool operator==(const LineSettings&) const = default;
};
std::optional<LineSettings> parseLinkSettings(const QString& text);
