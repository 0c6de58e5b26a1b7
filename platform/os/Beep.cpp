#include "platform/os/Beep.h"

#include "platform/rtl/Service.h"

namespace RV_API rv {

namespace {

TService<TBeepService> beepService{&SystemBeepService};

}  // namespace

TBeepService& BeepService() { return beepService.Get(); }

TBeepService* SetBeepService(TBeepService* Service) { return beepService.Install(Service); }

bool MessageBeep(std::uint32_t Type) {
  BeepService().Beep(Type);
  return true;
}

}  // namespace rv
