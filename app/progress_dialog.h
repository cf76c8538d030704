#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class SerialControl;

// The modeless progress dialog. It is "loaded" on first use and "unloaded" by an abort; since a
// nested wait may still hold a reference to it, unloading resets it to its design-time state
// instead of destroying it, and the next use loads (and places) it again.
class Calcolo : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char* kDesignLabel = "Fine trasmissione: attendere lampeggio...";

    Calcolo(QWidget* mainWindow, SerialControl& comm);

    // Loads the dialog when it is not loaded: design-time state, placed 600 twips right of
    // and below the main window's corner.
    void ensureLoaded();
    bool isLoaded() const { return m_loaded; }
    // Hides, closes the port (queued data dropped) and returns to the design-time state.
    void unload();

    // The busy marker: the frame Downloading is shown exactly while a download runs.
    bool downloading() const;

    QGroupBox* Downloading;
    QProgressBar* BarraTrasm;
    QPushButton* CancelButton;
    QLabel* Label1;
    SerialControl& MSComm1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void resetToDesign();
    QWidget* m_mainWindow;
    bool m_loaded = false;
};
