// download --all of a full configuration file on 1, 4 and 16 simulated boards, each
// exchange paced at 1 ms as a full-speed USB board paces it (one report per frame). Prints
// the wall time of each run as a ratio to the single board measured in the same run, and the
// host CPU time per board. Boards are independent, so many should cost about what one does.
//   build/release/bench/cli_download_bench [repetitions]
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/Download.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "cli/SimulatedBoards.h"
#include "sim/SimBackend.h"

namespace {

constexpr unsigned ExchangeLatencyUs = 1000;

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string WriteFullConfigFile()
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("tarvik-cli-bench-" + std::to_string(::getpid()) + ".rbf");
    std::ofstream file(path, std::ios::binary);
    for (std::size_t i = 0; i < board::MaxConfigFileBytes; ++i)
        file.put(static_cast<char>(i * 31 + 7));
    return path.string();
}

struct Measurement {
    double wallSeconds;
    double cpuSeconds;
};

Measurement DownloadAll(int boards, const std::string& file)
{
    cli::SimSetup setup;
    setup.count = boards;
    cli::SimulatedBoards simulated(setup);
    for (std::size_t i = 0; i < simulated.Count(); ++i) {
        simulated.Backend(i).SetLatencyMicroseconds(ExchangeLatencyUs);
        simulated.Backend(i).SetRecording(false);
    }
    cli::Options options;
    options.command = cli::Command::Download;
    options.file = file;
    options.allBoards = true;
    std::ostringstream out, err;
    cli::Console console(out, err, false);
    cli::Session session{options, simulated, console};

    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const int exitCode = cli::RunDownload(session);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    const double cpu = CpuSeconds() - cpuStart;
    if (exitCode != cli::ExitSuccess)
        std::fprintf(stderr, "download on %d boards failed:\n%s%s", boards, out.str().c_str(), err.str().c_str());
    return {wall.count(), cpu};
}

}  // namespace

int main(int argc, char** argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string file = WriteFullConfigFile();
    std::printf("download --all, %zu-byte file, %u us per exchange, median of %d runs\n", board::MaxConfigFileBytes,
                ExchangeLatencyUs, repetitions);
    std::printf("%7s %10s %14s %16s\n", "boards", "wall [s]", "wall / 1 board", "CPU per board [ms]");
    double single = 0;
    for (int boards : {1, 4, 16}) {
        std::vector<Measurement> runs;
        for (int r = 0; r < repetitions; ++r)
            runs.push_back(DownloadAll(boards, file));
        std::sort(runs.begin(), runs.end(),
                  [](const Measurement& a, const Measurement& b) { return a.wallSeconds < b.wallSeconds; });
        const Measurement median = runs[runs.size() / 2];
        if (boards == 1)
            single = median.wallSeconds;
        std::printf("%7d %10.3f %14.2f %16.1f\n", boards, median.wallSeconds, median.wallSeconds / single,
                    median.cpuSeconds * 1000.0 / boards);
    }
    std::filesystem::remove(file);
    return 0;
}
