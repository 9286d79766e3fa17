// The list controls of the standard set: list box, combo box, memo.
#include <algorithm>
#include <cctype>

#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/ctlcolor.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

ORV_CLASS_IMPL(TCustomListBox, TWinControl)
ORV_CLASS_IMPL(TListBox, TCustomListBox)
ORV_CLASS_IMPL(TComboBox, TCustomEdit)
ORV_CLASS_IMPL(TMemo, TCustomEdit)

// ---- TCustomListBox ----
TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()), FItems(std::make_unique<TStringList>()) {
  FCanvas->SetControl(this);
  FWidth = 121;
  FHeight = 97;
  FTabStop = true;
  SetColor(clWindow);
  FItems->OnChange = [this](TObject*) { ItemsChanged(); };
}

TCustomListBox::~TCustomListBox() {
  FItems->OnChange = nullptr;
  FCanvas->SetControl(nullptr);
}

TStrings* TCustomListBox::Items() const { return FItems.get(); }
void TCustomListBox::SetItems(TStrings* Value) { FItems->Assign(Value); }
int TCustomListBox::Count() const { return FItems->Count(); }
bool TCustomListBox::Sorted() const { return FItems->Sorted(); }
void TCustomListBox::SetSorted(bool Value) { FItems->SetSorted(Value); }

void TCustomListBox::Clear() {
  FItems->Clear();
  FItemIndex = -1;
}

void TCustomListBox::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::ItemsChanged() {
  if (FItemIndex >= Count()) FItemIndex = Count() - 1;
  UpdateScroll();
  Invalidate();
}

int TCustomListBox::VisibleRows() const {
  int h = const_cast<TCustomListBox*>(this)->ClientHeight();
  return std::max(1, h / std::max(1, FItemHeight));
}

void TCustomListBox::UpdateScroll() {
  if (!HandleAllocated()) return;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(0, Count() - 1);
  si.nPage = static_cast<UINT>(VisibleRows());
  si.nPos = FTopIndex;
  SetScrollInfo(FHandle, SB_VERT, &si, TRUE);
  FTopIndex = GetScrollPos(FHandle, SB_VERT);
}

void TCustomListBox::SetItemHeight(int Value) {
  FItemHeight = std::max(1, Value);
  UpdateScroll();
  Invalidate();
}

void TCustomListBox::SetTopIndex(int Value) {
  FTopIndex = std::clamp(Value, 0, std::max(0, Count() - VisibleRows()));
  UpdateScroll();
  Invalidate();
}

void TCustomListBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= Count()) Value = -1;
  FItemIndex = Value;
  if (Value >= 0) {
    if (Value < FTopIndex) SetTopIndex(Value);
    else if (Value >= FTopIndex + VisibleRows()) SetTopIndex(Value - VisibleRows() + 1);
  }
  Invalidate();
}

int TCustomListBox::ItemAtPos(POINT Pos, bool Existing) const {
  int i = FTopIndex + Pos.y / std::max(1, FItemHeight);
  if (Pos.y < 0) return -1;
  if (i >= Count()) return Existing ? -1 : Count();
  return i;
}

RECT TCustomListBox::ItemRect(int Index) const {
  int y = (Index - FTopIndex) * FItemHeight;
  return RECT{0, y, const_cast<TCustomListBox*>(this)->ClientWidth(), y + FItemHeight};
}

void TCustomListBox::PaintWindow(HDC DC) {
  bool owner = (FStyle == lbOwnerDrawFixed || FStyle == lbOwnerDrawVariable) && OnDrawItem;
  // The parent chooses the background and the text colour of the items.
  RECT all = ClientRect();
  ParentCtlColor(Handle(), WM_CTLCOLORLISTBOX, DC, owner ? nullptr : &all);
  const COLORREF text = GetTextColor(DC);
  HGDIOBJ old = SelectObject(DC, Font()->Handle());
  SetBkMode(DC, TRANSPARENT);
  if (owner) {
    FCanvas->SetHandle(DC);
    FCanvas->Font()->Assign(Font());
  }
  for (int i = FTopIndex; i < Count() && i < FTopIndex + VisibleRows() + 1; ++i) {
    RECT r = ItemRect(i);
    bool sel = i == FItemIndex;
    if (owner) {
      TOwnerDrawState st;
      if (sel) st += odSelected;
      if (sel && Focused()) st += odFocused;
      if (!Enabled()) st += odDisabled;
      FCanvas->Brush()->SetColor(sel ? clHighlight : Color());
      FCanvas->Font()->SetColor(sel ? clHighlightText : Font()->Color());
      OnDrawItem(this, i, r, st);
      continue;
    }
    if (sel) FillRect(DC, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(DC, sel ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text);
    RECT t = r;
    t.left += 2;
    DrawText(DC, FItems->Strings(i).c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (sel && Focused()) DrawFocusRect(DC, &r);
  }
  if (owner) FCanvas->SetHandle(nullptr);
  SelectObject(DC, old);
}

void TCustomListBox::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE:
      M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_SIZE:
      TWinControl::WndProc(M);
      UpdateScroll();
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (CanFocus() && !Focused()) SetFocus();
      int i = ItemAtPos(POINT{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}, true);
      if (i >= 0 && i != FItemIndex) {
        SetItemIndex(i);
        Click();
      }
      TWinControl::WndProc(M);
      // The click already ran for the new selection.
      ControlState() -= csClicked;
      return;
    }
    case WM_KEYDOWN: {
      if (DoKeyDown(M)) return;
      int i = FItemIndex;
      switch (M.WParam) {
        case VK_UP: i = std::max(0, i - 1); break;
        case VK_DOWN: i = std::min(Count() - 1, i + 1); break;
        case VK_HOME: i = 0; break;
        case VK_END: i = Count() - 1; break;
        case VK_PRIOR: i = std::max(0, i - VisibleRows()); break;
        case VK_NEXT: i = std::min(Count() - 1, i + VisibleRows()); break;
        default: TWinControl::WndProc(M); return;
      }
      if (Count() > 0 && i != FItemIndex) {
        SetItemIndex(i);
        Click();
      }
      return;
    }
    case WM_VSCROLL: {
      int top = FTopIndex;
      switch (LOWORD(M.WParam)) {
        case SB_LINEUP: --top; break;
        case SB_LINEDOWN: ++top; break;
        case SB_PAGEUP: top -= VisibleRows(); break;
        case SB_PAGEDOWN: top += VisibleRows(); break;
        case SB_THUMBTRACK: case SB_THUMBPOSITION: top = HIWORD(M.WParam); break;
        case SB_TOP: top = 0; break;
        case SB_BOTTOM: top = Count(); break;
        default: return;
      }
      SetTopIndex(top);
      return;
    }
    case WM_MOUSEWHEEL:
      if (!DoMouseWheel(KeysToShiftState(LOWORD(M.WParam)), GET_WHEEL_DELTA_WPARAM(M.WParam), POINT{0, 0}))
        SetTopIndex(FTopIndex - GET_WHEEL_DELTA_WPARAM(M.WParam) / WHEEL_DELTA * 3);
      M.Result = 1;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
  }
  TWinControl::WndProc(M);
}

// ---- TComboBox ----
namespace {

// The dropped-down list: a borderless form with a list box, closed by a choice, Escape, or
// losing the activation.
class TDropForm : public TForm {
public:
  explicit TDropForm(TStrings* Items, int Index) : TForm(nullptr) {
    SetBorderStyle(bsNone);
    List = new TListBox(this);
    List->SetParent(this);
    List->SetAlign(alClient);
    List->Items()->Assign(Items);
    List->SetItemIndex(Index);
    List->OnClick = [this](TObject*) {
      if (GetKeyState(VK_LBUTTON) < 0 || FByMouse) SetModalResult(mrOk);
    };
    List->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { SetModalResult(mrOk); };
    List->OnKeyDown = [this](TObject*, WORD& Key, TShiftState) {
      if (Key == VK_RETURN) SetModalResult(mrOk);
      if (Key == VK_ESCAPE) SetModalResult(mrCancel);
    };
    OnDeactivate = [this](TObject*) {
      if (ModalResult() == mrNone) SetModalResult(mrCancel);
    };
    SetActiveControl(List);
  }
  TListBox* List;

private:
  bool FByMouse = false;
};

}  // namespace

namespace {

// The combo box kind as the window style carries it.
DWORD ComboStyleBits(TComboBoxStyle s) {
  switch (s) {
    case csSimple: return CBS_SIMPLE;
    case csDropDown: return CBS_DROPDOWN;
    default: return CBS_DROPDOWNLIST;
  }
}

}  // namespace

TComboBox::TComboBox(TComponent* AOwner)
    : TCustomEdit(AOwner), FItems(std::make_unique<TStringList>()), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
  FWidth = 145;
  FHeight = 21;
  FItems->OnChange = [this](TObject*) {
    if (FItemIndex >= FItems->Count()) FItemIndex = -1;
  };
}

TComboBox::~TComboBox() {
  FItems->OnChange = nullptr;
  FCanvas->SetControl(nullptr);
}

TStrings* TComboBox::Items() const { return FItems.get(); }

void TComboBox::SetStyle(TComboBoxStyle Value) {
  FStyle = Value;
  if (HandleAllocated()) {
    DWORD st = static_cast<DWORD>(GetWindowLongPtr(Handle(), GWL_STYLE));
    SetWindowLongPtr(Handle(), GWL_STYLE, static_cast<LONG_PTR>((st & ~DWORD(3)) | ComboStyleBits(Value)));
  }
  Invalidate();
}

void TComboBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= FItems->Count()) Value = -1;
  FItemIndex = Value;
  FSelecting = true;
  SetText(Value >= 0 ? FItems->Strings(Value) : std::string());
  FSelecting = false;
  SelectAll();
}

void TComboBox::Select(int Index) {
  if (Index < 0 || Index >= FItems->Count() || Index == FItemIndex) return;
  SetItemIndex(Index);
  if (OnSelect) OnSelect(this);
  TCustomEdit::Change();
  Click();
}

void TComboBox::Change() {
  // Free text typed into a drop-down box: the item index follows an exact match.
  if (!FSelecting) FItemIndex = FItems->IndexOf(GetText());
  if (!FSelecting) TCustomEdit::Change();
}

void TComboBox::DropDown() {
  if (FDropped || FItems->Count() == 0) return;
  if (OnDropDown) OnDropDown(this);
  FDropped = true;
  TDropForm f(FItems.get(), FItemIndex);
  if ((FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable || FListOwnerDraw) && OnDrawItem) {
    // The dropped list draws its items through this box's OnDrawItem, on the list's canvas.
    f.List->SetStyle(lbOwnerDrawFixed);
    f.List->SetItemHeight(FItemHeight);
    f.List->OnDrawItem = [this, &f](TWinControl*, int Index, RECT R, TOwnerDrawState State) {
      TCanvas* mine = FCanvas.get();
      HDC dc = f.List->Canvas()->Handle();
      mine->SetHandle(dc);
      mine->Brush()->Assign(f.List->Canvas()->Brush());
      mine->Font()->Assign(f.List->Canvas()->Font());
      mine->FillRect(R);
      OnDrawItem(this, Index, R, State);
      mine->SetHandle(nullptr);
    };
  }
  const RECT b = DropDownBounds(f.List->ItemHeight());
  f.SetBounds(b.left, b.top, b.right - b.left, b.bottom - b.top);
  int r = f.ShowModal();
  int chosen = f.List->ItemIndex();
  FDropped = false;
  if (r == mrOk) Select(chosen);
  if (CanFocus()) SetFocus();
}

RECT TComboBox::DropDownBounds(int ListItemHeight) {
  POINT p = ClientToScreen(POINT{0, Height() - 2});
  int rows = std::min(FDropDownCount, FItems->Count());
  return RECT{p.x - 2, p.y, p.x - 2 + Width(), p.y + rows * ListItemHeight + 4};
}

void TComboBox::PaintWindow(HDC DC) {
  RECT r = ClientRect();
  int bw = GetSystemMetrics(SM_CXVSCROLL);
  RECT button{r.right - bw, 0, r.right, r.bottom};
  bool owner = (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable) && OnDrawItem;
  if (owner) {
    // The edit part shows the selected item the way the list draws it.
    RECT text{0, 0, r.right - bw, r.bottom};
    TOwnerDrawState st{odComboBoxEdit};
    if (Focused()) st += odSelected, st += odFocused;
    FCanvas->SetHandle(DC);
    FCanvas->Font()->Assign(Font());
    FCanvas->Brush()->SetColor(Focused() ? clHighlight : Color());
    FCanvas->Font()->SetColor(Focused() ? clHighlightText : Font()->Color());
    FCanvas->FillRect(text);
    if (FItemIndex >= 0) OnDrawItem(this, FItemIndex, text, st);
    FCanvas->SetHandle(nullptr);
  } else if (FStyle == csDropDownList) {
    RECT text{0, 0, r.right - bw, r.bottom};
    bool sel = Focused();
    ParentCtlColor(Handle(), WM_CTLCOLOREDIT, DC, &text);  // the parent's colours
    if (sel) FillRect(DC, &text, GetSysColorBrush(COLOR_HIGHLIGHT));
    HGDIOBJ old = SelectObject(DC, Font()->Handle());
    SetBkMode(DC, TRANSPARENT);
    if (sel) SetTextColor(DC, GetSysColor(COLOR_HIGHLIGHTTEXT));
    text.left += 2;
    DrawText(DC, GetText().c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(DC, old);
  } else {
    int saved = SaveDC(DC);
    IntersectClipRect(DC, 0, 0, r.right - bw, r.bottom);
    TCustomEdit::PaintWindow(DC);
    RestoreDC(DC, saved);
    if (FTextLeft > 2 && FListOwnerDraw && OnDrawItem && FItemIndex >= 0) {
      // The room before the text shows the chosen item's picture, drawn by the owner.
      FCanvas->SetHandle(DC);
      OnDrawItem(this, FItemIndex, RECT{0, 0, FTextLeft - 2, r.bottom}, TOwnerDrawState{odComboBoxEdit});
      FCanvas->SetHandle(nullptr);
    }
  }
  DrawFrameControl(DC, &button, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (FDropped ? UINT(DFCS_PUSHED) : 0u));
}

void TComboBox::WndProc(TMessage& M) {
  switch (M.Msg) {
    case CB_GETCOMBOBOXINFO: {
      // The parts of the box in client coordinates: the text area and the drop-down button.
      auto* info = reinterpret_cast<COMBOBOXINFO*>(M.LParam);
      RECT r = ClientRect();
      int bw = GetSystemMetrics(SM_CXVSCROLL);
      info->rcItem = RECT{0, 0, std::max<LONG>(0, r.right - bw), r.bottom};
      info->rcButton = RECT{std::max<LONG>(0, r.right - bw), 0, r.right, r.bottom};
      info->stateButton = FDropped ? DWORD(STATE_SYSTEM_PRESSED) : DWORD(0);
      info->hwndCombo = Handle();
      info->hwndItem = Handle();  // the text area is part of the box itself
      info->hwndList = nullptr;   // the list exists only while it is down
      M.Result = 1;
      return;
    }
    case WM_KEYDOWN: {
      if (M.WParam == VK_DOWN && GetKeyState(VK_MENU) < 0) {
        DropDown();
        return;
      }
      if (M.WParam == VK_UP || M.WParam == VK_DOWN) {
        if (DoKeyDown(M)) return;
        int i = FItemIndex < 0 ? (M.WParam == VK_DOWN ? 0 : -1) : FItemIndex + (M.WParam == VK_DOWN ? 1 : -1);
        Select(std::clamp(i, 0, FItems->Count() - 1));
        return;
      }
      if (M.WParam == VK_F4) {
        DropDown();
        return;
      }
      break;
    }
    case WM_CHAR:
      if (FStyle == csDropDownList || FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable) {
        if (DoKeyPress(M)) return;
        // Typing a letter selects the next item starting with it.
        char c = static_cast<char>(std::tolower(static_cast<int>(M.WParam & 0x7F)));
        for (int k = 1; k <= FItems->Count(); ++k) {
          int i = (FItemIndex + k) % FItems->Count();
          const std::string& s = FItems->Strings(i);
          if (!s.empty() && std::tolower(static_cast<unsigned char>(s[0])) == c) {
            Select(i);
            break;
          }
        }
        return;
      }
      break;
    case WM_LBUTTONDOWN: {
      int x = GET_X_LPARAM(M.LParam);
      if (FStyle == csDropDownList || FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable || x >= ClientWidth() - GetSystemMetrics(SM_CXVSCROLL)) {
        if (CanFocus() && !Focused()) SetFocus();
        DropDown();
        return;
      }
      break;
    }
  }
  TCustomEdit::WndProc(M);
}

// ---- TMemo ----
TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(std::make_unique<TStringList>()) {
  FWidth = 185;
  FHeight = 89;
  FLines->OnChange = [this](TObject*) { Invalidate(); };
}

TMemo::~TMemo() { FLines->OnChange = nullptr; }

TStrings* TMemo::Lines() const { return FLines.get(); }

std::string TMemo::GetText() const {
  std::string t;
  for (int i = 0; i < FLines->Count(); ++i) {
    if (i) t += "\r\n";
    t += FLines->Strings(i);
  }
  return t;
}

void TMemo::SetTextBuf(const std::string& Value) {
  auto saved = FLines->OnChange;
  FLines->OnChange = nullptr;
  FLines->SetText(Value);
  // A text ending in a line break has an empty last line being typed.
  if (!Value.empty() && (Value.back() == '\n' || Value.back() == '\r')) FLines->Add("");
  FLines->OnChange = saved;
}

void TMemo::CreateParams(TCreateParams& P) {
  TCustomEdit::CreateParams(P);
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) P.Style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) P.Style |= WS_HSCROLL;
}

void TMemo::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  if (HandleAllocated()) {
    ShowScrollBar(Handle(), SB_VERT, Value == ssVertical || Value == ssBoth);
    ShowScrollBar(Handle(), SB_HORZ, Value == ssHorizontal || Value == ssBoth);
    FScrollCount = FScrollVisible = -1;
  }
  Invalidate();
}

void TMemo::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  FTopLine = 0;
  Invalidate();
}

int TMemo::LineHeight(HDC DC) const {
  TEXTMETRICA tm{};
  GetTextMetrics(DC, &tm);
  return std::max(1, static_cast<int>(tm.tmHeight));
}

// Greedy breaking: as many words as fit, the spaces after a word staying on its line; a word
// wider than the whole width is broken between characters (never inside a UTF-8 sequence).
std::vector<std::string> TMemo::WrapLines(HDC DC, int Width) const {
  std::vector<std::string> out;
  auto width = [&](const std::string& s) {
    SIZE sz{0, 0};
    GetTextExtentPoint32(DC, s.c_str(), static_cast<int>(s.size()), &sz);
    return static_cast<int>(sz.cx);
  };
  const bool wrap = FWordWrap && FScrollBars != ssHorizontal && FScrollBars != ssBoth;
  for (int i = 0; i < FLines->Count(); ++i) {
    std::string rest = FLines->Strings(i);
    if (!wrap || Width <= 0) {
      out.push_back(rest);
      continue;
    }
    do {
      if (width(rest) <= Width) {
        out.push_back(rest);
        break;
      }
      // The longest prefix that ends after a space and fits; else the longest that fits.
      size_t cut = 0, fit = 0;
      for (size_t k = 1; k <= rest.size(); ++k) {
        if (k < rest.size() && (static_cast<unsigned char>(rest[k]) & 0xC0) == 0x80) continue;
        if (width(rest.substr(0, k)) > Width) break;
        fit = k;
        if (rest[k - 1] == ' ' && (k == rest.size() || rest[k] != ' ')) cut = k;
      }
      if (cut == 0) cut = std::max<size_t>(fit, 1);
      while (cut < rest.size() && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80) ++cut;
      out.push_back(rest.substr(0, cut));
      rest.erase(0, cut);
    } while (!rest.empty());
  }
  return out;
}

std::vector<std::string> TMemo::DisplayLines() {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  std::vector<std::string> lines = WrapLines(dc, ClientWidth() - 4);
  SelectObject(dc, old);
  DeleteDC(dc);
  return lines;
}

void TMemo::UpdateScrollBar(int Count, int Visible) {
  if (!HandleAllocated() || !(FScrollBars == ssVertical || FScrollBars == ssBoth)) return;
  if (Count == FScrollCount && Visible == FScrollVisible) return;
  FScrollCount = Count;
  FScrollVisible = Visible;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  si.nMin = 0;
  si.nMax = std::max(0, Count - 1);
  si.nPage = static_cast<UINT>(std::max(1, Visible));
  si.nPos = FTopLine;
  SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
}

void TMemo::PaintWindow(HDC DC) {
  RECT all = ClientRect();
  ParentCtlColor(Handle(), CtlColorMessage(), DC, &all);  // the parent's colours
  HGDIOBJ old = SelectObject(DC, Font()->Handle());
  SetBkMode(DC, TRANSPARENT);
  const int lh = LineHeight(DC);
  std::vector<std::string> lines = WrapLines(DC, static_cast<int>(all.right) - 4);
  const int visible = std::max(1, static_cast<int>(all.bottom - 1) / lh);
  FTopLine = std::clamp(FTopLine, 0, std::max(0, static_cast<int>(lines.size()) - visible));
  for (size_t i = static_cast<size_t>(FTopLine); i < lines.size(); ++i) {
    const int y = 1 + static_cast<int>(i - static_cast<size_t>(FTopLine)) * lh;
    if (y >= all.bottom) break;
    TextOut(DC, 2, y, lines[i].c_str(), static_cast<int>(lines[i].size()));
  }
  SelectObject(DC, old);
  UpdateScrollBar(static_cast<int>(lines.size()), visible);
}

void TMemo::WndProc(TMessage& M) {
  if (M.Msg == WM_VSCROLL && !M.LParam) {
    // The memo's own vertical bar moves the first shown line.
    const int page = std::max(1, FScrollVisible);
    switch (LOWORD(M.WParam)) {
      case SB_LINEUP: --FTopLine; break;
      case SB_LINEDOWN: ++FTopLine; break;
      case SB_PAGEUP: FTopLine -= page; break;
      case SB_PAGEDOWN: FTopLine += page; break;
      case SB_TOP: FTopLine = 0; break;
      case SB_BOTTOM: FTopLine = std::max(0, FScrollCount - page); break;
      case SB_THUMBTRACK:
      case SB_THUMBPOSITION: FTopLine = static_cast<short>(HIWORD(M.WParam)); break;
      default: return;
    }
    FTopLine = std::clamp(FTopLine, 0, std::max(0, FScrollCount - page));
    if (HandleAllocated()) SetScrollPos(Handle(), SB_VERT, FTopLine, TRUE);
    Invalidate();
    M.Result = 0;
    return;
  }
  if (M.Msg == WM_GETDLGCODE) {
    // Per key: Enter only with WantReturns, Tab only with WantTabs (else Tab leaves the memo);
    // asked without a key, all that the memo may want.
    const UINT key = static_cast<UINT>(M.WParam);
    M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL | (FWantTabs ? DLGC_WANTTAB : 0u);
    if (FWantReturns && (key == VK_RETURN || key == 0)) M.Result |= DLGC_WANTALLKEYS;
    return;
  }
  if (M.Msg == WM_CHAR && M.WParam == VK_RETURN) {
    if (DoKeyPress(M)) return;
    if (FWantReturns && !FReadOnly) ReplaceSelection("\r\n");
    return;
  }
  if (M.Msg == WM_CHAR && M.WParam == VK_TAB) {
    if (DoKeyPress(M)) return;
    if (FWantTabs && !FReadOnly) ReplaceSelection("\t");
    return;
  }
  TCustomEdit::WndProc(M);
}

// ---- TCheckListBox ----
ORV_CLASS_IMPL(TCheckListBox, TCustomListBox)

void TCheckListBox::ItemsChanged() {
  FChecked.resize(static_cast<size_t>(Count()), false);
  TCustomListBox::ItemsChanged();
}

bool TCheckListBox::Checked(int Index) const {
  return Index >= 0 && static_cast<size_t>(Index) < FChecked.size() && FChecked[static_cast<size_t>(Index)];
}

void TCheckListBox::SetChecked(int Index, bool Value) {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  FChecked.resize(static_cast<size_t>(Count()), false);
  FChecked[static_cast<size_t>(Index)] = Value;
  Invalidate();
}

void TCheckListBox::Toggle(int Index) {
  if (Index < 0 || Index >= Count()) return;
  SetChecked(Index, !Checked(Index));
  if (OnClickCheck) OnClickCheck(this);
}

void TCheckListBox::PaintWindow(HDC DC) {
  // Items are drawn shifted right; the boxes go in the space left free.
  HGDIOBJ old = SelectObject(DC, Font()->Handle());
  SetBkMode(DC, TRANSPARENT);
  for (int i = FTopIndex; i < Count() && i < FTopIndex + VisibleRows() + 1; ++i) {
    RECT r = ItemRect(i);
    RECT box{r.left + 2, r.top + (FItemHeight - 13) / 2, r.left + 15, r.top + (FItemHeight - 13) / 2 + 13};
    DrawFrameControl(DC, &box, DFC_BUTTON, DFCS_BUTTONCHECK | (Checked(i) ? UINT(DFCS_CHECKED) : 0u));
    RECT t = r;
    t.left += 18;
    bool sel = i == FItemIndex;
    if (sel) FillRect(DC, &t, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(DC, sel ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ColorToRGB(Font()->Color()));
    t.left += 2;
    DrawText(DC, FItems->Strings(i).c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  SelectObject(DC, old);
}

void TCheckListBox::WndProc(TMessage& M) {
  if (M.Msg == WM_LBUTTONDOWN) {
    int x = GET_X_LPARAM(M.LParam);
    int i = ItemAtPos(POINT{x, GET_Y_LPARAM(M.LParam)}, true);
    TCustomListBox::WndProc(M);
    if (i >= 0 && x < 17) Toggle(i);
    return;
  }
  if (M.Msg == WM_CHAR && M.WParam == ' ') {
    if (DoKeyPress(M)) return;
    Toggle(FItemIndex);
    return;
  }
  TCustomListBox::WndProc(M);
}

// ---- TMaskEdit ----
ORV_CLASS_IMPL(TMaskEdit, TCustomEdit)

void TMaskEdit::SetEditMask(const std::string& Value) {
  FEditMask = Value;
  FSlots.clear();
  std::string picture = Value;
  FSaveLiterals = true;
  FBlank = '_';
  size_t semi = Value.find(';');
  if (semi != std::string::npos) {
    picture = Value.substr(0, semi);
    std::string rest = Value.substr(semi + 1);
    size_t semi2 = rest.find(';');
    FSaveLiterals = rest.substr(0, semi2) != "0";
    if (semi2 != std::string::npos && semi2 + 1 < rest.size()) FBlank = rest[semi2 + 1];
  }
  int cs = 0;
  for (size_t i = 0; i < picture.size(); ++i) {
    char c = picture[i];
    if (c == '<' && i + 1 < picture.size() && picture[i + 1] == '>') { cs = 0; ++i; continue; }
    if (c == '>') { cs = 1; continue; }
    if (c == '<') { cs = -1; continue; }
    if (c == '!') continue;
    TSlot s;
    if (c == '\\' && i + 1 < picture.size()) s.Literal = picture[++i];
    else if (std::string("09#LlAaCc").find(c) != std::string::npos) s.Kind = c, s.Case = cs;
    else s.Literal = c == '_' ? ' ' : c;
    FSlots.push_back(s);
  }
  FSelStart = NextEditable(0);
  FSelLength = 0;
  Invalidate();
}

bool TMaskEdit::Accepts(const TSlot& S, char C) const {
  unsigned char u = static_cast<unsigned char>(C);
  switch (S.Kind) {
    case '0': case '9': return std::isdigit(u);
    case '#': return std::isdigit(u) || C == '+' || C == '-';
    case 'L': case 'l': return std::isalpha(u);
    case 'A': case 'a': return std::isalnum(u);
    default: return u >= 32;
  }
}

int TMaskEdit::NextEditable(int From) const {
  for (int i = std::max(0, From); i < static_cast<int>(FSlots.size()); ++i)
    if (!FSlots[static_cast<size_t>(i)].Literal) return i;
  return static_cast<int>(FSlots.size());
}

std::string TMaskEdit::RawValue() const {
  std::string out;
  for (const TSlot& s : FSlots)
    if (!s.Literal && s.Value) out += s.Value;
  return out;
}

std::string TMaskEdit::DisplayTextOf() const {
  std::string out;
  for (const TSlot& s : FSlots) out += s.Literal ? s.Literal : (s.Value ? s.Value : FBlank);
  return out;
}

std::string TMaskEdit::GetText() const {
  if (FSlots.empty()) return TCustomEdit::GetText();
  if (!FSaveLiterals) return RawValue();
  std::string out;
  for (const TSlot& s : FSlots) out += s.Literal ? s.Literal : (s.Value ? s.Value : ' ');
  return out;
}

void TMaskEdit::SetTextBuf(const std::string& Value) {
  if (FSlots.empty()) {
    TCustomEdit::SetTextBuf(Value);
    return;
  }
  // A value with literals fills place by place; one without fills the editable places in turn.
  bool withLiterals = Value.size() == FSlots.size();
  size_t k = 0;
  for (TSlot& s : FSlots) {
    if (s.Literal) {
      if (withLiterals) ++k;
      continue;
    }
    char c = k < Value.size() ? Value[k++] : 0;
    if (s.Case > 0) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (s.Case < 0) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    s.Value = (c && c != ' ' && Accepts(s, c)) ? c : 0;
  }
}

void TMaskEdit::WndProc(TMessage& M) {
  if (FSlots.empty()) {
    TCustomEdit::WndProc(M);
    return;
  }
  if (M.Msg == WM_CHAR) {
    if (DoKeyPress(M)) return;
    char c = M.WParam < 0x80 ? static_cast<char>(M.WParam) : 0;
    if (FReadOnly) return;
    if (c == VK_BACK) {
      int i = FSelStart - 1;
      while (i >= 0 && FSlots[static_cast<size_t>(i)].Literal) --i;
      if (i < 0) return;
      FSlots[static_cast<size_t>(i)].Value = 0;
      FSelStart = i;
      FModified = true;
      Perform(CM_TEXTCHANGED, 0, 0);
      return;
    }
    int i = NextEditable(FSelStart);
    if (c < 32 || i >= static_cast<int>(FSlots.size())) return;
    TSlot& s = FSlots[static_cast<size_t>(i)];
    if (s.Case > 0) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (s.Case < 0) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!Accepts(s, c)) {
      MessageBeep(0);
      return;
    }
    s.Value = c;
    FSelStart = NextEditable(i + 1);
    FSelLength = 0;
    FModified = true;
    Perform(CM_TEXTCHANGED, 0, 0);
    return;
  }
  if (M.Msg == CM_TEXTCHANGED) {
    Invalidate();
    Change();
    return;
  }
  TCustomEdit::WndProc(M);
}

// Window class "COMBOBOX", the name other code (the skinners) looks for.
void TComboBox::CreateParams(TCreateParams& P) {
  TCustomEdit::CreateParams(P);
  P.WinClassName = "COMBOBOX";
  P.Style |= ComboStyleBits(FStyle);
}

// ---- Published properties ----

namespace {
// What the list boxes a form describes have in common (the file list box fills its items
// itself and does not publish them).
template <class T> void PublishListBox(TPublisher<T>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Prop("Items", &T::Items, &T::SetItems);
  P.Prop("ItemHeight", &T::ItemHeight, &T::SetItemHeight).Default(16);
  P.Prop("ItemIndex", &T::ItemIndex, &T::SetItemIndex).Default(-1);
  P.Prop("Sorted", &T::Sorted, &T::SetSorted).Default(false);
  P.Prop("Style", &T::Style, &T::SetStyle).Default(lbStandard);
  P.template Event<TDrawItemEvent>("OnDrawItem", &T::OnDrawItem).Type("TDrawItemEvent");
}
}  // namespace

void TListBox::Publish(TPublisher<TListBox>& P) { PublishListBox(P); }

void TCheckListBox::Publish(TPublisher<TCheckListBox>& P) {
  PublishListBox(P);
  P.Event("OnClickCheck", &TCheckListBox::OnClickCheck).Type("TNotifyEvent");
}

void TComboBox::Publish(TPublisher<TComboBox>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Redeclare("Caption").Stored(false);
  P.Redeclare("Cursor").Default(crIBeam);
  P.Prop("Style", &TComboBox::Style, &TComboBox::SetStyle).Default(csDropDown);
  P.Prop("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount).Default(8);
  P.Prop("ItemHeight", &TComboBox::ItemHeight, &TComboBox::SetItemHeight).Default(16);
  P.Prop("MaxLength", &TComboBox::MaxLength, &TComboBox::SetMaxLength).Default(0);
  P.Prop("Items", &TComboBox::Items);
  // After the items, so that the index finds its item when a form is read.
  P.Prop("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex).Default(-1);
  P.Prop("Text", &TComboBox::Text, &TComboBox::SetText).Type("TCaption");
  P.Event<TNotifyEvent>("OnChange", &TComboBox::OnChange).Type("TNotifyEvent");
  P.Event("OnDrawItem", &TComboBox::OnDrawItem).Type("TDrawItemEvent");
  P.Event("OnDropDown", &TComboBox::OnDropDown).Type("TNotifyEvent");
  P.Event("OnMeasureItem", &TComboBox::OnMeasureItem).Type("TMeasureItemEvent");
  P.Event("OnSelect", &TComboBox::OnSelect).Type("TNotifyEvent");
}

void TMemo::Publish(TPublisher<TMemo>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Redeclare("Caption").Stored(false);
  P.Redeclare("Cursor").Default(crIBeam);
  P.Prop("Lines", &TMemo::Lines);
  P.Prop("MaxLength", &TMemo::MaxLength, &TMemo::SetMaxLength).Default(0);
  P.Prop("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly).Default(false);
  P.Prop("ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars).Default(ssNone);
  P.Prop("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns).Default(true);
  P.Prop("WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs).Default(false);
  P.Prop("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap).Default(true);
  P.Event<TNotifyEvent>("OnChange", &TMemo::OnChange).Type("TNotifyEvent");
}

void TMaskEdit::Publish(TPublisher<TMaskEdit>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Redeclare("Caption").Stored(false);
  P.Redeclare("Cursor").Default(crIBeam);
  P.Prop("EditMask", &TMaskEdit::EditMask, &TMaskEdit::SetEditMask).Type("TEditMask");
  P.Prop("MaxLength", &TMaskEdit::MaxLength, &TMaskEdit::SetMaxLength).Default(0);
  P.Prop("ReadOnly", &TMaskEdit::ReadOnly, &TMaskEdit::SetReadOnly).Default(false);
  P.Prop("Text", &TMaskEdit::Text, &TMaskEdit::SetText).Type("TMaskedText");
  P.Event<TNotifyEvent>("OnChange", &TMaskEdit::OnChange).Type("TNotifyEvent");
}
