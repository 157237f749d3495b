#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "board/Board.h"
#include "board/Download.h"
#include "link/BoardLink.h"
#include "sim/SimBackend.h"

namespace {

using board::MaxConfigFileBytes;

std::string WriteFullConfigFile()
{
    const auto path = std::filesystem::temp_directory_path() /
                      ("tarvik-download-bench-" + std::to_string(::getpid()) + ".rbf");
    std::vector<char> bytes(MaxConfigFileBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 31 + 7);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

// One full download of a 32767-byte file (783 exchanges) against the simulated board.
// Argument: real time per exchange in microseconds. 0 is the simulator alone; 1000 models
// a full-speed USB board, whose interrupt endpoints move one report per 1 ms frame, so that
// each command-and-reply exchange costs at least one frame.
void BM_FullDownload(benchmark::State& state)
{
    // A board object that tells nobody anything: the download's cost is the board link and
    // the flash.
    sim::SimBackend board;
    board::Board object(board);
    board.SetLatencyMicroseconds(static_cast<unsigned>(state.range(0)));
    const std::string file = WriteFullConfigFile();

    std::size_t exchanges = 0;
    for (auto _ : state) {
        board.ClearRecord();
        benchmark::DoNotOptimize(object.Download(file));
        exchanges = board.Received().size();
    }
    state.counters["exchanges"] = static_cast<double>(exchanges);
    state.counters["time_per_exchange"] =
        benchmark::Counter(static_cast<double>(exchanges) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

    std::filesystem::remove(file);
}

BENCHMARK(BM_FullDownload)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullDownload)->Arg(1000)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
