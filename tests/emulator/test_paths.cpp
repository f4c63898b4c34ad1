// Paths that are not memories: a directory, a FIFO, a device node, a loop of
// links, links to them and a link to nothing named as the memory answer 40 or
// 41 at once, are never opened, waited on or replaced, and get no trace file
// beside them; a fiscal-memory reading is never written over one. Every odd
// path is made in the test's own folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "core/codes.h"
#include "driver_support.h"
#include "odd_paths.h"

using namespace emutest;

namespace {

struct Probe {
    int exit = -1;  // -1: killed (it waited) or crashed
    std::string status, rc;
};

// The library in a process of its own (emu_writer), on the memory `db`: a
// status reply and a header. Stopped if it waits for more than 30 s.
Probe probe(const std::string& db, const std::string& outFile) {
    Probe p;
    p.exit = inChildWithin(30, [&] {
        setenv("ECFSIM_DB", db.c_str(), 1);
        int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        dup2(out, 1);
        execl(EMU_WRITER, EMU_WRITER, "probe", static_cast<char*>(nullptr));
        return 127;
    });
    std::ifstream f(outFile);
    for (std::string line; std::getline(f, line);) {
        if (line.rfind("S ", 0) == 0)
            p.status = line.substr(2);
        if (line.rfind("RC ", 0) == 0)
            p.rc = line.substr(3);
    }
    return p;
}

int expectedCode(const std::string& what) {
    // A name that leads to something (a folder, a FIFO, a device) that is not
    // a memory is 41, as a foreign file is; one that leads nowhere is 40.
    return what == "loop of links" || what == "link to nothing" ? fiscemu::kStorage
                                                                : fiscemu::kDamaged;
}

class Paths : public DriverTest {
protected:
    std::string oddDir() { return oddFolder(dir_->path()); }
};

}  // namespace

TEST_F(Paths, NoUsableMemoryAnswersItsCodeAndLeavesNoTraceAnywhere) {
    std::string skipped;
    const std::string odd = oddDir();
    std::vector<OddPath> paths = makeOddPaths(odd, &skipped);
    if (!skipped.empty())
        std::printf("note: %s\n", skipped.c_str());
    ASSERT_GE(paths.size(), 6u);
    const auto before = folderSnapshot(odd);
    for (const OddPath& p : paths) {
        SCOPED_TRACE(p.what);
        Probe r = probe(p.path, dir_->path() + "/probe.out");
        ASSERT_EQ(r.exit, 0) << "the library waited on, or crashed at, " << p.path;
        const int code = expectedCode(p.what);
        EXPECT_EQ(r.status.substr(0, 9), "Erro: 0" + std::to_string(code)) << r.status;
        EXPECT_EQ(r.rc, std::to_string(code));
        // Nothing made, replaced or written there: no memory, no trace.
        auto after = folderSnapshot(odd);
        EXPECT_EQ(after, before) << "now: " << namesOf(after);
    }
}

TEST_F(Paths, ACompanionThatIsNotARegularFileKeepsTheMemoryUnused) {
    // A sound memory, closed (its WAL folded back and removed), then a FIFO,
    // a folder and a link in the places of SQLite's companions.
    const std::string odd = oddDir(), db = odd + "/m.db";
    Probe made = probe(db, dir_->path() + "/probe.out");
    ASSERT_EQ(made.rc, "0");
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        unlink((db + suffix).c_str());
    const std::string memory = [&] {
        std::ifstream f(db, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }();
    ASSERT_FALSE(memory.empty());
    struct Case {
        const char* suffix;
        std::function<int(const std::string&)> make;
    };
    const std::vector<Case> cases = {
        {"-wal", [](const std::string& p) { return mkfifo(p.c_str(), 0644); }},
        {"-shm", [](const std::string& p) { return mkdir(p.c_str(), 0755); }},
        {"-journal", [](const std::string& p) { return symlink("m.db", p.c_str()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.suffix);
        const std::string companion = db + c.suffix;
        ASSERT_EQ(c.make(companion), 0);
        auto before = folderSnapshot(odd);
        Probe r = probe(db, dir_->path() + "/probe.out");
        ASSERT_EQ(r.exit, 0) << "the library waited on " << companion;
        EXPECT_EQ(r.status, "Erro: 041 Memoria danificada");
        EXPECT_EQ(r.rc, "41");
        // The memory and the odd companion are as they were; only the trace
        // beside the memory (a regular file) may have grown.
        auto after = folderSnapshot(odd);
        after.erase("m.db-trace");
        before.erase("m.db-trace");
        EXPECT_EQ(after, before) << "now: " << namesOf(after);
        EXPECT_EQ(after.at("m.db"), "file:" + memory);
        if (std::string(c.suffix) == "-shm")
            rmdir(companion.c_str());
        else
            unlink(companion.c_str());
    }
    // With the companions gone the same memory is used again (its header is
    // still open from the first call, so a second one is out of sequence).
    Probe again = probe(db, dir_->path() + "/probe.out");
    EXPECT_EQ(again.status.substr(2, 3), "090") << again.status;
    EXPECT_EQ(again.rc, "12");
}

TEST_F(Paths, AReadingIsNeverWrittenOverAnythingButARegularFile) {
    // The odd names stand in the working directory, where readings are written.
    std::string skipped;
    std::vector<OddPath> paths = makeOddPaths(dir_->path(), &skipped);
    {
        std::ofstream f("alvo.txt");
        f << "do usuario";
    }
    ASSERT_EQ(symlink("alvo.txt", "link-alvo.txt"), 0);
    paths.push_back({"link to a regular file", dir_->path() + "/link-alvo.txt"});
    // Everything in the folder but the memory's own files, which the calls use.
    auto snapshotOf = [&] {
        auto all = folderSnapshot(dir_->path());
        for (auto it = all.begin(); it != all.end();)
            it = it->first.rfind("ecfsim.db", 0) == 0 ? all.erase(it) : std::next(it);
        return all;
    };
    const auto before = snapshotOf();
    for (const OddPath& p : paths) {
        SCOPED_TRACE(p.what);
        std::string name = p.path.substr(dir_->path().size() + 1);
        EXPECT_EQ(ecfLeitMemFisc(2, "101098", "101198", 1, 10, name.c_str()), fiscemu::kFileError);
    }
    // Nothing replaced, written or left behind (no private file of a reading).
    auto after = snapshotOf();
    EXPECT_EQ(after, before) << "now: " << namesOf(after);
    // A regular file of that name is replaced by the reading, as before.
    EXPECT_EQ(ecfLeitMemFisc(2, "101098", "101198", 1, 10, "alvo.txt"), 0);
    EXPECT_NE(folderSnapshot(dir_->path())["alvo.txt"], before.at("alvo.txt"));
}
