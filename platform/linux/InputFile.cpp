#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Platform.h"

namespace platform {
namespace {

class PosixInputFile final : public InputFile {
public:
    PosixInputFile(int fd, uint64_t size) : m_fd(fd), m_size(size) {}
    ~PosixInputFile() override { ::close(m_fd); }
    PosixInputFile(const PosixInputFile&) = delete;
    PosixInputFile& operator=(const PosixInputFile&) = delete;

    // A regular file may still come back in pieces (network and user-space file systems).
    std::optional<std::size_t> Read(uint8_t* into, std::size_t count, std::string& cause) override
    {
        std::size_t total = 0;
        while (total < count) {
            const ssize_t got = ::read(m_fd, into + total, count - total);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                cause = std::strerror(errno);
                return std::nullopt;
            }
            if (got == 0)
                break;
            total += static_cast<std::size_t>(got);
        }
        return total;
    }

    uint64_t Size() const override { return m_size; }

private:
    int m_fd;
    uint64_t m_size;
};

}  // namespace

std::unique_ptr<InputFile> InputFile::Open(const std::string& path, std::string& cause)
{
    // O_NONBLOCK: opening a named pipe without a writer returns at once instead of waiting
    // for one; the pipe is then refused below like any other file that is not regular.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        cause = std::strerror(errno);
        return nullptr;
    }
    struct stat status {};
    const bool statted = ::fstat(fd, &status) == 0;
    const int error = errno;
    if (!statted || !S_ISREG(status.st_mode)) {
        ::close(fd);
        cause = !statted ? std::strerror(error) : S_ISDIR(status.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        return nullptr;
    }
    return std::make_unique<PosixInputFile>(fd, static_cast<uint64_t>(status.st_size));
}

}  // namespace platform
