#include "selection/release_search.h"

#include <QIODevice>

namespace {
const QByteArray kMarker = QByteArrayLiteral("Release: ");

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
    const qint64 size = file.size();
    for (qint64 start = 0; start < size; start += kReleaseStep) {
        if (!file.seek(start))
            return std::nullopt;
        const QByteArray window = file.read(kReleaseWindow);
        const qsizetype at = window.indexOf(kMarker);
        if (at >= 0) {
            // The text may run past this window: read on from the marker up to a zero byte.
            QByteArray text = window.mid(at);
            qsizetype zero = text.indexOf('\0');
            if (!file.seek(start + window.size()))
                return std::nullopt;
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
        if (start + window.size() >= size)
            break;
    }
    return std::nullopt;
}
