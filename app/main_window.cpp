#include "app/main_window.h"

#include "app/controls.h"
#include "app/history_window.h"
#include "app/interrogation_window.h"
#include "app/link_combo_box.h"
#include "app/message_boxes.h"
#include "app/ports_window.h"
#include "app/progress_dialog.h"
#include "app/selection_reactions.h"
#include "app/shop_dialog.h"
#include "app/update_window.h"
#include "app/window_record.h"
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
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace {


} // namespace

MainWindow::MainWindow(const Seams& seams, QWidget* parent)
    : QMainWindow(parent), m_seams(seams.withQtDialogs()), m_downloadComm(seams.makeSerialControl()),
      m_comm(seams.makeSerialControl()), m_timer1(seams.clock.createTimer(this)), m_testComm(seams.makeSerialControl())
{
    setObjectName(QStringLiteral("CARICA"));
    m_comm->setObjectName(QStringLiteral("MSComm1"));
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    buildControls(this);
    buildMenus(this);
    buildStatusBar(this);
    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(1000);
    connect(m_clockTimer, &QTimer::timeout, this, &MainWindow::updateClockPanel);
    m_clockTimer->start();

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
    // The record first: a row ends at its job's last notice, before the box that tells it.
    m_record = new WindowRecord(*m_download,
                                {seams.clock, seams.messages, [this](const QString& text) { return m_goOn(text); },
                                 [this] { return m_download->busy(); },
                                 [this] {
                                     if (m_history->isVisible()) // the row as it ended
                                         m_history->refresh();
                                 }},
                                this);
    connect(m_download, &Download::notice, this,
            [this](const DownloadNotice& notice) { tellDownload(m_seams.messages, m_language, notice); });
    m_calcolo = new ProgressDialog(this, *m_download, seams.clock, [this] { return int(m_language); });
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
        m_record->complete(m_checkRecord, job_rows::releaseCheckEnd(found));
        tellPrinterFailure(m_seams.messages, m_language, found.failure);
        unsetCursor();
    });
    m_frmPrTest = new InterrogationWindow(this, linkBoxes(), *m_testComm, seams.clock, seams.messages,
                                          [this] { return int(m_language); });
    // Each TEST into the record: written when it starts, completed with what the printer said.
    connect(m_frmPrTest->cmdTest, &QPushButton::clicked, this, [this] {
        if (m_frmPrTest->running() && !m_askingRecord)
            m_askingRecord = m_record->beginAsking(JobKind::Interrogation, linkChoice(linkBoxes()));
    });
    connect(&m_frmPrTest->interrogation(), &Interrogation::finished, this, [this](const Interrogation::Answers& a) {
        m_record->complete(m_askingRecord, job_rows::interrogationEnd(a));
    });

    PortsWindow::Hooks hooks{
        seams.clock,
        seams.messages,
        seams.makeSerialControl,
        [this] { return chosenLine(linkBoxes()); },
        [this](const QString& port, const QString& line) { choosePrinter(linkBoxes(), port, line); },
        m_seams.ask,
        m_seams.askPath};
    m_ports = new PortsWindow(this, hooks);
    m_goOn = m_seams.goOn;
    HistoryWindow::Hooks historyHooks{
        m_seams.messages, m_seams.savePath, [this] { m_record->flush(250); }, m_seams.askPath,
        [this](qint64 row, const QString& serial, const QString& note) { m_record->annotate(row, serial, note); }};
    m_history = new HistoryWindow(this, historyHooks);
    UpdateWindow::Hooks updateHooks{
        seams.clock,
        seams.messages,
        seams.fileDialog,
        *m_record,
        seams.makeSerialControl,
        [this] {
            return UpdateWindow::MainChoices{
                SelOperazione[0]->isChecked() ? ShowFile->text() : QString(), chosenLine(linkBoxes()),
                pacingOf(BoxValue(controls::checkValue(*chkTurbo))),
                SelBoot[0]->isChecked() ? Boot::Board : Boot::RamCard, BoxValue(controls::checkValue(*chkCheckSum))};
        },
        [this](const QString& device) { return jobOn(device); },
        m_seams.ask,
        m_seams.goOn,
        [this] { return int(m_language); }};
    m_update = new UpdateWindow(this, updateHooks);
    m_shop = new ShopDialog(this, [this] { m_record->followShop(); });

    setCreatedState();
    connectReactions();
}

void MainWindow::openPortsWindow()
{
    // Its links and its search would pull a port from under a job.
    if (jobRunning() || m_calcolo->shown() || m_update->running())
        return;
    m_ports->show();
    m_ports->raise();
}

QString MainWindow::jobOn(const QString& device) const
{
    const bool loading = m_download->busy() || m_calcolo->shown();
    if (!loading && !m_releaseCheck->running() && !m_frmPrTest->running())
        return {};
    if (port_names::deviceIdentity(linkChoice(linkBoxes()).device()) != port_names::deviceIdentity(device))
        return {};
    return loading                     ? tr("the main window's download")
           : m_releaseCheck->running() ? tr("the main window's release check")
                                       : tr("the printer test");
}

bool MainWindow::linkFree()
{
    const LinkChoice link = linkChoice(linkBoxes());
    if (!m_update->holds(link.device()))
        return true;
    m_seams.messages.show(
        tr("%1 is in use by the Update printers window: wait until its printer there is done, or cancel it there.")
            .arg(link.port),
        kAppTitle, MessageIcon::Critical);
    return false;
}

MainWindow::~MainWindow()
{
    // The windows and the download use the serial controls: they go before those do.
    delete m_update;
    m_update = nullptr;
    delete m_calcolo;
    m_calcolo = nullptr;
    delete m_download;
    m_download = nullptr;
    delete m_frmPrTest;
    m_frmPrTest = nullptr;
}

void MainWindow::updateClockPanel()
{
    Panels[1]->setText(QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat));
}

void MainWindow::setCreatedState()
{
    setDesignState();
    setWindowTitle(QStringLiteral(" Download"));
    m_selection->forgetFolder();
    m_timer1->setEnabled(false);
    updateClockPanel();
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
    connect(shopAction, &QAction::triggered, this, [this] {
        m_shop->show();
        m_shop->raise();
    });
    connect(updateAction, &QAction::triggered, this, [this] {
        m_update->show();
        m_update->raise();
        m_update->activateWindow();
    });
    connect(historyAction, &QAction::triggered, this, [this] {
        m_history->show();
        m_history->raise();
        m_history->refresh();
    });
    connect(Porta, &LinkComboBox::dropDown, this, [this] { describePorts(Porta); });
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
    toolsMenu->setTitle(tr("T&ools"));
    portsAction->setText(tr("&Ports..."));
    updateAction->setText(tr("&Update printers..."));
    shopAction->setText(tr("&Shop record..."));
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
    if (!m_download->running() && !request.path.isEmpty() && !linkFree())
        return;
    if (!m_download->running() && !request.path.isEmpty() &&
        !m_record->beforeDownload(request, linkChoice(linkBoxes()),
                                  pacingOf(BoxValue(controls::checkValue(*chkTurbo)))))
        return;
    m_download->start(request);
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
    writeStoredSettings(store, {Porta->currentIndex(), Baud->currentIndex(), Parita->currentIndex(),
                                BitDati->currentIndex(), BitStop->currentIndex(),
                                SelOperazione[0]->isChecked()   ? 0
                                : SelOperazione[1]->isChecked() ? 1
                                                                : 2,
                                SelBoot[0]->isChecked(), controls::checkValue(*chkCheckSum),
                                controls::checkValue(*chkTurbo), ShowFile->text()});
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
    if (ShowFile->text().isEmpty() || !SelOperazione[0]->isChecked() || !linkFree())
        return;
    setCursor(Qt::WaitCursor);
    txtFwFile->clear();
    txtFwBoard->clear();
    repaint();
    m_releaseCheck->start(ShowFile->text(), linkChoice(linkBoxes()));
    if (m_releaseCheck->running())
        m_checkRecord = m_record->beginAsking(JobKind::ReleaseCheck, linkChoice(linkBoxes()),
                                              QFileInfo(ShowFile->text()).absoluteFilePath());
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
    if (!linkFree())
        return;
    m_frmPrTest->load();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Ends the program at once: no question, nothing stored, queued data dropped.
    m_seams.messages.silenced = true;
    m_update->cancelAll();
    m_download->endProgram();
    m_releaseCheck->cancel();
    m_frmPrTest->cancelRun();
    for (SerialControl* port : {m_comm.get(), m_testComm.get()})
        if (port->isOpen())
            port->close();
    event->accept();
    QCoreApplication::exit(0);
}
