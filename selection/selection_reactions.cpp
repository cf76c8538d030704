#include "selection/selection_reactions.h"

#include "platform/vb_controls.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void SelectionReactions::SelOperazione_Click(int index)
{
    m_c.ShowFile->clear();
    switch (index) {
    case 0:
        m_c.cmdCheckRelease->setEnabled(true);
        m_c.chkCheckSum->setEnabled(m_c.SelBoot[0]->isChecked());
        break;
    case 1:
        m_c.cmdCheckRelease->setEnabled(false);
        m_c.chkCheckSum->setEnabled(m_c.SelBoot[0]->isChecked());
        break;
    case 2:
        m_c.cmdCheckRelease->setEnabled(false);
        setCheckSum(0);
        m_c.chkCheckSum->setEnabled(false);
        break;
    default:
        break;
    }
}

void SelectionReactions::SelBoot_Click()
{
    if (m_c.SelBoot[0]->isChecked())
        m_c.chkCheckSum->setEnabled(true);
    if (m_c.SelBoot[1]->isChecked()) {
        setCheckSum(0);
        m_c.chkCheckSum->setEnabled(false);
    }
}

void SelectionReactions::chkCheckSum_Click()
{
    // The box cannot be checked while the RAM card is the boot source, not even by the program.
    if (m_c.SelBoot[1]->isChecked())
        setCheckSum(0);
}

void SelectionReactions::setOperation(int index)
{
    vb::setOptionValue(*m_c.SelOperazione[std::size_t(index)], true, [this, index] { SelOperazione_Click(index); });
}

void SelectionReactions::setBootBoard(bool board)
{
    vb::setOptionValue(*m_c.SelBoot[0], board, [this] { SelBoot_Click(); });
    vb::setOptionValue(*m_c.SelBoot[1], !board, [this] { SelBoot_Click(); });
}

bool SelectionReactions::setCheckSum(int value)
{
    return vb::setCheckValue(*m_c.chkCheckSum, value, [this] { chkCheckSum_Click(); });
}
