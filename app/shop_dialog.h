#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// Where the shop's record is: its PostgreSQL URI typed, tried ("Prova") without waiting on the
// network, and kept. The password is never asked for nor kept: libpq finds it in ~/.pgpass.
class ShopDialog : public QDialog
{
    Q_OBJECT
public:
    // `changed` runs once the stored address changed (a sender to start or stop).
    ShopDialog(QWidget* mainWindow, std::function<void()> changed);

    void applyLanguage();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void test();
    void save();
    void say(std::function<QString()> words);

    QLineEdit* m_uri;
    QLabel* m_state;
    QPushButton *m_test, *m_save, *m_close;
    std::function<void()> m_changed;
    std::function<QString()> m_said;
    int m_tests = 0;
};
