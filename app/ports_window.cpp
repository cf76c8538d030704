#include "app/ports_window.h"

#include "app/controls.h"

#include "core/link/serial_control.h"
#include "core/platform/clock.h"
#include "core/printer/printer_probe.h"
#include "texts/cause_words.h"
#include "texts/messages.h"
#include "texts/string_table.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* parent, const char* name)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

void fill(QTableWidget* t, const QList<QStringList>& rows)
{
    const int selected = t->currentRow();
    t->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(rows[r][c]);
            item->setToolTip(rows[r][c]);
            t->setItem(r, c, item);
        }
    t->resizeColumnsToContents();
    if (selected >= 0 && selected < t->rowCount())
        t->selectRow(selected);
}

} // namespace

PortsWindow::PortsWindow(QWidget* mainWindow, Hooks hooks)
    : QDialog(mainWindow), names(controls::listTable(this, "names", 3)),
      devices(controls::listTable(this, "devices", 6)), found(controls::listTable(this, "found", 4)),
      assign(button(this, "assign")), free(button(this, "free")), typePath(button(this, "typePath")),
      findPrinter(button(this, "findPrinter")), usePrinter(button(this, "usePrinter")),
      closeButton(button(this, "closeButton")), searchState(new QLabel(this)), m_hooks(std::move(hooks)),
      m_probe(std::make_unique<PrinterProbe>(m_hooks.clock, m_hooks.makePort)), m_follow(m_hooks.clock.createTimer())
{
    setObjectName(QStringLiteral("portsWindow"));
    searchState->setObjectName(QStringLiteral("searchState"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(names, 3);
    auto* nameButtons = new QHBoxLayout;
    for (QPushButton* b : {assign, typePath, free})
        nameButtons->addWidget(b);
    nameButtons->addStretch();
    layout->addLayout(nameButtons);
    layout->addWidget(devices, 2);
    auto* findButtons = new QHBoxLayout;
    findButtons->addWidget(findPrinter);
    findButtons->addWidget(searchState, 1);
    layout->addLayout(findButtons);
    layout->addWidget(found, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(usePrinter);
    bottom->addStretch();
    bottom->addWidget(closeButton);
    layout->addLayout(bottom);
    resize(760, 620);

    connect(assign, &QPushButton::clicked, this, [this] {
        const int row = devices->currentRow();
        if (row >= 0 && row < m_devices.size())
            change(selectedName(), m_devices[row].stablePath);
    });
    connect(typePath, &QPushButton::clicked, this, [this] {
        const QString path = m_hooks.askPath(tr("The device %1 is to lead to:").arg(selectedName()));
        if (!path.isEmpty())
            change(selectedName(), path);
    });
    connect(free, &QPushButton::clicked, this, [this] { change(selectedName(), {}); });
    connect(findPrinter, &QPushButton::clicked, this, &PortsWindow::find);
    connect(usePrinter, &QPushButton::clicked, this, &PortsWindow::use);
    connect(found, &QTableWidget::cellDoubleClicked, this, &PortsWindow::use);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_probe.get(), &PrinterProbe::answered, this, [this](const PrinterProbe::Found& one) {
        m_found << one;
        QList<QStringList> rows;
        for (const PrinterProbe::Found& f : m_found)
            rows << QStringList{f.port, f.device, f.line, escapeControls(f.model)};
        fill(found, rows);
        if (found->currentRow() < 0)
            found->selectRow(0);
    });
    connect(m_probe.get(), &PrinterProbe::finished, this, [this](const PrinterProbe::Report& report) {
        findPrinter->setEnabled(true);
        m_found = report.found;
        const QStringList silent = report.silent;
        const qsizetype answered = m_found.size();
        const QStringList inUse = m_inUse;
        say([answered, silent, inUse] {
            return (answered == 0 ? tr("No printer answered.")
                                  : tr("%n printer(s) answered.", nullptr, int(answered))) +
                   (silent.isEmpty() ? QString() : tr(" Silent: %1.").arg(silent.join(", "))) +
                   (inUse.isEmpty() ? QString() : tr(" Not asked, used by another program: %1.").arg(inUse.join(", ")));
        });
        usePrinter->setEnabled(!m_found.isEmpty());
    });
    m_follow->setInterval(1000);
    connect(m_follow.get(), &Timer::timeout, this, &PortsWindow::refresh);
    usePrinter->setEnabled(false);
    applyLanguage();
}

PortsWindow::~PortsWindow() = default;

QString PortsWindow::stateText(const port_catalog::Name& n) const
{
    QString s = n.state     ? causeWords(n.state.cause)
                : n.console ? tr("the kernel's console: not for the printer")
                            : tr("usable");
    if (n.state && !n.state.system.isEmpty() && n.state.cause != Cause::PortMissing)
        s += QStringLiteral(" (") + n.state.system + QLatin1Char(')');
    if (n.state && n.console)
        s += tr(", the kernel's console");
    if (!n.entry.isEmpty() && !n.ours)
        s += tr(", an entry Velmora did not make");
    return s;
}

void PortsWindow::applyLanguage()
{
    setWindowTitle(tr("Ports"));
    names->setHorizontalHeaderLabels({tr("Name"), tr("Leads to"), tr("State")});
    devices->setHorizontalHeaderLabels(
        {tr("Device"), tr("Description"), tr("Maker"), tr("Serial number"), tr("USB id"), tr("Named")});
    found->setHorizontalHeaderLabels({tr("Port"), tr("Device"), tr("Line"), tr("Model")});
    assign->setText(tr("&Assign the device below"));
    typePath->setText(tr("Device &path..."));
    free->setText(tr("&Free"));
    findPrinter->setText(tr("&Find the printer"));
    usePrinter->setText(tr("&Use this printer"));
    closeButton->setText(tr("&Close"));
    for (QTableWidget* t : {names, devices, found})
        t->setAccessibleName(t == names ? windowTitle() : t == devices ? tr("Devices") : tr("Printers found"));
    say(m_said);
    m_seen.clear();
    refresh();
}

void PortsWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        applyLanguage();
    QDialog::changeEvent(event);
}

void PortsWindow::say(std::function<QString()> words)
{
    m_said = std::move(words);
    searchState->setText(m_said ? m_said() : QString());
}

void PortsWindow::refresh()
{
    const QList<port_catalog::Name> all = port_catalog::names();
    m_devices = port_catalog::devices();
    QList<QStringList> nameRows, deviceRows;
    for (const port_catalog::Name& n : all)
        nameRows << QStringList{n.name, n.device, stateText(n)};
    for (const port_catalog::Device& d : m_devices) {
        const QString usb = d.vendorId < 0 ? QString()
                                           : QStringLiteral("%1:%2")
                                                 .arg(d.vendorId, 4, 16, QLatin1Char('0'))
                                                 .arg(d.productId, 4, 16, QLatin1Char('0'));
        const QString kind = d.kind == port_catalog::Device::Kind::Parallel ? tr("parallel")
                             : d.kind == port_catalog::Device::Kind::Uart   ? tr("serial port")
                                                                            : d.description;
        deviceRows << QStringList{d.stablePath, kind, d.manufacturer, d.serialNumber, usb, d.namedBy.join(", ")};
    }
    // Redrawn only when something changed, so that a selection stays put.
    QString seen;
    for (const auto& rows : {nameRows, deviceRows})
        for (const QStringList& r : rows)
            seen += r.join('\t') + '\n';
    if (seen == m_seen)
        return;
    m_seen = seen;
    fill(names, nameRows);
    fill(devices, deviceRows);
    if (names->currentRow() < 0)
        names->selectRow(0);
}

QString PortsWindow::selectedName() const
{
    const int row = names->currentRow();
    return row >= 0 && names->item(row, 0) ? names->item(row, 0)->text() : QString();
}

void PortsWindow::change(const QString& name, const QString& device)
{
    if (name.isEmpty())
        return;
    using Result = port_catalog::Change::Result;
    const auto attempt = [&](bool replace) {
        return device.isEmpty() ? port_catalog::unlink(name, replace) : port_catalog::link(name, device, replace);
    };
    port_catalog::Change c = attempt(false);
    // Freeing removes the entry; assigning replaces it: the question says which.
    const QString question = device.isEmpty() ? tr("%1 is an entry Velmora did not make:\n%2\n\nRemove it?")
                                              : tr("%1 is an entry Velmora did not make:\n%2\n\nReplace it?");
    if (c.result == Result::Foreign && m_hooks.ask(question.arg(name, port_catalog::nameOf(name).entry)))
        c = attempt(true);
    if (c.result == Result::Failed)
        m_hooks.messages.show(c.error, windowTitle(), MessageIcon::Critical);
    if (c.result == Result::Done) {
        // A search's answers name ports as they led before: none of them is offered any more.
        m_probe->cancel();
        fill(found, {});
        m_found.clear();
        m_found.clear();
        usePrinter->setEnabled(false);
        findPrinter->setEnabled(true);
        say({});
    }
    m_seen.clear();
    refresh();
}

void PortsWindow::find()
{
    if (m_probe->running())
        return;
    fill(found, {});
    m_found.clear();
    usePrinter->setEnabled(false);
    m_inUse.clear();
    const QStringList ports = port_catalog::probeCandidates(&m_inUse);
    if (ports.isEmpty()) {
        say([] { return tr("No usable port to ask."); });
        return;
    }
    say([ports] { return tr("Asking %1...").arg(ports.join(", ")); });
    findPrinter->setEnabled(false);
    m_probe->start(ports, m_hooks.chosenLine());
}

void PortsWindow::use()
{
    const int row = found->currentRow();
    if (row < 0 || row >= m_found.size())
        return;
    const PrinterProbe::Found& f = m_found[row];
    m_hooks.choose(f.port, f.line);
}

bool PortsWindow::searching() const
{
    return m_probe->running();
}

void PortsWindow::showEvent(QShowEvent* event)
{
    // Each opening starts without an old search's answers: the ports may have changed since.
    say({});
    fill(found, {});
    m_found.clear();
    usePrinter->setEnabled(false);
    m_seen.clear();
    refresh();
    m_follow->setEnabled(true);
    QDialog::showEvent(event);
}

void PortsWindow::hideEvent(QHideEvent* event)
{
    // Nothing goes on behind a closed window: no search, no looking for adapters.
    m_probe->cancel();
    findPrinter->setEnabled(true);
    m_follow->setEnabled(false);
    QDialog::hideEvent(event);
}
