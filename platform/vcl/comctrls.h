// Common controls: status bar, progress bar, page control with tab sheets.
#pragma once

#include <vector>

#include "platform/vcl/stdctrls.h"

class TStatusBar;
class TStatusPanel {
public:
  std::string Text;
  int Width = 50;
  TAlignment Alignment = taLeftJustify;
};

// A bar at the bottom of a form: panels of given widths (the last takes the rest), or one
// SimpleText when SimplePanel is on.
class TStatusBar : public TCustomControl {
  ORV_CLASS(TStatusBar, TCustomControl)
public:
  explicit TStatusBar(TComponent* AOwner);
  int PanelCount() const { return static_cast<int>(FPanels.size()); }
  TStatusPanel& Panels(int Index) { return FPanels.at(static_cast<size_t>(Index)); }
  TStatusPanel& AddPanel();
  void ClearPanels();
  const std::string& SimpleText() const { return FSimpleText; }
  void SetSimpleText(const std::string& Value);
  bool SimplePanel() const { return FSimplePanel; }
  void SetSimplePanel(bool Value);
  // Panel texts are set through here so the bar repaints.
  void SetPanelText(int Index, const std::string& Value);

protected:
  void Paint() override;

private:
  std::vector<TStatusPanel> FPanels;
  std::string FSimpleText;
  bool FSimplePanel = false;
};

// Position between Min and Max shown as a filled bar (PBM_SETPOS sets it too).
class TProgressBar : public TWinControl {
  ORV_CLASS(TProgressBar, TWinControl)
public:
  explicit TProgressBar(TComponent* AOwner);
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int Position() const { return FPosition; }
  void SetMin(int Value);
  void SetMax(int Value);
  void SetPosition(int Value);
  void StepBy(int Delta) { SetPosition(FPosition + Delta); }
  void WndProc(TMessage& Message) override;

protected:
  void PaintWindow(HDC DC) override;

private:
  int FMin = 0, FMax = 100, FPosition = 0;
};
enum : UINT { PBM_SETRANGE = WM_USER + 1, PBM_SETPOS = WM_USER + 2, PBM_GETPOS = WM_USER + 8 };

class TPageControl;

// One page of a page control; its tab can be hidden (TabVisible) while the page stays.
class TTabSheet : public TWinControl {
  ORV_CLASS(TTabSheet, TWinControl)
public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* Value);
  bool TabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value);
  int PageIndex() const;
  TNotifyEvent OnShow, OnHide;

private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
};

class TPageControl : public TCustomControl {
  ORV_CLASS(TPageControl, TCustomControl)
public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Pages(int Index) const { return FPages.at(static_cast<size_t>(Index)); }
  TTabSheet* ActivePage() const { return FActivePage; }
  void SetActivePage(TTabSheet* Page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int Value);
  // The tab at a client point (visible tabs only), or -1; tabs count only visible sheets.
  int IndexOfTabAt(int X, int Y);
  RECT TabRect(int PageIndex);
  void SelectNextPage(bool GoForward);
  void AlignControls(TControl* AControl, RECT& Rect) override;
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnChange;
  std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;

protected:
  void Paint() override;

private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  void ShowPage(TTabSheet* Page);
  int TabHeight() const { return 20; }
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
};
