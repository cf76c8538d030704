#pragma once

#include <QDialog>

#include <functional>

class Download;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class SerialControl;

// The modeless progress dialog, following the download's progress, with its captions. It is "loaded" on first
// use and "unloaded" by an abort or a failure; unloading returns it to its design-time state and closes its
// serial control, and the next load places it again.
class ProgressDialog : public QDialog
{
    Q_OBJECT
public:
    ProgressDialog(QWidget* mainWindow, Download& download, std::function<int()> language);

    QGroupBox* Downloading;
    QProgressBar* BarraTrasm;
    QPushButton* CancelButton;
    QLabel* Label1;
    SerialControl& MSComm1;

    // The dialog is shown. Asking loads it, as using it does.
    bool shown();
    void unload();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // Shows the download's progress as it stands.
    void follow();
    void load();

    QWidget* m_mainWindow;
    Download& m_download;
    std::function<int()> m_language;
    bool m_loaded = false;
    bool m_shown = false;
};
