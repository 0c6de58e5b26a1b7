// faults_host MODE LOG EXPECTED: a program built to catch hardware faults,
// with its map file. An exception log writes XML records (class, message,
// source position, call stack) to LOG; each fault the program provokes first
// appends "<class> <first line> <last line>" to EXPECTED, the lines where
// the fault may happen.
//   catch        four kinds of faults, each twice, through the loop's handler
//   unprotected  a fault in code without unwind information
//   terminate    an exception escaping a thread that isn't the framework's
//   worker       a fault in a framework thread's Execute; its fatal
//                exception's class goes to EXPECTED

#include <sys/mman.h>

#include <fstream>
#include <string>
#include <thread>

#include "exception/LogError.h"
#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"

extern "C" void WriteThroughNull(int value);

namespace {

std::string expectedFile;

void Expect(const char* className, int first, int last) {
  std::ofstream(expectedFile, std::ios::app) << className << ' ' << first << ' ' << last << '\n';
}

volatile int* volatile nullTarget = nullptr;
volatile int zero = 0;
volatile int sink = 0;
volatile bool deeper = true;

[[gnu::noinline]] int ReadNull() {
  Expect("EAccessViolation", __LINE__ + 1, __LINE__ + 1);
  return *nullTarget;
}

[[gnu::noinline]] void WriteReadOnly() {
  void* page = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  auto* target = static_cast<volatile int*>(page);
  Expect("EAccessViolation", __LINE__ + 1, __LINE__ + 1);
  *target = 1;
  munmap(page, 4096);
}

[[gnu::noinline]] void DivideByZero() {
  Expect("EDivByZero", __LINE__ + 1, __LINE__ + 1);
  sink = 100 / zero;
}

constexpr int kRecurseFirst = __LINE__ + 1;
[[gnu::noinline]] int Recurse(int depth) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  if (!deeper) return frame[0];
  return Recurse(depth + 1) + frame[0];
}
constexpr int kRecurseLast = __LINE__ - 1;

int Overflow() {
  Expect("EStackOverflow", kRecurseFirst, kRecurseLast);
  return Recurse(0);
}

class TFaultingThread : public rv::TThread {
 public:
  TFaultingThread() : rv::TThread(true) {}

 protected:
  void Execute() override { SetReturnValue(ReadNull()); }
};

int CatchAll() {
  for (int round = 0; round < 2; ++round) {
    rv::Application->RunGuarded(nullptr, [] { ReadNull(); });
    rv::Application->RunGuarded(nullptr, [] { WriteReadOnly(); });
    rv::Application->RunGuarded(nullptr, [] { DivideByZero(); });
    rv::Application->RunGuarded(nullptr, [] { Overflow(); });
  }
  return 0;
}

int FaultInWorker() {
  TFaultingThread thread;
  thread.Start();
  thread.WaitFor();
  const rv::Exception* fatal = thread.FatalException();
  std::ofstream(expectedFile) << (fatal ? fatal->ClassName() + ": " + fatal->Message() : "none") << '\n';
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::string mode = argv[1];
  expectedFile = argv[3];
  rv::TQVExceptionLog log(nullptr);
  log.SetFormatting(rv::qvlfXML);
  log.SetLogFile(argv[2]);
  log.SetFormats({rv::lfExceptionClassName, rv::lfMessage, rv::lfSourceLine, rv::lfCallStack});
  log.SetErrorDialog(rv::edNone);
  log.SetActive(true);
  if (mode == "catch") return CatchAll();
  if (mode == "worker") return FaultInWorker();
  if (mode == "unprotected") {
    Expect("EAccessViolation", 0, 0);
    WriteThroughNull(1);
    return 0;
  }
  if (mode == "terminate") {
    std::thread([] { throw rv::EConvertError("'x' is not a valid integer value"); }).join();
    return 0;
  }
  return 2;
}
