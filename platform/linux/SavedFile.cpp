#include "platform/Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace platform {
namespace {

std::string FolderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

std::string SystemText(int error) { return std::strerror(error); }

// Writes every byte and makes it lasting before the file takes its name.
bool WriteAll(int fd, std::span<const uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return ::fsync(fd) == 0;
}

// Gives the finished file its name; without replace never over an existing one.
int Rename(const std::string& from, const std::string& to, bool replace)
{
    if (replace)
        return ::rename(from.c_str(), to.c_str());
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL)
        return -1;
    // A file system without the rename that never replaces: a new link never replaces either.
    if (::link(from.c_str(), to.c_str()) != 0)
        return -1;
    ::unlink(from.c_str());
    return 0;
}

}  // namespace

std::string SaveProblem(const std::string& path, bool replace, const std::string& existsText)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return SystemText(EISDIR);
        if (!S_ISREG(status.st_mode))
            return "is not a regular file";
        if (!replace)
            return existsText;
    } else if (errno != ENOENT) {
        return SystemText(errno);
    }
    const std::string folder = FolderOf(path);
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return "folder " + folder + ": " + SystemText(errno);
    return {};
}

std::string SaveFile(const std::string& path, std::span<const uint8_t> bytes, bool replace,
                     const std::string& existsText)
{
    // The new file is hidden in the same folder (a rename within one file system is atomic);
    // its name is cut so that it stays within the longest name a folder takes.
    const std::string name = std::filesystem::path(path).filename().string().substr(0, 180);
    const std::string stem = FolderOf(path) + "/." + name + ".part-" + std::to_string(::getpid()) + "-";
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = stem + std::to_string(attempt);
        // Made as any new file is, by the user's umask.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return SystemText(errno);
    }
    if (fd < 0)
        return SystemText(EEXIST);
    const bool written = WriteAll(fd, bytes);
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        const std::string problem = SystemText(written ? errno : writeError);
        ::unlink(temporary.c_str());
        return problem;
    }
    if (Rename(temporary, path, replace) != 0) {
        const std::string problem = errno == EEXIST ? existsText : SystemText(errno);
        ::unlink(temporary.c_str());
        return problem;
    }
    return {};
}

}  // namespace platform
