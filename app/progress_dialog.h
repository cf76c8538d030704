#pragma once

#include <QDialog>

#include <functional>

class Download;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class SerialControl;

// The modeless progress dialog, as the download drives it, with its captions. It is "loaded" on first use and
// "unloaded" by an abort; unloading returns it to its design-time state (a nested wait may
// still be running under it), and the next load places it again.
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

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    // Shows the download's dialog as it stands.
    void follow();

    QWidget* m_mainWindow;
    Download& m_download;
    std::function<int()> m_language;
    bool m_placed = false;
};
