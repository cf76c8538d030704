#pragma once

#include "core/update/update_job.h"

#include <QString>

// One printer of an update in words, for every face: what it is doing or how it ended.
// `release` is the file's; `loading` what its load says now (the countdown, or the bytes and the
// time left, else its phase), empty for "loading".
QString updateStateWords(const PrinterUpdate& printer, const QString& release, const QString& loading);

// The same for a printer of a running job as it stands now: while it loads, its countdown or its
// bytes and the time left, else `phase` (what its load said last, for a face that keeps it).
QString updateStateWords(UpdateJob& job, int printer, const QString& phase = {});
