#pragma once

#include "core/download/download.h"

class MessageBoxes;

// What the window shows for a download's notice, in the language of `base`: the box's text,
// title and icon as they stand in the string table and the program's own messages, the cause in
// its details, and beside the end message that the line gave no account where it gave none.
void tellDownload(MessageBoxes& messages, int base, const DownloadNotice& notice);
