#include "testing/os/ShellSourcesDouble.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

#include "platform/rtl/Exceptions.h"

namespace rv {

namespace {

TFileHandle makeEventFd() { return TFileHandle(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)); }

void signal(const TFileHandle& Fd) {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(Fd.Get(), &one, sizeof one);
}

void consume(const TFileHandle& Fd) {
  std::uint64_t count;
  [[maybe_unused]] const ssize_t n = ::read(Fd.Get(), &count, sizeof count);
}

template <class T>
void forget(std::vector<T*>& List, T* Item) {
  List.erase(std::remove(List.begin(), List.end(), Item), List.end());
}

}  // namespace

class TShellSourcesDouble::TSource : public TShellSource {
 public:
  explicit TSource(TShellSourcesDouble& Owner) : FOwner(Owner), FFd(makeEventFd()) {
    FOwner.FSources.push_back(this);
    ++FOwner.FOpenCount;
  }
  ~TSource() override {
    forget(FOwner.FSources, this);
    --FOwner.FOpenCount;
  }
  int Fd() const override { return FFd.Get(); }
  void Read(const TShellEmit& Emit) override {
    consume(FFd);
    std::deque<TShellChange> pending;
    pending.swap(FPending);
    for (const TShellChange& change : pending) Emit(change);
  }
  void Add(const TShellChange& Change) {
    FPending.push_back(Change);
    signal(FFd);
  }

 private:
  TShellSourcesDouble& FOwner;
  TFileHandle FFd;
  std::deque<TShellChange> FPending;
};

class TShellSourcesDouble::TSessionSource : public TSessionEndSource {
 public:
  explicit TSessionSource(TShellSourcesDouble& Owner) : FOwner(Owner), FFd(makeEventFd()) {
    FOwner.FSessions.push_back(this);
  }
  ~TSessionSource() override { forget(FOwner.FSessions, this); }
  int Fd() const override { return FFd.Get(); }
  bool Read(const std::function<void()>& Query) override {
    ++FOwner.FSessionReads;
    if (FEnded) return false;
    consume(FFd);
    for (; FQueries > 0; --FQueries) {
      Query();
      ++FOwner.FAnswers;
    }
    return true;
  }
  void Ask() {
    ++FQueries;
    signal(FFd);
  }
  void End() {
    FEnded = true;
    signal(FFd);
  }

 private:
  TShellSourcesDouble& FOwner;
  TFileHandle FFd;
  int FQueries = 0;
  bool FEnded = false;
};

TShellSourcesDouble::TShellSourcesDouble() = default;

TShellSourcesDouble::~TShellSourcesDouble() = default;

std::vector<std::unique_ptr<TShellSource>> TShellSourcesDouble::Open(const std::string& Path, bool SubTree,
                                                                     std::int32_t Events) {
  FOpenings.push_back({Path, SubTree, Events});
  if (FFailures > 0) {
    --FFailures;
    throw EOSError("System Error.  Code: 28.\r\nNo space left on device", 28);
  }
  std::vector<std::unique_ptr<TShellSource>> sources;
  sources.push_back(std::make_unique<TSource>(*this));
  return sources;
}

std::vector<std::unique_ptr<TSessionEndSource>> TShellSourcesDouble::OpenSessionEnd() {
  std::vector<std::unique_ptr<TSessionEndSource>> sources;
  sources.push_back(std::make_unique<TSessionSource>(*this));
  return sources;
}

void TShellSourcesDouble::Report(const TShellChange& Change) {
  for (TSource* source : FSources) source->Add(Change);
}

void TShellSourcesDouble::EndSessionConnections() {
  for (TSessionSource* source : FSessions) source->End();
}

int TShellSourcesDouble::QueryEndSession() {
  for (TSessionSource* source : FSessions) source->Ask();
  return static_cast<int>(FSessions.size());
}

}  // namespace rv
