#pragma once
// Date-times as the text SQLite's date functions read and write:
// "YYYY-MM-DD HH:MM:SS.SSS", the time part optional when reading.

#include <string>
#include <string_view>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

std::string DateTimeToIso(TDateTime Value);
// False for anything but that shape or an impossible date or time.
bool TryIsoToDateTime(std::string_view Text, TDateTime& Value);

}  // namespace rv
