#pragma once

#include "app/main_window_form.h"
#include "core/download/download.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class Clock;
class HistoryWindow;
class PortsWindow;
class UpdateWindow;
class ShopDialog;
class ProgressDialog;
class ServiceRecord;
class WindowRecord;
class Download;
class FileDialog;
class MessageBoxes;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;
class SelectionReactions;
class ReleaseCheck;
class InterrogationWindow;
class SerialControl;
class SettingsStore;
class Timer;

// What the main window works with besides its own controls.
struct Seams {
    Clock& clock;
    MessageBoxes& messages;
    FileDialog& fileDialog;
    // Makes the serial controls: the progress dialog's (downloads) and the main window's own.
    std::function<std::unique_ptr<SerialControl>()> makeSerialControl;
    // A question with Yes and No (true: Yes), and a path typed by hand; Qt's own dialogs when empty.
    std::function<bool(const QString& text)> ask = {};
    std::function<QString(const QString& prompt)> askPath = {};
    // Where to save a file; Qt's own dialog when empty.
    std::function<QString(const QString& title, const QString& suggested)> savePath = {};
    // Whether to go on with a download the operator is warned of (true: Continua); Qt's own box when empty.
    std::function<bool(const QString& text)> goOn = {};
    // The same with Qt's own dialogs, over the window that has the operator's attention, where one is empty.
    Seams withQtDialogs() const;
};

// The main window: the program lives as long as it is open.
class MainWindow : public QMainWindow, private MainWindowForm
{
    Q_OBJECT
public:
    explicit MainWindow(const Seams& seams, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence; run once before the window is first shown.
    void Form_Load();
    void ApplyLanguage();

    void StartTrasm_Click();
    void cmdExit_Click();
    void mnuItaliano_Click();
    void mnuInglese_Click();
    void mnuLoadDefault_Click();
    void mnuSaveDefault_Click();
    void mnuFactory_Click();
    void mnuInterroga_Click();
    void cmdCheckRelease_Click();

    Download& engine() { return *m_download; }
    // The string table's base the window speaks: 1000 Italian, 2000 English.
    int language() const { return m_language; }
    ProgressDialog& calcolo() { return *m_calcolo; }
    SerialControl& MSComm1() { return *m_comm; }
    InterrogationWindow& interrogationWindow() { return *m_frmPrTest; }
    PortsWindow& portsWindow() { return *m_ports; }
    HistoryWindow& historyWindow() { return *m_history; }
    UpdateWindow& updateWindow() { return *m_update; }
    // The ports window, unless a job runs.
    void openPortsWindow();
    // A download, a release check or an interrogation is under way.
    bool jobRunning() const;
    Timer& Timer1() { return *m_timer1; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectReactions();
    // Texts, items and states the window has when it is created.
    void setCreatedState();
    void applyStoredSettings(SettingsStore& store);
    void updateClockPanel();
    void selectPort(int index);
    void chooseLanguage(int base);
    void updateAccessibleNames();
    // The main window's job on this device, in words; empty when it has none there.
    QString jobOn(const QString& device) const;
    // False, and said, when the update window loads the printer on the chosen link now.
    bool linkFree();

    qint16 m_language = 0; // the string table's base: 1000 Italian, 2000 English; 0 until start-up sets it
    Seams m_seams;
    std::unique_ptr<SerialControl> m_downloadComm;
    std::unique_ptr<SerialControl> m_comm;
    std::unique_ptr<Timer> m_timer1;
    std::unique_ptr<SelectionReactions> m_selection;
    std::unique_ptr<SerialControl> m_testComm;
    std::unique_ptr<ReleaseCheck> m_releaseCheck;
    InterrogationWindow* m_frmPrTest = nullptr;
    Download* m_download = nullptr;
    ProgressDialog* m_calcolo = nullptr;
    PortsWindow* m_ports = nullptr;
    HistoryWindow* m_history = nullptr;
    UpdateWindow* m_update = nullptr;
    ShopDialog* m_shop = nullptr;
    // The service record of the window's jobs.
    WindowRecord* m_record = nullptr;
    std::optional<qint64> m_askingRecord, m_checkRecord;
    std::function<bool(const QString& text)> m_goOn;
    QTimer* m_clockTimer = nullptr;
};
