// Helpers of the tests that prove the printer's memory is never lost or
// altered: the memory's files byte for byte, its tables read without the
// library, a printer with some fiscal history, and work done in a child
// process that reports back in lines.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace emutest {

// Every regular file of a folder, name -> bytes. The `-shm` companion is left
// out: it is SQLite's shared-memory index, rebuilt from the other files by
// the next connection and holding no data of its own.
std::map<std::string, std::string> folderFiles(const std::string& dir);

std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& bytes);

// The page size a memory file's header gives (SQLite writes 1 for 65536);
// 0 when the bytes are too few to hold a header.
size_t pageSizeOf(const std::string& fileBytes);

// The page number of each frame of a WAL file, in order, up to the first
// frame of an earlier round (its salt differs from the header's).
std::vector<uint32_t> walFramePages(const std::string& walBytes);

// Every row of every table of a memory, read through a connection of its own
// (which reads only), in a stable text form; "" when the file cannot be read.
std::string dumpTables(const std::string& dbPath);

// The fiscal-memory records exactly as stored (every column, typed), one
// string per record in Z order.
std::vector<std::string> fiscalRecords(const std::string& dbPath);

// SQLite's quick check of the file: "ok", or its first complaint.
std::string quickCheck(const std::string& dbPath);

// Runs SQL on the file through a connection of its own; "" on success,
// otherwise SQLite's message.
std::string execSql(const std::string& dbPath, const std::string& sql);

// Makes the library let go of whatever memory it has open, by naming a
// memory it cannot open; the next call names ECFSIM_DB again.
void releaseLibrary();

// Gives the memory `db` (the library's current ECFSIM_DB) a fiscal history
// through the C interface: `days` days, each with a paid coupon and its Z
// reduction. Returns "" or what went wrong.
std::string buildHistory(const std::string& db, int days);

// Seconds the calling thread has spent ready to run but waiting for a
// processor, from the kernel's scheduler statistics; negative where the
// kernel keeps none. A call's time less the growth of this figure is the
// time the call took of its own, however loaded the machine.
double runQueueSeconds();

// Runs `work` in a child process; the lines it passes to `say` come back in
// order. `status` is the child's wait status.
struct ChildRun {
    int status = 0;
    std::vector<std::string> lines;
    bool exitedWith(int code) const;
    std::string text() const;
};
ChildRun inChild(
    const std::function<int(const std::function<void(const std::string&)>& say)>& work);

}  // namespace emutest
