// The demo's part for the application event log: the host's idle,
// activation and hint events are written by a TQVAppLog's callbacks into its
// own log. The user's actions are fed as a widget set would feed them.

#include "examples/demo/DemoAppLog.h"

#include <cstdio>
#include <memory>

#include "applog/LogApp.h"
#include "platform/classes/Stream.h"
#include "platform/forms/Application.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/FileUtils.h"

using namespace rv;

void RunAppLogDemo() {
  TForm form(nullptr);
  form.SetName("EventsForm");
  auto* save = new TButton(&form);
  save->SetName("Save");
  save->SetParent(&form);
  save->SetHint("Saves the file|Writes the document to its file");

  auto events = std::make_unique<TQVAppLog>(nullptr);
  events->SetLogFile("events.log");
  events->ClearLog();
  TQVAppLog* log = events.get();
  log->SetOnIdle([log](TObject*, bool& Done) {
    log->WriteAsString("IDLE", "idle\r\n");
    // Done false: the loop comes back at once instead of waiting for input.
    Done = false;
  });
  log->SetOnActivate([log](TObject*) { log->WriteAsString("ACTIVATE", "activated\r\n"); });
  log->SetOnDeactivate([log](TObject*) { log->WriteAsString("DEACTIVATE", "deactivated\r\n"); });
  log->SetOnHint([log](TObject*) { log->WriteAsString("HINT", "hint: '" + Application->Hint() + "'\r\n"); });

  FeedActivate(&form);
  FeedPointerEnter(save);
  Application->HandleMessage();
  FeedPointerLeave(save);
  FeedDeactivate();
  events.reset();
  std::printf("--- %s\n%s---\n\n", ExpandFileName("events.log").c_str(), ReadFileBytes("events.log").c_str());
}
