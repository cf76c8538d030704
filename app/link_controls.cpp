#include "app/link_controls.h"

#include "core/link/port_catalog.h"
#include "core/link/stored_choices.h"
#include "texts/cause_words.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>

#include <array>

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

void describePorts(QComboBox* Porta)
{
    const QList<port_catalog::Name> all = port_catalog::names();
    for (int i = 0; i < Porta->count() && i < all.size(); ++i) {
        const port_catalog::Name& n = all[i];
        QString text = n.device + QStringLiteral(": ") +
                       (n.state ? causeWords(n.state.cause) : QCoreApplication::translate("MainWindow", "usable"));
        Porta->setItemData(i, text, Qt::ToolTipRole);
        Porta->setItemData(i, text, Qt::AccessibleDescriptionRole);
    }
}

QString chosenLine(const LinkBoxes& b)
{
    const int parity = b.Parita->currentIndex();
    if (b.Baud->currentIndex() < 0 || parity < 0 || parity > 2 || b.BitDati->currentIndex() < 0 ||
        b.BitStop->currentIndex() < 0)
        return QStringLiteral("4800,N,8,1");
    return QStringLiteral("%1,%2,%3,%4")
        .arg(b.Baud->currentText(), QString(QStringLiteral("NEO")[parity]), b.BitDati->currentText(),
             b.BitStop->currentText());
}

void choosePrinter(const LinkBoxes& b, const QString& port, const QString& line)
{
    const QStringList part = line.split(',');
    if (part.size() != 4)
        return;
    // Each box set as a pick of its list: its reaction runs.
    const std::array<std::pair<QComboBox*, int>, 5> picks = {{
        {b.Porta, int(kPortItems.indexOf(port))},
        {b.Baud, b.Baud->findText(part[0])},
        {b.Parita, int(QStringLiteral("NEO").indexOf(part[1]))},
        {b.BitDati, b.BitDati->findText(part[2])},
        {b.BitStop, b.BitStop->findText(part[3])},
    }};
    for (const auto& [box, index] : picks)
        if (index >= 0) {
            box->setCurrentIndex(index);
            emit box->activated(index);
        }
}
