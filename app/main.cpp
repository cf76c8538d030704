#include "app/file_dialog.h"
#include "app/main_window.h"
#include "app/message_boxes.h"
#include "core/link/qt_serial_control.h"
#include "core/platform/system_clock.h"
#include "core/platform/version.h"

#include <QApplication>

int main(int argc, char** argv)
{
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
    MainWindow window(seams);
    window.Form_Load();
    window.show();
    return app.exec();
}
