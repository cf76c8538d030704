#pragma once

#include <QByteArray>

#include <optional>

class QIODevice;

// Looks for the release marker "Release: " in windows of 14336 bytes that start every 7168
// bytes (so a marker across a window's end is found in the next one), holding one window at
// a time. The release is what follows "Release:" up to the first zero byte or the end of the
// file, without blanks at either end. Nothing when the marker is absent.
std::optional<QByteArray> findRelease(QIODevice& file);

constexpr qint64 kReleaseWindow = 14336;
constexpr qint64 kReleaseStep = 7168;
