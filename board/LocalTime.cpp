#include "board/LocalTime.h"

#include <array>

#include "platform/Platform.h"

namespace board {

std::time_t SystemTime() { return std::time(nullptr); }

std::tm LocalNow(const Clock& clock)
{
    const std::time_t now = clock ? clock() : SystemTime();
    return platform::LocalTime(now);
}

std::string FormatTime(const std::tm& time, const char* pattern)
{
    std::array<char, 128> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), pattern, &time);
    return std::string(text.data(), length);
}

std::string FormatLocalTime(const Clock& clock, const char* pattern) { return FormatTime(LocalNow(clock), pattern); }

}  // namespace board
