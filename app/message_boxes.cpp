#include "app/message_boxes.h"

#include <QApplication>
#include <QMessageBox>

void QtMessageBoxes::show(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
                          const QString& informative)
{
    if (silenced)
        return;
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    QMessageBox box(icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Information, title, text,
                    QMessageBox::Ok, parent);
    if (!informative.isEmpty())
        box.setInformativeText(informative);
    if (!detail.isEmpty())
        box.setDetailedText(detail);
    box.exec();
}
