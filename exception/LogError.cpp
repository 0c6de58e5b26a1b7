#include "exception/LogError.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "core/LogCnst.h"
#include "exception/LogDlg.h"
#include "exception/QVMapFile.h"
#include "platform/classes/Published.h"
#include "platform/forms/Application.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Utf16.h"

namespace RV_API rv {

namespace {

// The standard description is taken into a buffer of 1024 characters.
constexpr std::size_t kDescriptionLimit = 1023;
constexpr int kStockErrorIcon = 32513;
// How long a crash's last record waits for another thread's write.
constexpr std::chrono::milliseconds kLastChanceLockWait{2000};

const TQVExceptionStandards kAllStandard = TQVExceptionStandards::FromBits((1u << 30) - 1);
const TQVExceptionClasses kAllClasses = TQVExceptionClasses::FromBits((1u << 18) - 1);
const TQVExceptionGraphics kAllGraphics{efInvalidGraphic, efInvalidGraphicOperation};
const TQVLFormats kDefaultFormats{lfDate,      lfTime,        lfPhysAddress,   lfMessage,
                                  lfSeparator, lfApplication, lfActiveControl, lfComputerInfo};
const TQVLAOptions kDefaultOptions{laShowSendEMail, laShowSupportLink};

template <class E>
bool isA(const Exception& e) {
  return dynamic_cast<const E*>(&e) != nullptr;
}

// The 50 filtered classes in their fixed order: the first one E is an
// instance of decides, so a class is decided by its earliest listed base.
struct FilterEntry {
  bool (*Matches)(const Exception&);
  int Group;  // 0 FilterStandard, 1 FilterClasses, 2 FilterGraphics
  int Member;
};

#define RV_FILTER(Group, Name) \
  { &isA<E##Name>, Group, ef##Name }
const FilterEntry kFilters[] = {
    RV_FILTER(0, Abort),
    RV_FILTER(0, OutOfMemory),
    RV_FILTER(0, InOutError),
    RV_FILTER(0, IntError),
    RV_FILTER(0, DivByZero),
    RV_FILTER(0, RangeError),
    RV_FILTER(0, IntOverflow),
    RV_FILTER(0, MathError),
    RV_FILTER(0, InvalidOp),
    RV_FILTER(0, ZeroDivide),
    RV_FILTER(0, Overflow),
    RV_FILTER(0, Underflow),
    RV_FILTER(0, InvalidPointer),
    RV_FILTER(0, InvalidCast),
    RV_FILTER(0, ConvertError),
    RV_FILTER(0, AccessViolation),
    RV_FILTER(0, Privilege),
    RV_FILTER(0, StackOverflow),
    RV_FILTER(0, ControlC),
    RV_FILTER(0, VariantError),
    RV_FILTER(0, PropReadOnly),
    RV_FILTER(0, PropWriteOnly),
    RV_FILTER(0, ExternalException),
    RV_FILTER(0, AssertionFailed),
    RV_FILTER(0, AbstractError),
    RV_FILTER(0, IntfCastError),
    RV_FILTER(0, InvalidContainer),
    RV_FILTER(0, InvalidInsert),
    RV_FILTER(0, PackageError),
    RV_FILTER(0, Win32Error),
    RV_FILTER(1, StreamError),
    RV_FILTER(1, FCreateError),
    RV_FILTER(1, FOpenError),
    RV_FILTER(1, FilerError),
    RV_FILTER(1, ReadError),
    RV_FILTER(1, WriteError),
    RV_FILTER(1, ClassNotFound),
    RV_FILTER(1, MethodNotFound),
    RV_FILTER(1, InvalidImage),
    RV_FILTER(1, ResNotFound),
    RV_FILTER(1, ListError),
    RV_FILTER(1, BitsError),
    RV_FILTER(1, StringListError),
    RV_FILTER(1, ComponentError),
    RV_FILTER(1, ParserError),
    RV_FILTER(1, OutOfResources),
    RV_FILTER(1, InvalidOperation),
    RV_FILTER(1, Thread),
    RV_FILTER(2, InvalidGraphic),
    RV_FILTER(2, InvalidGraphicOperation),
};
#undef RV_FILTER

// Takes LogLock unless another thread keeps it longer than Wait (a crashed
// writer never lets it go).
bool tryLockFor(std::unique_lock<TCriticalSection>& lock, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (!lock.try_lock()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace

const TClass& TQVExceptionLog::StaticClass() {
  static const TClass cls =
      TClassBuilder<TQVExceptionLog>("TQVExceptionLog")
          .Property("ErrorDialog", &TQVExceptionLog::ErrorDialog, &TQVExceptionLog::SetErrorDialog, edExtended)
          .Property("FilterStandard", &TQVExceptionLog::FilterStandard, &TQVExceptionLog::SetFilterStandard,
                    kAllStandard)
          .Property("FilterClasses", &TQVExceptionLog::FilterClasses, &TQVExceptionLog::SetFilterClasses, kAllClasses)
          .Property("FilterGraphics", &TQVExceptionLog::FilterGraphics, &TQVExceptionLog::SetFilterGraphics,
                    kAllGraphics)
          .Property("Formats", &TQVExceptionLog::Formats, &TQVExceptionLog::SetFormats, kDefaultFormats)
          .Property("Options", &TQVExceptionLog::Options, &TQVExceptionLog::SetOptions, kDefaultOptions)
          .Property("OnException", &TQVExceptionLog::OnException, &TQVExceptionLog::SetOnException)
          .Property("OnSaveException", &TQVExceptionLog::OnSaveException, &TQVExceptionLog::SetOnSaveException)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVExceptionLog)

TQVExceptionLog::TQVExceptionLog(TComponent* AOwner)
    : TQVLogBase(AOwner),
      FFilterStandard(kAllStandard),
      FFilterClasses(kAllClasses),
      FFilterGraphics(kAllGraphics),
      FFormats(kDefaultFormats),
      FOptions(kDefaultOptions),
      FMapFile(std::make_unique<TQVMapFile>()) {
  FMapFile->SetMapFileName(ChangeFileExt(Application->ExeName(), ".map"));
  FReport = std::make_unique<TQVSystemReport>(*this, *FMapFile);
  if (ComponentState().Contains(csDesigning)) return;
  FExceptionTakeover.TakeOver(Application->OnExceptionSlot(), TExceptionEvent(this, &TQVExceptionLog::DoException));
  FFaultHandling = std::make_unique<TFaultHandling>(static_cast<TLastChanceReceiver&>(*this));
}

// The takeover lets go of the application's handler with the component.
TQVExceptionLog::~TQVExceptionLog() = default;

void TQVExceptionLog::SetFormats(TQVLFormats Value) {
  FFormats = Value;
  const bool wanted = FExceptionTakeover.Holding() && FFormats.Contains(lfCallStack);
  if (!wanted)
    FCallStackRequest.reset();
  else if (!FCallStackRequest)
    FCallStackRequest = std::make_unique<TCallStackRequest>();
}

bool TQVExceptionLog::PassesFilter(const Exception& E) const {
  for (const FilterEntry& f : kFilters) {
    if (!f.Matches(E)) continue;
    switch (f.Group) {
      case 0: return FFilterStandard.Contains(static_cast<TQVExceptionStandard>(f.Member));
      case 1: return FFilterClasses.Contains(static_cast<TQVExceptionClass>(f.Member));
      default: return FFilterGraphics.Contains(static_cast<TQVExceptionGraphic>(f.Member));
    }
  }
  return true;  // a class outside the 50 is always reported
}

void TQVExceptionLog::DoException(TObject* Sender, Exception* E) {
  if (FBusy) {
    Application->ShowException(E);
    return;
  }
  // Cleared on every path out, also when a handler, the map reader or the
  // write raises: otherwise every later exception would get only the
  // standard box.
  TemporaryChange busy(FBusy, true);
  if (const TExceptionEvent& previous = FExceptionTakeover.Previous()) previous(Sender, E);
  if (FOnException) FOnException(Sender, E);
  if (!Active() || !PassesFilter(*E)) {
    Application->ShowException(E);
    return;
  }
  if (FOptions.Contains(laShowSourceLine) || FFormats.Contains(lfSourceLine)) FReport->LoadSourcePosition(nullptr);
  if (!LogFile().empty()) {
    std::string text = ComposeRecord(*E);
    bool accept = true;
    if (FOnSaveException) FOnSaveException(Sender, E, text, accept);
    if (accept) WriteAsString(sQVLTagError, text);
  }
  switch (FErrorDialog) {
    case edNone: break;
    case edStandard: Application->ShowException(E); break;
    case edExtended: ShowExtendedDialog(E); break;
  }
}

std::string TQVExceptionLog::ComposeRecord(const Exception& E) const {
  const std::string description = Utf16Truncate(ExceptionErrorMessage(E, ExceptAddr()), kDescriptionLimit);
  const bool xml = Formatting() == qvlfXML;
  std::string text;
  auto element = [&](const char* tag, const std::string& value) {
    if (xml)
      text.append("\r\n    <").append(tag).append(">").append(value).append("</").append(tag).append(">");
    else
      text.append("\r\n").append(value).append(" ");
  };
  for (int f = lfDate; f <= lfCallStack; ++f) {
    const auto member = static_cast<TQVLFormat>(f);
    if (!FFormats.Contains(member)) continue;
    switch (member) {
      case lfDate: element("DATE", FormatDateTime("c", Date())); break;
      case lfTime: element("TIME", FormatDateTime("tt", Time())); break;
      case lfPhysAddress: element("ADDRESS", Format("Phys.addr: %p", ExceptAddr())); break;
      case lfExceptionClassName: element("CLASSNAME", "Classname: " + E.ClassName()); break;
      case lfMessage: element("MESSAGE", "Message: " + description); break;
      case lfSeparator: break;
      case lfSourceLine: element("LINE", GetFormattedSource()); break;
      case lfApplication: element("APPLICATION", GetApplicationDetails()); break;
      case lfActiveControl: element("CONTROL", GetActiveControlDetails()); break;
      case lfComputerInfo: element("MACHINE", GetComputerInfo()); break;
      case lfOSInfo: element("OS", GetOSInfo()); break;
      case lfCPUInfo: element("CPU", GetCPUInfo(false)); break;
      case lfMemoryInfo: element("MEMORY", GetMemoryInfo()); break;
      case lfVideoCard: element("VIDEO", GetVideoCardInfo()); break;
      case lfCallStack: element("CALLSTACK", GetCallStack()); break;
    }
  }
  if (!xml) {
    if (FFormats.Contains(lfSeparator)) text.append("\r\n").append(sQVLFrameLine);
    text.append("\r\n");
  }
  return text;
}

void TQVExceptionLog::LastChance() noexcept {
  try {
    const Exception* E = ExceptObject();
    if (!E || !Active() || LogFile().empty() || !PassesFilter(*E)) return;
    if (FFormats.Contains(lfSourceLine)) FReport->LoadSourcePosition(nullptr);
    const std::string text = ComposeRecord(*E);
    // Callbacks are not called: the program is in no state to run them.
    std::unique_lock<TCriticalSection> lock(LogLock(), std::defer_lock);
    if (tryLockFor(lock, kLastChanceLockWait)) WriteAsString(sQVLTagError, text);
  } catch (...) {
    // The process ends whether or not the record could be written.
  }
}

void TQVExceptionLog::ShowExtendedDialog(Exception* E) {
  // Without a user to answer it the dialog would wait for ever: the
  // standard display (standard error, headless) serves instead.
  if (!WidgetSet()->Interactive()) {
    Application->ShowException(E);
    return;
  }
  std::unique_ptr<TfrmVEVirErrorDialog> dialog(new TfrmVEVirErrorDialog(this));
  TfrmVEVirErrorDialog& d = *dialog;
  const TQVLSendTo& sendTo = *SendTo();
  d.Icon()->LoadStockIcon(kStockErrorIcon);
  d.imgError->Picture()->Assign(d.Icon());
  d.SetCaption("Error");
  d.btnClose->SetCaption("&Close");
  d.lblHeader->SetCaption(
      "A crash has been detected\r\n\r\nTo help the development process, this program will try and gather the "
      "information about the crash, andthe state of your machine at the time of the crash. This data can then be "
      "sent to product support or saved to a file.");
  d.gbExceptionReason->SetCaption(" Exception Reason ");
  if (FOptions.Contains(laShowSupportLink) && !sendTo.WWW().empty()) {
    d.lblProductSite->SetCaption(sendTo.WWW());
    d.lblProductSite->SetHint("Support homepage");
  }
  d.SetOnActivateWeb(TNotifyEvent(this, &TQVExceptionLog::ActiveWeb));
  d.SetOnActivateMail(TQVOnActivateMail(this, &TQVExceptionLog::ActivateMail));
  if (FOptions.Contains(laShowSendEMail)) {
    d.btnEmail->SetCaption("Email to author");
    d.btnEmail->SetVisible(sendTo.Options().Contains(doEmail));
    if (sendTo.Options().Contains(doScreenshot)) {
      d.cbAttachScreenshot->SetCaption("to attach screenshot");
      d.cbAttachScreenshot->SetVisible(true);
      d.SetClientHeight(d.ClientHeight() + d.cbAttachScreenshot->Height() + 5);
    }
  }
  if (sendTo.Options().Contains(doWeb) && FOptions.Contains(laShowSupportLink)) {
    d.btnGoWEB->SetCaption("Support homepage");
    d.btnGoWEB->SetVisible(true);
    if (!FOptions.Contains(laShowSendEMail)) d.btnGoWEB->SetLeft(d.btnEmail->Left());
  }
  std::string text = E->Message();
  if (FOptions.Contains(laShowSourceLine)) text += GetFormattedSource();
  d.lblErrorText->Lines()->SetText(text);
  d.ShowModal();
}

void TQVExceptionLog::ActivateMail(TObject* /*Sender*/, bool IncludeScreenshot) {
  TQVLSendTo& sendTo = *SendTo();
  // Put back on every path, also when the mail raises.
  TScopeExit restore([&sendTo, saved = sendTo.AttachScreenShot()] { sendTo.SetAttachScreenShot(saved); });
  sendTo.SetAttachScreenShot(IncludeScreenshot);
  SendLogByMail();
}

void TQVExceptionLog::ActiveWeb(TObject* /*Sender*/) { SendLogByWWW(); }

}  // namespace rv
