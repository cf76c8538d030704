#include "app/main_window_form.h"

#include "app/controls.h"
#include "core/link/line_settings.h"
#include "core/link/stored_choices.h"
#include "texts/string_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QAction* namedAction(QObject* parent, const char* name)
{
    auto* a = new QAction(parent);
    a->setObjectName(QLatin1String(name));
    return a;
}

void setItems(QComboBox* box, const QStringList& items)
{
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(-1);
}

} // namespace

LinkBoxes MainWindowForm::linkBoxes() const
{
    return LinkBoxes{Porta, Baud, Parita, BitDati, BitStop};
}

LinkLabels MainWindowForm::linkLabels() const
{
    return LinkLabels{LabelBaud, LabelParita, LabelDati, LabelStop};
}

void MainWindowForm::buildControls(QMainWindow* window)
{
    auto* central = new QWidget(window);
    window->setCentralWidget(central);

    Frame1 = named(new QGroupBox(central), "Frame1");
    for (int i = 0; i < 3; ++i)
        SelOperazione[std::size_t(i)] =
            named(new QRadioButton(Frame1), QStringLiteral("SelOperazione%1").arg(i).toLatin1().constData());
    auto* opLayout = new QVBoxLayout(Frame1);
    for (auto* b : SelOperazione)
        opLayout->addWidget(b);

    Frame2 = named(new QGroupBox(central), "Frame2");
    for (int i = 0; i < 2; ++i)
        SelBoot[std::size_t(i)] =
            named(new QRadioButton(Frame2), QStringLiteral("SelBoot%1").arg(i).toLatin1().constData());
    auto* bootLayout = new QVBoxLayout(Frame2);
    for (auto* b : SelBoot)
        bootLayout->addWidget(b);
    bootLayout->addStretch();

    Frame6 = named(new QGroupBox(central), "Frame6");
    chkCheckSum = named(new CheckBox(Frame6), "chkCheckSum");
    (new QVBoxLayout(Frame6))->addWidget(chkCheckSum);
    Frame5 = named(new QGroupBox(central), "Frame5");
    chkTurbo = named(new CheckBox(Frame5), "chkTurbo");
    (new QVBoxLayout(Frame5))->addWidget(chkTurbo);

    Frame3 = named(new QGroupBox(central), "Frame3");
    Porta = named(new LinkComboBox(Frame3), "Porta");
    Baud = named(new LinkComboBox(Frame3), "Baud");
    Parita = named(new LinkComboBox(Frame3), "Parita");
    BitDati = named(new LinkComboBox(Frame3), "BitDati");
    BitStop = named(new LinkComboBox(Frame3), "BitStop");
    LabelPorta = named(new QLabel(Frame3), "LabelPorta");
    LabelBaud = named(new QLabel(Frame3), "LabelBaud");
    LabelParita = named(new QLabel(Frame3), "LabelParita");
    LabelDati = named(new QLabel(Frame3), "LabelDati");
    LabelStop = named(new QLabel(Frame3), "LabelStop");
    auto* linkLayout = new QGridLayout(Frame3);
    const std::array<std::pair<QLabel*, QComboBox*>, 5> pairs = {
        {{LabelPorta, Porta}, {LabelBaud, Baud}, {LabelParita, Parita}, {LabelDati, BitDati}, {LabelStop, BitStop}}};
    for (int col = 0; col < 5; ++col) {
        auto [label, box] = pairs[std::size_t(col)];
        label->setBuddy(box);
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        linkLayout->addWidget(label, 0, col);
        linkLayout->addWidget(box, 1, col);
    }

    Frame4 = named(new QGroupBox(central), "Frame4");
    ShowFile = named(new QLineEdit(Frame4), "ShowFile");
    ButSfoglia = named(new QPushButton(Frame4), "ButSfoglia");
    auto* fileLayout = new QHBoxLayout(Frame4);
    fileLayout->addWidget(ShowFile, 1);
    fileLayout->addWidget(ButSfoglia);
    ShowFile->setMinimumWidth(320);

    frmChkRel = named(new QGroupBox(central), "frmChkRel");
    lblFwFile = named(new QLabel(frmChkRel), "lblFwFile");
    txtFwFile = named(new QLineEdit(frmChkRel), "txtFwFile");
    lblFwBoard = named(new QLabel(frmChkRel), "lblFwBoard");
    txtFwBoard = named(new QLineEdit(frmChkRel), "txtFwBoard");
    cmdCheckRelease = named(new QPushButton(frmChkRel), "cmdCheckRelease");
    lblFwFile->setBuddy(txtFwFile);
    lblFwBoard->setBuddy(txtFwBoard);
    txtFwFile->setReadOnly(true);
    txtFwBoard->setReadOnly(true);
    auto* relLayout = new QGridLayout(frmChkRel);
    relLayout->addWidget(lblFwFile, 0, 0);
    relLayout->addWidget(txtFwFile, 0, 1);
    relLayout->addWidget(lblFwBoard, 1, 0);
    relLayout->addWidget(txtFwBoard, 1, 1);
    relLayout->addWidget(cmdCheckRelease, 0, 2, 2, 1);
    relLayout->setColumnStretch(1, 1);

    StartTrasm = named(new QPushButton(central), "StartTrasm");
    cmdExit = named(new QPushButton(central), "cmdExit");
    StartTrasm->setDefault(true);
    for (QPushButton* b : {StartTrasm, cmdExit})
        b->setMinimumWidth(120);

    auto* top = new QGridLayout(central);
    top->addWidget(Frame1, 0, 0);
    top->addWidget(Frame2, 0, 1);
    auto* checks = new QVBoxLayout;
    checks->addWidget(Frame6);
    checks->addWidget(Frame5);
    top->addLayout(checks, 0, 2);
    top->addWidget(Frame3, 1, 0, 1, 3);
    top->addWidget(Frame4, 2, 0, 1, 3);
    top->addWidget(frmChkRel, 3, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(StartTrasm);
    buttons->addWidget(cmdExit);
    top->addLayout(buttons, 4, 0, 1, 3);
}

void MainWindowForm::buildMenus(QMainWindow* window)
{
    QMenuBar* bar = window->menuBar();
    mnuDefault = named(bar->addMenu(QString()), "mnuDefault");
    mnuLoadDefault = namedAction(window, "mnuLoadDefault");
    mnuSaveDefault = namedAction(window, "mnuSaveDefault");
    mnuFactory = namedAction(window, "mnuFactory");
    mnuLoadDefault->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    mnuSaveDefault->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuDefault->addAction(mnuLoadDefault);
    mnuDefault->addSeparator()->setObjectName(QStringLiteral("mnuBreak1"));
    mnuDefault->addAction(mnuSaveDefault);
    mnuDefault->addSeparator()->setObjectName(QStringLiteral("mnuBreak2"));
    mnuDefault->addAction(mnuFactory);

    mnuLingua = named(bar->addMenu(QString()), "mnuLingua");
    mnuItaliano = namedAction(window, "mnuItaliano");
    mnuInglese = namedAction(window, "mnuInglese");
    mnuItaliano->setCheckable(true);
    mnuInglese->setCheckable(true);
    mnuLingua->addAction(mnuItaliano);
    mnuLingua->addSeparator()->setObjectName(QStringLiteral("mnuBreak3"));
    mnuLingua->addAction(mnuInglese);

    mnuInterroga = namedAction(window, "mnuInterroga");
    bar->addAction(mnuInterroga);
    // In a menu of their own: the form's width holds no more items on the bar.
    toolsMenu = named(bar->addMenu(QString()), "toolsMenu");
    portsAction = namedAction(window, "portsAction");
    toolsMenu->addAction(portsAction);
    updateAction = namedAction(window, "updateAction");
    toolsMenu->addAction(updateAction);
    historyAction = namedAction(window, "historyAction");
    toolsMenu->addAction(historyAction);
    shopAction = namedAction(window, "shopAction");
    toolsMenu->addAction(shopAction);
}

void MainWindowForm::buildStatusBar(QMainWindow* window)
{
    QStatusBar* bar = window->statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        Panels[std::size_t(i)] = panel;
        bar->addWidget(panel, i == 2 ? 1 : 0);
    }
}

void MainWindowForm::setDesignState()
{
    // The form as it is drawn, before a language applies: the table's Italian where the form
    // shows it, and the form's own captions ("Porta:", "&Browse...") where they differ from it.
    const auto italian = [](int n) { return tableText(kItalian, n); };

    Frame3->setTitle(italian(7));
    setItems(Porta, kPortItems);
    setItems(Baud, kBaudItems);
    setItems(Parita, {italian(10), italian(11), italian(12)});
    setItems(BitDati, {QStringLiteral("8"), QStringLiteral("7")});
    setItems(BitStop, {QStringLiteral("1"), QStringLiteral("2")});
    LabelPorta->setText(QStringLiteral("Porta:"));
    LabelBaud->setText(QStringLiteral("BAUD:"));
    LabelParita->setText(QStringLiteral("Parità:"));
    LabelDati->setText(QStringLiteral("Bit DATI:"));
    LabelStop->setText(QStringLiteral("Bit STOP:"));
    for (LinkComboBox* box : {Porta, Baud, Parita, BitDati, BitStop}) {
        box->setEnabled(true);
        box->setLocked(false);
    }
    for (QLabel* label : {LabelPorta, LabelBaud, LabelParita, LabelDati, LabelStop})
        label->setEnabled(true);

    frmChkRel->setTitle(QString());
    txtFwFile->clear();
    txtFwBoard->clear();
    cmdCheckRelease->setText(QStringLiteral("Controlla versioni firmware"));
    cmdCheckRelease->setEnabled(true);
    lblFwFile->setText(italian(118));
    lblFwBoard->setText(italian(119));

    cmdExit->setText(QStringLiteral("&EXIT"));
    StartTrasm->setText(QStringLiteral("&DOWNLOAD"));
    Frame4->setTitle(QStringLiteral("File"));
    ShowFile->clear();
    ButSfoglia->setText(QStringLiteral("&Browse..."));
    Frame6->setTitle(QString());
    chkCheckSum->setText(QStringLiteral("CheckSum"));
    chkCheckSum->setEnabled(true);
    controls::setCheckValue(*chkCheckSum, 0);
    Frame2->setTitle(italian(3));
    SelBoot[0]->setText(italian(4));
    SelBoot[1]->setText(italian(5));
    controls::setOptionValue(*SelBoot[0], true);
    Frame1->setTitle(QStringLiteral("Download"));
    SelOperazione[0]->setText(italian(0));
    SelOperazione[1]->setText(italian(1));
    SelOperazione[2]->setText(italian(2));
    controls::setOptionValue(*SelOperazione[0], true);
    Frame5->setTitle(QString());
    chkTurbo->setText(QStringLiteral("Turbo"));
    controls::setCheckValue(*chkTurbo, 0);

    mnuDefault->setTitle(QStringLiteral("&Default..."));
    mnuLoadDefault->setText(QStringLiteral("&Carica Default"));
    mnuSaveDefault->setText(QStringLiteral("&Salva come Default"));
    mnuFactory->setText(QStringLiteral("Impostazioni di &Fabbrica"));
    mnuLingua->setTitle(QStringLiteral("&Language"));
    mnuItaliano->setText(QStringLiteral("&Italiano"));
    mnuInglese->setText(QStringLiteral("&English"));
    mnuItaliano->setChecked(false);
    mnuInglese->setChecked(false);
    mnuInterroga->setText(QStringLiteral("&Test Stampante..."));

    Panels[0]->setText(QStringLiteral(" Corvane s.p.a. "));
    Panels[2]->clear();
}
