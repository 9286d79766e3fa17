// The shared report controls: the self-scrolling control and the flat combo box.
#include "report/output/rptuicontrols.h"

#include <cmath>

#include "platform/vcl/extctrls.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/registry.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"
#include "platform/win/commctrl.h"
#include "platform/win/winuser.h"

ORV_CLASS_IMPL(TrptScrollWin, TCustomControl)
ORV_CLASS_IMPL(TrptCustomComboBox, TComboBox)
ORV_CLASS_IMPL(TrptComboBox, TrptCustomComboBox)
ORV_CLASS_IMPL(TrptFontComboBox, TrptCustomComboBox)

TrptScrollWin::TrptScrollWin(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
}

void TrptScrollWin::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.Style |= WS_HSCROLL | WS_VSCROLL | WS_CLIPCHILDREN;
}

void TrptScrollWin::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateBar(SB_HORZ);
  UpdateBar(SB_VERT);
}

void TrptScrollWin::UpdateBar(int Bar) {
  if (!HandleAllocated()) return;
  const bool horz = Bar == SB_HORZ;
  const int range = horz ? FHorzRange : FVertRange;
  const int page = horz ? FHorzPage : FVertPage;
  const int pos = horz ? FHorzPosition : FVertPosition;
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = range < page ? 0 : range;
  si.nPage = static_cast<UINT>(std::max(page, 0));
  si.nPos = pos;
  si.nTrackPos = pos;
  FlatSB_SetScrollInfo(Handle(), Bar, &si, TRUE);
}

void TrptScrollWin::SetHRange(int Value) {
  FHorzRange = Value;
  UpdateBar(SB_HORZ);
}
void TrptScrollWin::SetHPageSize(int Value) {
  FHorzPage = Value;
  UpdateBar(SB_HORZ);
}
void TrptScrollWin::SetVRange(int Value) {
  FVertRange = Value;
  UpdateBar(SB_VERT);
}
void TrptScrollWin::SetVPageSize(int Value) {
  FVertPage = Value;
  UpdateBar(SB_VERT);
}

void TrptScrollWin::SetHPos(int Value) {
  Value = std::max(0, std::min(Value, FHorzRange - FHorzPage));
  if (Value == FHorzPosition) return;
  FHorzPosition = Value;
  if (HandleAllocated()) FlatSB_SetScrollPos(Handle(), SB_HORZ, Value, TRUE);
  HorzScrolled();
}

void TrptScrollWin::SetVPos(int Value) {
  Value = std::max(0, std::min(Value, FVertRange - FVertPage));
  if (Value == FVertPosition) return;
  FVertPosition = Value;
  if (HandleAllocated()) FlatSB_SetScrollPos(Handle(), SB_VERT, Value, TRUE);
  VertScrolled();
}

void TrptScrollWin::Scroll(int Bar, int Code, int Pos) {
  const bool horz = Bar == SB_HORZ;
  const int cur = horz ? FHorzPosition : FVertPosition;
  const int range = horz ? FHorzRange : FVertRange;
  int next;
  switch (Code) {
    case SB_LINEUP: next = cur - SmallChange; break;
    case SB_LINEDOWN: next = cur + SmallChange; break;
    case SB_PAGEUP: next = cur - LargeChange; break;
    case SB_PAGEDOWN: next = cur + LargeChange; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      SCROLLINFO si{};
      si.cbSize = sizeof(si);
      si.fMask = SIF_TRACKPOS;
      next = FlatSB_GetScrollInfo(Handle(), Bar, &si) ? si.nTrackPos : Pos;
      break;
    }
    case SB_TOP: next = 0; break;
    case SB_BOTTOM: next = range; break;
    default: return;
  }
  if (horz)
    SetHPos(next);
  else
    SetVPos(next);
}

void TrptScrollWin::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS; return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      Scroll(Message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(Message.WParam),
             static_cast<short>(HIWORD(Message.WParam)));
      Message.Result = 0;
      return;
    default: break;
  }
  TCustomControl::WndProc(Message);
}

void TrptScrollWin::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->FillRect(ClientRect());
}

TrptCustomComboBox::TrptCustomComboBox(TComponent* AOwner) : TComboBox(AOwner) { SetWidth(100); }

bool TrptCustomComboBox::Active() const {
  return DroppedDown() || FMouseInside || (HandleAllocated() && Focused());
}

void TrptCustomComboBox::WndProc(TMessage& Message) {
  TComboBox::WndProc(Message);
  switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      FMouseInside = Message.Msg == CM_MOUSEENTER;
      Invalidate();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    default:
      break;
  }
}

RECT TrptCustomComboBox::DropDownBounds(int ListItemHeight) {
  const int count = Items()->Count();
  const int rows = std::min(DropDownCount(), count);
  const int height = rows > 0 ? ListItemHeight * rows + 4 : ListItemHeight + 4;
  const int width = FListWidth > 0 ? FListWidth : Width() - 1;
  const POINT top = ClientToScreen(POINT{0, 0});
  const int bottom = top.y + Height();
  // Below the box the list needs its height plus a text line and a little margin.
  FDroppedUp = bottom + height + ItemHeight() + 6 > GetSystemMetrics(SM_CYSCREEN);
  const int y = FDroppedUp ? top.y - height : bottom - 2;
  return RECT{top.x - 2, y, top.x - 2 + width, y + height};
}

void TrptCustomComboBox::DrawImage(HDC DC, const RECT& R) {
  if (Indent > 0) FillRect(DC, &R, GetSysColorBrush(COLOR_WINDOW));
}

void TrptCustomComboBox::PaintWindow(HDC DC) {
  TComboBox::PaintWindow(DC);
  DrawFrameAndButton(DC);
}

void TrptCustomComboBox::DrawFrameAndButton(HDC DC) {
  const int w = Width(), h = Height(), bw = ButtonWidth;
  RECT client{0, 0, w, h};
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE), window = GetSysColorBrush(COLOR_WINDOW);
  int state = 0;
  if (!Enabled()) {
    FillRect(DC, &client, face);
    RECT in{2, 2, w - 2, h - 2};
    FrameRect(DC, &in, window);
  } else {
    // The platform box's own, wider button is covered by the edit's colour first.
    RECT gap{std::max(3, w - GetSystemMetrics(SM_CXVSCROLL) - 2), 1, w - 1, h - 1};
    FillRect(DC, &gap, window);
    if (Indent > 0) DrawImage(DC, RECT{3, 3, Indent + 3, h - 3});
    const bool active = Active();
    state = DroppedDown() ? 2 : active ? 1 : 0;
    RECT r{1, 1, w - 1, h - 1};
    FrameRect(DC, &r, face);
    RECT inner{2, 2, w - 2 - bw - 1, h - 2};
    FrameRect(DC, &inner, window);
    if (active) DrawEdge(DC, &client, BDR_SUNKENOUTER, BF_RECT);
    else FrameRect(DC, &client, face);
    RECT button{w - bw - 2, 2, w - 2, h - 2};
    FillRect(DC, &button, face);
    if (state == 0) FrameRect(DC, &button, window);
    else if (state == 1) DrawEdge(DC, &button, BDR_RAISEDINNER, BF_RECT);
    else DrawEdge(DC, &button, BDR_SUNKENOUTER, BF_RECT);
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(state == 0 ? COLOR_WINDOW : COLOR_BTNFACE));
    HGDIOBJ old = SelectObject(DC, pen);
    MoveToEx(DC, w - bw - 3, state == 0 ? 2 : 1, nullptr);
    LineTo(DC, w - bw - 3, state == 0 ? h - 2 : h - 1);
    SelectObject(DC, old);
    DeleteObject(pen);
  }
  // The arrow: three black lines, one pixel lower and right while pressed.
  const int shift = state == 2 ? 1 : 0;
  const int x = static_cast<int>(std::lround(bw / 2.0)) + w - bw - 4 + shift;
  const int y = static_cast<int>(std::lround((h - 4) / 2.0)) + 1 + shift;
  HGDIOBJ old = SelectObject(DC, GetStockObject(BLACK_PEN));
  for (int i = 0; i < 3; ++i) {
    MoveToEx(DC, x + i, y + i, nullptr);
    LineTo(DC, x - i + 5, y + i);
  }
  SelectObject(DC, old);
}

ORV_CLASS_IMPL(TrptFontPreview, TCustomForm)

TrptFontPreview::TrptFontPreview(TComponent* AOwner) : TCustomForm(AOwner) {
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  SetBounds(0, 0, 200, 50);
  Panel = new TPanel(this);
  Panel->SetParent(this);
  Panel->SetAlign(alClient);
  Panel->SetColor(clWindow);
  Panel->SetBevelOuter(bvNone);
  Panel->SetBevelInner(bvNone);
  Panel->SetBorderStyle(bsSingle);
  Panel->SetParentFont(false);
  Panel->Font()->SetColor(clWindowText);
  Panel->Font()->SetSize(18);
}

void TrptFontPreview::ShowFont(const std::string& Name) {
  Panel->SetCaption(Name);
  Panel->Font()->SetName(Name);
}

namespace {

const char* const kDefaultMRUKey = "\\Software\\Rede Vivedad\\MRUFont";
constexpr int kFontBoxGlyphWidth = 15;
constexpr int kFontBoxGlyphHeight = 11;
constexpr TColor kFontBoxGlyphKey = clOlive;  // the transparent colour

// The TrueType mark: a grey "T" behind and right of a black one, on the olive key colour.
void FontBoxDrawGlyph(TBitmap* Glyph) {
  Glyph->SetWidth(kFontBoxGlyphWidth);
  Glyph->SetHeight(kFontBoxGlyphHeight);
  TCanvas* c = Glyph->Canvas();
  c->Brush()->SetColor(kFontBoxGlyphKey);
  c->FillRect(RECT{0, 0, kFontBoxGlyphWidth, kFontBoxGlyphHeight});
  c->Brush()->SetColor(clGray);
  c->FillRect(RECT{5, 2, 15, 4});   // the grey bar
  c->FillRect(RECT{9, 4, 11, 11});  // and its stem
  c->Brush()->SetColor(clBlack);
  c->FillRect(RECT{0, 0, 10, 2});
  c->FillRect(RECT{4, 2, 6, 9});
  Glyph->SetTransparentColor(kFontBoxGlyphKey);
  Glyph->SetTransparent(true);
}

int AddFace(const ENUMLOGFONTEXA* Font, const NEWTEXTMETRICEXA*, DWORD FontType, LPARAM Data) {
  auto* list = reinterpret_cast<TStringList*>(Data);
  const std::string name(Font->elfLogFont.lfFaceName, strnlen(Font->elfLogFont.lfFaceName, 32));
  if (!name.empty() && list->IndexOf(name) < 0)
    list->AddObject(name, reinterpret_cast<TObject*>(static_cast<intptr_t>(FontType)));
  return 1;
}

int FontType(TStrings* Items, int Index) {
  return static_cast<int>(reinterpret_cast<intptr_t>(Items->Objects(Index)));
}

}  // namespace

TrptFontComboBox::TrptFontComboBox(TComponent* AOwner) : TrptCustomComboBox(AOwner), FMRURegKey(kDefaultMRUKey) {
  SetWidth(150);
  SetDropDownCount(12);
  Indent = 16;
  SetReadOnly(true);
  FPreview = new TrptFontPreview(nullptr);
  FPreview->SetVisible(false);
  FGlyph = new TBitmap();
  FontBoxDrawGlyph(FGlyph);
  SetItemHeight(std::max(ItemHeight(), kFontBoxGlyphHeight + 1));
  // While the list is down the sample shows the font whose item is drawn selected.
  SetStyle(csOwnerDrawFixed);
  OnDrawItem = [this](TWinControl*, int Index, RECT R, TOwnerDrawState State) {
    const bool inEdit = State.Contains(odComboBoxEdit);
    DrawFontItem(Canvas(), Index, R, inEdit);
    if (State.Contains(odSelected) && !inEdit && FPreview) FPreview->ShowFont(Items()->Strings(Index));
  };
  // The sample is placed with the list (DropDownBounds), once it is known whether it opens up.
  OnDropDown = [this](TObject*) { FDropping = true; };
  OnSelect = [this](TObject*) {
    if (!FUpdating) ChooseFont(ItemIndex());
  };
}

TrptFontComboBox::~TrptFontComboBox() {
  delete FPreview;
  delete FGlyph;
}

void TrptFontComboBox::DrawFontItem(TCanvas* ACanvas, int Index, const RECT& R, bool InEdit) {
  if (Index < 0 || Index >= Items()->Count()) return;
  const std::string name = Items()->Strings(Index);
  ACanvas->FillRect(R);
  // In the box itself the mark is drawn in the room left of the edit (DrawImage).
  int textLeft = InEdit ? R.left + Indent + 3 : R.left + kFontBoxGlyphWidth + 2;
  if (!InEdit && (FontType(Items(), Index) & TRUETYPE_FONTTYPE) != 0 && FGlyph)
    ACanvas->Draw(R.left + 1, R.top + (R.bottom - R.top - kFontBoxGlyphHeight) / 2, FGlyph);
  RECT text{textLeft, R.top, R.right, R.bottom};
  DrawText(ACanvas->Handle(), name.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (InEdit || MRUCount < 0) return;
  // A line under the recently used block: at the foot of its last item and the head of the next.
  const int y = Index == MRUCount ? R.bottom - 2 : Index == MRUCount + 1 ? R.top : -1;
  if (y < 0) return;
  ACanvas->Pen()->SetColor(clBtnShadow);
  ACanvas->MoveTo(R.left, y);
  ACanvas->LineTo(R.right, y);
}

void TrptFontComboBox::DrawImage(HDC DC, const RECT& R) {
  FillRect(DC, &R, GetSysColorBrush(COLOR_WINDOW));
  const int index = ItemIndex();
  if (!FGlyph || index < 0 || (FontType(Items(), index) & TRUETYPE_FONTTYPE) == 0) return;
  TCanvas c;
  c.SetHandle(DC);
  c.Draw(R.left, R.top + (R.bottom - R.top - kFontBoxGlyphHeight) / 2, FGlyph);
  c.SetHandle(nullptr);
}

RECT TrptFontComboBox::DropDownBounds(int ListItemHeight) {
  const RECT r = TrptCustomComboBox::DropDownBounds(ListItemHeight);
  PlacePreview();
  return r;
}

void TrptFontComboBox::WndProc(TMessage& Message) {
  ++FDepth;
  TrptCustomComboBox::WndProc(Message);
  --FDepth;
  // The list runs inside the message that dropped it: once that message is done, the list is
  // closed and the sample goes.
  if (FDepth == 0 && FDropping && !DroppedDown()) {
    FDropping = false;
    if (FPreview) FPreview->Hide();
  }
}

void TrptFontComboBox::PlacePreview() {
  if (!FPreview || !HandleAllocated()) return;
  POINT corner = ClientToScreen(POINT{Width(), Height()});
  const int screenW = GetSystemMetrics(SM_CXSCREEN);
  if (corner.x + FPreview->Width() > screenW) corner.x = ClientToScreen(POINT{0, 0}).x - FPreview->Width() - 1;
  if (DroppedUp()) corner.y = ClientToScreen(POINT{0, 0}).y - FPreview->Height();
  FPreview->SetBounds(corner.x, corner.y, FPreview->Width(), FPreview->Height());
  FPreview->ShowFont(ItemIndex() >= 0 ? Items()->Strings(ItemIndex()) : Text());
  FPreview->Show();
}

void TrptFontComboBox::SetMRURegKey(const std::string& Value) { FMRURegKey = Value.empty() ? kDefaultMRUKey : Value; }

void TrptFontComboBox::RefreshFonts() {
  FUpdating = true;
  const std::string current = Text();
  TStringList fonts;
  LOGFONTA lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesEx(dc, &lf, AddFace, reinterpret_cast<LPARAM>(&fonts), 0);
  ReleaseDC(nullptr, dc);
  fonts.Sort();
  Items()->Assign(&fonts);
  MRUCount = -1;
  if (ShowMRU) {
    TRegistry reg;
    if (reg.OpenKey(FMRURegKey, true)) {
      for (int n = 4; n >= 0; --n) {
        const std::string name = reg.ValueExists("Font" + IntToStr(n)) ? reg.ReadString("Font" + IntToStr(n)) : "";
        const int type = reg.ValueExists("FontType" + IntToStr(n)) ? reg.ReadInteger("FontType" + IntToStr(n)) : 0;
        if (!name.empty() && Items()->IndexOf(name) >= 0) {
          Items()->InsertObject(0, name, reinterpret_cast<TObject*>(static_cast<intptr_t>(type)));
          ++MRUCount;
        } else {
          reg.WriteString("Font" + IntToStr(n), "");
          reg.WriteInteger("FontType" + IntToStr(n), 0);
        }
      }
    }
  }
  const int index = Items()->IndexOf(current);
  SetItemIndex(index >= 0 ? index : (Items()->Count() ? 0 : -1));
  FUpdating = false;
}

void TrptFontComboBox::ChooseFont(int Index) {
  if (Index <= 0 || Index >= Items()->Count() || !ShowMRU) return;
  FUpdating = true;
  const std::string name = Items()->Strings(Index);
  const int type = FontType(Items(), Index);
  const int first = Items()->IndexOf(name);
  if (first > MRUCount) {
    // A name from the font list joins the top block; the block keeps at most five names.
    Items()->InsertObject(0, name, reinterpret_cast<TObject*>(static_cast<intptr_t>(type)));
    if (MRUCount > 3)
      Items()->Delete(5);
    else
      ++MRUCount;
  } else {
    Items()->Delete(first);
    Items()->InsertObject(0, name, reinterpret_cast<TObject*>(static_cast<intptr_t>(type)));
  }
  SetItemIndex(0);
  FUpdating = false;
  WriteMRU();
}

void TrptFontComboBox::WriteMRU() {
  TRegistry reg;
  if (!reg.OpenKey(FMRURegKey, true)) return;
  for (int n = 0; n <= 4; ++n) {
    const bool used = n <= MRUCount && n < Items()->Count();
    reg.WriteString("Font" + IntToStr(n), used ? Items()->Strings(n) : "");
    reg.WriteInteger("FontType" + IntToStr(n), used ? FontType(Items(), n) : 0);
  }
}
