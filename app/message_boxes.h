#pragma once

#include "texts/messages.h"

// Modal message boxes over the window that has the operator's attention.
class QtMessageBoxes : public MessageBoxes
{
public:
    using MessageBoxes::show;
    void show(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
              const QString& informative) override;
};
