#pragma once

#include <QByteArray>
#include <QtGlobal>

// The download state shared by the download command, the transfer engines, the link opening
// and the start-up sequence. One instance lives as long as the program.
struct GlobVar {
    qint32 FileLength = 0;    // bytes of the source file
    qint32 BytesSent = 0;     // of the whole file (timed transfer) or of the current part (external fonts)
    QByteArray HeaderText;    // header command sent ahead of the data; empty = none
    bool TickFlag = false;    // pacing flag of the external-font transfer, set by a Timer1 tick
    bool PortError = false;   // the last opening of the download port failed
    qint16 TransferState = 0; // 0 idle, 1 timed transfer, 2 external fonts waiting for a tick
    qint16 LanguageBase = 0;  // 1000 Italian, 2000 English
};
