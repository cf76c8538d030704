#pragma once

#include <array>

class QCheckBox;
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
};

class SelectionReactions
{
public:
    explicit SelectionReactions(const SelectionControls& controls) : m_c(controls) {}

    void SelOperazione_Click(int index);
    void SelBoot_Click();
    void chkCheckSum_Click();

    // Assignments from the program, each running the reaction as the operator's choice would.
    void setOperation(int index);
    void setBootBoard(bool board);
    bool setCheckSum(int value);

private:
    SelectionControls m_c;
};
