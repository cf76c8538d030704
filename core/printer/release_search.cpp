#include "core/printer/release_search.h"

#include "core/platform/clock.h"

#include <QIODevice>

#include <string_view>
#include <utility>

namespace {
const QByteArray kMarker = QByteArrayLiteral("Release: ");

// std::string_view's search runs on memchr and memcmp: several times QByteArray::indexOf here.
qsizetype indexOfMarker(const QByteArray& window, qsizetype from)
{
    const std::string_view hay(window.constData(), std::size_t(window.size()));
    const std::size_t at =
        hay.find(std::string_view(kMarker.constData(), std::size_t(kMarker.size())), std::size_t(from));
    return at == std::string_view::npos ? -1 : qsizetype(at);
}

QByteArray trimBlanks(const QByteArray& text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.mid(begin, end - begin);
}
} // namespace

ReleaseSearch::ReleaseSearch(QIODevice& file) : m_file(file)
{
    if (!m_file.seek(0))
        finish(std::nullopt);
}

bool ReleaseSearch::finish(std::optional<QByteArray> release)
{
    m_release = std::move(release);
    m_window.clear();
    return m_done = true;
}

bool ReleaseSearch::step(qint64 bytes)
{
    if (m_done)
        return true;
    // Each window starts half a window after the last: its first half is the last one's second
    // half, kept in memory, so every byte is read once and only the new half (plus a marker's
    // length before it) is searched again.
    if (!std::exchange(m_started, true))
        m_window = m_file.read(kReleaseWindow);
    for (qint64 read = 0; read < bytes; read += kReleaseStep) {
        const qsizetype at = indexOfMarker(m_window, m_from);
        if (at >= 0) {
            // The text may run past this window: read on from the marker up to a zero byte.
            QByteArray text = m_window.mid(at);
            qsizetype zero = text.indexOf('\0');
            while (zero < 0) {
                const QByteArray more = m_file.read(kReleaseStep);
                if (more.isEmpty())
                    break;
                const qsizetype z = more.indexOf('\0');
                text += z < 0 ? more : more.left(z);
                if (z >= 0)
                    zero = text.size();
            }
            if (zero >= 0)
                text.truncate(zero);
            return finish(trimBlanks(text.mid(kMarker.size() - 1)));
        }
        if (m_window.size() < kReleaseWindow)
            return finish(std::nullopt); // this window reached the end of the file
        const QByteArray more = m_file.read(kReleaseStep);
        if (more.isEmpty())
            return finish(std::nullopt);
        m_window.remove(0, kReleaseStep);
        m_from = qMax<qsizetype>(0, m_window.size() - (kMarker.size() - 1));
        m_window += more;
    }
    return false;
}

std::optional<QByteArray> findRelease(QIODevice& file)
{
    ReleaseSearch search(file);
    while (!search.step(kReleaseSearchStep)) {
    }
    return search.release();
}

Task<std::optional<QByteArray>> searchRelease(QIODevice& file, Clock& clock)
{
    ReleaseSearch search(file);
    while (!search.step(kReleaseSearchStep))
        co_await clock.yieldNow();
    co_return search.release();
}
