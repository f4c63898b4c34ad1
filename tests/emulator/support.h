// Shared helpers of the emulator tests: a private working directory and
// memory per test, and short ways to read the printer through the driver.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/device.h"

namespace emutest {

// The instant every emulator test runs at: noon of a fixed weekday, so no
// test sees the date change under it and printed dates are known.
inline constexpr const char* kPinnedTime = "2026-03-10 12:00:00";

// Creates a temporary directory, makes it the working directory, points
// ECFSIM_DB at a memory file inside it and pins the printer's PC clock
// (ECFSIM_TIME) at kPinnedTime; undoes all of it on destruction.
class WorkDir {
public:
    WorkDir();
    ~WorkDir();
    const std::string& path() const { return dir_; }
    std::string db() const { return dir_ + "/ecfsim.db"; }

private:
    std::string dir_, previous_;
};

// A fixture with its own working directory and a second connection to the
// same memory, as the ecfsim tool would have.
class EmulatorTest : public ::testing::Test {
protected:
    void SetUp() override;
    // The other connection, re-read from the database.
    fiscemu::Device& tool();
    // Changes a setting as ecfsim would, from outside the library.
    void set(const std::function<void(fiscemu::Settings&)>& change);

    std::unique_ptr<WorkDir> dir_;
    std::unique_ptr<fiscemu::Device> tool_;
};

}  // namespace emutest
