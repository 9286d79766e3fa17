// Controls: TControl (position, visibility, text, font and colour, mouse events, messages),
// TWinControl (a window of the window manager, child controls, alignment, focus and keys),
// TCustomControl and TGraphicControl (controls that paint themselves on a canvas), and the
// class library's own messages (CM_*).
//
// Every control's messages go through its WindowProc (replaceable, as the original allows) to
// WndProc, which dispatches by message number to the virtual handlers; what no handler takes
// goes to DefaultHandler and so to the window procedure of the window class. A TWinControl makes
// its window on demand (Handle()); its window class is named after the control's class and its
// procedure finds the control through a window property, so windows can be subclassed and hooked
// like any other.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/rtl/sets.h"
#include "platform/vcl/graphics.h"
#include "platform/win/winuser.h"

class TWinControl;
class TCustomForm;
class TPopupMenu;
class TControl;
class TDragDockObject;
class TDragImageList;
class IDockManager;

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};
using TWndMethod = std::function<void(TMessage&)>;

// ---- The class library's messages ----
enum : UINT {
  CM_BASE = 0xB000, CM_ACTIVATE = CM_BASE + 0, CM_DEACTIVATE = CM_BASE + 1,
  CM_GOTFOCUS = CM_BASE + 2, CM_LOSTFOCUS = CM_BASE + 3, CM_CANCELMODE = CM_BASE + 4,
  CM_DIALOGKEY = CM_BASE + 5, CM_DIALOGCHAR = CM_BASE + 6, CM_FOCUSCHANGED = CM_BASE + 7,
  CM_PARENTFONTCHANGED = CM_BASE + 8, CM_PARENTCOLORCHANGED = CM_BASE + 9,
  CM_HITTEST = CM_BASE + 10, CM_VISIBLECHANGED = CM_BASE + 11, CM_ENABLEDCHANGED = CM_BASE + 12,
  CM_COLORCHANGED = CM_BASE + 13, CM_FONTCHANGED = CM_BASE + 14, CM_CURSORCHANGED = CM_BASE + 15,
  CM_CTL3DCHANGED = CM_BASE + 16, CM_PARENTCTL3DCHANGED = CM_BASE + 17,
  CM_TEXTCHANGED = CM_BASE + 18, CM_MOUSEENTER = CM_BASE + 19, CM_MOUSELEAVE = CM_BASE + 20,
  CM_MENUCHANGED = CM_BASE + 21, CM_APPKEYDOWN = CM_BASE + 22, CM_APPSYSCOMMAND = CM_BASE + 23,
  CM_BUTTONPRESSED = CM_BASE + 24, CM_SHOWINGCHANGED = CM_BASE + 25, CM_ENTER = CM_BASE + 26,
  CM_EXIT = CM_BASE + 27, CM_DESIGNHITTEST = CM_BASE + 28, CM_ICONCHANGED = CM_BASE + 29,
  CM_WANTSPECIALKEY = CM_BASE + 30, CM_INVOKEHELP = CM_BASE + 31, CM_WINDOWHOOK = CM_BASE + 32,
  CM_RELEASE = CM_BASE + 33, CM_SHOWHINTCHANGED = CM_BASE + 34,
  CM_PARENTSHOWHINTCHANGED = CM_BASE + 35, CM_SYSCOLORCHANGE = CM_BASE + 36,
  CM_WININICHANGE = CM_BASE + 37, CM_FONTCHANGE = CM_BASE + 38, CM_TIMECHANGE = CM_BASE + 39,
  CM_TABSTOPCHANGED = CM_BASE + 40, CM_UIACTIVATE = CM_BASE + 41, CM_UIDEACTIVATE = CM_BASE + 42,
  CM_DOCWINDOWACTIVATE = CM_BASE + 43, CM_CONTROLLISTCHANGE = CM_BASE + 44,
  CM_GETDATALINK = CM_BASE + 45, CM_CHILDKEY = CM_BASE + 46, CM_DRAG = CM_BASE + 47,
  CM_HINTSHOW = CM_BASE + 48, CM_DIALOGHANDLE = CM_BASE + 49, CM_ISTOOLCONTROL = CM_BASE + 50,
  CM_RECREATEWND = CM_BASE + 51, CM_INVALIDATE = CM_BASE + 52, CM_SYSFONTCHANGED = CM_BASE + 53,
  CM_CONTROLCHANGE = CM_BASE + 54, CM_CHANGED = CM_BASE + 55, CM_DOCKCLIENT = CM_BASE + 56,
  CM_UNDOCKCLIENT = CM_BASE + 57, CM_FLOAT = CM_BASE + 58, CM_BORDERCHANGED = CM_BASE + 59,
  CM_MOUSEWHEEL = CM_BASE + 67,
  CN_BASE = 0xBC00, CN_COMMAND = CN_BASE + WM_COMMAND, CN_KEYDOWN = CN_BASE + WM_KEYDOWN,
  CN_CHAR = CN_BASE + WM_CHAR, CN_NOTIFY = CN_BASE + WM_NOTIFY, CN_DRAWITEM = CN_BASE + WM_DRAWITEM,
};

ORV_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom)
ORV_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom)
using TAnchors = TSet<TAnchorKind>;
ORV_ENUM(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble)
using TShiftState = TSet<TShiftStateItem>;
ORV_ENUM(TMouseButton, mbLeft, mbRight, mbMiddle)
ORV_ENUM(TBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
using TFormBorderStyle = TBorderStyle;
ORV_ENUM(TDragMode, dmManual, dmAutomatic)
ORV_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth)
// The edges a windowed control draws its bevel on, and the kind of bevel (kept and streamed).
ORV_ENUM(TBevelEdge, beLeft, beTop, beRight, beBottom)
using TBevelEdges = TSet<TBevelEdge>;
ORV_ENUM(TBevelKind, bkNone, bkTile, bkSoft, bkFlat)
ORV_ENUM(TDragState, dsDragEnter, dsDragLeave, dsDragMove)
ORV_ENUM(TDragKind, dkDrag, dkDock)
enum TControlStateItem { csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded,
                         csFocusing, csCreating, csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking };
using TControlState = TSet<TControlStateItem>;
enum TControlStyleItem { csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents,
                         csFramed, csSetCaption, csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight,
                         csNoDesignVisible, csReplicatable, csNoStdEvents, csDisplayDragImage,
                         csReflector, csActionClient, csMenuEvents };
using TControlStyle = TSet<TControlStyleItem>;

using TCursor = int16_t;
enum : TCursor {
  crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12,
  crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18,
  crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22, crSize = -22,
};

using TModalResult = int;
enum : TModalResult {
  mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
  mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO, mrAll = mrNo + 1, mrNoToAll = mrAll + 1,
  mrYesToAll = mrNoToAll + 1,
};

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, POINT MousePos, bool& Handled)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
// Docking events: the dock site asked about a control dragged over it, a control dropped on it,
// leaving it (Allow false keeps it), the site's influence area; a dock drag starting or ending.
using TDockOverEvent = std::function<void(TObject* Sender, TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDockDropEvent = std::function<void(TObject* Sender, TDragDockObject* Source, int X, int Y)>;
using TUnDockEvent = std::function<void(TObject* Sender, TControl* Client, TWinControl* NewTarget, bool& Allow)>;
using TGetSiteInfoEvent = std::function<void(TObject* Sender, TControl* DockClient, RECT& InfluenceRect, POINT MousePos, bool& CanDock)>;
using TStartDockEvent = std::function<void(TObject* Sender, TDragDockObject*& DragObject)>;
using TCanResizeEvent = std::function<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;
using TConstrainedResizeEvent = std::function<void(TObject* Sender, int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight)>;
using TContextPopupEvent = std::function<void(TObject* Sender, POINT MousePos, bool& Handled)>;

// Shift state from the key and button flags of a mouse message (wParam) and the keyboard state.
TShiftState KeysToShiftState(WORD Keys);
TShiftState KeyDataToShiftState(LPARAM KeyData);

// A canvas drawing on a control: its client area (a graphic control's rectangle on its parent).
class TControl;
class TControlCanvas : public TCanvas {
  ORV_CLASS(TControlCanvas, TCanvas)
public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* Control() const { return FControl; }
  void SetControl(TControl* Value);
  // Releases the DC taken in CreateHandle (the canvas takes a fresh one next time).
  void FreeHandle();

protected:
  void CreateHandle() override;

private:
  TControl* FControl = nullptr;
  HDC FDeviceContext = nullptr;
  HWND FWindowHandle = nullptr;
};

// Smallest and largest size of a control (0: no limit); a persistent sub-object so that forms
// stream it as "Constraints.MaxWidth".
class TSizeConstraints : public TPersistent {
  ORV_CLASS(TSizeConstraints, TPersistent)
public:
  static void Publish(TPublisher<TSizeConstraints>& P);
  void Assign(TPersistent* Source) override;
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
};

ORV_ENUM(TBiDiMode, bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly)
using THelpContext = int;
class TDragObject;
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;

class TControl : public TComponent {
  ORV_CLASS(TControl, TComponent)
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  static void Publish(TPublisher<TControl>& P);

  // ---- Parent and streaming ----
  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;

  // ---- Geometry ----
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  RECT BoundsRect() const { return RECT{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  void SetBoundsRect(const RECT& R) { SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top); }
  // Moves and sizes the control (constraints and OnCanResize apply), realigns the parent.
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  virtual RECT ClientRect();
  int ClientWidth() { return ClientRect().right; }
  int ClientHeight() { return ClientRect().bottom; }
  virtual void SetClientWidth(int Value);
  virtual void SetClientHeight(int Value);
  POINT ClientOrigin();
  POINT ClientToScreen(POINT P);
  POINT ScreenToClient(POINT P);
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value) { FAnchors = Value; }
  TSizeConstraints& Constraints() { return FConstraints; }
  // Reading direction; kept and streamed (the controls draw left to right).
  // While ParentBiDiMode is on (the default) the parent's mode applies and is not streamed.
  TBiDiMode BiDiMode() const;
  bool IsBiDiModeStored() const { return !FParentBiDiMode; }
  void SetBiDiMode(TBiDiMode Value) { FBiDiMode = Value; FParentBiDiMode = false; }
  bool ParentBiDiMode() const { return FParentBiDiMode; }
  void SetParentBiDiMode(bool Value) { FParentBiDiMode = Value; }
  // Colour, font and ShowHint taken from the parent are not streamed (reading them back would
  // turn the Parent* switch off).
  bool IsColorStored() const { return !FParentColor; }
  bool IsFontStored() const { return !FParentFont; }
  bool IsShowHintStored() const { return !FParentShowHint; }
  THelpContext HelpContext() const { return FHelpContext; }
  void SetHelpContext(THelpContext Value) { FHelpContext = Value; }

  // ---- State ----
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  // Visible here and in every parent up to a showing form.
  bool Showing() const;
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);
  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& Value) { SetText(Value); }
  std::string Text() const { return GetText(); }
  void SetText(const std::string& Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  // With ParentShowHint on (the default) a control shows hints when its parent does; setting
  // ShowHint turns ParentShowHint off.
  bool ShowHint() const { return FParentShowHint && FParent ? ParentShowHintValue() : FShowHint; }
  void SetShowHint(bool Value) { FShowHint = Value; FParentShowHint = false; }
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value) { FParentShowHint = Value; }
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  TControlState& ControlState() { return FControlState; }
  TControlStyle& ControlStyle() { return FControlStyle; }
  bool MouseCapture() const;
  void SetMouseCapture(bool Value);
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode Value) { FDragMode = Value; }
  // The cursor shown over a target that accepts this control while it is dragged.
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor Value) { FDragCursor = Value; }

  // ---- Messages ----
  // The replaceable message entry; defaults to WndProc.
  TWndMethod WindowProc;
  LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
  virtual void WndProc(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);

  // ---- Painting and z-order ----
  virtual void Invalidate();
  virtual void Update();
  void Repaint();
  void Refresh() { Repaint(); }
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  void BringToFront();
  void SendToBack();

  // ---- Drag and drop (within the program) ----
  // Starts a drag; without Immediate it starts once the mouse moves Threshold pixels.
  void BeginDrag(bool Immediate, int Threshold = -1);
  void EndDrag(bool Drop);
  bool Dragging() const;
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, int X, int Y);
  virtual void DoEndDrag(TObject* Target, int X, int Y);
  // The images shown under the cursor while this control is dragged (null: none).
  virtual TDragImageList* GetDragImages() { return nullptr; }

  // ---- Docking (dock.cpp) ----
  // With dkDock a drag moves the control into the dock site under the mouse, or floats it.
  TDragKind DragKind() const { return FDragKind; }
  void SetDragKind(TDragKind Value) { FDragKind = Value; }
  // The dock site the control is docked in (the floating host form while it floats), or null.
  TWinControl* HostDockSite() const { return FHostDockSite; }
  // Not docked in a site: in its own floating host, or a top-level window of its own.
  bool Floating() const;
  // Size when it floats (0: its current size) and when docked to a left/right or top/bottom edge.
  int UndockWidth() const { return FUndockWidth > 0 ? FUndockWidth : FWidth; }
  void SetUndockWidth(int Value) { FUndockWidth = Value; }
  int UndockHeight() const { return FUndockHeight > 0 ? FUndockHeight : FHeight; }
  void SetUndockHeight(int Value) { FUndockHeight = Value; }
  int LRDockWidth() const { return FLRDockWidth > 0 ? FLRDockWidth : FWidth; }
  void SetLRDockWidth(int Value) { FLRDockWidth = Value; }
  int TBDockHeight() const { return FTBDockHeight > 0 ? FTBDockHeight : FHeight; }
  void SetTBDockHeight(int Value) { FTBDockHeight = Value; }
  // The form class made to hold the control when it floats (a small tool form by default).
  TClass FloatingDockSiteClass() const;
  void SetFloatingDockSiteClass(TClass Value) { FFloatingDockSiteClass = Value; }
  // Docks the control into NewDockSite (null: floats it), beside DropControl on ControlSide when
  // the site's dock manager is used. False when the old site refuses to let it go.
  bool ManualDock(TWinControl* NewDockSite, TControl* DropControl = nullptr, TAlign ControlSide = alNone);
  // Floats the control in ScreenPos (a top-level form itself, else inside its floating host).
  bool ManualFloat(const RECT& ScreenPos);
  // Moves the control into NewDockSite (null: no parent) at ARect of the site's client area.
  virtual void Dock(TWinControl* NewDockSite, const RECT& ARect);
  TStartDockEvent OnStartDock;
  TEndDragEvent OnEndDock;
  TStartDragEvent OnStartDrag;

  TNotifyEvent OnClick, OnDblClick, OnResize, OnMouseEnter, OnMouseLeave;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TMouseWheelEvent OnMouseWheel;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;
  TContextPopupEvent OnContextPopup;
  TConstrainedResizeEvent OnConstrainedResize;

  // Used by the parent for graphic controls and by the class library's message routing.
  virtual void Click();
  // The linked action gives the control its caption, enabled and visible state and hint (now and
  // whenever they change; descendants take more in ActionChange); a click without an OnClick of
  // its own runs it. Published as "Action", a reference resolved after loading.
  class TAction* Action() const;
  void SetAction(class TAction* Value);
  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, POINT MousePos);
  virtual void Resize();
  virtual std::string GetText() const;
  virtual void SetTextBuf(const std::string& Value);
  // A parent form, or null.
  TCustomForm* GetParentForm() const;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Copies the linked action's state to the control (called on linking and on every change);
  // with CheckDefaults (linked while loading) only what is still at its default changes.
  virtual void ActionChange(class TAction* Sender, bool CheckDefaults);
  virtual void Changed();
  virtual void VisibleChanging() {}
  virtual void ParentFontChanged();
  virtual void ParentColorChanged();
  virtual void FontChanged();
  bool IsMouseMessage(UINT Msg) const { return Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST; }
  void RequestAlign();
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  std::string FText;
  TWinControl* FParent = nullptr;
  TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState FControlState;
  bool FIsControl = false;

private:
  void MouseMessage(TMessage& M, TMouseButton Button, bool Down, bool Double);
  bool CheckNewSize(int& NewWidth, int& NewHeight);
  bool FVisible = true, FEnabled = true;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  TSizeConstraints FConstraints;
  TColor FColor = clWindow;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true, FParentColor = false;
  TCursor FCursor = crDefault;
  std::string FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  bool ParentShowHintValue() const;
  TPopupMenu* FPopupMenu = nullptr;
  std::unique_ptr<class TActionLink> FActionLink;
  TDragMode FDragMode = dmManual;
  TCursor FDragCursor = crDrag;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FParentBiDiMode = true;
  THelpContext FHelpContext = 0;
  // Docking state (dock.cpp).
  TDragKind FDragKind = dkDrag;
  TWinControl* FHostDockSite = nullptr;
  int FUndockWidth = 0, FUndockHeight = 0, FLRDockWidth = 0, FTBDockHeight = 0;
  TClass FFloatingDockSiteClass = nullptr;
  friend class TWinControl;
  friend struct TDockAccess;
};

// Whether the caption's accelerator (the character after a single "&") is the key's character,
// without regard to case.
bool IsAccel(WPARAM CharCode, const std::string& Caption);

struct TCreateParams {
  std::string Caption;
  DWORD Style = 0, ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASSA WindowClass{};
  std::string WinClassName;
};

class TWinControl : public TControl {
  ORV_CLASS(TWinControl, TControl)
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  static void Publish(TPublisher<TWinControl>& P);

  // The window, made now if it does not exist yet (its parent's first).
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  // Makes a parentless control a child of a window the control does not own.
  void SetParentWindow(HWND Value) { FParentWindow = Value; }
  HWND ParentWindow() const { return FParentWindow; }
  void DestroyHandle();
  void RecreateWnd();

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const { return FControls.at(static_cast<size_t>(Index)); }
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(TControl* Control) const;
  // The visible, enabled child at a client point (graphic controls and windows), or null.
  TControl* ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls = false);
  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();
  void Realign();
  virtual void AlignControls(TControl* AControl, RECT& Rect);

  bool CanFocus() const;
  bool Focused() const;
  virtual void SetFocus();
  int TabOrder() const;
  void SetTabOrder(int Value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  // The next control in tab order after CurControl (wrapping), among the descendants.
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  void GetTabOrderList(std::vector<TWinControl*>& List);
  TBevelEdges BevelEdges() const { return FBevelEdges; }
  void SetBevelEdges(TBevelEdges Value) { FBevelEdges = Value; }
  TBevelKind BevelKind() const { return FBevelKind; }
  void SetBevelKind(TBevelKind Value) { FBevelKind = Value; }
  bool DoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }
  TBrush* Brush() const { return FBrush.get(); }
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  RECT ClientRect() override;
  void Invalidate() override;
  void Update() override;
  void SetVisible(bool Value) override;
  void SetEnabled(bool Value) override;
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  // Paints the graphic children onto DC (the window's client DC), from First on.
  void PaintControls(HDC DC, TControl* First);
  // Draws the control as it looks (frame, background, contents, graphic and windowed children)
  // into DC with its top-left corner at X, Y, through WM_PRINT; hidden controls draw too.
  void PaintTo(HDC DC, int X, int Y);
  void PaintTo(class TCanvas* Canvas, int X, int Y);
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  void SetParent(TWinControl* AParent) override;

  TNotifyEvent OnEnter, OnExit;
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TCanResizeEvent OnCanResize;

  // ---- Dock site (dock.cpp) ----
  bool DockSite() const { return FDockSite; }
  // Turning it on gives the site the default dock manager (when UseDockManager is on).
  void SetDockSite(bool Value);
  bool UseDockManager() const { return FUseDockManager; }
  void SetUseDockManager(bool Value);
  int DockClientCount() const { return static_cast<int>(FDockClients.size()); }
  TControl* DockClients(int Index) const { return FDockClients.at(static_cast<size_t>(Index)); }
  // Lays out the docked controls, paints their grabbers, saves and loads the layout; null when
  // the site does not use one.
  IDockManager* DockManager() const { return FDockManager.get(); }
  void SetDockManager(std::unique_ptr<IDockManager> Value);
  // Asks OnDockOver (accepting by default); DockDrop docks Source's control and fires OnDockDrop.
  virtual void DockOver(TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DockDrop(TDragDockObject* Source, int X, int Y);
  // Asks OnUnDock whether Client may leave for NewTarget; when it may, lets it go.
  virtual bool DoUnDock(TWinControl* NewTarget, TControl* Client);
  // The screen area in which a dragged control docks here (the site's screen rectangle).
  virtual void GetSiteInfo(TControl* Client, RECT& InfluenceRect, POINT MousePos, bool& CanDock);
  TDockOverEvent OnDockOver;
  TDockDropEvent OnDockDrop;
  TUnDockEvent OnUnDock;
  TGetSiteInfoEvent OnGetSiteInfo;

  virtual void KeyDown(WORD& Key, TShiftState Shift);
  virtual void KeyUp(WORD& Key, TShiftState Shift);
  virtual void KeyPress(char& Key);

protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  virtual void CreateHandle();
  virtual void DestroyWnd();
  // Called once the window exists (properties that need the window are applied here).
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void PaintWindow(HDC DC);
  void PaintHandler(TMessage& Message);
  virtual bool DoKeyDown(TMessage& Message);
  virtual bool DoKeyPress(TMessage& Message);
  virtual bool DoKeyUp(TMessage& Message);
  void UpdateBounds();
  void UpdateShowing();
  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;
  std::vector<TControl*> FControls;  // in z-order, bottom first
  bool FTabStop = false;

private:
  friend LRESULT VclWindowProc(HWND, UINT, WPARAM, LPARAM);
  void ChildMouse(TMessage& M);
  void AlignAll();
  void AnchorChildren(int dx, int dy);
  HWND FParentWindow = nullptr;
  std::unique_ptr<TBrush> FBrush;
  std::vector<TWinControl*> FTabList;
  int FAlignLevel = 0;
  bool FDoubleBuffered = false;
  TBevelEdges FBevelEdges{beLeft, beTop, beRight, beBottom};
  TBevelKind FBevelKind = bkNone;
  TControl* FMouseControl = nullptr;  // the graphic child that got the button down
  // Dock site state (dock.cpp).
  bool FDockSite = false, FUseDockManager = true;
  std::vector<TControl*> FDockClients;
  std::unique_ptr<IDockManager> FDockManager;
  friend class TControl;
  friend struct TDockAccess;
};

// A windowed control that paints itself in Paint on its Canvas.
class TCustomControl : public TWinControl {
  ORV_CLASS(TCustomControl, TWinControl)
public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() const { return FCanvas.get(); }
  TNotifyEvent OnPaint;

protected:
  virtual void Paint();
  void PaintWindow(HDC DC) override;

private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

// A control without a window: its parent paints it (Paint on Canvas) and routes mouse to it.
class TGraphicControl : public TControl {
  ORV_CLASS(TGraphicControl, TControl)
public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const { return FCanvas.get(); }
  void WndProc(TMessage& Message) override;

protected:
  virtual void Paint();

private:
  friend class TWinControl;
  std::unique_ptr<TControlCanvas> FCanvas;
};

// Opens a popup menu at a screen point for a control (menus.cpp).
void PopupMenuAt(TPopupMenu* Menu, TControl* PopupComponent, int X, int Y);
// The control whose window this is (found through the window property), or null.
TWinControl* FindControl(HWND Handle);
// The drag in progress: the control being dragged, or null.
TControl* DragControl();
// Cursor of a TCursor value for the window manager (the screen's cursor table).
HCURSOR CursorHandle(TCursor Cursor);
