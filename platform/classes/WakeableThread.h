#pragma once
// TWakeableThread: a worker that sleeps in a wait of its own and hands its
// findings to the GUI thread, owned by one component.
//
// Terminate() sets the wake event, so a worker that waits on it beside its
// own sources leaves the wait at once. Deliver() runs a step on the GUI
// thread unless the worker is being let go, so no call reaches an owner that
// ended it; an exception escaping the step goes to the application's handler
// and the worker keeps watching. Dismiss() lets a worker go, also from inside
// one of its own deliveries, where waiting for it would never end.

#include <functional>
#include <memory>

#include "platform/classes/Thread.h"
#include "platform/rtl/Event.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TWakeableThread : public TThread {
 public:
  // Created suspended: the derived constructor calls Start() last.
  TWakeableThread();

  // GUI thread only. Ends Worker and clears the reference: waits for its end
  // (serving the GUI queue), or, when called from inside one of Worker's own
  // deliveries, lets it free itself once the delivery has returned.
  template <class T>
  static void Dismiss(std::unique_ptr<T>& Worker) {
    if (Worker && Worker->FDelivering) {
      Worker->Terminate();
      Worker->SetFreeOnTerminate(true);
      Worker.release();  // NOLINT: the thread deletes itself after Execute
    } else {
      Worker.reset();
    }
  }

 protected:
  // Derived destructors call this before their members go away.
  void EndAndWait();
  // Runs Step on the GUI thread and waits for it (see above).
  void Deliver(const std::function<void()>& Step);
  TEvent& Wake() { return FWake; }
  void TerminatedSet() override { FWake.SetEvent(); }

 private:
  TEvent FWake{true, false};
  bool FDelivering = false;  // GUI thread only
};

}  // namespace rv
