#include "tools/mapgen/Demangler.h"

#include <libiberty/demangle.h>

#include <csetjmp>
#include <cstring>

#include "tools/mapgen/Names.h"

namespace rv::mapgen {

namespace {

// The demangled text as the demangler hands it over. Room for the longest
// accepted text is reserved up front, so collecting it never allocates.
struct TOutput {
  std::string Text;
  std::jmp_buf TooLong;
};

// The demangler streams its text in small pieces and keeps nothing on the
// heap while it does (this is the purpose of its callback form), so leaving
// it by longjmp when the text grows too long frees all it holds. Only
// trivially destructible frames lie between here and the setjmp.
void collect(const char* piece, std::size_t length, void* opaque) {
  auto& output = *static_cast<TOutput*>(opaque);
  if (output.Text.size() + length > kMaxDemangledLength) std::longjmp(output.TooLong, 1);
  output.Text.append(piece, length);
}

// False for a name that isn't a C++ name or demangles too long. Kept apart
// from the caller, so nothing of the caller's frame changes between setjmp
// and longjmp.
bool demangleInto(const char* name, TOutput& output) {
  output.Text.clear();
  if (setjmp(output.TooLong) != 0) return false;
  return cplus_demangle_v3_callback(name, DMGL_PARAMS | DMGL_ANSI, collect, &output) != 0;
}

}  // namespace

std::vector<std::string> DemangleNames(const std::vector<const char*>& names) {
  TOutput output;
  output.Text.reserve(kMaxDemangledLength);
  std::vector<std::string> results;
  results.reserve(names.size());
  for (const char* name : names) {
    const bool mangled = std::strncmp(name, "_Z", 2) == 0 && std::strlen(name) <= kMaxMangledLength;
    results.push_back(CleanName(mangled && demangleInto(name, output) ? std::string_view(output.Text) : name));
  }
  return results;
}

}  // namespace rv::mapgen
