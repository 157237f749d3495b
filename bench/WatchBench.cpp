// The pin watch of the test dialog against the board link's own pace. The ceiling is bare
// captures back to back (three exchanges each); the watch loop runs the shown dialog with
// the screen-refresh limit lifted, on a board that stays the same (nothing to redraw) and on
// one that changes before every capture (listing and view redrawn every time). The time the
// watch takes per capture beyond the ceiling's is what the window costs per update.
// Argument 0: real time per exchange in microseconds (1000 models a full-speed USB board,
// one report per 1 ms frame; 0 is the simulator alone).

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QOpenGLWidget>
#include <QTimer>

#include <benchmark/benchmark.h>

#include "board/Board.h"
#include "boardtest/TestDlg.h"
#include "link/BoardLink.h"
#include "pins/PinTables.h"
#include "res/resource.h"
#include "sim/SimBackend.h"
#include "view/BoardViewFrame.h"

namespace {

constexpr int ExchangesPerCapture = 3;
constexpr int RunMilliseconds = 500;

void BM_CaptureCeiling(benchmark::State& state)
{
    sim::SimBackend board;
    board.SetRecording(false);
    board.SetLatencyMicroseconds(static_cast<unsigned>(state.range(0)));
    ::board::Board boardObject(board);
    for (auto _ : state)
        benchmark::DoNotOptimize(boardObject.CapturePins());
    state.counters["captures_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Each iteration runs the dialog's event loop for half a second with the watch on.
void BM_WatchLoop(benchmark::State& state)
{
    const bool changing = state.range(1) != 0;
    sim::SimBackend board;
    board.SetRecording(false);
    board.SetLatencyMicroseconds(static_cast<unsigned>(state.range(0)));
    ::board::Board boardObject(board);
    CTestDlg dlg(boardObject);
    dlg.SetWatchInterval(std::chrono::milliseconds(0));
    dlg.InitDialog();
    dlg.show();
    int frames = 0;
    if (auto* surface = qobject_cast<QOpenGLWidget*>(dlg.BoardView()->ClientArea()))
        QObject::connect(surface, &QOpenGLWidget::frameSwapped, [&frames] { ++frames; });
    QApplication::processEvents();

    // A pin that an undriven header position reads: pulled low and back between two captures.
    const uint8_t cellGroup = pins::BoundaryCellTable[23];
    bool high = true;
    QTimer toggle;
    QObject::connect(&toggle, &QTimer::timeout, [&] {
        high = !high;
        board.Board().SetExternalLevel(cellGroup, high);
    });

    dlg.Item<QCheckBox>(IDC_WATCHPINS)->click();
    if (changing)
        toggle.start(0);
    double captures = 0;
    double seconds = 0;
    for (auto _ : state) {
        const std::size_t before = board.ExchangeCount();
        QElapsedTimer clock;
        clock.start();
        QEventLoop loop;
        QTimer::singleShot(RunMilliseconds, &loop, &QEventLoop::quit);
        loop.exec();
        seconds += static_cast<double>(clock.nsecsElapsed()) / 1e9;
        captures += static_cast<double>(board.ExchangeCount() - before) / ExchangesPerCapture;
    }
    toggle.stop();
    if (!dlg.Watching())
        state.SkipWithError("the watch stopped");
    state.counters["captures_per_s"] = captures / seconds;
    state.counters["frames_per_capture"] = captures > 0 ? frames / captures : 0;
}

}  // namespace

BENCHMARK(BM_CaptureCeiling)->Arg(1000)->Arg(0)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_WatchLoop)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({0, 1})
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
