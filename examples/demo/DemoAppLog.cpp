#include "examples/demo/DemoAppLog.h"

#include <cstdio>

#include "examples/demo/PrintFile.h"
#include "examples/demo/ShowcaseForm.h"
#include "platform/forms/Application.h"
#include "platform/forms/EventLoop.h"
#include "platform/forms/Messages.h"
#include "platform/forms/WidgetSet.h"

using namespace rv;

std::string DemoAppLog(TShowcaseForm& Form) {
  std::printf("== The application event log: the application's events through AppLog's callbacks\n");
  FeedActivate(&Form);
  FeedPointerEnter(Form.btnConvert);
  Form.Linger(std::chrono::milliseconds(500));
  FeedPointerLeave(Form.btnConvert);
  Application->SendMessage(WM_SETTINGCHANGE);
  // With nothing to do, the loop idles before it waits (here for a timer).
  const auto timer = EventLoop().AddTimer(100, [] {});
  Application->HandleMessage();
  EventLoop().RemoveTimer(timer);
  FeedDeactivate();
  FeedActivate(&Form);
  PrintFile(Form.AppLog->LogFile());
  return std::to_string(LineCount(Form.AppLog->LogFile())) + " events in " + Form.AppLog->LogFile();
}
