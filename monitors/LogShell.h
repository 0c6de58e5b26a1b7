#pragma once
// Unit LogShell: the shell change monitor. TQVShellLog turns the shell's
// change reports into callbacks; it owns no log file.

#include "platform/classes/Component.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TQVShellLog : public TComponent {
  RV_CLASS(TQVShellLog, TComponent)
 public:
  explicit TQVShellLog(TComponent* AOwner);
};

}  // namespace rv
