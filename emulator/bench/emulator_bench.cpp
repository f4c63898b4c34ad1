// Speed of the emulated printer through the driver's C interface, on a
// memory of its own in a temporary folder: a status reply, a state change
// with its commit, and a whole five-item coupon.
//
// The disk's own floor is writing 4 KiB to a small file and syncing it:
// every durable call waits for at least one such sync. The state-changing
// benchmarks take a floor sample after each call, in the same folder, so
// call and sync meet the disk in the same state (a virtual disk's latency
// drifts by a fifth within a minute), and report their median and 99th
// percentile beside the floor's, the median's excess over the floor's
// (`over_floor_p50_us`; the aim is at most 40 µs) and the ratios to it
// (`ratio_p50`, `ratio_p99`; the aim for the p99 is at most 2). The floors are also measured
// on their own first, with `fsync` and with `fdatasync`. A third floor
// writes 2 KiB at a new place of an already written file before each
// `fdatasync`, as a log that wraps around does (a WAL that starts over):
// what a disk charges for that pattern beyond the rewrite of one block
// (`log_ratio_p50`, `log_ratio_p99`).
//
// Each benchmark reports Google Benchmark's figures over repetitions (mean,
// median, deviation of the repetitions' averages) and, as counters, the
// median and the 99th percentile of the single calls it timed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fiscport.h"

namespace {

// A private folder with its own memory and a pinned clock, so a run across
// midnight does not find the printer waiting for its Z reduction.
class Bench {
public:
    Bench() {
        const char* base = getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/emulator_bench.XXXXXX";
        if (!mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        dir_ = tmpl;
        setenv("ECFSIM_DB", (dir_ + "/ecfsim.db").c_str(), 1);
        setenv("ECFSIM_TIME", "2026-03-10 12:00:00", 1);
        ChangePort(0);
    }
    ~Bench() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

Bench& bench() {
    static Bench b;
    return b;
}

double percentile(std::vector<double> v, int pct) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() * static_cast<size_t>(pct) / 100];
}

// The disk's floors, as measured by BM_DiskFloorDatasync and BM_DiskFloorLog
// (all their samples, µs).
std::vector<double> gDatasyncSamples, gLogSamples;

// Times single calls and reports their median and 99th percentile (µs).
class CallTimes {
public:
    template <class F>
    auto time(F&& f) {
        auto start = std::chrono::steady_clock::now();
        auto result = f();
        samples_.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
        return result;
    }
    void report(benchmark::State& state) {
        if (samples_.empty())
            return;
        double p50 = percentile(samples_, 50), p99 = percentile(samples_, 99);
        state.counters["call_p50_us"] = p50;
        state.counters["call_p99_us"] = p99;
    }
    // Also the floor's figures, from the samples taken between the calls,
    // and the ratios to them and to the other floors (durable calls).
    void reportAgainstFloor(benchmark::State& state, const std::vector<double>& floor) {
        report(state);
        if (samples_.empty() || floor.empty())
            return;
        state.counters["floor_p50_us"] = percentile(floor, 50);
        state.counters["floor_p99_us"] = percentile(floor, 99);
        state.counters["over_floor_p50_us"] = percentile(samples_, 50) - percentile(floor, 50);
        ratiosTo(state, floor, "ratio");
        ratiosTo(state, gDatasyncSamples, "dsync_ratio");
        ratiosTo(state, gLogSamples, "log_ratio");
    }
    std::vector<double>& samples() { return samples_; }

private:
    void ratiosTo(benchmark::State& state, const std::vector<double>& floor,
                  const std::string& name) {
        if (floor.empty())
            return;
        state.counters[name + "_p50"] = percentile(samples_, 50) / percentile(floor, 50);
        state.counters[name + "_p99"] = percentile(samples_, 99) / percentile(floor, 99);
    }

    std::vector<double> samples_;
};

void check(benchmark::State& state, int32_t rc, const char* what) {
    if (rc != 0)
        state.SkipWithError((std::string(what) + " answered " + std::to_string(rc)).c_str());
}

// The printer idle with the day open, nothing pending.
void idle(benchmark::State& state) {
    bench();
    std::string st = ecfStatusImp();
    if (st.size() != 8) {
        state.SkipWithError(("status reply " + st).c_str());
        return;
    }
    std::string code = st.substr(2, 3);
    if (code != "000" && code != "100")
        check(state, ecfCancVenda("BENCH"), "ecfCancVenda");
}

// How a floor writes: `record` bytes per sync, at the start of the file or
// at the next place of a file of `ring` bytes written beforehand (wrapping
// around), synced with fsync or fdatasync.
struct FloorPattern {
    const char* file;
    size_t record;
    size_t ring;  // 0: always at the start
    bool datasync;
};

// A file in the memory's folder written and synced as a pattern says.
class FloorFile {
public:
    explicit FloorFile(const FloorPattern& p)
        : pattern_(p), bytes_(std::max(p.record, p.ring), 'f') {
        std::string path = bench().dir() + "/" + p.file;
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ >= 0 && p.ring > 0 &&
            (pwrite(fd_, bytes_.data(), p.ring, 0) != static_cast<ssize_t>(p.ring) ||
             fsync(fd_) != 0)) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~FloorFile() {
        if (fd_ >= 0)
            close(fd_);
    }
    FloorFile(const FloorFile&) = delete;
    FloorFile& operator=(const FloorFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    // One timed write and sync; false when either failed.
    bool sample() {
        int rc = times_.time([&] {
            if (pwrite(fd_, bytes_.data(), pattern_.record, at_) !=
                static_cast<ssize_t>(pattern_.record))
                return -1;
            return pattern_.datasync ? fdatasync(fd_) : fsync(fd_);
        });
        if (pattern_.ring > 0)
            at_ = (at_ + static_cast<off_t>(pattern_.record)) % static_cast<off_t>(pattern_.ring);
        return rc == 0;
    }
    CallTimes& times() { return times_; }

private:
    FloorPattern pattern_;
    std::string bytes_;
    int fd_ = -1;
    off_t at_ = 0;
    CallTimes times_;
};

// The floor the ratios use: 4 KiB at the start of a small file and fsync.
const FloorPattern kSyncFloor{"floor.bin", 4096, 0, false};

// Write and sync in the memory's folder, on their own: what one durable
// commit cannot do without. Measured with fsync (the floor the ratios use),
// with fdatasync (the call SQLite makes; no inode times to journal), and as
// a log that wraps around, the pattern of a WAL that starts over.
void diskFloor(benchmark::State& state, const FloorPattern& p,
               std::vector<double>* keep = nullptr) {
    FloorFile floor(p);
    if (!floor.ok()) {
        state.SkipWithError("cannot create the floor file");
        return;
    }
    for (auto _ : state) {
        if (!floor.sample()) {
            state.SkipWithError("write or sync failed");
            break;
        }
    }
    if (keep)
        keep->insert(keep->end(), floor.times().samples().begin(), floor.times().samples().end());
    floor.times().report(state);
}

void BM_DiskFloor(benchmark::State& state) {
    diskFloor(state, kSyncFloor);
}

void BM_DiskFloorDatasync(benchmark::State& state) {
    diskFloor(state, {"floor-datasync.bin", 4096, 0, true}, &gDatasyncSamples);
}

// 2 KiB at the next place of a 4 MiB file, each followed by `fdatasync`.
void BM_DiskFloorLog(benchmark::State& state) {
    diskFloor(state, {"floor-log.bin", 2048, 4 << 20, true}, &gLogSamples);
}

// Times a durable call and, after it and outside the benchmark's own
// timing, one floor sample: the ratios compare the two as the disk is at
// that moment.
class DurableCalls {
public:
    explicit DurableCalls(benchmark::State& state) : floor_(kSyncFloor) {
        if (!floor_.ok())
            state.SkipWithError("cannot create the floor file");
    }

    template <class F>
    int32_t time(benchmark::State& state, F&& call) {
        int32_t rc = calls_.time(call);
        state.PauseTiming();
        if (!floor_.sample())
            state.SkipWithError("floor write or sync failed");
        state.ResumeTiming();
        return rc;
    }
    void report(benchmark::State& state) {
        calls_.reportAgainstFloor(state, floor_.times().samples());
    }

private:
    FloorFile floor_;
    CallTimes calls_;
};

// Size and modification time of the memory and its WAL: a status reply
// must leave them as they were.
std::string memoryFilesStamp() {
    std::string stamp;
    for (const char* suffix : {"", "-wal"}) {
        struct stat st {};
        std::string path = bench().dir() + "/ecfsim.db" + suffix;
        if (stat(path.c_str(), &st) == 0)
            stamp += std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
                     std::to_string(st.st_mtim.tv_nsec) + ";";
    }
    return stamp;
}

void BM_StatusReply(benchmark::State& state) {
    idle(state);
    CallTimes times;
    std::string before = memoryFilesStamp();
    for (auto _ : state) {
        const char* r = times.time([] { return ecfStatusImp(); });
        benchmark::DoNotOptimize(r);
    }
    times.report(state);
    state.counters["memory_written"] = memoryFilesStamp() == before ? 0 : 1;
}

// A free line in an open non-fiscal coupon: state, paper line and trace in
// one committed transaction.
void BM_FreeLineCommitted(benchmark::State& state) {
    idle(state);
    check(state, ecfImpCab(0), "ecfImpCab");
    check(state, ecfInicCupomNFiscal(1), "ecfInicCupomNFiscal");
    DurableCalls times(state);
    for (auto _ : state) {
        int32_t rc =
            times.time(state, [] { return ecfImpLinha("Linha livre do comprovante nao fiscal"); });
        if (rc != 0) {
            check(state, rc, "ecfImpLinha");
            break;
        }
    }
    times.report(state);
    ecfFimTrans("BENCH");
}

// An item sale in a fiscal coupon: the item row, the totalisers and the
// grand total change, two paper lines. The coupon is renewed every 100
// items, outside the timing, so it never nears the 999-item limit.
void BM_ItemSaleCommitted(benchmark::State& state) {
    idle(state);
    DurableCalls times(state);
    int items = 100;
    for (auto _ : state) {
        if (items == 100) {
            state.PauseTiming();
            ecfCancVenda("BENCH");
            check(state, ecfImpCab(0), "ecfImpCab");
            items = 0;
            state.ResumeTiming();
        }
        int32_t rc = times.time(
            state, [] { return ecfVenda_Item("7891234567895", "Produto", "1", "000", "150", 0); });
        if (rc != 0) {
            check(state, rc, "ecfVenda_Item");
            break;
        }
        ++items;
    }
    times.report(state);
    ecfCancVenda("BENCH");
}

// A line feed: the smallest printing call.
void BM_LineFeedCommitted(benchmark::State& state) {
    idle(state);
    DurableCalls times(state);
    for (auto _ : state) {
        int32_t rc = times.time(state, [] { return ecfLineFeed(1, 1); });
        if (rc != 0) {
            check(state, rc, "ecfLineFeed");
            break;
        }
    }
    times.report(state);
}

// Header, five items, payment in cash and closing: nine committed calls.
void BM_FiveItemCoupon(benchmark::State& state) {
    idle(state);
    CallTimes times;
    static const char* const kCodes[] = {"1001", "1002", "1003", "1004", "1005"};
    for (auto _ : state) {
        int32_t rc = times.time([] {
            int32_t r = ecfImpCab(0);
            for (int i = 0; i < 5 && r == 0; ++i)
                r = ecfVenda_Item(kCodes[i], "Produto de teste", "2", "500", "199", i % 5);
            if (r == 0)
                r = ecfPagamento(0, "00", "10000", 0);
            if (r == 0)
                r = ecfFimTrans("OPERADOR");
            return r;
        });
        if (rc != 0) {
            check(state, rc, "coupon");
            ecfCancVenda("BENCH");
            break;
        }
    }
    times.report(state);
}

BENCHMARK(BM_DiskFloor)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiskFloorDatasync)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiskFloorLog)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StatusReply)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FreeLineCommitted)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ItemSaleCommitted)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LineFeedCommitted)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FiveItemCoupon)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
