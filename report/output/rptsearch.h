// The search dialog: the text to find, case sensitivity, whether to start at the first page,
// and (for the designer) a replacement text.
#pragma once

#include <string>

#include "platform/vcl/forms.h"

class TPanel;
class TLabel;
class TEdit;
class TCheckBox;
class TButton;
class TGroupBox;

class TrptSearchDialog : public TForm {
  ORV_CLASS(TrptSearchDialog, TForm)
public:
  explicit TrptSearchDialog(TComponent* AOwner);
  TPanel* Panel2;
  TLabel* TextL;
  TEdit* TextE;
  TPanel* ReplacePanel;
  TLabel* ReplaceL;
  TEdit* ReplaceE;
  TPanel* Panel3;
  TButton* OkB;
  TButton* CancelB;
  TGroupBox* SearchL;
  TCheckBox* CaseCB;
  TCheckBox* TopCB;
  // Shows the remembered text, selected; on OK the typed text is remembered.
  void DoShow() override;
  void DoHide() override;
};

// The text last searched in the dialog (kept for the whole process).
std::string& rptLastSearchText();
