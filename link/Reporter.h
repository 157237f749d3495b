#pragma once

#include <string>

// What the board link and the board operations tell the user: lines for the activity log,
// the progress of a long operation, and messages that need an answer before work goes on.
// The main window shows them in its log, its bar and its message boxes; a command-line
// tool prints them. Each board link reports to its own reporter.
namespace boardlink {

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void LogLine(std::string text) = 0;
    // A line that holds only the local date and time.
    virtual void LogTimestamped() = 0;
    virtual void SetProgressRange(int lower, int upper) = 0;
    virtual void SetProgressPos(int position) = 0;
    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
    // Whether the long operation should stop after the page in flight (asked between pages).
    virtual bool StopRequested() { return false; }
};

// Tells nobody anything: for a link whose messages no one reads.
class SilentReporter final : public Reporter {
public:
    void LogLine(std::string) override {}
    void LogTimestamped() override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPos(int) override {}
    void MessageBox(const std::string&, const std::string&) override {}
};

}  // namespace boardlink
