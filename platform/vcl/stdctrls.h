// Standard controls: label, button, check box, radio button, group box, edit box.
// They paint themselves with the system's look (DrawFrameControl, DrawEdge, DrawText) and keep
// the window class names of their classes ("TButton", ...), so hooks and subclassing see them.
#pragma once

#include "platform/vcl/controls.h"

ORV_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
ORV_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)

class TLabel : public TGraphicControl {
  ORV_CLASS(TLabel, TGraphicControl)
public:
  explicit TLabel(TComponent* AOwner);
  static void Publish(TPublisher<TLabel>& P);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  // The control its accelerator ("&" in the caption) focuses.
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
  void Paint() override;
  void AdjustBounds();
  TWinControl* FFocusControl = nullptr;

private:
  UINT TextFlags() const;
  bool FAutoSize = true, FTransparent = false, FWordWrap = false;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
};

ORV_ENUM(TStaticBorderStyle, sbsNone, sbsSingle, sbsSunken)

// A label with a window of its own (so it shows above windowed siblings and can be subclassed):
// one line of caption, aligned, with an optional border; the parent chooses its colours
// (WM_CTLCOLORSTATIC).
class TStaticText : public TCustomControl {
  ORV_CLASS(TStaticText, TCustomControl)
public:
  explicit TStaticText(TComponent* AOwner);
  static void Publish(TPublisher<TStaticText>& P);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TStaticBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TStaticBorderStyle Value);
  void WndProc(TMessage& Message) override;

protected:
  void Paint() override;

private:
  TAlignment FAlignment = taLeftJustify;
  TStaticBorderStyle FBorderStyle = sbsNone;
};

// Base of buttons and check boxes: a focusable control with a caption that reacts to the
// space bar and the mouse like a push button.
class TButtonControl : public TCustomControl {
  ORV_CLASS(TButtonControl, TCustomControl)
public:
  explicit TButtonControl(TComponent* AOwner);
  void WndProc(TMessage& Message) override;

protected:
  bool FDown = false;      // pressed (mouse or space bar held)
  bool FMouseIn = false;
};

class TButton : public TButtonControl {
  ORV_CLASS(TButton, TButtonControl)
public:
  explicit TButton(TComponent* AOwner);
  static void Publish(TPublisher<TButton>& P);
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  // Sets the parent form's ModalResult (when this button has one), then OnClick.
  void Click() override;
  void WndProc(TMessage& Message) override;
  // Whether the button shows the default frame and takes Enter: it has the focus, or it is the
  // default button and no other button has the focus.
  bool Active() const;

protected:
  void Paint() override;

private:
  TModalResult FModalResult = mrNone;
  bool FDefault = false, FCancel = false;
};

ORV_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)

class TCustomCheckBox : public TButtonControl {
  ORV_CLASS(TCustomCheckBox, TButtonControl)
public:
  explicit TCustomCheckBox(TComponent* AOwner);
  bool Checked() const { return FState == cbChecked; }
  virtual void SetChecked(bool Value);
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState Value);
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  void Click() override;
  void WndProc(TMessage& Message) override;

protected:
  void Paint() override;
  virtual void Toggle();
  bool FRadio = false;
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
};

class TCheckBox : public TCustomCheckBox {
  ORV_CLASS(TCheckBox, TCustomCheckBox)
public:
  explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
  static void Publish(TPublisher<TCheckBox>& P);
};

// Checking a radio button unchecks the other radio buttons of the same parent.
class TRadioButton : public TCustomCheckBox {
  ORV_CLASS(TRadioButton, TCustomCheckBox)
public:
  explicit TRadioButton(TComponent* AOwner);
  static void Publish(TPublisher<TRadioButton>& P);
  void SetChecked(bool Value) override;

protected:
  void Toggle() override;
};

class TGroupBox : public TCustomControl {
  ORV_CLASS(TGroupBox, TCustomControl)
public:
  static void Publish(TPublisher<TGroupBox>& P);
public:
  explicit TGroupBox(TComponent* AOwner);
  void AlignControls(TControl* AControl, RECT& Rect) override;

protected:
  void Paint() override;
};

// A single-line edit box: caret, selection by keys, typing, Backspace/Delete, clipboard
// (Ctrl+C/X/V), ReadOnly, MaxLength, PasswordChar, OnChange.
class TCustomEdit : public TWinControl {
  ORV_CLASS(TCustomEdit, TWinControl)
public:
  explicit TCustomEdit(TComponent* AOwner);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value) { FMaxLength = Value; }
  char PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char Value);
  // Selection in characters.
  int SelStart() const { return FSelStart; }
  void SetSelStart(int Value);
  int SelLength() const { return FSelLength; }
  void SetSelLength(int Value);
  std::string SelText() const;
  void SetSelText(const std::string& Value);
  void SelectAll();
  void Clear() { SetText(""); }
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  bool Modified() const { return FModified; }
  void SetModified(bool Value) { FModified = Value; }
  // Entering the box from the keyboard selects all its text (single-line boxes).
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value) { FAutoSelect = Value; }
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& Params) override;
  void PaintWindow(HDC DC) override;
  virtual void Change();
  // WM_CTLCOLORSTATIC for a read-only or disabled box, else WM_CTLCOLOREDIT.
  UINT CtlColorMessage() const;
  // The text as shown (password characters, or the lines of a memo).
  std::string DisplayText() const;
  int CharCount() const;
  void ReplaceSelection(const std::string& S);
  bool FReadOnly = false;
  int FMaxLength = 0;
  char FPasswordChar = 0;
  int FTextLeft = 2;  // client x where the text starts (room for a picture before it)
  int FSelStart = 0, FSelLength = 0;
  bool FModified = false;
  bool FAutoSelect = true;
};

class TEdit : public TCustomEdit {
  ORV_CLASS(TEdit, TCustomEdit)
public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
  static void Publish(TPublisher<TEdit>& P);
};

class TStrings;
class TStringList;

ORV_ENUM(TOwnerDrawStateItem, odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault,
         odHotLight, odInactive, odNoAccel, odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit)
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
// Draws item Index of an owner-drawn list or combo box on the control's Canvas in Rect.
using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, RECT Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;
ORV_ENUM(TListBoxStyle, lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw)

// A list of strings, one selected (ItemIndex, -1 for none); arrows, Home/End and the mouse
// move the selection, which scrolls into view; OnClick when the selection changes by the user.
class TCustomListBox : public TWinControl {
  ORV_CLASS(TCustomListBox, TWinControl)
public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;
  TStrings* Items() const;
  void SetItems(TStrings* Value);
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int Value);
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int Value);
  int TopIndex() const { return FTopIndex; }
  void SetTopIndex(int Value);
  bool Sorted() const;
  void SetSorted(bool Value);
  int Count() const;
  // Index of the item at a client point, or -1.
  int ItemAtPos(POINT Pos, bool Existing) const;
  RECT ItemRect(int Index) const;
  void Clear();
  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle Value) { FStyle = Value; Invalidate(); }
  // The canvas owner-drawn items are drawn on (valid during OnDrawItem).
  TCanvas* Canvas() const { return FCanvas.get(); }
  void WndProc(TMessage& Message) override;
  TDrawItemEvent OnDrawItem;

protected:
  void CreateParams(TCreateParams& Params) override;
  void PaintWindow(HDC DC) override;
  virtual void ItemsChanged();
  TListBoxStyle FStyle = lbStandard;
  std::unique_ptr<TControlCanvas> FCanvas;
  void UpdateScroll();
  int VisibleRows() const;
  std::unique_ptr<TStringList> FItems;
  int FItemIndex = -1, FItemHeight = 16, FTopIndex = 0;
};

class TListBox : public TCustomListBox {
  ORV_CLASS(TListBox, TCustomListBox)
public:
  static void Publish(TPublisher<TListBox>& P);
public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

ORV_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable)

// An edit box with a list: Style csDropDownList allows only list items, csDropDown free text.
// Up and Down step through the list; the button or Alt+Down drops the list down.
class TComboBox : public TCustomEdit {
  ORV_CLASS(TComboBox, TCustomEdit)
public:
  static void Publish(TPublisher<TComboBox>& P);
protected:
  void CreateParams(TCreateParams& Params) override;

public:
  explicit TComboBox(TComponent* AOwner);
  ~TComboBox() override;
  TStrings* Items() const;
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int Value);
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int Value) { FDropDownCount = Value; }
  bool DroppedDown() const { return FDropped; }
  // Height of the items in the list (owner-drawn styles).
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int Value) { FItemHeight = Value; }
  TCanvas* Canvas() const { return FCanvas.get(); }
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  // Shows the list under the box and runs it until an item is chosen or it is cancelled.
  void DropDown();
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnSelect, OnDropDown;

protected:
  void PaintWindow(HDC DC) override;
  void Change() override;
  // Screen rectangle of the list about to drop down, given the height of its items: under the
  // box, as wide as the box, DropDownCount items high. Descendants may place it elsewhere.
  virtual RECT DropDownBounds(int ListItemHeight);

private:
  friend class TComboBoxEx;
  void Select(int Index);
  std::unique_ptr<TStringList> FItems;
  std::unique_ptr<TControlCanvas> FCanvas;
  int FItemIndex = -1, FDropDownCount = 8, FItemHeight = 16;
  TComboBoxStyle FStyle = csDropDown;
  bool FDropped = false, FSelecting = false;
  bool FListOwnerDraw = false;  // the dropped list draws through OnDrawItem whatever the style
};

// A multi-line edit: Lines holds the text line by line; Enter starts a new line unless
// WantReturns is off.
class TMemo : public TCustomEdit {
  ORV_CLASS(TMemo, TCustomEdit)
public:
  static void Publish(TPublisher<TMemo>& P);
public:
  explicit TMemo(TComponent* AOwner);
  ~TMemo() override;
  TStrings* Lines() const;
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool Value) { FWantReturns = Value; }
  // Tab types a tab character instead of leaving the memo.
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool Value) { FWantTabs = Value; }
  // The memo's own scroll bars; the vertical one scrolls the shown lines.
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  // Long lines break at word boundaries to fit the width (not with a horizontal scroll bar).
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  // The lines as shown: the text's lines, broken to the width when WordWrap is on.
  std::vector<std::string> DisplayLines();
  // The first shown line (of DisplayLines).
  int TopLine() const { return FTopLine; }
  void WndProc(TMessage& Message) override;
  std::string GetText() const override;
  void SetTextBuf(const std::string& Value) override;

protected:
  void PaintWindow(HDC DC) override;
  void CreateParams(TCreateParams& Params) override;

private:
  std::vector<std::string> WrapLines(HDC DC, int Width) const;
  int LineHeight(HDC DC) const;
  void UpdateScrollBar(int Count, int Visible);
  int FTopLine = 0;
  int FScrollCount = -1, FScrollVisible = -1;  // what the scroll bar shows now
  std::unique_ptr<TStringList> FLines;
  bool FWantReturns = true, FWordWrap = true, FWantTabs = false;
  TScrollStyle FScrollBars = ssNone;
};

// A list box with a check box per item: a click on the box or the space bar toggles it.
class TCheckListBox : public TCustomListBox {
  ORV_CLASS(TCheckListBox, TCustomListBox)
public:
  static void Publish(TPublisher<TCheckListBox>& P);
public:
  explicit TCheckListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
  bool Checked(int Index) const;
  void SetChecked(int Index, bool Value);
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnClickCheck;

protected:
  void PaintWindow(HDC DC) override;
  void ItemsChanged() override;

private:
  void Toggle(int Index);
  std::vector<bool> FChecked;
};

// An edit box with an input mask (the picture language of maskutils.h): literals are shown and
// skipped, each editable place takes only what its picture character allows, and missing
// places show the blank character. Text gives the value with or without the literals as the
// mask's second field says.
class TMaskEdit : public TCustomEdit {
  ORV_CLASS(TMaskEdit, TCustomEdit)
public:
  static void Publish(TPublisher<TMaskEdit>& P);
public:
  explicit TMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
  const std::string& EditMask() const { return FEditMask; }
  void SetEditMask(const std::string& Value);
  // The value typed so far, without literals or blanks.
  std::string RawValue() const;
  std::string GetText() const override;
  void SetTextBuf(const std::string& Value) override;
  void WndProc(TMessage& Message) override;

  // What the box shows: literals, typed characters and blanks.
  std::string DisplayTextOf() const;

private:
  struct TSlot {
    char Literal = 0;  // non-zero: a fixed character
    char Kind = 0;     // the picture character of an editable place
    int Case = 0;      // 1 upper, -1 lower
    char Value = 0;    // typed character (0: empty)
  };
  bool Accepts(const TSlot& S, char C) const;
  int NextEditable(int From) const;
  std::string FEditMask;
  std::vector<TSlot> FSlots;
  bool FSaveLiterals = true;
  char FBlank = '_';
};
