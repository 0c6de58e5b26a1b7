#include "platform/forms/ModalWait.h"

#include <exception>
#include <system_error>
#include <thread>

#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"

namespace RV_API rv {

void WaitServingMessages(const std::function<void()>& Work) {
  if (!IsMainThread()) {
    Work();
    return;
  }
  std::exception_ptr error;
  bool done = false;  // GUI thread only: set by the worker's last synchronized call
  std::thread worker;
  try {
    worker = std::thread([&] {
      try {
        Work();
      } catch (...) {
        error = std::current_exception();
      }
      // Handed over rather than set from here: the call lands in the queue
      // the loop below looks at after each wake-up, so the end can't slip
      // between a look and a wait.
      TThread::Synchronize(nullptr, [&] { done = true; });
    });
  } catch (const std::system_error&) {
    Work();
    return;
  }
  while (!done) {
    try {
      // Once the application is ending the loop would not wait any more;
      // only the worker's hand-over is needed then.
      if (Application->Terminated())
        CheckSynchronize(-1);
      else
        Application->HandleMessage();
    } catch (...) {
      Application->HandleException(Application);
    }
  }
  worker.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace rv
