// Skinning of windows that are not forms of the class library, in practice dialogs of window
// class "#32770": TswSkinWindowWnd (the window object: skinned frame, the dialog's background in
// the skin's form colour, close turned into Cancel) and the skinners of its plain child windows
// (push buttons, check boxes, radio buttons, combo boxes, tab controls, tool bars), chosen by
// window class name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"
#include "platform/win/winuser.h"
#include "skins/swskinctrls.h"
#include "skins/swskinwindow.h"

class TswSkinEngine;
class TswSkinWindowWnd;

class TswSkinWndButton : public TswSkinControlWnd {
public:
  using TswSkinControlWnd::TswSkinControlWnd;
  ~TswSkinWndButton() override;
  // The mouse-over look goes when a tick finds the cursor off the button (interval in ms).
  static constexpr UINT HoverTimerInterval = 138;

protected:
  bool BeforeMessage(TMessage& M) override;
  void AfterMessage(TMessage& M) override;
  void Paint() override;
  void MouseDown() override;
  void MouseUp() override;
  void KeyDown(WPARAM Key) override;
  void KeyUp(WPARAM Key) override;
  void Init() override;
  // Stops the mouse-over timer.
  void Detach() override;

private:
  void Tick();
  void Click();
  bool FClicked = false, FKeyDown = false, FFirstPaint = false, FTimer = false;
};

class TswSkinWndCheckBox : public TswSkinControlWnd {
public:
  using TswSkinControlWnd::TswSkinControlWnd;
  // Cell (from 1) of the 6 cells of the check box strip for a check state and enabled state.
  static int Cell(int Check, bool Enabled);

protected:
  void AfterMessage(TMessage& M) override;
  void Paint() override;
};

class TswSkinWndRadioButton : public TswSkinControlWnd {
public:
  using TswSkinControlWnd::TswSkinControlWnd;
  // Cell (from 1) of the 4 cells of the radio button strip.
  static int Cell(bool Checked, bool Enabled);

protected:
  void AfterMessage(TMessage& M) override;
  void Paint() override;
};

class TswSkinWndComboBox : public TswSkinBorderWndControl {
public:
  using TswSkinBorderWndControl::TswSkinBorderWndControl;

protected:
  void AfterMessage(TMessage& M) override;
  void Paint() override;
};

class TswSkinWndTabControl : public TswSkinControlWnd {
public:
  using TswSkinControlWnd::TswSkinControlWnd;
  void Update() override;

protected:
  bool BeforeMessage(TMessage& M) override;
  void Paint() override;
  void Init() override;

private:
  int FTabHeight = 0;
  LPARAM FSavedItemSize = 0;
  bool FSizeSaved = false;
};

// Tool bars: nothing to draw on this platform (the flat style is only added on old platforms).
class TswSkinWndToolbarWindow32 : public TswSkinControlWnd {
public:
  using TswSkinControlWnd::TswSkinControlWnd;
};

// ---- the window-class skinner table ----
using TswSkinWndMaker =
    std::unique_ptr<TswSkinControlWnd> (*)(HWND, TswSkinWindow*, TswSkinEngine*);
struct TswSkinWndRecord {
  std::string ClassKey;  // upper-case class name, "BUTTON_CHECKBOX" and "BUTTON_RADIOBUTTON"
  TswSkinWndMaker Make;
};
void RegisterWndSkinners(const std::vector<TswSkinWndRecord>& Records);
// The table key of a child window: its upper-case class name, with "_CHECKBOX" or
// "_RADIOBUTTON" for buttons of those types; "" for windows that get no skinner (group boxes,
// owner-drawn buttons, simple combo boxes, animations and progress bars).
std::string WndSkinnerKey(HWND Wnd);
// The skinner for a child window of a skinned dialog, attached; nullptr when none fits. A
// "COMBOBOXEX32" window's skinner goes to its inner combo box; animations and progress bars
// mark the window object as having an animation.
std::unique_ptr<TswSkinControlWnd> FindWndSkinner(HWND Wnd, TswSkinWindowWnd* Window);

// The window object of a window that is not a form (a dialog): subclasses the window's
// procedure, keeps the client size when the skinned frame goes on and off, paints the dialog's
// background in the skin's form colour and turns its close command into Cancel.
class TswSkinWindowWnd : public TswSkinWindow {
  ORV_CLASS(TswSkinWindowWnd, TswSkinWindow)
public:
  TswSkinWindowWnd(HWND Wnd, TswSkinEngine* Engine, bool Dialog);
  ~TswSkinWindowWnd() override;
  HWND GetHandle() const override { return FWnd; }
  TswSkinEngine* Engine() const { return FEngine; }
  // A child of class "SYSANIMATE32" or "MSCTLS_PROGRESS32" was met: no button timers.
  bool HasAnimation() const { return FHasAnimation; }
  void SetHasAnimation() { FHasAnimation = true; }
  int WndSkinnerCount() const { return static_cast<int>(FWndSkinners.size()); }
  // The skinner of a child window, or nullptr.
  TswSkinControlWnd* WndSkinnerOf(HWND Child) const;

protected:
  void ApplySkinState() override;
  void CallDefaultProc(TMessage& M) override;
  void SaveMetrics() override;
  void SkinControls() override;
  bool BeforeMessage(TMessage& M) override;
  void AfterMessage(TMessage& M) override;
  void Attach() override;
  void Detach() override;

private:
  static LRESULT SubclassProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
  static LRESULT InnerDialogProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
  void ReleaseWndControls();
  void InspectChildren();
  HWND FWnd;
  WNDPROC FOldProc = nullptr;
  HWND FInner = nullptr;
  WNDPROC FInnerOldProc = nullptr;
  HMENU FSavedMenu = nullptr;
  LONG_PTR FStyleBefore = 0, FStyleAtErase = 0;
  bool FErased = false, FResizedOnce = false, FExplorer = false, FHasAnimation = false;
  bool FFolderBrowser = false, FApplied = false;
  // What applying the skin added to the window's size, taken off again when it is removed.
  int FAddedWidth = 0, FAddedHeight = 0;
  std::vector<std::unique_ptr<TswSkinControlWnd>> FWndSkinners;
};
