#pragma once

#include "app/link_controls.h"

#include <QByteArray>

#include <functional>

class Clock;
class MessageBoxes;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class SerialControl;

// What the firmware release check reads and writes on the main window.
struct ReleaseCheckControls {
    QWidget* window = nullptr; // its pointer shows the hourglass; parent of messages
    QLineEdit* ShowFile = nullptr;
    QRadioButton* SelOperazione0 = nullptr;
    LinkBoxes link;
    QLineEdit* txtFwFile = nullptr;
    QLineEdit* txtFwBoard = nullptr;
    QPushButton* cmdCheckRelease = nullptr;
    SerialControl* MSComm1 = nullptr;  // the main window's own control
    QByteArray* ReplyBuffer = nullptr; // filled by the main window's receive handler
    std::function<int()> languageBase;
};

// Shows the release written in the firmware file beside the one the printer reports.
class ReleaseCheck
{
public:
    ReleaseCheck(const ReleaseCheckControls& controls, Clock& clock, MessageBoxes& messages)
        : m_c(controls), m_clock(clock), m_messages(messages)
    {}

    void cmdCheckRelease_Click();
    bool running() const { return m_running; }

private:
    void run();
    void askPrinter();
    void message(int text, int title);
    bool ask(const QByteArray& command);

    ReleaseCheckControls m_c;
    Clock& m_clock;
    MessageBoxes& m_messages;
    bool m_running = false;
};
