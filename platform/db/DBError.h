#pragma once
// EDatabaseError: every failure of the data access layer, from a wrong
// field name to the database's own messages.

#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

RV_DECLARE_EXCEPTION(EDatabaseError, Exception);

[[noreturn]] inline void DatabaseError(const std::string& Message) { throw EDatabaseError(Message); }

}  // namespace rv
