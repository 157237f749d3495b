#include "board/Download.h"

#include <cstdint>
#include <cstring>

#include "board/InfoBlock.h"

namespace board {
namespace {

// The last byte of a UTF-8 character has no continuation byte after it.
bool IsUtf8Continuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::size_t StoredFileNameLength(const std::string& name)
{
    std::size_t length = std::strlen(name.c_str());
    if (length <= infoblock::MaxFileNameLength)
        return length;
    length = infoblock::MaxFileNameLength;
    // A character cut at the limit is left out whole; a UTF-8 character is at most four
    // bytes, so at most three bytes are given back.
    for (int step = 0; step < 3 && length > 0 && IsUtf8Continuation(static_cast<uint8_t>(name[length])); ++step)
        --length;
    if (IsUtf8Continuation(static_cast<uint8_t>(name[length])))
        return infoblock::MaxFileNameLength;
    return length;
}

}  // namespace board
