#include "board/RbfFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// read() until count bytes or the end of the file; nullopt on a read error. A regular file
// may still come back in pieces (network and user-space file systems).
std::optional<std::size_t> ReadFully(int fd, uint8_t* into, std::size_t count)
{
    std::size_t total = 0;
    while (total < count) {
        const ssize_t got = ::read(fd, into + total, count - total);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

}  // namespace

namespace board {

std::optional<RbfFileContents> ReadRbfFile(const std::string& path, std::span<uint8_t> buffer, std::string* cause)
{
    auto refused = [cause](int error) -> std::optional<RbfFileContents> {
        if (cause != nullptr)
            *cause = std::strerror(error);
        return std::nullopt;
    };
    // O_NONBLOCK: opening a named pipe without a writer returns at once instead of waiting
    // for one; the pipe is then refused below like any other file that is not regular.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0)
        return refused(errno);
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        return refused(errno);
    if (S_ISDIR(status.st_mode))
        return refused(EISDIR);
    if (!S_ISREG(status.st_mode)) {
        if (cause != nullptr)
            *cause = "not a regular file";
        return std::nullopt;
    }

    const std::optional<std::size_t> count = ReadFully(file.Get(), buffer.data(), buffer.size());
    if (!count)
        return refused(errno);
    RbfFileContents contents{*count, *count, true};
    if (*count == buffer.size()) {
        std::array<uint8_t, 64 * 1024> chunk;
        for (;;) {
            const std::optional<std::size_t> got = ReadFully(file.Get(), chunk.data(), chunk.size());
            if (!got)
                return refused(errno);
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
    contents.fileBytes = std::max<uint64_t>(contents.fileBytes, static_cast<uint64_t>(status.st_size));
    return contents;
}

}  // namespace board
