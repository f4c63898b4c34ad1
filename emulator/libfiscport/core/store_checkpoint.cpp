// WAL checkpoints on a thread of their own, outside callers' calls.
#include <chrono>
#include <thread>

#include "core/store.h"
#include "core/store_sql.h"

namespace fiscemu {

namespace {
// The WAL is checkpointed (outside callers' calls) once it holds this many
// frames (about 256 KiB with SQLite's 4 KiB pages).
const int kCheckpointFrames = 64;
// A WAL this long (about 64 MiB) is made to start over: see checkpointLoop.
// Rare enough that the calls held up by it stay far outside the 99th
// percentile (a threshold of 1024 frames put them in it).
const int kRestartFrames = 16384;
// How long the checkpoint thread waits for the writer lock and for the
// snapshots still in the WAL when it makes the WAL start over; past it, it
// tries again at its next round.
const int kRestartWaitMs = 50;

// The checkpoint thread's wait for a lock: short polls, as callers hold the
// writer lock for most of the time while they come back to back and free it
// for moments SQLite's own backoff (1, 2, 5, 10 ms...) would miss.
int pollBriefly(void*, int count) {
    const int kPollMicros = 100;
    if (count * kPollMicros >= kRestartWaitMs * 1000)
        return 0;
    std::this_thread::sleep_for(std::chrono::microseconds(kPollMicros));
    return 1;
}
}  // namespace

using namespace storedb;

// Told by SQLite after each commit how many frames the WAL holds: costs the
// caller no system call, and wakes the checkpoint thread only when due, that
// is once the WAL grew by kCheckpointFrames since the last wake. While calls
// follow each other closely the WAL does not start over (each call begins
// reading before the last checkpoint ends), and waking the thread at every
// commit from then on would add its two syncs to each call's one.
int Store::walHook(void* self, sqlite3*, const char*, int frames) {
    auto* store = static_cast<Store*>(self);
    if (frames < store->framesAtWake_)
        store->framesAtWake_ = 0;  // the WAL started over
    if (frames - store->framesAtWake_ >= kCheckpointFrames) {
        store->framesAtWake_ = frames;
        std::lock_guard<std::mutex> lock(store->checkpointMutex_);
        if (!store->checkpointDue_) {
            store->checkpointDue_ = true;
            store->checkpointWake_.notify_one();
        }
    }
    return SQLITE_OK;
}

void Store::startCheckpointer() {
    if (checkpointer_.joinable())
        return;
    exec("PRAGMA wal_autocheckpoint=0");  // also removes SQLite's own hook
    sqlite3_wal_hook(db_, &Store::walHook, this);
    checkpointStop_ = false;
    checkpointer_ = std::thread([this] { checkpointLoop(); });
}

void Store::stopCheckpointer() {
    if (!checkpointer_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(checkpointMutex_);
        checkpointStop_ = true;
    }
    checkpointWake_.notify_one();
    checkpointer_.join();
}

// PASSIVE checkpoints take no lock a caller waits for: they copy what no
// reader still needs and leave the rest for the next round.
//
// A WAL starts over (its next frame written at its start) only when the
// caller's snapshot began after a checkpoint copied everything; calls that
// follow each other closely never give it that moment, and the WAL would
// grow without end (gigabytes over a long run, every page lookup slower).
// Once the WAL is kRestartFrames long, the thread therefore runs a RESTART
// checkpoint after its passive one: with the writer lock, it copies the few
// frames left, syncs, waits (at most kRestartWaitMs) for the snapshots still
// in the WAL, and has the next commit write at the WAL's start. A call that
// commits meanwhile waits for the writer lock as for any other writer
// (bounded by kBusyMs); this happens once every kRestartFrames frames, and
// only while calls come back to back.
void Store::checkpointLoop() {
    std::string err;
    int code = 0;
    sqlite3* db = openConnection(path_, SQLITE_OPEN_READWRITE, &err, &code);
    if (!db)
        return;
    sqlite3_busy_handler(db, pollBriefly, nullptr);
    // A connection learns the file is in WAL mode at its first read; until
    // then a checkpoint does nothing.
    sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    std::unique_lock<std::mutex> lock(checkpointMutex_);
    while (!checkpointStop_) {
        checkpointWake_.wait(lock, [this] { return checkpointStop_ || checkpointDue_; });
        if (checkpointStop_)
            break;
        checkpointDue_ = false;
        lock.unlock();
        int frames = 0, copied = 0;
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, &frames, &copied);
        if (frames >= kRestartFrames)
            sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_RESTART, nullptr, nullptr);
        lock.lock();
    }
    lock.unlock();
    sqlite3_close(db);
}

}  // namespace fiscemu
