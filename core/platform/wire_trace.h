#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Every byte that goes to a printer and comes from one, for a face that shows them (a raw trace
// for diagnosis, as the serial flashers have). Nothing is traced unless a sink is set.
namespace wire_trace {
enum class Direction { Sent, Received };
using Sink = std::function<void(const QString& port, Direction direction, const QByteArray& bytes)>;
void setSink(Sink sink);
void note(const QString& port, Direction direction, const QByteArray& bytes);
} // namespace wire_trace
