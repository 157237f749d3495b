#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/windows/WideText.h"

namespace {

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// Runs the echo program beside this test with a wide command line and returns its lines.
std::vector<std::string> EchoedArguments(const std::wstring& arguments)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring program = (std::filesystem::path(self).parent_path() / L"platform_arguments_echo.exe").wstring();
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            output.append(buffer, got);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(readEnd);
    EXPECT_TRUE(started) << platform::windows::SystemMessage(GetLastError());

    std::vector<std::string> lines;
    std::size_t start = 0;
    // Standard output is text: each line ends in CR LF.
    for (std::size_t end; (end = output.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(output.substr(start, end - start));
    return lines;
}

TEST(Arguments, ComeAsUtf8WhateverTheCodePage)
{
    // Names the ANSI code page cannot hold, a quoted blank, and an empty argument.
    const std::vector<std::string> expected = {"download", "\xc3\x9c" "bung 3.rbf", "\xce\xbb-\xd0\xbb\xd0\xb0\xd0\xb1",
                                               "two words", "", "--serial=101"};
    const std::vector<std::string> lines =
        EchoedArguments(L"download \"\u00dcbung 3.rbf\" \u03bb-\u043b\u0430\u0431 \"two words\" \"\" --serial=101");
    std::vector<std::string> hex;
    for (const std::string& argument : expected)
        hex.push_back(Hex(argument));
    EXPECT_EQ(lines, hex);
}

}  // namespace
