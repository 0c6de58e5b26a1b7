#pragma once
// Form files: the text form of a component tree and its published
// properties.
//
//   object frmExample: TForm
//     Caption = 'Error'
//     object Log1: TQVExceptionLog
//       LogFile = 'crash.xml'
//       Options = [laShowSendEMail, laShowSupportLink]
//       SendTo.EMail = 'support@example.org'
//       OnException = Log1Exception
//     end
//   end
//
// Reading sets csLoading and csReading on every component it reads, applies
// each component's properties in declaration order (base class first)
// whatever order the file gives, resolves component references after the
// whole tree was read, then calls Loaded() on every component in load order.
// Anything it can't take (a syntax error, an unknown class or property, a bad
// value) raises EReadError naming the component and property; components the
// failed read created are destroyed again.

#include <string>
#include <string_view>

#include "platform/rtl/Export.h"

namespace RV_API rv {

class TComponent;

// The text of Root and the children it stores (GetChildren).
std::string WriteComponentText(const TComponent& Root);

// Creates the root component of the stored class (which must be registered),
// owned by Owner (null: the caller deletes it), and reads the tree into it.
TComponent* ReadComponentText(std::string_view Text, TComponent* Owner);

// Reads a stored tree into an existing root (a form created in code): its
// properties, and its children, which it creates, owned by Root, and stores in
// Root's published fields of the same name. The stored root's class must be
// Root's class or a base of it.
void ReadComponentTextInto(std::string_view Text, TComponent* Root);

// Reads a form resource (see Resources.h) into Root.
void ReadComponentResource(std::string_view ResourceName, TComponent* Root);

}  // namespace rv
