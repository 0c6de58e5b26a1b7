#pragma once
// Unit LogError: the exception log. TQVExceptionLog catches the
// application's unhandled exceptions, filters them by class, writes an
// exception record and shows nothing, the standard error box or the extended
// dialog. TQVSystemReport composes the sections with which a record
// describes the application and the machine.

#include <cstdint>
#include <memory>
#include <string>

#include "core/LogBase.h"
#include "platform/classes/EventSlot.h"
#include "platform/classes/Events.h"
#include "platform/os/Symbolizer.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/Faults.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

class TQVMapFile;

RV_ENUM(TQVLErrorDialog, std::uint8_t, edNone, edStandard, edExtended)
RV_ENUM(TQVLAOption, std::uint8_t, laShowSendEMail, laShowSupportLink, laShowSourceLine)
using TQVLAOptions = Set<TQVLAOption, std::uint8_t>;
RV_ENUM(TQVLFormat, std::uint8_t, lfDate, lfTime, lfPhysAddress, lfExceptionClassName, lfMessage, lfSeparator,
        lfSourceLine, lfApplication, lfActiveControl, lfComputerInfo, lfOSInfo, lfCPUInfo, lfMemoryInfo, lfVideoCard,
        lfCallStack)
using TQVLFormats = Set<TQVLFormat, std::uint16_t>;

// The filters: each member stands for the framework class of its name with
// "ef" replaced by "E" (efDivByZero for EDivByZero).
RV_ENUM(TQVExceptionStandard, std::uint8_t, efAbort, efOutOfMemory, efInOutError, efIntError, efDivByZero, efRangeError,
        efIntOverflow, efMathError, efInvalidOp, efZeroDivide, efOverflow, efUnderflow, efInvalidPointer, efInvalidCast,
        efConvertError, efAccessViolation, efPrivilege, efStackOverflow, efControlC, efVariantError, efPropReadOnly,
        efPropWriteOnly, efExternalException, efAssertionFailed, efAbstractError, efIntfCastError, efInvalidContainer,
        efInvalidInsert, efPackageError, efWin32Error)
using TQVExceptionStandards = Set<TQVExceptionStandard, std::uint32_t>;
RV_ENUM(TQVExceptionClass, std::uint8_t, efStreamError, efFCreateError, efFOpenError, efFilerError, efReadError,
        efWriteError, efClassNotFound, efMethodNotFound, efInvalidImage, efResNotFound, efListError, efBitsError,
        efStringListError, efComponentError, efParserError, efOutOfResources, efInvalidOperation, efThread)
using TQVExceptionClasses = Set<TQVExceptionClass, std::uint32_t>;
RV_ENUM(TQVExceptionGraphic, std::uint8_t, efInvalidGraphic, efInvalidGraphicOperation)
using TQVExceptionGraphics = Set<TQVExceptionGraphic, std::uint8_t>;

// The record composed for E may be replaced (LogText) or not written at all
// (Accept false).
using TQVLSaveExceptionEvent = Closure<void(TObject* Sender, Exception* E, std::string& LogText, bool& Accept)>;

// The report sections of the exception log component, which owns one and
// forwards its Get... operations to it. In the text form a section starts
// with the frame line; the XML form leaves it out. The sections read the
// system through SystemInfo().
class TQVSystemReport {
 public:
  // Log gives the form (Formatting), MapFile the source position of its last
  // lookup; both outlive the report.
  TQVSystemReport(const TQVLogBase& Log, TQVMapFile& MapFile);
  ~TQVSystemReport();

  // Looks Address up (null: the exception being handled) in the map file
  // and, when the map names nothing there (no map, a position-independent
  // program, code of a shared library), in the debug information of the
  // code holding it.
  void LoadSourcePosition(const void* Address);
  // The unit, procedure and line the last lookup found, each when known,
  // after a line break; empty before any lookup. Never framed.
  std::string GetFormattedSource() const;
  // The call stack of the exception being handled, innermost frame first,
  // one line per frame after a line break each: the address, the module,
  // and unit, procedure and line as far as they are known. Never framed.
  std::string GetCallStack();

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
  // The map's lookup of Address, or the debug information's when the map
  // names nothing there.
  TCodePosition Locate(const void* Address);

  const TQVLogBase& FLog;
  TQVMapFile& FMapFile;
  std::unique_ptr<TSymbolizer> FSymbolizer;
  // What the debug information gave for the last lookup the map couldn't
  // answer; nothing while the map's answer stands.
  TCodePosition FFallbackSource;
};

// Besides the application's exception handler, an exception log that is not
// being designed takes the hardware faults (TFaultHandling) and writes the
// record of a crash that ends the process (LastChance).
class TQVExceptionLog : public TQVLogBase, private TLastChanceReceiver {
  RV_CLASS(TQVExceptionLog, TQVLogBase)
 public:
  // Unless created in the designer, installs DoException as the
  // application's exception handler, keeping the one it found to call first.
  explicit TQVExceptionLog(TComponent* AOwner);
  // Puts back the handler it found when the application's handler is still
  // its own; components installed later that call this one call the one it
  // found from then on.
  ~TQVExceptionLog() override;

  TQVLErrorDialog ErrorDialog() const { return FErrorDialog; }
  void SetErrorDialog(TQVLErrorDialog Value) { FErrorDialog = Value; }
  TQVExceptionStandards FilterStandard() const { return FFilterStandard; }
  void SetFilterStandard(TQVExceptionStandards Value) { FFilterStandard = Value; }
  TQVExceptionClasses FilterClasses() const { return FFilterClasses; }
  void SetFilterClasses(TQVExceptionClasses Value) { FFilterClasses = Value; }
  TQVExceptionGraphics FilterGraphics() const { return FFilterGraphics; }
  void SetFilterGraphics(TQVExceptionGraphics Value) { FFilterGraphics = Value; }
  TQVLFormats Formats() const { return FFormats; }
  // With lfCallStack every throw records its call stack from then on.
  void SetFormats(TQVLFormats Value);
  TQVLAOptions Options() const { return FOptions; }
  void SetOptions(TQVLAOptions Value) { FOptions = Value; }
  const TExceptionEvent& OnException() const { return FOnException; }
  void SetOnException(TExceptionEvent Value) { FOnException = std::move(Value); }
  const TQVLSaveExceptionEvent& OnSaveException() const { return FOnSaveException; }
  void SetOnSaveException(TQVLSaveExceptionEvent Value) { FOnSaveException = std::move(Value); }

  // The application's exception handler: calls the handler found at
  // construction and OnException, then, when active and E passes the
  // filters, writes the record (tag "ERROR") and answers with ErrorDialog.
  // An exception arriving while one is processed only gets the standard
  // error box.
  void DoException(TObject* Sender, Exception* E);
  // The extended dialog's mail button: mails the log with or without a
  // screenshot, leaving SendTo.AttachScreenShot as it was.
  void ActivateMail(TObject* Sender, bool IncludeScreenshot);
  // The extended dialog's web button and link: opens SendTo.WWW.
  void ActiveWeb(TObject* Sender);

  // The report sections (see TQVSystemReport).
  std::string GetFormattedSource() const { return FReport->GetFormattedSource(); }
  std::string GetApplicationDetails() const { return FReport->GetApplicationDetails(); }
  std::string GetActiveControlDetails() const { return FReport->GetActiveControlDetails(); }
  std::string GetComputerInfo() const { return FReport->GetComputerInfo(); }
  std::string GetOSInfo() const { return FReport->GetOSInfo(); }
  std::string GetCPUInfo(bool MeasureSpeed) const { return FReport->GetCPUInfo(MeasureSpeed); }
  std::string GetMemoryInfo() const { return FReport->GetMemoryInfo(); }
  std::string GetVideoCardInfo() const { return FReport->GetVideoCardInfo(); }
  std::string GetCallStack() const { return FReport->GetCallStack(); }

  // The record text for E in the component's form, as written by
  // DoException (before OnSaveException).
  std::string ComposeRecord(const Exception& E) const;

 private:
  void LastChance() noexcept override;
  bool PassesFilter(const Exception& E) const;
  void ShowExtendedDialog(Exception* E);

  TQVLErrorDialog FErrorDialog = edExtended;
  TQVExceptionStandards FFilterStandard;
  TQVExceptionClasses FFilterClasses;
  TQVExceptionGraphics FFilterGraphics;
  TQVLFormats FFormats;
  TQVLAOptions FOptions;
  TExceptionEvent FOnException;
  TQVLSaveExceptionEvent FOnSaveException;

  // Set while DoException processes an exception: a re-entrancy mark of the
  // GUI thread, not a lock.
  bool FBusy = false;
  // The application's exception handler, held from construction on.
  TEventTakeover<TExceptionEvent> FExceptionTakeover;
  std::unique_ptr<TQVMapFile> FMapFile;
  std::unique_ptr<TQVSystemReport> FReport;
  // Held while lfCallStack is in Formats (not in the designer).
  std::unique_ptr<TCallStackRequest> FCallStackRequest;
  // Declared last: let go first, before anything a last record would use.
  std::unique_ptr<TFaultHandling> FFaultHandling;
};

}  // namespace rv
