// One emulated printer bound to its database: runs each driver call as one
// transaction (re-reading what other processes changed), and offers tools
// such as ecfsim the readings and settings of the same memory.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/printer.h"
#include "core/state.h"
#include "core/store.h"

namespace fiscemu {

// What a command sees while it runs.
struct CallContext {
    Printer& printer;
    PrinterState& state;
    Settings& settings;
    Store& store;
    int64_t now;
    // Why the call was refused, for the trace (as Output::reason).
    std::string& reason;
};

// Builds a status reply; a reply that fails says why in `reason`.
using ReplyBuilder = std::function<std::string(const PrinterState&, const Settings&, int64_t now,
                                               std::string& reason)>;

class Device {
public:
    // ECFSIM_DB when set and not empty, otherwise "ecfsim.db" (working directory).
    static std::string defaultPath();
    // Opens and checks a memory (Store::open, then the consistency of the
    // state); `code` receives 40 to 43 on failure (41: damaged, never used).
    // `whole`: check the whole file at open, as verify() does (after damage
    // met in use); otherwise as Store::open says.
    static std::unique_ptr<Device> open(const std::string& path, std::string* error,
                                        int* code = nullptr, bool whole = false);

    // The port the program selected (ChangePort); the printer answers only on
    // the port it is connected to (a setting).
    void selectPort(int port) { selectedPort_ = port; }
    int selectedPort() const { return selectedPort_; }

    // A call that returns a result code. `op` runs on a copy of the state;
    // only an accepted call (0) keeps its changes.
    int command(const std::string& function, const std::string& args,
                const std::function<int(CallContext&)>& op);
    // A call that returns a reply text.
    std::string reply(const std::string& function, const std::string& args,
                      const ReplyBuilder& build);
    // The same, for a reply that cannot fail on its own.
    std::string reply(const std::string& function, const std::string& args,
                      std::string (*build)(const PrinterState&, const Settings&, int64_t now));
    // A call answered by the library itself, only traced (ChangePort).
    void traceOnly(const std::string& function, const std::string& args, const std::string& result,
                   const std::string& reason = {});

    // Tools: current memory, settings changes, faults, the clock, reset.
    bool refresh();
    const PrinterState& state() const { return state_; }
    const Settings& settings() const { return settings_; }
    int64_t now() const;
    int stateCode() const;
    bool updateSettings(const std::function<void(Settings&)>& change);
    bool setFault(const std::string& function, int code);
    // Removes the pending fault of one function, or of all when `function` is empty.
    bool clearFaults(const std::string& function);
    const std::map<std::string, int>& faults() const { return faults_; }
    bool nextDay();
    bool resetToFactory();
    Store& store() { return *store_; }
    const std::string& lastError() const { return error_; }
    // 41 once the memory showed damage while in use: every later call answers it.
    int broken() const { return broken_; }

    // Invariants of the memory; empty when consistent.
    std::vector<std::string> consistencyProblems();
    // Every check: SQLite's quick check, the invariants, the fiscal memory's chain.
    std::vector<std::string> verify();

private:
    explicit Device(std::unique_ptr<Store> store) : store_(std::move(store)) {}
    bool reloadIfChanged();
    int unavailableCode(std::string* reason) const;
    int runCommand(const std::string& function, const std::function<int(CallContext&)>& op,
                   std::string* reason, CallFacts* facts);
    std::string runReply(const std::string& function, const ReplyBuilder& build,
                         std::string* reason, CallFacts* facts);
    int storeFailure(std::string* reason);

    std::unique_ptr<Store> store_;
    PrinterState state_;
    PrinterState work_;  // the copy a call runs on (kept for its buffers)
    Settings settings_;
    std::map<std::string, int> faults_;
    int selectedPort_ = 0;
    std::string error_;
    int broken_ = 0;
};

// Whether the emulated model has a command (by its driver function name).
bool modelHasCommand(Model model, const std::string& function);

// The fifty functions of the driver interface, in the header's order.
const std::vector<std::string>& driverFunctionNames();
bool isDriverFunction(const std::string& name);

// Whether a file name (in the working directory) is, links to, or would
// replace one of the memory's files (Store::companionPaths).
bool wouldTouchMemory(const std::vector<std::string>& memoryFiles, const std::string& name);

// Writes a reading of the fiscal memory to a file in the working directory.
// mode 1 selects Z reductions dated from..to (DDMMYY), mode 2 the Z range.
int readFiscalMemory(CallContext& ctx, int32_t mode, const Text& from, const Text& to,
                     int32_t firstZ, int32_t lastZ, const Text& fileName);

}  // namespace fiscemu
