#include "cli/history_command.h"

#include "core/link/stored_choices.h"
#include "core/record/service_record.h"

#include <QCommandLineParser>
#include <QJsonObject>

#include <cstdio>

void HistoryCommand::define(QCommandLineParser& p) const
{
    p.addOptions(
        {{"port", "Only the jobs on this port (COM3, LPT1).", "name"},
         {"file", "Only the jobs whose file's path holds this.", "text"},
         {"since", "Only the jobs started since this date (2026-12-01) or time (2026-12-01T08:00).", "date"},
         {"outcome", "Only the jobs that ended so: completed, sent, failed, aborted, did-not-finish, ...", "outcome"},
         {"csv", "The rows as CSV on standard output."}});
}

int HistoryCommand::run(const QCommandLineParser& p, Output& out)
{
    // COM3 and com3 are one name; a device's path is taken as it is written.
    const QString port = p.value("port");
    ServiceRecord::Filter filter{kPortItems.contains(port.toUpper()) ? port.toUpper() : port, p.value("file"),
                                 p.value("outcome"), {}};
    if (!filter.outcome.isEmpty() && !ServiceRecord::kOutcomes.contains(filter.outcome)) {
        const QString why = QStringLiteral("--outcome takes one of: ") + ServiceRecord::kOutcomes.join(", ");
        out.event(QStringLiteral("error"), QStringLiteral("velmora-cli history: ") + why,
                  {{"error", "usage"}, {"text", why}});
        return out.result(name(), exit_status::Usage);
    }
    if (p.isSet("since")) {
        filter.since = QDateTime::fromString(p.value("since"), Qt::ISODate);
        if (!filter.since.isValid()) {
            const QString why = QStringLiteral("--since takes a date such as 2026-12-01");
            out.event(QStringLiteral("error"), QStringLiteral("velmora-cli history: ") + why,
                      {{"error", "usage"}, {"text", why}});
            return out.result(name(), exit_status::Usage);
        }
    }
    if (p.isSet("csv") && out.json()) {
        const QString why = QStringLiteral("--csv or --json, not both");
        out.event(QStringLiteral("error"), QStringLiteral("velmora-cli history: ") + why,
                  {{"error", "usage"}, {"text", why}});
        return out.result(name(), exit_status::Usage);
    }
    // Only read: a record that cannot be read is said, never set aside or made anew.
    const ServiceRecord::Reading reading = ServiceRecord::readAt(ServiceRecord::defaultPath(), filter);
    if (!reading.error.isEmpty()) {
        out.event(QStringLiteral("error"),
                  QStringLiteral("velmora-cli history: %1: %2").arg(ServiceRecord::defaultPath(), reading.error),
                  {{"error", "record-unreadable"}, {"file", ServiceRecord::defaultPath()}, {"text", reading.error}},
                  Output::Detail::Quiet);
        return out.result(name(), exit_status::RecordUnreadable);
    }
    const QList<ServiceRecord::Row>& rows = reading.rows;
    if (p.isSet("csv")) {
        std::fputs(ServiceRecord::toCsv(rows).toUtf8().constData(), stdout);
        return exit_status::Ok;
    }
    const auto number = [](qint64 n) { return n < 0 ? QJsonValue() : QJsonValue(n); };
    for (const ServiceRecord::Row& r : rows) {
        const ServiceRecord::Start& s = r.start;
        const ServiceRecord::End& e = r.end;
        out.event(QStringLiteral("job"), QString(),
                  {{"id", r.id},
                   {"started", r.started.toString(Qt::ISODateWithMs)},
                   {"ended", r.ended.isValid() ? QJsonValue(r.ended.toString(Qt::ISODateWithMs)) : QJsonValue()},
                   {"user", r.user},
                   {"face", s.face},
                   {"kind", s.kind},
                   {"operation", s.operation},
                   {"file", s.file},
                   {"size", number(s.fileSize)},
                   {"sha256", s.fileSha256},
                   {"port", s.port},
                   {"device", s.device},
                   {"deviceId", s.deviceId},
                   {"line", s.line},
                   {"headers", e.headers},
                   {"sent", number(e.sent)},
                   {"taken", number(e.taken)},
                   {"model", e.model},
                   {"release", e.release},
                   {"releaseAfter", e.releaseAfter},
                   {"outcome", e.outcome},
                   {"cause", e.cause},
                   {"midImage", e.midImage}});
        out.say(QStringLiteral("%1  %2 %3 %4 %5 %6%7")
                    .arg(r.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                    .arg(s.kind, -13)
                    .arg(s.port, -6)
                    .arg(s.file.section('/', -1), -20)
                    .arg(e.outcome + (e.cause.isEmpty() ? QString() : QStringLiteral(" (") + e.cause + ')'), -28)
                    .arg(e.sent < 0 ? QString() : QStringLiteral("%1/%2").arg(e.sent).arg(s.fileSize))
                    .arg(e.midImage ? QStringLiteral(" mid-image") : QString()));
    }
    return out.result(name(), exit_status::Ok, {{"jobs", qint64(rows.size())}});
}
