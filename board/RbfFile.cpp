#include "board/RbfFile.h"

#include <cerrno>
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

}  // namespace

namespace board {

std::optional<std::size_t> ReadRbfFile(const std::string& path, std::span<uint8_t> buffer)
{
    // O_NONBLOCK: opening a named pipe without a writer returns at once instead of waiting
    // for one; the pipe is then refused below like any other file that is not regular.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;

    // A regular file may still come back in pieces (network and user-space file systems),
    // so read until the buffer is full or the file ends.
    std::size_t total = 0;
    while (total < buffer.size()) {
        const ssize_t count = ::read(file.Get(), buffer.data() + total, buffer.size() - total);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (count == 0)
            break;
        total += static_cast<std::size_t>(count);
    }
    return total;
}

}  // namespace board
