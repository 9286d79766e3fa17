// Standard controls and the message boxes and input dialogs built from them.
#include "platform/vcl/stdctrls.h"

#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/ctlcolor.h"
#include "platform/vcl/forms.h"

ORV_CLASS_IMPL(TLabel, TGraphicControl)
ORV_CLASS_IMPL(TStaticText, TCustomControl)
ORV_CLASS_IMPL(TButtonControl, TCustomControl)
ORV_CLASS_IMPL(TButton, TButtonControl)
ORV_CLASS_IMPL(TCustomCheckBox, TButtonControl)
ORV_CLASS_IMPL(TCheckBox, TCustomCheckBox)
ORV_CLASS_IMPL(TRadioButton, TCustomCheckBox)
ORV_CLASS_IMPL(TGroupBox, TCustomControl)
ORV_CLASS_IMPL(TCustomEdit, TWinControl)
ORV_CLASS_IMPL(TEdit, TCustomEdit)

namespace {

// Byte offset of character index i in UTF-8 text (clamped to the end).
size_t ByteOfChar(const std::string& s, int i) {
  size_t b = 0;
  for (int n = 0; n < i && b < s.size(); ++n) {
    ++b;
    while (b < s.size() && (static_cast<unsigned char>(s[b]) & 0xC0) == 0x80) ++b;
  }
  return b;
}

int CharsIn(const std::string& s) {
  int n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// Draws a caption in the font; enabled text in color (the font's own colour unless the parent
// chose another), disabled text engraved in the system colours.
void DrawCaption(HDC dc, const std::string& text, RECT r, UINT flags, TFont* font, bool enabled, COLORREF color) {
  HGDIOBJ old = SelectObject(dc, font->Handle());
  SetBkMode(dc, TRANSPARENT);
  if (!enabled) {
    RECT r2 = r;
    OffsetRect(&r2, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawText(dc, text.c_str(), -1, &r2, flags);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  } else {
    SetTextColor(dc, color);
  }
  DrawText(dc, text.c_str(), -1, &r, flags);
  SelectObject(dc, old);
}

}  // namespace

// ---- TLabel ----
TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 65;
  FHeight = 17;
  SetParentColor(true);
  ControlStyle() -= csCaptureMouse;
}

void TLabel::Publish(TPublisher<TLabel>& P) {
  P.Redeclare("ParentColor").Default(true);
  P.Prop("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize).Default(true);
  P.Prop("Alignment", &TLabel::Alignment, &TLabel::SetAlignment).Default(taLeftJustify);
  P.Prop("Layout", &TLabel::Layout, &TLabel::SetLayout).Default(tlTop);
  P.Prop("Transparent", &TLabel::Transparent, &TLabel::SetTransparent);
  P.Prop("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap);
  P.Prop("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);
}

UINT TLabel::TextFlags() const {
  UINT f = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0u);
  if (FAlignment == taCenter) f |= DT_CENTER;
  if (FAlignment == taRightJustify) f |= DT_RIGHT;
  return f;
}

void TLabel::AdjustBounds() {
  if (!FAutoSize || ComponentState().Contains(csLoading)) return;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  RECT r{0, 0, FWordWrap ? Width() : 0, 0};
  std::string t = Caption().empty() ? " " : Caption();
  DrawText(dc, t.c_str(), -1, &r, TextFlags() | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  int x = Left();
  if (FAlignment == taRightJustify) x = Left() + Width() - r.right;
  SetBounds(x, Top(), r.right, r.bottom);
}

void TLabel::SetAutoSize(bool Value) {
  FAutoSize = Value;
  AdjustBounds();
}
void TLabel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Invalidate();
}
void TLabel::SetLayout(TTextLayout Value) {
  FLayout = Value;
  Invalidate();
}
void TLabel::SetTransparent(bool Value) {
  FTransparent = Value;
  Invalidate();
}
void TLabel::SetWordWrap(bool Value) {
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl == Value) return;
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = Value;
  if (Value) Value->FreeNotification(this);
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TLabel::WndProc(TMessage& M) {
  if (M.Msg == CM_DIALOGCHAR) {
    // The label's accelerator focuses its FocusControl.
    if (FFocusControl && Enabled() && IsAccel(M.WParam, Caption()) && FFocusControl->CanFocus()) {
      FFocusControl->SetFocus();
      M.Result = 1;
    }
    return;
  }
  if (M.Msg == CM_TEXTCHANGED || M.Msg == CM_FONTCHANGED) {
    AdjustBounds();
    Invalidate();
  }
  TGraphicControl::WndProc(M);
}

void TLabel::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  if (!FTransparent) {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(r);
  }
  UINT flags = TextFlags();
  if (FLayout != tlTop) {
    RECT calc = r;
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    DrawText(dc, Caption().c_str(), -1, &calc, flags | DT_CALCRECT);
    SelectObject(dc, old);
    int h = calc.bottom - calc.top;
    r.top = FLayout == tlCenter ? (r.bottom - h) / 2 : r.bottom - h;
  }
  DrawCaption(dc, Caption(), r, flags, Font(), Enabled(), ColorToRGB(Font()->Color()));
}

// ---- TStaticText ----
TStaticText::TStaticText(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 65;
  FHeight = 17;
  SetParentColor(true);
}

void TStaticText::Publish(TPublisher<TStaticText>& P) {
  P.Redeclare("ParentColor").Default(true);
  P.Prop("Alignment", &TStaticText::Alignment, &TStaticText::SetAlignment).Default(taLeftJustify);
  P.Prop("BorderStyle", &TStaticText::BorderStyle, &TStaticText::SetBorderStyle).Default(sbsNone);
}

void TStaticText::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Invalidate();
}

void TStaticText::SetBorderStyle(TStaticBorderStyle Value) {
  FBorderStyle = Value;
  Invalidate();
}

void TStaticText::WndProc(TMessage& M) {
  if (M.Msg == CM_TEXTCHANGED || M.Msg == CM_FONTCHANGED) Invalidate();
  TCustomControl::WndProc(M);
}

void TStaticText::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  // The parent chooses the background and the text colour.
  ParentCtlColor(Handle(), WM_CTLCOLORSTATIC, dc, &r);
  const COLORREF text = GetTextColor(dc);
  if (FBorderStyle == sbsSingle) FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
  if (FBorderStyle == sbsSunken) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  if (FBorderStyle != sbsNone) InflateRect(&r, -1, -1);
  UINT flags = DT_SINGLELINE | (FAlignment == taCenter ? UINT(DT_CENTER) : FAlignment == taRightJustify ? UINT(DT_RIGHT) : 0u);
  DrawCaption(dc, Caption(), r, flags, Font(), Enabled(), text);
}

// ---- TButtonControl ----
TButtonControl::TButtonControl(TComponent* AOwner) : TCustomControl(AOwner) {
  FTabStop = true;
  SetParentColor(true);
}

void TButtonControl::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (CanFocus() && !Focused()) SetFocus();
      FDown = true;
      Invalidate();
      break;
    case WM_LBUTTONUP:
      FDown = false;
      Invalidate();
      break;
    case WM_KEYDOWN:
      if (M.WParam == VK_SPACE) {
        FDown = true;
        Invalidate();
      }
      break;
    case WM_KEYUP:
      if (M.WParam == VK_SPACE && FDown) {
        FDown = false;
        Invalidate();
        Click();
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    case WM_GETDLGCODE:
      M.Result = DLGC_BUTTON;
      return;
  }
  TCustomControl::WndProc(M);
}

// ---- TButton ----
TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  FWidth = 75;
  FHeight = 25;
  ControlStyle() -= csDoubleClicks;
}

void TButton::Publish(TPublisher<TButton>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Redeclare("ParentColor").Default(true);
  P.Prop("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Type("TModalResult").Default(mrNone);
  P.Prop("Default", &TButton::Default, &TButton::SetDefault).Default(false);
  P.Prop("Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false);
}

void TButton::SetDefault(bool Value) {
  FDefault = Value;
  Invalidate();
}

void TButton::Click() {
  if (TCustomForm* f = GetParentForm(); f && FModalResult != mrNone) f->SetModalResult(FModalResult);
  TButtonControl::Click();
}

bool TButton::Active() const {
  if (const_cast<TButton*>(this)->Focused()) return true;
  if (!FDefault) return false;
  HWND f = GetFocus();
  TWinControl* other = f ? FindControl(f) : nullptr;
  return !(other && other != this && other->Is<TButton>());
}

void TButton::WndProc(TMessage& M) {
  if (M.Msg == CM_FOCUSCHANGED) {
    // The default frame follows the focus: it moves to a focused button and comes back after.
    if (FDefault) Invalidate();
    return;
  }
  if (M.Msg == CM_DIALOGCHAR) {
    if (IsAccel(M.WParam, Caption()) && CanFocus()) {
      Click();
      M.Result = 1;
    }
    return;
  }
  if (M.Msg == CM_DIALOGKEY) {
    // Enter presses the focused button, or the default one while no other button has the focus;
    // Escape the cancel button.
    bool enter = M.WParam == VK_RETURN && Active();
    bool esc = M.WParam == VK_ESCAPE && FCancel;
    if ((enter || esc) && CanFocus()) {
      Click();
      M.Result = 1;
    }
    return;
  }
  TButtonControl::WndProc(M);
}

void TButton::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  // The parent's brush shows around the face; its text colour draws the caption.
  ParentCtlColor(Handle(), WM_CTLCOLORBTN, dc, &r);
  const COLORREF text = GetTextColor(dc);
  bool focused = Focused();
  if (Active()) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  UINT state = DFCS_BUTTONPUSH | (FDown ? UINT(DFCS_PUSHED) : 0u) | (Enabled() ? 0u : UINT(DFCS_INACTIVE));
  DrawFrameControl(dc, &r, DFC_BUTTON, state);
  RECT t = r;
  if (FDown) OffsetRect(&t, 1, 1);
  DrawCaption(dc, Caption(), t, DT_CENTER | DT_VCENTER | DT_SINGLELINE, Font(), Enabled(), text);
  if (focused) {
    RECT f = r;
    InflateRect(&f, -3, -3);
    DrawFocusRect(dc, &f);
  }
}

// ---- Check boxes and radio buttons ----
TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
  FWidth = 97;
  FHeight = 17;
}

void TCustomCheckBox::SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }

void TCustomCheckBox::SetState(TCheckBoxState Value) {
  if (FState == Value) return;
  FState = Value;
  Invalidate();
  if (!ComponentState().Contains(csLoading)) TButtonControl::Click();
}

void TCustomCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

// A click toggles the state; the state change itself fires OnClick.
void TCustomCheckBox::Click() { Toggle(); }

void TCustomCheckBox::WndProc(TMessage& M) {
  if (M.Msg == CM_DIALOGCHAR) {
    // The accelerator focuses the box and toggles it (checks a radio button).
    if (IsAccel(M.WParam, Caption()) && CanFocus()) {
      SetFocus();
      if (Focused()) Toggle();
      M.Result = 1;
    }
    return;
  }
  TButtonControl::WndProc(M);
}

void TCustomCheckBox::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  // The parent chooses the background and the caption's colour.
  ParentCtlColor(Handle(), WM_CTLCOLORSTATIC, dc, &r);
  const COLORREF text = GetTextColor(dc);
  int box = GetSystemMetrics(SM_CXMENUCHECK);
  RECT b{0, (r.bottom - box) / 2, box, (r.bottom - box) / 2 + box};
  UINT st = (FRadio ? UINT(DFCS_BUTTONRADIO) : UINT(DFCS_BUTTONCHECK)) | (FState != cbUnchecked ? UINT(DFCS_CHECKED) : 0u) |
            (Enabled() ? 0u : UINT(DFCS_INACTIVE)) | (FState == cbGrayed ? UINT(DFCS_INACTIVE) : 0u);
  DrawFrameControl(dc, &b, DFC_BUTTON, st);
  RECT t{box + 4, 0, r.right, r.bottom};
  DrawCaption(dc, Caption(), t, DT_LEFT | DT_VCENTER | DT_SINGLELINE, Font(), Enabled(), text);
  if (Focused()) {
    RECT calc = t;
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    DrawText(dc, Caption().c_str(), -1, &calc, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    RECT f{t.left - 1, (r.bottom - (calc.bottom - calc.top)) / 2 - 1, t.left + (calc.right - calc.left) + 1,
           (r.bottom + (calc.bottom - calc.top)) / 2 + 1};
    DrawFocusRect(dc, &f);
  }
}

void TCheckBox::Publish(TPublisher<TCheckBox>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Redeclare("ParentColor").Default(true);
  P.Prop("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked).Default(false);
  P.Prop("State", &TCheckBox::State, &TCheckBox::SetState).Default(cbUnchecked);
  P.Prop("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed).Default(false);
}

TRadioButton::TRadioButton(TComponent* AOwner) : TCustomCheckBox(AOwner) {
  FRadio = true;
  FWidth = 113;
}

void TRadioButton::Publish(TPublisher<TRadioButton>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Redeclare("ParentColor").Default(true);
  P.Prop("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).Default(false);
}

void TRadioButton::SetChecked(bool Value) {
  if (Value && Parent())
    for (int i = 0; i < Parent()->ControlCount(); ++i)
      if (auto* rb = dynamic_cast<TRadioButton*>(Parent()->Controls(i)); rb && rb != this && rb->Checked())
        rb->SetState(cbUnchecked);
  TCustomCheckBox::SetChecked(Value);
}

void TRadioButton::Toggle() {
  if (!Checked()) SetChecked(true);
}

// ---- TGroupBox ----
TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 185;
  FHeight = 105;
  ControlStyle() += csAcceptsControls;
  SetParentColor(true);
}

void TGroupBox::AlignControls(TControl* AControl, RECT& Rect) {
  Rect.top += 15;
  InflateRect(&Rect, -2, -2);
  TCustomControl::AlignControls(AControl, Rect);
}

void TGroupBox::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  // The parent chooses the background and the caption's colour.
  HBRUSH back = ParentCtlColor(Handle(), WM_CTLCOLORSTATIC, dc, &r);
  const COLORREF text = GetTextColor(dc);
  SIZE sz{0, 0};
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  GetTextExtentPoint32(dc, Caption().c_str(), static_cast<int>(Caption().size()), &sz);
  SelectObject(dc, old);
  RECT frame{0, sz.cy / 2, r.right, r.bottom};
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  if (!Caption().empty()) {
    RECT t{8, 0, 8 + sz.cx + 4, sz.cy};
    if (back) ::FillRect(dc, &t, back);
    OffsetRect(&t, 2, 0);
    DrawCaption(dc, Caption(), t, DT_LEFT | DT_SINGLELINE, Font(), Enabled(), text);
  }
}

// ---- TCustomEdit ----
TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 121;
  FHeight = 21;
  FTabStop = true;
  SetColor(clWindow);
  SetCursor(crIBeam);
}

void TCustomEdit::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::SetPasswordChar(char Value) {
  FPasswordChar = Value;
  Invalidate();
}

// A box the user cannot type into asks for the colours of static text, as the platform's edits do.
UINT TCustomEdit::CtlColorMessage() const {
  return FReadOnly || !Enabled() ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
}

int TCustomEdit::CharCount() const { return CharsIn(GetText()); }

void TCustomEdit::SetSelStart(int Value) {
  FSelStart = std::clamp(Value, 0, CharCount());
  FSelLength = 0;
  Invalidate();
}

void TCustomEdit::SetSelLength(int Value) {
  FSelLength = std::clamp(Value, -FSelStart, CharCount() - FSelStart);
  Invalidate();
}

std::string TCustomEdit::SelText() const {
  const std::string t = GetText();
  int a = std::min(FSelStart, FSelStart + FSelLength), b = std::max(FSelStart, FSelStart + FSelLength);
  size_t ba = ByteOfChar(t, a), bb = ByteOfChar(t, b);
  return t.substr(ba, bb - ba);
}

void TCustomEdit::SetSelText(const std::string& Value) { ReplaceSelection(Value); }

void TCustomEdit::SelectAll() {
  FSelStart = 0;
  FSelLength = CharCount();
  Invalidate();
}

void TCustomEdit::ReplaceSelection(const std::string& S) {
  std::string t = GetText();
  int a = std::min(FSelStart, FSelStart + FSelLength), b = std::max(FSelStart, FSelStart + FSelLength);
  std::string ins = S;
  if (FMaxLength > 0) {
    int room = FMaxLength - (CharsIn(t) - (b - a));
    if (room <= 0) return;
    if (CharsIn(ins) > room) ins = ins.substr(0, ByteOfChar(ins, room));
  }
  size_t ba = ByteOfChar(t, a), bb = ByteOfChar(t, b);
  t = t.substr(0, ba) + ins + t.substr(bb);
  FSelStart = a + CharsIn(ins);
  FSelLength = 0;
  SetTextBuf(t);
  FModified = true;
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TCustomEdit::CopyToClipboard() {
  if (!FPasswordChar) SetClipboardText(SelText());
}

void TCustomEdit::CutToClipboard() {
  if (FReadOnly) return;
  CopyToClipboard();
  ReplaceSelection("");
}

void TCustomEdit::PasteFromClipboard() {
  if (FReadOnly) return;
  std::string s = GetClipboardText();
  size_t nl = s.find_first_of("\r\n");
  if (nl != std::string::npos) s.resize(nl);
  ReplaceSelection(s);
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

std::string TCustomEdit::DisplayText() const {
  if (auto* m = dynamic_cast<const TMaskEdit*>(this); m && !m->EditMask().empty()) return m->DisplayTextOf();
  if (!FPasswordChar) return GetText();
  return std::string(static_cast<size_t>(CharCount()), FPasswordChar);
}

void TCustomEdit::PaintWindow(HDC DC) {
  RECT r = ClientRect();
  // The parent chooses the background and text colour (its own controls' Color and Font).
  ParentCtlColor(Handle(), CtlColorMessage(), DC, &r);
  HGDIOBJ old = SelectObject(DC, Font()->Handle());
  SetBkMode(DC, TRANSPARENT);
  std::string shown = DisplayText();
  TextOut(DC, FTextLeft, 1, shown.c_str(), static_cast<int>(shown.size()));
  auto xOf = [&](int chars) {
    SIZE sz{0, 0};
    size_t b = ByteOfChar(shown, chars);
    GetTextExtentPoint32(DC, shown.c_str(), static_cast<int>(b), &sz);
    return FTextLeft + sz.cx;
  };
  if (FSelLength != 0 && Focused()) {
    int a = std::min(FSelStart, FSelStart + FSelLength), b = std::max(FSelStart, FSelStart + FSelLength);
    RECT sel{xOf(a), 1, xOf(b), r.bottom - 1};
    InvertRect(DC, &sel);
  }
  // The window manager draws and blinks the caret; the edit only places it.
  if (Focused()) SetCaretPos(xOf(FSelStart + FSelLength), 1);
  SelectObject(DC, old);
}

void TCustomEdit::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
      return;
    case WM_SETFOCUS:
      CreateCaret(FHandle, nullptr, 1, std::max(1, ClientHeight() - 2));
      ShowCaret(FHandle);
      Invalidate();
      break;
    case WM_KILLFOCUS:
      DestroyCaret();
      Invalidate();
      break;
    case WM_LBUTTONDOWN:
      if (CanFocus() && !Focused()) SetFocus();
      break;
    case CM_ENTER:
      // Entered from the keyboard (not by a click into it): all the text is selected.
      if (FAutoSelect && !Is<TMemo>() && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
      break;
    case CM_TEXTCHANGED:
      FSelStart = std::min(FSelStart, CharCount());
      Invalidate();
      Change();
      return;
    case WM_KEYDOWN: {
      if (DoKeyDown(M)) return;
      bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
      int n = CharCount();
      int caret = FSelStart + FSelLength;
      auto moveTo = [&](int pos) {
        pos = std::clamp(pos, 0, n);
        if (shift) FSelLength = pos - FSelStart;
        else {
          FSelStart = pos;
          FSelLength = 0;
        }
        Invalidate();
      };
      switch (M.WParam) {
        case VK_LEFT: moveTo(caret - 1); return;
        case VK_RIGHT: moveTo(caret + 1); return;
        case VK_HOME: moveTo(0); return;
        case VK_END: moveTo(n); return;
        case VK_DELETE:
          if (FReadOnly) return;
          if (FSelLength == 0 && FSelStart < n) FSelLength = 1;
          ReplaceSelection("");
          return;
        case 'A': if (ctrl) { SelectAll(); return; } break;
        case 'C': if (ctrl) { CopyToClipboard(); return; } break;
        case 'X': if (ctrl) { CutToClipboard(); return; } break;
        case 'V': if (ctrl) { PasteFromClipboard(); return; } break;
      }
      // Tab, Enter and Escape go on to the form as dialog keys.
      TWinControl::WndProc(M);
      return;
    }
    case WM_CHAR: {
      if (DoKeyPress(M)) return;
      WPARAM c = M.WParam;
      if (c == VK_BACK) {
        if (FReadOnly) return;
        if (FSelLength == 0 && FSelStart > 0) {
          --FSelStart;
          FSelLength = 1;
        }
        ReplaceSelection("");
        return;
      }
      if (c < 32 || FReadOnly) return;
      std::string u;
      if (c < 0x80) u.push_back(static_cast<char>(c));
      else if (c < 0x800) { u.push_back(static_cast<char>(0xC0 | (c >> 6))); u.push_back(static_cast<char>(0x80 | (c & 0x3F))); }
      else if (c < 0x10000) { u.push_back(static_cast<char>(0xE0 | (c >> 12))); u.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F))); u.push_back(static_cast<char>(0x80 | (c & 0x3F))); }
      else { u.push_back(static_cast<char>(0xF0 | (c >> 18))); u.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F))); u.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F))); u.push_back(static_cast<char>(0x80 | (c & 0x3F))); }
      ReplaceSelection(u);
      return;
    }
  }
  TWinControl::WndProc(M);
}

void TEdit::Publish(TPublisher<TEdit>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Redeclare("Caption").Stored(false);
  P.Redeclare("Cursor").Default(crIBeam);
  P.Prop("PasswordChar", &TEdit::PasswordChar, &TEdit::SetPasswordChar).Default(char(0));
  P.Event<TNotifyEvent>("OnChange", &TEdit::OnChange).Type("TNotifyEvent");
  P.Prop("Text", &TEdit::Text, &TEdit::SetText).Type("TCaption");
  P.Prop("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly).Default(false);
  P.Prop("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).Default(0);
  P.Prop("AutoSelect", &TEdit::AutoSelect, &TEdit::SetAutoSelect).Default(true);
}

// ---- Message boxes and input dialogs ----
namespace {

// The form of our own dialogs: window class "#32770", as dialogs of the platform have.
class TDialogForm : public TForm {
public:
  explicit TDialogForm(TComponent* Owner) : TForm(Owner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetKeyPreview(false);
  }

protected:
  void CreateParams(TCreateParams& P) override {
    TForm::CreateParams(P);
    P.WinClassName = "#32770";
  }
};

struct TButtonDef {
  const char* Caption;
  int Result;
};

std::vector<TButtonDef> ButtonsOf(UINT type) {
  switch (type & 0xF) {
    case MB_OKCANCEL: return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{"&Abort", IDABORT}, {"&Retry", IDRETRY}, {"&Ignore", IDIGNORE}};
    case MB_YESNOCANCEL: return {{"&Yes", IDYES}, {"&No", IDNO}, {"Cancel", IDCANCEL}};
    case MB_YESNO: return {{"&Yes", IDYES}, {"&No", IDNO}};
    case MB_RETRYCANCEL: return {{"&Retry", IDRETRY}, {"Cancel", IDCANCEL}};
  }
  return {{"OK", IDOK}};
}

// A small vector icon of the box's kind, drawn on the dialog.
void DrawIcon(TCanvas* c, UINT type, int x, int y) {
  UINT kind = type & 0xF0;
  if (!kind) return;
  TColor fill = kind == MB_ICONERROR ? TColor(RGB(200, 30, 30)) : kind == MB_ICONWARNING ? TColor(RGB(240, 200, 0)) : TColor(RGB(30, 90, 200));
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(fill);
  if (kind == MB_ICONWARNING) c->Polygon({{x + 16, y}, {x + 32, y + 30}, {x, y + 30}});
  else c->Ellipse(x, y, x + 32, y + 32);
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(kind == MB_ICONWARNING ? clBlack : clWhite);
  c->Font()->SetStyle(TFontStyles{fsBold});
  c->Font()->SetHeight(-20);
  const char* glyph = kind == MB_ICONERROR ? "X" : kind == MB_ICONQUESTION ? "?" : kind == MB_ICONWARNING ? "!" : "i";
  SIZE s = c->TextExtent(glyph);
  c->TextOut(x + 16 - s.cx / 2, y + (kind == MB_ICONWARNING ? 20 : 16) - s.cy / 2, glyph);
}

int RunBox(const std::string& Text, const std::string& Caption, UINT Type) {
  auto* f = new TDialogForm(nullptr);
  f->SetCaption(Caption.empty() ? Application()->Title() : Caption);
  auto* l = new TLabel(f);
  l->SetParent(f);
  l->SetCaption(Text);
  bool icon = (Type & 0xF0) != 0;
  l->SetLeft(icon ? 60 : 16);
  l->SetTop(18);
  auto defs = ButtonsOf(Type);
  int bw = 75, gap = 8;
  int buttonsW = static_cast<int>(defs.size()) * bw + (static_cast<int>(defs.size()) - 1) * gap;
  int cw = std::max(buttonsW + 32, l->Left() + l->Width() + 16);
  cw = std::max(cw, 180);
  int ch = std::max(l->Top() + l->Height(), 50) + 16 + 25 + 12;
  f->SetClientWidth(cw);
  f->SetClientHeight(ch);
  int x = (cw - buttonsW) / 2;
  int defIndex = (Type & MB_DEFBUTTON3) ? 2 : (Type & MB_DEFBUTTON2) ? 1 : 0;
  TButton* first = nullptr;
  for (size_t i = 0; i < defs.size(); ++i) {
    auto* b = new TButton(f);
    b->SetParent(f);
    b->SetCaption(defs[i].Caption);
    b->SetBounds(x, ch - 25 - 12, bw, 25);
    b->SetModalResult(defs[i].Result);
    b->SetDefault(static_cast<int>(i) == defIndex);
    b->SetCancel(defs[i].Result == IDCANCEL || (defs.size() == 1));
    if (static_cast<int>(i) == defIndex) first = b;
    x += bw + gap;
  }
  f->OnPaint = [f, Type](TObject*) { DrawIcon(f->Canvas(), Type, 16, 16); };
  f->SetActiveControl(first);
  int r = f->ShowModal();
  delete f;
  return r == mrNone ? IDCANCEL : r;
}

}  // namespace

int MessageBox(HWND, const std::string& Text, const std::string& Caption, UINT Type) { return RunBox(Text, Caption, Type); }

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
  static const char* const titles[] = {"Warning", "Error", "Information", "Confirm", ""};
  UINT icon = DlgType == mtWarning ? UINT(MB_ICONWARNING) : DlgType == mtError ? UINT(MB_ICONERROR)
              : DlgType == mtInformation ? UINT(MB_ICONINFORMATION) : DlgType == mtConfirmation ? UINT(MB_ICONQUESTION) : 0u;
  UINT kind = MB_OK;
  if (Buttons.Contains(mbYes) && Buttons.Contains(mbNo)) kind = Buttons.Contains(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
  else if (Buttons.Contains(mbOK) && Buttons.Contains(mbCancel)) kind = MB_OKCANCEL;
  else if (Buttons.Contains(mbAbort)) kind = MB_ABORTRETRYIGNORE;
  else if (Buttons.Contains(mbRetry)) kind = MB_RETRYCANCEL;
  return RunBox(Msg, titles[DlgType], kind | icon);
}

void ShowMessage(const std::string& Msg) { RunBox(Msg, Application()->Title(), MB_OK); }

bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  auto* f = new TDialogForm(nullptr);
  f->SetCaption(Caption);
  f->SetClientWidth(260);
  f->SetClientHeight(100);
  auto* l = new TLabel(f);
  l->SetParent(f);
  l->SetCaption(Prompt);
  l->SetBounds(8, 8, 240, 15);
  auto* e = new TEdit(f);
  e->SetParent(f);
  e->SetBounds(8, 28, 244, 21);
  e->SetText(Value);
  e->SelectAll();
  auto* ok = new TButton(f);
  ok->SetParent(f);
  ok->SetCaption("OK");
  ok->SetBounds(96, 64, 75, 25);
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  auto* cancel = new TButton(f);
  cancel->SetParent(f);
  cancel->SetCaption("Cancel");
  cancel->SetBounds(177, 64, 75, 25);
  cancel->SetModalResult(mrCancel);
  cancel->SetCancel(true);
  f->SetActiveControl(e);
  bool accepted = f->ShowModal() == mrOk;
  if (accepted) Value = e->Text();
  delete f;
  return accepted;
}

std::string InputBox(const std::string& Caption, const std::string& Prompt, const std::string& Default) {
  std::string v = Default;
  return InputQuery(Caption, Prompt, v) ? v : Default;
}

void TGroupBox::Publish(TPublisher<TGroupBox>& P) { P.Redeclare("ParentColor").Default(true); }
