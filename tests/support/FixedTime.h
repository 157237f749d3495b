#pragma once

#include <ctime>

// The clock of download tests: 15 March 2026, 14:05:09 local time, so that the stamp a
// download writes into the information block is known in advance.
inline std::time_t FixedTime()
{
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 15;
    local.tm_hour = 14;
    local.tm_min = 5;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    return std::mktime(&local);
}
