#include "examples/demo/DemoDialogCloser.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/classes/Component.h"
#include "platform/classes/Thread.h"
#include "platform/forms/Forms.h"

std::optional<double> CloseDialogAfterOption(int argc, char** argv) {
  constexpr std::string_view option = "--close-dialog-after=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.substr(0, option.size()) != option) continue;
    char* end = nullptr;
    const double seconds = std::strtod(argv[i] + option.size(), &end);
    if (end != argv[i] + option.size() && *end == '\0' && seconds >= 0) return seconds;
  }
  return std::nullopt;
}

// A thread that waits out the time unless it is stopped first.
struct TDemoDialogCloser::TClock {
  std::mutex Lock;
  std::condition_variable Stop;
  bool Stopped = false;
  std::thread Thread;
};

TDemoDialogCloser::TDemoDialogCloser(rv::TComponent* Owner, double Seconds) : FOwner(Owner), FSeconds(Seconds) {}

TDemoDialogCloser::~TDemoDialogCloser() {
  if (!FClock) return;
  {
    std::lock_guard<std::mutex> guard(FClock->Lock);
    FClock->Stopped = true;
  }
  FClock->Stop.notify_all();
  FClock->Thread.join();
}

void TDemoDialogCloser::Start() {
  if (FClock) return;
  FClock = std::make_unique<TClock>();
  // The queued call takes copies: it runs in whatever loop serves the queue
  // next, when this closer may be gone (the owner lives longer).
  FClock->Thread = std::thread([clock = FClock.get(), owner = FOwner, seconds = FSeconds] {
    std::unique_lock<std::mutex> lock(clock->Lock);
    if (clock->Stop.wait_for(lock, std::chrono::duration<double>(seconds), [clock] { return clock->Stopped; })) return;
    rv::TThread::Queue(nullptr, [owner, seconds] {
      for (int i = 0; i < owner->ComponentCount(); ++i)
        if (auto* form = dynamic_cast<rv::TCustomForm*>(owner->Components(i)); form && form->Modal()) {
          std::printf("closing the dialog after %g s (--close-dialog-after)\n", seconds);
          form->SetModalResult(rv::mrCancel);
        }
    });
  });
}
