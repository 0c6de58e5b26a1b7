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

// The symbol of a function taking std::pair nested 28 deep: a few hundred
// bytes that demangle to gigabytes. mapgen must finish and keep it mangled
// (mapfixture_nested).
#define RV_FIXTURE_NESTED_NAME                                                       \
  "_Z1fPSt4pairIS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS_IS" \
  "_IS_IS_IS_IS_IiiES0_ES1_ES2_ES3_ES4_ES5_ES6_ES7_ES8_ES9_ESA_ESB_ESC_ESD_ESE_ESF_" \
  "ESG_ESH_ESI_ESJ_ESK_ESL_ESM_ESN_ESO_ESP_ESQ_E"

// Throws at kFailLine when value > 0.
void Fail(int value);
extern const int kFailLine;

class TWorker {
 public:
  explicit TWorker(int base) : FBase(base) {}
  int Run(int value) const;

 private:
  int FBase;
};

}  // namespace rv_fixture
