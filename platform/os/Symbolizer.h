#pragma once
// TSymbolizer names a code address of this process from the ELF symbols and
// DWARF line tables of the module holding it (the executable or a shared
// library, wherever it was loaded): what a map file gives for programs that
// have none, and for code outside the executable.

#include <memory>
#include <string>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// Each field empty (Line 0) when it isn't known.
struct TCodePosition {
  std::string Module;     // file name of the executable or library
  std::string Unit;       // source file name without folder and extension
  std::string Procedure;  // demangled
  int Line = 0;
};

class TSymbolizer {
 public:
  TSymbolizer();
  ~TSymbolizer();
  TSymbolizer(const TSymbolizer&) = delete;
  TSymbolizer& operator=(const TSymbolizer&) = delete;

  // Reads the process's modules on first use and again when an address lies
  // in none of them (a library loaded since). Any thread; calls are
  // serialised.
  TCodePosition Locate(const void* Address);

 private:
  class TSession;
  std::unique_ptr<TSession> FSession;
};

}  // namespace rv
