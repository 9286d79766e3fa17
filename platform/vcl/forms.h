// Forms, the application and the screen: TCustomForm/TForm (top-level windows with border
// styles, positions, window states, modal loops, close handling, key preview, active control),
// TApplication (the message loop, exceptions, message boxes, OnMessage and TApplicationEvents),
// and TScreen (forms, active form, cursors, screen and work-area size).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"

#include "platform/vcl/controls.h"

ORV_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
using TBorderIcons = TSet<TBorderIcon>;
ORV_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
         poDesktopCenter, poMainFormCenter, poOwnerFormCenter)
ORV_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
ORV_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)
ORV_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize)
ORV_ENUM(TTileMode, tbHorizontal, tbVertical)

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
// A key-down as the shortcut handlers see it; Handled true takes the key before the menus and
// action lists look for its shortcut.
struct TWMKey {
  UINT Msg;
  WORD CharCode;
  LPARAM KeyData;
  LRESULT Result;
};
using TShortCutEvent = std::function<void(TWMKey& Msg, bool& Handled)>;

// A window whose children may reach beyond its client area: with AutoScroll the scroll bars
// follow the children's extent, and scrolling moves the children (ScrollBy).
class TScrollingWinControl : public TWinControl {
  ORV_CLASS(TScrollingWinControl, TWinControl)
public:
  explicit TScrollingWinControl(TComponent* AOwner);
  bool AutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool Value);
  // Scroll positions (pixels scrolled away to the left and top).
  int HorzPosition() const { return FPos[0]; }
  int VertPosition() const { return FPos[1]; }
  void SetHorzPosition(int Value) { ScrollTo(0, Value); }
  void SetVertPosition(int Value) { ScrollTo(1, Value); }
  void ScrollBy(int DeltaX, int DeltaY);
  // Makes a child visible by scrolling.
  void ScrollInView(TControl* AControl);
  void UpdateScrollBars();
  static void Publish(TPublisher<TScrollingWinControl>& P);
  void WndProc(TMessage& Message) override;
  void AlignControls(TControl* AControl, RECT& Rect) override;

private:
  void ScrollTo(int Bar, int Pos);
  bool FAutoScroll = true;
  int FPos[2] = {0, 0};
  int FRange[2] = {0, 0};
  bool FUpdating = false;
};

class TScrollBox : public TScrollingWinControl {
  ORV_CLASS(TScrollBox, TScrollingWinControl)
public:
  explicit TScrollBox(TComponent* AOwner);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  static void Publish(TPublisher<TScrollBox>& P);

protected:
  void CreateParams(TCreateParams& Params) override;

private:
  TBorderStyle FBorderStyle = bsSingle;
};

class TCustomForm : public TWinControl {
  ORV_CLASS(TCustomForm, TWinControl)
public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  static void Publish(TPublisher<TCustomForm>& P);

  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons Value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState Value);
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Value);
  // The form's menu bar (a TMainMenu), or null.
  class TMainMenu* Menu() const { return FMenu; }
  void SetMenu(class TMainMenu* Value);
  // The form's own icon (empty by default: the window shows the application's).
  TIcon* Icon() const { return FIcon.get(); }
  void SetIcon(TIcon* Value);
  bool Active() const { return FActive; }
  // Runs OnCreate once the constructors are done (CreateForm calls it; so may other creators).
  void FinishCreate();
  // A form loaded from a description (the text form of the component stream).
  void LoadFromText(const std::string& Text);

  void Show();
  void Hide() { SetVisible(false); }
  // Runs a modal loop until ModalResult is set (or the form closes); other forms are disabled
  // meanwhile. Returns the modal result.
  virtual TModalResult ShowModal();
  // Asks OnCloseQuery, then OnClose decides: hide (the default), free (later, safely), minimise
  // or nothing. A modal form closes by setting ModalResult to mrCancel.
  void Close();
  bool CloseQuery();
  // Frees the form once the messages being handled now are done.
  void Release();
  void SetFocus() override;
  void FocusControl(TWinControl* Control);
  // Called by a control that got the focus: moves ActiveControl, sends CM_EXIT/CM_ENTER.
  bool SetFocusedControl(TWinControl* Control);
  void ControlRemoving(TWinControl* Control);
  void SetVisible(bool Value) override;
  void SetParent(TWinControl* AParent) override;
  // Before the window exists, the client area follows from the border style.
  RECT ClientRect() override;

  bool DoKeyDown(TMessage& M) override;
  // A key-down message (WM_KEYDOWN or WM_SYSKEYDOWN): TApplication's OnShortCut, then the
  // form's may take it; else the main menu's item or the form's action lists' action with that
  // shortcut runs. True when the key was taken.
  bool IsShortCut(const TMessage& KeyMessage);
  bool DoKeyUp(TMessage& M) override;
  bool DoKeyPress(TMessage& M) override;
  void WndProc(TMessage& Message) override;

  TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate, OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TShortCutEvent OnShortCut;

  void Notification(TComponent* AComponent, TOperation Operation) override;

  // ---- Multiple-document forms (forms_mdi.cpp) ----
  // An fsMDIForm form holds the client window ("MDICLIENT", ClientHandle) in the client area its
  // aligned controls leave; fsMDIChild forms are made inside the main form's client window
  // (EInvalidOperation when the main form is no MDI form). The active child's main menu is
  // merged into the MDI form's by GroupIndex.
  HWND ClientHandle() const { return FClientHandle; }
  // The children in the client's z-order (the active one first).
  int MDIChildCount() const;
  TCustomForm* MDIChildren(int I) const;
  TCustomForm* ActiveMDIChild() const;
  // The menu item whose sub-menu lists the children (kept by the client window).
  class TMenuItem* WindowMenu() const { return FWindowMenu; }
  void SetWindowMenu(class TMenuItem* Value);
  TTileMode TileMode() const { return FTileMode; }
  void SetTileMode(TTileMode Value) { FTileMode = Value; }
  void Cascade();
  void Tile();
  void ArrangeIcons();
  void Next();
  void Previous();
  void DefaultHandler(TMessage& Message) override;
  void AlignControls(TControl* AControl, RECT& Rect) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void CreateWindowHandle(const TCreateParams& Params) override;
  void PaintWindow(HDC DC) override;
  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoHide();
  virtual void Activate();
  virtual void Deactivate();
  void Loaded() override;
  // Streams the components without a parent (menus, timers, action lists, data sets) before
  // the controls, so that references to them are written and found again.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  void PlaceForm();
  std::unique_ptr<TControlCanvas> FCanvas;

public:
  TCanvas* Canvas() const { return FCanvas.get(); }

private:
  std::unique_ptr<TIcon> FIcon = std::make_unique<TIcon>();
  TBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  TFormStyle FFormStyle = fsNormal;
  bool FKeyPreview = false;
  TModalResult FModalResult = mrNone;
  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  class TMainMenu* FMenu = nullptr;
  bool FActive = false;
  bool FModal = false;
  bool FCreated = false;
  // Multiple-document forms.
  HWND FClientHandle = nullptr;
  class TMenuItem* FWindowMenu = nullptr;
  TTileMode FTileMode = tbHorizontal;
  void CreateMDIClient();
  void MDIChildActivated(bool Active);
  TCustomForm* MDIParentForm() const;
};

class TForm : public TCustomForm {
  ORV_CLASS(TForm, TCustomForm)
public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

class TApplicationEvents;

// What CM_HINTSHOW carries (LParam points to it): the control may change any field; a non-zero
// result cancels the hint. The window is kept inside the work area wherever HintPos puts it.
struct THintInfo {
  TControl* HintControl = nullptr;
  POINT HintPos{};       // screen point of the hint window's top-left corner
  int HintMaxWidth = 0;  // wider text wraps
  TColor HintColor = clInfoBk;
  // The part of HintControl (client coordinates) the hint belongs to: the whole client area
  // unless narrowed. Leaving it, even within the control, hides the hint and starts a new one.
  RECT CursorRect{};
  POINT CursorPos{};     // mouse in HintControl's client coordinates
  int ReshowTimeout = 0;  // ms after which the hint is asked for and shown again (0: never)
  int HideTimeout = 0;    // ms the hint stays (the application's HintHidePause; 0 or less: stays)
  std::string HintStr;
};
using TShowHintEvent = std::function<void(std::string& HintStr, bool& CanShow, THintInfo& HintInfo)>;

// The short part of a hint (before '|') and the long part (after '|', or the whole hint).
std::string GetShortHint(const std::string& Hint);
std::string GetLongHint(const std::string& Hint);

// A borderless top-level window showing one hint text in the info colours.
class THintWindow : public TCustomControl {
  ORV_CLASS(THintWindow, TCustomControl)
public:
  explicit THintWindow(TComponent* AOwner);
  ~THintWindow() override;
  // The window rectangle (at 0,0) the text needs, wrapped at MaxWidth pixels.
  virtual RECT CalcHintRect(int MaxWidth, const std::string& AHint);
  // Shows the window at Rect (screen) with the text, above every other window, without taking
  // the focus.
  virtual void ActivateHint(RECT Rect, const std::string& AHint);
  // Hides the window and lets its handle go.
  void ReleaseHandle();
  bool Active() const { return FActive; }

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void WndProc(TMessage& Message) override;

private:
  bool FActive = false;
};

class TApplication : public TComponent {
  ORV_CLASS(TApplication, TComponent)
public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  void Initialize();
  // Creates a form owned by the application; the first becomes MainForm.
  template <class TF> void CreateForm(TF*& Reference) {
    Reference = new TF(this);
    if (!FMainForm) FMainForm = Reference;
    Reference->FinishCreate();
  }
  // Shows the main form and runs the message loop until Terminate or the main form closes.
  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Handles every message waiting now, then returns.
  void ProcessMessages();
  // Handles one message, waiting for one (and running idle work) when none is waiting.
  void HandleMessage();
  // Shows the default error box with the exception's message (or calls OnException).
  void HandleException(TObject* Sender, const Exception& E);
  void ShowException(const Exception& E);
  // A message box owned by the active form: MB_* flags, returns ID*.
  int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags);

  TCustomForm* MainForm() const { return FMainForm; }
  void SetMainForm(TCustomForm* F) { FMainForm = F; }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }
  // The program's icon (empty until the program gives one).
  TIcon* Icon() const { return FIcon.get(); }
  void SetIcon(TIcon* Value) {
    if (Value)
      FIcon->Assign(Value);
    else
      FIcon = std::make_unique<TIcon>();
  }
  bool Active() const { return FActive; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value) { FShowHint = Value; }
  int HintPause() const { return FHintPause; }
  void SetHintPause(int Value) { FHintPause = Value; }
  int HintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(int Value) { FHintHidePause = Value; }
  // The pause before a new hint when one was just showing (moving between hinted parts).
  int HintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(int Value) { FHintShortPause = Value; }
  TColor HintColor() const { return FHintColor; }
  void SetHintColor(TColor Value) { FHintColor = Value; }
  // The long part of the hint of the control under the mouse (text after '|', or all of it);
  // setting it runs OnHint.
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  // The window the current hint is shown in (made on first use).
  THintWindow* HintWindow();
  // The control whose hint is pending or shown, or null.
  TControl* HintControl() const { return FHintControl; }
  // Hides the hint and forgets the control it belonged to.
  void CancelHint();
  // The hint timers fire here (ids kHintShowTimer, kHintHideTimer and kHintReshowTimer on the
  // hint window).
  void HintTimerExpired(UINT_PTR Id);
  static constexpr UINT_PTR kHintShowTimer = 1, kHintHideTimer = 2, kHintReshowTimer = 3;
  TNotifyEvent OnHint;
  TShowHintEvent OnShowHint;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool ShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool Value) { FShowMainForm = Value; }
  int ModalLevel() const { return FModalLevel; }

  TMessageEvent OnMessage;
  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TNotifyEvent OnActivate, OnDeactivate;
  // Every key-down of a form's control, before the form's OnShortCut and its menus.
  TShortCutEvent OnShortCut;

  // Used by forms and TApplicationEvents.
  bool ProcessMessage(MSG& Msg);
  void ModalStarted() { ++FModalLevel; }
  void ModalFinished() { --FModalLevel; }
  void AddEvents(TApplicationEvents* E);
  void RemoveEvents(TApplicationEvents* E);
  void Idle();
  void NotifyForms(UINT Msg);

private:
  bool DispatchOnMessage(MSG& Msg);
  void HintMouseMessage(const MSG& Msg);
  void ActivateHint(POINT CursorPos);
  void HideHintWindow();
  void StartHintTimer(int Pause);
  THintWindow* FHintWindow = nullptr;
  TControl* FHintControl = nullptr;
  bool FHintPending = false;  // the show timer runs for FHintControl
  bool FHintHasRect = false;  // FHintCursorRect holds the part the last hint was asked for
  RECT FHintCursorRect{};     // screen coordinates
  int FHintShortPause = 50;
  std::string FHint;
  int FHintHidePause = 2500;
  TColor FHintColor = clInfoBk;
  TCustomForm* FMainForm = nullptr;
  std::unique_ptr<TIcon> FIcon = std::make_unique<TIcon>();
  std::string FTitle;
  bool FTerminated = false, FActive = true, FShowHint = true, FShowMainForm = true;
  int FHintPause = 500;
  int FModalLevel = 0;
  std::vector<TApplicationEvents*> FEvents;
};

// Application-wide events as a component on a form; several may exist, each gets every event.
class TApplicationEvents : public TComponent {
  ORV_CLASS(TApplicationEvents, TComponent)
public:
  explicit TApplicationEvents(TComponent* AOwner);
  ~TApplicationEvents() override;
  TMessageEvent OnMessage;
  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TNotifyEvent OnActivate, OnDeactivate;
};

// One monitor of the screen (TScreen::Monitors). Its rectangles are asked of the window manager
// on every call; the object belongs to the screen and goes when the monitor layout changes.
class TMonitor {
public:
  TMonitor(HMONITOR AHandle, int AMonitorNum) : FHandle(AHandle), FMonitorNum(AMonitorNum) {}
  HMONITOR Handle() const { return FHandle; }
  int MonitorNum() const { return FMonitorNum; }
  int Left() const { return BoundsRect().left; }
  int Top() const { return BoundsRect().top; }
  int Width() const { RECT r = BoundsRect(); return r.right - r.left; }
  int Height() const { RECT r = BoundsRect(); return r.bottom - r.top; }
  RECT BoundsRect() const;
  RECT WorkareaRect() const;
  bool Primary() const;

private:
  HMONITOR FHandle;
  int FMonitorNum;
};

// What the screen's MonitorFrom* give when no monitor holds the place.
enum TMonitorDefaultTo { mdNearest, mdNull, mdPrimary };

class TScreen : public TComponent {
  ORV_CLASS(TScreen, TComponent)
public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;
  int FormCount() const { return static_cast<int>(FForms.size()); }
  TCustomForm* Forms(int Index) const { return FForms.at(static_cast<size_t>(Index)); }
  TCustomForm* ActiveForm() const;
  TWinControl* ActiveControl() const;
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  // The cursor of an id (standard ones negative; the program's own from 1 up); unknown ids give
  // the arrow.
  HCURSOR Cursors(int Index) const;
  void SetCursors(int Index, HCURSOR Handle);
  int Width() const;
  int Height() const;
  RECT WorkAreaRect() const;
  int WorkAreaWidth() const { RECT r = WorkAreaRect(); return r.right - r.left; }
  int WorkAreaHeight() const { RECT r = WorkAreaRect(); return r.bottom - r.top; }
  // The rectangle covering every monitor.
  int DesktopLeft() const;
  int DesktopTop() const;
  int DesktopWidth() const;
  int DesktopHeight() const;
  int PixelsPerInch() const { return ScreenPixelsPerInch; }
  // The monitors in the window manager's order (EnumDisplayMonitors), read again on every call
  // so that a change of the layout is seen; the objects stay until the layout changes.
  int MonitorCount() const;
  TMonitor* Monitors(int Index) const;
  TMonitor* PrimaryMonitor() const;
  // The monitor holding the point, sharing most of the rectangle or holding the window; nil
  // only with mdNull when none does.
  TMonitor* MonitorFromPoint(POINT Point, TMonitorDefaultTo Default = mdNearest) const;
  TMonitor* MonitorFromRect(const RECT& Rect, TMonitorDefaultTo Default = mdNearest) const;
  TMonitor* MonitorFromWindow(HWND Handle, TMonitorDefaultTo Default = mdNearest) const;
  void AddForm(TCustomForm* F) { FForms.push_back(F); }
  void RemoveForm(TCustomForm* F);

private:
  std::vector<TCustomForm*> FForms;
  std::map<int, HCURSOR> FCursors;
  TCursor FCursor = crDefault;
  mutable std::vector<std::unique_ptr<TMonitor>> FMonitors;
  // Brings FMonitors in line with the window manager's monitors.
  void RefreshMonitors() const;
  TMonitor* FindMonitor(HMONITOR Handle) const;
};

TApplication* Application();
TScreen* Screen();

// ---- Message boxes ----
enum : UINT {
  MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4,
  MB_RETRYCANCEL = 0x5, MB_ICONHAND = 0x10, MB_ICONERROR = 0x10, MB_ICONSTOP = 0x10,
  MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30,
  MB_ICONASTERISK = 0x40, MB_ICONINFORMATION = 0x40, MB_DEFBUTTON1 = 0x0, MB_DEFBUTTON2 = 0x100,
  MB_DEFBUTTON3 = 0x200, MB_APPLMODAL = 0x0, MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000,
  MB_TOPMOST = 0x40000,
};
// A modal message box of our own (a window of class "#32770" with "Button" children and an
// icon), returning IDOK, IDCANCEL, IDYES, IDNO, ...
int MessageBox(HWND Owner, const std::string& Text, const std::string& Caption, UINT Type);

ORV_ENUM(TMsgDlgType, mtWarning, mtError, mtInformation, mtConfirmation, mtCustom)
ORV_ENUM(TMsgDlgBtn, mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp)
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
void ShowMessage(const std::string& Msg);
// A dialog with a prompt and an edit box; Default when cancelled.
std::string InputBox(const std::string& Caption, const std::string& Prompt, const std::string& Default);
bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value);
