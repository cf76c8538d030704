#pragma once

#include <QByteArray>

// What velmora-cli writes leaves from a thread of its own, in the order it was put: a terminal
// or a pipe that nobody reads never stops a transfer, a timer or a signal. Lines are kept until
// the reader takes them; a redrawn line (a progress bar, the live lines) that has not gone out
// yet is replaced by the next redraw.
namespace output_sink {

enum class Stream { Out, Err };

void put(Stream stream, const QByteArray& bytes, bool redrawn = false);
// Waits until everything put has been written or the reader has gone, for at most `seconds`
// when given; false when that time ran out first. From here on a signal ends the program at
// once, with its status.
bool finish(double seconds = -1);
// True once finish() has begun: the signal handler then ends the program itself.
bool finishing();

} // namespace output_sink
