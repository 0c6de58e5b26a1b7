#pragma once
// Message files of event sources, kept as text tables:
//
//   ; a comment (outside a message)
//   MessageId=0x40000001      (decimal or 0x hex: the full 32-bit identifier)
//   Language=English          (other header lines are ignored)
//   Text of the message, %1 and %2 being insertion strings.
//   .
//
// Each text line of a message ends in CR LF, as the classic message compiler
// leaves them; a line holding only "." closes the message.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Export.h"

namespace RV_API rv {

class TMessageTable {
 public:
  // Lines it can't make sense of are skipped; never fails.
  static TMessageTable Parse(std::string_view Text);
  // nullopt when the file can't be read (or is larger than 16 MiB).
  static std::optional<TMessageTable> Load(const std::string& FileName);

  const std::string* Find(std::uint32_t MessageId) const;
  std::size_t Count() const { return FMessages.size(); }

 private:
  std::map<std::uint32_t, std::string> FMessages;
};

// Message files loaded before, kept while the file stays the same (its
// inode, size and change time), so a text of a known file costs one stat.
class TMessageFileCache {
 public:
  // nullptr when the file can't be loaded.
  std::shared_ptr<const TMessageTable> Load(const std::string& FileName);

 private:
  struct TEntry {
    std::uint64_t Inode = 0;
    std::int64_t Size = -1;
    std::int64_t ChangeTime = 0;
    std::shared_ptr<const TMessageTable> Table;
  };
  std::map<std::string, TEntry> FEntries;
};

// Replaces %1..%99 by the insertion strings (a missing one stays as
// written), %n by CR LF, %r by CR, %t by a tab, %% by %, "% " "%." "%!" by
// the character, and ends the text at %0.
std::string FormatMessageText(std::string_view Template, const std::vector<std::string>& Inserts);

// Replaces each %NAME% of a defined environment variable by its value;
// undefined names stay as written.
std::string ExpandEnvironmentStrings(std::string_view Text);

}  // namespace rv
