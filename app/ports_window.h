#pragma once

#include "core/link/port_catalog.h"
#include "core/printer/printer_probe.h"

#include <QDialog>

#include <functional>
#include <memory>

class Clock;
class MessageBoxes;
class QLabel;
class QPushButton;
class QTableWidget;
class SerialControl;
class Timer;

// The ports window: where COM1 to COM10 and LPT1 lead and whether each can be used, the devices
// found on the machine, a name given to a device or taken back, and the printer found by asking
// every usable port. It follows adapters plugged in and pulled out while it is open.
class PortsWindow : public QDialog
{
    Q_OBJECT
public:
    struct Hooks {
        Clock& clock;
        MessageBoxes& messages;
        std::function<std::unique_ptr<SerialControl>()> makePort;
        // The main window's line, as its lists offer it ("4800,N,8,1").
        std::function<QString()> chosenLine;
        // Puts a port and its line into the main window's boxes, as the operator's picks would.
        std::function<void(const QString& port, const QString& line)> choose;
        // A question with Yes and No: true for Yes.
        std::function<bool(const QString& text)> ask;
        // A device path typed by hand; empty when none was given.
        std::function<QString(const QString& prompt)> askPath;
    };
    PortsWindow(QWidget* mainWindow, Hooks hooks);
    ~PortsWindow() override;

    QTableWidget* names;
    QTableWidget* devices;
    QTableWidget* found;
    QPushButton* assign;
    QPushButton* free;
    QPushButton* typePath;
    QPushButton* findPrinter;
    QPushButton* usePrinter;
    QPushButton* closeButton;
    QLabel* searchState;

    // Reads where each name leads and the devices again.
    void refresh();
    void applyLanguage();
    bool searching() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QStringList m_inUse; // the ports the last search passed over: another program uses them
    // `name` leads to `device` (or, with an empty device, to the system's own again); an entry
    // the tool did not make is replaced only after asking.
    void change(const QString& name, const QString& device);
    QString selectedName() const;
    void find();
    void use();
    // What the search says, worded again when the language changes.
    void say(std::function<QString()> words);
    QString stateText(const port_catalog::Name& name) const;

    Hooks m_hooks;
    std::unique_ptr<PrinterProbe> m_probe;
    std::unique_ptr<Timer> m_follow; // looks again for adapters while the window is open
    QString m_seen;                  // what the lists showed last
    QList<port_catalog::Device> m_devices;
    std::function<QString()> m_said;
    QList<PrinterProbe::Found> m_found; // what the last search found, as its rows show it
};
