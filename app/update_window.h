#pragma once

#include "core/link/stored_choices.h"
#include "core/platform/task.h"
#include "core/update/update_job.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class FileDialog;
class MessageBoxes;
class PrinterProbe;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class SerialControl;
class Timer;
class WindowRecord;

// The update printers window: one firmware file into the printers ticked among COM1 to COM10,
// all at once, each asked before and after, through the core's update job. It shows each
// printer's phase and countdown and how it ended; its printers' jobs go into the service record
// as the command line's do.
class UpdateWindow : public QDialog
{
    Q_OBJECT
public:
    // What the main window has chosen when this window opens.
    struct MainChoices {
        QString file; // its firmware file; empty when it has another operation's
        QString line; // "57600,N,8,1"
        Pacing pacing = Pacing::Normal;
        Boot boot = Boot::Board;
        BoxValue checksum = BoxValue::Unchecked;
    };
    struct Hooks {
        Clock& clock;
        MessageBoxes& messages;
        FileDialog& fileDialog;
        WindowRecord& record;
        std::function<std::unique_ptr<SerialControl>()> makePort;
        std::function<MainChoices()> mainChoices;
        // The main window's job on this device, in words ("the main window's download"); empty
        // when it has none there.
        std::function<QString(const QString& device)> heldBy;
        // A question with Yes and No (true: Yes), and a warning to go on past (true: Continua).
        std::function<bool(const QString& text)> ask;
        std::function<bool(const QString& text)> goOn;
        // The string table's base the main window speaks, for the words of its boxes.
        std::function<int()> language;
    };
    static constexpr int kPorts = 10; // COM1 to COM10: the release is read back over a serial line only

    UpdateWindow(QWidget* mainWindow, Hooks hooks);
    ~UpdateWindow() override;

    bool running() const;
    // Whether a printer of the running update is on this device.
    bool holds(const QString& device) const;
    // Every printer stops where it is; their rows are completed.
    void cancelAll();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    struct Row;
    void applyLanguage();
    // The file's release, searched in steps; the start waits for it.
    void chooseFile(const QString& path);
    Task<> searchFile(QString path);
    void browse();
    void find();
    void start();
    void showRow(int row);
    void showAll();
    void enableControls();
    // Asks before a running update is stopped by closing; true when the window may close.
    bool mayClose();
    int rowOf(int printer) const;

    Hooks m_hooks;
    QGroupBox *m_fileGroup, *m_printersGroup, *m_choicesGroup;
    QLineEdit* m_file;
    QPushButton* m_browse;
    QLabel* m_fileRelease;
    std::array<std::unique_ptr<Row>, kPorts> m_rows;
    std::vector<QLabel*> m_headers;
    QCheckBox* m_turbo;
    QRadioButton* m_bootBoard;
    QRadioButton* m_bootRam;
    QCheckBox* m_checksum;
    QCheckBox* m_force;
    QCheckBox* m_refuseDowngrades;
    QPushButton* m_find;
    QLabel* m_summary;
    QPushButton* m_start;
    QPushButton* m_cancelAll;
    QPushButton* m_close;

    std::unique_ptr<Job> m_search;
    QString m_chosen;                    // the file searched last
    std::optional<QString> m_release;    // its release, once searched; empty when it has none
    std::function<QString()> m_fileSaid; // what the search says of it, worded again when the language changes
    QString m_line;                      // the main window's, as the update was started or the search asked
    std::unique_ptr<PrinterProbe> m_probe;
    std::unique_ptr<UpdateJob> m_job;
    std::vector<int> m_jobRows; // each printer's row
    std::unique_ptr<Timer> m_redraw;
    std::function<QString()> m_said; // the summary, worded again when the language changes
};
