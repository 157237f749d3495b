// What one paint of the board view costs on the renderer at hand, at the view's size: the
// whole scene (textured rectangle, 80 markers; the picture is uploaded once per context)
// against a bare clear of the same framebuffer, against the picture upload alone, and
// against a paint that uploads the picture again every time.

#include <QGuiApplication>

#include <qopengl.h>  // the system's GL header, with what it needs before it on Windows
#include <benchmark/benchmark.h>

#include "OffscreenBoardView.h"
#include "view/BoardScene.h"

namespace {

OffscreenBoardView* View = nullptr;

bool Ready(benchmark::State& state)
{
    if (!View->Failure().isEmpty()) {
        state.SkipWithError(View->Failure().toStdString().c_str());
        return false;
    }
    return true;
}

void BM_ClearOnly(benchmark::State& state)
{
    if (!Ready(state))
        return;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        glFinish();
    }
}

void BM_PictureUploadOnly(benchmark::State& state)
{
    if (!Ready(state))
        return;
    for (auto _ : state) {
        View->Scene().UploadBoardTexture();
        glFinish();
    }
}

void BM_PaintView(benchmark::State& state)
{
    if (!Ready(state))
        return;
    View->capture.fill(0xFF);
    for (auto _ : state)
        View->Paint();
}

void BM_PaintViewUploadingPicture(benchmark::State& state)
{
    if (!Ready(state))
        return;
    View->capture.fill(0xFF);
    for (auto _ : state) {
        View->Scene().UploadBoardTexture();
        View->Paint();
    }
}

}  // namespace

BENCHMARK(BM_ClearOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PictureUploadOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintView)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintViewUploadingPicture)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    OffscreenBoardView view;
    View = &view;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
