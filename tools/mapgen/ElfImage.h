#pragma once
// An ELF executable opened for reading its symbols and debug information.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include <elfutils/libdw.h>
#include <gelf.h>
#include <libelf.h>

#include "platform/rtl/FileHandle.h"

namespace rv::mapgen {

// Anything that keeps mapgen from writing a sound map; the message names the
// file and the reason.
class EMapgenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TElfImage {
 public:
  // Raises EMapgenError for a file that can't be read, isn't ELF, or is
  // position independent (a PIE or a shared object: its load address isn't
  // known before it runs, so no map offset could be right).
  explicit TElfImage(std::string fileName);

  const std::string& FileName() const { return FFileName; }
  Elf* Handle() const { return FElf.get(); }
  // Null when the file carries no debug information.
  Dwarf* Debug() const { return FDwarf.get(); }

  // EMapgenError "<file>: <what>: <reason>".
  [[noreturn]] void Fail(const std::string& what, const char* reason) const;

 private:
  void CheckLayout(const GElf_Ehdr& header, std::uint64_t fileSize) const;
  bool HasSection(const char* name) const;

  struct TElfEnd {
    void operator()(Elf* elf) const { elf_end(elf); }
  };
  struct TDwarfEnd {
    void operator()(Dwarf* dwarf) const { dwarf_end(dwarf); }
  };

  // Declared in the order they are opened, so they close in reverse.
  std::string FFileName;
  TFileHandle FFd;
  std::unique_ptr<Elf, TElfEnd> FElf;
  std::unique_ptr<Dwarf, TDwarfEnd> FDwarf;
};

}  // namespace rv::mapgen
