// The library across fork(): a child that ends, whether it called the
// library or not, ends at once; a child that calls it works on a connection
// of its own, also while its parent goes on calling; the parent goes on
// after the fork; and every answered call is in the memory afterwards.
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "core/codes.h"
#include "driver_support.h"

using namespace emutest;

namespace {

// A child that is still running after this long is taken as hung.
constexpr int kDeadlineSeconds = 30;

struct ChildEnd {
    bool hung = false;  // killed at the deadline
    int status = 0;
};

// Waits for the child until the deadline, and kills it past the deadline, so that a
// regression fails the test instead of hanging it.
ChildEnd waitWithDeadline(pid_t pid) {
    ChildEnd end;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kDeadlineSeconds);
    for (;;) {
        pid_t done = waitpid(pid, &end.status, WNOHANG);
        if (done == pid)
            return end;
        if (done < 0 || std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &end.status, 0);
            end.hung = true;
            return end;
        }
        usleep(2000);
    }
}

// "exited with 0", or what happened instead.
std::string describe(const ChildEnd& end) {
    if (end.hung)
        return "still running after " + std::to_string(kDeadlineSeconds) + " s (killed)";
    if (WIFEXITED(end.status))
        return "exited with " + std::to_string(WEXITSTATUS(end.status));
    if (WIFSIGNALED(end.status))
        return "killed by signal " + std::to_string(WTERMSIG(end.status));
    return "status " + std::to_string(end.status);
}

class Fork : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        // The test's own connection to the memory would be inherited too;
        // the library answers for its own connections only.
        tool_.reset();
    }

    // Runs `body` in a child that ends through exit() with its value, as
    // a program returning from main does: static destructors run.
    static pid_t forkChild(const std::function<int()>& body) {
        std::fflush(nullptr);
        pid_t pid = fork();
        if (pid == 0)
            std::exit(body());
        return pid;
    }

    // The memory opened afresh and checked, once no child is left.
    std::unique_ptr<fiscemu::Device> reopen() {
        std::string error;
        auto device = fiscemu::Device::open(dir_->db(), &error);
        EXPECT_TRUE(device) << error;
        if (device) {
            EXPECT_EQ(device->verify(), std::vector<std::string>{});
        }
        return device;
    }
};

TEST_F(Fork, ChildThatNeverCallsEndsAtOnceAndTheParentGoesOn) {
    ASSERT_EQ(ecfLineFeed(1, 1), 0);  // a connection and its checkpoint thread exist
    pid_t pid = forkChild([] { return 0; });
    ASSERT_GT(pid, 0);
    ChildEnd end = waitWithDeadline(pid);
    ASSERT_TRUE(!end.hung && WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0)
        << describe(end);
    ASSERT_EQ(ecfLineFeed(1, 2), 0);
    auto device = reopen();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->store().paper(0, 0).size(), 3u);
}

TEST_F(Fork, ChildThatCallsWorksOnItsOwnConnectionAndEnds) {
    ASSERT_EQ(ecfLineFeed(1, 1), 0);
    pid_t pid = forkChild([] {
        int failures = 0;
        for (int i = 0; i < 20; ++i)
            failures += ecfLineFeed(1, 1) != 0;
        failures += stateNow() != 0;  // a status reply answered too
        return failures;
    });
    ASSERT_GT(pid, 0);
    ChildEnd end = waitWithDeadline(pid);
    ASSERT_TRUE(!end.hung && WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0)
        << describe(end);
    // The parent goes on, and sees the child's lines.
    ASSERT_EQ(ecfLineFeed(1, 1), 0);
    auto device = reopen();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->store().paper(0, 0).size(), 22u);
}

TEST_F(Fork, ParentAndChildSellIntoOneCouponAtOnce) {
    ASSERT_EQ(ecfImpCab(0), 0);
    ASSERT_EQ(ecfVendaItem("PRIMEIRO", "1000", 0), 0);
    constexpr int kItems = 100;
    int go[2], report[2];
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(report), 0);
    // Each side sells its own price, so the subtotal tells whose sales
    // were kept; a call may only be accepted (0) or find the memory busy
    // (42, nothing changed).
    auto sell = [](const char* price, int* accepted) {
        int unexpected = 0;
        for (int i = 0; i < kItems; ++i) {
            int rc = ecfVendaItem("ITEM", price, 0);
            *accepted += rc == 0;
            unexpected += rc != 0 && rc != fiscemu::kBusy;
        }
        return unexpected;
    };
    pid_t pid = forkChild([&] {
        char byte = 0;
        if (read(go[0], &byte, 1) != 1)
            return 99;
        int accepted = 0;
        int unexpected = sell("7", &accepted);
        if (write(report[1], &accepted, sizeof accepted) != sizeof accepted)
            return 98;
        return unexpected;
    });
    ASSERT_GT(pid, 0);
    int parentAccepted = 0;
    ASSERT_EQ(write(go[1], "g", 1), 1);
    int parentUnexpected = sell("100", &parentAccepted);
    ChildEnd end = waitWithDeadline(pid);
    int childAccepted = -1;
    ASSERT_EQ(read(report[0], &childAccepted, sizeof childAccepted),
              static_cast<ssize_t>(sizeof childAccepted));
    for (int fd : {go[0], go[1], report[0], report[1]})
        close(fd);
    ASSERT_TRUE(!end.hung && WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0)
        << describe(end);
    EXPECT_EQ(parentUnexpected, 0);
    EXPECT_GT(parentAccepted, 0);
    EXPECT_GT(childAccepted, 0);

    // Every accepted sale is in the coupon, once.
    const int64_t expected = 1000 + 100LL * parentAccepted + 7LL * childAccepted;
    const std::string subtotal = trimmed(subtotalField());
    auto device = reopen();
    ASSERT_TRUE(device);
    EXPECT_EQ(fiscemu::documentSubtotal(device->state().doc), expected) << subtotal;
    EXPECT_EQ(device->state().doc.items.size(),
              static_cast<size_t>(1 + parentAccepted + childAccepted));
}

// A process made by clone() without fork's handlers (a program may do that
// to exec at once) inherits live connections: it refuses calls rather than
// share SQLite's lock records with its parent, and still ends at once.
TEST_F(Fork, ChildMadeWithoutForkHandlersRefusesAndEnds) {
    ASSERT_EQ(ecfLineFeed(1, 1), 0);
    std::fflush(nullptr);
    pid_t pid = static_cast<pid_t>(syscall(SYS_clone, SIGCHLD, nullptr, nullptr, nullptr, 0));
    if (pid == 0)
        std::exit(ecfLineFeed(1, 1) == fiscemu::kStorage && ecfLineFeed(1, 1) == fiscemu::kStorage
                      ? 0
                      : 1);
    ASSERT_GT(pid, 0);
    ChildEnd end = waitWithDeadline(pid);
    ASSERT_TRUE(!end.hung && WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0)
        << describe(end);
    ASSERT_EQ(ecfLineFeed(1, 1), 0);
    auto device = reopen();
    ASSERT_TRUE(device);
    EXPECT_EQ(device->store().paper(0, 0).size(), 2u);
}

}  // namespace
