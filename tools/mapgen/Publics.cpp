#include "tools/mapgen/Publics.h"

#include <gelf.h>

#include <algorithm>
#include <limits>
#include <tuple>

namespace rv::mapgen {

namespace {

struct TSymbol {
  std::uint32_t Offset;
  int Rank;  // preference among symbols at one address: lower wins
  std::size_t Index;
  const char* Name;
};

// The full symbol table, or the dynamic one of a stripped executable.
Elf_Scn* findSymbolTable(Elf* elf) {
  Elf_Scn* dynamic = nullptr;
  for (Elf_Scn* scn = elf_nextscn(elf, nullptr); scn; scn = elf_nextscn(elf, scn)) {
    GElf_Shdr shdr;
    if (!gelf_getshdr(scn, &shdr)) continue;
    if (shdr.sh_type == SHT_SYMTAB) return scn;
    if (shdr.sh_type == SHT_DYNSYM && !dynamic) dynamic = scn;
  }
  return dynamic;
}

int bindingRank(unsigned char info) {
  switch (GELF_ST_BIND(info)) {
    case STB_GLOBAL: return 0;
    case STB_WEAK: return 1;
    default: return 2;
  }
}

}  // namespace

TFunctionSymbols ReadFunctionSymbols(const TElfImage& image) {
  Elf* elf = image.Handle();
  Elf_Scn* table = findSymbolTable(elf);
  if (!table) return {};
  GElf_Shdr shdr;
  if (!gelf_getshdr(table, &shdr)) image.Fail("corrupt symbol table", elf_errmsg(-1));
  Elf_Data* data = elf_getdata(table, nullptr);
  if (!data) image.Fail("corrupt symbol table", elf_errmsg(-1));
  if (shdr.sh_entsize == 0) image.Fail("corrupt symbol table", "entry size 0");

  std::vector<TSymbol> symbols;
  const std::size_t count = shdr.sh_size / shdr.sh_entsize;
  if (count > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    image.Fail("corrupt symbol table", "too many symbols");
  for (std::size_t i = 1; i < count; ++i) {
    GElf_Sym sym;
    if (!gelf_getsym(data, static_cast<int>(i), &sym)) image.Fail("corrupt symbol table", elf_errmsg(-1));
    const int type = GELF_ST_TYPE(sym.st_info);
    if ((type != STT_FUNC && type != STT_GNU_IFUNC) || sym.st_shndx == SHN_UNDEF) continue;
    std::uint32_t offset = 0;
    if (!ToOffset(sym.st_value, offset)) continue;
    const char* name = elf_strptr(elf, shdr.sh_link, sym.st_name);
    if (!name || !*name) continue;
    symbols.push_back({offset, bindingRank(sym.st_info), i, name});
  }

  std::sort(symbols.begin(), symbols.end(), [](const TSymbol& a, const TSymbol& b) {
    return std::tie(a.Offset, a.Rank, a.Index) < std::tie(b.Offset, b.Rank, b.Index);
  });
  TFunctionSymbols functions;
  for (const TSymbol& symbol : symbols) {
    if (!functions.Offsets.empty() && functions.Offsets.back() == symbol.Offset) continue;
    functions.Offsets.push_back(symbol.Offset);
    functions.Names.push_back(symbol.Name);
  }
  return functions;
}

}  // namespace rv::mapgen
