#pragma once

#include <QCheckBox>

#include <functional>

class QComboBox;
class QRadioButton;
class QTableWidget;

// Check box whose value is 0 (unchecked), 1 (checked) or 2 (greyed, set only by the program).
// A click by the operator toggles between 0 and 1, never into the greyed state.
class CheckBox : public QCheckBox
{
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
};

// Assignments from the program run the control's reaction exactly once, as the operator's own
// choice would; Qt's signals are blocked meanwhile so nothing runs twice.
namespace controls {
using Reaction = std::function<void()>;

int checkValue(const QCheckBox& box);
// Values outside 0..2 are refused (false). The reaction runs when the value changed.
bool setCheckValue(QCheckBox& box, int value, const Reaction& click = {});

// Index -1 clears the selection; an index outside -1..count-1 is refused (false).
bool setListIndex(QComboBox& box, int index, const Reaction& click = {});

// Setting true selects the button (deselecting its siblings) and runs its reaction; setting
// false only deselects it.
void setOptionValue(QRadioButton& button, bool value, const Reaction& click = {});

// A table the operator reads and picks one row of: rows selected whole, nothing edited, compact
// rows, the last column to the edge.
QTableWidget* listTable(QWidget* parent, const char* name, int columns);

} // namespace controls
