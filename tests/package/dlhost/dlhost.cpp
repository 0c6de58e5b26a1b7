// A host that loads the library at run time, as a program with plugins
// does: it never links the library. It loads a plugin using it, writes,
// unloads, and does it again, then loads the library alone and calls its
// entry points. Each step prints "name=value"; the test reads them.

#include <dlfcn.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#include "package/REVuziva.h"

namespace {

bool libraryMapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line))
    if (line.find("librevuziva.so") != std::string::npos) return true;
  return false;
}

// The handlers of the fault signals, to compare before loading and after
// unloading (a sanitizer has its own there).
std::array<void*, 4> faultHandlers() {
  std::array<void*, 4> handlers{};
  const int signals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
  for (std::size_t i = 0; i < handlers.size(); ++i) {
    struct sigaction action {};
    sigaction(signals[i], nullptr, &action);
    handlers[i] = reinterpret_cast<void*>(action.sa_sigaction);
  }
  return handlers;
}

template <class F>
F symbol(void* handle, const char* name) {
  return reinterpret_cast<F>(dlsym(handle, name));
}

void print(const std::string& name, const std::string& value) { std::printf("%s=%s\n", name.c_str(), value.c_str()); }
void print(const std::string& name, bool value) { print(name, std::string(value ? "yes" : "no")); }

void pluginRound(const std::string& plugin, const std::string& dir, int round) {
  const std::string n = std::to_string(round);
  const std::terminate_handler terminateBefore = std::get_terminate();
  const std::array<void*, 4> handlersBefore = faultHandlers();
  void* handle = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    print("error", std::string(dlerror()));
    return;
  }
  print("mapped" + n, libraryMapped());
  auto write = symbol<int (*)(const char*, const char*)>(handle, "rvplugin_write");
  auto exception = symbol<int (*)(const char*)>(handle, "rvplugin_exception");
  print("write" + n, write((dir + "/plain.log").c_str(), ("round " + n).c_str()) == 0);
  print("throwsite" + n, exception((dir + "/crash.log").c_str()) == 1);
  dlclose(handle);
  print("unmapped" + n, !libraryMapped());
  print("handlers" + n, faultHandlers() == handlersBefore && std::get_terminate() == terminateBefore);
}

void entryPoints(const std::string& library) {
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    print("error", std::string(dlerror()));
    return;
  }
  auto table = symbol<const rv::TPackageInfoTable* (*)()>(handle, rv::kGetPackageInfoTableSymbol)();
  auto initialize = symbol<void (*)()>(handle, rv::kInitializeSymbol);
  auto finalize = symbol<void (*)()>(handle, rv::kFinalizeSymbol);
  std::string units;
  for (std::size_t i = 0; i < table->UnitCount; ++i)
    units += std::string(i ? "," : "") + table->Units[i].Name + (table->Units[i].Init ? "+" : "");
  print("units", units);
  initialize();
  finalize();
  dlclose(handle);
  print("entryunmapped", !libraryMapped());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: dlhost PLUGIN LIBRARY DIR\n");
    return 2;
  }
  print("premapped", libraryMapped());
  pluginRound(argv[1], argv[3], 1);
  pluginRound(argv[1], argv[3], 2);
  entryPoints(argv[2]);
  return 0;
}
