#include "board/RbfFile.h"

#include <algorithm>
#include <array>

#include "platform/Platform.h"

namespace board {

std::optional<RbfFileContents> ReadRbfFile(const std::string& path, std::span<uint8_t> buffer, std::string* cause)
{
    std::string why;
    auto refused = [&]() -> std::optional<RbfFileContents> {
        if (cause != nullptr)
            *cause = why;
        return std::nullopt;
    };
    const std::unique_ptr<platform::InputFile> file = platform::InputFile::Open(path, why);
    if (!file)
        return refused();

    const std::optional<std::size_t> count = file->Read(buffer.data(), buffer.size(), why);
    if (!count)
        return refused();
    RbfFileContents contents{*count, *count, true};
    if (*count == buffer.size()) {
        std::array<uint8_t, 64 * 1024> chunk;
        for (;;) {
            const std::optional<std::size_t> got = file->Read(chunk.data(), chunk.size(), why);
            if (!got)
                return refused();
            contents.fileBytes += *got;
            if (!std::all_of(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(*got),
                             [](uint8_t byte) { return byte == 0xFF; })) {
                contents.onlyErasedPastBuffer = false;
                break;
            }
            if (*got < chunk.size())
                break;
        }
    }
    // Reading stopped early at a byte that is not padding: the length comes from the file
    // system (files in /proc report 0 there, so the bytes seen count as well).
    contents.fileBytes = std::max<uint64_t>(contents.fileBytes, file->Size());
    return contents;
}

}  // namespace board
