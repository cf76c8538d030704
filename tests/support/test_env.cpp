#include "tests/support/test_env.h"

#include <QEvent>
#include <QWidget>

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

bool PaintRecorder::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        painted << watched->property("text").toString();
    return false;
}
