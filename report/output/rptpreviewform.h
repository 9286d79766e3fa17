// The preview window: a toolbar over the preview control and a two-panel status bar; its
// commands are thin handlers that call the preview control.
#pragma once

#include <memory>
#include <string>

#include "platform/vcl/forms.h"

class TToolBar;
class TToolButton;
class TStatusBar;
class TEdit;
class TImageList;
class TPopupMenu;
class TSpeedButton;
class TrptPreview;
class TrptReport;
class TrptComboBox;
class TrptTBPanel;

class TrptPreviewForm : public TForm {
  ORV_CLASS(TrptPreviewForm, TForm)
public:
  explicit TrptPreviewForm(TComponent* AOwner);
  ~TrptPreviewForm() override;

  TrptPreview* Preview = nullptr;
  bool FreeOnClose = false;
  TrptReport* Report() const;

  TToolBar* ToolBar;
  TToolButton *PrintB, *OpenB, *SaveB, *ExportB, *FindB, *Sep1, *ZoomWholePageB, *ZoomPageWidthB, *Zoom100B,
      *Zoom50B;
  TrptTBPanel* Sep3;
  TrptComboBox* ZoomCB;
  TToolButton *Sep2, *PageSettingsB, *OutlineB, *Sep5, *HandToolB, *ZoomToolB, *Sep7, *NewPageB, *DelPageB,
      *DesignerB, *Sep6, *FirstB, *PriorB;
  TrptTBPanel* Sep4;
  TEdit* PageE;
  TToolButton *NextB, *LastB;
  TrptTBPanel* rpTBPanel1;
  TSpeedButton* CancelB;
  TStatusBar* StatusBar;
  TImageList* MainImages;
  TPopupMenu* ExportPopup;
  TPopupMenu* HiddenMenu;

  // Configures the window from the report's preview options and binds the preview.
  void ApplyPreviewOptions();
  void ShowStatusText(const std::string& Text);
  void UpdateButtons();
  void UpdateZoom();
  void UpdatePageInfo(TrptPreview* Sender, int PageNo);

  // The handlers (also used by tests and keys).
  void PrintBClick();
  void ZoomCBClick();
  void PageEClick();
  void CancelBClick();
  void ExportItemClick(int Tag);

  void WndProc(TMessage& Message) override;
  bool DoKeyDown(TMessage& M) override;
  bool DoKeyPress(TMessage& M) override;

private:
  void DestroySep(TToolButton*& Sep);
};

// Installs the preview window as the report's stand-alone preview and its status-text hook.
void rptInstallPreviewForm();
