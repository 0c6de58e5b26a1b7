#include "tools/mapgen/ElfImage.h"

#include <fcntl.h>
#include <gelf.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace rv::mapgen {

TElfImage::TElfImage(std::string fileName)
    : FFileName(std::move(fileName)), FFd(::open(FFileName.c_str(), O_RDONLY | O_CLOEXEC)) {
  if (!FFd) Fail("cannot open", std::strerror(errno));
  struct stat st {};
  if (::fstat(FFd.Get(), &st) != 0) Fail("cannot read", std::strerror(errno));
  if (!S_ISREG(st.st_mode)) Fail("cannot read", "not a regular file");

  elf_version(EV_CURRENT);
  // ELF_C_READ reads with pread rather than mapping the file, so a file cut
  // short while we read it gives an error instead of SIGBUS.
  FElf.reset(elf_begin(FFd.Get(), ELF_C_READ, nullptr));
  if (!FElf) Fail("not an ELF file", elf_errmsg(-1));
  if (elf_kind(Handle()) != ELF_K_ELF) Fail("not an ELF file", "no ELF header");
  GElf_Ehdr header;
  if (!gelf_getehdr(Handle(), &header)) Fail("corrupt ELF header", elf_errmsg(-1));
  if (header.e_type == ET_DYN)
    Fail("not supported", "a position-independent executable or shared object; link it with -no-pie");
  if (header.e_type != ET_EXEC) Fail("not supported", "not an executable");
  CheckLayout(header, static_cast<std::uint64_t>(st.st_size));

  FDwarf.reset(dwarf_begin_elf(Handle(), DWARF_C_READ, nullptr));
  if (!FDwarf && (HasSection(".debug_info") || HasSection(".zdebug_info")))
    Fail("corrupt debug information", dwarf_errmsg(-1));
}

void TElfImage::Fail(const std::string& what, const char* reason) const {
  throw EMapgenError(FFileName + ": " + what + ": " + (reason ? reason : "unknown error"));
}

// libelf takes tables and sections that lie beyond the end of a cut-short
// file for empty ones; such a file would give a map with pieces missing.
void TElfImage::CheckLayout(const GElf_Ehdr& header, std::uint64_t fileSize) const {
  const auto within = [fileSize](std::uint64_t offset, std::uint64_t count, std::uint64_t size) {
    return offset <= fileSize && (size == 0 || count <= (fileSize - offset) / size);
  };
  std::size_t sections = 0;
  if (elf_getshdrnum(Handle(), &sections) != 0) Fail("corrupt section table", elf_errmsg(-1));
  if (!within(header.e_shoff, sections, header.e_shentsize) ||
      !within(header.e_phoff, header.e_phnum, header.e_phentsize))
    Fail("corrupt ELF file", "its tables extend beyond the end of the file");
  for (Elf_Scn* scn = elf_nextscn(Handle(), nullptr); scn; scn = elf_nextscn(Handle(), scn)) {
    GElf_Shdr shdr;
    if (!gelf_getshdr(scn, &shdr)) Fail("corrupt section table", elf_errmsg(-1));
    if (shdr.sh_type != SHT_NOBITS && !within(shdr.sh_offset, 1, shdr.sh_size))
      Fail("corrupt ELF file", "a section extends beyond the end of the file");
  }
}

bool TElfImage::HasSection(const char* name) const {
  size_t names = 0;
  if (elf_getshdrstrndx(Handle(), &names) != 0) return false;
  for (Elf_Scn* scn = elf_nextscn(Handle(), nullptr); scn; scn = elf_nextscn(Handle(), scn)) {
    GElf_Shdr shdr;
    if (!gelf_getshdr(scn, &shdr)) continue;
    const char* sectionName = elf_strptr(Handle(), names, shdr.sh_name);
    if (sectionName && std::strcmp(sectionName, name) == 0) return true;
  }
  return false;
}

}  // namespace rv::mapgen
