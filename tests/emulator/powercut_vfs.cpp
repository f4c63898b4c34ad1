#include "powercut_vfs.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <vector>

namespace powercut {

namespace {

// What a file looked like at its last sync, as the writes since then changed it.
struct Undo {
    sqlite3_int64 offset;
    std::string old;  // the bytes the write covered that existed before it
};
// A write or truncation since the file's last sync, kept in order to be
// played again, torn, at the restart.
struct Op {
    bool truncate = false;
    sqlite3_int64 offset = 0;  // where the write began, or the length cut to
    std::string bytes;         // what the write wrote
};
struct FileLog {
    bool dirty = false;
    sqlite3_int64 syncedSize = 0;
    std::vector<Undo> undo;
    std::vector<Op> ops;
};

std::recursive_mutex gMutex;
std::string gFolder;
sqlite3_vfs* gReal = nullptr;
sqlite3_vfs gShim;
bool gInstalled = false;
std::map<std::string, FileLog> gLogs;
long gArmed = -1;        // ops left before the cut; -1 none
std::string gArmedFile;  // when not empty, only its ops count
bool gCut = false;
std::string gCutFile;  // the file whose write or sync met the cut
long gWrites = 0, gSyncs = 0;
Model gModel = Model::LoseAll;
std::mt19937 gRng(1);
long gTorn = 0, gTornBeyond = 0;

struct ShimFile {
    sqlite3_file base;
    sqlite3_file* real;
    std::string* path;  // null when the file is not watched
};

sqlite3_file* realOf(sqlite3_file* f) {
    return reinterpret_cast<ShimFile*>(f)->real;
}
std::string* pathOf(sqlite3_file* f) {
    return reinterpret_cast<ShimFile*>(f)->path;
}

bool watched(const char* name) {
    return name && !gFolder.empty() && std::strncmp(name, gFolder.c_str(), gFolder.size()) == 0;
}

// Counts one write or sync of `path`; true when the power is (now) off.
bool countOp(const std::string& path) {
    if (gCut)
        return true;
    if (gArmed > 0 && (gArmedFile.empty() || gArmedFile == path) && --gArmed == 0) {
        gCut = true;
        gCutFile = path;
        gArmed = -1;
    }
    return gCut;
}

sqlite3_int64 realSize(sqlite3_file* real) {
    sqlite3_int64 size = 0;
    real->pMethods->xFileSize(real, &size);
    return size;
}

void remember(const std::string& path, sqlite3_file* real, sqlite3_int64 offset, int amount,
              const void* written) {
    FileLog& log = gLogs[path];
    if (written)
        log.ops.push_back(
            {false, offset,
             std::string(static_cast<const char*>(written), static_cast<size_t>(amount))});
    sqlite3_int64 size = realSize(real);
    if (!log.dirty) {
        log.dirty = true;
        log.syncedSize = size;
    }
    if (offset >= size)
        return;
    int existing = static_cast<int>(std::min<sqlite3_int64>(amount, size - offset));
    Undo u{offset, std::string(static_cast<size_t>(existing), '\0')};
    if (real->pMethods->xRead(real, u.old.data(), existing, offset) != SQLITE_OK)
        u.old.clear();
    log.undo.push_back(std::move(u));
}

int shimClose(sqlite3_file* f) {
    ShimFile* s = reinterpret_cast<ShimFile*>(f);
    int rc = s->real->pMethods->xClose(s->real);
    sqlite3_free(s->real);
    delete s->path;
    return rc;
}
int shimRead(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset) {
    return realOf(f)->pMethods->xRead(realOf(f), buf, amount, offset);
}
int shimWrite(sqlite3_file* f, const void* buf, int amount, sqlite3_int64 offset) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (pathOf(f)) {
        ++gWrites;
        if (countOp(*pathOf(f)))
            return SQLITE_IOERR_WRITE;
        remember(*pathOf(f), realOf(f), offset, amount, buf);
    }
    return realOf(f)->pMethods->xWrite(realOf(f), buf, amount, offset);
}
int shimTruncate(sqlite3_file* f, sqlite3_int64 size) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (pathOf(f)) {
        if (gCut)
            return SQLITE_IOERR_TRUNCATE;
        sqlite3_int64 old = realSize(realOf(f));
        if (old > size)
            remember(*pathOf(f), realOf(f), size, static_cast<int>(old - size), nullptr);
        else
            remember(*pathOf(f), realOf(f), old, 0, nullptr);
        gLogs[*pathOf(f)].ops.push_back({true, size, {}});
    }
    return realOf(f)->pMethods->xTruncate(realOf(f), size);
}
int shimSync(sqlite3_file* f, int flags) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (!pathOf(f))
        return realOf(f)->pMethods->xSync(realOf(f), flags);
    ++gSyncs;
    if (countOp(*pathOf(f)))
        return SQLITE_IOERR_FSYNC;
    // The disk now holds what was written; the real flush is left out, as
    // only the order of events matters here and the tests must stay quick.
    gLogs.erase(*pathOf(f));
    return SQLITE_OK;
}
int shimFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return realOf(f)->pMethods->xFileSize(realOf(f), size);
}
int shimLock(sqlite3_file* f, int level) {
    return realOf(f)->pMethods->xLock(realOf(f), level);
}
int shimUnlock(sqlite3_file* f, int level) {
    return realOf(f)->pMethods->xUnlock(realOf(f), level);
}
int shimCheckReserved(sqlite3_file* f, int* out) {
    return realOf(f)->pMethods->xCheckReservedLock(realOf(f), out);
}
int shimFileControl(sqlite3_file* f, int op, void* arg) {
    // Growing a file by a size hint would write behind the shim's back.
    if (op == SQLITE_FCNTL_SIZE_HINT || op == SQLITE_FCNTL_CHUNK_SIZE)
        return SQLITE_NOTFOUND;
    return realOf(f)->pMethods->xFileControl(realOf(f), op, arg);
}
int shimSectorSize(sqlite3_file* f) {
    return realOf(f)->pMethods->xSectorSize(realOf(f));
}
int shimDeviceCharacteristics(sqlite3_file* f) {
    return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f));
}
int shimShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
    return realOf(f)->pMethods->xShmMap(realOf(f), region, size, extend, out);
}
int shimShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return realOf(f)->pMethods->xShmLock(realOf(f), offset, n, flags);
}
void shimShmBarrier(sqlite3_file* f) {
    realOf(f)->pMethods->xShmBarrier(realOf(f));
}
int shimShmUnmap(sqlite3_file* f, int deleteFlag) {
    return realOf(f)->pMethods->xShmUnmap(realOf(f), deleteFlag);
}

const sqlite3_io_methods kMethods = {
    2,  // no memory-mapped reads: every page goes through xRead
    shimClose,
    shimRead,
    shimWrite,
    shimTruncate,
    shimSync,
    shimFileSize,
    shimLock,
    shimUnlock,
    shimCheckReserved,
    shimFileControl,
    shimSectorSize,
    shimDeviceCharacteristics,
    shimShmMap,
    shimShmLock,
    shimShmBarrier,
    shimShmUnmap,
    nullptr,
    nullptr,
};

int shimOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    ShimFile* s = reinterpret_cast<ShimFile*>(f);
    s->base.pMethods = nullptr;
    s->real = static_cast<sqlite3_file*>(sqlite3_malloc(gReal->szOsFile));
    if (!s->real)
        return SQLITE_NOMEM;
    std::memset(s->real, 0, static_cast<size_t>(gReal->szOsFile));
    int rc = gReal->xOpen(gReal, name, s->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        if (s->real->pMethods)
            s->real->pMethods->xClose(s->real);
        sqlite3_free(s->real);
        return rc;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(gMutex);
        s->path = watched(name) ? new std::string(name) : nullptr;
    }
    s->base.pMethods = &kMethods;
    return SQLITE_OK;
}
int shimDelete(sqlite3_vfs*, const char* name, int syncDir) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (watched(name)) {
        if (gCut)
            return SQLITE_IOERR_DELETE;
        gLogs.erase(name);
    }
    return gReal->xDelete(gReal, name, syncDir);
}
int shimAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
    return gReal->xAccess(gReal, name, flags, out);
}
int shimFullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
    return gReal->xFullPathname(gReal, name, n, out);
}
void* shimDlOpen(sqlite3_vfs*, const char* name) {
    return gReal->xDlOpen(gReal, name);
}
void shimDlError(sqlite3_vfs*, int n, char* out) {
    gReal->xDlError(gReal, n, out);
}
void (*shimDlSym(sqlite3_vfs*, void* h, const char* sym))(void) {
    return gReal->xDlSym(gReal, h, sym);
}
void shimDlClose(sqlite3_vfs*, void* h) {
    gReal->xDlClose(gReal, h);
}
int shimRandomness(sqlite3_vfs*, int n, char* out) {
    return gReal->xRandomness(gReal, n, out);
}
int shimSleep(sqlite3_vfs*, int us) {
    return gReal->xSleep(gReal, us);
}
int shimCurrentTime(sqlite3_vfs*, double* out) {
    return gReal->xCurrentTime(gReal, out);
}
int shimGetLastError(sqlite3_vfs*, int n, char* out) {
    return gReal->xGetLastError ? gReal->xGetLastError(gReal, n, out) : 0;
}
int shimCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
    return gReal->xCurrentTimeInt64(gReal, out);
}

void writeAt(int fd, const char* bytes, sqlite3_int64 n, sqlite3_int64 offset) {
    ssize_t done = pwrite(fd, bytes, static_cast<size_t>(n), offset);
    (void)done;  // a test folder that refuses a write fails the test's checks
}

// Plays the unsynced writes of a file again, in order, over what was synced,
// each 512-byte piece kept, lost or filled with garbage as the model says.
// A truncation is kept or lost whole.
void replayTorn(int fd, const std::vector<Op>& ops) {
    for (const Op& op : ops) {
        if (op.truncate) {
            if (gRng() % 2 == 0 && ftruncate(fd, op.offset) != 0) {
                // The file keeps its length.
            }
            continue;
        }
        const sqlite3_int64 end = op.offset + static_cast<sqlite3_int64>(op.bytes.size());
        for (sqlite3_int64 at = op.offset; at < end;) {
            const sqlite3_int64 sector = at / kSectorBytes * kSectorBytes;
            const sqlite3_int64 pieceEnd = std::min(end, sector + kSectorBytes);
            const unsigned fate = gRng() % 8;
            if (fate < 3) {
                writeAt(fd, op.bytes.data() + (at - op.offset), pieceEnd - at, at);
            } else if (fate >= 6) {
                sqlite3_int64 from = at, to = pieceEnd;
                if (gModel == Model::WholeSector) {
                    from = sector;
                    to = sector + kSectorBytes;
                }
                ++gTorn;
                gTornBeyond += from < at || to > pieceEnd;
                std::string garbage(static_cast<size_t>(to - from), '\0');
                for (char& c : garbage)
                    c = static_cast<char>(gRng());
                writeAt(fd, garbage.data(), to - from, from);
            }
            at = pieceEnd;
        }
    }
}

}  // namespace

void setModel(Model model, uint32_t seed) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    gModel = model;
    gRng.seed(seed);
}

void install(const std::string& folder) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    gFolder = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    gLogs.clear();
    gArmed = -1;
    gCut = false;
    gWrites = gSyncs = 0;
    gTorn = gTornBeyond = 0;
    if (gInstalled)
        return;
    gReal = sqlite3_vfs_find(nullptr);
    std::memset(&gShim, 0, sizeof gShim);
    gShim.iVersion = 2;
    gShim.szOsFile = sizeof(ShimFile);
    gShim.mxPathname = gReal->mxPathname;
    gShim.zName = "powercut";
    gShim.xOpen = shimOpen;
    gShim.xDelete = shimDelete;
    gShim.xAccess = shimAccess;
    gShim.xFullPathname = shimFullPathname;
    gShim.xDlOpen = shimDlOpen;
    gShim.xDlError = shimDlError;
    gShim.xDlSym = shimDlSym;
    gShim.xDlClose = shimDlClose;
    gShim.xRandomness = shimRandomness;
    gShim.xSleep = shimSleep;
    gShim.xCurrentTime = shimCurrentTime;
    gShim.xGetLastError = shimGetLastError;
    gShim.xCurrentTimeInt64 = shimCurrentTimeInt64;
    sqlite3_vfs_register(&gShim, 1);
    gInstalled = true;
}

void uninstall() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    if (!gInstalled)
        return;
    sqlite3_vfs_unregister(&gShim);
    sqlite3_vfs_register(gReal, 1);
    gInstalled = false;
    gFolder.clear();
}

void armAfter(long ops, const std::string& onlyFile) {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    gArmed = ops > 0 ? ops : 1;
    gArmedFile = onlyFile;
}

void disarm() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    gArmed = -1;
}

bool isCut() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gCut;
}

std::string cutFile() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gCut ? gCutFile : std::string();
}

void restart() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    for (auto& [path, log] : gLogs) {
        int fd = ::open(path.c_str(), O_RDWR);
        if (fd < 0)
            continue;
        for (auto it = log.undo.rbegin(); it != log.undo.rend(); ++it) {
            ssize_t n = pwrite(fd, it->old.data(), it->old.size(), it->offset);
            (void)n;
        }
        if (ftruncate(fd, log.syncedSize) != 0) {
            // The file keeps its length; the reader sees what was written.
        }
        if (gModel != Model::LoseAll)
            replayTorn(fd, log.ops);
        ::close(fd);
    }
    gLogs.clear();
    gCut = false;
    gCutFile.clear();
    gArmed = -1;
}

long writesSeen() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gWrites;
}

long syncsSeen() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gSyncs;
}

long sectorsTorn() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gTorn;
}

long sectorsTornBeyondWrite() {
    std::lock_guard<std::recursive_mutex> lock(gMutex);
    return gTornBeyond;
}

}  // namespace powercut
