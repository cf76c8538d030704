#pragma once

#include "app/file_dialog.h"
#include "app/main_window.h"
#include "tests/support/fake_serial_control.h"
#include "tests/support/test_home.h"

#include <QEvent>
#include <QWidget>

#include <memory>

// A control of a window by its objectName: the window keeps its controls to itself.
template <typename T> T* control(const QObject* window, const char* name)
{
    T* found = window->findChild<T*>(QLatin1String(name));
    Q_ASSERT_X(found, "control", name);
    return found;
}
template <typename T> T* control(const QObject* window, const QString& name)
{
    return control<T>(window, name.toLatin1().constData());
}

class ScriptedFileDialog : public FileDialog
{
public:
    QString getOpenFileName(QWidget*, const QString& title, const QString& initialDir, const QString& filter) override
    {
        calls << title + ' ' + initialDir + ' ' + filter;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QStringList answers; // taken in order; none left = cancelled
    QStringList calls;   // "title initial-folder filter"
};

// The texts a label or a button showed each time it was really painted.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted << watched->property("text").toString();
        return false;
    }
    QStringList painted;
};

// The real main window on the virtual clock with fake serial controls and recorders.
struct Bench {
    // Builds the window and runs the start-up sequence.
    MainWindow& load()
    {
        Seams seams{clock,
                    messages,
                    fileDialog,
                    [this]() -> std::unique_ptr<SerialControl> {
                        if (testPort && morePorts) // the update window's printers
                            return morePorts();
                        auto port = std::make_unique<FakeSerialControl>(clock);
                        if (testPort) { // a search for the printer's: a printer at 9600 on each
                            port->answer("!0", {{"?", 0.05}});
                            port->answer("?54&10\r\n", {{"PX-9\r", 0.1}});
                            port->answersAtBaud = 9600;
                            probePorts << port.get();
                        } else
                            (!downloadPort ? downloadPort : !mainPort ? mainPort : testPort) = port.get();
                        return port;
                    },
                    [this](const QString& text) { return asked << text, answerYes; },
                    [this](const QString&) { return typedPath; },
                    [this](const QString&, const QString&) { return savedPath; },
                    [this](const QString& text) { return warned << text, goOn; }};
        window = std::make_unique<MainWindow>(seams);
        window->Form_Load();
        return *window;
    }

    TestHome home;
    VirtualClock clock;
    MessageRecorder messages{clock};
    ScriptedFileDialog fileDialog;
    FakeSerialControl* downloadPort = nullptr; // MSComm1 of the progress dialog
    FakeSerialControl* mainPort = nullptr;     // MSComm1 of the main window
    FakeSerialControl* testPort = nullptr;     // MSComm1 of the interrogation window
    QList<FakeSerialControl*> probePorts;      // the ports window's search, one a port
    std::function<std::unique_ptr<SerialControl>()> morePorts; // in place of those, when set
    QStringList asked;                         // the questions, answered with answerYes
    bool answerYes = false;
    QStringList warned; // the warnings before a download, answered with goOn
    bool goOn = true;
    QString typedPath; // what the operator types as a device path
    QString savedPath; // where the operator saves a file
    std::unique_ptr<MainWindow> window;
};
