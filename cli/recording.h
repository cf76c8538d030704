#pragma once

#include "core/link/line_settings.h"
#include "core/platform/job_ids.h"
#include "core/record/service_record.h"

#include <QCoreApplication>
#include <memory>

namespace shop_record {
class Sender;
}

class Output;
class QCommandLineParser;

// A command's jobs in the service record: kept unless --no-stored is given without --record.
// What could not be written is said once, as a warning; the job goes on as if nothing happened.
class Recording
{
    Q_DECLARE_TR_FUNCTIONS(Recording)

public:
    Recording(const QCommandLineParser& parser, Output& out);
    ~Recording();
    // `printer`: which of --serial's numbers is this job's (an update's printers, in order); -1 for
    // the whole of it.
    std::optional<qint64> begin(const ServiceRecord::Start& start, int printer = -1);
    // What the job did so far: its headers out, its bytes.
    void update(std::optional<qint64> id, const ServiceRecord::End& sofar);
    void complete(std::optional<qint64> id, const ServiceRecord::End& end);
    // A conversation with the printer on this link: an interrogation, a release check.
    std::optional<qint64> beginAsking(JobKind kind, const LinkChoice& link, const QString& file = {});
    // Before a download: the last job on this port left its printer holding part of an image.
    void remindIfMidImage(const QString& port, const QString& device);

private:
    void tellProblem();
    void tellShop();

    std::unique_ptr<ServiceRecord> m_record;
    // Copies the rows to the shop's record, where one is set, beside the job.
    std::unique_ptr<shop_record::Sender> m_shop;
    Output& m_out;
    bool m_toldAside = false;
    QString m_serial; // --serial, where the command has it
};
