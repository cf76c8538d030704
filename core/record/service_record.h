#pragma once

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// The service record: every job written to one SQLite database when it starts, kept current
// while it runs and completed when it ends, so that weeks later one can tell what went into
// which printer, when, and how it ended. Writing it never stops, delays or changes a job: every
// write goes to a thread of its own, and a write that fails (a full disk, a read-only or locked
// database) costs that job its row only, reported once by problem(); a damaged database (SQLite
// says so) is set aside under a name with its time and a new one begun.
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
        QString serial; // the printer's serial number, when the operator gave it
    };
    // How it ended.
    struct End {
        QString outcome; // "completed", "sent", "failed", "interrupted", "verified", ...
        QString cause;   // the failure's stable id
        QString headers;
        qint64 sent = -1, taken = -1;
        bool midImage = false;
        QString model, release, flash, releaseAfter;
        QString fileSha256;  // known once the whole file went out; kept from the start otherwise
        QString fileRelease; // found in the file by the job (a release check); kept from the start otherwise
    };
    // One row as read back; `outcome` "did-not-finish" for a job whose program ended before it did,
    // "running" while that program still runs.
    struct Row {
        qint64 id = 0;
        QString uid; // the row's own, the same wherever it is copied
        QDateTime started, ended;
        QString user, host, machineId; // who and which bench: its host name and machine id
        qint64 pid = -1;
        Start start;
        End end;
        QString note;                // added by the operator after the job
        qint64 rev = 0, shopRev = 0; // each write counts; the shop's copy has the row as of shopRev
    };
    // The time as the record stores it, "2026-12-09T08:15:00.123Z"; empty for none.
    static QString timeText(const QDateTime& time);
    struct Filter {
        QString port, file, outcome; // the port as given, a part of the file's path (taken literally)
        QDateTime since;
        QString serial, bench; // as given
    };
    // Rows read back, or why the record could not be read.
    struct Reading {
        QList<Row> rows;
        QString error;
    };

    // 2: each row with its own id, the bench's machine id, the printer's serial and a note, and the
    // revisions the shop's copy follows. A record of version 1 is brought forward when opened.
    static constexpr int kSchemaVersion = 2;
    // ${XDG_DATA_HOME:-~/.local/share}/Velmora/history.sqlite
    static QString defaultPath();
    // Reads the record at `path` without writing it: opened read-only, never set aside, never
    // made. A record that is not there has no rows; one that cannot be read says why.
    // `busyMs` bounds the wait for another writer's lock.
    static Reading readAt(const QString& path, const Filter& filter = {}, int busyMs = 1000);
    // The same rows from another database that holds them in `table` (the shop's copy), newest
    // first by their start.
    static Reading readFrom(const QSqlDatabase& db, const QString& table, const Filter& filter);
    // This bench's name in its rows: [Record] Bench of the settings where the shop names its benches
    // so, else the host's name.
    static QString benchName();
    // Why the record at `path` is not to be opened: something other than a file (a FIFO, a device)
    // stands in its place or a side file's; empty when nothing does.
    static QString notAFile(const QString& path);
    // The columns of a row, each with its type as SQLite has it ("INTEGER NOT NULL DEFAULT 0").
    static QList<std::pair<QString, QString>> columns();

    explicit ServiceRecord(QString path = defaultPath());
    // Waits for what is still being written, as long as one busy wait at most.
    ~ServiceRecord();
    ServiceRecord(const ServiceRecord&) = delete;
    ServiceRecord& operator=(const ServiceRecord&) = delete;

    // The job's row, written soon after; the handle names it to the calls below.
    std::optional<qint64> begin(const Start& start);
    // What the job did so far (its headers out, the bytes sent, the printer mid-image): a row
    // says at once what its job has done, also when the program is killed.
    void update(std::optional<qint64> id, const End& sofar);
    void complete(std::optional<qint64> id, const End& end);
    // The printer's serial number and a note, added to a row (by its id) after its job.
    void annotate(qint64 rowId, const QString& serial, const QString& note);
    // Waits until every write asked so far is done or has failed, at most `ms`; true when done.
    bool flush(int ms = 5000);
    // Newest first, as readAt.
    Reading read(const Filter& filter = {}) const;
    // The CSV's columns, as scripts know them: "id", "started", ... "mid_image".
    static const QStringList& csvColumns();
    // Rows as CSV (RFC 4180): a header line (`header`, one name a column, in place of the
    // columns' own names), then a line a row. Kinds, outcomes and causes stay as their ids.
    static QString toCsv(const QList<Row>& rows, const QStringList& header = {});
    // The last job on this port (the same device) left its printer mid-image, and nothing was
    // asked of that printer since. Read by the port's rows alone, waiting for no lock longer
    // than a moment: a record that cannot say in time reminds of nothing.
    bool leftMidImage(const QString& port, const QString& device);

    // Why a write of a job failed, once a job: cleared by the asking.
    std::optional<QString> takeProblem();
    // A damaged database was set aside under this name when the record was opened (known once the
    // first write is done: after flush()).
    QString setAside() const;
    QString path() const { return m_path; }

private:
    struct Writer;
    QString m_path;
    QString m_bench; // this bench's name, read once: no job's start reads the settings
    std::unique_ptr<Writer> m_writer;
    qint64 m_next = 0;
};
