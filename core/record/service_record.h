#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The service record: every job written to one SQLite database when it starts and completed when
// it ends, so that weeks later one can tell what went into which printer, when, and how it
// ended. Writing it never stops or changes a job: a write that fails (a full disk, a read-only or
// locked database) is reported once, by problem(), and the job goes on; a damaged database is set
// aside under a name with its time and a new one begun.
class ServiceRecord
{
public:
    // What a job is, when it starts. Empty fields are unknown.
    struct Start {
        QString face; // "window", "command line"
        QString kind; // "download", "release-check", "interrogation", "update"
        QString operation, boot;
        bool checksum = false, turbo = false;
        QString file;
        qint64 fileSize = -1;
        QString fileSha256;
        int fileXor = -1;
        QString fileRelease;
        QString port, device, deviceId, line;
    };
    // How it ended.
    struct End {
        QString outcome; // "completed", "sent", "failed", "aborted", "verified", ...
        QString cause;   // the failure's stable id
        QString headers;
        qint64 sent = -1, taken = -1;
        bool midImage = false;
        QString model, release, flash, releaseAfter;
        QString fileSha256; // known once the whole file went out; kept from the start otherwise
    };
    // One row as read back; `outcome` "did-not-finish" for a job whose program ended before it did,
    // "running" while that program still runs.
    struct Row {
        qint64 id = 0;
        QDateTime started, ended;
        QString user;
        Start start;
        End end;
    };
    struct Filter {
        QString port, file, outcome;
        QDateTime since;
    };

    // A conversation with the printer on a serial port (an interrogation, a release check), as it
    // starts: the port, its device and what identifies it, the line.
    static Start conversation(const QString& face, const QString& kind, const QString& port, const QString& line,
                              const QString& file = {});

    static constexpr int kSchemaVersion = 1;
    // ${XDG_DATA_HOME:-~/.local/share}/Velmora/history.sqlite
    static QString defaultPath();

    explicit ServiceRecord(QString path = defaultPath());
    ~ServiceRecord();
    ServiceRecord(const ServiceRecord&) = delete;
    ServiceRecord& operator=(const ServiceRecord&) = delete;

    // The job's row, written now; nothing when it could not be (problem() says why).
    std::optional<qint64> begin(const Start& start);
    void complete(std::optional<qint64> id, const End& end);
    // Newest first.
    QList<Row> read(const Filter& filter = {}) const;
    // Rows as CSV (RFC 4180): a header line, then a line a row.
    static QString toCsv(const QList<Row>& rows);
    // The last job on this port (the same device) left its printer mid-image, and nothing was
    // asked of that printer since.
    bool leftMidImage(const QString& port, const QString& device) const;

    // Why a write of this job failed, once: cleared by the asking, so that a face says it once per job.
    std::optional<QString> takeProblem();
    // A damaged database was set aside under this name when the record was opened.
    QString setAside() const { return m_setAside; }
    QString path() const { return m_path; }

private:
    bool open();
    bool exec(const QString& sql, const QList<QVariant>& values = {}, qint64* id = nullptr);
    void fail(const QString& why);

    QString m_path;
    QString m_connection;
    QString m_setAside;
    std::optional<QString> m_problem;
    bool m_told = false;
    bool m_open = false;
};
