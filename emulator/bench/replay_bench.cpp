// What replaying a session adds to the calls themselves: a session of
// 10,000 calls (coupons, status queries, payments, a non-fiscal line) is
// recorded once, then made again directly through the driver's C interface
// on a fresh copy of the starting memory, and replayed with ecfsim's replay
// (memory rebuilt, child process, every answer and printed line compared),
// in alternating rounds. Prints both side by side with the aim: replay at
// most 1.2 times the direct calls. The figure held to the aim is processor
// time (the child's included): on a shared disk the calls' syncs swing the
// wall time of either run by several times from one minute to the next,
// which says nothing about replay; the wall times are printed beside it.
//
//   build/bin/replay_bench [ROUNDS]
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ecfsim/replay.h"
#include "ecfsim/session.h"
#include "fiscport.h"

namespace {

constexpr double kAim = 1.2;
constexpr int kCalls = 10000;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time (user and system) of this process and its waited children.
double processorSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        struct rusage u {};
        getrusage(who, &u);
        total += double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                 double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

struct Cost {
    double wall = 0, processor = 0;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The session's calls, each one a step of a coupon's life: 10,000 in all.
void workload() {
    int32_t one = 1;
    int made = 0;
    while (made < kCalls) {
        const int32_t steps[] = {
            ecfImpCab(0),
            ecfVenda_Item("1", "ARROZ", "1", "000", "250", 0),
            ecfVenda_Item("2", "FEIJAO", "2", "000", "120", 0),
            ecfVendaItem("CAFE", "9,90", 0),
            ecfSubTotal(),
            ecfStatusCupom(&one) ? 0 : 1,
            ecfPagamento(0, "00", "5000", 0),
            ecfImpLinha("Volte sempre"),
            ecfFimTrans("OPERADOR"),
            ecfStatusImp() ? 0 : 1,
        };
        made += static_cast<int>(sizeof steps / sizeof steps[0]);
    }
}

// Points the library at a new memory in `folder` (made at its first call).
void useMemory(const std::string& folder) {
    std::filesystem::create_directories(folder);
    setenv("ECFSIM_DB", (folder + "/ecfsim.db").c_str(), 1);
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::string base = std::filesystem::temp_directory_path() / "replay_bench-XXXXXX";
    if (!mkdtemp(base.data())) {
        std::perror("replay_bench: mkdtemp");
        return 1;
    }
    setenv("ECFSIM_TIME", "2026-03-10 09:00:00", 1);
    setenv("TMPDIR", base.c_str(), 1);

    // The session: a factory memory, recorded while the workload runs.
    std::string recorded = base + "/gravada";
    useMemory(recorded);
    ChangePort(0);
    ecfsim::Result started = ecfsim::recordStart(recorded + "/ecfsim.db");
    if (!started.ok) {
        std::fprintf(stderr, "replay_bench: %s\n", started.error.c_str());
        return 1;
    }
    workload();
    ecfsim::Result stopped = ecfsim::recordStop(recorded + "/ecfsim.db", base + "/sessao.json");
    if (!stopped.ok) {
        std::fprintf(stderr, "replay_bench: %s\n", stopped.error.c_str());
        return 1;
    }
    ecfsim::Session session = ecfsim::readSession(base + "/sessao.json");

    std::vector<Cost> direct, replayed;
    for (int round = 0; round < rounds; ++round) {
        // Direct: the same calls, from the same starting memory.
        auto runDirect = [&] {
            std::string folder = base + "/direta" + std::to_string(round);
            std::filesystem::create_directories(folder);
            std::FILE* f = std::fopen((folder + "/ecfsim.db").c_str(), "wb");
            std::fwrite(session.memory.data(), 1, session.memory.size(), f);
            std::fclose(f);
            useMemory(folder);
            Clock::time_point start = Clock::now();
            double cpu = processorSeconds();
            ChangePort(0);
            workload();
            direct.push_back({secondsSince(start), processorSeconds() - cpu});
        };
        auto runReplay = [&] {
            Clock::time_point start = Clock::now();
            double cpu = processorSeconds();
            ecfsim::ReplayReport report = ecfsim::replaySession(session, {});
            replayed.push_back({secondsSince(start), processorSeconds() - cpu});
            return report;
        };
        // Alternating which goes first, so neither always meets a warmer disk.
        if (round % 2)
            runDirect();
        ecfsim::ReplayReport report = runReplay();
        if (round % 2 == 0)
            runDirect();
        if (report.exitCode != 0) {
            std::fprintf(stderr, "replay_bench: the replay differed:\n%s",
                         ecfsim::reportText(report).c_str());
            return 1;
        }
    }
    auto wall = [](const std::vector<Cost>& runs) {
        std::vector<double> v;
        for (const Cost& c : runs)
            v.push_back(c.wall);
        return median(v);
    };
    auto processor = [](const std::vector<Cost>& runs) {
        std::vector<double> v;
        for (const Cost& c : runs)
            v.push_back(c.processor);
        return median(v);
    };
    const double dc = processor(direct), rc = processor(replayed);
    std::printf("session of %zu calls, %d round(s), medians\n", session.calls.size(), rounds);
    std::printf("  %-34s %9s %9s %8s\n", "", "direct", "replay", "ratio");
    std::printf("  %-34s %8.3fs %8.3fs %8.3f   aim <= %.2f  %s\n",
                "processor time (child included)", dc, rc, rc / dc, kAim,
                rc / dc <= kAim ? "ok" : "ABOVE THE AIM");
    std::printf("  %-34s %8.1f %9.1f\n", "  per call, us", dc * 1e6 / kCalls, rc * 1e6 / kCalls);
    std::printf("  %-34s %8.3fs %8.3fs %8.3f   (the disk's syncs, shared)\n", "wall time",
                wall(direct), wall(replayed), wall(replayed) / wall(direct));
    std::filesystem::remove_all(base);
    return 0;
}
