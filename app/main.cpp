#include "app/file_dialog.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/system_clock.h"
#include "core/platform/version.h"
#include "core/record/shop_record.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    // Answered before any window or display is needed: a script may ask on a machine without one.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("velmora %s\n", version::kText);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: velmora [--version] [Qt's own options]\n\nThe window of Velmora, the printer "
                        "service tool: firmware and fonts into a printer over COM1 to COM10 or LPT1. velmora-cli is "
                        "the same from a terminal; man velmora tells more.\n");
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    // The file version's form: major.minor.0.revision.
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.0.%3").arg(version::kMajor).arg(version::kMinor).arg(version::kRevision));
    QApplication::setDesktopFileName(QStringLiteral("velmora"));

    SystemClock clock;
    QtMessageBoxes messages;
    QtFileDialog fileDialog;
    Seams seams{clock, messages, fileDialog, [] { return std::make_unique<QtSerialControl>(); }};
    const int status = [&] {
        MainWindow window(seams);
        window.Form_Load();
        window.show();
        return app.exec();
    }();
    // A sender to the shop's record left waiting on the network ends with the program, before any
    // static destructor runs under it.
    if (shop_record::Sender::abandoned())
        std::_Exit(status);
    return status;
}
