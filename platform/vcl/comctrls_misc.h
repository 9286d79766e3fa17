// More common controls: track bar, up-down, tab control, date-time picker, tool bar with its
// tool buttons. They keep the window class names the skinning engines look for
// ("msctls_updown32", "SysTabControl32", "ToolbarWindow32") and answer the messages the
// skinners send them (track bar geometry, tab items, tool bar style).
#pragma once

#include <memory>
#include <vector>

#include "platform/vcl/stdctrls.h"

class TStrings;
class TStringList;
class TMenuItem;
class TPopupMenu;

// ---- Track bar ----
ORV_ENUM(TTrackBarOrientation, trHorizontal, trVertical)
ORV_ENUM(TTickStyle, tsNone, tsAuto, tsManual)
ORV_ENUM(TTickMark, tmBottomRight, tmTopLeft, tmBoth)

enum : UINT {
  TBM_GETPOS = WM_USER, TBM_GETRANGEMIN = WM_USER + 1, TBM_GETRANGEMAX = WM_USER + 2,
  TBM_SETPOS = WM_USER + 5, TBM_SETRANGEMIN = WM_USER + 7, TBM_SETRANGEMAX = WM_USER + 8,
  TBM_GETSELSTART = WM_USER + 17, TBM_GETSELEND = WM_USER + 18,
  TBM_GETTICPOS = WM_USER + 15, TBM_GETNUMTICS = WM_USER + 16,
  TBM_GETTHUMBRECT = WM_USER + 25, TBM_GETCHANNELRECT = WM_USER + 26,
};

// A thumb moved along a channel between Min and Max by the mouse (dragging, or paging towards
// a click) and the keys; ticks every Frequency positions; an optional selection range.
class TTrackBar : public TWinControl {
  ORV_CLASS(TTrackBar, TWinControl)
public:
  explicit TTrackBar(TComponent* AOwner);
  static void Publish(TPublisher<TTrackBar>& P);
  int Min() const { return FMin; }
  void SetMin(int Value);
  int Max() const { return FMax; }
  void SetMax(int Value);
  int Position() const { return FPosition; }
  void SetPosition(int Value);
  int Frequency() const { return FFrequency; }
  void SetFrequency(int Value);
  int LineSize() const { return FLineSize; }
  void SetLineSize(int Value) { FLineSize = Value; }
  int PageSize() const { return FPageSize; }
  void SetPageSize(int Value) { FPageSize = Value; }
  int SelStart() const { return FSelStart; }
  void SetSelStart(int Value) { FSelStart = Value; Invalidate(); }
  int SelEnd() const { return FSelEnd; }
  void SetSelEnd(int Value) { FSelEnd = Value; Invalidate(); }
  int ThumbLength() const { return FThumbLength; }
  void SetThumbLength(int Value) { FThumbLength = Value; Invalidate(); }
  TTrackBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TTrackBarOrientation Value);
  TTickStyle TickStyle() const { return FTickStyle; }
  void SetTickStyle(TTickStyle Value) { FTickStyle = Value; Invalidate(); }
  TTickMark TickMarks() const { return FTickMarks; }
  void SetTickMarks(TTickMark Value) { FTickMarks = Value; Invalidate(); }
  // Manual ticks (tsManual) at positions.
  void SetTick(int Value);

  // Geometry in client coordinates (the channel always as a horizontal rectangle's shape
  // turned for vertical bars), the number of ticks including both ends, and the pixel
  // coordinate of the interior tick Index (0 .. TickCount - 3).
  RECT ChannelRect();
  RECT ThumbRect();
  int TickCount() const;
  int TickPosition(int Index);
  // The position at a client point along the channel.
  int PositionAt(int X, int Y);
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnChange;

protected:
  void PaintWindow(HDC DC) override;

private:
  int PixelOf(int Pos);
  std::vector<int> InteriorTicks() const;
  int FMin = 0, FMax = 10, FPosition = 0, FFrequency = 1, FLineSize = 1, FPageSize = 2;
  int FSelStart = 0, FSelEnd = 0, FThumbLength = 20;
  TTrackBarOrientation FOrientation = trHorizontal;
  TTickStyle FTickStyle = tsAuto;
  TTickMark FTickMarks = tmBottomRight;
  std::vector<int> FManualTicks;
  bool FDragging = false;
};

// ---- Up-down ----
ORV_ENUM(TUDBtnType, btNext, btPrev)
ORV_ENUM(TUDOrientation, udVertical, udHorizontal)
ORV_ENUM(TUDAlignButton, udLeft, udRight)

// Two arrow buttons that step Position by Increment between Min and Max (Wrap: around); an
// associated control sits beside it and shows the position as text.
class TCustomUpDown : public TWinControl {
  ORV_CLASS(TCustomUpDown, TWinControl)
public:
  explicit TCustomUpDown(TComponent* AOwner);
  int Min() const { return FMin; }
  void SetMin(int Value) { FMin = Value; SetPosition(FPosition); }
  int Max() const { return FMax; }
  void SetMax(int Value) { FMax = Value; SetPosition(FPosition); }
  int Position() const { return FPosition; }
  void SetPosition(int Value);
  int Increment() const { return FIncrement; }
  void SetIncrement(int Value) { FIncrement = Value; }
  bool Wrap() const { return FWrap; }
  void SetWrap(bool Value) { FWrap = Value; }
  bool ArrowKeys() const { return FArrowKeys; }
  void SetArrowKeys(bool Value) { FArrowKeys = Value; }
  bool Thousands() const { return FThousands; }
  void SetThousands(bool Value) { FThousands = Value; UpdateAssociate(); }
  TUDOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TUDOrientation Value) { FOrientation = Value; Invalidate(); }
  TUDAlignButton AlignButton() const { return FAlignButton; }
  void SetAlignButton(TUDAlignButton Value) { FAlignButton = Value; PlaceBeside(); }
  TWinControl* Associate() const { return FAssociate; }
  void SetAssociate(TWinControl* Value);
  // One step as by a click on a button: OnChanging may refuse, then OnClick.
  void Step(TUDBtnType Button);
  void WndProc(TMessage& Message) override;
  std::function<void(TObject* Sender, TUDBtnType Button)> OnClick;
  std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;

protected:
  void CreateParams(TCreateParams& Params) override;
  void PaintWindow(HDC DC) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void UpdateAssociate();
  void PlaceBeside();
  int FMin = 0, FMax = 100, FPosition = 0, FIncrement = 1;
  bool FWrap = false, FArrowKeys = true, FThousands = true;
  TUDOrientation FOrientation = udVertical;
  TUDAlignButton FAlignButton = udRight;
  TWinControl* FAssociate = nullptr;
  int FPressed = -1;  // button held down: btNext, btPrev, -1
};

class TUpDown : public TCustomUpDown {
  ORV_CLASS(TUpDown, TCustomUpDown)
public:
  explicit TUpDown(TComponent* AOwner) : TCustomUpDown(AOwner) {}
  static void Publish(TPublisher<TUpDown>& P);
};

// ---- Tab control ----
enum : UINT {
  TCM_FIRST = 0x1300, TCM_GETITEMCOUNT = TCM_FIRST + 4, TCM_GETITEMA = TCM_FIRST + 5,
  TCM_GETITEMRECT = TCM_FIRST + 10, TCM_GETCURSEL = TCM_FIRST + 11, TCM_SETCURSEL = TCM_FIRST + 12,
  TCM_HITTEST = TCM_FIRST + 13, TCM_ADJUSTRECT = TCM_FIRST + 40, TCM_SETITEMSIZE = TCM_FIRST + 41,
};
enum : UINT { TCIF_TEXT = 0x0001, TCIF_IMAGE = 0x0002, TCIF_PARAM = 0x0008 };
struct TCITEMA {
  UINT mask = 0;
  DWORD dwState = 0, dwStateMask = 0;
  char* pszText = nullptr;
  int cchTextMax = 0;
  int iImage = -1;
  LPARAM lParam = 0;
};

// A row of tabs over a client area; the tabs are strings, one selected (TabIndex).
class TCustomTabControl : public TCustomControl {
  ORV_CLASS(TCustomTabControl, TCustomControl)
public:
  explicit TCustomTabControl(TComponent* AOwner);
  ~TCustomTabControl() override;
  TStrings* Tabs() const;
  int TabIndex() const { return FTabIndex; }
  // Changing by the user asks OnChanging first and reports OnChange; setting it does neither.
  void SetTabIndex(int Value);
  int TabHeight() const { return FTabHeight; }
  void SetTabHeight(int Value) { FTabHeight = Value; Realign(); Invalidate(); }
  int TabWidth() const { return FTabWidth; }
  void SetTabWidth(int Value) { FTabWidth = Value; Invalidate(); }
  RECT TabRect(int Index);
  int IndexOfTabAt(int X, int Y);
  // The client area under the tabs.
  RECT DisplayRect();
  void AlignControls(TControl* AControl, RECT& Rect) override;
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnChange;
  std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  bool ChangeByUser(int Index);

private:
  std::unique_ptr<TStringList> FTabs;
  int FTabIndex = -1, FTabHeight = 0, FTabWidth = 0;
};

class TTabControl : public TCustomTabControl {
  ORV_CLASS(TTabControl, TCustomTabControl)
public:
  explicit TTabControl(TComponent* AOwner) : TCustomTabControl(AOwner) {}
  static void Publish(TPublisher<TTabControl>& P);
};

// ---- Date-time picker ----
ORV_ENUM(TDateTimeKind, dtkDate, dtkTime)
ORV_ENUM(TDTDateFormat, dfShort, dfLong)

// An edit-like box showing a date (or a time); the arrow keys pick a field (day, month, year;
// hour, minute, second) and step it; digits typed replace the field.
class TDateTimePicker : public TWinControl {
  ORV_CLASS(TDateTimePicker, TWinControl)
public:
  explicit TDateTimePicker(TComponent* AOwner);
  static void Publish(TPublisher<TDateTimePicker>& P);
  double DateTime() const { return FDateTime; }
  void SetDateTime(double Value);
  double Date() const;
  void SetDate(double Value);
  double Time() const;
  void SetTime(double Value);
  TDateTimeKind Kind() const { return FKind; }
  void SetKind(TDateTimeKind Value) { FKind = Value; FField = 0; Invalidate(); }
  TDTDateFormat DateFormat() const { return FDateFormat; }
  void SetDateFormat(TDTDateFormat Value) { FDateFormat = Value; Invalidate(); }
  double MinDate() const { return FMinDate; }
  void SetMinDate(double Value) { FMinDate = Value; SetDateTime(FDateTime); }
  double MaxDate() const { return FMaxDate; }
  void SetMaxDate(double Value) { FMaxDate = Value; SetDateTime(FDateTime); }
  bool ShowCheckbox() const { return FShowCheckbox; }
  void SetShowCheckbox(bool Value) { FShowCheckbox = Value; Invalidate(); }
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value) { FChecked = Value; Invalidate(); }
  // The field the keys act on: 0 day / hour, 1 month / minute, 2 year / second.
  int Field() const { return FField; }
  std::string DisplayText() const;
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& Params) override;
  void PaintWindow(HDC DC) override;

private:
  void StepField(int Delta);
  void ApplyTyped();
  double FDateTime = 0;
  double FMinDate = 0, FMaxDate = 0;  // 0: no limit
  TDateTimeKind FKind = dtkDate;
  TDTDateFormat FDateFormat = dfShort;
  bool FShowCheckbox = false, FChecked = true;
  int FField = 0;
  std::string FTyped;
};

// ---- Tool bar ----
ORV_ENUM(TToolButtonStyle, tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider)
enum TCustomDrawStateItem { cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault, cdsHot, cdsMarked, cdsIndeterminate };
using TCustomDrawState = TSet<TCustomDrawStateItem>;

enum : UINT { TB_SETSTYLE = WM_USER + 56, TB_GETSTYLE = WM_USER + 57, TB_BUTTONCOUNT = WM_USER + 24 };
enum : DWORD { TBSTYLE_TOOLTIPS = 0x0100, TBSTYLE_WRAPABLE = 0x0200, TBSTYLE_FLAT = 0x0800, TBSTYLE_LIST = 0x1000, TBSTYLE_TRANSPARENT = 0x8000 };

class TToolBar;

// A button of a tool bar: image, caption, style (push, check with groups, drop-down, separator),
// optionally standing for a menu item (its caption, and its sub-menu opened under the button).
class TToolButton : public TGraphicControl {
  ORV_CLASS(TToolButton, TGraphicControl)
public:
  explicit TToolButton(TComponent* AOwner);
  ~TToolButton() override;
  static void Publish(TPublisher<TToolButton>& P);
  TToolBar* ToolBar() const;
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle Value);
  bool Down() const { return FDown; }
  void SetDown(bool Value);
  bool Grouped() const { return FGrouped; }
  void SetGrouped(bool Value) { FGrouped = Value; }
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool Marked() const { return FMarked; }
  void SetMarked(bool Value) { FMarked = Value; Invalidate(); }
  bool Indeterminate() const { return FIndeterminate; }
  void SetIndeterminate(bool Value) { FIndeterminate = Value; Invalidate(); }
  bool Wrap() const { return FWrap; }
  void SetWrap(bool Value);
  TMenuItem* MenuItem() const { return FMenuItem; }
  void SetMenuItem(TMenuItem* Value);
  TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* Value);
  int Index() const;
  bool Hot() const { return FHot; }
  // The custom-draw state of the button now.
  TCustomDrawState DrawState() const;
  // Runs the menu item (a sub-menu opens under the button), then OnClick.
  void Click() override;
  void WndProc(TMessage& Message) override;
  void SetParent(TWinControl* AParent) override;
  // Size the bar gives the button.
  SIZE PreferredSize();

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TToolBar;
  void UpdateGroup();
  int FImageIndex = -1;
  TToolButtonStyle FStyle = tbsButton;
  bool FDown = false, FGrouped = false, FAllowAllUp = false, FAutoSize = false;
  bool FMarked = false, FIndeterminate = false, FWrap = false, FHot = false, FPressing = false;
  TMenuItem* FMenuItem = nullptr;
  TPopupMenu* FDropdownMenu = nullptr;
};

using TTBCustomDrawEvent = std::function<void(TToolBar* Sender, const RECT& ARect, bool& DefaultDraw)>;
using TTBCustomDrawBtnEvent = std::function<void(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, bool& DefaultDraw)>;

// A bar of tool buttons laid out left to right (wrapping when Wrapable) at ButtonWidth x
// ButtonHeight; Flat buttons show their edge only while hot or down; List puts captions right
// of the images. OnCustomDraw paints the background, OnCustomDrawButton each button (either
// can leave the default drawing on).
class TToolBar : public TCustomControl {
  ORV_CLASS(TToolBar, TCustomControl)
public:
  explicit TToolBar(TComponent* AOwner);
  ~TToolBar() override;
  static void Publish(TPublisher<TToolBar>& P);
  int ButtonCount() const { return static_cast<int>(FButtons.size()); }
  TToolButton* Buttons(int Index) const { return FButtons.at(static_cast<size_t>(Index)); }
  int ButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int Value) { FButtonWidth = Value; Realign(); }
  int ButtonHeight() const { return FButtonHeight; }
  void SetButtonHeight(int Value) { FButtonHeight = Value; Realign(); }
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value) { FFlat = Value; Invalidate(); }
  bool List() const { return FList; }
  void SetList(bool Value) { FList = Value; Realign(); Invalidate(); }
  bool ShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool Value) { FShowCaptions = Value; Realign(); Invalidate(); }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value) { FTransparent = Value; Invalidate(); }
  bool Wrapable() const { return FWrapable; }
  void SetWrapable(bool Value) { FWrapable = Value; Realign(); }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value) { FAutoSize = Value; Realign(); }
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  TImageList* HotImages() const { return FHotImages; }
  void SetHotImages(TImageList* Value);
  TImageList* DisabledImages() const { return FDisabledImages; }
  void SetDisabledImages(TImageList* Value);
  void AlignControls(TControl* AControl, RECT& Rect) override;
  void WndProc(TMessage& Message) override;
  TTBCustomDrawEvent OnCustomDraw;
  TTBCustomDrawBtnEvent OnCustomDrawButton;

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TToolButton;
  void InsertButton(TToolButton* Button);
  void RemoveButton(TToolButton* Button);
  std::vector<TToolButton*> FButtons;
  int FButtonWidth = 23, FButtonHeight = 22;
  bool FFlat = false, FList = false, FShowCaptions = false, FTransparent = false;
  bool FWrapable = true, FAutoSize = false, FAligning = false;
  TImageList* FImages = nullptr;
  TImageList* FHotImages = nullptr;
  TImageList* FDisabledImages = nullptr;
};
