#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/windows/WideText.h"

// A fresh folder under the user's temporary folder for one test, removed with what it holds.
class TempFolder {
public:
    TempFolder()
    {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);
        static int made = 0;
        m_path = std::filesystem::path(base) /
                 (L"tarvik-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++made));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The UTF-8 name of an entry in the folder, as the program's own code takes names.
    std::string Utf8(const std::wstring& name) const { return platform::windows::Utf8((m_path / name).wstring()); }

private:
    std::filesystem::path m_path;
};
