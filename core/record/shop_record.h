#pragma once

#include "core/record/service_record.h"
#include "core/record/shop_address.h"

#include <functional>
#include <memory>
#include <optional>

class QObject;
class SettingsStore;

// The shop's record: the rows of every bench's service record, copied into one PostgreSQL
// database. The local record stays first: a job writes there only, and a sender on a thread of its
// own copies what waits (new rows, and rows written again since) to the shop, each by its uid, so
// that a row sent twice is held once and a row completed later replaces the one sent at its start.
namespace shop_record {

// The stored address ([Record] ShopRecord of the settings); nothing when none is set. `why` says
// why a stored one cannot be used.
std::optional<ShopAddress> stored(SettingsStore& store, QString* why = nullptr);
void store(SettingsStore& store, const std::optional<ShopAddress>& address);

// The shop's table and its schema's version: made when missing, a later version read and never
// written.
constexpr int kSchemaVersion = 1;
inline const QString kTable = QStringLiteral("velmora_jobs");

// Opens a connection of this thread under `name`; empty when it is open, else why.
QString open(const ShopAddress& address, const QString& name);
void close(const QString& name);
// Whether rows may be written there now: it answers, and its tables are there (made when missing)
// and of this version. Empty when they may, else why not.
QString check(const ShopAddress& address);
// The rows of every bench, as the local record filters them (and by bench).
ServiceRecord::Reading read(const ShopAddress& address, const ServiceRecord::Filter& filter);
// The same on a thread of its own, for a window that must not wait: `done` runs on `context`'s
// thread with the rows, unless `context` is gone by then.
void readLater(const ShopAddress& address, const ServiceRecord::Filter& filter, QObject* context,
               std::function<void(const ServiceRecord::Reading&)> done);
// What the shop's server says when asked, on a thread of its own: empty `why` and its words ("PostgreSQL
// 15.18, 1204 rows of 3 benches"), or why it cannot be reached.
void testLater(const ShopAddress& address, QObject* context,
               std::function<void(const QString& why, const QString& found)> done);
// How many rows of the local record at `path` the shop's copy lacks or holds as they were.
qint64 waiting(const QString& path);

// Copies the local record at `path` to the shop at `address`, beside the jobs: it tries at once,
// then each second while the shop answers and every 10 s while it does not.
class Sender
{
public:
    Sender(ShopAddress address, QString path);
    // Stops at once when the last pass is over; one still waiting on the network is left to end
    // with the program (see abandoned()).
    ~Sender();
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;

    // Looks again for rows to send now (a job's row was written).
    void nudge();
    // One more pass for what waits now, waited for at most `ms`; true when it was made.
    bool finish(int ms);

    // Told once each: why the shop cannot be reached (or cannot take the rows), and, after that
    // or after rows waiting from before, how many rows were sent when none waits any more.
    std::optional<QString> takeUnreachable();
    std::optional<qint64> takeSent();

    // A sender was left waiting on the network when its owner went, or a reading still waits: the
    // program ends without running its static destructors (std::_Exit), or the thread would run
    // into them.
    static bool abandoned();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace shop_record
