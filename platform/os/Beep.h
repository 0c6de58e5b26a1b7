#pragma once
// The system's alert sounds (MessageBeep). On Linux: the X server's bell
// where a display opens, else the terminal bell when standard error is a
// terminal, else nothing. BeepService() is the service in use; tests install
// a double with SetBeepService (or a TServiceScope).

#include <cstdint>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// Kinds of alert, with their classic values.
constexpr std::uint32_t MB_ICONHAND = 0x10;  // the error sound (the value of MB_ICONERROR)

class TBeepService {
 public:
  virtual ~TBeepService() = default;
  // Sounds the alert of that kind; never raises.
  virtual void Beep(std::uint32_t Type) = 0;
};

// The Linux service: rings the display's bell or the terminal's.
TBeepService& SystemBeepService();

TBeepService& BeepService();
// Installs Service (null: the Linux service again) and returns the one it
// replaces. Not owned.
TBeepService* SetBeepService(TBeepService* Service);

// Sounds the alert through the service in use; always true (there is no
// failure to report).
bool MessageBeep(std::uint32_t Type);

}  // namespace rv
