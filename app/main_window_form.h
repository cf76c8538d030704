#pragma once

#include "app/link_combo_box.h"
#include "app/link_controls.h"

#include <array>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QRadioButton;

// The main window's controls as the form draws them: made, laid out and named (each control's
// objectName is its member's name), with the texts and states the form has before any language
// or stored choice applies. The window's reactions live in MainWindow.
struct MainWindowForm {
    // Controls, named as their objectName.
    QGroupBox* Frame1;
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    QGroupBox* Frame4;
    QGroupBox* Frame5;
    QGroupBox* Frame6;
    QGroupBox* frmChkRel;
    LinkComboBox* Porta;
    LinkComboBox* Baud;
    LinkComboBox* Parita;
    LinkComboBox* BitDati;
    LinkComboBox* BitStop;
    QLabel* LabelPorta;
    QLabel* LabelBaud;
    QLabel* LabelParita;
    QLabel* LabelDati;
    QLabel* LabelStop;
    QLineEdit* txtFwFile;
    QLineEdit* txtFwBoard;
    QPushButton* cmdCheckRelease;
    QLabel* lblFwFile;
    QLabel* lblFwBoard;
    QPushButton* cmdExit;
    QPushButton* StartTrasm;
    QLineEdit* ShowFile;
    QPushButton* ButSfoglia;
    QCheckBox* chkCheckSum;
    QCheckBox* chkTurbo;
    std::array<QRadioButton*, 2> SelBoot;
    std::array<QRadioButton*, 3> SelOperazione;
    std::array<QLabel*, 3> Panels; // the status bar's panels 1 to 3

    QMenu* mnuDefault;
    QAction* mnuLoadDefault;
    QAction* mnuSaveDefault;
    QAction* mnuFactory;
    QMenu* mnuLingua;
    QAction* mnuItaliano;
    QAction* mnuInglese;
    QAction* mnuInterroga;
    QMenu* toolsMenu;       // the windows beside the form's own
    QAction* portsAction;   // opens the ports window
    QAction* historyAction; // opens the history window
    QAction* updateAction;  // opens the update printers window
    QAction* shopAction;    // where the shop's record is

    void buildControls(QMainWindow* window);
    void buildMenus(QMainWindow* window);
    void buildStatusBar(QMainWindow* window);
    // Texts, items and states as the form is drawn.
    void setDesignState();
    LinkBoxes linkBoxes() const;
    LinkLabels linkLabels() const;
};
