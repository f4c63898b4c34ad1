// WAL checkpoints on a thread of their own, outside callers' calls.
#include <algorithm>

#include "core/store.h"
#include "core/store_sql.h"

namespace fiscemu {

namespace {
// The WAL is checkpointed (outside callers' calls) and made to start over
// once it holds this many bytes of pages. From the second round on, commits
// write over frames already on disk instead of growing the file: a sync
// that need not also record the file's new size costs about half as much
// (measured on ext4).
// The one call in each round that waits for the start-over (one in about
// a thousand: a call writes one to six frames) stays far outside the 99th
// percentile.
const int kCheckpointBytes = 4 << 20;
// How long the checkpoint thread, holding the calls back, waits for the
// call in progress and for readers of other processes still on the WAL;
// past it, the WAL goes on growing and the next round tries again.
const int kRestartWaitMs = 20;
}  // namespace

using namespace storedb;

// Told by SQLite after each commit how many frames the WAL holds: costs the
// caller no system call, and wakes the checkpoint thread only when due, that
// is once the WAL grew by checkpointFrames_ since it started over or since
// the last wake. Waking it at every commit would add its two syncs to the
// disk's work during each call.
int Store::walHook(void* self, sqlite3*, const char*, int frames) {
    auto* store = static_cast<Store*>(self);
    if (frames < store->framesAtWake_)
        store->framesAtWake_ = 0;  // the WAL started over
    if (frames - store->framesAtWake_ >= store->checkpointFrames_) {
        store->framesAtWake_ = frames;
        std::lock_guard<std::mutex> lock(store->checkpointMutex_);
        if (!store->checkpointDue_) {
            store->checkpointDue_ = true;
            store->checkpointWake_.notify_one();
        }
        store->launchCheckpointThread();
    }
    return SQLITE_OK;
}

void Store::startCheckpointer() {
    exec("PRAGMA wal_autocheckpoint=0");  // also removes SQLite's own hook
    if (sqlite3_stmt* st = prepare("PRAGMA page_size")) {
        if (sqlite3_step(st) == SQLITE_ROW)
            checkpointFrames_ = kCheckpointBytes / std::max(512, sqlite3_column_int(st, 0));
        sqlite3_reset(st);  // or its read would keep the WAL from starting over
    }
    sqlite3_wal_hook(db_, &Store::walHook, this);
    checkpointing_ = true;
}

// Called with checkpointMutex_ held; the thread finds the round it was
// started for already due.
void Store::launchCheckpointThread() {
    if (checkpointer_.joinable())
        return;
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

// A round is a PASSIVE checkpoint, which takes no lock a caller waits for
// and copies what no reader still needs, then a RESTART one with the calls
// held back at the gate (Store::holdWritersBack).
//
// The WAL starts over (its next frame written at its start) only when a
// writer's snapshot began after a checkpoint copied everything. Calls that
// follow each other closely never give it that moment: each begins before
// the last checkpoint ends. So the RESTART checkpoint waits for the call in
// progress, copies the few frames it and its predecessors added since the
// PASSIVE one, syncs, and makes sure no snapshot still reads the WAL; the
// call held at the gate then begins on the copied memory and writes its
// frames at the WAL's start. The wait is bounded (kRestartWaitMs for the
// locks, kBusyMs at the gate), and a call that finds the gate closed is
// woken the moment it opens, not at SQLite's next poll.
void Store::checkpointLoop() {
    std::string err;
    int code = 0;
    sqlite3* db = openConnection(path_, SQLITE_OPEN_READWRITE, &err, &code);
    if (!db)
        return;
    checkpointDb_ = db;
    sqlite3_busy_handler(db, waitBrieflyPerLock, const_cast<int*>(&kRestartWaitMs));
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
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        {
            auto held = holdWritersBack();
            sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_RESTART, nullptr, nullptr);
        }
        lock.lock();
    }
    lock.unlock();
    checkpointDb_ = nullptr;
    sqlite3_close(db);
}

}  // namespace fiscemu
