#include "monitors/LogShell.h"

#include "platform/classes/Published.h"

namespace RV_API rv {

const TClass& TQVShellLog::StaticClass() {
  static const TClass cls = TClassBuilder<TQVShellLog>("TQVShellLog").Build();
  return cls;
}
RV_REGISTER_CLASS(TQVShellLog)

TQVShellLog::TQVShellLog(TComponent* AOwner) : TComponent(AOwner) {}

}  // namespace rv
