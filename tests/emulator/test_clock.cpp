// The printer's PC clock: pinned by ECFSIM_TIME for tests and benchmarks,
// while durations such as the drawer closing by itself keep the wall clock.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <ctime>

#include "core/clock.h"
#include "core/state.h"

using namespace fiscemu;

namespace {

// Sets or clears ECFSIM_TIME for one test and restores what was there.
class PinnedEnv {
public:
    PinnedEnv() {
        const char* v = getenv("ECFSIM_TIME");
        had_ = v != nullptr;
        if (v)
            previous_ = v;
    }
    ~PinnedEnv() {
        if (had_)
            setenv("ECFSIM_TIME", previous_.c_str(), 1);
        else
            unsetenv("ECFSIM_TIME");
    }
    void set(const char* value) { setenv("ECFSIM_TIME", value, 1); }
    void clear() { unsetenv("ECFSIM_TIME"); }

private:
    bool had_ = false;
    std::string previous_;
};

int64_t local(int y, int mo, int d, int h, int mi, int s) {
    DateTime dt;
    dt.year = y;
    dt.month = mo;
    dt.day = d;
    dt.hour = h;
    dt.minute = mi;
    dt.second = s;
    return epochFromLocal(dt);
}

TEST(PinnedClock, TakesADateTimeWithBlankOrTOrADateForNoon) {
    EXPECT_EQ(parsePinnedTime("2026-03-10 12:00:00"), local(2026, 3, 10, 12, 0, 0));
    EXPECT_EQ(parsePinnedTime("2026-03-10T23:59:58"), local(2026, 3, 10, 23, 59, 58));
    EXPECT_EQ(parsePinnedTime("2024-02-29"), local(2024, 2, 29, 12, 0, 0));
    DateTime back = localFromEpoch(parsePinnedTime("1999-12-31 08:07:06"));
    EXPECT_EQ(back.ymd(), 19991231);
    EXPECT_EQ(formatTimeColons(back), "08:07:06");
}

TEST(PinnedClock, RefusesAnythingElse) {
    for (const char* bad :
         {"", "2026-3-10", "10/03/2026", "2026-03-10 12:00", "2026-03-10 12:00:00Z", " 2026-03-10",
          "2026-03-10 ", "2026-03-10X12:00:00", "2026-02-30", "2025-02-29", "2026-13-01",
          "2026-03-10 24:00:00", "2026-03-10 12:60:00", "1979-12-31", "+026-03-10", "2026-03-1a",
          "2026/03/10"})
        EXPECT_EQ(parsePinnedTime(bad), -1) << "'" << bad << "'";
}

TEST(PinnedClock, SystemNowStandsStillWhereTheEnvironmentSays) {
    PinnedEnv env;
    env.clear();
    EXPECT_EQ(pinnedNow(), -1);
    int64_t before = static_cast<int64_t>(time(nullptr));
    int64_t now = systemNow();
    EXPECT_GE(now, before);
    EXPECT_LE(now, static_cast<int64_t>(time(nullptr)));

    env.set("2026-03-10 12:00:00");
    EXPECT_EQ(systemNow(), local(2026, 3, 10, 12, 0, 0));
    EXPECT_EQ(pinnedNow(), local(2026, 3, 10, 12, 0, 0));
    // A new value is followed at once.
    env.set("2030-01-02");
    EXPECT_EQ(systemNow(), local(2030, 1, 2, 12, 0, 0));
    // The wall clock is not pinned.
    EXPECT_GE(wallNow(), before);
    EXPECT_LE(wallNow(), static_cast<int64_t>(time(nullptr)));

    // An invalid value leaves the wall clock in charge.
    env.set("amanha");
    EXPECT_EQ(pinnedNow(), -1);
    EXPECT_GE(systemNow(), before);
    EXPECT_LE(systemNow(), static_cast<int64_t>(time(nullptr)));
}

TEST(DrawerClock, AnOpenedDrawerClosesByItselfAfterItsSeconds) {
    Settings set;
    set.drawer = kDrawerOpen;
    set.drawerOpenedAt = 1000;
    set.drawerAutoClose = 10;
    EXPECT_TRUE(drawerReadsOpen(set, 1000));
    EXPECT_TRUE(drawerReadsOpen(set, 1009));
    EXPECT_FALSE(drawerReadsOpen(set, 1010));
    set.drawerAutoClose = 0;  // stays open until closed from outside
    EXPECT_TRUE(drawerReadsOpen(set, 1000 + 86400 * 30));
    set.drawer = kDrawerClosed;
    EXPECT_FALSE(drawerReadsOpen(set, 1000));
    set.drawer = kDrawerAbsent;
    EXPECT_FALSE(drawerReadsOpen(set, 1000));
}

}  // namespace
