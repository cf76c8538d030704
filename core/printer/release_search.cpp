#include "core/printer/release_search.h"

#include <QIODevice>

#include <string_view>

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

std::optional<QByteArray> findRelease(QIODevice& file)
{
    if (!file.seek(0))
        return std::nullopt;
    // Each window starts half a window after the last: its first half is the last one's second
    // half, kept in memory, so every byte is read once and only the new half (plus a marker's
    // length before it) is searched again.
    QByteArray window = file.read(kReleaseWindow);
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = indexOfMarker(window, from);
        if (at >= 0) {
            // The text may run past this window: read on from the marker up to a zero byte.
            QByteArray text = window.mid(at);
            qsizetype zero = text.indexOf('\0');
            while (zero < 0) {
                const QByteArray more = file.read(kReleaseStep);
                if (more.isEmpty())
                    break;
                const qsizetype z = more.indexOf('\0');
                text += z < 0 ? more : more.left(z);
                if (z >= 0)
                    zero = text.size();
            }
            if (zero >= 0)
                text.truncate(zero);
            return trimBlanks(text.mid(kMarker.size() - 1));
        }
        if (window.size() < kReleaseWindow)
            return std::nullopt; // this window reached the end of the file
        const QByteArray more = file.read(kReleaseStep);
        if (more.isEmpty())
            return std::nullopt;
        window.remove(0, kReleaseStep);
        from = qMax<qsizetype>(0, window.size() - (kMarker.size() - 1));
        window += more;
    }
}
