#pragma once

#include "link/link_settings.h"

class QLabel;

// The labels beside the four line-parameter boxes.
struct LinkLabels {
    QLabel* LabelBaud = nullptr;
    QLabel* LabelParita = nullptr;
    QLabel* LabelDati = nullptr;
    QLabel* LabelStop = nullptr;
};

// "LPT1" has no line parameters: choosing it greys out the four boxes and their labels, which
// keep their selections for when a COM port is chosen again.
void Porta_Click(const LinkBoxes& boxes, const LinkLabels& labels);
