// The search dialog.
#include "report/output/rptsearch.h"

#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"
#include "report/core/rptres.h"
#include "report/output/rptuitexts.h"

ORV_CLASS_IMPL(TrptSearchDialog, TForm)

std::string& rptLastSearchText() {
  static std::string text;
  return text;
}

TrptSearchDialog::TrptSearchDialog(TComponent* AOwner) : TForm(AOwner) {
  rptInstallPreviewTexts();
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption(rptTextById(300));
  SetClientWidth(300);
  SetClientHeight(160);
  Panel2 = new TPanel(this);
  Panel2->SetParent(this);
  Panel2->SetBevelOuter(bvNone);
  Panel2->SetAlign(alTop);
  Panel2->SetHeight(48);
  TextL = new TLabel(this);
  TextL->SetParent(Panel2);
  TextL->SetBounds(8, 6, 280, 14);
  TextL->SetCaption(rptTextById(301));
  TextE = new TEdit(this);
  TextE->SetParent(Panel2);
  TextE->SetBounds(8, 22, 284, 21);
  ReplacePanel = new TPanel(this);
  ReplacePanel->SetVisible(false);
  ReplacePanel->SetParent(this);
  ReplacePanel->SetBevelOuter(bvNone);
  ReplacePanel->SetAlign(alTop);
  ReplacePanel->SetHeight(44);
  ReplacePanel->SetTop(48);
  ReplaceL = new TLabel(this);
  ReplaceL->SetParent(ReplacePanel);
  ReplaceL->SetBounds(8, 2, 280, 14);
  ReplaceL->SetCaption(rptTextById(303));
  ReplaceE = new TEdit(this);
  ReplaceE->SetParent(ReplacePanel);
  ReplaceE->SetBounds(8, 18, 284, 21);
  Panel3 = new TPanel(this);
  Panel3->SetParent(this);
  Panel3->SetBevelOuter(bvNone);
  Panel3->SetAlign(alClient);
  SearchL = new TGroupBox(this);
  SearchL->SetParent(Panel3);
  SearchL->SetBounds(8, 4, 190, 60);
  SearchL->SetCaption(rptTextById(302));
  CaseCB = new TCheckBox(this);
  CaseCB->SetParent(SearchL);
  CaseCB->SetBounds(10, 16, 170, 17);
  CaseCB->SetCaption(rptTextById(305));
  TopCB = new TCheckBox(this);
  TopCB->SetParent(SearchL);
  TopCB->SetBounds(10, 36, 170, 17);
  TopCB->SetCaption(rptTextById(304));
  OkB = new TButton(this);
  OkB->SetParent(Panel3);
  OkB->SetBounds(214, 8, 75, 25);
  OkB->SetCaption(rptTextById(1));
  OkB->SetDefault(true);
  OkB->SetModalResult(mrOk);
  CancelB = new TButton(this);
  CancelB->SetParent(Panel3);
  CancelB->SetBounds(214, 38, 75, 25);
  CancelB->SetCaption(rptTextById(2));
  CancelB->SetCancel(true);
  CancelB->SetModalResult(mrCancel);
}

void TrptSearchDialog::DoShow() {
  TextE->SetText(rptLastSearchText());
  SetActiveControl(TextE);
  TextE->SelectAll();
  TForm::DoShow();
}

void TrptSearchDialog::DoHide() {
  if (ModalResult() == mrOk) rptLastSearchText() = TextE->Text();
  TForm::DoHide();
}
