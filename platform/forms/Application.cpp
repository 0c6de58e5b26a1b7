#include "platform/forms/Application.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/classes/Published.h"
#include "platform/classes/Thread.h"
#include "platform/forms/EventLoop.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Program.h"
#include "platform/rtl/ScopeGuard.h"

namespace RV_API rv {

TApplication* Application = nullptr;

namespace {

std::uint32_t tickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

TMsgDlgType dialogTypeOf(std::uint32_t flags) {
  switch (flags & 0xF0u) {
    case MB_ICONERROR: return mtError;
    case MB_ICONQUESTION: return mtConfirmation;
    case MB_ICONWARNING: return mtWarning;
    case MB_ICONINFORMATION: return mtInformation;
    default: return mtCustom;
  }
}

TMsgDlgButtons buttonsOf(std::uint32_t flags) {
  switch (flags & 0x0Fu) {
    case MB_OKCANCEL: return {mbOK, mbCancel};
    case MB_ABORTRETRYIGNORE: return {mbAbort, mbRetry, mbIgnore};
    case MB_YESNOCANCEL: return {mbYes, mbNo, mbCancel};
    case MB_YESNO: return {mbYes, mbNo};
    case MB_RETRYCANCEL: return {mbRetry, mbCancel};
    default: return {mbOK};
  }
}

void writeLastResort(const char* what) noexcept { std::fprintf(stderr, "%s\n", what); }

// The application object of the process, made when the library loads. It
// takes the exceptions of queued calls that reach no one else.
struct GlobalApplication {
  GlobalApplication() {
    Application = new TApplication(nullptr);
    SetApplicationHandleException([](TObject* Sender) {
      if (Application) Application->HandleException(Sender);
    });
  }
  ~GlobalApplication() {
    SetApplicationHandleException(nullptr);
    delete Application;
    Application = nullptr;
  }
};
GlobalApplication globalApplication;

}  // namespace

const TClass& TApplication::StaticClass() {
  static const TClass cls = TClassBuilder<TApplication>("TApplication").Build();
  return cls;
}

TApplication::TApplication(TComponent* AOwner)
    : TComponent(AOwner), FTitle(ChangeFileExt(ExtractFileName(ExecutablePath()), "")) {}

std::string TApplication::ExeName() const { return ExecutablePath(); }

// ---- Triggers ----------------------------------------------------------------

void TApplication::Activate() {
  if (FActive) return;
  FActive = true;
  if (FOnActivate) FOnActivate(this);
}

void TApplication::Deactivate() {
  if (!FActive) return;
  FActive = false;
  if (FOnDeactivate) FOnDeactivate(this);
}

void TApplication::Minimize() {
  if (FMinimized) return;
  FMinimized = true;
  CurrentWidgetSet()->ApplicationMinimized(true);
  if (FOnMinimize) FOnMinimize(this);
}

void TApplication::Restore() {
  if (!FMinimized) return;
  FMinimized = false;
  CurrentWidgetSet()->ApplicationMinimized(false);
  if (FOnRestore) FOnRestore(this);
}

void TApplication::SetHint(const std::string& Value) {
  if (FHint == Value) return;
  FHint = Value;
  if (FOnHint) FOnHint(this);
}

void TApplication::DoShowHint(std::string& HintStr, bool& CanShow, THintInfo& HintInfo) {
  if (FOnShowHint) FOnShowHint(HintStr, CanShow, HintInfo);
}

bool TApplication::HelpCommand(std::uint16_t Command, std::int32_t Data) {
  // There is no help viewer to hand the command to when CallHelp stays true.
  bool CallHelp = true;
  return FOnHelp ? FOnHelp(Command, Data, CallHelp) : false;
}

bool TApplication::HelpContext(std::int32_t Context) { return HelpCommand(HELP_CONTEXT, Context); }

bool TApplication::HelpKeyword(const std::string& Keyword) {
  TemporaryChange keyword(FCurrentHelpKeyword, Keyword);
  return HelpCommand(HELP_KEY, 0);
}

bool TApplication::Idle() {
  bool Done = true;
  if (FOnIdle) RunGuarded(this, [&] { FOnIdle(this, Done); });
  return Done;
}

// ---- The main window -------------------------------------------------------------

void TApplication::HookMainWindow(TWindowHook Hook) { FHooks.push_back(std::move(Hook)); }

void TApplication::UnhookMainWindow(TWindowHook Hook) {
  auto it = std::find(FHooks.begin(), FHooks.end(), Hook);
  if (it != FHooks.end()) FHooks.erase(it);
}

void TApplication::MainWindowProc(TMessage& Message) {
  // A copy: hooks may hook or unhook while the message passes.
  std::vector<TWindowHook> hooks = FHooks;
  for (const TWindowHook& hook : hooks)
    if (hook(Message)) return;
  // The headless main window has no handling of its own.
  Message.Result = 0;
}

// ---- The message loop ----------------------------------------------------------

void TApplication::PostMessage(std::uint32_t Msg, WPARAM WParam, LPARAM LParam) {
  PostMessageTo(Handle(), Msg, WParam, LParam);
}

void TApplication::PostMessageTo(THandle Wnd, std::uint32_t Msg, WPARAM WParam, LPARAM LParam) {
  {
    std::lock_guard<std::mutex> guard(FQueueLock);
    FQueue.push_back(TMsg{Wnd, Msg, WParam, LParam, tickCount(), TPoint{}});
  }
  WakeMainThread();
}

LRESULT TApplication::SendMessage(std::uint32_t Msg, WPARAM WParam, LPARAM LParam) {
  TMessage message{Msg, WParam, LParam, 0};
  TThread::Synchronize(nullptr, [&] { MainWindowProc(message); });
  return message.Result;
}

bool TApplication::FilterInput(TMsg& Msg) {
  Msg.time = tickCount();
  bool handled = false;
  if (FOnMessage) FOnMessage(Msg, handled);
  return handled;
}

bool TApplication::ProcessMessage() {
  TMsg msg;
  {
    std::lock_guard<std::mutex> guard(FQueueLock);
    if (FQueue.empty()) return false;
    msg = FQueue.front();
    FQueue.pop_front();
  }
  const bool toMainWindow = msg.hwnd == Handle();
  if (toMainWindow && msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  // A message window released after the message was queued has gone.
  if (!toMainWindow && !FMessageWindows.Exists(msg.hwnd)) return true;
  RunGuarded(this, [&] {
    bool handled = false;
    if (FOnMessage) FOnMessage(msg, handled);
    if (handled) return;
    TMessage message{msg.message, msg.wParam, msg.lParam, 0};
    if (toMainWindow)
      MainWindowProc(message);
    else
      FMessageWindows.Dispatch(msg.hwnd, message);
  });
  return true;
}

void TApplication::ProcessMessages() {
  // Every consumer resets the wake-up before looking at the queues, so a
  // message posted meanwhile wakes the next wait.
  ResetMainThreadWake();
  CheckSynchronize();
  EventLoop().ProcessEvents();
  // Only what was posted so far: a handler that posts again does not keep
  // this call from returning.
  std::size_t count;
  {
    std::lock_guard<std::mutex> guard(FQueueLock);
    count = FQueue.size();
  }
  while (count-- > 0 && ProcessMessage()) {
  }
}

void TApplication::HandleMessage() {
  ResetMainThreadWake();
  bool any = CheckSynchronize();
  any = EventLoop().ProcessEvents() || any;
  any = ProcessMessage() || any;
  if (!any && !Terminated() && Idle() && !Terminated()) EventLoop().Wait(-1);
}

void TApplication::Run() {
  // Off the GUI thread every pass would fail and be reported, for ever.
  if (!IsMainThread()) throw EThread("The message loop runs on the GUI thread only");
  while (!Terminated()) {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  }
}

void TApplication::Terminate() {
  FTerminated = true;
  WakeMainThread();
}

// ---- Exceptions ----------------------------------------------------------------

void TApplication::RunGuarded(TObject* Sender, const std::function<void()>& Handler) {
  try {
    Handler();
  } catch (...) {
    HandleException(Sender);
  }
}

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr error = std::current_exception();
  if (!error) return;
  try {
    TExceptionScope scope(error);
    Exception* E = &scope.Object();
    if (!FOnException) {
      ShowException(E);
      return;
    }
    try {
      FOnException(Sender, E);
    } catch (...) {
      ShowEscaped();
    }
  } catch (...) {
    writeLastResort("An exception escaped the application's exception handling");
  }
}

void TApplication::ShowEscaped() noexcept {
  try {
    TExceptionScope scope(std::current_exception());
    ShowException(&scope.Object());
  } catch (...) {
    writeLastResort("An exception escaped the standard error box");
  }
}

void TApplication::ShowException(Exception* E) {
  if (!E) return;
  std::string message = E->Message();
  if (!message.empty() && message.back() != '.') message += '.';
  MessageBox(message, Title(), MB_OK | MB_ICONERROR);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, std::uint32_t Flags) {
  return MessageBoxService()->Show(Caption, Text, dialogTypeOf(Flags), buttonsOf(Flags), 0);
}

}  // namespace rv
