#pragma once

#include "core/download/download.h"
#include "core/platform/job_ids.h"
#include "core/record/service_record.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class MessageBoxes;
class QTimer;
namespace shop_record {
class Sender;
}

// The window's jobs in the service record: a download's row from its plan (or its refusal) to its
// end, kept current from its first header on; each TEST's and release check's row. A row that
// could not be written is said once, after the job's own box, never over another one.
class WindowRecord : public QObject
{
    Q_OBJECT
public:
    struct Hooks {
        Clock& clock;
        MessageBoxes& messages;
        // Whether to go on with a download the operator is warned of.
        std::function<bool(const QString& text)> goOn;
        // The window shows a job now (a download's dialog): nothing is said over it.
        std::function<bool()> busy;
        // A row ended and was written, for a window that shows the rows.
        std::function<void()> rowEnded;
    };
    WindowRecord(Download& download, Hooks hooks, QObject* parent = nullptr);
    ~WindowRecord() override;

    // Before the download button starts one: false when the printer on this link still holds part
    // of an image and the operator does not go on.
    bool beforeDownload(const DownloadRequest& request, const LinkChoice& link, Pacing pacing);
    // A conversation with the printer on this link: its row, written now.
    std::optional<qint64> beginAsking(JobKind kind, const LinkChoice& link, const QString& file = {});
    void complete(std::optional<qint64>& id, const ServiceRecord::End& end);
    // Another window's job (an update's printer): its row from its start to its end, and, once
    // its rows are written, a row that could not be is said.
    std::optional<qint64> begin(const ServiceRecord::Start& start);
    void tellProblemLater();
    // The last job on this link left its printer holding part of an image.
    bool leftMidImage(const QString& port, const QString& device);
    // This program's own rows written, as long as `ms` allows.
    void flush(int ms);
    // A row's serial number and note, added after its job; written before the next reading.
    void annotate(qint64 row, const QString& serial, const QString& note);
    // The shop's record as stored now: a sender started, stopped or pointed elsewhere.
    void followShop();

private:
    ServiceRecord& record();
    // The download's row: with what its plan says once it has one, else the request alone.
    void begin(bool planned);
    void soFar();
    void ended(const DownloadReport& report);
    void tellProblem();

    Download& m_download;
    Hooks m_hooks;
    std::unique_ptr<ServiceRecord> m_record;
    std::unique_ptr<shop_record::Sender> m_shop;
    QString m_shopText;           // where the sender sends
    QTimer* m_shopNews = nullptr; // what the sender has to say, looked at now and then
    void tellShop();
    struct Pending {
        bool pending = false;
        std::optional<qint64> id;
        DownloadRequest request;
        LinkChoice link;
        QString device;
        Pacing pacing = Pacing::Normal;
    } m_row;
    double m_writtenAt = 0;
};
