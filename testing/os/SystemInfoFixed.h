#pragma once
// TFixedSystemInfo: a system information source for tests. It hands out the
// values it was given and measures the clock without waiting.

#include "platform/os/SystemInfo.h"
#include "platform/rtl/Service.h"

namespace rv {

class TFixedSystemInfo : public TSystemInfo {
 public:
  std::string ComputerName() override { return FComputerName; }
  void SetComputerName(std::string Value) { FComputerName = std::move(Value); }
  std::string UserName() override { return FUserName; }
  void SetUserName(std::string Value) { FUserName = std::move(Value); }
  TMemoryStatus MemoryStatus() override { return FMemoryStatus; }
  void SetMemoryStatus(const TMemoryStatus& Value) { FMemoryStatus = Value; }
  TOSVersion OSVersion() override { return FOSVersion; }
  void SetOSVersion(TOSVersion Value) { FOSVersion = std::move(Value); }
  std::uint32_t ProcessorLevel() override { return FProcessorLevel; }
  void SetProcessorLevel(std::uint32_t Value) { FProcessorLevel = Value; }
  // Returns ClockSample at once and counts the calls.
  TClockSample MeasureClock() override;
  const TClockSample& ClockSample() const { return FClockSample; }
  void SetClockSample(const TClockSample& Value) { FClockSample = Value; }
  int Measurements() const { return FMeasurements; }
  std::vector<TDisplayDevice> DisplayDevices() override { return FDisplayDevices; }
  void SetDisplayDevices(std::vector<TDisplayDevice> Value) { FDisplayDevices = std::move(Value); }

 private:
  std::string FComputerName;
  std::string FUserName;
  TMemoryStatus FMemoryStatus;
  TOSVersion FOSVersion;
  std::uint32_t FProcessorLevel = 0;
  TClockSample FClockSample;
  int FMeasurements = 0;
  std::vector<TDisplayDevice> FDisplayDevices;
};

// Installs a source for a scope and restores the previous one after.
class TSystemInfoScope : public TServiceScope<TSystemInfo> {
 public:
  explicit TSystemInfoScope(TSystemInfo& Info) : TServiceScope(SetSystemInfo, Info) {}
};

}  // namespace rv
