#include "platform/os/EventLogForward.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "platform/os/EventLogRecord.h"
#include "platform/rtl/FileHandle.h"

namespace RV_API rv {

namespace {

constexpr const char* kJournalSocket = "/run/systemd/journal/socket";
constexpr const char* kSyslogSocket = "/dev/log";

int Priority(std::uint16_t EventType) {
  switch (EventType) {
    case EVENTLOG_ERROR_TYPE:
    case EVENTLOG_AUDIT_FAILURE: return 3;
    case EVENTLOG_WARNING_TYPE: return 4;
    default: return 6;
  }
}

bool SendTo(const char* Path, const std::string& Datagram) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, Path, sizeof address.sun_path - 1);
  TFileHandle socketFd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!socketFd) return false;
  return sendto(socketFd.Get(), Datagram.data(), Datagram.size(), MSG_NOSIGNAL,
                reinterpret_cast<const sockaddr*>(&address), sizeof address) >= 0;
}

// The journal's native form; the message goes in its binary field form so
// that line breaks in it survive.
std::string JournalDatagram(const std::string& Source, std::uint16_t EventType, const std::string& Text) {
  std::string out = "PRIORITY=" + std::to_string(Priority(EventType)) + "\n";
  std::string identifier = Source;
  for (char& c : identifier)
    if (c == '\n') c = ' ';
  out += "SYSLOG_IDENTIFIER=" + identifier + "\nMESSAGE\n";
  const std::uint64_t size = Text.size();
  for (int i = 0; i < 8; ++i) out += static_cast<char>(size >> (8 * i) & 0xFF);
  out += Text + "\n";
  return out;
}

}  // namespace

void ForwardToSystemLog(const std::string& Source, std::uint16_t EventType, const std::string& Text) {
  if (access(kJournalSocket, W_OK) == 0 && SendTo(kJournalSocket, JournalDatagram(Source, EventType, Text))) return;
  if (access(kSyslogSocket, W_OK) == 0)
    SendTo(kSyslogSocket, "<" + std::to_string(8 + Priority(EventType)) + ">" + Source + ": " + Text);
}

}  // namespace rv
