#pragma once
// A beep service for tests: records the kind of every alert instead of
// sounding it, for the lifetime of the object.

#include <cstdint>
#include <vector>

#include "platform/os/Beep.h"
#include "platform/rtl/Service.h"

namespace rvtest {

class TRecordingBeep : public rv::TBeepService {
 public:
  void Beep(std::uint32_t Type) override { Types.push_back(Type); }
  std::vector<std::uint32_t> Types;

 private:
  rv::TServiceScope<rv::TBeepService> FScope{&rv::SetBeepService, *this};
};

}  // namespace rvtest
