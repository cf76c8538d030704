#include "app/update_window.h"

#include "app/file_dialog.h"
#include "app/selection_reactions.h"
#include "app/window_record.h"
#include "core/download/plan.h"
#include "core/link/port_catalog.h"
#include "core/link/port_names.h"
#include "core/link/serial_control.h"
#include "core/link/stored_choices.h"
#include "core/platform/clock.h"
#include "core/platform/file_check.h"
#include "core/printer/printer_probe.h"
#include "core/printer/release_search.h"
#include "core/record/job_rows.h"
#include "texts/cause_words.h"
#include "texts/download_messages.h"
#include "texts/messages.h"
#include "texts/printer_messages.h"
#include "texts/string_table.h"
#include "texts/update_words.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

template <typename T> T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

// What a printer's jobs said last (a load's end, why it could not be asked): the row keeps it
// for its tooltip instead of a box for every printer.
class RowMessages : public MessageBoxes
{
public:
    using MessageBoxes::show;
    void show(const QString& text, const QString& title, MessageIcon, const QString& detail,
              const QString& informative) override
    {
        (void)title;
        last = QStringList{informative, text, detail}.filter(QRegularExpression(QStringLiteral("\\S"))).join('\n');
    }
    QString last;
};

} // namespace

struct UpdateWindow::Row {
    QString port;
    QCheckBox* pick;
    QLabel *device, *model, *before, *state, *after;
    QPushButton* cancel;
    // Before an update: what the search found, or why the row cannot be ticked.
    QString foundModel, foundRelease;
    std::function<QString()> note;
    bool usable = true; // its name leads to a device that can be used
    int printer = -1;   // in the update last started
    std::optional<qint64> recorded;
    RowMessages messages;
};

UpdateWindow::UpdateWindow(QWidget* mainWindow, Hooks hooks)
    : QDialog(mainWindow), m_hooks(std::move(hooks)), m_file(named(new QLineEdit(this), "file")),
      m_browse(named(new QPushButton(this), "browse")), m_fileRelease(named(new QLabel(this), "fileRelease")),
      m_turbo(named(new QCheckBox(this), "turbo")), m_bootBoard(named(new QRadioButton(this), "bootBoard")),
      m_bootRam(named(new QRadioButton(this), "bootRam")), m_checksum(named(new QCheckBox(this), "checksum")),
      m_force(named(new QCheckBox(this), "force")), m_refuseDowngrades(named(new QCheckBox(this), "refuseDowngrades")),
      m_find(named(new QPushButton(this), "findPrinters")), m_summary(named(new QLabel(this), "summary")),
      m_start(named(new QPushButton(this), "start")), m_cancelAll(named(new QPushButton(this), "cancelAll")),
      m_close(named(new QPushButton(this), "closeButton")),
      m_probe(std::make_unique<PrinterProbe>(m_hooks.clock, m_hooks.makePort)), m_redraw(m_hooks.clock.createTimer())
{
    setObjectName(QStringLiteral("updateWindow"));
    auto* layout = new QVBoxLayout(this);
    m_fileGroup = named(new QGroupBox(this), "fileGroup");
    auto* fileLayout = new QGridLayout(m_fileGroup);
    fileLayout->addWidget(m_file, 0, 0);
    fileLayout->addWidget(m_browse, 0, 1);
    fileLayout->addWidget(m_fileRelease, 1, 0, 1, 2);
    layout->addWidget(m_fileGroup);

    m_printersGroup = named(new QGroupBox(this), "printersGroup");
    auto* grid = new QGridLayout(m_printersGroup);
    for (int c = 0; c < 7; ++c) {
        auto* header = new QLabel(this);
        QFont bold = header->font();
        bold.setBold(true);
        header->setFont(bold);
        m_headers.push_back(header);
        grid->addWidget(header, 0, c);
    }
    for (int r = 0; r < kPorts; ++r) {
        auto row = std::make_unique<Row>();
        row->port = kPortItems[r];
        const QString p = row->port + QLatin1Char('.');
        row->pick = named(new QCheckBox(row->port, this), p + "pick");
        row->device = named(new QLabel(this), p + "device");
        row->model = named(new QLabel(this), p + "model");
        row->before = named(new QLabel(this), p + "before");
        row->after = named(new QLabel(this), p + "after");
        row->state = named(new QLabel(this), p + "state");
        row->cancel = named(new QPushButton(this), p + "cancel");
        row->cancel->setAutoDefault(false);
        row->state->setWordWrap(true);
        row->state->setMinimumWidth(320);
        // The releases side by side, the state where it has room to say it.
        QWidget* cells[] = {row->pick, row->device, row->model, row->before, row->after, row->state, row->cancel};
        for (int c = 0; c < 7; ++c)
            grid->addWidget(cells[c], r + 1, c);
        connect(row->pick, &QCheckBox::toggled, this, &UpdateWindow::enableControls);
        connect(row->cancel, &QPushButton::clicked, this, [this, r] {
            if (m_job && m_rows[r]->printer >= 0)
                m_job->cancel(m_rows[r]->printer);
        });
        m_rows[std::size_t(r)] = std::move(row);
    }
    grid->setColumnStretch(5, 1);
    grid->setRowStretch(kPorts + 1, 1);
    layout->addWidget(m_printersGroup, 1);

    m_choicesGroup = named(new QGroupBox(this), "choicesGroup");
    auto* choices = new QHBoxLayout(m_choicesGroup);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_turbo, m_bootBoard, m_bootRam, m_checksum, m_force, m_refuseDowngrades})
        choices->addWidget(w);
    choices->addStretch();
    layout->addWidget(m_choicesGroup);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_find);
    bottom->addWidget(m_summary, 1);
    bottom->addWidget(m_start);
    bottom->addWidget(m_cancelAll);
    bottom->addWidget(m_close);
    layout->addLayout(bottom);
    m_summary->setWordWrap(true);
    for (QPushButton* b : {m_browse, m_find, m_start, m_cancelAll, m_close})
        b->setAutoDefault(false);
    m_refuseDowngrades->setChecked(true);
    m_bootBoard->setChecked(true);

    connect(m_file, &QLineEdit::editingFinished, this, [this] {
        if (m_file->text() != m_chosen)
            chooseFile(m_file->text());
    });
    connect(m_browse, &QPushButton::clicked, this, &UpdateWindow::browse);
    // A checksum is asked only of a firmware that boots from the board.
    connect(m_bootRam, &QRadioButton::toggled, this, [this](bool ram) {
        if (ram)
            m_checksum->setChecked(false);
        enableControls();
    });
    connect(m_find, &QPushButton::clicked, this, &UpdateWindow::find);
    connect(m_start, &QPushButton::clicked, this, &UpdateWindow::start);
    connect(m_cancelAll, &QPushButton::clicked, this, &UpdateWindow::cancelAll);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_probe.get(), &PrinterProbe::answered, this, [this](const PrinterProbe::Found& f) {
        const int r = int(kPortItems.indexOf(f.port));
        if (r < 0 || r >= kPorts)
            return;
        Row& row = *m_rows[std::size_t(r)];
        row.foundModel = escapeControls(f.model);
        row.foundRelease = escapeControls(f.release);
        // The update talks at the main window's line: a printer found at another is not ticked.
        const QString line = f.line, chosen = m_line;
        row.note = line == chosen ? std::function<QString()>{[] { return tr("answered"); }}
                                  : [line] { return tr("answers at %1, not at the main window's line").arg(line); };
        row.pick->setChecked(line == chosen);
        showRow(r);
    });
    connect(m_probe.get(), &PrinterProbe::finished, this, [this](const PrinterProbe::Report& report) {
        for (const QString& port : report.silent)
            if (const int r = int(kPortItems.indexOf(port)); r >= 0 && r < kPorts) {
                m_rows[std::size_t(r)]->note = [] { return tr("no printer answered"); };
                showRow(r);
            }
        const int answered = int(report.found.size());
        m_said = [answered] {
            return answered == 0 ? tr("No printer answered.") : tr("%n printer(s) answered.", nullptr, answered);
        };
        m_summary->setText(m_said());
        enableControls();
    });
    m_redraw->setInterval(250);
    connect(m_redraw.get(), &Timer::timeout, this, &UpdateWindow::showAll);
    m_search = std::make_unique<Job>();
    connect(m_search.get(), &Job::finished, this, &UpdateWindow::enableControls);
    m_fileSaid = [] { return tr("Choose the firmware file."); };
    applyLanguage();
    resize(980, 560);
}

UpdateWindow::~UpdateWindow()
{
    // The rows of a job still running are completed as stopped, before the job goes.
    cancelAll();
}

bool UpdateWindow::running() const
{
    return m_job && m_job->running();
}

bool UpdateWindow::holds(const QString& device) const
{
    if (!running())
        return false;
    const QString identity = port_names::deviceIdentity(device);
    for (int i = 0; i < m_job->size(); ++i)
        if (!m_job->printer(i).ended && port_names::deviceIdentity(m_job->printer(i).device) == identity)
            return true;
    return false;
}

void UpdateWindow::cancelAll()
{
    if (m_job)
        m_job->cancel();
}

int UpdateWindow::rowOf(int printer) const
{
    return printer >= 0 && printer < int(m_jobRows.size()) ? m_jobRows[std::size_t(printer)] : -1;
}

void UpdateWindow::applyLanguage()
{
    setWindowTitle(tr("Update printers"));
    m_file->setAccessibleName(tr("Firmware file"));
    m_file->setPlaceholderText(tr("The firmware file (*.BIN)"));
    m_browse->setText(tr("&Browse..."));
    m_fileGroup->setTitle(tr("Firmware file"));
    m_printersGroup->setTitle(tr("Printers"));
    m_choicesGroup->setTitle(tr("Choices"));
    const QStringList headers{tr("Port"), tr("Leads to"), tr("Model"), tr("Release"), tr("After"), tr("State"), {}};
    for (std::size_t c = 0; c < m_headers.size(); ++c)
        m_headers[c]->setText(headers[int(c)]);
    for (const auto& row : m_rows) {
        row->cancel->setText(tr("Cancel"));
        row->cancel->setAccessibleName(tr("Cancel %1").arg(row->port));
    }
    m_turbo->setText(QStringLiteral("Turbo"));
    m_bootBoard->setText(tr("Boot from the board"));
    m_bootRam->setText(tr("Boot from the RAM card"));
    m_checksum->setText(QStringLiteral("CheckSum"));
    m_force->setText(tr("Load printers at the release too"));
    m_refuseDowngrades->setText(tr("Refuse downgrades"));
    m_find->setText(tr("&Find the printers"));
    m_start->setText(tr("&Start"));
    m_cancelAll->setText(tr("Cancel all"));
    m_close->setText(tr("&Close"));
    m_summary->setText(m_said ? m_said() : QString());
    m_fileRelease->setText(m_fileSaid());
    showAll();
}

void UpdateWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        applyLanguage();
    QDialog::changeEvent(event);
}

void UpdateWindow::chooseFile(const QString& path)
{
    m_search->cancel();
    m_release.reset();
    m_chosen = path;
    m_file->setText(path);
    m_search->start(searchFile(path));
    enableControls();
}

Task<> UpdateWindow::searchFile(QString path)
{
    const auto say = [this](std::function<QString()> words) {
        m_fileSaid = std::move(words);
        m_fileRelease->setText(m_fileSaid());
    };
    if (path.isEmpty()) {
        say([] { return tr("Choose the firmware file."); });
        co_return;
    }
    // A font's file would go out behind the firmware's header: a ruined printer.
    if (const auto named = operationNamedBy(path); named && *named != Operation::Firmware) {
        const Operation other = *named;
        say([path, other] {
            return ownText(Msg::WrongKind)
                .arg(path, operationWords(int(Operation::Firmware)), extensionOf(Operation::Firmware),
                     operationWords(int(other)))
                .simplified();
        });
        co_return;
    }
    if (const Failure refused = checkFile(path)) {
        const Cause cause = refused.cause;
        say([path, cause] { return path + QStringLiteral(": ") + causeWords(cause); });
        co_return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString why = file.errorString();
        say([path, why] { return path + QStringLiteral(": ") + why; });
        co_return;
    }
    say([] { return tr("Looking for the release in the file..."); });
    const std::optional<QByteArray> found = co_await searchRelease(file, m_hooks.clock);
    const QString release = QString::fromLatin1(found.value_or(QByteArray()));
    m_release = release;
    say([path, release] {
        return release.isEmpty() ? ownText(Msg::NoRelease).arg(path).simplified()
                                 : tr("Release in the file: %1").arg(escapeControls(release));
    });
}

void UpdateWindow::browse()
{
    const auto folder = initialFolder(m_file->text());
    const QString chosen = m_hooks.fileDialog.getOpenFileName(this, QStringLiteral("Apri File..."),
                                                              folder.value_or(QString()), fileFilter(0));
    if (!chosen.isEmpty())
        chooseFile(shownPath(chosen));
}

void UpdateWindow::showEvent(QShowEvent* event)
{
    if (!running() && !m_probe->running()) {
        // The main window's choices as it has them now; the file only when it is a firmware's.
        const MainChoices main = m_hooks.mainChoices();
        if (!main.file.isEmpty() && main.file != m_chosen)
            chooseFile(main.file);
        m_turbo->setChecked(main.pacing == Pacing::Turbo);
        (main.boot == Boot::Board ? m_bootBoard : m_bootRam)->setChecked(true);
        m_checksum->setChecked(main.boot == Boot::Board && main.checksum == BoxValue::Checked);
        m_line = main.line;
        // Where each name leads now, and whether it can be used.
        for (int r = 0; r < kPorts; ++r) {
            Row& row = *m_rows[std::size_t(r)];
            const port_catalog::Name n = port_catalog::nameOf(row.port);
            row.device->setText(n.device);
            const Cause refused = n.state ? n.state.cause : Cause::None;
            row.usable = refused == Cause::None;
            if (refused != Cause::None) {
                row.pick->setChecked(false);
                row.note = [refused] { return causeWords(refused); };
            } else if (row.printer < 0 && !row.foundModel.isEmpty()) {
                // an earlier search's answer stands until the next search
            } else if (row.printer < 0) {
                row.note = {};
            }
        }
        showAll();
        enableControls();
    }
    QDialog::showEvent(event);
}

void UpdateWindow::find()
{
    if (running() || m_probe->running())
        return;
    m_line = m_hooks.mainChoices().line;
    QStringList inUse;
    const QStringList candidates = port_catalog::probeCandidates(&inUse);
    QStringList ask;
    for (int r = 0; r < kPorts; ++r) {
        Row& row = *m_rows[std::size_t(r)];
        row.printer = -1;
        row.foundModel.clear();
        row.foundRelease.clear();
        row.pick->setChecked(false);
        // An adapter plugged in or pulled out since the window opened counts now.
        const port_catalog::Name n = port_catalog::nameOf(row.port);
        row.device->setText(n.device);
        row.usable = !n.state;
        const QString held = m_hooks.heldBy(port_names::serialDeviceOf(row.port));
        if (!held.isEmpty())
            row.note = [held] { return tr("%1 uses it").arg(held); };
        else if (inUse.contains(row.port))
            row.note = [] { return causeWords(Cause::PortBusy); };
        else if (candidates.contains(row.port)) {
            row.note = [] { return tr("asking"); };
            ask << row.port;
        } else if (n.state) {
            const Cause c = n.state.cause;
            row.note = [c] { return causeWords(c); };
        } else
            row.note = [] { return tr("the kernel's console: not for the printer"); };
    }
    if (ask.isEmpty()) {
        m_said = [] { return tr("No usable port to ask."); };
    } else {
        m_said = [ask] { return tr("Asking %1...").arg(ask.join(QStringLiteral(", "))); };
        m_probe->setAskRelease(true);
        m_probe->start(ask, m_line);
    }
    m_summary->setText(m_said());
    showAll();
    enableControls();
}

void UpdateWindow::start()
{
    if (running() || m_probe->running())
        return;
    // The file loaded is the one whose release was found: a path typed since is searched first.
    if (m_file->text() != m_chosen)
        return chooseFile(m_file->text());
    if (!m_release || m_release->isEmpty())
        return;
    const MainChoices main = m_hooks.mainChoices();
    m_line = main.line;
    QList<std::pair<QString, QString>> printers;
    std::vector<int> rows;
    for (int r = 0; r < kPorts; ++r) {
        Row& row = *m_rows[std::size_t(r)];
        if (!row.pick->isChecked() || !row.pick->isEnabled())
            continue;
        const QString device = port_names::serialDeviceOf(row.port);
        // The main window's job keeps its port; the others go on without this one.
        if (const QString held = m_hooks.heldBy(device); !held.isEmpty()) {
            m_hooks.messages.show(tr("%1 is left out of this update: %2 uses it.").arg(row.port, held), windowTitle(),
                                  MessageIcon::Critical);
            row.pick->setChecked(false);
            continue;
        }
        // A printer still waiting for the rest of an image would take this one as that rest.
        if (m_hooks.record.leftMidImage(row.port, device) && !m_hooks.goOn(ownText(Msg::StillMidImage).arg(row.port)))
            continue;
        printers << std::pair{row.port, device};
        rows.push_back(r);
    }
    if (printers.isEmpty()) {
        m_said = [] { return tr("Tick the printers to update."); };
        m_summary->setText(m_said());
        return;
    }
    UpdateChoices choices;
    choices.request = {m_chosen, Operation::Firmware, m_bootBoard->isChecked() ? Boot::Board : Boot::RamCard,
                       m_checksum->isChecked() ? BoxValue::Checked : BoxValue::Unchecked};
    choices.line = offeredLine(m_line);
    choices.pacing = m_turbo->isChecked() ? Pacing::Turbo : Pacing::Normal;
    choices.release = *m_release;
    choices.force = m_force->isChecked();
    choices.allowDowngrade = !m_refuseDowngrades->isChecked();

    for (const auto& row : m_rows)
        row->printer = -1;
    m_jobRows = rows;
    m_job = std::make_unique<UpdateJob>(m_hooks.clock, m_hooks.makePort, choices);
    const int base = m_hooks.language();
    connect(m_job.get(), &UpdateJob::changed, this, [this](int i) { showRow(rowOf(i)); });
    connect(m_job.get(), &UpdateJob::askFailed, this, [this, base](int i, const Failure& f) {
        tellPrinterFailure(m_rows[std::size_t(rowOf(i))]->messages, base, f);
    });
    connect(m_job.get(), &UpdateJob::notice, this, [this, base](int i, const DownloadNotice& n) {
        tellDownload(m_rows[std::size_t(rowOf(i))]->messages, base, n);
    });
    connect(m_job.get(), &UpdateJob::printerEnded, this, [this](int i, const PrinterUpdate& p) {
        Row& row = *m_rows[std::size_t(rowOf(i))];
        m_hooks.record.complete(row.recorded, job_rows::updateEnd(p));
        showRow(rowOf(i));
    });
    connect(m_job.get(), &UpdateJob::finished, this, [this](const QList<PrinterUpdate>& ended) {
        int verified = 0, passed = 0;
        for (const PrinterUpdate& p : ended) {
            verified += p.state == PrinterUpdate::State::Verified;
            passed += p.state == PrinterUpdate::State::Skipped;
        }
        const int failed = int(ended.size()) - verified - passed;
        m_said = [verified, passed, failed] {
            return tr("Verified: %1. Passed over: %2. Not updated: %3.").arg(verified).arg(passed).arg(failed);
        };
        m_summary->setText(m_said());
        m_redraw->setEnabled(false);
        m_hooks.record.tellProblemLater();
        showAll();
        enableControls();
    });
    // Each printer's row in the service record, from now to its end.
    for (int i = 0; i < int(printers.size()); ++i) {
        Row& row = *m_rows[std::size_t(rows[std::size_t(i)])];
        row.printer = i;
        row.note = {};
        row.messages.last.clear();
        row.recorded = m_hooks.record.begin(job_rows::downloadStart(
            {QStringLiteral("window"), JobKind::Update, choices.request, choices.pacing,
             LinkChoice{row.port, choices.line}, printers[i].second, nullptr, -1, choices.release}));
    }
    const QString release = *m_release;
    const int count = int(printers.size());
    m_said = [release, count] { return tr("Loading release %1 into %n printer(s)...", nullptr, count).arg(release); };
    m_summary->setText(m_said());
    m_redraw->setEnabled(true);
    m_job->start(printers);
    showAll();
    enableControls();
}

void UpdateWindow::showRow(int r)
{
    if (r < 0 || r >= kPorts)
        return;
    Row& row = *m_rows[std::size_t(r)];
    QString model = row.foundModel, before = row.foundRelease, after, state = row.note ? row.note() : QString();
    if (m_job && row.printer >= 0 && row.printer < m_job->size()) {
        const PrinterUpdate& p = m_job->printer(row.printer);
        model = escapeControls(p.model);
        before = escapeControls(p.before);
        after = escapeControls(p.after);
        state = updateStateWords(*m_job, row.printer);
        row.cancel->setEnabled(!p.ended);
    } else
        row.cancel->setEnabled(false);
    const std::pair<QLabel*, QString> cells[] = {
        {row.model, model}, {row.before, before}, {row.state, state}, {row.after, after}};
    for (const auto& [label, text] : cells)
        if (label->text() != text)
            label->setText(text);
    row.state->setToolTip(row.messages.last);
    // A screen reader hears which printer a state is of.
    const QString spoken = row.port + QStringLiteral(": ") + state;
    if (row.state->accessibleName() != spoken)
        row.state->setAccessibleName(spoken);
}

void UpdateWindow::showAll()
{
    for (int r = 0; r < kPorts; ++r)
        showRow(r);
}

void UpdateWindow::enableControls()
{
    const bool busy = running() || m_probe->running();
    for (QWidget* w : std::initializer_list<QWidget*>{m_file, m_browse, m_turbo, m_bootBoard, m_bootRam, m_force,
                                                      m_refuseDowngrades, m_find})
        w->setEnabled(!busy);
    m_checksum->setEnabled(!busy && m_bootBoard->isChecked());
    for (int r = 0; r < kPorts; ++r) {
        Row& row = *m_rows[std::size_t(r)];
        row.pick->setEnabled(!busy && row.usable);
    }
    m_start->setEnabled(!busy && m_release && !m_release->isEmpty());
    m_cancelAll->setEnabled(running());
    for (const auto& row : m_rows)
        row->cancel->setVisible(m_job != nullptr && row->printer >= 0);
}

bool UpdateWindow::mayClose()
{
    if (!running())
        return true;
    if (!m_hooks.ask(tr("The printers are still being updated. Stop them all and close the window?")))
        return false;
    cancelAll();
    return true;
}

void UpdateWindow::closeEvent(QCloseEvent* event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    m_probe->cancel();
    enableControls();
    QDialog::closeEvent(event);
}

void UpdateWindow::reject()
{
    if (mayClose()) {
        m_probe->cancel();
        QDialog::reject();
    }
}
