// Composing and writing an exception record with the default Formats,
// against writing a text of the same size with WriteAsString.

#include <benchmark/benchmark.h>

#include <string>

#include "bench/support/Compare.h"
#include "bench/support/Scratch.h"
#include "exception/LogError.h"

namespace {

// The exception being handled while the record is composed, as inside the
// application's handler.
struct HandledException {
  HandledException() : Scope(std::make_exception_ptr(rv::EConvertError("'x' is not a valid integer value"))) {}
  rv::TExceptionScope Scope;
};

void BM_ExceptionRecord(benchmark::State& state) {
  HandledException handled;
  rv::TQVExceptionLog log(nullptr);
  log.SetLogFile(rvbench::ScratchDir() + "/record.xml");
  log.SetFormatting(rv::qvlfXML);
  for (auto _ : state) log.WriteAsString("ERROR", log.ComposeRecord(handled.Scope.Object()));
  state.SetItemsProcessed(state.iterations());
}

void BM_WriteSameSize(benchmark::State& state) {
  HandledException handled;
  rv::TQVExceptionLog log(nullptr);
  log.SetLogFile(rvbench::ScratchDir() + "/plain.xml");
  log.SetFormatting(rv::qvlfXML);
  const std::string text(log.ComposeRecord(handled.Scope.Object()).size(), 'x');
  for (auto _ : state) log.WriteAsString("ERROR", text);
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_ExceptionRecord);
BENCHMARK(BM_WriteSameSize);

}  // namespace

int main(int argc, char** argv) {
  return rvbench::RunAndCompare(
      argc, argv, {{"exception record / WriteAsString of its size", "BM_ExceptionRecord", "BM_WriteSameSize", 0.5}});
}
