#include "tests/support/InteractiveWidgetSet.h"

namespace rvtest {

TInteractiveWidgetSet::TInteractiveWidgetSet() : FInner(rv::HeadlessWidgetSet()), FPrevious(rv::SetWidgetSet(this)) {}

TInteractiveWidgetSet::~TInteractiveWidgetSet() { rv::SetWidgetSet(FPrevious); }

}  // namespace rvtest
