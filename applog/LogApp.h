#pragma once
// Unit LogApp: the application event log. TQVAppLog takes over ten events of
// the application, two of the screen and a main-window hook, and passes each
// on to its own callbacks after the handler it found there. It writes no
// record by itself: the application logs from within these events through
// the write operations of TQVLogBase.

#include <cstdint>
#include <string>

#include "core/LogBase.h"
#include "platform/classes/EventSlot.h"
#include "platform/classes/Events.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TQVAppLog : public TQVLogBase {
  RV_CLASS(TQVAppLog, TQVLogBase)
 public:
  // Active, and so hooked, from construction on (except in the designer).
  explicit TQVAppLog(TComponent* AOwner);
  ~TQVAppLog() override;

  // Hooks on a change to true, lets go on a change to false; in the designer
  // only the property changes. Letting go gives a slot back only while it
  // still holds this component's handler, and links whoever saved this
  // component's handler to what this one had saved.
  void SetActive(bool Value) override;

  // The main-window hook: the settings-change message raises
  // OnSettingsChanged, whose exceptions go to the application's standard
  // handling. Always false, so the window handles every message as usual.
  virtual bool MessageHook(TMessage& Message);

  // The hook handlers: each calls the handler it found first, then the
  // event of the same name, with the arguments it was given. DoException
  // then always shows the standard error box; DoHelp asks OnHelp first and
  // answers with the last handler's answer.
  void DoActivate(TObject* Sender);
  void DoDeactivate(TObject* Sender);
  void DoException(TObject* Sender, Exception* E);
  void DoIdle(TObject* Sender, bool& Done);
  bool DoHelp(std::uint16_t Command, std::int32_t Data, bool& CallHelp);
  void DoHint(TObject* Sender);
  void DoMessage(TMsg& Msg, bool& Handled);
  void DoMinimize(TObject* Sender);
  void DoRestore(TObject* Sender);
  void DoShowHint(std::string& HintStr, bool& CanShow, THintInfo& HintInfo);
  void DoActiveControlChange(TObject* Sender);
  void DoActiveFormChange(TObject* Sender);

  const TNotifyEvent& OnActivate() const { return FOnActivate; }
  void SetOnActivate(TNotifyEvent Value) { FOnActivate = std::move(Value); }
  const TNotifyEvent& OnDeactivate() const { return FOnDeactivate; }
  void SetOnDeactivate(TNotifyEvent Value) { FOnDeactivate = std::move(Value); }
  const TExceptionEvent& OnException() const { return FOnException; }
  void SetOnException(TExceptionEvent Value) { FOnException = std::move(Value); }
  const TIdleEvent& OnIdle() const { return FOnIdle; }
  void SetOnIdle(TIdleEvent Value) { FOnIdle = std::move(Value); }
  const THelpEvent& OnHelp() const { return FOnHelp; }
  void SetOnHelp(THelpEvent Value) { FOnHelp = std::move(Value); }
  const TNotifyEvent& OnHint() const { return FOnHint; }
  void SetOnHint(TNotifyEvent Value) { FOnHint = std::move(Value); }
  const TMessageEvent& OnMessage() const { return FOnMessage; }
  void SetOnMessage(TMessageEvent Value) { FOnMessage = std::move(Value); }
  const TNotifyEvent& OnMinimize() const { return FOnMinimize; }
  void SetOnMinimize(TNotifyEvent Value) { FOnMinimize = std::move(Value); }
  const TNotifyEvent& OnRestore() const { return FOnRestore; }
  void SetOnRestore(TNotifyEvent Value) { FOnRestore = std::move(Value); }
  const TShowHintEvent& OnShowHint() const { return FOnShowHint; }
  void SetOnShowHint(TShowHintEvent Value) { FOnShowHint = std::move(Value); }
  // Raised with this component as Sender.
  const TNotifyEvent& OnSettingsChanged() const { return FOnSettingsChanged; }
  void SetOnSettingsChanged(TNotifyEvent Value) { FOnSettingsChanged = std::move(Value); }
  const TNotifyEvent& OnActiveControlChange() const { return FOnActiveControlChange; }
  void SetOnActiveControlChange(TNotifyEvent Value) { FOnActiveControlChange = std::move(Value); }
  const TNotifyEvent& OnActiveFormChange() const { return FOnActiveFormChange; }
  void SetOnActiveFormChange(TNotifyEvent Value) { FOnActiveFormChange = std::move(Value); }

 private:
  void Hook();
  void Unhook();
  TWindowHook OwnMessageHook() { return TWindowHook(this, &TQVAppLog::MessageHook); }

  // The handlers found at activation, held while active; the application's
  // ten in the order they are taken over, then the screen's two.
  TEventTakeover<TNotifyEvent> FSavedOnActivate;
  TEventTakeover<TNotifyEvent> FSavedOnDeactivate;
  TEventTakeover<TExceptionEvent> FSavedOnException;
  TEventTakeover<TIdleEvent> FSavedOnIdle;
  TEventTakeover<THelpEvent> FSavedOnHelp;
  TEventTakeover<TNotifyEvent> FSavedOnHint;
  TEventTakeover<TMessageEvent> FSavedOnMessage;
  TEventTakeover<TNotifyEvent> FSavedOnMinimize;
  TEventTakeover<TNotifyEvent> FSavedOnRestore;
  TEventTakeover<TShowHintEvent> FSavedOnShowHint;
  TEventTakeover<TNotifyEvent> FSavedOnActiveControlChange;
  TEventTakeover<TNotifyEvent> FSavedOnActiveFormChange;

  TNotifyEvent FOnActivate;
  TNotifyEvent FOnDeactivate;
  TExceptionEvent FOnException;
  TIdleEvent FOnIdle;
  THelpEvent FOnHelp;
  TNotifyEvent FOnHint;
  TMessageEvent FOnMessage;
  TNotifyEvent FOnMinimize;
  TNotifyEvent FOnRestore;
  TShowHintEvent FOnShowHint;
  TNotifyEvent FOnSettingsChanged;
  TNotifyEvent FOnActiveControlChange;
  TNotifyEvent FOnActiveFormChange;
};

}  // namespace rv
