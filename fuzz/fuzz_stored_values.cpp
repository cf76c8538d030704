// Any text in any of the eleven stored keys: the window starts and loads, every box ends on an
// item or on none, one operation and one boot source stay selected.
#include "app/controls.h"
#include "app/main_window.h"
#include "core/platform/settings_store.h"
#include "tests/support/test_env.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>

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
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<QByteArray> values = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\n');
    for (int i = 0; i < int(std::size(kSettings)) && i < values.size(); ++i)
        g_bench->home.store(QLatin1String(kSettings[i].key), QString::fromLatin1(values[i]));
    MainWindow& w = *g_bench->window;
    w.Form_Load();
    w.mnuLoadDefault_Click();
    for (QComboBox* box :
         {static_cast<QComboBox*>(w.Porta), static_cast<QComboBox*>(w.Baud), static_cast<QComboBox*>(w.Parita),
          static_cast<QComboBox*>(w.BitDati), static_cast<QComboBox*>(w.BitStop)})
        if (box->currentIndex() < -1 || box->currentIndex() >= box->count())
            std::abort();
    int operations = 0;
    for (auto* b : w.SelOperazione)
        operations += b->isChecked();
    if (operations != 1 || w.SelBoot[0]->isChecked() == w.SelBoot[1]->isChecked())
        std::abort();
    if (w.SelBoot[1]->isChecked() && controls::checkValue(*w.chkCheckSum) != 0)
        std::abort();
    return 0;
}
