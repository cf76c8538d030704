#include "app/link_controls.h"

#include <QComboBox>
#include <QLabel>

namespace {
int indexOf(const QComboBox* box)
{
    return box ? box->currentIndex() : -1;
}
} // namespace

LinkChoice linkChoice(const LinkBoxes& b)
{
    return LinkChoice{b.Porta && b.Porta->currentIndex() >= 0 ? b.Porta->currentText() : QString(),
                      offeredLine(indexOf(b.Baud), indexOf(b.Parita), indexOf(b.BitDati), indexOf(b.BitStop))};
}

void Porta_Click(const LinkBoxes& boxes, const LinkLabels& labels)
{
    const bool serial = !isParallelLink(boxes);
    for (QWidget* w : {static_cast<QWidget*>(boxes.Baud), static_cast<QWidget*>(boxes.Parita),
                       static_cast<QWidget*>(boxes.BitDati), static_cast<QWidget*>(boxes.BitStop),
                       static_cast<QWidget*>(labels.LabelBaud), static_cast<QWidget*>(labels.LabelParita),
                       static_cast<QWidget*>(labels.LabelDati), static_cast<QWidget*>(labels.LabelStop)})
        w->setEnabled(serial);
}
