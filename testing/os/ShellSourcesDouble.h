#pragma once
// A double of the shell's change sources: it records what was opened and
// lets a test report changes and session-end queries, which the caller's
// loop then reads through ordinary descriptors (eventfds). Install it with
// a TServiceScope over SetShellSources.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/os/ShellChange.h"
#include "platform/rtl/FileHandle.h"

namespace rv {

class TShellSourcesDouble : public TShellSources {
 public:
  struct TOpening {
    std::string Path;
    bool SubTree = false;
    std::int32_t Events = 0;
  };

  TShellSourcesDouble();
  ~TShellSourcesDouble() override;

  std::vector<std::unique_ptr<TShellSource>> Open(const std::string& Path, bool SubTree, std::int32_t Events) override;
  std::vector<std::unique_ptr<TSessionEndSource>> OpenSessionEnd() override;

  // Every Open so far, in order.
  const std::vector<TOpening>& Openings() const { return FOpenings; }
  // Sources opened and not yet destroyed.
  int OpenSources() const { return FOpenCount; }
  // Reports a change through every open source (readable at once).
  void Report(const TShellChange& Change);
  // The session manager asks every open session-end source; the number of
  // sources asked.
  int QueryEndSession();
  // How many queries were answered "may end".
  int EndSessionAnswers() const { return FAnswers; }
  // The session managers' connections end: each session-end source stays
  // readable and says so on its next read.
  void EndSessionConnections();
  // How often session-end sources were read.
  int SessionReads() const { return FSessionReads; }
  // The next Count calls of Open raise EOSError, as when nothing can be
  // watched.
  void FailOpens(int Count) { FFailures = Count; }

 private:
  class TSource;
  class TSessionSource;
  friend class TSource;
  friend class TSessionSource;

  std::vector<TOpening> FOpenings;
  std::vector<TSource*> FSources;
  std::vector<TSessionSource*> FSessions;
  int FOpenCount = 0;
  int FAnswers = 0;
  int FFailures = 0;
  int FSessionReads = 0;
};

}  // namespace rv
