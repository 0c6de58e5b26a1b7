#pragma once
// Unit LogError: the exception log. TQVSystemReport composes the sections
// with which an exception record describes the application and the machine.

#include <string>

#include "core/LogBase.h"

namespace rv {

class TQVMapFile;

// The report sections of the exception log component, which owns one and
// forwards its Get... operations to it. In the text form a section starts
// with the frame line; the XML form leaves it out. The sections read the
// system through SystemInfo().
class TQVSystemReport {
 public:
  // Log gives the form (Formatting), MapFile the source position of its last
  // lookup; both outlive the report.
  TQVSystemReport(const TQVLogBase& Log, const TQVMapFile& MapFile);

  // The unit, procedure and line the map file reader found, each when known,
  // after a line break; empty before any lookup. Never framed.
  std::string GetFormattedSource() const;

  // The executable, the application's title and the program's parameters.
  std::string GetApplicationDetails() const;
  // The screen's active form (its name and the active custom form's caption)
  // and active control; empty when there is neither.
  std::string GetActiveControlDetails() const;
  // The computer's network name and the user; never empty.
  std::string GetComputerInfo() const;
  // The system's name and "(build <kernel release>)"; empty when neither is
  // known.
  std::string GetOSInfo() const;
  // The processor level's name; with MeasureSpeed also its clock in MHz,
  // which blocks for about half a second.
  std::string GetCPUInfo(bool MeasureSpeed) const;
  std::string GetMemoryInfo() const;
  // One line per connected display; empty on a headless machine.
  std::string GetVideoCardInfo() const;

 private:
  // The frame line in the text form, else "".
  std::string Frame() const;
  // Frame() in front of a non-empty result.
  std::string Framed(std::string Items) const;

  const TQVLogBase& FLog;
  const TQVMapFile& FMapFile;
};

}  // namespace rv
