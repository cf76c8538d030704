#pragma once

#include <QString>

#include <optional>

#include <array>
#include <functional>

class FileDialog;
class QCheckBox;
class QWidget;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The reactions of the operation buttons, the boot-source buttons and the checksum box.
struct SelectionControls {
    std::array<QRadioButton*, 3> SelOperazione{};
    std::array<QRadioButton*, 2> SelBoot{};
    QCheckBox* chkCheckSum = nullptr;
    QLineEdit* ShowFile = nullptr;
    QPushButton* cmdCheckRelease = nullptr;
    QWidget* window = nullptr; // parent of the file dialog
    FileDialog* ApriFile = nullptr;
    std::function<bool()> downloadRuns; // the busy marker
};

// The file dialog's filter for the selected operation.
QString fileFilter(int operation);
// The folder the dialog opens in for the text of ShowFile, or nothing to keep the last one.
// Separators are the platform's; "/" is accepted everywhere.
std::optional<QString> initialFolder(const QString& showFile);
// The chosen path as ShowFile shows it: upper case where the file system ignores case (as on
// Windows), unchanged where it does not, so that the path still names the chosen file.
QString shownPath(const QString& chosen);

class SelectionReactions
{
public:
    explicit SelectionReactions(const SelectionControls& controls) : m_c(controls) {}

    void SelOperazione_Click(int index);
    void SelBoot_Click();
    void chkCheckSum_Click();
    void ButSfoglia_Click();
    QString initDir() const { return m_initDir; }
    // The window is rebuilt as created: the dialog remembers no folder.
    void forgetFolder() { m_initDir.clear(); }

    // Assignments from the program, each running the reaction as the operator's choice would.
    void setOperation(int index);
    void setBootBoard(bool board);
    bool setCheckSum(int value);

private:
    SelectionControls m_c;
    QString m_initDir; // ApriFile keeps the folder of the last choice while the window lives
};
