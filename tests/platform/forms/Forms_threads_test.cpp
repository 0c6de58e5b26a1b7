// A modal loop keeps serving the calls workers hand to the GUI thread.

#include <gtest/gtest.h>

#include <thread>

#include "platform/classes/Thread.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

using namespace rv;

namespace {

TEST(ModalLoop, ServesSynchronizeFromAWorker) {
  TForm form(nullptr);
  auto* memo = new TMemo(&form);
  memo->SetParent(&form);
  constexpr int lines = 50;
  // The worker blocks in each Synchronize until the modal loop ran the call,
  // whether it starts before or after ShowModal does.
  std::thread worker([&] {
    for (int i = 0; i < lines; ++i) TThread::Synchronize(nullptr, [&, i] { memo->Lines()->Add(std::to_string(i)); });
    TThread::Synchronize(nullptr, [&] { form.SetModalResult(mrOk); });
  });
  EXPECT_EQ(form.ShowModal(), mrOk);
  worker.join();
  ASSERT_EQ(memo->Lines()->Count(), lines);
  EXPECT_EQ(memo->Lines()->Get(lines - 1), std::to_string(lines - 1));
}

}  // namespace
