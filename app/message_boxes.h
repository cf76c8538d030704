#pragma once

#include <QString>

class QWidget;

enum class MessageIcon { Critical, Information };

// Modal message boxes with a single OK button.
class MessageBoxes
{
public:
    virtual ~MessageBoxes();
    virtual void show(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) = 0;
};

class QtMessageBoxes : public MessageBoxes
{
public:
    void show(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) override;
};
