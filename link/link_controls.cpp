#include "link/link_controls.h"

#include <QComboBox>
#include <QLabel>

void Porta_Click(const LinkBoxes& boxes, const LinkLabels& labels)
{
    const bool serial = !isParallelLink(boxes);
    for (QWidget* w : {static_cast<QWidget*>(boxes.Baud), static_cast<QWidget*>(boxes.Parita),
                       static_cast<QWidget*>(boxes.BitDati), static_cast<QWidget*>(boxes.BitStop),
                       static_cast<QWidget*>(labels.LabelBaud), static_cast<QWidget*>(labels.LabelParita),
                       static_cast<QWidget*>(labels.LabelDati), static_cast<QWidget*>(labels.LabelStop)})
        w->setEnabled(serial);
}
