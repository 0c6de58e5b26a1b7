#pragma once
// Designer registration: the palette pages and the component classes on
// them, in registration order, for a designer tool to read.

#include <string>
#include <vector>

#include "platform/classes/Object.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

struct TPalettePage {
  std::string Name;
  std::vector<const TClass*> Classes;
};

// Puts Classes on the palette page Page (created on first use) and registers
// them with the class registry, so forms holding them can be read.
void RegisterComponents(const std::string& Page, const std::vector<const TClass*>& Classes);
std::vector<TPalettePage> Palette();
// Empties the palette (a designer unloading a package).
void ClearPalette();

}  // namespace rv
