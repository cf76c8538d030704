#include "app/controls.h"

#include <QComboBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>

void CheckBox::nextCheckState()
{
    setTristate(false);
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

namespace controls {

int checkValue(const QCheckBox& box)
{
    switch (box.checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

bool setCheckValue(QCheckBox& box, int value, const Reaction& click)
{
    if (value < 0 || value > 2)
        return false;
    if (checkValue(box) == value)
        return true;
    {
        const QSignalBlocker block(box);
        if (value == 2) {
            box.setTristate(true);
            box.setCheckState(Qt::PartiallyChecked);
        } else {
            box.setTristate(false);
            box.setCheckState(value == 1 ? Qt::Checked : Qt::Unchecked);
        }
    }
    if (click)
        click();
    return true;
}

bool setListIndex(QComboBox& box, int index, const Reaction& click)
{
    if (index < -1 || index >= box.count())
        return false;
    {
        const QSignalBlocker block(box);
        box.setCurrentIndex(index);
    }
    if (click)
        click();
    return true;
}

void setOptionValue(QRadioButton& button, bool value, const Reaction& click)
{
    {
        const QSignalBlocker block(button);
        if (value) {
            button.setChecked(true);
        } else {
            // An exclusive button cannot be unchecked directly.
            const bool exclusive = button.autoExclusive();
            button.setAutoExclusive(false);
            button.setChecked(false);
            button.setAutoExclusive(exclusive);
        }
    }
    if (value && click)
        click();
}

QTableWidget* listTable(QWidget* parent, const char* name, int columns)
{
    auto* t = new QTableWidget(0, columns, parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

} // namespace controls
