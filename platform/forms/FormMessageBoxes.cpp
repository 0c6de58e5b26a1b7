// Message boxes as forms: a modal form with the icon of the box's type, its
// text and its buttons, shown by whatever widget set is in use.

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

namespace RV_API rv {

namespace {

constexpr int margin = 12;
constexpr int iconSize = 32;
constexpr int textWidthLimit = 360;
constexpr int buttonWidth = 75;
constexpr int buttonHeight = 25;
constexpr int buttonGap = 6;
// The help command that shows a help context.
constexpr std::uint16_t helpContext = 1;

std::string buttonCaption(TMsgDlgBtn Button) {
  switch (Button) {
    case mbYes: return "&Yes";
    case mbNo: return "&No";
    case mbOK: return "OK";
    case mbCancel: return "Cancel";
    case mbAbort: return "&Abort";
    case mbRetry: return "&Retry";
    case mbIgnore: return "&Ignore";
    case mbAll: return "&All";
    case mbNoToAll: return "N&o to All";
    case mbYesToAll: return "Yes to &All";
    case mbHelp: return "&Help";
  }
  return {};
}

// 5x7 signs drawn three times their size on the badges.
using TSign = std::array<const char*, 7>;
constexpr TSign exclamation = {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."};
constexpr TSign information = {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."};
constexpr TSign question = {".###.", "#...#", "....#", "..##.", "..#..", ".....", "..#.."};

// A round badge of the colour with the sign in white.
void drawBadge(TIcon& Icon, TColor Color, const TSign& Sign) {
  Icon.SetSize(iconSize, iconSize);
  const double centre = (iconSize - 1) / 2.0, radius = iconSize / 2.0;
  for (int y = 0; y < iconSize; ++y)
    for (int x = 0; x < iconSize; ++x)
      if ((x - centre) * (x - centre) + (y - centre) * (y - centre) <= radius * radius) Icon.SetPixel(x, y, Color);
  constexpr int scale = 3;
  const int left = (iconSize - 5 * scale) / 2, top = (iconSize - 7 * scale) / 2;
  for (int row = 0; row < 7; ++row)
    for (int col = 0; col < 5; ++col)
      if (Sign[row][col] == '#')
        for (int dy = 0; dy < scale; ++dy)
          for (int dx = 0; dx < scale; ++dx) Icon.SetPixel(left + col * scale + dx, top + row * scale + dy, clWhite);
}

// The icon of a box type; false for mtCustom, which has none.
bool iconOf(TMsgDlgType DlgType, TIcon& Icon) {
  switch (DlgType) {
    case mtError: Icon.LoadStockIcon(IDI_ERROR); return true;
    case mtWarning: drawBadge(Icon, RGBToColor(0xE0, 0xA0, 0x00), exclamation); return true;
    case mtInformation: drawBadge(Icon, RGBToColor(0x20, 0x60, 0xD0), information); return true;
    case mtConfirmation: drawBadge(Icon, RGBToColor(0x20, 0x60, 0xD0), question); return true;
    case mtCustom: break;
  }
  return false;
}

// The box's form, laid out: icon and text side by side, the buttons
// centred below.
class TMessageForm : public TForm {
 public:
  TMessageForm(const std::string& Caption, const std::string& Text, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
               int HelpCtx)
      : TForm(nullptr) {
    SetName("MessageBox");
    SetCaption(Caption);
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    int textLeft = margin, bottom = margin;
    TIcon icon;
    if (iconOf(DlgType, icon)) {
      auto* image = new TImage(this);
      image->SetName("Image");
      image->SetParent(this);
      image->SetBounds(margin, margin, iconSize, iconSize);
      image->Picture()->SetGraphic(&icon);
      textLeft += iconSize + margin;
      bottom = margin + iconSize;
    }
    auto* message = new TLabel(this);
    message->SetName("Message");
    message->SetParent(this);
    message->SetShowAccelChar(false);
    message->SetCaption(Text);
    if (message->Width() > textWidthLimit) {
      message->SetWidth(textWidthLimit);
      message->SetWordWrap(true);
    }
    // A short text sits level with the middle of the icon.
    const int textTop = margin + std::max(0, (bottom - margin - message->Height()) / 2);
    message->SetLeft(textLeft);
    message->SetTop(textTop);
    bottom = std::max(bottom, textTop + message->Height());

    std::vector<TMsgDlgBtn> shown;
    for (unsigned b = mbYes; b <= mbHelp; ++b)
      if (Buttons.Contains(static_cast<TMsgDlgBtn>(b))) shown.push_back(static_cast<TMsgDlgBtn>(b));
    const int rowWidth = static_cast<int>(shown.size()) * (buttonWidth + buttonGap) - (shown.empty() ? 0 : buttonGap);
    const int width = std::max(textLeft + message->Width() + margin, rowWidth + 2 * margin);
    const int rowTop = bottom + margin + (shown.empty() ? 0 : 4);
    int left = (width - rowWidth) / 2;
    const TMsgDlgBtn defaultButton = Buttons.Contains(mbOK)    ? mbOK
                                     : Buttons.Contains(mbYes) ? mbYes
                                     : shown.empty()           ? mbHelp
                                                               : shown.front();
    const TMsgDlgBtn cancelButton = Buttons.Contains(mbCancel) ? mbCancel : Buttons.Contains(mbNo) ? mbNo : mbOK;
    for (TMsgDlgBtn b : shown) {
      auto* button = new TButton(this);
      button->SetName("Button" + std::to_string(static_cast<int>(b)));
      button->SetParent(this);
      button->SetCaption(buttonCaption(b));
      button->SetBounds(left, rowTop, buttonWidth, buttonHeight);
      button->SetModalResult(ModalResultOf(b));
      button->SetDefault(b == defaultButton);
      button->SetCancel(b == cancelButton);
      if (b == mbHelp) button->SetOnClick([HelpCtx](TObject*) { Application->HelpCommand(helpContext, HelpCtx); });
      left += buttonWidth + buttonGap;
    }
    SetClientWidth(width);
    SetClientHeight(shown.empty() ? bottom + margin : rowTop + buttonHeight + margin);
  }
};

class TFormMessageBoxes : public TMessageBoxService {
 public:
  TModalResult Show(const std::string& Caption, const std::string& Text, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                    int HelpCtx) override {
    TModalResult result = mrNone;
    // Forms live on the GUI thread.
    TThread::Synchronize(nullptr, [&] {
      TMessageForm form(Caption, Text, DlgType, Buttons, HelpCtx);
      result = form.ShowModal();
    });
    return result;
  }
};

}  // namespace

TMessageBoxService& FormMessageBoxes() {
  static TFormMessageBoxes boxes;
  return boxes;
}

}  // namespace rv
