#include "platform/os/ShellMediaSource.h"

#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "platform/rtl/OSError.h"

namespace RV_API rv {

namespace {

constexpr unsigned kKernelGroup = 1;  // udevd's own messages go to group 2

bool hasSize(const std::string& SysBlock, const std::string& Name) {
  // A name that could climb out of the folder is no device of ours.
  if (Name.empty() || Name.find("..") != std::string::npos) return false;
  std::ifstream in(SysBlock + "/" + Name.substr(Name.find_last_of('/') + 1) + "/size");
  unsigned long long sectors = 0;
  return static_cast<bool>(in >> sectors) && sectors > 0;
}

class TShellMediaSource : public TShellSource {
 public:
  TShellMediaSource(TFileHandle Socket, std::string SysBlock)
      : FSocket(std::move(Socket)), FSysBlock(std::move(SysBlock)) {}

  int Fd() const override { return FSocket.Get(); }

  void Read(const TShellEmit& Emit) override {
    char buffer[8192];
    for (;;) {
      sockaddr_nl sender{};
      iovec io{buffer, sizeof buffer};
      msghdr msg{};
      msg.msg_name = &sender;
      msg.msg_namelen = sizeof sender;
      msg.msg_iov = &io;
      msg.msg_iovlen = 1;
      const ssize_t n = recvmsg(FSocket.Get(), &msg, MSG_DONTWAIT);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      // Over netlink only the kernel (port 0) is believed.
      if (msg.msg_namelen == sizeof sender && sender.nl_family == AF_NETLINK && sender.nl_pid != 0) continue;
      if (msg.msg_flags & MSG_TRUNC) continue;
      const auto event = ParseUevent(std::string_view(buffer, static_cast<std::size_t>(n)));
      if (!event || event->Subsystem != "block" || event->DevName.empty()) continue;
      const std::string node = "/dev/" + event->DevName;
      if (event->Action == "add")
        Emit({SHCNE_MEDIAINSERTED, TShellItem::Of(node), {}});
      else if (event->Action == "remove")
        Emit({SHCNE_MEDIAREMOVED, TShellItem::Of(node), {}});
      else if (event->Action == "change" && event->MediaChange)
        Emit({hasSize(FSysBlock, event->DevName) ? SHCNE_MEDIAINSERTED : SHCNE_MEDIAREMOVED, TShellItem::Of(node), {}});
    }
  }

 private:
  TFileHandle FSocket;
  std::string FSysBlock;
};

}  // namespace

std::optional<TUevent> ParseUevent(std::string_view Message) {
  const std::size_t headerEnd = Message.find('\0');
  const std::string_view header = Message.substr(0, headerEnd);
  if (header.find('@') == std::string_view::npos || header.rfind("libudev", 0) == 0) return std::nullopt;
  TUevent event;
  std::string_view rest = headerEnd == std::string_view::npos ? std::string_view() : Message.substr(headerEnd + 1);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\0');
    const std::string_view field = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    const std::size_t eq = field.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = field.substr(0, eq), value = field.substr(eq + 1);
    if (key == "ACTION")
      event.Action = value;
    else if (key == "SUBSYSTEM")
      event.Subsystem = value;
    else if (key == "DEVNAME")
      event.DevName = value;
    else if (key == "DISK_MEDIA_CHANGE")
      event.MediaChange = value == "1";
  }
  // The header names the action too; the fields are what counts.
  if (event.Action.empty()) return std::nullopt;
  return event;
}

std::unique_ptr<TShellSource> OpenShellMediaSource() {
  TFileHandle socket(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT));
  if (!socket) RaiseLastOSError();
  sockaddr_nl address{};
  address.nl_family = AF_NETLINK;
  address.nl_groups = kKernelGroup;
  if (bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) < 0) RaiseLastOSError();
  return OpenShellMediaSource(std::move(socket), "/sys/class/block");
}

std::unique_ptr<TShellSource> OpenShellMediaSource(TFileHandle Socket, const std::string& SysBlock) {
  return std::make_unique<TShellMediaSource>(std::move(Socket), SysBlock);
}

}  // namespace rv
