#include "app/LocalTime.h"

#include <array>

namespace {
ClockSource Clock;
}

void SetClockSource(ClockSource source) { Clock = std::move(source); }

std::tm LocalNow()
{
    const std::time_t now = Clock ? Clock() : std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string FormatTime(const std::tm& time, const char* pattern)
{
    std::array<char, 128> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), pattern, &time);
    return std::string(text.data(), length);
}

std::string FormatLocalTime(const char* pattern) { return FormatTime(LocalNow(), pattern); }
