#pragma once

#include <string>

// What the board link tells the user as it works: lines for the activity log (a node that
// may not be opened, a write that failed, a reply that did not come). The main window shows
// them in its log; a command-line tool prints them. Each board link reports to its own
// reporter. What a board operation found is its answer, and what happens during a long one
// goes to its observer (board/Board.h), never through here.
namespace boardlink {

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void LogLine(std::string text) = 0;
    // A line that holds only the local date and time.
    virtual void LogTimestamped() = 0;
};

// Tells nobody anything: for a link whose messages no one reads.
class SilentReporter final : public Reporter {
public:
    void LogLine(std::string) override {}
    void LogTimestamped() override {}
};

}  // namespace boardlink
