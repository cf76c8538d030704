#include "app/selection_reactions.h"

#include "app/controls.h"
#include "app/file_dialog.h"

#include <QDir>

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
    controls::setOptionValue(*m_c.SelOperazione[std::size_t(index)], true,
                             [this, index] { SelOperazione_Click(index); });
}

void SelectionReactions::setBootBoard(bool board)
{
    controls::setOptionValue(*m_c.SelBoot[0], board, [this] { SelBoot_Click(); });
    controls::setOptionValue(*m_c.SelBoot[1], !board, [this] { SelBoot_Click(); });
}

bool SelectionReactions::setCheckSum(int value)
{
    return controls::setCheckValue(*m_c.chkCheckSum, value, [this] { chkCheckSum_Click(); });
}

QString fileFilter(int operation)
{
    switch (operation) {
    case 0:
        return QStringLiteral("Download Firmware (*.BIN)|*.BIN");
    case 1:
        return QStringLiteral("Download FONT (*.SHF)|*.SHF");
    default:
        return QStringLiteral("Download FONT ESTERNI (*.SHC)|*.SHC");
    }
}

namespace {
qsizetype lastSeparator(const QString& path)
{
    return qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QDir::separator()));
}
} // namespace

std::optional<QString> initialFolder(const QString& showFile)
{
    if (showFile.isEmpty())
        return std::nullopt;
    if (!showFile.right(4).toUpper().endsWith(QLatin1String(".BIN")))
        return showFile;
    // A firmware file: its folder. A name without any folder (typed by hand) keeps the last.
    const qsizetype cut = lastSeparator(showFile);
    if (cut < 0)
        return std::nullopt;
    return showFile.left(cut);
}

QString shownPath(const QString& chosen)
{
    const QString native = QDir::toNativeSeparators(chosen);
#ifdef Q_OS_WIN
    return native.toUpper();
#else
    return native;
#endif
}

void SelectionReactions::ButSfoglia_Click()
{
    if (m_c.downloadRuns && m_c.downloadRuns())
        return;
    int operation = 2;
    if (m_c.SelOperazione[0]->isChecked())
        operation = 0;
    else if (m_c.SelOperazione[1]->isChecked())
        operation = 1;
    if (auto folder = initialFolder(m_c.ShowFile->text()))
        m_initDir = *folder;
    const QString fileName =
        m_c.ApriFile->getOpenFileName(m_c.window, QStringLiteral("Apri File..."), m_initDir, fileFilter(operation));
    if (fileName.isEmpty())
        return;
    const qsizetype cut = lastSeparator(fileName);
    m_initDir = fileName.left(cut + 1);
    m_c.ShowFile->setText(shownPath(fileName));
}
