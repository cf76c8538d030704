#include "tests/support/test_env.h"

#include "core/link/qt_serial_control.h"

#include <QEvent>
#include <QWidget>

Bench::Bench() = default;

Bench::~Bench()
{
    window.reset();
}

CARICA& Bench::load()
{
    downloadPort = mainPort = testPort = nullptr;
    Seams seams{clock, messages, fileDialog, [this]() -> std::unique_ptr<SerialControl> {
                    auto port = std::make_unique<FakeSerialControl>(clock);
                    (!downloadPort ? downloadPort : !mainPort ? mainPort : testPort) = port.get();
                    return port;
                }};
    window = std::make_unique<CARICA>(state, seams);
    window->Form_Load();
    return *window;
}

CARICA& RealBench::load(const QStringList& stored)
{
    home.store(stored);
    Seams seams{clock, messages, fileDialog, [] { return std::make_unique<QtSerialControl>(); }};
    window = std::make_unique<CARICA>(state, seams);
    window->Form_Load();
    return *window;
}

void RealBench::waitForMessage(double limit)
{
    const double end = clock.now() + limit;
    while (messages.shown.isEmpty() && clock.now() < end)
        clock.waitSeconds(0.05);
}

QString ScriptedFileDialog::getOpenFileName(QWidget*, const QString& title, const QString& initialDir,
                                            const QString& filter)
{
    calls.append(Call{title, initialDir, filter});
    return answers.isEmpty() ? QString() : answers.takeFirst();
}

PaintRecorder::PaintRecorder(QWidget* widget)
{
    widget->installEventFilter(this);
}

bool PaintRecorder::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        painted << watched->property("text").toString();
    return false;
}
