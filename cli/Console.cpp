#include "cli/Console.h"

#include <algorithm>
#include <cstdio>

namespace cli {

std::string ProgressLine(std::string_view label, long position, long range, int width)
{
    const long clamped = std::clamp(position, 0L, std::max(range, 0L));
    const double fraction = range > 0 ? static_cast<double>(clamped) / static_cast<double>(range) : 0.0;
    const int filled = static_cast<int>(fraction * width);
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100.0));
    return std::string(label) + " [" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '.') + "] " + percent;
}

Console::Console(std::ostream& out, std::ostream& err, bool progressShown)
    : m_out(out), m_err(err), m_progressShown(progressShown)
{
}

// The block is drawn on standard error; moving the cursor up over it and clearing to the
// end of the screen removes it before anything else is written.
void Console::ClearBlock()
{
    if (m_drawnLines == 0)
        return;
    m_err << "\x1b[" << m_drawnLines << "F\x1b[J";
    m_err.flush();
    m_drawnLines = 0;
}

void Console::DrawBlock()
{
    for (const std::string& line : m_block)
        m_err << line << '\n';
    m_err.flush();
    m_drawnLines = m_block.size();
}

void Console::Write(std::ostream& stream, const std::string& line)
{
    std::lock_guard lock(m_mutex);
    ClearBlock();
    stream << line << '\n';
    stream.flush();
    if (m_progressShown)
        DrawBlock();
}

void Console::Out(const std::string& line) { Write(m_out, line); }

void Console::Err(const std::string& line) { Write(m_err, line); }

void Console::Progress(const std::vector<std::string>& lines)
{
    if (!m_progressShown)
        return;
    std::lock_guard lock(m_mutex);
    ClearBlock();
    m_block = lines;
    DrawBlock();
}

void Console::EndProgress()
{
    std::lock_guard lock(m_mutex);
    ClearBlock();
    m_block.clear();
}

bool Console::OutGood()
{
    std::lock_guard lock(m_mutex);
    return m_out.good();
}

}  // namespace cli
