#pragma once

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "board/Download.h"
#include "board/InfoBlock.h"
#include "sim/SimBackend.h"

// What the fault sweeps share: one fault at every exchange of a download, of every kind the
// simulated board offers, on a board with a serial number and on a blank one. Whatever goes
// wrong, the board never holds a record of a configuration it does not hold and nothing of
// its information block is overwritten with stale bytes; each sweep then checks that what
// its front end reports agrees with what the board holds.
namespace faultsweep {

inline constexpr std::size_t PageSize = 128;
inline constexpr std::size_t InfoEnd = 2 * PageSize;
inline constexpr std::size_t ConfigEnd = board::ConfigAreaAddress + board::ConfigAreaSize;
inline constexpr uint16_t NewSerial = 123;
// The file, named so that a blank board takes the number 123 from it.
inline const char* const FileText = "123.rbf";

using Flash = std::array<uint8_t, sim::FlashSize>;
using Page = std::array<uint8_t, PageSize>;

inline const std::vector<uint8_t>& Configuration()
{
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> pattern(20000);
        for (std::size_t i = 0; i < pattern.size(); ++i)
            pattern[i] = static_cast<uint8_t>(i * 13 + i / 256 + 1);
        return pattern;
    }();
    return bytes;
}

// The board before the download: an older configuration, page 1 with the board's own bytes,
// page 0 with bytes after the file name.
inline Flash BoardBefore(bool blank)
{
    sim::SimBoard board;
    Flash& flash = board.Flash();
    std::fill(flash.begin() + board::ConfigAreaAddress, flash.begin() + ConfigEnd, uint8_t{0x5A});
    for (std::size_t i = 0; i < PageSize; ++i) {
        flash[PageSize + i] = static_cast<uint8_t>(i ^ 0x3C);
        flash[i] = static_cast<uint8_t>(0xC0 + i);
    }
    sim::SimBoard::Info info;
    if (blank)
        info.serial = 0;
    board.WriteInfoBlock(info);
    return flash;
}

inline Page PageAt(const Flash& flash, std::size_t address)
{
    Page page;
    std::copy_n(flash.begin() + static_cast<std::ptrdiff_t>(address), PageSize, page.begin());
    return page;
}

inline Page WithSerial(Page page, uint16_t serial)
{
    page[0] = static_cast<uint8_t>(serial & 0xFF);
    page[1] = static_cast<uint8_t>(serial >> 8);
    return page;
}

// Page 0 as a complete download records it (the clock of FixedTime).
inline Page WithRecord(Page page)
{
    const uint8_t stamp[] = {3, 15, 26, 14, 5, 9};
    std::copy(std::begin(stamp), std::end(stamp), page.begin() + 2);
    const uint32_t cycles = board::infoblock::Cycles(page) + 1;
    for (std::size_t i = 0; i < 4; ++i)
        page[8 + i] = static_cast<uint8_t>(cycles >> (8 * i));
    const std::string name = FileText;
    std::copy(name.begin(), name.end(), page.begin() + 12);
    page[12 + name.size()] = 0;
    return page;
}

// What the flash holds after one run, judged against the flash before it.
struct FlashAfter {
    bool configWhole = false;  // the configuration area holds the file, erased flash after it
    bool fullSuccess = false;  // that, and page 0 holds this download's record
    std::vector<std::string> wrong;
};

inline FlashAfter Judge(const Flash& before, bool blank, const Flash& after)
{
    FlashAfter judged;
    const std::vector<uint8_t>& content = Configuration();
    judged.configWhole =
        std::equal(content.begin(), content.end(), after.begin() + board::ConfigAreaAddress) &&
        std::all_of(after.begin() + board::ConfigAreaAddress + static_cast<std::ptrdiff_t>(content.size()),
                    after.begin() + ConfigEnd, [](uint8_t b) { return b == 0xFF; });

    const Page oldPage0 = PageAt(before, 0);
    const Page page0 = PageAt(after, 0);
    const std::set<Page> untouched = {oldPage0, blank ? WithSerial(oldPage0, NewSerial) : oldPage0};
    std::set<Page> recorded;
    for (const Page& page : untouched)
        recorded.insert(WithRecord(page));
    const bool recordWritten = recorded.contains(page0);
    const Page correctPage0 = WithRecord(blank ? WithSerial(oldPage0, NewSerial) : oldPage0);
    judged.fullSuccess = judged.configWhole && page0 == correctPage0;

    if (!untouched.contains(page0) && !recordWritten)
        judged.wrong.push_back("page 0 holds bytes that are neither the old block nor a record of this download");
    if (PageAt(after, PageSize) != PageAt(before, PageSize))
        judged.wrong.push_back("page 1 was changed");
    if (recordWritten && !judged.configWhole)
        judged.wrong.push_back("cycles and file name recorded for a configuration that is not whole in the flash");
    return judged;
}

// A folder of its own holding the file, made the working folder while it lives, so that the
// file text names the file and begins with the blank board's number.
class SweepFolder {
public:
    explicit SweepFolder(const std::string& name)
        : m_dir(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))),
          m_cwd(std::filesystem::current_path())
    {
        std::filesystem::create_directories(m_dir);
        const std::vector<uint8_t>& content = Configuration();
        std::ofstream(m_dir / FileText, std::ios::binary)
            .write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
        std::filesystem::current_path(m_dir);
    }
    ~SweepFolder()
    {
        std::filesystem::current_path(m_cwd);
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    SweepFolder(const SweepFolder&) = delete;
    SweepFolder& operator=(const SweepFolder&) = delete;

private:
    std::filesystem::path m_dir;
    std::filesystem::path m_cwd;
};

}  // namespace faultsweep
