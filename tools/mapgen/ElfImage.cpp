#include "tools/mapgen/ElfImage.h"

#include <fcntl.h>
#include <gelf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rv::mapgen {

TElfImage::TFileDescriptor::~TFileDescriptor() {
  if (FFd >= 0) ::close(FFd);
}

TElfImage::TElfImage(std::string fileName)
    : FFileName(std::move(fileName)), FFd(::open(FFileName.c_str(), O_RDONLY | O_CLOEXEC)) {
  if (FFd.Get() < 0) Fail("cannot open", std::strerror(errno));
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
  size_t sections = 0;
  if (elf_getshdrnum(Handle(), &sections) != 0) Fail("corrupt section table", elf_errmsg(-1));

  FDwarf.reset(dwarf_begin_elf(Handle(), DWARF_C_READ, nullptr));
  if (!FDwarf && (HasSection(".debug_info") || HasSection(".zdebug_info")))
    Fail("corrupt debug information", dwarf_errmsg(-1));
}

void TElfImage::Fail(const std::string& what, const char* reason) const {
  throw EMapgenError(FFileName + ": " + what + ": " + (reason ? reason : "unknown error"));
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
