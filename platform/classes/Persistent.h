#pragma once
// TPersistent: an object that can be assigned from another and stored in a
// form file through its published properties.

#include <string>

#include "platform/classes/Object.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TPersistent : public TObject {
  RV_CLASS(TPersistent, TObject)
 public:
  // Copies Source into this object. The base asks Source to assign itself
  // (AssignTo), which raises EConvertError "Cannot assign a X to a Y" unless a
  // class overrides one of the two.
  virtual void Assign(const TPersistent* Source);
  // The name by which the object is known in its owner ("Form1.Log1.SendTo").
  virtual std::string GetNamePath() const;
  // The object that owns this one for naming and storage, if any.
  virtual TPersistent* GetOwner() const { return nullptr; }

 protected:
  virtual void AssignTo(TPersistent* Dest) const;
  // Raises EConvertError for assigning Source (null: "nil") to this object.
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

}  // namespace rv
