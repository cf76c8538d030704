#pragma once

#include "core/link/line_settings.h"

class QComboBox;
class QLabel;

// The five link boxes of the main window.
struct LinkBoxes {
    QComboBox* Porta = nullptr;
    QComboBox* Baud = nullptr;
    QComboBox* Parita = nullptr;
    QComboBox* BitDati = nullptr;
    QComboBox* BitStop = nullptr;
};

// What the boxes show now.
LinkChoice linkChoice(const LinkBoxes& boxes);
inline bool isParallelLink(const LinkBoxes& boxes)
{
    return linkChoice(boxes).parallel();
}

// The labels beside the four line-parameter boxes.
struct LinkLabels {
    QLabel* LabelBaud = nullptr;
    QLabel* LabelParita = nullptr;
    QLabel* LabelDati = nullptr;
    QLabel* LabelStop = nullptr;
};

// The line the boxes offer now, as "4800,N,8,1" (that one while a box has no selection).
QString chosenLine(const LinkBoxes& boxes);
// A port and its line ("57600,N,8,1") into the boxes, as the operator's picks would: each box's
// reaction runs.
void choosePrinter(const LinkBoxes& boxes, const QString& port, const QString& line);
// Each Port item's tooltip and accessible description: where it leads and its state.
void describePorts(QComboBox* porta);

// "LPT1" has no line parameters: choosing it greys out the four boxes and their labels, which
// keep their selections for when a COM port is chosen again.
void Porta_Click(const LinkBoxes& boxes, const LinkLabels& labels);
