// The password prompt and the dialog-page window.
#include "report/output/rptpassword.h"

#include <memory>

#include "platform/vcl/stdctrls.h"
#include "platform/win/winuser.h"
#include "report/core/rptclass.h"
#include "report/core/rptres.h"
#include "report/output/rptuitexts.h"

ORV_CLASS_IMPL(TrptPasswordForm, TForm)
ORV_CLASS_IMPL(TrptDialogForm, TForm)

TrptPasswordForm::TrptPasswordForm(TComponent* AOwner) : TForm(AOwner) {
  rptInstallPreviewTexts();
  SetBorderStyle(bsDialog);
  SetPosition(poDesktopCenter);
  SetClientWidth(249);
  SetClientHeight(99);
  PasswordL = new TLabel(this);
  PasswordL->SetParent(this);
  PasswordL->SetBounds(4, 8, 241, 14);
  PasswordE = new TEdit(this);
  PasswordE->SetParent(this);
  PasswordE->SetBounds(4, 26, 241, 21);
  PasswordE->SetPasswordChar('*');
  OkB = new TButton(this);
  OkB->SetParent(this);
  OkB->SetBounds(88, 64, 75, 25);
  OkB->SetDefault(true);
  OkB->SetModalResult(mrOk);
  CancelB = new TButton(this);
  CancelB->SetParent(this);
  CancelB->SetBounds(170, 64, 75, 25);
  CancelB->SetCancel(true);
  CancelB->SetModalResult(mrCancel);
  // The caption and prompt come from the designer's text table (the keys show until it loads).
  SetCaption(rptTextById(5000));
  PasswordL->SetCaption(rptTextById(5001));
  OkB->SetCaption(rptTextById(1));
  CancelB->SetCaption(rptTextById(2));
  SetActiveControl(PasswordE);
}

TrptDialogForm::TrptDialogForm(TComponent* AOwner) : TForm(AOwner) {
  SetCaption(" ");
  SetClientWidth(115);
  SetClientHeight(59);
  SetKeyPreview(true);
  Font()->SetName("Tahoma");
  Font()->SetHeight(-11);
  OnCloseQuery = [](TObject*, bool& CanClose) { CanClose = false; };
}

void TrptDialogForm::WndProc(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_WANTARROWS | DLGC_WANTTAB;
    return;
  }
  TForm::WndProc(Message);
  if (Message.Msg == WM_EXITSIZEMOVE && OnModify) OnModify(this);
}

void rptInstallPasswordForm() {
  rptServices().AskPassword = [](std::string& Typed) {
    std::unique_ptr<TrptPasswordForm> form(new TrptPasswordForm(nullptr));
    if (form->ShowModal() != mrOk) return false;
    Typed = form->PasswordE->Text();
    return true;
  };
}
