// Functions at known lines in a unit of their own.
#include "tests/exception/mapfixture/Probes.h"

#include <stdexcept>

namespace rv_fixture {

namespace {

RV_FIXTURE_KEEP int Twice(int value) {
  Record("Twice.line", Here(), __LINE__);
  return value * 2;
}

}  // namespace

const int kComputeLine = __LINE__ + 1;  // the line a function's first address maps to
RV_FIXTURE_KEEP int Compute(int value) {
  Record("Compute.line", Here(), __LINE__);
  return Twice(value) + 1;
}

RV_FIXTURE_KEEP int TWorker::Run(int value) const {
  Record("TWorker::Run.line", Here(), __LINE__);
  return Compute(value) + FBase;
}

RV_FIXTURE_KEEP void Fail(int value) {
  if (value > 0) throw std::runtime_error("fixture");
}
const int kFailLine = __LINE__ - 2;

}  // namespace rv_fixture
