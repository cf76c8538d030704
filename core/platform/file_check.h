#pragma once

#include "core/platform/cause.h"

#include <QString>

#include <limits>

// What stands at a path that a job is to read, in one place for every job and face: nothing
// wrong, or why it cannot be read as a file (missing, not a regular file, unreadable, empty, or
// more than `largest` bytes, in that order). Only a regular file is opened, and only to see
// that it can be: a FIFO would block the opening.
Failure checkFile(const QString& path, qint64 largest = std::numeric_limits<qint64>::max());
