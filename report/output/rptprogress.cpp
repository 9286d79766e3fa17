// The progress window.
#include "report/output/rptprogress.h"

#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/winuser.h"
#include "report/core/rptres.h"
#include "report/output/rptuitexts.h"

ORV_CLASS_IMPL(TrptProgress, TForm)

TrptProgress::TrptProgress(TComponent* AOwner) : TForm(AOwner) {
  rptInstallPreviewTexts();
  SetBorderStyle(bsNone);
  TForm::SetPosition(poScreenCenter);
  SetClientWidth(271);
  SetClientHeight(101);
  Panel = new TPanel(this);
  Panel->SetParent(this);
  Panel->SetAlign(alClient);
  Panel->SetBevelWidth(2);
  LMessage = new TLabel(this);
  LMessage->SetParent(Panel);
  LMessage->SetAutoSize(false);
  LMessage->SetAlignment(taCenter);
  LMessage->SetBounds(16, 11, 237, 20);
  LMessage->Font()->SetName("Tahoma");
  Bar = new TProgressBar(this);
  Bar->SetParent(Panel);
  Bar->SetBounds(16, 37, 237, 17);
  Bar->SetMax(100);
  CancelB = new TButton(this);
  CancelB->SetParent(Panel);
  CancelB->SetBounds(100, 64, 75, 25);
  CancelB->SetCancel(true);
  CancelB->SetCaption(rptTextById(2));
  CancelB->OnClick = [this](TObject*) { SetTerminated(true); };
  FActiveForm = Screen() ? Screen()->ActiveForm() : nullptr;
  if (FActiveForm) FActiveForm->SetEnabled(false);
}

TrptProgress::~TrptProgress() { EnableActiveForm(); }

void TrptProgress::EnableActiveForm() {
  TCustomForm* form = FActiveForm;
  FActiveForm = nullptr;
  if (!form) return;
  form->SetEnabled(true);
  // The window hands the activation back to the form it disabled. Left to the window manager,
  // the activation would pass to this window's owner (the main form), which then comes in front
  // of the form the user was working in.
  if (HandleAllocated() && GetActiveWindow() == Handle() && form->Visible() && form->HandleAllocated())
    SetActiveWindow(form->Handle());
}

void TrptProgress::Open(int MaxValue, const std::string& AMessage, bool ShowBar, bool ShowCancel) {
  FTerminated = false;
  CancelB->SetVisible(ShowCancel);
  SetShowProgressBar(ShowBar);
  FPosition = 0;
  Bar->SetPosition(0);
  Bar->SetMax(MaxValue);
  SetMessageText(AMessage);
  Show();
  if (Application()) Application()->ProcessMessages();
}

void TrptProgress::SetMessageText(const std::string& Text) {
  FMessage = Text;
  LMessage->SetCaption(Text);
  LMessage->Repaint();
}

void TrptProgress::SetPosition(int Value) {
  FPosition = Value;
  Bar->SetPosition(Value);
  BringToFront();
  if (Application()) Application()->ProcessMessages();
}

void TrptProgress::SetTerminated(bool Value) {
  FTerminated = Value;
  if (Value) Hide();
}

void TrptProgress::SetShowProgressBar(bool Value) {
  FShowProgressBar = Value;
  Bar->SetVisible(Value);
  LMessage->SetTop(Value ? 15 : 35);
}

void TrptProgress::DoHide() {
  EnableActiveForm();
  TForm::DoHide();
}

void TrptProgress::WndProc(TMessage& Message) {
  TForm::WndProc(Message);
  // The borderless window is dragged by any point of its client area.
  if (Message.Msg == WM_NCHITTEST && Message.Result == HTCLIENT) Message.Result = HTCAPTION;
}
