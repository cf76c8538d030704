#include "core/platform/wire_trace.h"

namespace wire_trace {
namespace {
Sink& sink()
{
    static Sink s;
    return s;
}
} // namespace

void setSink(Sink s)
{
    sink() = std::move(s);
}

void note(const QString& port, Direction direction, const QByteArray& bytes)
{
    if (sink() && !bytes.isEmpty())
        sink()(port, direction, bytes);
}
} // namespace wire_trace
