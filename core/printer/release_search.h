#pragma once

#include "core/platform/task.h"

#include <QByteArray>

#include <optional>

class Clock;
class QIODevice;

// Looks for the release marker "Release: " in windows of 14336 bytes that start every 7168
// bytes (so a marker across a window's end is found in the next one), holding one window at
// a time. The release is what follows "Release:" up to the first zero byte or the end of the
// file, without blanks at either end. Nothing when the marker is absent.
class ReleaseSearch
{
public:
    explicit ReleaseSearch(QIODevice& file);
    // Reads on, about `bytes` at most; true once the search has its answer.
    bool step(qint64 bytes);
    bool done() const { return m_done; }
    const std::optional<QByteArray>& release() const { return m_release; }

private:
    bool finish(std::optional<QByteArray> release);
    QIODevice& m_file;
    QByteArray m_window;
    qsizetype m_from = 0;
    bool m_started = false;
    bool m_done = false;
    std::optional<QByteArray> m_release;
};

// The whole search at once.
std::optional<QByteArray> findRelease(QIODevice& file);
// The search in steps, with the event loop between them: a large file's search stops at once
// when its job is cancelled.
Task<std::optional<QByteArray>> searchRelease(QIODevice& file, Clock& clock);

constexpr qint64 kReleaseWindow = 14336;
constexpr qint64 kReleaseStep = 7168;
// What a job searches between two turns of the event loop.
constexpr qint64 kReleaseSearchStep = 4 << 20;
