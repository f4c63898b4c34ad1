// What ecfsim's commands do to the emulated printer's memory, apart from how
// they are asked for: the command line and the front panel call the same code.
// Each action returns the lines to show the user, or the reason it failed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/device.h"

namespace ecfsim {

// A request that cannot be carried out as asked: its message, and the
// command whose help explains the right form ("" for the tool's own help).
struct UsageError {
    std::string message;
    std::string command;
};

// What an action did: the lines to show, or the reason it failed.
struct Result {
    bool ok = true;
    std::vector<std::string> lines;  // without newlines
    std::string error;               // set when !ok
};

// A decimal number of at most nine digits within [min, max].
std::optional<int64_t> parseNumber(const std::string& text, int64_t min, int64_t max);

// Opens the memory at `path`. Reading views want an existing one (`create`
// false): a fresh memory in the wrong folder would show a factory printer and
// hide the mistake. `notice` receives a note when a new memory was created.
std::unique_ptr<fiscemu::Device> openMemory(const std::string& path, bool create,
                                            std::string* error, std::string* notice = nullptr);

// ---------------------------------------------------------------- the memory's health

// What is wrong with a memory that did not open (result code 40 to 43 and the
// library's explanation), in which file, and what to do, in Portuguese.
std::string diagnosis(const std::string& path, int code, const std::string& why);

// Runs every check on the memory at `path`: fails (with the diagnosis) when
// it cannot be used; otherwise the lines say it is sound.
Result verifyMemory(const std::string& path);

// Starts the memory at `path` afresh after keeping a copy of it beside it
// (`path.bak-YYYYMMDD-HHMMSS`): a consistent copy of a sound memory, the
// file as it is of a damaged one. Creates it when there is none.
Result resetMemory(const std::string& path);

// ---------------------------------------------------------------- set

// One change of the printer's conditions, in the words of `ecfsim set`.
struct Change {
    std::string key, value;
    std::string description;  // Portuguese, e.g. "papel: pouco papel"
    std::function<void(fiscemu::Settings&)> apply;
};

constexpr int64_t kMaxDrawerAutoCloseSeconds = 86400;
constexpr int64_t kMaxLatencyMs = 60000;

// The changes by their values, as the front panel's controls make them and
// `set`'s words are read into. A value out of its range throws UsageError
// (command "set"), as the word would.
Change powerChange(bool on);
Change paperChange(int level);  // fiscemu::PaperLevel
Change authPaperChange(bool present);
Change drawerChange(int drawer);  // fiscemu::DrawerState; opening starts its auto-close
Change drawerAutoCloseChange(int64_t seconds);
Change portChange(int port);  // 0 COM1, 1 COM2
Change modelChange(fiscemu::Model model);
Change interventionChange(bool on);
Change latencyChange(int64_t ms);

// The keys `set` accepts, in the order its help lists them.
const std::vector<std::string>& settingKeys();

// Throws UsageError (command "set") on an unknown key or a refused value.
Change parseChange(const std::string& key, const std::string& value);

// KEY VALUE pairs; refuses a missing value or a repeated key.
std::vector<Change> parseChanges(const std::vector<std::string>& keyValues);

// Applies all changes in one write; the lines describe each change, and the
// new CRO when technical intervention ended.
Result applyChanges(fiscemu::Device& dev, const std::vector<Change>& changes);

// ---------------------------------------------------------------- fail

// Throws UsageError (command "fail") for a name that is not a driver function
// with a fault to simulate.
void checkFunction(const std::string& name);

// The names of `names` close to `name`, closest first (at most four): a few
// letters wrong, missing or extra, case aside, or its beginning or its end.
std::vector<std::string> nearNames(const std::string& name, const std::vector<std::string>& names);

// The functions a fault can be set on, as the driver exports them.
std::vector<std::string> faultableFunctions();

// The next call of `function` answers `code` (1 to 999). Throws UsageError
// on a bad function or code.
Result setFault(fiscemu::Device& dev, const std::string& function, int64_t code);

// Clears the pending fault of `function`, or all of them when it is empty.
Result clearFault(fiscemu::Device& dev, const std::string& function);

// ---------------------------------------------------------------- clock and reset

// The printer's clock moves one day on; the lines give the new time and state.
Result nextDay(fiscemu::Device& dev);

// Erases the whole memory and writes the factory state.
Result resetToFactory(fiscemu::Device& dev);

}  // namespace ecfsim
