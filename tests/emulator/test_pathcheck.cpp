// Paths that are not regular files: what each one is taken for, that none is
// ever opened, waited on or replaced, and that the call trace neither writes
// into, reads from, nor replaces one. Every odd path is made in the test's
// own folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "core/pathcheck.h"
#include "core/tracelog.h"
#include "odd_paths.h"
#include "support.h"

using fiscemu::PathKind;

namespace {

class OddPaths : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::make_unique<emutest::WorkDir>();
        odd_ = emutest::makeOddPaths(dir_->path(), &skipped_);
        if (!skipped_.empty())
            std::printf("note: %s\n", skipped_.c_str());
    }
    std::string path(const std::string& name) const { return dir_->path() + "/" + name; }
    std::unique_ptr<emutest::WorkDir> dir_;
    std::vector<emutest::OddPath> odd_;
    std::string skipped_;
};

PathKind expectedKind(const std::string& what) {
    if (what == "directory")
        return PathKind::Directory;
    if (what == "FIFO")
        return PathKind::Fifo;
    if (what == "device node")
        return PathKind::Device;
    if (what == "loop of links")
        return PathKind::LinkLoop;
    if (what == "link to nothing")
        return PathKind::DanglingLink;
    return PathKind::LinkToOther;
}

}  // namespace

TEST_F(OddPaths, EachKindIsToldApartAndNoneIsOpened) {
    ASSERT_GE(odd_.size(), 6u);
    {
        std::ofstream f(path("comum"));
        f << "x";
    }
    ASSERT_EQ(symlink("comum", path("link-comum").c_str()), 0);
    EXPECT_EQ(fiscemu::inspectPath(path("comum")).kind, PathKind::Regular);
    EXPECT_EQ(fiscemu::inspectPath(path("link-comum")).kind, PathKind::LinkToRegular);
    EXPECT_EQ(fiscemu::inspectPath(path("ausente")).kind, PathKind::Missing);
    EXPECT_EQ(fiscemu::inspectPath(path("ausente/sub")).kind, PathKind::Missing);
    EXPECT_EQ(fiscemu::inspectPath(path("comum/sub")).kind, PathKind::Unreachable);
    EXPECT_EQ(fiscemu::inspectPath(path(std::string(300, 'n'))).kind, PathKind::TooLong);
    EXPECT_TRUE(fiscemu::regularOrMissing(path("comum")));
    EXPECT_TRUE(fiscemu::regularOrMissing(path("ausente")));
    EXPECT_FALSE(fiscemu::regularOrMissing(path("link-comum")));

    int fd = fiscemu::openRegular(path("comum"), O_RDWR | O_APPEND);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);  // cleared once known regular
    close(fd);
    errno = 0;
    EXPECT_EQ(fiscemu::openRegular(path("ausente"), O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(fiscemu::openRegular(path("link-comum"), O_RDONLY), -1);
    EXPECT_EQ(errno, EINVAL);

    auto before = emutest::folderSnapshot(dir_->path());
    for (const emutest::OddPath& p : odd_) {
        SCOPED_TRACE(p.what);
        fiscemu::PathInfo info = fiscemu::inspectPath(p.path);
        EXPECT_EQ(info.kind, expectedKind(p.what));
        EXPECT_FALSE(fiscemu::leadsToRegular(info.kind));
        EXPECT_FALSE(fiscemu::regularOrMissing(p.path));
        EXPECT_FALSE(fiscemu::describePath(info).empty());
        // Opening for reading would wait for a FIFO's writer: in a child
        // that is stopped if it waits.
        int rc = emutest::inChildWithin(20, [&] {
            errno = 0;
            int fd = fiscemu::openRegular(p.path, O_RDONLY);
            return fd < 0 && errno == EINVAL ? 0 : 1;
        });
        EXPECT_EQ(rc, 0) << "opened, or waited on, " << p.path;
    }
    EXPECT_EQ(emutest::folderSnapshot(dir_->path()), before);
}

TEST_F(OddPaths, TheTraceNeverWritesReadsOrReplacesAnythingButItsRegularFile) {
    // Each odd path stands where a memory's trace file would be...
    const std::string traces = path("traces"), olds = path("olds");
    ASSERT_EQ(mkdir(traces.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(olds.c_str(), 0755), 0);
    std::string skipped;
    auto before = emutest::folderSnapshot(traces);
    for (const emutest::OddPath& p : emutest::makeOddPaths(traces, &skipped, "-trace")) {
        SCOPED_TRACE(p.what);
        const std::string memory = p.path.substr(0, p.path.size() - 6);
        before = emutest::folderSnapshot(traces);
        int rc = emutest::inChildWithin(20, [&] {
            fiscemu::TraceLog log(memory);
            bool wrote = log.append("t", "ecfImpCab", "0", "0");
            bool read = !log.read(0, 0).empty();
            bool restarted = log.restart();
            return wrote || read || restarted ? 1 : 0;
        });
        EXPECT_EQ(rc, 0) << "used, waited on or replaced " << p.path;
        EXPECT_EQ(emutest::folderSnapshot(traces), before) << emutest::namesOf(before);
    }
    // ... and where the rotated one would be, beside a regular trace file.
    for (const emutest::OddPath& p : emutest::makeOddPaths(olds, &skipped, "-trace.old")) {
        SCOPED_TRACE(p.what);
        const std::string memory = p.path.substr(0, p.path.size() - 10);
        {
            std::ofstream f(memory + "-trace");
            f << "#trace base=0\n";
        }
        before = emutest::folderSnapshot(olds);
        int rc = emutest::inChildWithin(20, [&] {
            fiscemu::TraceLog log(memory);
            bool wrote = log.append("t", "ecfImpCab", "0", "0");  // its own file is used
            bool rows = log.read(0, 0).size() == 1;               // the odd one is not read
            bool restarted = log.restart();                       // would remove the odd one
            return wrote && rows && !restarted ? 0 : 1;
        });
        EXPECT_EQ(rc, 0);
        auto after = emutest::folderSnapshot(olds);
        const std::string trace = memory.substr(olds.size() + 1) + "-trace";
        EXPECT_NE(after.at(trace), before.at(trace));  // one row more
        after.erase(trace);
        before.erase(trace);
        EXPECT_EQ(after, before);
    }
}
