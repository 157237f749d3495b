#include <windows.h>

#include <filesystem>

#include "platform/Platform.h"
#include "platform/windows/WideText.h"

// Files through the wide calls: every name is UTF-8 turned into UTF-16, and the Win32 file
// calls move bytes only. The C runtime's text mode (which ends a file at the first 0x1A and
// turns CR LF into LF) is never in the way, as it is never used.
namespace platform {
namespace {

using windows::SystemMessage;
using windows::Utf8;
using windows::Wide;

constexpr const char* NotUtf8Text = "the name is not valid UTF-8";
constexpr const char* FolderText = "Is a folder";
constexpr const char* NotRegularText = "not a regular file";

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle()
    {
        if (Valid())
            CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }
    HANDLE Release()
    {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle;
    }

private:
    HANDLE m_handle;
};

class DiskFile final : public InputFile {
public:
    DiskFile(HANDLE handle, uint64_t size) : m_handle(handle), m_size(size) {}

    std::optional<std::size_t> Read(uint8_t* into, std::size_t count, std::string& cause) override
    {
        // ReadFile takes a 32-bit count: large reads go in pieces.
        constexpr std::size_t Piece = 1u << 30;
        std::size_t total = 0;
        while (total < count) {
            DWORD got = 0;
            if (!ReadFile(m_handle.Get(), into + total, static_cast<DWORD>(std::min(count - total, Piece)), &got,
                          nullptr)) {
                cause = SystemMessage(GetLastError());
                return std::nullopt;
            }
            if (got == 0)
                break;
            total += got;
        }
        return total;
    }

    uint64_t Size() const override { return m_size; }

private:
    Handle m_handle;
    uint64_t m_size;
};

// What is at a path: nothing (with the system's words for why not), a folder, a regular
// file, or something else (a device such as CON or COM1, a pipe).
enum class Kind { Missing, Folder, Regular, Other };

Kind KindOf(const std::wstring& path, DWORD& error)
{
    // Opened for its attributes only; FILE_FLAG_BACKUP_SEMANTICS lets a folder open too, so
    // that a folder is told as one and not as "Access is denied".
    const Handle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid()) {
        error = GetLastError();
        return Kind::Missing;
    }
    if (GetFileType(file.Get()) != FILE_TYPE_DISK)
        return Kind::Other;
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(file.Get(), &information) &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Kind::Folder;
    return Kind::Regular;
}

std::wstring FolderOf(const std::wstring& path)
{
    const std::wstring folder = std::filesystem::path(path).parent_path().wstring();
    return folder.empty() ? L"." : folder;
}

bool WriteAll(HANDLE file, std::span<const uint8_t> bytes)
{
    constexpr std::size_t Piece = 1u << 30;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(std::min(bytes.size() - done, Piece)), &written,
                       nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    // The bytes are on the disk before the file takes its name.
    return FlushFileBuffers(file) != 0;
}

}  // namespace

std::unique_ptr<InputFile> InputFile::Open(const std::string& path, std::string& cause)
{
    const std::optional<std::wstring> name = Wide(path);
    if (!name) {
        cause = NotUtf8Text;
        return nullptr;
    }
    Handle file(CreateFileW(name->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        DWORD ignored = 0;
        // A folder cannot be opened as a file; Windows calls that "Access is denied".
        cause = error == ERROR_ACCESS_DENIED && KindOf(*name, ignored) == Kind::Folder ? FolderText
                                                                                        : SystemMessage(error);
        return nullptr;
    }
    // A device (CON, COM1) or a pipe would block the program or feed it endless data.
    if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
        cause = NotRegularText;
        return nullptr;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) {
        cause = SystemMessage(GetLastError());
        return nullptr;
    }
    return std::make_unique<DiskFile>(file.Release(), static_cast<uint64_t>(size.QuadPart));
}

std::string SaveProblem(const std::string& path, bool replace, const std::string& existsText)
{
    const std::optional<std::wstring> name = Wide(path);
    if (!name)
        return NotUtf8Text;
    DWORD error = 0;
    switch (KindOf(*name, error)) {
    case Kind::Folder:
        return FolderText;
    case Kind::Other:
        return NotRegularText;
    case Kind::Regular:
        if (!replace)
            return existsText;
        break;
    case Kind::Missing:
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            return SystemMessage(error);
        break;
    }
    // Whether the folder takes a new file is known only by making one: its access list, not
    // its attributes, decides. The probe goes when its handle closes, also if the program dies.
    const std::wstring folder = FolderOf(*name);
    const std::wstring probe = folder + L"\\.tarvik-probe-" + std::to_wstring(GetCurrentProcessId());
    const Handle made(CreateFileW(probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!made.Valid() && GetLastError() != ERROR_FILE_EXISTS)
        return "folder " + Utf8(folder) + ": " + SystemMessage(GetLastError());
    return {};
}

std::string SaveFile(const std::string& path, std::span<const uint8_t> bytes, bool replace,
                     const std::string& existsText)
{
    const std::optional<std::wstring> name = Wide(path);
    if (!name)
        return NotUtf8Text;
    // The new file is made in the same folder, where the move that names it is atomic; its
    // name is cut so that it stays within the longest name a folder takes.
    const std::wstring leaf = std::filesystem::path(*name).filename().wstring().substr(0, 180);
    const std::wstring stem = FolderOf(*name) + L"\\." + leaf + L".part-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    std::wstring temporary;
    HANDLE made = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && made == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = stem + std::to_wstring(attempt);
        made = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (made == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return SystemMessage(GetLastError());
    }
    if (made == INVALID_HANDLE_VALUE)
        return SystemMessage(ERROR_FILE_EXISTS);
    Handle file(made);
    const bool written = WriteAll(file.Get(), bytes);
    const DWORD writeError = GetLastError();
    const bool closed = CloseHandle(file.Release()) != 0;
    if (!written || !closed) {
        const std::string problem = SystemMessage(written ? GetLastError() : writeError);
        DeleteFileW(temporary.c_str());
        return problem;
    }
    // Without MOVEFILE_REPLACE_EXISTING the move fails on a file that is there, also one
    // that appeared after SaveProblem looked.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!MoveFileExW(temporary.c_str(), name->c_str(), flags)) {
        const DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? existsText : SystemMessage(error);
    }
    return {};
}

}  // namespace platform
