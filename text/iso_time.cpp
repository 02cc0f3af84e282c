#include "text/iso_time.h"

namespace {

// The value of the digits at [at, at + count), or -1 when one of them is no digit.
int digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t k = at; k < at + count; ++k) {
        if (text[k] < '0' || text[k] > '9')
            return -1;
        value = value * 10 + (text[k] - '0');
    }
    return value;
}

int daysIn(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// Nanoseconds are finer than any clock the bench reads.
constexpr std::size_t longestFraction = 9;

} // namespace

bool isIsoUtcTime(std::string_view text) {
    constexpr std::size_t seconds = 19; // "YYYY-MM-DDTHH:MM:SS"
    if (text.size() < seconds + 1 || text.size() > seconds + 2 + longestFraction || text.back() != 'Z')
        return false;
    if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        return false;
    const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > daysIn(year, month) || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    const std::size_t rest = text.size() - seconds - 1; // between the seconds and the "Z"
    if (rest == 0)
        return true;
    return rest >= 2 && text[seconds] == '.' && digits(text, seconds + 1, rest - 1) >= 0;
}
