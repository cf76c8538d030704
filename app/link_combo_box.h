#pragma once

#include <QComboBox>

#include <functional>

// A link combo box with a lock: while locked it ignores keyboard input and changes of its
// selection. Any character key locks it (the key itself has no effect), with its list open or
// not; opening its list unlocks it unless a download is shown. Arrow keys type no character:
// in an unlocked box, or in the open list, they move the selection like a pick from the list.
class LinkComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit LinkComboBox(QWidget* parent = nullptr);

    bool locked() const { return m_locked; }
    void setLocked(bool locked) { m_locked = locked; }
    // Asked when the list is about to open: true while the progress dialog is shown.
    void setDownloadShown(std::function<bool()> shown) { m_downloadShown = std::move(shown); }

    void showPopup() override;

signals:
    void dropDown();
    void keyPress(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void lockOnCharacter(QKeyEvent* event);

    bool m_locked = false;
    std::function<bool()> m_downloadShown;
};
