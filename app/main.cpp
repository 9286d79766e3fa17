// Entry point of the program. For now it opens the main window of the platform layer: a form
// with a label and a button that closes it. With ORVANTA_SCREENSHOT naming a file, the window is
// rendered once it has painted, saved there as PNG, and the program exits (run.sh uses this
// on a virtual display).
#include <cstdio>
#include <cstdlib>

#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

namespace {

class TMainForm : public TForm {
public:
  explicit TMainForm(TComponent* Owner) : TForm(Owner) {
    SetName("MainForm");
    SetCaption("Orvanta");
    SetPosition(poScreenCenter);
    SetClientWidth(360);
    SetClientHeight(140);
    auto* label = new TLabel(this);
    label->SetName("Label1");
    label->SetParent(this);
    label->SetLeft(24);
    label->SetTop(28);
    label->SetCaption("Orvanta 1.0 \xE2\x80\x94 photo selection");
    auto* button = new TButton(this);
    button->SetName("CloseButton");
    button->SetParent(this);
    button->SetBounds(360 - 24 - 75, 140 - 20 - 25, 75, 25);
    button->SetCaption("Close");
    button->SetDefault(true);
    button->OnClick = [this](TObject*) { Close(); };
  }
};

}  // namespace

int main() {
  Application()->Initialize();
  Application()->SetTitle("Orvanta");
  TMainForm* form = nullptr;
  Application()->CreateForm(form);
  if (const char* shot = std::getenv("ORVANTA_SCREENSHOT"); shot && *shot) {
    form->Show();
    Application()->ProcessMessages();
    UpdateAllWindows();
    bool ok = SaveWindowToPng(form->Handle(), shot);
    std::printf("orvanta: %s display, screenshot %s\n", DisplayBackendName(), ok ? "saved" : "failed");
    return ok ? 0 : 1;
  }
  Application()->Run();
  return 0;
}
