#include "app/window_record.h"

#include "core/platform/clock.h"
#include "core/platform/settings_store.h"
#include "core/record/job_rows.h"
#include "core/record/shop_record.h"
#include "texts/messages.h"
#include "texts/string_table.h"

#include <QApplication>
#include <QTimer>

WindowRecord::WindowRecord(Download& download, Hooks hooks, QObject* parent)
    : QObject(parent), m_download(download), m_hooks(std::move(hooks))
{
    // The job is over when its last notice comes: its row ends now, not when the operator closes the box.
    connect(&download, &Download::notice, this, [this](const DownloadNotice& n) { ended(n.report); });
    connect(&download, &Download::planned, this, [this] { begin(true); });
    // The row says at once that a header went out (the printer is mid-image from then on), and
    // keeps up with the bytes every few seconds: a program killed meanwhile leaves a true row.
    connect(&download, &Download::headerSent, this, &WindowRecord::soFar);
    connect(&download, &Download::progressChanged, this, [this] {
        if (m_row.id && m_hooks.clock.now() - m_writtenAt >= 5)
            soFar();
    });
    connect(&download, &Download::ended, this, &WindowRecord::ended);
    m_shopNews = new QTimer(this);
    m_shopNews->setInterval(2000);
    connect(m_shopNews, &QTimer::timeout, this, &WindowRecord::tellShop);
    followShop();
}

WindowRecord::~WindowRecord() = default;

void WindowRecord::annotate(qint64 row, const QString& serial, const QString& note)
{
    record().annotate(row, serial, note);
    record().flush(250);
    if (m_shop)
        m_shop->nudge();
}

void WindowRecord::followShop()
{
    SettingsStore settings;
    const auto shop = shop_record::stored(settings);
    const QString text = shop ? shop->text() : QString();
    if (text == m_shopText && (m_shop != nullptr) == shop.has_value())
        return;
    m_shop.reset();
    m_shopText = text;
    // The window open is a run that sends what waits, the rows of earlier runs too.
    if (shop)
        m_shop = std::make_unique<shop_record::Sender>(*shop, ServiceRecord::defaultPath());
    m_shopNews->setInterval(2000);
    shop ? m_shopNews->start() : m_shopNews->stop();
}

void WindowRecord::tellShop()
{
    // Said once a session each, never over another box or a running download's dialog.
    if (!m_shop || m_hooks.messages.silenced || QApplication::activeModalWidget() || m_hooks.busy())
        return;
    if (const auto why = m_shop->takeUnreachable())
        m_hooks.messages.show(tr("The shop's record cannot be reached: the jobs are recorded on this bench and "
                                 "go to the shop's record when it answers again.\n\n%1\n%2")
                                  .arg(m_shopText, *why),
                              kAppTitle, MessageIcon::Information);
    if (const auto sent = m_shop->takeSent())
        m_hooks.messages.show(tr("The %n job(s) that waited went to the shop's record.", nullptr, int(*sent)),
                              kAppTitle, MessageIcon::Information);
}

ServiceRecord& WindowRecord::record()
{
    if (!m_record)
        m_record = std::make_unique<ServiceRecord>();
    return *m_record;
}

void WindowRecord::flush(int ms)
{
    if (m_record)
        m_record->flush(ms);
}

bool WindowRecord::beforeDownload(const DownloadRequest& request, const LinkChoice& link, Pacing pacing)
{
    const QString device = link.device();
    // A printer still waiting for the rest of an image would take this one as that rest: nothing
    // goes out unless the operator goes on.
    if (record().leftMidImage(link.port, device) && !m_hooks.goOn(ownText(Msg::StillMidImage).arg(link.port)))
        return false;
    m_row = Pending{true, std::nullopt, request, link, device, pacing};
    return true;
}

std::optional<qint64> WindowRecord::beginAsking(JobKind kind, const LinkChoice& link, const QString& file)
{
    const auto id = record().begin(job_rows::conversationStart(QStringLiteral("window"), kind, link.port,
                                                               link.line ? link.line->text() : QString(), file));
    record().takeProblem(); // a conversation's row missing is no news to stop the operator for
    return id;
}

void WindowRecord::complete(std::optional<qint64>& id, const ServiceRecord::End& end)
{
    if (m_record)
        m_record->complete(std::exchange(id, std::nullopt), end);
    if (m_shop)
        m_shop->nudge();
}

std::optional<qint64> WindowRecord::begin(const ServiceRecord::Start& start)
{
    const auto id = record().begin(start);
    if (m_shop)
        m_shop->nudge();
    return id;
}

void WindowRecord::tellProblemLater()
{
    QTimer::singleShot(0, this, &WindowRecord::tellProblem);
}

bool WindowRecord::leftMidImage(const QString& port, const QString& device)
{
    return record().leftMidImage(port, device);
}

void WindowRecord::begin(bool planned)
{
    if (!std::exchange(m_row.pending, false) || !m_record)
        return;
    // A row holds what its own job did: a file refused before its plan has no headers, no digest.
    m_row.id = m_record->begin(job_rows::downloadStart({QStringLiteral("window"),
                                                        JobKind::Download,
                                                        m_row.request,
                                                        m_row.pacing,
                                                        m_row.link,
                                                        m_row.device,
                                                        planned ? &m_download.plan() : nullptr,
                                                        planned ? m_download.fileXor() : -1,
                                                        {}}));
    m_writtenAt = m_hooks.clock.now();
}

void WindowRecord::soFar()
{
    if (!m_record || !m_row.id)
        return;
    m_record->update(m_row.id, job_rows::downloadSoFar(m_download.plan(), m_download.bytesWritten(),
                                                       m_download.progress().taken));
    m_writtenAt = m_hooks.clock.now();
}

void WindowRecord::ended(const DownloadReport& report)
{
    begin(report.planned); // not begun yet: refused, before or after its plan
    if (!m_record || !m_row.id)
        return;
    m_record->complete(std::exchange(m_row.id, std::nullopt), job_rows::downloadEnd(report));
    if (m_shop)
        m_shop->nudge();
    // After the job's own box: the row is written meanwhile.
    tellProblemLater();
}

void WindowRecord::tellProblem()
{
    // Said once, after the job's own end, when the record has had its say: the job itself went on
    // as it would have.
    if (!m_record || m_hooks.messages.silenced)
        return;
    // Not before the record has had its say, nor over another box or a running download's dialog.
    if (!m_record->flush(0) || QApplication::activeModalWidget() || m_hooks.busy()) {
        QTimer::singleShot(250, this, &WindowRecord::tellProblem);
        return;
    }
    if (m_hooks.rowEnded)
        m_hooks.rowEnded();
    if (const auto why = m_record->takeProblem())
        m_hooks.messages.show(ownText(Msg::NotRecorded).arg(m_record->path(), *why), kAppTitle,
                              MessageIcon::Information);
}
