#pragma once

#include <QString>

#include <optional>

// The numbered string table: Italian texts at 1000 + n, English at 2000 + n.
constexpr int kItalian = 1000;
constexpr int kEnglish = 2000;

// Entry `number`, or nothing when the table lacks it.
std::optional<QString> stringEntry(int number);

// String n of the language `base` for the windows that look texts up when they show them. A base
// other than Italian or English (a stored language written outside the program) shows the
// Italian text, so no message or dialog is ever blank or shows an unrelated entry.
QString tableText(int base, int n);

// Numbers of the texts this program adds for faults the operator must be told about.
namespace msg {
constexpr int FileOpenFailed = 130;     // %1 path, %2 reason
constexpr int FileTooLarge = 131;       // %1 path, %2 size
constexpr int FileReadFailed = 132;     // %1 path, %2 reason
constexpr int LinkWriteFailed = 133;    // %1 device, %2 reason
constexpr int ParallelOpenFailed = 134; // %1 device, %2 reason
constexpr int LineStalled = 136;        // %1 bytes still queued
constexpr int FileShorter = 137;
constexpr int PortClosed = 138;
} // namespace msg
