#pragma once

#include "app/main_window.h"
#include "core/download/glob_var.h"
#include "core/platform/system_clock.h"
#include "tests/support/fake_serial_control.h"
#include "tests/support/recorders.h"
#include "tests/support/virtual_clock.h"

#include <QTemporaryDir>

#include <memory>

// A private home for one test: settings store and ports folder in a temporary directory, so
// no test touches the real home folder.
class TestHome
{
public:
    TestHome();
    ~TestHome();
    QString path() const { return m_dir.path(); }
    QString portsFolder() const;
    // Points the link name (e.g. "COM3", "LPT1") at `target` through the ports folder.
    bool link(const QString& name, const QString& target) const;
    // Writes a file of the given bytes under the home; returns its path.
    QString file(const QString& name, const QByteArray& bytes) const;
    void store(const QString& key, const QString& value) const;
    QString stored(const QString& key) const;
    QStringList storedKeys() const;

private:
    QTemporaryDir m_dir;
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

// Random bytes of a given length, the same for the same seed.
QByteArray patternBytes(qint64 length, quint32 seed = 1);
