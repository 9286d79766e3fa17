// The progress window of preparing, printing and exporting: a message, a bar and Cancel. The
// form that was active when it appeared stays disabled until it hides.
#pragma once

#include <string>

#include "platform/vcl/forms.h"

class TPanel;
class TLabel;
class TProgressBar;
class TButton;

class TrptProgress : public TForm {
  ORV_CLASS(TrptProgress, TForm)
public:
  explicit TrptProgress(TComponent* AOwner);
  ~TrptProgress() override;

  void Open(int MaxValue, const std::string& AMessage, bool ShowBar, bool ShowCancel);
  void SetMessageText(const std::string& Text);
  void SetPosition(int Value);
  void Tick() { SetPosition(FPosition + 1); }
  void Reset() { SetPosition(0); }
  void SetTerminated(bool Value);
  bool Terminated() const { return FTerminated; }
  int Position() const { return FPosition; }
  const std::string& Message() const { return FMessage; }
  bool ShowProgressBar() const { return FShowProgressBar; }
  void SetShowProgressBar(bool Value);

  TPanel* Panel;
  TLabel* LMessage;
  TProgressBar* Bar;
  TButton* CancelB;

  void WndProc(TMessage& Message) override;
  void DoHide() override;

private:
  void EnableActiveForm();
  int FPosition = 0;
  std::string FMessage;
  bool FTerminated = false;
  bool FShowProgressBar = true;
  TCustomForm* FActiveForm = nullptr;
};
