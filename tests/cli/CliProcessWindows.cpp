#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "CliProcess.h"
#include "platform/windows/WideText.h"

// The Windows side of CliProcess.h: the program started with CreateProcessW and its two
// outputs read by a thread each. Ctrl-C reaches a console program only through its console:
// the test process takes a console of its own, which the programs it starts share, and
// ignores Ctrl-C itself.
namespace clitest {
namespace {

// How Windows reports a program that Ctrl-C ended without a handler of its own.
constexpr DWORD ControlCExit = 0xC000013A;

void OwnConsoleOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        FreeConsole();
        AllocConsole();
        SetConsoleCtrlHandler([](DWORD) -> BOOL { return TRUE; }, TRUE);
    });
}

// One argument as CommandLineToArgvW and the C runtime read it back: quoted when it holds a
// blank or a quote or is empty, with backslashes doubled before a quote.
std::wstring Quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::wstring WideOrThrow(const std::string& text)
{
    std::optional<std::wstring> wide = platform::windows::Wide(text);
    if (!wide)
        throw std::invalid_argument("not UTF-8: " + text);
    return *wide;
}

// Console output ends its lines in CR LF; the tests compare lines.
std::string Lines(std::string text)
{
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lines += text[i];
    return lines;
}

}  // namespace

struct RunningCli::Process {
    HANDLE process = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    std::string out;
    std::string err;
    bool outEnded = false;
    bool errEnded = false;
    std::thread outReader;
    std::thread errReader;

    std::thread Reader(HANDLE pipe, std::string& text, bool& ended)
    {
        return std::thread([this, pipe, &text, &ended] {
            char buffer[4096];
            DWORD got = 0;
            while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
                const std::lock_guard<std::mutex> lock(mutex);
                text.append(buffer, got);
                changed.notify_all();
            }
            CloseHandle(pipe);
            const std::lock_guard<std::mutex> lock(mutex);
            ended = true;
            changed.notify_all();
        });
    }

    void JoinReaders()
    {
        if (outReader.joinable())
            outReader.join();
        if (errReader.joinable())
            errReader.join();
    }
};

RunningCli::RunningCli(const std::vector<std::string>& args) : m_process(std::make_unique<Process>())
{
    OwnConsoleOnce();
    const std::wstring program = WideOrThrow(TARVIK_CLI_PATH);
    std::wstring commandLine = Quoted(program);
    for (const std::string& arg : args)
        commandLine += L" " + Quoted(WideOrThrow(arg));

    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE outRead = nullptr;
    HANDLE outWrite = nullptr;
    HANDLE errRead = nullptr;
    HANDLE errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherited, 0) || !CreatePipe(&errRead, &errWrite, &inherited, 0))
        throw std::runtime_error("pipe failed");
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    // Standard input is empty, as for a program started by a script.
    HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0,
                               nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION started{};
    const BOOL ok = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                   &startup, &started);
    const DWORD error = GetLastError();
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    CloseHandle(input);
    if (!ok) {
        CloseHandle(outRead);
        CloseHandle(errRead);
        throw std::runtime_error("cannot start " TARVIK_CLI_PATH ": " + platform::windows::SystemMessage(error));
    }
    CloseHandle(started.hThread);
    m_process->process = started.hProcess;
    m_process->outReader = m_process->Reader(outRead, m_process->out, m_process->outEnded);
    m_process->errReader = m_process->Reader(errRead, m_process->err, m_process->errEnded);
}

RunningCli::~RunningCli()
{
    if (m_process->process != nullptr) {
        TerminateProcess(m_process->process, 1);
        WaitForSingleObject(m_process->process, INFINITE);
        CloseHandle(m_process->process);
    }
    m_process->JoinReaders();
}

bool RunningCli::WaitForOutput(const std::string& text, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_process->mutex);
    m_process->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return m_process->out.find(text) != std::string::npos || m_process->outEnded;
    });
    m_run.out = Lines(m_process->out);
    return m_process->out.find(text) != std::string::npos;
}

void RunningCli::Signal(int signal)
{
    // Windows has Ctrl-C (and Ctrl-Break) for a console program, and no other signal.
    if (signal != SIGINT)
        throw std::invalid_argument("Windows sends a console program Ctrl-C only, not signal " + std::to_string(signal));
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
}

CliRun RunningCli::Finish()
{
    m_process->JoinReaders();
    WaitForSingleObject(m_process->process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(m_process->process, &code);
    CloseHandle(m_process->process);
    m_process->process = nullptr;
    m_run.exitCode = code == ControlCExit ? -1 : static_cast<int>(code);
    m_run.out = Lines(m_process->out);
    m_run.err = Lines(m_process->err);
    return m_run;
}

CliRun RunCli(const std::vector<std::string>& args) { return RunningCli(args).Finish(); }

}  // namespace clitest
