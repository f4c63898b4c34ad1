// Speed of the emulated printer through the driver's C interface, on a
// memory of its own in a temporary folder: a status reply, a state change
// with its commit, and a whole five-item coupon.
//
// Each benchmark reports Google Benchmark's figures over repetitions (mean,
// median, deviation of the repetitions' averages) and, as counters, the
// median and the 99th percentile of the single calls it timed.
#include <benchmark/benchmark.h>
#include <stdlib.h>
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

private:
    std::string dir_;
};

Bench& bench() {
    static Bench b;
    return b;
}

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
        std::sort(samples_.begin(), samples_.end());
        state.counters["call_p50_us"] = samples_[samples_.size() / 2];
        state.counters["call_p99_us"] = samples_[samples_.size() * 99 / 100];
    }

private:
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

void BM_StatusReply(benchmark::State& state) {
    idle(state);
    CallTimes times;
    for (auto _ : state) {
        const char* r = times.time([] { return ecfStatusImp(); });
        benchmark::DoNotOptimize(r);
    }
    times.report(state);
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
    times.report(state);
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
    times.report(state);
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
