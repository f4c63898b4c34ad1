// Calendar arithmetic and the printer's date and time formats.
#pragma once

#include <cstdint>
#include <string>

namespace fiscemu {

struct DateTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    int ymd() const { return year * 10000 + month * 100 + day; }
};

bool validDate(int year, int month, int day);
bool validTime(int hour, int minute, int second);

// Local civil time of an epoch second, and back.
DateTime localFromEpoch(int64_t epoch);
int64_t epochFromLocal(const DateTime& dt);

// The PC clock as the emulated printer reads it, epoch seconds. Normally the
// wall clock; when the environment variable ECFSIM_TIME holds a valid local
// time ("YYYY-MM-DD HH:MM:SS", "YYYY-MM-DDTHH:MM:SS" or "YYYY-MM-DD" for
// noon), the clock stands still at that instant in every process that reads
// the memory, so tests and benchmarks never see the day change under them.
// The printer's own clock is this plus the clock_offset setting.
int64_t systemNow();

// The real wall clock, for durations that must pass even with a pinned
// clock (the drawer closing by itself).
int64_t wallNow();

// The instant ECFSIM_TIME names, or -1 when it is unset, empty or invalid.
int64_t pinnedNow();
// Parses a pinned-time text as ECFSIM_TIME takes it; -1 when invalid.
int64_t parsePinnedTime(const std::string& text);

// "DD/MM/YY", "DD/MM/YYYY", "HHMMSS", "HH:MM:SS", "HH:MM".
std::string formatDateShort(const DateTime& dt);
std::string formatDateLong(const DateTime& dt);
std::string formatTimeCompact(const DateTime& dt);
std::string formatTimeColons(const DateTime& dt);
std::string formatHourMinute(const DateTime& dt);
// From a YYYYMMDD number: "DD/MM/YY", or blanks-free "00/00/00" for 0.
std::string formatYmdShort(int ymd);

// A two-digit year as the printer reads it: 80-99 are 19xx, 00-79 are 20xx.
int expandYear(int twoDigits);

// "DDMMYY" or "DDMMYYYY" text to a YYYYMMDD number; 0 when invalid.
int parseDate(const std::string& text);

}  // namespace fiscemu
