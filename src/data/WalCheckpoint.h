#pragma once
// Write-ahead-log checkpoints of the SQLite databases, taken off the commit.
//
// By default SQLite copies the log back into the database file inside the
// commit that passes a thousand pages, so one registration in forty waits
// for a thousand page writes and a sync of the whole database file. Here a
// commit only notes that the log is long; a background thread, on its own
// connection, copies it back without blocking writers or readers. Should the
// log keep growing anyway (the thread held up, a reader that never lets go),
// the committing connection takes the checkpoint itself as before, so the
// log stays bounded.

struct sqlite3;

namespace WalCheckpoint {

// Pages in the log after which the background thread is asked to copy it
// back, and after which a commit does it itself.
constexpr int kBackgroundPages = 1000;
constexpr int kInlinePages = 16000;

// Installs the commit hook on a connection in WAL mode.
void watch(sqlite3 *db);

// For tests: waits until no checkpoint is pending or running (at most
// timeoutMs), and counts the checkpoints taken by the thread and by commits.
bool waitIdle(int timeoutMs);
long backgroundRuns();
long inlineRuns();

// For tests: holds the thread back (requests queue up) or lets it go.
void setPaused(bool paused);

} // namespace WalCheckpoint
