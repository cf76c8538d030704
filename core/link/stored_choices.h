#pragma once

#include "core/link/line_settings.h"

#include <QStringList>

// What the operator asked for when pressing DOWNLOAD.
struct DownloadRequest {
    QString path;
    int operation = 0;  // 0 firmware, 1 standard fonts, 2 external fonts, -1 none selected
    bool board = true;  // boot source: the board; else the RAM card
    int checkValue = 0; // the checksum box: 1 checked, 0 unchecked, 2 greyed
};

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
// The same with nothing stored: the built-in defaults.
StoredChoices builtInChoices();

// The items of the port list, as the window shows them.
extern const QStringList kPortItems;
