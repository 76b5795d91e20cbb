#include "data/WalCheckpoint.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include <sqlite3.h>

namespace WalCheckpoint {
namespace {

class Worker
{
public:
    void request(const std::string &path)
    {
        std::lock_guard lock(mutex_);
        pending_.insert(path);
        if (!started_) {
            started_ = true;
            // Never joined: the process may end with a checkpoint half done,
            // which SQLite's log recovery makes harmless.
            std::thread([this] { run(); }).detach();
        }
        wake_.notify_all();
    }

    bool waitIdle(int timeoutMs)
    {
        std::unique_lock lock(mutex_);
        return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return (pending_.empty() || paused_) && !busy_; });
    }

    void setPaused(bool paused)
    {
        std::lock_guard lock(mutex_);
        paused_ = paused;
        wake_.notify_all();
    }

    std::atomic<long> background{0};
    std::atomic<long> inlined{0};

private:
    void run()
    {
        for (;;) {
            std::string path;
            {
                std::unique_lock lock(mutex_);
                busy_ = false;
                idle_.notify_all();
                wake_.wait(lock, [this] { return !pending_.empty() && !paused_; });
                path = *pending_.begin();
                pending_.erase(pending_.begin());
                busy_ = true;
            }
            checkpoint(path);
        }
    }

    void checkpoint(const std::string &path)
    {
        // A connection per run: none is left open on a database the program
        // has finished with (or a test has deleted).
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK
            // A new connection opens the log only with its first read;
            // before that a checkpoint finds no log and does nothing.
            && sqlite3_exec(db, "PRAGMA schema_version", nullptr, nullptr, nullptr) == SQLITE_OK) {
            // Passive: copies what no reader still needs, never waits for
            // anybody and never makes a writer wait.
            if (sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr) == SQLITE_OK)
                ++background;
        }
        sqlite3_close(db);
    }

    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::set<std::string> pending_;
    bool started_ = false, busy_ = false, paused_ = false;
};

Worker &worker()
{
    // Leaked on purpose: the thread may still run while statics are destroyed.
    static Worker *w = new Worker;
    return *w;
}

int onCommit(void *, sqlite3 *db, const char *name, int pages)
{
    if (pages < kBackgroundPages)
        return SQLITE_OK;
    const char *file = sqlite3_db_filename(db, name);
    if (!file || !*file)
        return SQLITE_OK; // a temporary database has no log to share
    if (pages >= kInlinePages) {
        if (sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr) == SQLITE_OK)
            ++worker().inlined;
        return SQLITE_OK;
    }
    worker().request(file);
    return SQLITE_OK;
}

} // namespace

void watch(sqlite3 *db)
{
    if (db)
        sqlite3_wal_hook(db, onCommit, nullptr);
}

bool waitIdle(int timeoutMs) { return worker().waitIdle(timeoutMs); }
long backgroundRuns() { return worker().background; }
long inlineRuns() { return worker().inlined; }
void setPaused(bool paused) { worker().setPaused(paused); }

} // namespace WalCheckpoint
