#include "cli/history_command.h"

#include "cli/file_names.h"
#include "cli/output_sink.h"
#include "core/link/stored_choices.h"
#include "core/platform/job_ids.h"
#include "core/platform/settings_store.h"
#include "core/record/service_record.h"
#include "core/record/shop_record.h"
#include "texts/cause_words.h"
#include "texts/record_words.h"

#include <QCommandLineParser>
#include <QJsonObject>

namespace {
const QCommandLineOption kPort{QStringLiteral("port"), QStringLiteral("Only the jobs on this port (COM3, LPT1)."),
                               QStringLiteral("name")};
const QCommandLineOption kFile{QStringLiteral("file"), QStringLiteral("Only the jobs whose file's path holds this."),
                               QStringLiteral("text")};
const QCommandLineOption kSince{
    QStringLiteral("since"),
    QStringLiteral("Only the jobs started since this date (2026-12-01) or time (2026-12-01T08:00)."),
    QStringLiteral("date")};
const QCommandLineOption kOutcome{
    QStringLiteral("outcome"),
    QStringLiteral("Only the jobs that ended so: completed, sent, failed, aborted, did-not-finish, ..."),
    QStringLiteral("outcome")};
const QCommandLineOption kCsv{QStringLiteral("csv"), QStringLiteral("The rows as CSV on standard output.")};
const QCommandLineOption kSerial{QStringLiteral("serial"),
                                 QStringLiteral("Only the jobs on the printer of this serial number."),
                                 QStringLiteral("number")};
const QCommandLineOption kShop{QStringLiteral("shop"),
                               QStringLiteral("The shop's record (every bench's jobs), not this bench's own.")};
const QCommandLineOption kBench{QStringLiteral("bench"), QStringLiteral("Only the jobs of this bench (its host name)."),
                                QStringLiteral("name")};
} // namespace

void HistoryCommand::define(QCommandLineParser& p) const
{
    p.addOptions({kPort, kFile, kSince, kOutcome, kCsv, kSerial, kBench, kShop});
}

int HistoryCommand::run(const QCommandLineParser& p, Output& out)
{
    const auto usage = [&](const QString& why) {
        out.event(QStringLiteral("error"), QStringLiteral("velmora-cli history: ") + why,
                  {{"error", "usage"}, {"text", why}});
        return out.result(name(), exit_status::Usage);
    };
    // COM3 and com3 are one name; a device's path is taken as it is written.
    const QString port = p.value(kPort);
    ServiceRecord::Filter filter{kPortItems.contains(port.toUpper()) ? port.toUpper() : port,
                                 p.value(kFile),
                                 p.value(kOutcome),
                                 {},
                                 p.value(kSerial),
                                 p.value(kBench)};
    if (!filter.outcome.isEmpty() && !jobOutcomeIds().contains(filter.outcome))
        return usage(QStringLiteral("--outcome takes one of: ") + jobOutcomeIds().join(", "));
    if (p.isSet(kSince)) {
        filter.since = QDateTime::fromString(p.value(kSince), Qt::ISODate);
        if (!filter.since.isValid())
            return usage(QStringLiteral("--since takes a date such as 2026-12-01"));
    }
    if (p.isSet(kCsv) && out.json())
        return usage(QStringLiteral("--csv or --json, not both"));
    // Only read: a record that cannot be read is said, never set aside or made anew.
    ServiceRecord::Reading reading;
    if (p.isSet(kShop)) {
        SettingsStore settings;
        QString unusable;
        const auto shop = shop_record::stored(settings, &unusable);
        if (!shop)
            return usage(unusable.isEmpty() ? QStringLiteral("no shop's record is set (velmora-cli record --shop URI)")
                                            : unusable);
        reading = shop_record::read(*shop, filter);
        if (!reading.error.isEmpty()) {
            out.event(QStringLiteral("error"),
                      QStringLiteral("velmora-cli history: %1: %2").arg(shop->text(), reading.error),
                      {{"error", "shop-unreachable"}, {"text", reading.error}}, Output::Detail::Quiet);
            return out.result(name(), exit_status::ShopUnreachable);
        }
    } else
        reading = ServiceRecord::readAt(ServiceRecord::defaultPath(), filter);
    if (!reading.error.isEmpty()) {
        out.event(QStringLiteral("error"),
                  QStringLiteral("velmora-cli history: %1: %2").arg(ServiceRecord::defaultPath(), reading.error),
                  {{"error", "record-unreadable"}, {"file", ServiceRecord::defaultPath()}, {"text", reading.error}},
                  Output::Detail::Quiet);
        return out.result(name(), exit_status::RecordUnreadable);
    }
    const QList<ServiceRecord::Row>& rows = reading.rows;
    if (p.isSet(kCsv)) {
        output_sink::put(output_sink::Stream::Out, ServiceRecord::toCsv(rows).toUtf8(), false);
        return exit_status::Ok;
    }
    const Output::Batch batch;
    for (const ServiceRecord::Row& r : rows) {
        const ServiceRecord::Start& s = r.start;
        const ServiceRecord::End& e = r.end;
        if (!out.json()) { // each row as the one or the other: a listing of many rows builds nothing twice
            // In the operator's words; the ids are in --json and --csv.
            out.say(QStringLiteral("%1  %2 %3 %4 %5 %6%7")
                        .arg(r.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                        .arg(jobKindWords(s.kind), -17)
                        .arg(s.port, -6)
                        .arg(s.file.section('/', -1), -20)
                        .arg(outcomeWords(e.outcome) +
                                 (e.cause.isEmpty() ? QString() : QStringLiteral(" (") + causeWordsOfId(e.cause) + ')'),
                             -28)
                        .arg(e.sent < 0 ? QString() : QStringLiteral("%1/%2").arg(e.sent).arg(s.fileSize))
                        .arg(e.midImage ? tr(", printer mid-image") : QString()));
            continue;
        }
        QByteArray members;
        members.reserve(1024);
        const auto text = [&](const char* key, const QString& value) {
            members += members.isEmpty() ? "\"" : ",\"";
            members += key;
            members += "\":";
            Output::appendJson(members, value);
        };
        const auto count = [&](const char* key, qint64 value) {
            members += members.isEmpty() ? "\"" : ",\"";
            members += key;
            members += "\":";
            members += value < 0 ? QByteArray("null") : QByteArray::number(value);
        };
        count("id", r.id);
        text("started", ServiceRecord::timeText(r.started));
        if (r.ended.isValid())
            text("ended", ServiceRecord::timeText(r.ended));
        else
            members += ",\"ended\":null";
        text("user", r.user), text("face", s.face), text("kind", s.kind), text("operation", s.operation);
        text("file", file_names::shown(s.file)), count("size", s.fileSize), text("sha256", s.fileSha256);
        text("port", s.port), text("device", s.device), text("deviceId", s.deviceId), text("line", s.line);
        text("headers", e.headers), count("sent", e.sent), count("taken", e.taken), text("model", e.model);
        text("release", e.release), text("releaseAfter", e.releaseAfter), text("outcome", e.outcome);
        text("cause", e.cause), text("bench", r.host), text("serial", s.serial), text("note", r.note);
        text("uid", r.uid);
        members += e.midImage ? ",\"midImage\":true" : ",\"midImage\":false";
        out.eventMembers(QStringLiteral("job"), members);
    }
    return out.result(name(), exit_status::Ok, {{"jobs", qint64(rows.size())}});
}
