#pragma once
// TApplication: the application object. It holds the application-wide event
// slots, runs the message loop over the application's queue (posted
// messages, calls handed over by threads, window-system events), routes the
// exceptions that escape handlers, and shows the standard error box.
//
// Everything here runs on the GUI thread, except PostMessage, SendMessage
// and Terminate, which any thread may call.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/EventSlot.h"
#include "platform/classes/Events.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/MessageWindow.h"
#include "platform/forms/Messages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

using TIdleEvent = Closure<void(TObject* Sender, bool& Done)>;
using THelpEvent = Closure<bool(std::uint16_t Command, std::int32_t Data, bool& CallHelp)>;
using TMessageEvent = Closure<void(TMsg& Msg, bool& Handled)>;
using TShowHintEvent = Closure<void(std::string& HintStr, bool& CanShow, THintInfo& HintInfo)>;
// Help commands (HelpCommand's Command).
constexpr std::uint16_t HELP_CONTEXT = 0x0001;
constexpr std::uint16_t HELP_KEY = 0x0101;
// Sees a main-window message before the window does; true consumes it.
using TWindowHook = Closure<bool(TMessage& Message)>;

class TApplication : public TComponent {
  RV_CLASS(TApplication, TComponent)
 public:
  explicit TApplication(TComponent* AOwner);

  // The executable's full path.
  std::string ExeName() const;
  // Defaults to the executable's file name without its extension.
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }
  // The main window, as it appears in TMsg::hwnd.
  THandle Handle() const { return reinterpret_cast<THandle>(this); }

  // ---- Event slots ----
  // Components take a slot over through its On...Slot() (EventSlot.h).
  TNotifyEvent OnActivate() const { return FOnActivate.Handler(); }
  void SetOnActivate(TNotifyEvent Value) { FOnActivate.Set(std::move(Value)); }
  TEventSlot<TNotifyEvent>& OnActivateSlot() { return FOnActivate; }
  TNotifyEvent OnDeactivate() const { return FOnDeactivate.Handler(); }
  void SetOnDeactivate(TNotifyEvent Value) { FOnDeactivate.Set(std::move(Value)); }
  TEventSlot<TNotifyEvent>& OnDeactivateSlot() { return FOnDeactivate; }
  TExceptionEvent OnException() const { return FOnException.Handler(); }
  void SetOnException(TExceptionEvent Value) { FOnException.Set(std::move(Value)); }
  TEventSlot<TExceptionEvent>& OnExceptionSlot() { return FOnException; }
  TIdleEvent OnIdle() const { return FOnIdle.Handler(); }
  void SetOnIdle(TIdleEvent Value) { FOnIdle.Set(std::move(Value)); }
  TEventSlot<TIdleEvent>& OnIdleSlot() { return FOnIdle; }
  THelpEvent OnHelp() const { return FOnHelp.Handler(); }
  void SetOnHelp(THelpEvent Value) { FOnHelp.Set(std::move(Value)); }
  TEventSlot<THelpEvent>& OnHelpSlot() { return FOnHelp; }
  TNotifyEvent OnHint() const { return FOnHint.Handler(); }
  void SetOnHint(TNotifyEvent Value) { FOnHint.Set(std::move(Value)); }
  TEventSlot<TNotifyEvent>& OnHintSlot() { return FOnHint; }
  TMessageEvent OnMessage() const { return FOnMessage.Handler(); }
  void SetOnMessage(TMessageEvent Value) { FOnMessage.Set(std::move(Value)); }
  TEventSlot<TMessageEvent>& OnMessageSlot() { return FOnMessage; }
  TNotifyEvent OnMinimize() const { return FOnMinimize.Handler(); }
  void SetOnMinimize(TNotifyEvent Value) { FOnMinimize.Set(std::move(Value)); }
  TEventSlot<TNotifyEvent>& OnMinimizeSlot() { return FOnMinimize; }
  TNotifyEvent OnRestore() const { return FOnRestore.Handler(); }
  void SetOnRestore(TNotifyEvent Value) { FOnRestore.Set(std::move(Value)); }
  TEventSlot<TNotifyEvent>& OnRestoreSlot() { return FOnRestore; }
  TShowHintEvent OnShowHint() const { return FOnShowHint.Handler(); }
  void SetOnShowHint(TShowHintEvent Value) { FOnShowHint.Set(std::move(Value)); }
  TEventSlot<TShowHintEvent>& OnShowHintSlot() { return FOnShowHint; }

  // ---- What raises them (the widget set and the forms call these) ----
  // The application gained or lost the focus; OnActivate/OnDeactivate on a
  // change only.
  void Activate();
  void Deactivate();
  bool Active() const { return FActive; }
  // OnMinimize/OnRestore on a change only; the widget set iconifies or
  // restores the windows first.
  void Minimize();
  void Restore();
  bool Minimized() const { return FMinimized; }
  // The hint of the control under the pointer; OnHint when it changes.
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  // Before a hint window shows: OnShowHint may change the text, the window's
  // details, or forbid it (CanShow).
  void DoShowHint(std::string& HintStr, bool& CanShow, THintInfo& HintInfo);
  // Asks OnHelp; its answer, false without a handler.
  bool HelpCommand(std::uint16_t Command, std::int32_t Data);
  // Help on a context number: HelpCommand(HELP_CONTEXT, Context).
  bool HelpContext(std::int32_t Context);
  // Help on a keyword: HelpCommand(HELP_KEY, 0). A 32-bit Data can't carry
  // the text, so OnHelp reads it from CurrentHelpKeyword() meanwhile.
  bool HelpKeyword(const std::string& Keyword);
  const std::string& CurrentHelpKeyword() const { return FCurrentHelpKeyword; }
  // The queue is empty: OnIdle (guarded). True when the loop may wait for
  // the next message (Done).
  bool Idle();

  // ---- The main window ----
  // Hooks see each main-window message in the order they were installed; a
  // hook may be installed more than once. Unhooking removes the first hook
  // equal to Hook (closure identity).
  void HookMainWindow(TWindowHook Hook);
  void UnhookMainWindow(TWindowHook Hook);

  // ---- The message loop ----
  // Input that the widget set turned into a message passes OnMessage like a
  // queued one; true when OnMessage handled it (the input then goes no
  // further).
  bool FilterInput(TMsg& Msg);
  // Queues a message for the main window; any thread.
  void PostMessage(std::uint32_t Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  // Queues a message for the main window or a message window; any thread.
  void PostMessageTo(THandle Wnd, std::uint32_t Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  // The hidden message windows the loop delivers to (MessageWindow.h).
  TMessageWindows& MessageWindows() { return FMessageWindows; }
  // Hands a message to the main window at once and returns its Result. From
  // another thread it runs on the GUI thread through TThread::Synchronize.
  LRESULT SendMessage(std::uint32_t Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  // Handles what is pending now (calls handed over by threads, window-system
  // events, ready sources of the event loop, the messages posted so far)
  // and returns; never waits.
  void ProcessMessages();
  // Handles one posted message (with the pending calls, window-system
  // events and ready sources); with nothing to handle, runs Idle() and waits
  // in the event loop (EventLoop.h).
  void HandleMessage();
  // Handles messages until Terminate(). Raises EThread off the GUI thread.
  void Run();
  // Any thread; also by posting WM_QUIT.
  void Terminate();
  bool Terminated() const { return FTerminated.load(); }

  // ---- Exceptions ----
  // Runs a handler; an exception escaping it goes to HandleException(Sender).
  void RunGuarded(TObject* Sender, const std::function<void()>& Handler);
  // Inside a catch handler: makes the caught exception the one being handled
  // and passes it to OnException, or to ShowException when the slot is
  // empty. Nothing escapes: an exception escaping OnException is shown.
  void HandleException(TObject* Sender);
  // The standard error box: E's message, with a final '.', titled with the
  // application's title.
  void ShowException(Exception* E);
  // A message box through the message-box service; Flags are the MB_ values.
  int MessageBox(const std::string& Text, const std::string& Caption, std::uint32_t Flags = MB_OK);

 private:
  bool ProcessMessage();
  void MainWindowProc(TMessage& Message);
  void ShowEscaped() noexcept;

  std::string FTitle;
  std::string FHint;
  std::string FCurrentHelpKeyword;
  bool FActive = false;
  bool FMinimized = false;
  std::atomic<bool> FTerminated{false};
  std::mutex FQueueLock;  // guards FQueue
  std::deque<TMsg> FQueue;
  std::vector<TWindowHook> FHooks;
  TMessageWindows FMessageWindows;  // GUI thread only

  TEventSlot<TNotifyEvent> FOnActivate;
  TEventSlot<TNotifyEvent> FOnDeactivate;
  TEventSlot<TExceptionEvent> FOnException;
  TEventSlot<TIdleEvent> FOnIdle;
  TEventSlot<THelpEvent> FOnHelp;
  TEventSlot<TNotifyEvent> FOnHint;
  TEventSlot<TMessageEvent> FOnMessage;
  TEventSlot<TNotifyEvent> FOnMinimize;
  TEventSlot<TNotifyEvent> FOnRestore;
  TEventSlot<TShowHintEvent> FOnShowHint;
};

// The application object: created when the library loads (on the thread
// that becomes the GUI thread), destroyed when it unloads.
extern TApplication* Application;

}  // namespace rv
