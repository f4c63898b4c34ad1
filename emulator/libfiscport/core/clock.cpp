#include "core/clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace fiscemu {

bool validDate(int year, int month, int day) {
    if (year < 1980 || year > 2099 || month < 1 || month > 12 || day < 1)
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int max = kDays[month - 1];
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && leap)
        max = 29;
    return day <= max;
}

bool validTime(int hour, int minute, int second) {
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

DateTime localFromEpoch(int64_t epoch) {
    time_t t = static_cast<time_t>(epoch);
    struct tm tmv;
    localtime_r(&t, &tmv);
    DateTime dt;
    dt.year = tmv.tm_year + 1900;
    dt.month = tmv.tm_mon + 1;
    dt.day = tmv.tm_mday;
    dt.hour = tmv.tm_hour;
    dt.minute = tmv.tm_min;
    dt.second = tmv.tm_sec;
    return dt;
}

int64_t epochFromLocal(const DateTime& dt) {
    struct tm tmv = {};
    tmv.tm_year = dt.year - 1900;
    tmv.tm_mon = dt.month - 1;
    tmv.tm_mday = dt.day;
    tmv.tm_hour = dt.hour;
    tmv.tm_min = dt.minute;
    tmv.tm_sec = dt.second;
    tmv.tm_isdst = -1;
    return static_cast<int64_t>(mktime(&tmv));
}

int64_t wallNow() {
    return static_cast<int64_t>(time(nullptr));
}

int64_t parsePinnedTime(const std::string& text) {
    // "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" with a blank or a T between.
    static const char kDate[] = "dddd-dd-dd";
    static const char kDateTime[] = "dddd-dd-dd?dd:dd:dd";
    const char* pattern = text.size() == 10 ? kDate : text.size() == 19 ? kDateTime : nullptr;
    if (!pattern)
        return -1;
    for (size_t i = 0; i < text.size(); ++i) {
        char p = pattern[i], c = text[i];
        bool ok = p == 'd' ? (c >= '0' && c <= '9') : p == '?' ? (c == ' ' || c == 'T') : c == p;
        if (!ok)
            return -1;
    }
    auto num = [&](size_t at, size_t len) { return std::atoi(text.substr(at, len).c_str()); };
    DateTime dt;
    dt.year = num(0, 4);
    dt.month = num(5, 2);
    dt.day = num(8, 2);
    dt.hour = text.size() == 19 ? num(11, 2) : 12;
    dt.minute = text.size() == 19 ? num(14, 2) : 0;
    dt.second = text.size() == 19 ? num(17, 2) : 0;
    if (!validDate(dt.year, dt.month, dt.day) || !validTime(dt.hour, dt.minute, dt.second))
        return -1;
    return epochFromLocal(dt);
}

int64_t pinnedNow() {
    const char* env = std::getenv("ECFSIM_TIME");
    if (!env || !*env)
        return -1;
    // Parsed once per distinct value: the clock is read several times per call.
    static std::mutex mutex;
    static std::string lastText;
    static int64_t lastValue = -1;
    std::lock_guard<std::mutex> lock(mutex);
    if (lastText != env) {
        lastText = env;
        lastValue = parsePinnedTime(lastText);
    }
    return lastValue;
}

int64_t systemNow() {
    int64_t pinned = pinnedNow();
    return pinned >= 0 ? pinned : wallNow();
}

namespace {
std::string two(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", ((v % 100) + 100) % 100);
    return b;
}
}  // namespace

std::string formatDateShort(const DateTime& dt) {
    return two(dt.day) + "/" + two(dt.month) + "/" + two(dt.year % 100);
}

std::string formatDateLong(const DateTime& dt) {
    return two(dt.day) + "/" + two(dt.month) + "/" + std::to_string(dt.year);
}

std::string formatTimeCompact(const DateTime& dt) {
    return two(dt.hour) + two(dt.minute) + two(dt.second);
}

std::string formatTimeColons(const DateTime& dt) {
    return two(dt.hour) + ":" + two(dt.minute) + ":" + two(dt.second);
}

std::string formatHourMinute(const DateTime& dt) {
    return two(dt.hour) + ":" + two(dt.minute);
}

std::string formatYmdShort(int ymd) {
    if (ymd <= 0)
        return "00/00/00";
    DateTime dt;
    dt.year = ymd / 10000;
    dt.month = ymd / 100 % 100;
    dt.day = ymd % 100;
    return formatDateShort(dt);
}

int expandYear(int y) {
    return y >= 80 ? 1900 + y : 2000 + y;
}

int parseDate(const std::string& text) {
    if (text.size() != 6 && text.size() != 8)
        return 0;
    for (char c : text)
        if (c < '0' || c > '9')
            return 0;
    int d = std::stoi(text.substr(0, 2));
    int m = std::stoi(text.substr(2, 2));
    int y = std::stoi(text.substr(4));
    if (text.size() == 6)
        y = expandYear(y);
    if (!validDate(y, m, d))
        return 0;
    return y * 10000 + m * 100 + d;
}

}  // namespace fiscemu
