#include "app/file_dialog.h"

#include <QFileDialog>

FileDialog::~FileDialog() = default;

QString QtFileDialog::getOpenFileName(QWidget* parent, const QString& title, const QString& initialDir,
                                      const QString& filter)
{
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    const QString description = bar < 0 ? filter : filter.left(bar);
    // The non-native dialog behaves the same on every platform and can be driven in tests.
    QFileDialog dialog(parent, title, initialDir, description);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
