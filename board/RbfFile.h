#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Reads the start of a raw configuration file into buffer: at most buffer.size() bytes,
// never more of a longer file. The path is opened byte for byte as given (UTF-8 names
// included). Only a regular file is read: a named pipe, a device or a directory would
// block the program or feed it endless data, so they count as files that cannot be opened.
// nullopt when the file cannot be opened or read; otherwise the number of bytes read.
namespace board {

std::optional<std::size_t> ReadRbfFile(const std::string& path, std::span<uint8_t> buffer);

}  // namespace board
