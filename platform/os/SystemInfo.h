#pragma once
// What the machine tells about itself: its network name and user, memory,
// operating system, processor and display devices. SystemInfo() is the
// source in use; tests install a double with SetSystemInfo.
//
// The Linux source reads /proc, /sys and /etc below a root folder (the real
// file system by default; tests point it at fixture folders). Contents that
// don't have the expected form count as unknown: zero or empty values, never
// an error.

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// Byte counts, 64 bits wide so that large machines are reported as they are.
struct TMemoryStatus {
  std::uint32_t MemoryLoad = 0;  // per cent of physical memory in use
  std::uint64_t TotalPhys = 0;
  std::uint64_t AvailPhys = 0;
  std::uint64_t TotalPageFile = 0;
  std::uint64_t AvailPageFile = 0;
  std::uint64_t TotalVirtual = 0;
  std::uint64_t AvailVirtual = 0;
};

struct TOSVersion {
  std::string Name;           // the distribution's name, or the kernel's name and release
  std::string KernelRelease;  // the running kernel's release ("6.1.0-18-amd64")
};

// Time-stamp counter ticks over a measured span of time.
struct TClockSample {
  std::uint64_t Ticks = 0;
  std::uint64_t Microseconds = 0;
};

struct TDisplayDevice {
  std::string DeviceName;    // the connector ("card0-HDMI-A-1")
  std::string DeviceString;  // the card's driver, or the card when that is unknown
};

class TSystemInfo {
 public:
  TSystemInfo() = default;
  virtual ~TSystemInfo() = default;
  TSystemInfo(const TSystemInfo&) = delete;
  TSystemInfo& operator=(const TSystemInfo&) = delete;

  // The classic network name (ClassicComputerName); "" when unreadable.
  virtual std::string ComputerName() = 0;
  // The effective user's login name; "" when unknown.
  virtual std::string UserName() = 0;
  virtual TMemoryStatus MemoryStatus() = 0;
  virtual TOSVersion OSVersion() = 0;
  // The x86 processor family (6 for every Intel Core); 0 when unknown.
  virtual std::uint32_t ProcessorLevel() = 0;
  // Counts processor clock ticks over half a second with the calling thread
  // at the highest real-time priority it may take. Blocks for about 510 ms.
  virtual TClockSample MeasureClock() = 0;
  // The connected displays, in name order; none on a headless machine.
  virtual std::vector<TDisplayDevice> DisplayDevices() = 0;
};

class TLinuxSystemInfo : public TSystemInfo {
 public:
  std::string ComputerName() override;
  std::string UserName() override;
  TMemoryStatus MemoryStatus() override;
  TOSVersion OSVersion() override;
  std::uint32_t ProcessorLevel() override;
  TClockSample MeasureClock() override;
  std::vector<TDisplayDevice> DisplayDevices() override;

  // Prefixed to every file read ("" for the real file system). The host
  // name, user, kernel release and address-space limit come from system
  // calls and don't follow it.
  const std::string& Root() const { return FRoot; }
  void SetRoot(std::string Value) { FRoot = std::move(Value); }

 private:
  static std::string LookUpUserName(unsigned Uid);

  std::string FRoot;
  std::mutex FUserLock;
  bool FUserKnown = false;
  unsigned FUserId = 0;
  std::string FUserName;
};

// The host name's first label in upper case, cut to 15 characters.
std::string ClassicComputerName(std::string_view HostName);

// The source in use: the one installed last, else the Linux source.
TSystemInfo& SystemInfo();
// Installs Info (null: the Linux source again) and returns the one installed
// before (null when that was the Linux source). The caller keeps ownership
// and restores the previous one before Info goes.
TSystemInfo* SetSystemInfo(TSystemInfo* Info);

}  // namespace rv
