#pragma once

#include "app/link_controls.h"

#include <QByteArray>
#include <QDialog>

#include <functional>

class Clock;
class MessageBoxes;
class QLabel;
class QLineEdit;
class QPushButton;
class SerialControl;

// The printer interrogation window: asks the printer on the selected serial port for its
// model, firmware release and flash data. Shown modally over the main window; "unloading"
// hides it and returns it to its design-time state, and the next opening loads it again.
class frmPrTest : public QDialog
{
    Q_OBJECT
public:
    frmPrTest(QWidget* mainWindow, const LinkBoxes& link, SerialControl& comm, Clock& clock, MessageBoxes& messages,
              std::function<int()> languageBase);

    // Loads (places, captions, link parameters) and shows the window modally.
    void load();
    void cmdTest_Click();
    void cmdEsci_Click();
    void CopyLinkSettings();

    bool TestRunning() const { return m_testRunning; }
    QByteArray ReplyBuffer;

    QLabel* lblModel;
    QLineEdit* txtModel;
    QLabel* lblRelease;
    QLineEdit* txtRelease;
    QLabel* lblFlash;
    QLineEdit* txtFlash;
    QPushButton* cmdTest;
    QPushButton* cmdEsci;
    SerialControl& MSComm1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void run();
    QString text(int n) const;
    void unload();

    QWidget* m_mainWindow;
    LinkBoxes m_link;
    Clock& m_clock;
    MessageBoxes& m_messages;
    std::function<int()> m_languageBase;
    bool m_testRunning = false;
    bool m_inRun = false;
};
