#pragma once
// The framework's common callback types.

#include "platform/rtl/Closure.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TObject;
class Exception;

using TNotifyEvent = Closure<void(TObject* Sender)>;
using TExceptionEvent = Closure<void(TObject* Sender, Exception* E)>;

}  // namespace rv
