#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class Clock;
class Download;
class DownloadWatch;
class Timer;
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
    ProgressDialog(QWidget* mainWindow, Download& download, Clock& clock, std::function<int()> language);
    ~ProgressDialog() override;

    QGroupBox* Downloading;
    QProgressBar* BarraTrasm;
    QPushButton* CancelButton;
    QLabel* Label1;
    // Under the status: what is going on and for how long (a wait's countdown; the bytes, the
    // rate and the time left).
    QLabel* timeLeft;
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
    void showTimeLeft();
    void load();

    QWidget* m_mainWindow;
    Download& m_download;
    std::function<int()> m_language;
    std::unique_ptr<DownloadWatch> m_watch;
    std::unique_ptr<Timer> m_countdown; // redraws the time left while a wait counts down
    // The bar and the time left are drawn at most every kRedraw seconds while bytes go: a redraw on
    // every 2-millisecond tick would cost the pacing its time. What comes between is drawn by
    // m_redraw at the end of the interval.
    static constexpr double kRedraw = 0.2;
    Clock& m_clock;
    std::unique_ptr<Timer> m_redraw;
    double m_drawnAt = -1;
    int m_drawnStage = 0; // a DownloadStage
    bool m_loaded = false;
    bool m_shown = false;
};
