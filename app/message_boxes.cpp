#include "app/message_boxes.h"

#include "app/main_window.h"
#include "texts/string_table.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

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

Seams Seams::withQtDialogs() const
{
    Seams s = *this;
    const auto over = [] { return QApplication::activeWindow(); };
    const auto title = [over] { return over() ? over()->windowTitle() : kAppTitle; };
    if (!s.ask)
        s.ask = [=](const QString& text) { return QMessageBox::question(over(), title(), text) == QMessageBox::Yes; };
    if (!s.askPath)
        s.askPath = [=](const QString& prompt) {
            return QInputDialog::getText(over(), title(), prompt, QLineEdit::Normal, QStringLiteral("/dev/"));
        };
    if (!s.savePath)
        s.savePath = [=](const QString& caption, const QString& suggested) {
            return QFileDialog::getSaveFileName(over(), caption, suggested, QStringLiteral("CSV (*.csv)"));
        };
    if (!s.goOn)
        s.goOn = [=](const QString& text) {
            QMessageBox box(QMessageBox::Warning, kAppTitle, text, QMessageBox::NoButton, over());
            QPushButton* goOn =
                box.addButton(QCoreApplication::translate("MainWindow", "Continue"), QMessageBox::AcceptRole);
            QPushButton* stop = box.addButton(QMessageBox::Cancel);
            box.setDefaultButton(stop);
            box.setEscapeButton(stop);
            box.exec();
            return box.clickedButton() == goOn;
        };
    return s;
}
