#pragma once

#include <cstdint>
#include <span>
#include <string>

// A file the tool writes for the user (read's configuration): it appears whole under its
// name or not at all, and an existing file is replaced only when the user said so.
namespace cli {

// Why path cannot take a new file, checked before any board is touched: it exists (and
// replace is false), it is a directory or not a regular file, or its folder may not be
// written (the system's words). Empty when it can.
std::string SaveProblem(const std::string& path, bool replace);

// Writes bytes into a new file in path's folder and gives it path's name once it holds
// every byte, so that a write that fails never leaves part of a file at path nor changes
// a file there. Without replace a file at path is left alone, also one that appeared after
// SaveProblem looked. The problem when the file was not saved; empty when it was.
std::string SaveFile(const std::string& path, std::span<const uint8_t> bytes, bool replace);

}  // namespace cli
