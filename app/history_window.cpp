#include "app/history_window.h"

#include "app/controls.h"

#include "core/link/stored_choices.h"
#include "core/platform/job_ids.h"
#include "core/platform/settings_store.h"
#include "core/record/shop_record.h"
#include "texts/cause_words.h"
#include "texts/messages.h"
#include "texts/record_words.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

HistoryWindow::HistoryWindow(QWidget* mainWindow, Hooks hooks)
    : QDialog(mainWindow), port(new QComboBox(this)), file(new QLineEdit(this)), outcome(new QComboBox(this)),
      since(new QLineEdit(this)), serial(new QLineEdit(this)), allBenches(new QCheckBox(this)),
      annotate(new QPushButton(this)), jobs(controls::listTable(this, "jobs", 7)), details(new QPlainTextEdit(this)),
      exportCsv(new QPushButton(this)), closeButton(new QPushButton(this)), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("historyWindow"));
    for (auto [w, name] : {std::pair<QWidget*, const char*>{port, "port"},
                           {file, "file"},
                           {outcome, "outcome"},
                           {since, "since"},
                           {serial, "serial"},
                           {allBenches, "allBenches"},
                           {annotate, "annotate"},
                           {details, "details"},
                           {exportCsv, "exportCsv"},
                           {closeButton, "closeButton"}})
        w->setObjectName(QString::fromLatin1(name));
    port->addItem(QString());
    port->addItems(kPortItems);
    // Shown in words, chosen by id.
    outcome->addItem(QString());
    using O = JobOutcome;
    for (const O o : {O::Completed, O::Sent, O::Failed, O::Aborted, O::Interrupted, O::FileRefused, O::PortRefused,
                      O::DidNotFinish, O::Running, O::Verified, O::NotVerified, O::Skipped})
        outcome->addItem(QString(), idOf(o));
    since->setPlaceholderText(QStringLiteral("2026-12-01"));
    details->setReadOnly(true);
    exportCsv->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    auto* filters = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{port, file, outcome, since, serial, allBenches})
        filters->addWidget(w, w == file ? 2 : 1);
    layout->addLayout(filters);
    layout->addWidget(jobs, 3);
    layout->addWidget(details, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(exportCsv);
    buttons->addWidget(annotate);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    resize(820, 560);

    connect(port, &QComboBox::currentIndexChanged, this, &HistoryWindow::refresh);
    connect(outcome, &QComboBox::currentIndexChanged, this, &HistoryWindow::refresh);
    connect(file, &QLineEdit::textChanged, this, &HistoryWindow::refresh);
    connect(since, &QLineEdit::textChanged, this, &HistoryWindow::refresh);
    connect(serial, &QLineEdit::textChanged, this, &HistoryWindow::refresh);
    connect(allBenches, &QCheckBox::toggled, this, &HistoryWindow::refresh);
    connect(annotate, &QPushButton::clicked, this, &HistoryWindow::addNote);
    annotate->setAutoDefault(false);
    connect(jobs, &QTableWidget::currentCellChanged, this, &HistoryWindow::showDetails);
    connect(exportCsv, &QPushButton::clicked, this, &HistoryWindow::exportRows);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    applyLanguage();
}

void HistoryWindow::applyLanguage()
{
    setWindowTitle(tr("History"));
    port->setItemText(0, tr("every port"));
    outcome->setItemText(0, tr("every outcome"));
    for (int i = 1; i < outcome->count(); ++i)
        outcome->setItemText(i, outcomeWords(outcome->itemData(i).toString()));
    file->setPlaceholderText(tr("file"));
    serial->setPlaceholderText(tr("serial number"));
    allBenches->setText(tr("All benches"));
    annotate->setText(tr("Serial &number and note..."));
    for (auto [w, name] : {std::pair<QWidget*, QString>{port, tr("Port")},
                           {file, tr("File")},
                           {outcome, tr("Outcome")},
                           {since, tr("Since (date)")},
                           {serial, tr("Serial number")},
                           {jobs, tr("Jobs")},
                           {details, tr("Details")}})
        w->setAccessibleName(name);
    jobs->setHorizontalHeaderLabels(
        {tr("Started"), tr("Job"), tr("Port"), tr("File"), tr("Outcome"), tr("Bytes"), tr("Bench")});
    exportCsv->setText(tr("&Export CSV..."));
    closeButton->setText(tr("&Close"));
    if (isVisible())
        refresh();
}

void HistoryWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        applyLanguage();
    QDialog::changeEvent(event);
}

void HistoryWindow::showEvent(QShowEvent* event)
{
    // The switch is there when a shop's record is.
    SettingsStore settings;
    allBenches->setEnabled(shop_record::stored(settings).has_value());
    if (!allBenches->isEnabled())
        allBenches->setChecked(false);
    refresh();
    QDialog::showEvent(event);
}

void HistoryWindow::refresh()
{
    ServiceRecord::Filter filter;
    if (port->currentIndex() > 0)
        filter.port = port->currentText();
    if (outcome->currentIndex() > 0)
        filter.outcome = outcome->currentData().toString();
    filter.file = file->text().trimmed();
    if (const QString typed = since->text().trimmed(); !typed.isEmpty()) {
        // 2026-12-09 as the record writes it, or 09/12/2026 and 9.12.2026 as a technician does.
        filter.since = QDateTime::fromString(typed, Qt::ISODate);
        for (const char* form : {"dd/MM/yyyy", "d/M/yyyy", "dd.MM.yyyy", "d.M.yyyy"})
            if (!filter.since.isValid())
                filter.since = QDate::fromString(typed, QString::fromLatin1(form)).startOfDay();
        // A date being typed, or one that cannot be read: said in the box's tip, the rows kept.
        const QString unread = tr("Not a date yet: 2026-12-09 or 09/12/2026");
        since->setToolTip(filter.since.isValid() ? QString() : unread);
        since->setStyleSheet(filter.since.isValid() ? QString() : QStringLiteral("color: #b00020"));
        if (!filter.since.isValid())
            return;
    } else {
        since->setToolTip({});
        since->setStyleSheet({});
    }
    filter.serial = serial->text().trimmed();
    const int reading = ++m_reading;
    annotate->setEnabled(!allBenches->isChecked());
    if (allBenches->isChecked()) {
        SettingsStore settings;
        if (const auto shop = shop_record::stored(settings)) {
            // The network is never waited on here: the rows come when they come, the last asked for shown.
            shop_record::readLater(*shop, filter, this, [this, reading](const ServiceRecord::Reading& rows) {
                if (reading == m_reading)
                    showRows(rows);
            });
            return;
        }
    }
    if (m_hooks.beforeReading)
        m_hooks.beforeReading();
    // Read again at each key of a filter: a record another program holds costs a moment, not a second.
    showRows(ServiceRecord::readAt(ServiceRecord::defaultPath(), filter, 250));
}

void HistoryWindow::showRows(const ServiceRecord::Reading& reading)
{
    if (!reading.error.isEmpty() && allBenches->isChecked())
        m_hooks.messages.show(tr("The shop's record cannot be read: %1").arg(reading.error), windowTitle(),
                              MessageIcon::Critical);
    m_rows = reading.rows;
    jobs->setRowCount(int(m_rows.size()));
    for (int r = 0; r < m_rows.size(); ++r) {
        const ServiceRecord::Row& row = m_rows[r];
        const QStringList cells{
            row.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            jobKindWords(row.start.kind),
            row.start.port,
            row.start.file.section('/', -1),
            outcomeWords(row.end.outcome) + (row.end.midImage ? tr(", printer mid-image") : QString()),
            row.end.sent < 0 ? QString() : QStringLiteral("%1/%2").arg(row.end.sent).arg(row.start.fileSize),
            row.host};
        for (int c = 0; c < cells.size(); ++c)
            jobs->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    jobs->resizeColumnsToContents();
    if (!m_rows.isEmpty())
        jobs->selectRow(0);
    showDetails();
}

void HistoryWindow::showDetails()
{
    const int r = jobs->currentRow();
    if (r < 0 || r >= m_rows.size()) {
        details->clear();
        return;
    }
    const ServiceRecord::Row& row = m_rows[r];
    const ServiceRecord::Start& s = row.start;
    const ServiceRecord::End& e = row.end;
    const auto number = [](qint64 n) { return n < 0 ? QString() : QString::number(n); };
    QStringList lines;
    for (const auto& [label, value] : std::initializer_list<std::pair<QString, QString>>{
             {tr("Started"), row.started.toLocalTime().toString(Qt::ISODate)},
             {tr("Ended"), row.ended.toLocalTime().toString(Qt::ISODate)},
             {tr("By"), row.user + QStringLiteral(", ") + faceWords(s.face)},
             {tr("Job"), QStringList{jobKindWords(s.kind), s.operation, s.boot}.join(' ').simplified()},
             {tr("File"), s.file},
             {tr("Size"), number(s.fileSize)},
             {QStringLiteral("SHA-256"), s.fileSha256},
             {tr("Port"), QStringList{s.port, s.device, s.deviceId}.join(' ').simplified()},
             {tr("Line"), s.line},
             {tr("Headers"), e.headers},
             {tr("Sent / taken"), number(e.sent) + QStringLiteral(" / ") + number(e.taken)},
             {tr("Printer"), QStringList{e.model, e.release, e.releaseAfter}.join(' ').simplified()},
             {tr("Outcome"),
              outcomeWords(e.outcome) +
                  (e.cause.isEmpty() ? QString() : QStringLiteral(" (") + causeWordsOfId(e.cause) + ')')},
             {tr("Printer left mid-image"), e.midImage ? tr("yes") : QString()},
             {tr("Bench"), row.host},
             {tr("Serial number"), s.serial},
             {tr("Note"), row.note}})
        if (!value.trimmed().isEmpty() && value.trimmed() != QLatin1String("/"))
            lines << label + QStringLiteral(": ") + escapeControls(value);
    details->setPlainText(lines.join('\n'));
}

void HistoryWindow::addNote()
{
    const int r = jobs->currentRow();
    if (r < 0 || r >= m_rows.size() || !m_hooks.askText || !m_hooks.annotate || allBenches->isChecked())
        return;
    const ServiceRecord::Row& row = m_rows[r];
    // A text left empty keeps what the row has.
    QString sn = m_hooks.askText(tr("The serial number of the printer of this job:"));
    QString note = m_hooks.askText(tr("A note for this job:"));
    if (sn.isEmpty() && note.isEmpty())
        return;
    m_hooks.annotate(row.id, sn.isEmpty() ? row.start.serial : sn.trimmed(), note.isEmpty() ? row.note : note);
    refresh();
}

void HistoryWindow::exportRows()
{
    const QString path = m_hooks.savePath(exportCsv->text().remove('&'), QStringLiteral("velmora-history.csv"));
    if (path.isEmpty())
        return;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(ServiceRecord::toCsv(m_rows, csvHeaderWords()).toUtf8()) < 0 || !out.flush())
        m_hooks.messages.show(path + QStringLiteral(": ") + out.errorString(), windowTitle(), MessageIcon::Critical);
}
