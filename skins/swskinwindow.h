// Window objects of the form skin engine: TswSkinWindow takes over one top-level window's
// messages and replaces its non-client area by the skin's caption, caption buttons and borders,
// computes the client area, answers hit-tests and shapes the window with a region;
// TswSkinWindowVCL attaches it to a form of the class library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"
#include "platform/win/winuser.h"

class TswSkinEngine;
class TswSkinControl;
class TCustomForm;

// Caption elements.
enum : int { swHotNone = -1, swHotIcon = 0, swHotClose = 1, swHotMax = 2, swHotMin = 3, swHotHelp = 4 };

class TswSkinWindow : public TComponent {
  ORV_CLASS(TswSkinWindow, TComponent)
public:
  TswSkinWindow(TComponent* AOwner, TswSkinEngine* Engine, bool Dialog);
  ~TswSkinWindow() override;

  void SetSkinActive(bool On);
  bool SkinOn() const { return FSkinOn; }
  bool Initialized() const { return FInitialized; }
  bool CaptionActive() const { return FActive; }
  void UpdateSkin();
  void PaintFrame();
  void SetRegion();
  // The caption height while the skin is on, else 0.
  int CaptionHeight() const;
  // The caption element at a point relative to the window's top-left corner, as the last paint
  // laid the elements out.
  int ElementAt(int X, int Y) const;
  // Hit rectangles (window coordinates) of the elements at the last paint; empty when absent.
  RECT ElementRect(int Element) const { return FElementRect[Element]; }
  int HotElement() const { return FHot; }
  // The caption buttons shown at the last paint (for the system menu).
  bool ShowsMinimize() const { return FShowsMin; }
  bool ShowsMaximize() const { return FShowsMax; }
  bool ShowsClose() const { return FShowsClose; }
  // Runs a caption element's command (posted as WM_SYSCOMMAND).
  void Command(int Element);
  // The skinners attached to the window's controls.
  int SkinnerCount() const { return static_cast<int>(FSkinners.size()); }
  TswSkinControl* SkinnerOf(const TControl* Control) const;

  virtual HWND GetHandle() const = 0;

protected:
  // Runs the message through the skin, calling the window's own procedure where it should.
  void WndProc(TMessage& M);
  virtual void ApplySkinState() {}
  virtual void CallDefaultProc(TMessage& M) = 0;
  virtual void SaveMetrics() {}
  virtual void SkinControls() {}
  // First look at a message, before the window's own procedure; false ends its handling.
  virtual bool BeforeMessage(TMessage&) { return true; }
  virtual void AfterMessage(TMessage&) {}
  // The window object answers WM_NCACTIVATE itself (forms); otherwise the window's own
  // procedure runs and the frame is painted again afterwards.
  virtual bool HandlesNCActivate() const { return false; }
  // Height of the skinned menu bar (0 without one).
  virtual int GetMenuBarHeight() const { return 0; }
  // Every skinner gives its control the WindowProc back before it is freed.
  void ReleaseControls();
  void UpdateControls();
  virtual bool HasIcon() const { return false; }
  // The icon the caption shows; nullptr: a 16 x 16 copy of the application's icon.
  virtual HICON GetIconHandle() const { return nullptr; }
  // Draws the caption icon 16 x 16 at (X, Y) of the canvas (nothing when there is none).
  void DrawCaptionIcon(TCanvas* C, int X, int Y) const;
  virtual bool HasCloseButton() const { return true; }
  virtual bool HasMaximizeButton() const { return false; }
  virtual bool HasMinimizeButton() const { return false; }
  virtual bool HasHelpButton() const { return false; }
  virtual bool InitializeAtOnce() const { return false; }
  // Multiple-document windows: the MDI form and its documents.
  virtual bool IsMDIForm() const { return false; }
  virtual bool IsMDIChild() const { return false; }
  // A maximised document (its caption lies outside the client window).
  bool IsMaximizedMDIChild() const;
  virtual void Attach() = 0;
  virtual void Detach() = 0;

  TswSkinEngine* FEngine;
  bool FHasCaption = true, FHasBorder = true, FDestroying = false, FIsDialog;
  bool FActive = true, FSkinOn = false, FInitialized = false, FAllowed = true, FPressed = false;
  bool FCaptionRegion = false, FBottomRegion = false;
  bool FMDIMaxNotified = false;
  int FHot = swHotNone, FButtonStripLeft = 10000;
  int FTopFrame = 0, FBottomFrame = 0, FSideFrame = 0, FMenuZoneOffset = 0;
  int FSavedClientWidth = 0, FSavedClientHeight = 0;
  bool FShowsMax = false, FShowsMin = false, FShowsClose = false;
  RECT FElementRect[5] = {};
  std::unique_ptr<TBitmap> FCaptionBitmap, FBottomBitmap;
  std::vector<std::unique_ptr<TswSkinControl>> FSkinners;
  // False once the object is freed (a handler may free the form while a message is handled).
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

class TswSkinWindowVCL : public TswSkinWindow {
  ORV_CLASS(TswSkinWindowVCL, TswSkinWindow)
public:
  TswSkinWindowVCL(TCustomForm* Form, TswSkinEngine* Engine, bool Dialog);
  ~TswSkinWindowVCL() override;
  HWND GetHandle() const override;
  TCustomForm* Form() const { return FForm; }
  // The skinned menu bar that shows the form's main menu while the skin is on.
  class TswSkinMenuBar* MenuBar() const { return FMenuBar; }
  int GetMenuBarHeight() const override;
  // The menu bar's custom drawing (its OnCustomDraw and OnCustomDrawButton): the skin's menu
  // bar picture or gradient, and each button in the skin's top menu colours (Tag 888 while
  // drawn hot or open, else 0).
  void PaintMenuBar(TToolBar* Sender, const RECT& ARect, bool& DefaultDraw);
  void PaintMenuButton(TToolBar* Sender, TToolButton* Button, TCustomDrawState State,
                       bool& DefaultDraw);

  // ---- Multiple-document forms (swskinmdi.cpp) ----
  // The control buttons of an MDI form (0 close, 1 restore, 2 minimise; null otherwise).
  class TswSkinMenuBarControlButton* MDIButton(int Index) const { return FMDIButtons[Index]; }
  // The document menu merged into an MDI form's bar (from message 33768).
  class TMainMenu* ChildMenu() const { return FChildMenu; }
  // Lists the visible documents under the form's window menu (after a separator), the active
  // one checked; a click brings a document forward (restored when minimised).
  void RebuildWindowList();
  const std::vector<class TMenuItem*>& WindowListItems() const { return FWindowItems; }
  bool IsMDIForm() const override;
  bool IsMDIChild() const override;

protected:
  void ApplySkinState() override;
  void CallDefaultProc(TMessage& M) override;
  void SaveMetrics() override;
  void SkinControls() override;
  void SkinOwnedControls(TComponent* Owner);
  void AfterMessage(TMessage& M) override;
  bool HasIcon() const override;
  HICON GetIconHandle() const override;
  bool HasCloseButton() const override;
  bool HasMaximizeButton() const override;
  bool HasMinimizeButton() const override;
  bool InitializeAtOnce() const override { return true; }
  bool HandlesNCActivate() const override { return true; }
  void Attach() override;
  void Detach() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TCustomForm* FForm;
  TWndMethod FOldWindowProc;
  // Popup menus of the form owner-drawn by the engine while the skin is applied.
  // Builds the menu bar from the saved main menu's top-level items.
  void BuildMenuBar();
  // Notes where the form's unaligned controls are (before the skin changes anything).
  void SaveControlBounds();
  // Puts the noted controls Height pixels lower (below the menu bar), or, with 0, back where
  // they were, and forgets them then.
  void PlaceControls(int Height);
  std::vector<class TMenu*> FMenus;
  bool FApplied = false, FSwept = false;
  TColor FSavedColor = 0;
  class TswSkinMenuBar* FMenuBar = nullptr;
  class TMainMenu* FSavedMenu = nullptr;
  class TApplicationEvents* FAppEvents = nullptr;
  std::vector<std::pair<TControl*, RECT>> FShifted;

  // Multiple-document forms.
  class TswSkinMenuBarControlButton* FMDIButtons[3] = {nullptr, nullptr, nullptr};
  class TMainMenu* FChildMenu = nullptr;
  class TMenuItem* FSavedWindowMenu = nullptr;
  std::unique_ptr<class TMenuItem> FParkedWindowMenu;  // the client's list goes here while skinned
  std::vector<class TMenuItem*> FWindowItems;
  HWND FMDIClient = nullptr;
  WNDPROC FMDIClientOldProc = nullptr;
  bool FMDIHidden = false;
  void AttachMDI();
  void DetachMDI();
  // Handles the MDI messages of the form after its own procedure; true when it answered.
  bool MDIAfterMessage(TMessage& M);
  // Applying or removing the skin: the MDI buttons, the window menu, the documents' captions.
  void MDIApplySkin(bool On);
  void PlaceMDIButtons();
  void ShowMDIButtons(bool Show);
  void ClearWindowList();
  // The top-level items of the menu bar, with an MDI form's document menu merged by GroupIndex.
  void CollectMenuBarItems(std::vector<class TMenuItem*>& Items) const;
  // The form's client window procedure while skinned (after the previous one ran).
  void MDIClientMessage(HWND Wnd, UINT Msg, WPARAM W, LPARAM L, LRESULT& Result);
  friend LRESULT SwMdiClientProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
};
