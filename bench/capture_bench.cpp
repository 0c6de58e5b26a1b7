// Capturing the screen and writing it as a BMP file, against the bare
// XGetImage call that reads the same pixels. Needs an X display (make bench
// runs it under Xvfb); without one it says so and exits successfully.

#include <cstdio>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/support/Compare.h"
#include "platform/classes/Stream.h"
#include "platform/graphics/Graphics.h"
#include "platform/os/ScreenCapture.h"
#include "platform/os/TempFiles.h"
#include "platform/os/X11Display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

rv::TX11Display* display = nullptr;

void captureAndWrite(benchmark::State& state, bool sharedMemory) {
  rv::TScreenCapture capture(*display);
  capture.SetAllowSharedMemory(sharedMemory);
  rv::TBitmap bitmap;
  const std::string file = rv::TempFolder() + "rv-capture-bench.bmp";
  for (auto _ : state) {
    if (!capture.Capture(bitmap)) state.SkipWithError("capture failed");
    bitmap.SaveToFile(file);
  }
  if (sharedMemory && !capture.UsedSharedMemory()) state.SkipWithError("shared memory not available");
  std::remove(file.c_str());
}

void BM_CaptureAndWriteBmp(benchmark::State& state) { captureAndWrite(state, true); }
void BM_CaptureAndWriteBmpNoShm(benchmark::State& state) { captureAndWrite(state, false); }

void BM_RawXGetImage(benchmark::State& state) {
  Display* d = display->Handle();
  const int screen = DefaultScreen(d);
  for (auto _ : state) {
    XImage* image = XGetImage(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(DisplayWidth(d, screen)),
                              static_cast<unsigned>(DisplayHeight(d, screen)), AllPlanes, ZPixmap);
    if (!image) state.SkipWithError("XGetImage failed");
    benchmark::DoNotOptimize(image->data);
    XDestroyImage(image);
  }
}

BENCHMARK(BM_CaptureAndWriteBmp)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureAndWriteBmpNoShm)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawXGetImage)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  auto opened = std::make_unique<rv::TX11Display>();
  if (!opened->Opened()) {
    std::printf("bench_capture needs an X display (run it under xvfb-run); nothing measured.\n");
    return 0;
  }
  display = opened.get();
  std::printf("screen %dx%d\n", DisplayWidth(display->Handle(), DefaultScreen(display->Handle())),
              DisplayHeight(display->Handle(), DefaultScreen(display->Handle())));
  return rvbench::RunAndCompare(argc, argv,
                                {{"capture + BMP write (shared memory) / XGetImage", "BM_CaptureAndWriteBmp/real_time",
                                  "BM_RawXGetImage/real_time", 0},
                                 {"capture + BMP write (XGetImage) / XGetImage", "BM_CaptureAndWriteBmpNoShm/real_time",
                                  "BM_RawXGetImage/real_time", 0}});
}
