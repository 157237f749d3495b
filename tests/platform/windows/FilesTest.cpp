#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "TempFolder.h"
#include "platform/Platform.h"
#include "platform/windows/WideText.h"

namespace {

using platform::windows::SystemMessage;

constexpr const char* ExistsText = "exists: give --force to overwrite it";

// A configuration file's worth of bytes in which text mode would lose or change data: the
// end-of-file mark 0x1A early on, lone CRs, CR LF pairs, and every other byte value.
std::vector<uint8_t> TextModeTraps()
{
    std::vector<uint8_t> bytes(20000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    bytes[393] = 0x1A;
    bytes[10] = 0x0D;
    bytes[11] = 0x0A;
    bytes[500] = 0x0D;
    bytes[501] = 0x0D;
    bytes[19999] = 0x0D;
    return bytes;
}

void WriteRaw(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadRaw(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> ReadThroughPlatform(const std::string& path, std::string& cause)
{
    const auto file = platform::InputFile::Open(path, cause);
    if (!file)
        return {};
    std::vector<uint8_t> bytes(static_cast<std::size_t>(file->Size()) + 100);
    const std::optional<std::size_t> got = file->Read(bytes.data(), bytes.size(), cause);
    bytes.resize(got.value_or(0));
    return bytes;
}

std::vector<std::wstring> Entries(const std::filesystem::path& folder)
{
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
}

// Names that the ANSI code page cannot hold: a narrow call would open another file or none.
const std::vector<std::wstring> Names = {L"plain.rbf", L"Übung 3 – Zähler.rbf", L"λ-лаб-实验.rbf"};

TEST(InputFile, ReadsEveryByteUnderAnyName)
{
    TempFolder folder;
    const std::vector<uint8_t> bytes = TextModeTraps();
    for (const std::wstring& name : Names) {
        WriteRaw(folder.Path() / name, bytes);
        std::string cause;
        const auto file = platform::InputFile::Open(folder.Utf8(name), cause);
        ASSERT_NE(file, nullptr) << folder.Utf8(name) << ": " << cause;
        EXPECT_EQ(file->Size(), bytes.size());
        std::vector<uint8_t> read(bytes.size() + 10);
        EXPECT_EQ(file->Read(read.data(), read.size(), cause), bytes.size());
        read.resize(bytes.size());
        EXPECT_EQ(read, bytes) << folder.Utf8(name);
    }
}

TEST(InputFile, RefusesWhatIsNoFileWithTheReason)
{
    TempFolder folder;
    std::filesystem::create_directory(folder.Path() / L"Ordner");
    const struct {
        std::string path;
        std::string cause;
    } cases[] = {
        // The system's own words, which differ between Windows and Wine.
        {folder.Utf8(L"missing.rbf"), SystemMessage(ERROR_FILE_NOT_FOUND)},
        {folder.Utf8(L"no folder\\x.rbf"), SystemMessage(ERROR_PATH_NOT_FOUND)},
        {folder.Utf8(L"Ordner"), "Is a folder"},
        // Devices would block the program or feed it endless data.
        {"NUL", "not a regular file"},
        {"CON", "not a regular file"},
        {"bad \xff name.rbf", "the name is not valid UTF-8"},
    };
    for (const auto& c : cases) {
        std::string cause;
        EXPECT_EQ(platform::InputFile::Open(c.path, cause), nullptr) << c.path;
        EXPECT_EQ(cause, c.cause) << c.path;
    }
}

TEST(SaveFile, WritesEveryByteAndLeavesNoPartBehind)
{
    TempFolder folder;
    const std::vector<uint8_t> bytes = TextModeTraps();
    for (const std::wstring& name : Names) {
        const std::string path = folder.Utf8(name);
        EXPECT_EQ(platform::SaveProblem(path, false, ExistsText), "") << path;
        EXPECT_EQ(platform::SaveFile(path, bytes, false, ExistsText), "") << path;
        EXPECT_EQ(ReadRaw(folder.Path() / name), bytes) << path;
        std::string cause;
        EXPECT_EQ(ReadThroughPlatform(path, cause), bytes) << cause;
    }
    std::vector<std::wstring> expected = Names;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(folder.Path()), expected);
}

TEST(SaveFile, ReplacesOnlyWhenAsked)
{
    TempFolder folder;
    const std::wstring name = L"Übung.rbf";
    const std::string path = folder.Utf8(name);
    const std::vector<uint8_t> before(300, 0xAA);
    const std::vector<uint8_t> after = TextModeTraps();
    WriteRaw(folder.Path() / name, before);

    EXPECT_EQ(platform::SaveProblem(path, false, ExistsText), ExistsText);
    EXPECT_EQ(platform::SaveFile(path, after, false, ExistsText), ExistsText);
    EXPECT_EQ(ReadRaw(folder.Path() / name), before);

    EXPECT_EQ(platform::SaveProblem(path, true, ExistsText), "");
    EXPECT_EQ(platform::SaveFile(path, after, true, ExistsText), "");
    EXPECT_EQ(ReadRaw(folder.Path() / name), after);
    EXPECT_EQ(Entries(folder.Path()), std::vector<std::wstring>{name});
}

TEST(SaveFile, NamesWhyAPlaceTakesNoFile)
{
    TempFolder folder;
    std::filesystem::create_directory(folder.Path() / L"Ordner");
    const struct {
        std::string path;
        bool replace;
        std::string problem;
    } cases[] = {
        {folder.Utf8(L"Ordner"), true, "Is a folder"},
        {"NUL", true, "not a regular file"},
        {folder.Utf8(L"no folder\\x.rbf"), false,
         "folder " + folder.Utf8(L"no folder") + ": " + SystemMessage(ERROR_PATH_NOT_FOUND)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::SaveProblem(c.path, c.replace, ExistsText), c.problem) << c.path;
        if (c.path != "NUL") {
            EXPECT_NE(platform::SaveFile(c.path, std::vector<uint8_t>(10, 1), c.replace, ExistsText), "") << c.path;
        }
    }
    EXPECT_EQ(Entries(folder.Path()), std::vector<std::wstring>{L"Ordner"});
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path() / L"Ordner"));
}

}  // namespace
