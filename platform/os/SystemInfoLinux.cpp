#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <thread>

#include "platform/os/SystemInfo.h"
#include "platform/os/UserAndHost.h"
#include "platform/rtl/Service.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Utf16.h"

namespace RV_API rv {

namespace {

using std::uint64_t;

constexpr uint64_t noLimit = std::numeric_limits<uint64_t>::max();
// What a process may map when nothing limits it: the 47-bit user half of the
// x86-64 address space.
constexpr uint64_t userAddressSpace = uint64_t{1} << 47;
// More than any /proc or /sys text we read; a runaway file is cut here.
constexpr std::size_t maxFileSize = std::size_t{4} << 20;

std::string readFile(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  std::string text;
  char chunk[4096];
  while (text.size() < maxFileSize && file.read(chunk, sizeof chunk).gcount() > 0)
    text.append(chunk, static_cast<std::size_t>(file.gcount()));
  return text;
}

// Control characters would break the report's lines apart.
std::string printable(std::string Text) {
  const auto control = [](char c) { return static_cast<unsigned char>(c) < ' ' || c == '\x7F'; };
  std::replace_if(Text.begin(), Text.end(), control, ' ');
  return Text;
}

// The trimmed value of the first "Key<separator>value" line with that key.
std::optional<std::string> fieldValue(std::string_view text, std::string_view key, char separator) {
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::size_t sep = line.find(separator);
    if (sep != std::string_view::npos && Trim(line.substr(0, sep)) == key) return Trim(line.substr(sep + 1));
  }
  return std::nullopt;
}

// A whole decimal number; nothing else around it.
template <class T>
std::optional<T> wholeNumber(std::string_view text) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

uint64_t saturatingAdd(uint64_t a, uint64_t b) { return a > noLimit - b ? noLimit : a + b; }

// A "<number> kB" value of /proc in bytes; a bare number as it stands.
std::optional<uint64_t> byteCount(const std::optional<std::string>& value) {
  if (!value) return std::nullopt;
  const std::string_view text = *value;
  const std::size_t digits = std::min(text.find(' '), text.size());
  const std::optional<uint64_t> number = wholeNumber<uint64_t>(text.substr(0, digits));
  const std::string unit = Trim(text.substr(digits));
  if (!number || !(unit.empty() || unit == "kB")) return std::nullopt;
  if (unit.empty()) return number;
  return *number > noLimit / 1024 ? noLimit : *number * 1024;
}

uint64_t percentOf(uint64_t part, uint64_t whole) {
  if (whole == 0) return 0;
  return part <= noLimit / 100 ? part * 100 / whole : part / (whole / 100);
}

uint64_t addressSpaceLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return userAddressSpace;
  return limit.rlim_cur;
}

// A shell-style value of os-release: bare, or in single or double quotes
// (with backslash escapes in double quotes). Unterminated quotes: nullopt.
std::optional<std::string> unquote(std::string_view value) {
  if (value.empty() || (value[0] != '"' && value[0] != '\'')) return std::string(value);
  const char quote = value[0];
  std::string out;
  for (std::size_t i = 1; i < value.size(); ++i) {
    char c = value[i];
    if (c == quote) return out;
    if (quote == '"' && c == '\\' && i + 1 < value.size() &&
        std::string_view("\"\\$`").find(value[i + 1]) != std::string_view::npos)
      c = value[++i];
    out += c;
  }
  return std::nullopt;
}

// The last valid PRETTY_NAME assignment, as a shell sourcing the file keeps.
std::string prettyName(std::string_view text) {
  constexpr std::string_view key = "PRETTY_NAME=";
  std::string name;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string line = Trim(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.starts_with(key))
      if (std::optional<std::string> value = unquote(std::string_view(line).substr(key.size())))
        name = std::move(*value);
  }
  return printable(Trim(name));
}

// "card0" of a connector entry "card0-HDMI-A-1"; "" for any other name.
std::string cardOf(std::string_view entry) {
  constexpr std::string_view prefix = "card";
  if (!entry.starts_with(prefix)) return {};
  std::size_t i = prefix.size();
  while (i < entry.size() && IsDigit(entry[i])) ++i;
  if (i == prefix.size() || i + 1 >= entry.size() || entry[i] != '-') return {};
  return std::string(entry.substr(0, i));
}

std::uint64_t readCounter() {
#if defined(__x86_64__) || defined(__i386__)
  return __rdtsc();
#else
  return 0;  // no time-stamp counter readable from user space
#endif
}

// Raises the calling thread to the top real-time priority for its lifetime.
// Without the privilege (EPERM) the thread keeps its place.
class TRealtimeScope {
 public:
  TRealtimeScope() {
    if (::pthread_getschedparam(::pthread_self(), &FPolicy, &FParam) != 0) return;
    sched_param top{};
    top.sched_priority = ::sched_get_priority_max(SCHED_FIFO);
    FRaised = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &top) == 0;
  }
  ~TRealtimeScope() {
    if (FRaised) ::pthread_setschedparam(::pthread_self(), FPolicy, &FParam);
  }
  TRealtimeScope(const TRealtimeScope&) = delete;
  TRealtimeScope& operator=(const TRealtimeScope&) = delete;

 private:
  int FPolicy = SCHED_OTHER;
  sched_param FParam{};
  bool FRaised = false;
};

TSystemInfo& linuxSystemInfo() {
  static TLinuxSystemInfo linuxInfo;
  return linuxInfo;
}

TService<TSystemInfo> systemInfo(linuxSystemInfo);

}  // namespace

std::string ClassicComputerName(std::string_view HostName) {
  const std::string_view label = HostName.substr(0, HostName.find_first_of(std::string_view(".\0", 2)));
  return Utf16Truncate(printable(UpperCase(label)), 15);
}

std::string TLinuxSystemInfo::ComputerName() { return ClassicComputerName(HostName()); }

std::string TLinuxSystemInfo::UserName() {
  // The user database is read once per effective user: a lookup reads
  // /etc/passwd (or asks a directory service) every time.
  std::lock_guard<std::mutex> guard(FUserLock);
  const unsigned uid = EffectiveUserId();
  if (FUserKnown && FUserId == uid) return FUserName;
  FUserName = LookUpUserName(uid);
  FUserId = uid;
  FUserKnown = true;
  return FUserName;
}

std::string TLinuxSystemInfo::LookUpUserName(unsigned Uid) { return printable(UserNameOf(Uid)); }

TMemoryStatus TLinuxSystemInfo::MemoryStatus() {
  const std::string meminfo = readFile(FRoot + "/proc/meminfo");
  const auto bytes = [&](std::string_view key) { return byteCount(fieldValue(meminfo, key, ':')); };
  TMemoryStatus s;
  s.TotalPhys = bytes("MemTotal").value_or(0);
  // Kernels before 3.14 don't estimate what is available; free is the nearest.
  s.AvailPhys = std::min(bytes("MemAvailable").value_or(bytes("MemFree").value_or(0)), s.TotalPhys);
  const uint64_t swapTotal = bytes("SwapTotal").value_or(0);
  s.TotalPageFile = saturatingAdd(s.TotalPhys, swapTotal);
  s.AvailPageFile = saturatingAdd(s.AvailPhys, std::min(bytes("SwapFree").value_or(0), swapTotal));
  s.MemoryLoad = static_cast<std::uint32_t>(percentOf(s.TotalPhys - s.AvailPhys, s.TotalPhys));
  s.TotalVirtual = addressSpaceLimit();
  const uint64_t used = byteCount(fieldValue(readFile(FRoot + "/proc/self/status"), "VmSize", ':')).value_or(0);
  s.AvailVirtual = s.TotalVirtual > used ? s.TotalVirtual - used : 0;
  return s;
}

TOSVersion TLinuxSystemInfo::OSVersion() {
  TOSVersion v;
  utsname names{};
  const bool known = ::uname(&names) == 0;
  if (known) v.KernelRelease = printable(names.release);
  for (const char* file : {"/etc/os-release", "/usr/lib/os-release"})
    if (v.Name.empty()) v.Name = prettyName(readFile(FRoot + file));
  if (v.Name.empty() && known) v.Name = printable(std::string(names.sysname) + " " + names.release);
  return v;
}

std::uint32_t TLinuxSystemInfo::ProcessorLevel() {
  const std::optional<std::string> family = fieldValue(readFile(FRoot + "/proc/cpuinfo"), "cpu family", ':');
  return family ? wholeNumber<std::uint32_t>(*family).value_or(0) : 0;
}

TClockSample TLinuxSystemInfo::MeasureClock() {
  using namespace std::chrono;
  TRealtimeScope realtime;
  std::this_thread::sleep_for(milliseconds(10));
  const auto start = steady_clock::now();
  const uint64_t first = readCounter();
  std::this_thread::sleep_for(milliseconds(500));
  const uint64_t last = readCounter();
  // The span actually slept: a sleep may overrun, and its ticks count too.
  const auto span = duration_cast<microseconds>(steady_clock::now() - start);
  return {last - first, static_cast<uint64_t>(span.count())};
}

std::vector<TDisplayDevice> TLinuxSystemInfo::DisplayDevices() {
  const std::string drm = FRoot + "/sys/class/drm/";
  std::vector<TDisplayDevice> devices;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(drm, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    const std::string card = cardOf(entry);
    if (card.empty() || Trim(readFile(drm + entry + "/status")) != "connected") continue;
    const std::string driver =
        printable(fieldValue(readFile(drm + card + "/device/uevent"), "DRIVER", '=').value_or(""));
    devices.push_back({printable(entry), driver.empty() ? card : driver});
  }
  std::sort(devices.begin(), devices.end(),
            [](const TDisplayDevice& a, const TDisplayDevice& b) { return a.DeviceName < b.DeviceName; });
  return devices;
}

TSystemInfo& SystemInfo() { return systemInfo.Get(); }

TSystemInfo* SetSystemInfo(TSystemInfo* Info) { return systemInfo.Install(Info); }

}  // namespace rv
