#pragma once
// Unit LogReg: what a designer calls to put the suite on its palette.

#include "platform/rtl/Export.h"

namespace RV_API rv {

inline constexpr const char* kPalettePage = "REVuziva";

// Registers the eight components on the palette page "REVuziva" (and with
// the class registry, so forms holding them can be read). The log base, the
// delivery settings and the check providers are not on the palette.
void Register();

// Register's symbol name, for a designer that looks it up with dlsym.
inline constexpr const char* kRegisterSymbol = "_ZN2rv8RegisterEv";

}  // namespace rv
