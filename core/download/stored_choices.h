#pragma once

#include "core/download/download.h"

// The window's stored choices as DOWNLOAD would read them right after start-up: a value that
// cannot be applied leaves what start-up would leave (no selection in a list, FIRMWARE, the
// board, an unchecked box), and a checksum is never asked for with the RAM card.
struct StoredChoices {
    int language = 0; // 0 when the stored "Lingua" is no number
    LinkChoice link;
    DownloadRequest request;
    int turbo = 0;
};
StoredChoices readStoredChoices();

// The items of the port and baud lists, as the window shows them.
extern const QStringList kPortItems;
extern const QStringList kBaudItems;
