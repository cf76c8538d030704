#include "cli/recording.h"

#include "cli/command.h"
#include "cli/file_names.h"
#include "core/platform/settings_store.h"
#include "core/record/job_rows.h"
#include "core/record/shop_record.h"
#include "texts/string_table.h"

#include <QCommandLineParser>

Recording::Recording(const QCommandLineParser& parser, Output& out) : m_out(out)
{
    if (parser.optionNames().contains(option::kSerial.names().constFirst()))
        m_serial = parser.value(option::kSerial);
    if (parser.isSet(option::kNoStored) && !parser.isSet(option::kRecord))
        return;
    m_record = std::make_unique<ServiceRecord>();
    SettingsStore settings;
    QString unusable;
    if (const auto shop = shop_record::stored(settings, &unusable))
        m_shop = std::make_unique<shop_record::Sender>(*shop, m_record->path());
    else if (!unusable.isEmpty())
        out.event(QStringLiteral("warning"), tr("the shop's record is not used: %1").arg(unusable),
                  {{"error", "shop-unusable"}, {"text", unusable}}, Output::Detail::Quiet);
}

Recording::~Recording()
{
    // The rows are written beside the job; what is still being written when the command ends is
    // waited for as long as one busy wait, and what went wrong is said before the program ends.
    if (m_record) {
        m_record->flush(1500);
        tellProblem();
    }
    // The job's rows go to the shop's record now, as long as a moment allows: what does not go waits
    // in the local record for the next run, and the command ends at its usual time.
    if (m_shop) {
        m_shop->finish(1500);
        tellShop();
    }
}

void Recording::tellShop()
{
    if (const auto why = m_shop->takeUnreachable())
        m_out.event(QStringLiteral("warning"),
                    tr("the shop's record cannot be reached (%1): the rows wait in the local record").arg(*why),
                    {{"error", "shop-unreachable"}, {"text", *why}}, Output::Detail::Quiet);
    if (const auto sent = m_shop->takeSent())
        m_out.event(QStringLiteral("shop-sent"),
                    tr("%n row(s) that waited went to the shop's record", nullptr, int(*sent)), {{"rows", *sent}});
}

void Recording::update(std::optional<qint64> id, const ServiceRecord::End& sofar)
{
    if (m_record)
        m_record->update(id, sofar);
}

void Recording::tellProblem()
{
    if (!m_toldAside && !m_record->setAside().isEmpty()) {
        m_toldAside = true;
        m_out.event(QStringLiteral("warning"),
                    tr("the service record was damaged: set aside as %1, a new one begun").arg(m_record->setAside()),
                    {{"error", "record-damaged"}, {"file", m_record->setAside()}}, Output::Detail::Quiet);
    }
    if (const auto why = m_record->takeProblem())
        m_out.event(QStringLiteral("warning"),
                    messageLine(ownText(Msg::NotRecorded).arg(m_record->path(), *why), {}, {}),
                    {{"error", "record-failed"}, {"file", m_record->path()}, {"text", *why}}, Output::Detail::Quiet);
}

std::optional<qint64> Recording::begin(const ServiceRecord::Start& start, int printer)
{
    if (!m_record)
        return std::nullopt;
    // A name the locale cannot hold is opened through a stand-in that goes with the run: the row
    // keeps the name as typed, its odd bytes escaped.
    ServiceRecord::Start s = start;
    if (s.serial.isEmpty())
        s.serial = (printer < 0 ? m_serial : m_serial.split(',').value(printer)).trimmed();
    s.file = file_names::shown(s.file);
    const auto id = m_record->begin(s);
    tellProblem();
    if (m_shop)
        m_shop->nudge();
    return id;
}

void Recording::complete(std::optional<qint64> id, const ServiceRecord::End& end)
{
    if (!m_record)
        return;
    m_record->complete(id, end);
    // The job is over: its row may take a moment, never its signal or its result.
    m_record->flush(1000);
    tellProblem();
    if (m_shop) {
        m_shop->finish(1500);
        tellShop();
    }
}

std::optional<qint64> Recording::beginAsking(JobKind kind, const LinkChoice& link, const QString& file)
{
    return begin(job_rows::conversationStart(QStringLiteral("command line"), kind, link.port,
                                             link.line ? link.line->text() : QString(), file));
}

void Recording::remindIfMidImage(const QString& port, const QString& device)
{
    if (m_record && m_record->leftMidImage(port, device))
        m_out.event(QStringLiteral("warning"), messageLine(ownText(Msg::StillMidImage).arg(port), {}, {}),
                    {{"error", "printer-mid-image"}, {"port", port}, {"device", device}}, Output::Detail::Quiet);
}
