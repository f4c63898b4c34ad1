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

// Current wall-clock epoch second.
int64_t systemNow();

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
