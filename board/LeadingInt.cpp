#include "board/LeadingInt.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace board {

std::optional<int> ParseLeadingInt(const std::string& text)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin)
        return std::nullopt;
    // Out of int's range "%d" is undefined; take the low 32 bits as the C library does.
    if (errno == ERANGE || value > INT_MAX || value < INT_MIN)
        return static_cast<int>(static_cast<unsigned long>(value) & 0xFFFFFFFFu);
    return static_cast<int>(value);
}

std::optional<uint16_t> SerialFromFileText(const std::string& text)
{
    const std::optional<int> number = ParseLeadingInt(text);
    if (!number)
        return std::nullopt;
    return static_cast<uint16_t>(static_cast<unsigned>(*number) & 0xFFFF);
}

}  // namespace board
