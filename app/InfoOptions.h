#pragma once

#include <optional>
#include <ostream>

// What --help tells about a program; the manual pages are made from the same text.
struct ProgramDescription {
    const char* name;     // the command, as typed
    const char* summary;  // one line
    const char* details;  // paragraphs separated by blank lines
};

// Answers --help (-h) and --version (-V) before any window exists, so that both work without
// a display: the manual pages are made from them at build time. Returns the exit code when one
// of them was given, nothing when the program should start as usual; every other argument is
// left to QApplication, which takes Qt's own options (-platform, -display, ...) as before.
std::optional<int> AnswerInfoOption(int argc, const char* const* argv, const ProgramDescription& program,
                                    std::ostream& out);
