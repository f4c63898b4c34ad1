// What the front panel costs the bench: the same state-changing calls through
// the driver's C interface, timed in alternating blocks with no panel and
// with ecfpainel following the same memory (a process of its own, headless).
// Prints the figures side by side with the target: a call with the panel
// following costs the same (ratio of the medians at most 1.10).
//
//   build/bin/panel_bench [ROUNDS]
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "fiscport.h"

namespace {

constexpr double kTargetRatio = 1.10;

struct Figures {
    double median = 0, p90 = 0, mean = 0;
};

Figures figuresOf(std::vector<double> us) {
    std::sort(us.begin(), us.end());
    Figures f;
    f.median = us[us.size() / 2];
    f.p90 = us[us.size() * 9 / 10];
    double sum = 0;
    for (double v : us)
        sum += v;
    f.mean = sum / double(us.size());
    return f;
}

// One round: a header, an item and the cancellation, three commits.
std::vector<double> run(int rounds) {
    std::vector<double> us;
    us.reserve(size_t(rounds) * 3);
    auto timed = [&us](auto&& call) {
        auto start = std::chrono::steady_clock::now();
        int32_t rc = call();
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
        if (rc != 0) {
            std::fprintf(stderr, "panel_bench: a call answered %d\n", rc);
            std::exit(1);
        }
    };
    for (int i = 0; i < rounds; ++i) {
        timed([] { return ecfImpCab(0); });
        timed([] { return ecfVenda_Item("789", "Produto", "1", "000", "150", 0); });
        timed([] { return ecfCancVenda("BENCH"); });
    }
    return us;
}

pid_t startPanel(const std::string& db) {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(ECFPAINEL, ECFPAINEL, "--db", db.c_str(), static_cast<char*>(nullptr));
        std::perror("panel_bench: ecfpainel");
        _exit(127);
    }
    return pid;
}

// CPU seconds a process has used so far (user and system).
double cpuSeconds(pid_t pid) {
    std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f)
        return 0;
    char buf[1024] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    std::string stat(buf, n);
    size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    // Fields after the command name: state is the 3rd; utime and stime the 14th and 15th.
    unsigned long utime = 0, stime = 0;
    const char* p = stat.c_str() + close + 2;
    for (int field = 3; field < 14 && *p; ++field) {
        p = std::strchr(p, ' ');
        if (!p)
            return 0;
        ++p;
    }
    std::sscanf(p, "%lu %lu", &utime, &stime);
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

void stopPanel(pid_t pid) {
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(20, std::atoi(argv[1])) : 400;
    const char* base = getenv("TMPDIR");
    std::string dir = std::string(base && *base ? base : "/tmp") + "/panel_bench.XXXXXX";
    if (!mkdtemp(dir.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string db = dir + "/ecfsim.db";
    setenv("ECFSIM_DB", db.c_str(), 1);
    setenv("ECFSIM_TIME", "2026-03-10 12:00:00", 1);
    ChangePort(0);
    run(30);  // the memory created, the caches warm

    // The disk's and the machine's pace drift during a run (other programs,
    // the memory's syncs): the same calls are timed in alternating blocks,
    // without any panel process and with ecfpainel started anew and
    // following, and the blocks pooled. (Pausing the panel instead would be
    // unfair to it: stopped inside a read, it would keep the WAL from being
    // reset.)
    const int blocks = 6;
    const int perBlock = std::max(10, rounds / blocks);
    std::vector<double> following, alone;
    double panelCpu = 0, followingSeconds = 0;
    for (int block = 0; block < blocks; ++block) {
        std::vector<double> a = run(perBlock);
        alone.insert(alone.end(), a.begin(), a.end());
        const pid_t panel = startPanel(db);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // open and following
        const double cpuBefore = cpuSeconds(panel);
        const auto start = std::chrono::steady_clock::now();
        std::vector<double> f = run(perBlock);
        followingSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        panelCpu += cpuSeconds(panel) - cpuBefore;
        stopPanel(panel);
        following.insert(following.end(), f.begin(), f.end());
    }
    const Figures with = figuresOf(following);
    const Figures without = figuresOf(alone);

    const double ratio = with.median / without.median;
    std::printf(
        "state-changing calls (header, item, cancellation): %d blocks of %d rounds "
        "each way\n",
        blocks, perBlock);
    std::printf("%-34s %12s %12s %12s\n", "", "median us", "p90 us", "mean us");
    auto line = [](const char* what, const Figures& f) {
        std::printf("%-34s %12.1f %12.1f %12.1f\n", what, f.median, f.p90, f.mean);
    };
    line("no panel", without);
    line("ecfpainel following", with);
    std::printf("the panel's CPU time while following: %.3f s of %.3f s\n", panelCpu,
                followingSeconds);
    std::printf("ratio following / no panel (medians): %.3f   target: at most %.2f   %s\n", ratio,
                kTargetRatio, ratio <= kTargetRatio ? "met" : "NOT met");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
