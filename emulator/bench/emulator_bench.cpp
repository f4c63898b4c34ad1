// Speed of the emulated printer through the driver's C interface, on a
// memory of its own in a temporary folder: a status reply, a state change
// with its commit, and a whole five-item coupon.
//
// The disk's own floor is measured first, in the same run and the same
// folder: writing 4 KiB to a small file and syncing it. Every durable call
// waits for at least one such sync, so the state-changing benchmarks report
// their median and 99th percentile beside the floor's and as ratios of it
// (`ratio_p50`, `ratio_p99`; the aim is at most 1.3 and 2). A third floor
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

// The disk's floors, as measured by BM_DiskFloor, BM_DiskFloorDatasync and
// BM_DiskFloorLog (all their samples, µs).
std::vector<double> gFloorSamples, gDatasyncSamples, gLogSamples;

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
    // Also the floor's figures and the ratios to them (durable calls).
    void reportAgainstFloor(benchmark::State& state) {
        report(state);
        if (samples_.empty() || gFloorSamples.empty())
            return;
        double f50 = percentile(gFloorSamples, 50), f99 = percentile(gFloorSamples, 99);
        state.counters["floor_p50_us"] = f50;
        state.counters["floor_p99_us"] = f99;
        state.counters["ratio_p50"] = percentile(samples_, 50) / f50;
        state.counters["ratio_p99"] = percentile(samples_, 99) / f99;
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

// Write and sync in the memory's folder: what one durable commit cannot do
// without. Measured with fsync (the floor the ratios use), with fdatasync
// (the call SQLite makes; no inode times to journal), and as a log that
// wraps around, the pattern of a WAL that starts over.
void diskFloor(benchmark::State& state, const FloorPattern& p, std::vector<double>* keep) {
    std::string path = bench().dir() + "/" + p.file;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::string bytes(std::max(p.record, p.ring), 'f');
    if (fd < 0 ||
        (p.ring > 0 &&
         (pwrite(fd, bytes.data(), p.ring, 0) != static_cast<ssize_t>(p.ring) || fsync(fd) != 0))) {
        state.SkipWithError("cannot create the floor file");
        if (fd >= 0)
            close(fd);
        return;
    }
    CallTimes times;
    off_t at = 0;
    for (auto _ : state) {
        int rc = times.time([&] {
            if (pwrite(fd, bytes.data(), p.record, at) != static_cast<ssize_t>(p.record))
                return -1;
            return p.datasync ? fdatasync(fd) : fsync(fd);
        });
        if (p.ring > 0)
            at = (at + static_cast<off_t>(p.record)) % static_cast<off_t>(p.ring);
        if (rc != 0) {
            state.SkipWithError("write or sync failed");
            break;
        }
    }
    close(fd);
    keep->insert(keep->end(), times.samples().begin(), times.samples().end());
    times.report(state);
}

void BM_DiskFloor(benchmark::State& state) {
    diskFloor(state, {"floor.bin", 4096, 0, false}, &gFloorSamples);
}

void BM_DiskFloorDatasync(benchmark::State& state) {
    diskFloor(state, {"floor-datasync.bin", 4096, 0, true}, &gDatasyncSamples);
}

// 2 KiB at the next place of a 4 MiB file, each followed by `fdatasync`.
void BM_DiskFloorLog(benchmark::State& state) {
    diskFloor(state, {"floor-log.bin", 2048, 4 << 20, true}, &gLogSamples);
}

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
    CallTimes times;
    for (auto _ : state) {
        int32_t rc =
            times.time([] { return ecfImpLinha("Linha livre do comprovante nao fiscal"); });
        if (rc != 0) {
            check(state, rc, "ecfImpLinha");
            break;
        }
    }
    times.reportAgainstFloor(state);
    ecfFimTrans("BENCH");
}

// An item sale in a fiscal coupon: the item row, the totalisers and the
// grand total change, two paper lines. The coupon is renewed every 100
// items, outside the timing, so it never nears the 999-item limit.
void BM_ItemSaleCommitted(benchmark::State& state) {
    idle(state);
    CallTimes times;
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
            [] { return ecfVenda_Item("7891234567895", "Produto", "1", "000", "150", 0); });
        if (rc != 0) {
            check(state, rc, "ecfVenda_Item");
            break;
        }
        ++items;
    }
    times.reportAgainstFloor(state);
    ecfCancVenda("BENCH");
}

// A line feed: the smallest printing call.
void BM_LineFeedCommitted(benchmark::State& state) {
    idle(state);
    CallTimes times;
    for (auto _ : state) {
        int32_t rc = times.time([] { return ecfLineFeed(1, 1); });
        if (rc != 0) {
            check(state, rc, "ecfLineFeed");
            break;
        }
    }
    times.reportAgainstFloor(state);
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
