#include <windows.h>

#include <shellapi.h>

#include <cstdlib>

#include "platform/Platform.h"
#include "platform/windows/WideText.h"

namespace platform {
namespace {

UINT OutputCodePageBefore = 0;

void RestoreOutputCodePage() { SetConsoleOutputCP(OutputCodePageBefore); }

// The program writes UTF-8; a console shows bytes in its own output code page, so while
// the program runs that is UTF-8, and the console gets its own back at the end.
void SpeakUtf8OnConsole()
{
    const UINT before = GetConsoleOutputCP();
    if (before == 0 || before == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8))
        return;
    OutputCodePageBefore = before;
    std::atexit(RestoreOutputCodePage);
}

}  // namespace

bool ErrorTerminalDrawsProgress()
{
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    // A pipe or a file has no console mode: it gets the lines alone.
    if (error == nullptr || error == INVALID_HANDLE_VALUE || !GetConsoleMode(error, &mode))
        return false;
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0)
        return true;
    // A console that does not take the escape sequences (before Windows 10) refuses the mode:
    // the progress then stays off, as on a pipe.
    return SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

std::vector<std::string> Arguments(int argc, char** argv)
{
    SpeakUtf8OnConsole();
    // The C runtime's argv is in the ANSI code page, which cannot hold every name: the
    // arguments come again from the wide command line.
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (wide != nullptr && count == argc) {
        for (int i = 1; i < count; ++i)
            arguments.push_back(windows::Utf8(wide[i]));
    } else {
        for (int i = 1; i < argc; ++i)
            arguments.emplace_back(argv[i]);
    }
    if (wide != nullptr)
        LocalFree(wide);
    return arguments;
}

}  // namespace platform
