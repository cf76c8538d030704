#include "app/main_window.h"

#include "app/controls.h"
#include "app/history_window.h"
#include "app/interrogation_window.h"
#include "app/link_combo_box.h"
#include "app/message_boxes.h"
#include "app/ports_window.h"
#include "app/progress_dialog.h"
#include "app/selection_reactions.h"
#include "core/download/download.h"
#include "core/link/port_catalog.h"
#include "core/link/port_names.h"
#include "core/link/serial_control.h"
#include "core/link/stored_choices.h"
#include "core/platform/clock.h"
#include "core/platform/settings_store.h"
#include "core/platform/stored_values.h"
#include "core/platform/version.h"
#include "core/printer/interrogation.h"
#include "core/printer/release_check.h"
#include "core/record/job_rows.h"
#include "core/record/service_record.h"
#include "texts/cause_words.h"
#include "texts/download_messages.h"
#include "texts/language.h"
#include "texts/printer_messages.h"
#include "texts/string_table.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
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

MainWindow::MainWindow(const Seams& seams, QWidget* parent)
    : QMainWindow(parent), m_seams(seams), m_downloadComm(seams.makeSerialControl()), m_comm(seams.makeSerialControl()),
      m_timer1(seams.clock.createTimer(this)), m_testComm(seams.makeSerialControl())
{
    setObjectName(QStringLiteral("CARICA"));
    m_comm->setObjectName(QStringLiteral("MSComm1"));
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    buildControls();
    buildMenus();
    buildStatusBar();

    SelectionControls sc;
    sc.SelOperazione = SelOperazione;
    sc.SelBoot = SelBoot;
    sc.chkCheckSum = chkCheckSum;
    sc.ShowFile = ShowFile;
    sc.cmdCheckRelease = cmdCheckRelease;
    sc.window = this;
    sc.ApriFile = &seams.fileDialog;
    sc.downloadRuns = [this] { return m_download->busy(); };
    m_selection = std::make_unique<SelectionReactions>(sc);
    DownloadInputs inputs;
    inputs.pacing = [this] { return pacingOf(BoxValue(controls::checkValue(*chkTurbo))); };
    inputs.link = [this] { return linkChoice(linkBoxes()); };
    m_download = new Download(inputs, seams.clock, *m_downloadComm, *m_timer1, this);
    connect(m_download, &Download::notice, this, [this](const DownloadNotice& notice) {
        // The job is over when its last notice comes: its row ends now, not when the operator closes the box.
        endRecord(notice.report);
        tellDownload(m_seams.messages, m_language, notice);
    });
    m_calcolo = new ProgressDialog(this, *m_download, seams.clock, [this] { return int(m_language); });
    connect(m_download, &Download::planned, this, [this] { beginRecord(true); });
    // The row says at once that a header went out (the printer is mid-image from then on), and
    // keeps up with the bytes every few seconds: a program killed meanwhile leaves a true row.
    connect(m_download, &Download::headerSent, this, [this] { recordSoFar(); });
    connect(m_download, &Download::progressChanged, this, [this] {
        if (m_recording.id && m_seams.clock.now() - m_recordedAt >= 5)
            recordSoFar();
    });
    connect(m_download, &Download::ended, this, &MainWindow::endRecord);
    connect(m_download, &Download::fileRejected, ShowFile, &QLineEdit::clear);

    m_releaseCheck = std::make_unique<ReleaseCheck>(*m_comm, seams.clock);
    connect(m_releaseCheck.get(), &ReleaseCheck::searching, this, [this](bool on) {
        cmdCheckRelease->setText(tableText(m_language, on ? Text::SearchingFile : Text::CheckReleases));
        if (on)
            cmdCheckRelease->repaint(); // the first step of the search runs before the event loop draws
    });
    connect(m_releaseCheck.get(), &ReleaseCheck::fileRelease, txtFwFile, &QLineEdit::setText);
    connect(m_releaseCheck.get(), &ReleaseCheck::boardRelease, txtFwBoard, &QLineEdit::setText);
    connect(m_releaseCheck.get(), &ReleaseCheck::finished, this, [this](const ReleaseComparison& found) {
        if (m_record)
            m_record->complete(std::exchange(m_checkRecord, std::nullopt), job_rows::releaseCheckEnd(found));
        tellPrinterFailure(m_seams.messages, m_language, found.failure);
        unsetCursor();
    });
    m_frmPrTest = new InterrogationWindow(this, linkBoxes(), *m_testComm, seams.clock, seams.messages,
                                          [this] { return int(m_language); });
    // Each TEST into the record: written when it starts, completed with what the printer said.
    connect(m_frmPrTest->cmdTest, &QPushButton::clicked, this, [this] {
        if (m_frmPrTest->running() && !m_askingRecord)
            m_askingRecord = beginAsking(QStringLiteral("interrogation"));
    });
    connect(&m_frmPrTest->interrogation(), &Interrogation::finished, this, [this](const Interrogation::Answers& a) {
        if (m_record)
            m_record->complete(std::exchange(m_askingRecord, std::nullopt), job_rows::interrogationEnd(a));
    });

    PortsWindow::Hooks hooks{seams.clock,
                             seams.messages,
                             seams.makeSerialControl,
                             [this] { return chosenLine(); },
                             [this](const QString& port, const QString& line) { choosePrinter(port, line); },
                             seams.ask,
                             seams.askPath};
    if (!hooks.ask)
        hooks.ask = [this](const QString& text) {
            return QMessageBox::question(m_ports, m_ports->windowTitle(), text) == QMessageBox::Yes;
        };
    if (!hooks.askPath)
        hooks.askPath = [this](const QString& prompt) {
            return QInputDialog::getText(m_ports, m_ports->windowTitle(), prompt, QLineEdit::Normal,
                                         QStringLiteral("/dev/"));
        };
    m_ports = new PortsWindow(this, hooks);
    m_goOn = seams.goOn;
    if (!m_goOn)
        m_goOn = [this](const QString& text) {
            QMessageBox box(QMessageBox::Warning, kAppTitle, text, QMessageBox::NoButton, this);
            QPushButton* goOn = box.addButton(tr("Continue"), QMessageBox::AcceptRole);
            QPushButton* stop = box.addButton(QMessageBox::Cancel);
            box.setDefaultButton(stop);
            box.setEscapeButton(stop);
            box.exec();
            return box.clickedButton() == goOn;
        };
    HistoryWindow::Hooks historyHooks{seams.messages, seams.savePath, [this] {
                                          if (m_record)
                                              m_record->flush(250);
                                      }};
    if (!historyHooks.savePath)
        historyHooks.savePath = [this](const QString& title, const QString& suggested) {
            return QFileDialog::getSaveFileName(m_history, title, suggested, QStringLiteral("CSV (*.csv)"));
        };
    m_history = new HistoryWindow(this, historyHooks);

    setCreatedState();
    connectReactions();
}

void MainWindow::openPortsWindow()
{
    // Its links and its search would pull a port from under a job.
    if (jobRunning() || m_calcolo->shown())
        return;
    m_ports->show();
    m_ports->raise();
}

void MainWindow::describePorts()
{
    const QList<port_catalog::Name> all = port_catalog::names();
    for (int i = 0; i < Porta->count() && i < all.size(); ++i) {
        const port_catalog::Name& n = all[i];
        QString text = n.device + QStringLiteral(": ") + (n.state ? causeWords(n.state.cause) : tr("usable"));
        Porta->setItemData(i, text, Qt::ToolTipRole);
        Porta->setItemData(i, text, Qt::AccessibleDescriptionRole);
    }
}

QString MainWindow::chosenLine() const
{
    const int parity = Parita->currentIndex();
    if (Baud->currentIndex() < 0 || parity < 0 || parity > 2 || BitDati->currentIndex() < 0 ||
        BitStop->currentIndex() < 0)
        return QStringLiteral("4800,N,8,1");
    return QStringLiteral("%1,%2,%3,%4")
        .arg(Baud->currentText(), QString(QStringLiteral("NEO")[parity]), BitDati->currentText(),
             BitStop->currentText());
}

void MainWindow::choosePrinter(const QString& port, const QString& line)
{
    const QStringList part = line.split(',');
    if (part.size() != 4)
        return;
    // Each box set as a pick of its list: its reaction runs.
    const std::array<std::pair<QComboBox*, int>, 5> picks = {{
        {Porta, int(kPortItems.indexOf(port))},
        {Baud, Baud->findText(part[0])},
        {Parita, int(QStringLiteral("NEO").indexOf(part[1]))},
        {BitDati, BitDati->findText(part[2])},
        {BitStop, BitStop->findText(part[3])},
    }};
    for (const auto& [box, index] : picks)
        if (index >= 0) {
            box->setCurrentIndex(index);
            emit box->activated(index);
        }
}

MainWindow::~MainWindow()
{
    // The windows and the download use the serial controls: they go before those do.
    delete m_calcolo;
    m_calcolo = nullptr;
    delete m_download;
    m_download = nullptr;
    delete m_frmPrTest;
    m_frmPrTest = nullptr;
}

LinkBoxes MainWindow::linkBoxes() const
{
    return LinkBoxes{Porta, Baud, Parita, BitDati, BitStop};
}

LinkLabels MainWindow::linkLabels() const
{
    return LinkLabels{LabelBaud, LabelParita, LabelDati, LabelStop};
}

void MainWindow::buildControls()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);

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

void MainWindow::buildMenus()
{
    QMenuBar* bar = menuBar();
    mnuDefault = named(bar->addMenu(QString()), "mnuDefault");
    mnuLoadDefault = namedAction(this, "mnuLoadDefault");
    mnuSaveDefault = namedAction(this, "mnuSaveDefault");
    mnuFactory = namedAction(this, "mnuFactory");
    mnuLoadDefault->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    mnuSaveDefault->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuDefault->addAction(mnuLoadDefault);
    mnuDefault->addSeparator()->setObjectName(QStringLiteral("mnuBreak1"));
    mnuDefault->addAction(mnuSaveDefault);
    mnuDefault->addSeparator()->setObjectName(QStringLiteral("mnuBreak2"));
    mnuDefault->addAction(mnuFactory);

    mnuLingua = named(bar->addMenu(QString()), "mnuLingua");
    mnuItaliano = namedAction(this, "mnuItaliano");
    mnuInglese = namedAction(this, "mnuInglese");
    mnuItaliano->setCheckable(true);
    mnuInglese->setCheckable(true);
    mnuLingua->addAction(mnuItaliano);
    mnuLingua->addSeparator()->setObjectName(QStringLiteral("mnuBreak3"));
    mnuLingua->addAction(mnuInglese);

    mnuInterroga = namedAction(this, "mnuInterroga");
    bar->addAction(mnuInterroga);
    portsAction = namedAction(this, "portsAction");
    bar->addAction(portsAction);
    historyAction = namedAction(this, "historyAction");
    bar->addAction(historyAction);
}

void MainWindow::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        Panels[std::size_t(i)] = panel;
        bar->addWidget(panel, i == 2 ? 1 : 0);
    }
    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(1000);
    connect(m_clockTimer, &QTimer::timeout, this, &MainWindow::updateClockPanel);
    m_clockTimer->start();
}

void MainWindow::updateClockPanel()
{
    Panels[1]->setText(QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat));
}

void MainWindow::setCreatedState()
{
    // The form as it is drawn, before a language applies: the table's Italian where the form
    // shows it, and the form's own captions ("Porta:", "&Browse...") where they differ from it.
    const auto italian = [](int n) { return tableText(kItalian, n); };
    setWindowTitle(QStringLiteral(" Download"));

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
    m_selection->forgetFolder();
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
    m_timer1->setEnabled(false);

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
    updateClockPanel();
    Panels[2]->clear();
    if (m_comm->isOpen())
        m_comm->close();
}

void MainWindow::connectReactions()
{
    // Reactions run on every change of value the operator makes: by mouse, keyboard or an
    // assistive technology, which changes values without Qt's click signals. Assignments from
    // the program block the signals and run the reaction themselves. A click on the option
    // already selected changes no value but still reacts (the file box empties); a click that
    // changes the value runs the reaction twice, with the same result.
    connect(Porta, &QComboBox::activated, this, [this] { Porta_Click(linkBoxes(), linkLabels()); });
    connect(Porta, &QComboBox::currentIndexChanged, this, [this] { Porta_Click(linkBoxes(), linkLabels()); });
    for (LinkComboBox* box : {Porta, Baud, Parita, BitDati, BitStop})
        box->setDownloadShown([this] { return m_calcolo->shown(); });
    connect(ButSfoglia, &QPushButton::clicked, this, [this] { m_selection->ButSfoglia_Click(); });
    auto onChoice = [this](QRadioButton* b, const std::function<void()>& react) {
        connect(b, &QRadioButton::clicked, this, react);
        connect(b, &QRadioButton::toggled, this, [react](bool on) {
            if (on)
                react();
        });
    };
    for (int i = 0; i < 3; ++i)
        onChoice(SelOperazione[std::size_t(i)], [this, i] { m_selection->SelOperazione_Click(i); });
    for (auto* b : SelBoot)
        onChoice(b, [this] { m_selection->SelBoot_Click(); });
    connect(chkCheckSum, &QCheckBox::stateChanged, this, [this] { m_selection->chkCheckSum_Click(); });
    connect(StartTrasm, &QPushButton::clicked, this, &MainWindow::StartTrasm_Click);
    connect(cmdExit, &QPushButton::clicked, this, &MainWindow::cmdExit_Click);
    connect(mnuItaliano, &QAction::triggered, this, &MainWindow::mnuItaliano_Click);
    connect(mnuInglese, &QAction::triggered, this, &MainWindow::mnuInglese_Click);
    connect(mnuLoadDefault, &QAction::triggered, this, &MainWindow::mnuLoadDefault_Click);
    connect(mnuSaveDefault, &QAction::triggered, this, &MainWindow::mnuSaveDefault_Click);
    connect(mnuFactory, &QAction::triggered, this, &MainWindow::mnuFactory_Click);
    connect(mnuInterroga, &QAction::triggered, this, &MainWindow::mnuInterroga_Click);
    connect(portsAction, &QAction::triggered, this, &MainWindow::openPortsWindow);
    connect(historyAction, &QAction::triggered, this, [this] {
        m_history->show();
        m_history->raise();
        m_history->refresh();
    });
    connect(Porta, &LinkComboBox::dropDown, this, &MainWindow::describePorts);
    connect(cmdCheckRelease, &QPushButton::clicked, this, &MainWindow::cmdCheckRelease_Click);
}

void MainWindow::selectPort(int index)
{
    controls::setListIndex(*Porta, index, [this] { Porta_Click(linkBoxes(), linkLabels()); });
}

// Screen readers and the end-to-end tests find the link boxes by their labels' words.
void MainWindow::updateAccessibleNames()
{
    const std::array<std::pair<QLabel*, QComboBox*>, 5> pairs = {
        {{LabelPorta, Porta}, {LabelBaud, Baud}, {LabelParita, Parita}, {LabelDati, BitDati}, {LabelStop, BitStop}}};
    for (auto [label, box] : pairs)
        box->setAccessibleName(label->text().remove(QLatin1Char(':')).trimmed());
    ShowFile->setAccessibleName(Frame4->title());
    // Frames without a caption are named by what they hold.
    Frame6->setAccessibleName(chkCheckSum->text());
    Frame5->setAccessibleName(chkTurbo->text());
    if (frmChkRel->title().isEmpty())
        frmChkRel->setAccessibleName(cmdCheckRelease->text());
}

void MainWindow::Form_Load()
{
    SettingsStore store;
    if (auto base = storedLanguage(store))
        m_language = qint16(*base);
    ApplyLanguage();
    applyStoredSettings(store);
    if (const auto why = store.unusable())
        m_seams.messages.show(ownText(Msg::SettingsUnusable).arg(store.fileName(), *why), kAppTitle,
                              MessageIcon::Critical);
    Panels[2]->setText(
        QStringLiteral("Release #   %1.%2.%3").arg(version::kMajor).arg(version::kMinor).arg(version::kRevision));
    updateAccessibleNames();
}

// Each key in turn; a value that cannot be applied leaves its control as it is. "File" comes
// after "Operazione", whose reaction empties the file box.
void MainWindow::applyStoredSettings(SettingsStore& store)
{
    const StoredSettings s = readStoredSettings(store);
    if (s.port)
        selectPort(*s.port);
    for (auto [box, v] : {std::pair{Baud, s.baud}, {Parita, s.parity}, {BitDati, s.dataBits}, {BitStop, s.stopBits}})
        if (v)
            controls::setListIndex(*box, *v);
    if (s.operation && *s.operation >= 0 && *s.operation <= 2)
        m_selection->setOperation(*s.operation);
    if (s.bootBoard)
        m_selection->setBootBoard(*s.bootBoard);
    if (s.check)
        m_selection->setCheckSum(*s.check);
    if (s.turbo)
        controls::setCheckValue(*chkTurbo, *s.turbo);
    ShowFile->setText(s.file);
}

void MainWindow::ApplyLanguage()
{
    if (m_language == kItalian || m_language == kEnglish) {
        mnuItaliano->setChecked(m_language == kItalian);
        mnuInglese->setChecked(m_language == kEnglish);
    }
    // Our translations and Qt's follow the table's language; the other windows hear of it at once.
    useLanguage(m_language);
    portsAction->setText(tr("&Ports..."));
    historyAction->setText(tr("&History..."));
    // The update stops at the first number the table lacks; what came before stays changed.
    auto t = [this](int n) { return stringEntry(m_language + n); };
    const std::array<std::pair<int, std::function<void(const QString&)>>, 9> first = {{
        {0, [this](const QString& s) { SelOperazione[0]->setText(s); }},
        {1, [this](const QString& s) { SelOperazione[1]->setText(s); }},
        {2, [this](const QString& s) { SelOperazione[2]->setText(s); }},
        {3, [this](const QString& s) { Frame2->setTitle(s); }},
        {4, [this](const QString& s) { SelBoot[0]->setText(s); }},
        {5, [this](const QString& s) { SelBoot[1]->setText(s); }},
        {7, [this](const QString& s) { Frame3->setTitle(s); }},
        {8, [this](const QString& s) { LabelPorta->setText(s); }},
        {9, [this](const QString& s) { LabelParita->setText(s); }},
    }};
    for (const auto& [n, set] : first) {
        const auto s = t(n);
        if (!s)
            return;
        set(*s);
    }
    const auto none = t(10), even = t(11), odd = t(12);
    const int remembered = qMax(0, Parita->currentIndex());
    Parita->clear();
    if (!none)
        return;
    Parita->insertItem(0, *none);
    if (!even)
        return;
    Parita->insertItem(1, *even);
    if (!odd)
        return;
    Parita->insertItem(2, *odd);
    controls::setListIndex(*Parita, remembered);
    const std::array<std::pair<int, std::function<void(const QString&)>>, 12> second = {{
        {13, [this](const QString& s) { LabelDati->setText(s); }},
        {14, [this](const QString& s) { LabelStop->setText(s); }},
        {100, [this](const QString& s) { mnuLoadDefault->setText(s); }},
        {101, [this](const QString& s) { mnuSaveDefault->setText(s); }},
        {110, [this](const QString& s) { mnuFactory->setText(s); }},
        {111, [this](const QString& s) { mnuInterroga->setText(s); }},
        {121, [this](const QString& s) { mnuLingua->setTitle(s); }},
        {108, [this](const QString& s) { cmdCheckRelease->setText(s); }},
        {120, [this](const QString& s) { frmChkRel->setTitle(s); }},
        {117, [this](const QString& s) { ButSfoglia->setText(s); }},
        {118, [this](const QString& s) { lblFwFile->setText(s); }},
        {119, [this](const QString& s) { lblFwBoard->setText(s); }},
    }};
    for (const auto& [n, set] : second) {
        const auto s = t(n);
        if (!s)
            return;
        set(*s);
    }
}

void MainWindow::StartTrasm_Click()
{
    DownloadRequest request;
    request.path = ShowFile->text();
    request.operation = Operation::None;
    for (int i = 0; i < 3; ++i)
        if (SelOperazione[std::size_t(i)]->isChecked())
            request.operation = Operation(i);
    request.boot = SelBoot[0]->isChecked() ? Boot::Board : Boot::RamCard;
    request.checksum = BoxValue(controls::checkValue(*chkCheckSum));
    // A file of another operation would go out behind the wrong header: a ruined load.
    if (const auto named = operationNamedBy(request.path); named && request.operation != Operation::None &&
                                                           *named != request.operation &&
                                                           QFileInfo(request.path).isFile()) {
        m_seams.messages.show(ownText(Msg::WrongKind)
                                  .arg(request.path, operationWords(int(request.operation)),
                                       extensionOf(request.operation), operationWords(int(*named))),
                              kAppTitle, MessageIcon::Critical);
        return;
    }
    // External fonts start nothing while the dialog is shown.
    if (request.operation == Operation::ExternalFonts && m_calcolo->shown())
        return;
    if (!m_download->running() && !request.path.isEmpty()) {
        const LinkChoice link = linkChoice(linkBoxes());
        const QString device = link.device();
        if (!m_record)
            m_record = std::make_unique<ServiceRecord>();
        // A printer still waiting for the rest of an image would take this one as that rest: nothing
        // goes out unless the operator goes on.
        if (m_record->leftMidImage(link.port, device) && !m_goOn(ownText(Msg::StillMidImage).arg(link.port)))
            return;
        m_recording =
            Recording{true, std::nullopt, request, link, device, pacingOf(BoxValue(controls::checkValue(*chkTurbo)))};
    }
    m_download->start(request);
}

std::optional<qint64> MainWindow::beginAsking(const QString& kind, const QString& file)
{
    if (!m_record)
        m_record = std::make_unique<ServiceRecord>();
    const LinkChoice link = linkChoice(linkBoxes());
    const auto id = m_record->begin(job_rows::conversationStart(QStringLiteral("window"), kind, link.port,
                                                                link.line ? link.line->text() : QString(), file));
    m_record->takeProblem(); // a conversation's row missing is no news to stop the operator for
    return id;
}

void MainWindow::beginRecord(bool planned)
{
    if (!std::exchange(m_recording.pending, false) || !m_record)
        return;
    // A row holds what its own job did: a file refused before its plan has no headers, no digest.
    const Recording& r = m_recording;
    m_recording.id = m_record->begin(job_rows::downloadStart({QStringLiteral("window"),
                                                              QStringLiteral("download"),
                                                              r.request,
                                                              r.pacing,
                                                              r.link,
                                                              r.device,
                                                              planned ? &m_download->plan() : nullptr,
                                                              m_download->fileXor(),
                                                              {}}));
    m_recordedAt = m_seams.clock.now();
}

void MainWindow::recordSoFar()
{
    if (!m_record || !m_recording.id)
        return;
    m_record->update(m_recording.id, job_rows::downloadSoFar(m_download->plan(), m_download->bytesWritten(),
                                                             m_download->progress().taken));
    m_recordedAt = m_seams.clock.now();
}

void MainWindow::endRecord(const DownloadReport& report)
{
    beginRecord(report.planned); // not begun yet: refused, before or after its plan
    if (!m_record || !m_recording.id)
        return;
    m_record->complete(std::exchange(m_recording.id, std::nullopt), job_rows::downloadEnd(report));
    // After the job's own box: the row is written meanwhile.
    QTimer::singleShot(0, this, &MainWindow::tellRecordProblem);
}

void MainWindow::tellRecordProblem()
{
    // Said once, after the job's own end, when the record has had its say: the job itself went on
    // as it would have.
    if (!m_record || m_seams.messages.silenced)
        return;
    // Not before the record has had its say, nor over another box or a running download's dialog.
    const bool later = !m_record->flush(0) || QApplication::activeModalWidget() || m_download->busy();
    if (later) {
        QTimer::singleShot(250, this, &MainWindow::tellRecordProblem);
        return;
    }
    if (m_history->isVisible()) // the row as it ended
        m_history->refresh();
    if (const auto why = m_record->takeProblem())
        m_seams.messages.show(ownText(Msg::NotRecorded).arg(m_record->path(), *why), kAppTitle,
                              MessageIcon::Information);
}

void MainWindow::cmdExit_Click()
{
    close();
}

void MainWindow::chooseLanguage(int base)
{
    m_language = qint16(base);
    SettingsStore store;
    store.write(Setting::Language, QString::number(base));
    ApplyLanguage();
    updateAccessibleNames();
    // Said as "Save as Default" says it: the choice holds for now, but not at the next start.
    if (const auto why = store.writeError())
        m_seams.messages.show(ownText(Msg::SettingsNotSaved).arg(store.fileName(), *why), kAppTitle,
                              MessageIcon::Critical);
}

void MainWindow::mnuItaliano_Click()
{
    chooseLanguage(kItalian);
}

void MainWindow::mnuInglese_Click()
{
    chooseLanguage(kEnglish);
}

void MainWindow::mnuLoadDefault_Click()
{
    if (m_download->busy())
        return;
    SettingsStore store;
    applyStoredSettings(store);
    repaint();
}

void MainWindow::mnuSaveDefault_Click()
{
    if (m_download->busy())
        return;
    SettingsStore store;
    int operation = 2;
    if (SelOperazione[0]->isChecked())
        operation = 0;
    else if (SelOperazione[1]->isChecked())
        operation = 1;
    store.write(Setting::Port, QString::number(Porta->currentIndex()));
    store.write(Setting::Baud, QString::number(Baud->currentIndex()));
    store.write(Setting::Parity, QString::number(Parita->currentIndex()));
    store.write(Setting::DataBits, QString::number(BitDati->currentIndex()));
    store.write(Setting::StopBits, QString::number(BitStop->currentIndex()));
    store.write(Setting::Operation, QString::number(operation));
    store.write(Setting::BootBoard, truthText(SelBoot[0]->isChecked()));
    store.write(Setting::Check, QString::number(controls::checkValue(*chkCheckSum)));
    store.write(Setting::File, ShowFile->text());
    store.write(Setting::Turbo, QString::number(controls::checkValue(*chkTurbo)));
    store.write(Setting::Language, QString::number(m_language));
    if (const auto why = store.writeError())
        m_seams.messages.show(ownText(Msg::SettingsNotSaved).arg(store.fileName(), *why), kAppTitle,
                              MessageIcon::Critical);
}

void MainWindow::mnuFactory_Click()
{
    SettingsStore().deleteSection();
    // A running transfer ends first, exactly as its abort button ends it; the window is then
    // rebuilt in place, so nothing is left pointing at destroyed controls.
    if (m_download->busy() || m_calcolo->shown()) {
        m_download->cancel();
        m_calcolo->unload();
    }
    if (m_releaseCheck->running()) {
        m_releaseCheck->cancel();
        unsetCursor();
    }
    setCreatedState();
    Form_Load();
}

bool MainWindow::jobRunning() const
{
    return m_download->running() || m_releaseCheck->running() || m_frmPrTest->running();
}

void MainWindow::cmdCheckRelease_Click()
{
    // During a download the check is ignored, as a second DOWNLOAD is: its port may be the download's.
    if (m_releaseCheck->running() || m_download->busy())
        return;
    if (ShowFile->text().isEmpty() || !SelOperazione[0]->isChecked())
        return;
    setCursor(Qt::WaitCursor);
    txtFwFile->clear();
    txtFwBoard->clear();
    repaint();
    m_releaseCheck->start(ShowFile->text(), linkChoice(linkBoxes()));
    if (m_releaseCheck->running())
        m_checkRecord = beginAsking(QStringLiteral("release-check"), QFileInfo(ShowFile->text()).absoluteFilePath());
}

void MainWindow::mnuInterroga_Click()
{
    if (m_download->busy() || m_frmPrTest->isVisible())
        return;
    if (isParallelLink(linkBoxes())) {
        m_seams.messages.show(tableText(m_language, Text::SelectSerialPort),
                              tableText(m_language, Text::PrinterInterrogations), MessageIcon::Critical);
        return;
    }
    m_frmPrTest->load();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Ends the program at once: no question, nothing stored, queued data dropped.
    m_seams.messages.silenced = true;
    m_download->endProgram();
    m_releaseCheck->cancel();
    m_frmPrTest->cancelRun();
    for (SerialControl* port : {m_comm.get(), m_testComm.get()})
        if (port->isOpen())
            port->close();
    event->accept();
    QCoreApplication::exit(0);
}
