// Functions at known lines in a unit of their own.
#include "tests/exception/mapfixture/Probes.h"

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

}  // namespace rv_fixture
