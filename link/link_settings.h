#pragma once

#include <QString>

#include <optional>

class QComboBox;

// The five link boxes of the main window.
struct LinkBoxes {
    QComboBox* Porta = nullptr;
    QComboBox* Baud = nullptr;
    QComboBox* Parita = nullptr;
    QComboBox* BitDati = nullptr;
    QComboBox* BitStop = nullptr;
};

// The settings text from the four boxes' indices, fragment by fragment; an index without a
// fragment (no selection) contributes nothing. The sixth baud item, shown as "57600", selects
// 56000 baud.
QString linkSettingsText(int baudIndex, int parityIndex, int dataIndex, int stopIndex);
// True when every one of the four indices has a fragment.
bool linkSettingsComplete(int baudIndex, int parityIndex, int dataIndex, int stopIndex);

QString linkSettingsText(const LinkBoxes& boxes);
bool linkSettingsComplete(const LinkBoxes& boxes);
// Port number: selected index of Porta + 1 (0 when nothing is selected).
int linkPortNumber(const LinkBoxes& boxes);
// The link is the parallel port when Porta's text is exactly "LPT1".
bool isParallelLink(const LinkBoxes& boxes);

// A settings text taken apart: rate, parity letter, data bits, stop bits ("1", "1.5", "2").
struct LineSettings {
    int baud = 0;
    char parity = 'N';
    int dataBits = 8;
    QString stopBits = QStringLiteral("1");
    bool operator==(const LineSettings&) const = default;
};
std::optional<LineSettings> parseLinkSettings(const QString& text);
