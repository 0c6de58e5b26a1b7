#pragma once
// The fixture records, for each probe, an address and the source line the
// map must give for it; main prints them as "<probe> <address> <line>".

// Kept out of line and unchanged, so each function is one symbol under its
// own name.
#if defined(__clang__)
#define RV_FIXTURE_KEEP __attribute__((noinline))
#else
#define RV_FIXTURE_KEEP __attribute__((noipa))
#endif

namespace rv_fixture {

// An address inside the call that invoked Here(), so inside the line of that
// call.
const void* Here();
void Record(const char* probe, const void* address, int line);

int Compute(int value);
extern const int kComputeLine;

class TWorker {
 public:
  explicit TWorker(int base) : FBase(base) {}
  int Run(int value) const;

 private:
  int FBase;
};

}  // namespace rv_fixture
