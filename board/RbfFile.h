#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace board {

// What reading a raw configuration file found.
struct RbfFileContents {
    std::size_t count = 0;      // bytes put into the buffer
    uint64_t fileBytes = 0;     // the file's whole length
    // Every byte past the buffer's end is 0xFF, the value of erased flash (true when the
    // file ends within the buffer).
    bool onlyErasedPastBuffer = true;
};

// Reads a raw configuration file: its start into buffer, at most buffer.size() bytes, and
// the rest only as far as needed to tell whether it is all erased-flash padding (reading
// stops at the first other byte). The path is opened byte for byte as given (UTF-8 names
// included). Only a regular file is read: a named pipe, a device or a directory would
// block the program or feed it endless data, so they count as files that cannot be opened.
// nullopt when the file cannot be opened or read.
// cause, when given, takes why the file could not be used, in the system's words
// ("No such file or directory", "Is a directory", "Permission denied").
std::optional<RbfFileContents> ReadRbfFile(const std::string& path, std::span<uint8_t> buffer,
                                           std::string* cause = nullptr);

}  // namespace board
