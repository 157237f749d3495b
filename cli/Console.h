#pragma once

#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The program's output: result lines on standard output, messages on standard error, and,
// on a terminal only, a block of progress bars kept below the lines. Lines may come from
// several threads at once; each is written whole.
namespace cli {

// "label [##########..........]  50%" in width bar cells. position is clamped to 0..range.
std::string ProgressLine(std::string_view label, long position, long range, int width = 40);

class Console {
public:
    // progressShown: whether progress bars are drawn at all (only when standard error is a
    // terminal: a pipe or a file gets the lines alone).
    Console(std::ostream& out, std::ostream& err, bool progressShown);

    void Out(const std::string& line);
    void Err(const std::string& line);
    // Replaces the progress block with these lines.
    void Progress(const std::vector<std::string>& lines);
    // Removes the progress block.
    void EndProgress();

    bool ProgressShown() const { return m_progressShown; }
    // False once standard output can no longer be written (a closed pipe).
    bool OutGood();

private:
    void ClearBlock();
    void DrawBlock();
    void Write(std::ostream& stream, const std::string& line);

    std::mutex m_mutex;
    std::ostream& m_out;
    std::ostream& m_err;
    const bool m_progressShown;
    std::vector<std::string> m_block;
    std::size_t m_drawnLines = 0;
};

}  // namespace cli
