#include "applog/LogApp.h"

#include "platform/classes/Published.h"
#include "platform/forms/Screen.h"

namespace RV_API rv {

namespace {

// The handler found in the slot first, then the component's own event, both
// whatever the first did; var arguments pass through both.
template <class E, class... A>
void previousThenOwn(const TEventTakeover<E>& Saved, const E& Own, A&&... Args) {
  if (const E& previous = Saved.Previous()) previous(Args...);
  if (Own) Own(Args...);
}

}  // namespace

const TClass& TQVAppLog::StaticClass() {
  static const TClass cls =
      TClassBuilder<TQVAppLog>("TQVAppLog")
          .Property("OnActivate", &TQVAppLog::OnActivate, &TQVAppLog::SetOnActivate)
          .Property("OnDeactivate", &TQVAppLog::OnDeactivate, &TQVAppLog::SetOnDeactivate)
          .Property("OnException", &TQVAppLog::OnException, &TQVAppLog::SetOnException)
          .Property("OnIdle", &TQVAppLog::OnIdle, &TQVAppLog::SetOnIdle)
          .Property("OnHelp", &TQVAppLog::OnHelp, &TQVAppLog::SetOnHelp)
          .Property("OnHint", &TQVAppLog::OnHint, &TQVAppLog::SetOnHint)
          .Property("OnMessage", &TQVAppLog::OnMessage, &TQVAppLog::SetOnMessage)
          .Property("OnMinimize", &TQVAppLog::OnMinimize, &TQVAppLog::SetOnMinimize)
          .Property("OnRestore", &TQVAppLog::OnRestore, &TQVAppLog::SetOnRestore)
          .Property("OnShowHint", &TQVAppLog::OnShowHint, &TQVAppLog::SetOnShowHint)
          .Property("OnSettingsChanged", &TQVAppLog::OnSettingsChanged, &TQVAppLog::SetOnSettingsChanged)
          .Property("OnActiveControlChange", &TQVAppLog::OnActiveControlChange, &TQVAppLog::SetOnActiveControlChange)
          .Property("OnActiveFormChange", &TQVAppLog::OnActiveFormChange, &TQVAppLog::SetOnActiveFormChange)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVAppLog)

TQVAppLog::TQVAppLog(TComponent* AOwner) : TQVLogBase(AOwner) { SetActive(true); }

TQVAppLog::~TQVAppLog() { SetActive(false); }

void TQVAppLog::SetActive(bool Value) {
  const bool was = Active();
  TQVLogBase::SetActive(Value);
  if (ComponentState().Contains(csDesigning) || Value == was) return;
  if (Value)
    Hook();
  else
    Unhook();
}

void TQVAppLog::Hook() {
  Application->HookMainWindow(OwnMessageHook());
  FSavedOnActivate.TakeOver(Application->OnActivateSlot(), TNotifyEvent(this, &TQVAppLog::DoActivate));
  FSavedOnDeactivate.TakeOver(Application->OnDeactivateSlot(), TNotifyEvent(this, &TQVAppLog::DoDeactivate));
  FSavedOnException.TakeOver(Application->OnExceptionSlot(), TExceptionEvent(this, &TQVAppLog::DoException));
  FSavedOnIdle.TakeOver(Application->OnIdleSlot(), TIdleEvent(this, &TQVAppLog::DoIdle));
  FSavedOnHelp.TakeOver(Application->OnHelpSlot(), THelpEvent(this, &TQVAppLog::DoHelp));
  FSavedOnHint.TakeOver(Application->OnHintSlot(), TNotifyEvent(this, &TQVAppLog::DoHint));
  FSavedOnMessage.TakeOver(Application->OnMessageSlot(), TMessageEvent(this, &TQVAppLog::DoMessage));
  FSavedOnMinimize.TakeOver(Application->OnMinimizeSlot(), TNotifyEvent(this, &TQVAppLog::DoMinimize));
  FSavedOnRestore.TakeOver(Application->OnRestoreSlot(), TNotifyEvent(this, &TQVAppLog::DoRestore));
  FSavedOnShowHint.TakeOver(Application->OnShowHintSlot(), TShowHintEvent(this, &TQVAppLog::DoShowHint));
  if (!Screen) return;
  FSavedOnActiveControlChange.TakeOver(Screen->OnActiveControlChangeSlot(),
                                       TNotifyEvent(this, &TQVAppLog::DoActiveControlChange));
  FSavedOnActiveFormChange.TakeOver(Screen->OnActiveFormChangeSlot(),
                                    TNotifyEvent(this, &TQVAppLog::DoActiveFormChange));
}

void TQVAppLog::Unhook() {
  // The application object may be gone when the library unloads.
  if (Application) Application->UnhookMainWindow(OwnMessageHook());
  FSavedOnActivate.Release();
  FSavedOnDeactivate.Release();
  FSavedOnException.Release();
  FSavedOnIdle.Release();
  FSavedOnHelp.Release();
  FSavedOnHint.Release();
  FSavedOnMessage.Release();
  FSavedOnMinimize.Release();
  FSavedOnRestore.Release();
  FSavedOnShowHint.Release();
  // Given back like the application's: clearing them would drop a handler
  // the application had installed.
  FSavedOnActiveControlChange.Release();
  FSavedOnActiveFormChange.Release();
}

bool TQVAppLog::MessageHook(TMessage& Message) {
  if (Message.Msg != WM_SETTINGCHANGE || !FOnSettingsChanged) return false;
  try {
    FOnSettingsChanged(this);
  } catch (...) {
    Application->HandleException(this);
  }
  return false;
}

void TQVAppLog::DoActivate(TObject* Sender) { previousThenOwn(FSavedOnActivate, FOnActivate, Sender); }

void TQVAppLog::DoDeactivate(TObject* Sender) { previousThenOwn(FSavedOnDeactivate, FOnDeactivate, Sender); }

void TQVAppLog::DoException(TObject* Sender, Exception* E) {
  previousThenOwn(FSavedOnException, FOnException, Sender, E);
  Application->ShowException(E);
}

void TQVAppLog::DoIdle(TObject* Sender, bool& Done) { previousThenOwn(FSavedOnIdle, FOnIdle, Sender, Done); }

bool TQVAppLog::DoHelp(std::uint16_t Command, std::int32_t Data, bool& CallHelp) {
  bool result = false;
  if (FOnHelp) result = FOnHelp(Command, Data, CallHelp);
  if (const THelpEvent& previous = FSavedOnHelp.Previous()) result = previous(Command, Data, CallHelp);
  return result;
}

void TQVAppLog::DoHint(TObject* Sender) { previousThenOwn(FSavedOnHint, FOnHint, Sender); }

void TQVAppLog::DoMessage(TMsg& Msg, bool& Handled) { previousThenOwn(FSavedOnMessage, FOnMessage, Msg, Handled); }

void TQVAppLog::DoMinimize(TObject* Sender) { previousThenOwn(FSavedOnMinimize, FOnMinimize, Sender); }

void TQVAppLog::DoRestore(TObject* Sender) { previousThenOwn(FSavedOnRestore, FOnRestore, Sender); }

void TQVAppLog::DoShowHint(std::string& HintStr, bool& CanShow, THintInfo& HintInfo) {
  previousThenOwn(FSavedOnShowHint, FOnShowHint, HintStr, CanShow, HintInfo);
}

void TQVAppLog::DoActiveControlChange(TObject* Sender) {
  previousThenOwn(FSavedOnActiveControlChange, FOnActiveControlChange, Sender);
}

void TQVAppLog::DoActiveFormChange(TObject* Sender) {
  previousThenOwn(FSavedOnActiveFormChange, FOnActiveFormChange, Sender);
}

}  // namespace rv
