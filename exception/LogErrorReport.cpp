#include "exception/LogError.h"

#include <array>

#include "core/LogCnst.h"
#include "exception/QVMapFile.h"
#include "platform/forms/Application.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Screen.h"
#include "platform/os/SystemInfo.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Program.h"

namespace RV_API rv {

namespace {

constexpr const char* lineBreak = "\r\n";

std::string processorLevelName(std::uint32_t Level) {
  switch (Level) {
    case 3: return "80386";
    case 4: return "80486";
    case 5: return "Pentium";
    case 6: return "Pentium Pro";
    default: return std::to_string(Level);
  }
}

std::string kilobytes(std::uint64_t Bytes) { return std::to_string(Bytes / 1024) + " Kb"; }

bool mapNamesNothing(const TQVMapFile& map) { return map.UnitName().empty() && map.ProcedureName().empty(); }

}  // namespace

TQVSystemReport::TQVSystemReport(const TQVLogBase& Log, TQVMapFile& MapFile)
    : FLog(Log), FMapFile(MapFile), FSymbolizer(std::make_unique<TSymbolizer>()) {}

TQVSystemReport::~TQVSystemReport() = default;

std::string TQVSystemReport::Frame() const { return FLog.Formatting() == qvlfText ? sQVLFrameLine : ""; }

std::string TQVSystemReport::Framed(std::string Items) const { return Items.empty() ? Items : Frame() + Items; }

void TQVSystemReport::LoadSourcePosition(const void* Address) {
  if (!Address) Address = ExceptAddr();
  FMapFile.LoadExceptionData(Address);
  FFallbackSource = Address && mapNamesNothing(FMapFile) ? FSymbolizer->Locate(Address) : TCodePosition{};
}

std::string TQVSystemReport::GetFormattedSource() const {
  if (!FMapFile.ExceptionDataLoaded()) return {};
  const bool fallback =
      mapNamesNothing(FMapFile) && !(FFallbackSource.Unit.empty() && FFallbackSource.Procedure.empty());
  const std::string& unit = fallback ? FFallbackSource.Unit : FMapFile.UnitName();
  const std::string& procedure = fallback ? FFallbackSource.Procedure : FMapFile.ProcedureName();
  const int line = fallback ? FFallbackSource.Line : FMapFile.LineNumber();
  std::string result = lineBreak;
  if (!unit.empty()) result += "Unit: " + unit + lineBreak;
  if (!procedure.empty()) result += "Procedure: " + procedure + lineBreak;
  if (line > 0) result += "Line No: " + IntToStr(line);
  return result;
}

TCodePosition TQVSystemReport::Locate(const void* Address) {
  TCodePosition position = FSymbolizer->Locate(Address);
  FMapFile.LoadExceptionData(Address);
  if (mapNamesNothing(FMapFile)) return position;
  position.Unit = FMapFile.UnitName();
  position.Procedure = FMapFile.ProcedureName();
  position.Line = FMapFile.LineNumber();
  return position;
}

std::string TQVSystemReport::GetCallStack() {
  const std::vector<void*> frames = ExceptCallStack();
  if (frames.empty()) return {};
  // The frames are looked up in the map one by one; its answer for the
  // exception's own address is put back afterwards.
  const bool hadLookup = FMapFile.ExceptionDataLoaded();
  std::string result;
  for (void* frame : frames) {
    const TCodePosition position = Locate(frame);
    result += lineBreak + Format("%p", frame);
    if (!position.Module.empty()) result += " " + position.Module;
    if (!position.Unit.empty()) result += " Unit: " + position.Unit;
    if (!position.Procedure.empty()) result += " Procedure: " + position.Procedure;
    if (position.Line > 0) result += " Line No: " + IntToStr(position.Line);
  }
  if (hadLookup) FMapFile.LoadExceptionData(ExceptAddr());
  return result;
}

std::string TQVSystemReport::GetApplicationDetails() const {
  std::string result = Frame() + "EXE file name" + ": " + Application->ExeName() + lineBreak + "Application Title" +
                       ":" + Application->Title();
  const int count = ParamCount();
  if (count > 0) {
    result += std::string(lineBreak) + "Parameters" + ": ";
    for (int i = 1; i <= count; ++i) result += lineBreak + ParamStr(i);
  }
  return result;
}

std::string TQVSystemReport::GetActiveControlDetails() const {
  std::string result;
  if (const TForm* form = Screen->ActiveForm()) {
    const TCustomForm* custom = Screen->ActiveCustomForm();
    result = "Active Form: " + form->Name() + ", " + (custom ? custom->Caption() : std::string());
  }
  if (const TWinControl* control = Screen->ActiveControl()) {
    if (!result.empty()) result += lineBreak;
    result += std::string("Active Control") + ": " + control->Name();
  }
  return Framed(std::move(result));
}

std::string TQVSystemReport::GetComputerInfo() const {
  TSystemInfo& info = SystemInfo();
  std::string result = std::string("Computer") + ": " + info.ComputerName() + lineBreak;
  if (const std::string user = info.UserName(); !user.empty()) result += std::string("User Name") + ": " + user;
  return Framed(std::move(result));
}

std::string TQVSystemReport::GetOSInfo() const {
  const TOSVersion version = SystemInfo().OSVersion();
  if (version.Name.empty() && version.KernelRelease.empty()) return {};
  return Framed(version.Name + "(" + "build" + " " + version.KernelRelease + ")");
}

std::string TQVSystemReport::GetCPUInfo(bool MeasureSpeed) const {
  TSystemInfo& info = SystemInfo();
  std::string result = Frame() + processorLevelName(info.ProcessorLevel());
  if (MeasureSpeed) {
    const TClockSample sample = info.MeasureClock();
    const double rate =
        sample.Microseconds ? static_cast<double>(sample.Ticks) / static_cast<double>(sample.Microseconds) : 0.0;
    result += " " + FloatToStr(rate) + " MHz";
  }
  return result;
}

std::string TQVSystemReport::GetMemoryInfo() const {
  const TMemoryStatus s = SystemInfo().MemoryStatus();
  const std::array<std::pair<const char*, std::uint64_t>, 6> counts{{{"Total pagefile", s.TotalPageFile},
                                                                     {"Available pagefile", s.AvailPageFile},
                                                                     {"Total virtual memory", s.TotalVirtual},
                                                                     {"Available virtual memory", s.AvailVirtual},
                                                                     {"Total memory", s.TotalPhys},
                                                                     {"Available memory", s.AvailPhys}}};
  std::string result = Frame();
  for (const auto& [label, bytes] : counts) result += std::string(label) + ": " + kilobytes(bytes) + lineBreak;
  return result + "Memory in use" + ": " + std::to_string(s.MemoryLoad) + "%";
}

std::string TQVSystemReport::GetVideoCardInfo() const {
  std::string result;
  for (const TDisplayDevice& device : SystemInfo().DisplayDevices()) {
    if (!result.empty()) result += lineBreak;
    result += Format("Device: %s  Name: %s", device.DeviceName, device.DeviceString);
  }
  return Framed(std::move(result));
}

}  // namespace rv
