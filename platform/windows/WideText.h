#pragma once

#include <optional>
#include <string>
#include <string_view>

// Tarvik speaks UTF-8; Windows speaks UTF-16 through its wide calls, and the narrow calls
// take the ANSI code page, which cannot name every file. Every name crosses here.
namespace platform::windows {

// The UTF-16 form of a UTF-8 text; nullopt when the text is not valid UTF-8, so that a
// mangled name never opens some other file.
std::optional<std::wstring> Wide(std::string_view utf8);

// The UTF-8 form of a UTF-16 text (a lone surrogate becomes U+FFFD).
std::string Utf8(std::wstring_view wide);

// The system's words for an error code, without the full stop and line end Windows puts
// after them ("The system cannot find the file specified").
std::string SystemMessage(unsigned long code);

}  // namespace platform::windows
