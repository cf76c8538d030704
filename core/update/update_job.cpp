#include "core/update/update_job.h"

#include "core/link/serial_control.h"
#include "core/platform/clock.h"
#include "core/platform/job_ids.h"
#include "core/printer/release_check.h"

namespace {

// A connection to a task's locals: it goes with them, when the task ends or is cancelled.
struct Connection {
    QMetaObject::Connection connection;
    ~Connection() { QObject::disconnect(connection); }
};

} // namespace

QString PrinterUpdate::stateId() const
{
    using O = JobOutcome;
    static constexpr O outcomes[] = {O::Asking,     O::NoAnswer,  O::PortRefused, O::Skipped,    O::Loading,
                                     O::LoadFailed, O::Verifying, O::Verified,    O::NotVerified};
    return idOf(outcomes[int(state)]);
}

struct UpdateJob::Printer {
    Printer(Clock& clock, const MakePort& makePort, const UpdateChoices& choices, const QString& port)
        : askingPort(makePort()), loadingPort(makePort()), timer(clock.createTimer()),
          interrogation(*askingPort, clock),
          download(DownloadInputs{[pacing = choices.pacing] { return pacing; },
                                  [link = LinkChoice{port, choices.line}] { return link; }},
                   clock, *loadingPort, *timer),
          watch(download, clock)
    {
    }
    PrinterUpdate state;
    std::unique_ptr<SerialControl> askingPort, loadingPort;
    std::unique_ptr<Timer> timer;
    Interrogation interrogation;
    Download download;
    DownloadWatch watch;
    Job job;
};

UpdateJob::UpdateJob(Clock& clock, MakePort makePort, UpdateChoices choices, QObject* parent)
    : QObject(parent), m_clock(clock), m_makePort(std::move(makePort)), m_choices(std::move(choices))
{
}

UpdateJob::~UpdateJob()
{
    for (const auto& p : m_printers) {
        p->job.cancel();
        p->interrogation.cancel();
        p->download.endProgram();
    }
}

const PrinterUpdate& UpdateJob::printer(int i) const
{
    return m_printers[std::size_t(i)]->state;
}

Download& UpdateJob::download(int i)
{
    return m_printers[std::size_t(i)]->download;
}

DownloadWatch& UpdateJob::watch(int i)
{
    return m_printers[std::size_t(i)]->watch;
}

void UpdateJob::start(const QList<std::pair<QString, QString>>& printers)
{
    if (running())
        return;
    for (const auto& p : m_printers)
        p->download.endProgram();
    m_printers.clear();
    for (const auto& [port, device] : printers) {
        m_printers.push_back(std::make_unique<Printer>(m_clock, m_makePort, m_choices, port));
        Printer& p = *m_printers.back();
        p.state.port = port;
        p.state.device = device;
        const int index = int(m_printers.size()) - 1;
        connect(&p.download, &Download::notice, this,
                [this, index](const DownloadNotice& n) { emit notice(index, n); });
        connect(&p.job, &Job::finished, this, [this, index] { ended(index); });
    }
    m_running = size();
    for (int i = 0; i < size(); ++i)
        m_printers[std::size_t(i)]->job.start(update(*m_printers[std::size_t(i)], i));
}

void UpdateJob::cancel()
{
    for (int i = 0; i < size(); ++i)
        cancel(i);
}

void UpdateJob::cancel(int i)
{
    if (i < 0 || i >= size())
        return;
    Printer& p = *m_printers[std::size_t(i)];
    if (p.state.ended)
        return;
    p.job.cancel();
    p.interrogation.cancel();
    p.state.interrupted = p.state.state == PrinterUpdate::State::Loading;
    if (p.download.running()) {
        // Its report comes as it stops: what went out, whether the printer is left mid-image.
        const Connection c{connect(&p.download, &Download::ended, this,
                                   [&p](const DownloadReport& r) { p.state.load = r; })};
        p.download.cancel();
    }
    ended(i);
}

void UpdateJob::set(int index, PrinterUpdate::State state)
{
    PrinterUpdate& p = m_printers[std::size_t(index)]->state;
    if (std::exchange(p.state, state) != state)
        emit changed(index);
}

void UpdateJob::ended(int index)
{
    PrinterUpdate& p = m_printers[std::size_t(index)]->state;
    if (std::exchange(p.ended, true))
        return;
    emit printerEnded(index, p);
    if (--m_running == 0) {
        QList<PrinterUpdate> all;
        for (const auto& printer : m_printers)
            all << printer->state;
        emit finished(all);
    }
}

Task<Interrogation::Answers> UpdateJob::ask(Printer& p, int index, bool first)
{
    std::optional<Interrogation::Answers> answers;
    Wakeup done;
    const Connection connection{
        connect(&p.interrogation, &Interrogation::finished, this, [&](const Interrogation::Answers& a) {
            answers = a;
            done.fire();
        })};
    p.interrogation.start(LinkChoice{p.state.port, m_choices.line});
    if (!answers) // a port that does not open ends the run at once
        co_await done;
    // Only the first question's failure is news: a restarting printer is expected to be silent.
    if (first && answers->failure)
        emit askFailed(index, answers->failure);
    co_return *answers;
}

namespace {
bool answered(const Interrogation::Answers& a)
{
    return a.answered();
}
} // namespace

Task<> UpdateJob::update(Printer& p, int index)
{
    PrinterUpdate& s = p.state;
    using State = PrinterUpdate::State;
    // Before: who is there, and does it need the file?
    const Interrogation::Answers first = co_await ask(p, index, true);
    if (!answered(first)) {
        s.cause = first.failure ? first.failure.cause : Cause::PrinterNoAnswer;
        s.error = causeId(s.cause);
        // A port that did not open is no printer that did not answer.
        set(index, concernOf(s.cause) == Concern::Port ? State::PortRefused : State::NoAnswer);
        co_return;
    }
    s.model = first.model.value_or(QString());
    s.before = first.release.value_or(QString());
    const std::optional<int> order = releaseOrder(m_choices.release, s.before);
    s.downgrade = order && *order < 0;
    if ((first.release == m_choices.release && !m_choices.force) || (s.downgrade && !m_choices.allowDowngrade)) {
        set(index, State::Skipped);
        co_return;
    }
    // Load, exactly as a download does.
    set(index, State::Loading);
    Wakeup loaded;
    const Connection connection{connect(&p.download, &Download::ended, this, [&](const DownloadReport& r) {
        s.load = r;
        loaded.fire();
    })};
    p.download.start(m_choices.request);
    if (!s.load)
        co_await loaded;
    if (s.load->outcome != DownloadOutcome::Completed) {
        s.cause = s.load->failure.cause;
        s.error = s.load->failure ? causeId(s.load->failure.cause) : s.load->outcomeId();
        set(index, State::LoadFailed);
        co_return;
    }
    // After: the printer restarts; it is asked until it reports the file's release or the time
    // is up (a restarting printer may answer noise first), and its last answer is kept.
    set(index, State::Verifying);
    const double deadline = m_clock.now() + m_choices.verifyTimeout;
    bool verified = false;
    while (!verified && m_clock.now() < deadline) {
        co_await m_clock.sleep(m_choices.pollEvery);
        const Interrogation::Answers again = co_await ask(p, index, false);
        if (answered(again)) {
            s.after = again.release.value_or(QString());
            verified = again.release == m_choices.release;
        }
    }
    set(index, verified ? State::Verified : State::NotVerified);
}
