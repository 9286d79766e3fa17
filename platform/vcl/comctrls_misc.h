// More common controls: the tab control (window class "SysTabControl32", answering the tab
// messages the skinning engine sends) and the date-time picker.
#pragma once

#include <memory>
#include <vector>

#include "platform/vcl/stdctrls.h"

class TStrings;
class TStringList;

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
ORV_ENUM(TDTDateMode, dmComboBox, dmUpDown)

// An edit-like box showing a date (or a time); the arrow keys pick a field (day, month, year;
// hour, minute, second) and step it; digits typed replace the field. Times, and dates in
// DateMode dmUpDown, get a spin child window (class "msctls_updown32") whose buttons step the
// field; dates in dmComboBox show a drop-down button instead.
class TDateTimePicker : public TWinControl {
  ORV_CLASS(TDateTimePicker, TWinControl)
public:
  explicit TDateTimePicker(TComponent* AOwner);
  ~TDateTimePicker() override;
  static void Publish(TPublisher<TDateTimePicker>& P);
  TDTDateMode DateMode() const { return FDateMode; }
  void SetDateMode(TDTDateMode Value) { FDateMode = Value; UpdateSpin(); Invalidate(); }
  // The spin window (made with the picker's window), or null.
  HWND SpinHandle() const { return FSpin; }
  double DateTime() const { return FDateTime; }
  void SetDateTime(double Value);
  double Date() const;
  void SetDate(double Value);
  double Time() const;
  void SetTime(double Value);
  TDateTimeKind Kind() const { return FKind; }
  void SetKind(TDateTimeKind Value) { FKind = Value; FField = 0; UpdateSpin(); Invalidate(); }
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
  void CreateWnd() override;
  void PaintWindow(HDC DC) override;

private:
  static LRESULT SpinProc(HWND, UINT, WPARAM, LPARAM);
  bool SpinShown() const { return FKind == dtkTime || FDateMode == dmUpDown; }
  void UpdateSpin();
  HWND FSpin = nullptr;
  TDTDateMode FDateMode = dmComboBox;
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
