#include "testing/os/SystemInfoFixed.h"

namespace rv {

TClockSample TFixedSystemInfo::MeasureClock() {
  ++FMeasurements;
  return FClockSample;
}

}  // namespace rv
