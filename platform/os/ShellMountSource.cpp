#include "platform/os/ShellMountSource.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/rtl/FileHandle.h"
#include "platform/rtl/OSError.h"

namespace RV_API rv {

namespace {

std::string unescape(std::string_view Field) {
  std::string out;
  out.reserve(Field.size());
  for (std::size_t i = 0; i < Field.size(); ++i) {
    const auto octal = [&](std::size_t at) { return at < Field.size() && Field[at] >= '0' && Field[at] <= '7'; };
    if (Field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
      out += static_cast<char>(((Field[i + 1] - '0') << 6) | ((Field[i + 2] - '0') << 3) | (Field[i + 3] - '0'));
      i += 3;
    } else {
      out += Field[i];
    }
  }
  return out;
}

bool desktopMount(const std::string& Point) {
  return Point.rfind("/media/", 0) == 0 || Point.rfind("/run/media/", 0) == 0;
}

std::string readWhole(int Fd) {
  std::string text;
  char buffer[8192];
  for (off_t at = 0;;) {
    const ssize_t n = pread(Fd, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return text;
    text.append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
}

class TShellMountSource : public TShellSource {
 public:
  explicit TShellMountSource(const std::string& MountInfo) : FFd(open(MountInfo.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (!FFd) RaiseLastOSError();
    FMounts = ParseMountInfo(readWhole(FFd.Get()));
  }

  int Fd() const override { return FFd.Get(); }
  bool WaitsForPriority() const override { return true; }

  void Read(const TShellEmit& Emit) override {
    // Reading the table again is what clears the kernel's signal.
    std::map<long, std::string> now = ParseMountInfo(readWhole(FFd.Get()));
    for (const auto& [id, point] : FMounts)
      if (!now.count(id)) Emit({SHCNE_DRIVEREMOVED, TShellItem::Of(point), {}});
    for (const auto& [id, point] : now) {
      if (FMounts.count(id)) continue;
      Emit({SHCNE_DRIVEADD, TShellItem::Of(point), {}});
      if (desktopMount(point)) Emit({SHCNE_DRIVEADDGUI, TShellItem::Of(point), {}});
    }
    FMounts = std::move(now);
  }

 private:
  TFileHandle FFd;
  std::map<long, std::string> FMounts;
};

}  // namespace

std::map<long, std::string> ParseMountInfo(std::string_view Text) {
  // A line: mount id, parent id, major:minor, root, mount point, ...
  std::map<long, std::string> mounts;
  while (!Text.empty()) {
    const std::size_t end = Text.find('\n');
    std::string_view line = Text.substr(0, end);
    Text = end == std::string_view::npos ? std::string_view() : Text.substr(end + 1);
    std::string_view fields[5];
    int count = 0;
    while (count < 5 && !line.empty()) {
      const std::size_t space = line.find(' ');
      fields[count++] = line.substr(0, space);
      line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    }
    if (count < 5 || fields[0].empty() || fields[0].size() > 12 || fields[4].empty()) continue;
    long id = 0;
    bool digits = true;
    for (char c : fields[0]) {
      if (c < '0' || c > '9') digits = false;
      id = id * 10 + (c - '0');
    }
    if (digits) mounts[id] = unescape(fields[4]);
  }
  return mounts;
}

std::unique_ptr<TShellSource> OpenShellMountSource(const std::string& MountInfo) {
  return std::make_unique<TShellMountSource>(MountInfo);
}

}  // namespace rv
