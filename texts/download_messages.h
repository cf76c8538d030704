#pragma once

#include "core/download/download.h"
#include "core/download/download_watch.h"

class MessageBoxes;

// What the window shows for a download's notice, in the language of `base`: the box's text,
// title and icon as they stand in the string table and the program's own messages, the cause in
// its details, and beside the end message that the line gave no account where it gave none.
void tellDownload(MessageBoxes& messages, int base, const DownloadNotice& notice);

// What a download is doing and for how long, on one short line: the countdown of a timed wait, or
// the bytes taken of the total, the rate and the time left. Empty when nothing runs.
QString statusText(const DownloadStatus& status);
// Seconds as a clock shows them: "0:07", "3:22", "1:02:05".
QString clockText(double seconds);
