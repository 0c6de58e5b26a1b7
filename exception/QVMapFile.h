#pragma once
// Unit QVMapFile: TQVMapFile reads the detailed map file beside an executable
// and turns a code address into the unit, procedure (public symbol) and
// source line that hold it. The exception log owns one and asks it about the
// address of the exception being handled.
//
// The map is read once per file name, on the first lookup or unit listing.
// Lines that don't have the expected layout are skipped; nothing in a map
// file makes a lookup fail.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

// The unit's own exception class; nothing raises it.
RV_DECLARE_EXCEPTION(EMapFileException, Exception);

class TQVMapFile {
 public:
  TQVMapFile();
  ~TQVMapFile();
  TQVMapFile(const TQVMapFile&) = delete;
  TQVMapFile& operator=(const TQVMapFile&) = delete;

  bool MapLoaded() const { return FMapLoaded; }
  const std::string& MapFileName() const { return FMapFileName; }
  // A different name makes the next lookup read the map again; the same name
  // keeps what was read.
  void SetMapFileName(const std::string& Value);

  // Reads the map file and splits it into the three lists. No name, or no
  // such file, gives empty lists; an error reading an existing file
  // propagates (EFOpenError, EReadError) and leaves MapLoaded false.
  void LoadMapFile();
  // Looks an address up; null stands for the address of the exception being
  // handled, and when no exception is handled nothing is looked up. Only the
  // low 32 bits of an address count: an address at or above 4 GiB lies
  // outside every map and finds nothing.
  void LoadExceptionData(const void* Address = nullptr);
  // Fills List with the unit name of each segment line (once per segment);
  // names the list refuses to add are skipped. A null List does nothing.
  void LoadUnitNames(TStrings* List);

  // Results of the last lookup.
  const std::string& UnitName() const { return FUnitName; }
  const std::string& ProcedureName() const { return FProcedureName; }
  int LineNumber() const { return FLineNumber; }
  // The last lookup ran for an address (whether or not it found anything).
  bool ExceptionDataLoaded() const { return FExceptionDataLoaded; }
  std::uint32_t RelativeAddress() const { return FRelativeAddress; }
  // The address of an executable's first code byte, subtracted from every
  // address before the lookup; it never changes.
  std::uint32_t CodeBase() const { return FCodeBase; }

  // The map's raw lines, owned by the reader: the detailed segment map, the
  // publics-by-value table, and everything from the first line-number
  // section on.
  const TStringList* SegmentLines() const { return FSegmentLines.get(); }
  const TStringList* PublicLines() const { return FPublicLines.get(); }
  const TStringList* LineNumberLines() const { return FLineNumberLines.get(); }

 private:
  class TIndex;

  void ResetResults();

  bool FMapLoaded = false;
  std::string FMapFileName;
  std::unique_ptr<TStringList> FSegmentLines;
  std::unique_ptr<TStringList> FPublicLines;
  std::unique_ptr<TStringList> FLineNumberLines;
  const std::uint32_t FCodeBase = 0x00401000;
  std::uint32_t FRelativeAddress = 0;
  int FLineNumber = 0;
  std::string FProcedureName;
  std::string FUnitName;
  bool FExceptionDataLoaded = false;
  // The lists' fields, parsed once per load so a lookup needn't scan them.
  std::unique_ptr<TIndex> FIndex;
};

}  // namespace rv
