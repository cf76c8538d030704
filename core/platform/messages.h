#pragma once

#include <QString>

enum class MessageIcon { Critical, Information };

// Messages the operator must take note of, each with a single OK button. show() returns once
// the operator has done so; a window face shows a modal box, so events run meanwhile.
class MessageBoxes
{
public:
    virtual ~MessageBoxes();
    virtual void show(const QString& text, const QString& title, MessageIcon icon) = 0;
};
