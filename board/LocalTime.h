#pragma once

#include <ctime>
#include <functional>
#include <string>

// The local clock, broken down and formatted with strftime patterns. Whoever stamps a line
// or a programming record is given the clock to read, so that tests can set the time and
// check stamped lines and stored dates exactly.
namespace board {

using Clock = std::function<std::time_t()>;

// The system's clock.
std::time_t SystemTime();

std::tm LocalNow(const Clock& clock);
std::string FormatLocalTime(const Clock& clock, const char* pattern);
std::string FormatTime(const std::tm& time, const char* pattern);

// The line prefix of time-stamped log lines (one trailing blank).
inline constexpr const char* LogTimePrefix = "%m/%d/%Y %H:%M:%S ";

}  // namespace board
