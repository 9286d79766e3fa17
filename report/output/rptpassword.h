// The password prompt of protected reports and the window behind a report's dialog pages.
#pragma once

#include <functional>

#include "platform/vcl/forms.h"

class TLabel;
class TEdit;
class TButton;

class TrptPasswordForm : public TForm {
  ORV_CLASS(TrptPasswordForm, TForm)
public:
  explicit TrptPasswordForm(TComponent* AOwner);
  TLabel* PasswordL;
  TEdit* PasswordE;
  TButton* OkB;
  TButton* CancelB;
};

// The window of a dialog page: it never closes by itself (only by a modal result), and tells
// when the user finished moving or sizing it.
class TrptDialogForm : public TForm {
  ORV_CLASS(TrptDialogForm, TForm)
public:
  explicit TrptDialogForm(TComponent* AOwner);
  std::function<void(TObject* Sender)> OnModify;
  void WndProc(TMessage& Message) override;
};

// Installs the password prompt as the report's password window.
void rptInstallPasswordForm();
