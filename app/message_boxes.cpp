#include "app/message_boxes.h"

#include "core/platform/lifetime.h"

#include <QMessageBox>

MessageBoxes::~MessageBoxes() = default;

void QtMessageBoxes::show(QWidget* parent, const QString& text, const QString& title, MessageIcon icon)
{
    if (lifetime::ending())
        return;
    QMessageBox box(icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Information, title, text,
                    QMessageBox::Ok, parent);
    box.exec();
}
