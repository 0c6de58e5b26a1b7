#include "platform/os/Symbolizer.h"

#include <cxxabi.h>
#include <elfutils/libdwfl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

namespace RV_API rv {

namespace {

// A hostile or huge mangled name can demangle to gigabytes: longer ones
// stay as they are.
constexpr std::size_t kLongestDemangled = 4096;

std::string demangle(const char* name) {
  if (std::strlen(name) > kLongestDemangled) return name;
  int status = 0;
  char* plain = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  if (status != 0 || !plain) return name;
  std::string result(plain);
  std::free(plain);
  return result;
}

std::string_view fileNameOf(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string unitOf(std::string_view sourcePath) {
  std::string_view name = fileNameOf(sourcePath);
  const auto dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

const Dwfl_Callbacks kCallbacks = {
    dwfl_linux_proc_find_elf,
    dwfl_standard_find_debuginfo,
    nullptr,
    nullptr,
};

}  // namespace

// One view of the process's modules.
class TSymbolizer::TSession {
 public:
  ~TSession() { Close(); }

  TCodePosition Locate(const void* Address) {
    std::lock_guard<std::mutex> guard(FLock);
    const auto address = reinterpret_cast<Dwarf_Addr>(Address);
    Dwfl_Module* module = FindModule(address);
    if (!module) {
      Reload();
      module = FindModule(address);
    }
    TCodePosition position;
    if (!module) return position;
    if (const char* name = dwfl_module_info(module, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
      position.Module = fileNameOf(name);
    if (const char* symbol = dwfl_module_addrname(module, address)) position.Procedure = demangle(symbol);
    int number = 0;
    if (const char* source = SourceLine(module, address, number)) {
      position.Unit = unitOf(source);
      position.Line = number;
    }
    return position;
  }

 private:
  // The source file and line of the address, or null.
  static const char* SourceLine(Dwfl_Module* module, Dwarf_Addr address, int& number) {
    if (Dwfl_Line* line = dwfl_module_getsrc(module, address))
      return dwfl_lineinfo(line, nullptr, &number, nullptr, nullptr, nullptr);
    // Without an address index (clang writes none) the units are searched.
    Dwarf_Addr bias = 0;
    for (Dwarf_Die* unit = dwfl_module_nextcu(module, nullptr, &bias); unit;
         unit = dwfl_module_nextcu(module, unit, &bias)) {
      if (dwarf_haspc(unit, address - bias) <= 0) continue;
      Dwarf_Line* line = dwarf_getsrc_die(unit, address - bias);
      if (!line || dwarf_lineno(line, &number) != 0) return nullptr;
      return dwarf_linesrc(line, nullptr, nullptr);
    }
    return nullptr;
  }

  Dwfl_Module* FindModule(Dwarf_Addr address) {
    if (!FDwfl) Reload();
    return FDwfl ? dwfl_addrmodule(FDwfl, address) : nullptr;
  }

  void Reload() {
    Close();
    FDwfl = dwfl_begin(&kCallbacks);
    if (!FDwfl) return;
    dwfl_report_begin(FDwfl);
    if (dwfl_linux_proc_report(FDwfl, getpid()) != 0 || dwfl_report_end(FDwfl, nullptr, nullptr) != 0) Close();
  }

  void Close() {
    if (FDwfl) dwfl_end(FDwfl);
    FDwfl = nullptr;
  }

  std::mutex FLock;
  Dwfl* FDwfl = nullptr;
};

TSymbolizer::TSymbolizer() : FSession(std::make_unique<TSession>()) {}

TSymbolizer::~TSymbolizer() = default;

TCodePosition TSymbolizer::Locate(const void* Address) { return FSession->Locate(Address); }

}  // namespace rv
