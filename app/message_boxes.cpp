#include "app/message_boxes.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>

namespace {
// Room a title bar takes beside its text: the window's icon and its buttons.
constexpr int kTitleBarRoom = 160;
} // namespace

int titleWidth(const QString& title)
{
    QFont font = QApplication::font();
    font.setBold(true); // title bars draw their text bold and somewhat larger
    font.setPointSizeF(font.pointSizeF() * 1.2);
    return QFontMetrics(font).horizontalAdvance(title) + kTitleBarRoom;
}

void widenToTitle(QMessageBox& box)
{
    // The box sizes itself to its texts; a short text under a long title would have the window
    // manager cut the title ("Down... nded").
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleWidth(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

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
    widenToTitle(box);
    box.exec();
}
