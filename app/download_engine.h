#pragma once

#include "core/download/file_channels.h"
#include "core/download/glob_var.h"
#include "app/link_controls.h"
#include "core/platform/string_table.h"

#include <QObject>

#include <array>
#include <memory>
#include <optional>

class Calcolo;
class Clock;
class MessageBoxes;
class QCheckBox;
class QLineEdit;
class QRadioButton;
class QWidget;
class SerialControl;
class Timer;

// The main window's controls the download engine reads and writes.
struct DownloadControls {
    QWidget* window = nullptr; // parent of messages; the dialog is placed from its corner
    QLineEdit* ShowFile = nullptr;
    LinkBoxes link;
    std::array<QRadioButton*, 3> SelOperazione{};
    std::array<QRadioButton*, 2> SelBoot{};
    QCheckBox* chkCheckSum = nullptr;
    QCheckBox* chkTurbo = nullptr;
    Timer* Timer1 = nullptr;
};

// The download command, the timed transfer pump, the external-font transfer and the abort.
//
// Every wait lets other handlers run, including an abort, the end of the program or a new
// download. Each download therefore carries a generation number, and code resuming after a
// wait goes on only while its own download is still the one running.
class DownloadEngine : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxExternalFonts = 3014656;
    static constexpr qint64 kFirstPartMax = 1376256;
    // How long the line may show no progress before the printer counts as not taking the
    // data: at least 10 s, and the time 8 KiB take at the line rate, since drivers and
    // pseudo-terminals report their queue in steps of up to a few kilobytes.
    static double drainStallSeconds(const QString& settings);

    DownloadEngine(const DownloadControls& controls, GlobVar& state, Clock& clock, MessageBoxes& messages,
                   SerialControl& downloadPort, QObject* parent = nullptr);
    ~DownloadEngine() override;

    void StartTrasm_Click();
    void Timer1_Timer();
    void SendExternalFonts();
    void CancelButton_Click();

    // The progress dialog, loaded on first use.
    Calcolo& calcolo();
    // The busy marker; reading it never shows the dialog.
    bool busy() const;
    FileChannels& files() { return m_files; }

    // The program ends: stop at once, drop queued data, close every file and the port.
    void endProgram();

private:
    bool running(quint64 generation) const;
    bool current(quint64 generation) const;
    int checkValue(const QCheckBox* box) const;
    bool turbo() const;
    QString text(int n) const;
    QString text(Msg m) const;
    void showMessage(const QString& text, const QString& title, bool critical);
    // Ends a download that cannot go on: everything closed, dialog hidden, one message.
    void abandon(const QString& message);
    void reportLinkFailure(const QString& reason);
    bool sendToLink(const QByteArray& data, bool parallel, quint64 generation);
    // Waits until the serial line has taken every queued byte; false if it could not.
    bool drainSerial(quint64 generation);
    void startDialog(qint32 max);
    bool openParallel();
    void reportPortRefused();
    std::optional<QByteArray> readChunk(qint32 n);
    // String 102, the 25-second wait, the port closed, the end message, the dialog hidden.
    void endSequence(quint64 generation);
    bool sendExternalHeader(const QByteArray& header, bool parallel, quint64 generation);
    bool sendExternalPart(qint32 partLength, qint32 progressBase, int chunkSize, bool parallel, quint64 generation);

    DownloadControls m_c;
    GlobVar& m_g;
    Clock& m_clock;
    MessageBoxes& m_messages;
    SerialControl& m_port;
    Calcolo* m_calcolo; // owned by the main window, like every window of the program
    FileChannels m_files;
    quint64 m_generation = 0;
    bool m_dataOut = false; // the running download has put all its data on the line
};
