// formview FILE: reads a form file with its components live, as a designer's
// preview does. With a display the form shows in a window until it is
// closed; without one (or when the root is no form) the component tree is
// printed: names, classes and the properties the components store.

#include <cstdio>
#include <memory>
#include <string>

#include "package/LogReg.h"
#include "platform/classes/Component.h"
#include "platform/classes/FormFile.h"
#include "platform/classes/Stream.h"
#include "platform/forms/Forms.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Exceptions.h"

using namespace rv;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: formview FILE\n");
    return 2;
  }
  const std::string fileName = argv[1];
  try {
    // The suite's classes, as the designer has them once the package is installed.
    Register();
    std::unique_ptr<TComponent> root(ReadComponentText(ReadFileBytes(fileName), nullptr));
    auto* form = dynamic_cast<TCustomForm*>(root.get());
    if (form && WidgetSet()->Interactive())
      form->ShowModal();
    else
      std::fputs(WriteComponentText(*root).c_str(), stdout);
  } catch (const Exception& e) {
    std::fprintf(stderr, "formview: %s: %s\n", fileName.c_str(), e.Message().c_str());
    return 1;
  }
  return 0;
}
