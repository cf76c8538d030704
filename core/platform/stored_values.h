#pragma once

#include <QString>

#include <optional>

// Stored texts as the program reads them. A text that is not a number is unusable; decimals
// round to the nearest whole number (halves to even); values are 16-bit.
std::optional<int> parseWholeNumber(const QString& text);
// "True" / "False" in any letter case, or a number: 0 is false, any other number true.
std::optional<bool> parseTruth(const QString& text);
QString truthText(bool value);
