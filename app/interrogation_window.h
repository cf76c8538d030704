#pragma once

#include "app/link_controls.h"
#include "core/printer/interrogation.h"

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
class InterrogationWindow : public QDialog
{
    Q_OBJECT
public:
    InterrogationWindow(QWidget* mainWindow, const LinkBoxes& link, SerialControl& comm, Clock& clock,
                        MessageBoxes& messages, std::function<int()> languageBase);

    // Loads (places, captions, link parameters) and shows the window modally.
    void load();
    void cmdTest_Click();
    void cmdEsci_Click();
    void CopyLinkSettings();

    bool TestRunning() const { return m_interrogation.testRunning(); }
    bool running() const { return m_interrogation.inRun(); }
    // The program ends: a running interrogation stops where it is.
    void cancelRun() { m_interrogation.cancel(); }
    Interrogation& interrogation() { return m_interrogation; }

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
    QString text(int n) const;
    void unload();

    QWidget* m_mainWindow;
    LinkBoxes m_link;
    LinkChoice m_linkAtLoad; // the main window's link when this window was loaded
    std::function<int()> m_languageBase;
    MessageBoxes& m_messages;
    Interrogation m_interrogation;
};
