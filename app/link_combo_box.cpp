#include "app/link_combo_box.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QWheelEvent>

namespace {
bool isCharacterKey(const QKeyEvent* event)
{
    return !event->text().isEmpty() && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab;
}
} // namespace

LinkComboBox::LinkComboBox(QWidget* parent) : QComboBox(parent)
{
    // With the list open, keys go to the list, which would jump to an item matching a typed
    // character; Enter picks from the list. Filtered here before the list sees them.
    view()->installEventFilter(this);
}

void LinkComboBox::lockOnCharacter(QKeyEvent* event)
{
    // Locked before the key is handled: the key changes nothing (a plain QComboBox would
    // jump to an item starting with it).
    m_locked = true;
    emit keyPress(int(event->text().at(0).unicode()));
    event->accept();
}

bool LinkComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Enter and Escape carry a character too, but in the open list they pick or close.
        const bool listKey =
            key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape;
        if (isCharacterKey(key) && !listKey) {
            lockOnCharacter(key);
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void LinkComboBox::keyPressEvent(QKeyEvent* event)
{
    if (isCharacterKey(event)) {
        lockOnCharacter(event);
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
