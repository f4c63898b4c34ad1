#include "support.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

namespace emutest {

WorkDir::WorkDir() {
    char tmpl[] = "/tmp/emutest.XXXXXX";
    char* made = mkdtemp(tmpl);
    if (!made)
        throw std::runtime_error("mkdtemp failed");
    dir_ = made;
    char buf[4096];
    previous_ = getcwd(buf, sizeof buf) ? buf : "/";
    if (chdir(dir_.c_str()) != 0)
        throw std::runtime_error("chdir failed");
    setenv("ECFSIM_DB", db().c_str(), 1);
    setenv("ECFSIM_TIME", kPinnedTime, 1);
}

WorkDir::~WorkDir() {
    if (chdir(previous_.c_str()) != 0) {
        // Nothing sensible to do in a destructor; the directory is removed anyway.
    }
    unsetenv("ECFSIM_TIME");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void EmulatorTest::SetUp() {
    dir_ = std::make_unique<WorkDir>();
    std::string error;
    tool_ = fiscemu::Device::open(dir_->db(), &error);
    ASSERT_TRUE(tool_) << error;
}

fiscemu::Device& EmulatorTest::tool() {
    tool_->refresh();
    return *tool_;
}

void EmulatorTest::set(const std::function<void(fiscemu::Settings&)>& change) {
    ASSERT_TRUE(tool_->updateSettings(change)) << tool_->lastError();
}

}  // namespace emutest
