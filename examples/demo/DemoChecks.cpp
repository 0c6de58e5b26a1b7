#include "examples/demo/DemoChecks.h"

#include <chrono>
#include <cstdio>

#include "examples/demo/ShowcaseForm.h"
#include "platform/forms/WidgetSet.h"

using namespace rv;

namespace {

// Controls with a marker showing beside them. A check that passes empties
// its marker's picture, so the image may stay while it shows nothing.
int markedControls(TQVLCheckProcessor& Checks) {
  int marked = 0;
  for (int i = 0; i < Checks.CheckProviders()->Count(); ++i) {
    const TImage* image = Checks.CheckProviders()->GetCheckProvider(i)->LinkedImage();
    if (image && image->Visible() && image->Picture()->Width() > 0) ++marked;
  }
  return marked;
}

}  // namespace

std::string DemoChecks(TShowcaseForm& Form) {
  std::printf("== The check processor: a validated entry form\n");
  std::printf("wrong input (no name, age 'seventeen', not agreed, no country):\n");
  FeedText(Form.edtName, "");
  FeedText(Form.edtAge, "seventeen");
  FeedClick(Form.btnCheck);
  const int failed = Form.Checks->FailedCount();
  const int marked = markedControls(*Form.Checks);
  std::printf("%d controls marked as failed\n", marked);
  Form.Linger(std::chrono::milliseconds(2500));

  std::printf("right input:\n");
  FeedText(Form.edtName, "Ada");
  FeedText(Form.edtAge, "36");
  if (!Form.cbAgree->Checked()) FeedClick(Form.cbAgree);
  FeedSelect(Form.cbxCountry, 0);
  FeedClick(Form.btnCheck);
  std::printf("%d controls marked as failed\n", markedControls(*Form.Checks));
  return "wrong input: " + std::to_string(failed) + " failed, " + std::to_string(marked) +
         " marked; right input: " + (Form.Checks->FailedCount() == 0 ? "valid" : "not valid");
}
