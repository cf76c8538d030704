// Any bytes from the printer, arriving at any moment of a TEST run: each box shows its reply
// without the last character, or "??????" for none; the run ends with the port closed.
#include "app/interrogation_window.h"
#include "app/main_window.h"
#include "tests/support/test_env.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <cstdint>
#include <cstdlib>

namespace {
QApplication* g_app = nullptr;
Bench* g_bench = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_app = new QApplication(*argc, *argv);
    g_bench = new Bench;
    g_bench->load();
    g_bench->window->mnuInterroga_Click();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // First byte: when the replies come (tenths of the 0.4 s wait); the rest, split on '|'.
    const double delay = (data[0] % 6) * 0.1;
    const QList<QByteArray> replies =
        QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)).split('|');
    FakeSerialControl& port = *g_bench->testPort;
    const QByteArray commands[] = {"!0", "?54&10\r\n", "?54&4\r\n", "?54&12\r\n"};
    for (int i = 0; i < 4; ++i)
        port.answer(commands[i], i < replies.size() && !replies[i].isEmpty()
                                     ? QList<FakeSerialControl::Reply>{{replies[i], delay}}
                                     : QList<FakeSerialControl::Reply>{});
    port.writes.clear();
    InterrogationWindow& d = g_bench->window->interrogationWindow();
    d.cmdTest_Click();
    g_bench->clock.run(3); // the run, then whatever was late arrives and is dropped with the closed port
    if (port.isOpen() || d.TestRunning())
        std::abort();
    const bool answered = !replies.value(0).isEmpty() && delay < 0.4;
    if (!answered)
        return 0;
    // Replies that come in time are shown exactly; late ones may shift into the next box.
    if (delay >= 0.4)
        return 0;
    QLineEdit* boxes[] = {d.txtModel, d.txtRelease, d.txtFlash};
    for (int i = 0; i < 3; ++i) {
        const QByteArray r = replies.value(i + 1);
        const QString want = r.isEmpty() ? QStringLiteral("??????") : QString::fromLatin1(r.chopped(1));
        if (boxes[i]->text() != want)
            std::abort();
    }
    g_bench->messages.shown.clear();
    return 0;
}
