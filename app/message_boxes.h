#pragma once

#include "texts/messages.h"

class QMessageBox;
class QString;

// The width a title needs in a title bar, its buttons included.
int titleWidth(const QString& title);
// Makes the box at least as wide as its title needs.
void widenToTitle(QMessageBox& box);

// Modal message boxes over the window that has the operator's attention.
class QtMessageBoxes : public MessageBoxes
{
public:
    using MessageBoxes::show;
    void show(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
              const QString& informative) override;
};
