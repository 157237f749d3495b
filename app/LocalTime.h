#pragma once

#include <ctime>
#include <functional>
#include <string>

// The local clock, broken down and formatted with strftime patterns. Tests set the clock
// so that time-stamped lines and stored dates can be checked exactly.
std::tm LocalNow();
std::string FormatLocalTime(const char* pattern);
std::string FormatTime(const std::tm& time, const char* pattern);

// The line prefix of time-stamped log lines (one trailing blank).
inline constexpr const char* LogTimePrefix = "%m/%d/%Y %H:%M:%S ";

using ClockSource = std::function<std::time_t()>;
// An empty source returns to the system clock.
void SetClockSource(ClockSource source);
