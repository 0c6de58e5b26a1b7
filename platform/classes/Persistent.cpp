#include "platform/classes/Persistent.h"

#include "platform/classes/Published.h"
#include "platform/rtl/Exceptions.h"

namespace RV_API rv {

const TClass& TPersistent::StaticClass() {
  static const TClass cls = TClassBuilder<TPersistent>("TPersistent").Build();
  return cls;
}

void TPersistent::Assign(const TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) const { Dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* Source) const {
  throw EConvertError("Cannot assign a " + (Source ? Source->ClassName() : std::string("nil")) + " to a " +
                      ClassName());
}

std::string TPersistent::GetNamePath() const {
  // An object without an owning path is known by its class.
  TPersistent* owner = GetOwner();
  std::string ownerPath = owner ? owner->GetNamePath() : std::string();
  return ownerPath.empty() ? ClassName() : ownerPath;
}

}  // namespace rv
