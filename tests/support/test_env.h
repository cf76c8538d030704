#pragma once

#include "app/file_dialog.h"
#include "app/main_window.h"
#include "core/download/glob_var.h"
#include "core/platform/system_clock.h"
#include "tests/support/fake_serial_control.h"
#include "tests/support/recorders.h"
#include "tests/support/test_home.h"
#include "tests/support/virtual_clock.h"

#include <memory>

class ScriptedFileDialog : public FileDialog
{
public:
    struct Call {
        QString title;
        QString initialDir;
        QString filter;
    };
    QString getOpenFileName(QWidget* parent, const QString& title, const QString& initialDir,
                            const QString& filter) override;

    QStringList answers; // taken in order; none left = cancelled
    QList<Call> calls;
};

// The texts a label or a button showed each time it was really painted.
class PaintRecorder : public QObject
{
public:
    explicit PaintRecorder(QWidget* widget);
    bool eventFilter(QObject* watched, QEvent* event) override;

    QStringList painted;
};

// The real main window on the virtual clock with fake serial controls and recorders.
class Bench
{
public:
    Bench();
    ~Bench();
    // Builds the window and runs the start-up sequence.
    CARICA& load();

    TestHome home;
    VirtualClock clock;
    MessageRecorder messages{clock};
    ScriptedFileDialog fileDialog;
    GlobVar state;
    FakeSerialControl* downloadPort = nullptr; // MSComm1 of the progress dialog
    FakeSerialControl* mainPort = nullptr;     // MSComm1 of the main window
    FakeSerialControl* testPort = nullptr;     // MSComm1 of the interrogation window
    std::unique_ptr<CARICA> window;
};

// The real main window with the real clock and serial controls, for real links in real time.
class RealBench
{
public:
    // Builds the window with these stored "key=value" settings and runs the start-up sequence.
    CARICA& load(const QStringList& stored);
    // Waits, with events running, until a message has been shown.
    void waitForMessage(double limit);

    TestHome home;
    SystemClock clock;
    MessageRecorder messages{clock};
    ScriptedFileDialog fileDialog;
    GlobVar state;
    std::unique_ptr<CARICA> window;
};
