// The shared report controls: the self-scrolling control and the flat combo box.
#include "report/output/rptuicontrols.h"

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

namespace {

const char* const kDefaultMRUKey = "\\Software\\Rede Vivedad\\MRUFont";

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
  OnSelect = [this](TObject*) {
    if (!FUpdating) ChooseFont(ItemIndex());
  };
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
