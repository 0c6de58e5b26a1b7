// The showcase host: its main form, read from the form file Showcase.dfm,
// holds one of each of the eight components (and two plain logs), set up
// as a designer would: properties stored, references and handlers by name.
// Each part below exercises one of them. With a display the form is shown
// while the parts run and closes by itself at the end; without one each
// part prints what happened. The files go to the current folder, the
// scratch stores (registry, event log, watched folder) under
// showcase-scratch/.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "examples/demo/DemoAppLog.h"
#include "examples/demo/DemoChecks.h"
#include "examples/demo/DemoDataset.h"
#include "examples/demo/DemoDialogCloser.h"
#include "examples/demo/DemoEventLog.h"
#include "examples/demo/DemoExceptions.h"
#include "examples/demo/DemoLog.h"
#include "examples/demo/DemoMonitors.h"
#include "examples/demo/DemoShell.h"
#include "examples/demo/ShowcaseForm.h"
#include "platform/forms/Application.h"
#include "platform/os/EventLog.h"
#include "platform/os/Registry.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Service.h"

using namespace rv;

namespace {

// The components the form file placed on the form, with their classes.
void printComponents(const TShowcaseForm& Form) {
  std::printf("%s read from its form file; its components:\n", Form.Name().c_str());
  for (int i = 0; i < Form.ComponentCount(); ++i)
    if (const TComponent* c = Form.Components(i); !dynamic_cast<const TControl*>(c))
      std::printf("  %-16s %s\n", c->Name().c_str(), c->ClassName().c_str());
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  // Line by line, so the standard error text stays in its place.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Application->SetTitle("REVuziva showcase");

  // A registry and an event log of the showcase's own: nothing reaches the
  // user's configuration or the machine's logs.
  const std::string scratch = ExpandFileName("showcase-scratch");
  std::filesystem::remove_all(scratch);
  std::filesystem::create_directories(scratch);
  TRegistryRoot registry(scratch + "/registry");
  TServiceScope<TRegistryRoot> registryScope(SetRegistryRoot, registry);
  TEventLogRoot eventLogs(scratch + "/eventlog");
  TServiceScope<TEventLogRoot> eventLogScope(SetEventLogRoot, eventLogs);

  auto form = std::make_unique<TShowcaseForm>(nullptr);
  printComponents(*form);
  if (const std::optional<double> seconds = CloseDialogAfterOption(argc, argv)) form->CloseDialogAfter(*seconds);
  // The application event log is active from its creation on: start its
  // file with the showing of the form.
  form->AppLog->ClearLog();
  form->ShowIfDisplayed();
  std::printf("%s\n\n", form->OnScreen() ? "the form is shown while the parts run; it closes by itself"
                                         : "no display: the form stays hidden and each part prints what happened");

  form->PartDone(form->lblLog, DemoLog(*form->TextLog, *form->XmlLog));
  form->PartDone(form->lblExceptions, DemoExceptions(*form));
  form->PartDone(form->lblAppEvents, DemoAppLog(*form));
  form->PartDone(form->lblDataset, DemoDataset(*form->DatasetLog));
  const std::string monitors = DemoMonitors(*form->FileLog, *form->RegistryLog);
  form->PartDone(form->lblMonitors, monitors + "; " + DemoShell(*form->ShellLog, scratch + "/shell"));
  form->PartDone(form->lblEventLog, DemoEventLog(*form->EventLog, scratch));
  form->PartDone(form->lblChecks, DemoChecks(*form));

  std::printf("the showcase is done\n");
  form->Linger(std::chrono::seconds(2));
  form->Close();
  return 0;
}
