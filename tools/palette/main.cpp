// palette [-o FOLDER] [LIBRARY]: loads the package LIBRARY (by default the
// library this program runs with) as a designer does, calls its Register,
// lists each palette page with its classes, and writes each class's palette
// image, found under its class name in capitals, as FOLDER/<NAME>.png.

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "PngWriter.h"
#include "package/LogReg.h"
#include "platform/classes/Registration.h"
#include "platform/classes/Resources.h"
#include "platform/classes/Stream.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

using namespace rv;

namespace {

int usage() {
  std::fprintf(stderr, "usage: palette [-o FOLDER] [LIBRARY]\n");
  return 2;
}

std::string linkedLibrary() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&Palette), &info) || !info.dli_fname) return {};
  return info.dli_fname;
}

struct TDlClose {
  void operator()(void* handle) const { dlclose(handle); }
};

}  // namespace

int main(int argc, char** argv) {
  std::string folder = ".";
  std::string library;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
      folder = argv[++i];
    else if (argv[i][0] == '-' || !library.empty())
      return usage();
    else
      library = argv[i];
  }
  if (library.empty()) library = linkedLibrary();

  std::unique_ptr<void, TDlClose> package(dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!package) {
    std::fprintf(stderr, "palette: %s\n", dlerror());
    return 1;
  }
  auto registerProc = reinterpret_cast<void (*)()>(dlsym(package.get(), kRegisterSymbol));
  if (!registerProc) {
    std::fprintf(stderr, "palette: %s has no Register\n", library.c_str());
    return 1;
  }
  try {
    registerProc();
    for (const TPalettePage& page : Palette()) {
      std::printf("%s\n", page.Name.c_str());
      for (const TClass* cls : page.Classes) {
        const std::string image = UpperCase(cls->Name());
        const std::string file = folder + "/" + image + ".png";
        TStringStream stream{std::string(FindResource(image))};
        TBitmap bitmap;
        bitmap.LoadFromStream(stream);
        WritePng(bitmap, file);
        std::printf("  %-20s %dx%d %s\n", cls->Name().c_str(), bitmap.Width(), bitmap.Height(), file.c_str());
      }
    }
  } catch (const Exception& e) {
    std::fprintf(stderr, "palette: %s\n", e.Message().c_str());
    return 1;
  }
  return 0;
}
