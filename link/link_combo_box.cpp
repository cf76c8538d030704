#include "link/link_combo_box.h"

#include <QKeyEvent>
#include <QWheelEvent>

LinkComboBox::LinkComboBox(QWidget* parent) : QComboBox(parent) {}

void LinkComboBox::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const bool character = !text.isEmpty() && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab;
    if (character) {
        // Locked before the key is handled: the key changes nothing (a plain QComboBox would
        // jump to an item starting with it).
        m_locked = true;
        emit keyPress(int(text.at(0).unicode()));
        event->accept();
        return;
    }
    if (m_locked && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void LinkComboBox::wheelEvent(QWheelEvent* event)
{
    if (m_locked) {
        event->accept();
        return;
    }
    QComboBox::wheelEvent(event);
}

void LinkComboBox::showPopup()
{
    emit dropDown();
    if (!(m_downloadShown && m_downloadShown()))
        m_locked = false;
    // A box still locked cannot be changed through its list: the list does not open.
    if (m_locked)
        return;
    QComboBox::showPopup();
}
