// Any text in any of the eleven stored keys: the window starts and loads, every box ends on an
// item or on none, one operation and one boot source stay selected.
#include "app/controls.h"
#include "app/main_window.h"
#include "core/platform/settings_store.h"
#include "tests/support/test_env.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
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
    for (const char* name : {"Porta", "Baud", "Parita", "BitDati", "BitStop"}) {
        const QComboBox* box = control<QComboBox>(&w, name);
        if (box->currentIndex() < -1 || box->currentIndex() >= box->count())
            std::abort();
    }
    int operations = 0;
    for (const char* name : {"SelOperazione0", "SelOperazione1", "SelOperazione2"})
        operations += control<QRadioButton>(&w, name)->isChecked();
    const bool board = control<QRadioButton>(&w, "SelBoot0")->isChecked();
    if (operations != 1 || board == control<QRadioButton>(&w, "SelBoot1")->isChecked())
        std::abort();
    if (!board && controls::checkValue(*control<QCheckBox>(&w, "chkCheckSum")) != 0)
        std::abort();
    return 0;
}
