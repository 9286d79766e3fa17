// Menus and popup menus. A popup menu shows its visible items in a borderless form at the
// point asked for; a click (or Enter on the highlighted item) chooses, Escape or a click
// elsewhere cancels.
#include "platform/vcl/menus.h"

#include <algorithm>
#include <cctype>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/forms.h"

ORV_CLASS_IMPL(TMenuItem, TComponent)
ORV_CLASS_IMPL(TPopupMenu, TComponent)
ORV_CLASS_IMPL(TMainMenu, TComponent)

TMenuItem::TMenuItem(TComponent* AOwner)
    : TComponent(AOwner), FActionLink(this, [this](TAction* A) {
        const bool keep = FActionLink.CheckDefaults();  // loading: what was stored wins
        if (!keep || FCaption.empty()) FCaption = A->Caption();
        if (!keep || FEnabled) FEnabled = A->Enabled();
        if (!keep || !FChecked) FChecked = A->Checked();
        if (!keep || FVisible) FVisible = A->Visible();
        if (!keep || FShortCut == 0) FShortCut = A->ShortCut();
        if (!keep || FImageIndex == -1) FImageIndex = A->ImageIndex();
      }) {}

void TMenuItem::Publish(TPublisher<TMenuItem>& P) {
  P.Prop("Action", &TMenuItem::Action, &TMenuItem::SetAction);
  P.Prop("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex).Default(-1);
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove) FActionLink.Removed(AComponent);
}

TMenuItem::~TMenuItem() {
  if (FParent) FParent->Remove(this);
  for (TMenuItem* i : FItems) i->FParent = nullptr;
}

void TMenuItem::Add(TMenuItem* Item) {
  if (Item->FParent) Item->FParent->Remove(Item);
  Item->FParent = this;
  FItems.push_back(Item);
}

void TMenuItem::Remove(TMenuItem* Item) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end());
  Item->FParent = nullptr;
}

TMenuItem* TMenuItem::FindShortCut(TShortCut ShortCut) const {
  if (ShortCut == 0) return nullptr;
  for (TMenuItem* i : FItems) {
    if (!i->FEnabled || !i->FVisible) continue;
    if (i->FShortCut == ShortCut) return i;
    if (TMenuItem* sub = i->FindShortCut(ShortCut)) return sub;
  }
  return nullptr;
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  if (OnClick) OnClick(this);
  else FActionLink.Execute();
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {}
TPopupMenu::~TPopupMenu() = default;

namespace {

class TPopupForm : public TForm {
public:
  TPopupForm(TMenuItem* Root, bool OwnerDraw) : TForm(nullptr), FRoot(Root), FOwnerDraw(OwnerDraw) {
    SetBorderStyle(bsNone);
    SetKeyPreview(true);
    for (int i = 0; i < Root->Count(); ++i)
      if (Root->Items(i)->Visible()) FShown.push_back(Root->Items(i));
    // Row tops; owner-drawn items may size their rows.
    int width = kWidth, y = 2;
    FTops.push_back(y);
    // Items measure on a screen canvas: the popup has no window yet.
    TCanvas measure;
    HDC screen = GetDC(nullptr);
    measure.SetHandle(screen);
    for (TMenuItem* it : FShown) {
      int w = kWidth - 4, h = kRow;
      if (FOwnerDraw && it->OnMeasureItem) {
        it->OnMeasureItem(it, &measure, w, h);
        w = std::max(w, 1);
        h = std::max(h, 1);
      }
      width = std::max(width, w + 4);
      y += h;
      FTops.push_back(y);
    }
    measure.SetHandle(nullptr);
    ReleaseDC(nullptr, screen);
    SetBounds(0, 0, width, y + 2);
    SetColor(clMenu);
    OnPaint = [this](TObject*) { PaintItems(); };
    OnMouseMove = [this](TObject*, TShiftState, int, int Y) { Hot(RowAt(Y)); };
    OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { FDownSeen = true; };
    OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int X, int Y) {
      if (X < 0 || X >= Width() || Y < 0 || Y >= Height()) {
        // The release of the click that opened the menu (on a menu bar) leaves it open.
        if (FDownSeen) SetModalResult(mrCancel);
        return;
      }
      Choose(RowAt(Y));
    };
    OnKeyDown = [this](TObject*, WORD& Key, TShiftState) {
      if (Key == VK_ESCAPE) SetModalResult(mrCancel);
      if (Key == VK_DOWN) Hot(std::min(FHot + 1, static_cast<int>(FShown.size()) - 1));
      if (Key == VK_UP) Hot(std::max(FHot - 1, 0));
      if (Key == VK_RETURN) Choose(FHot);
      Key = 0;
    };
    OnDeactivate = [this](TObject*) {
      if (ModalResult() == mrNone) SetModalResult(mrCancel);
    };
  }
  TMenuItem* Chosen = nullptr;

private:
  static constexpr int kRow = 20, kWidth = 160;
  int RowAt(int Y) const {
    for (size_t i = 0; i + 1 < FTops.size(); ++i)
      if (Y >= FTops[i] && Y < FTops[i + 1]) return static_cast<int>(i);
    return -1;
  }
  void Hot(int Row) {
    if (Row == FHot) return;
    FHot = Row;
    Invalidate();
  }
  void Choose(int Row) {
    if (Row < 0 || Row >= static_cast<int>(FShown.size()) || !FShown[Row]->Enabled()) return;
    Chosen = FShown[Row];
    SetModalResult(mrOk);
  }
  void PaintItems() {
    TCanvas* c = Canvas();
    RECT r = ClientRect();
    DrawEdge(c->Handle(), &r, EDGE_RAISED, BF_RECT);
    for (size_t i = 0; i < FShown.size(); ++i) {
      TMenuItem* it = FShown[i];
      RECT row{2, FTops[i], r.right - 2, FTops[i + 1]};
      bool hot = static_cast<int>(i) == FHot && it->Enabled();
      if (FOwnerDraw && (it->OnAdvancedDrawItem || it->OnDrawItem)) {
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(clMenu);
        c->Font()->SetColor(clMenuText);
        if (it->OnAdvancedDrawItem) {
          TOwnerDrawState st;
          if (static_cast<int>(i) == FHot) st += odSelected;
          if (!it->Enabled()) st += odDisabled;
          if (!it->Enabled()) st += odGrayed;
          if (it->Checked()) st += odChecked;
          it->OnAdvancedDrawItem(it, c, row, st);
        } else {
          it->OnDrawItem(it, c, row, static_cast<int>(i) == FHot);
        }
        continue;
      }
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(hot ? clHighlight : clMenu);
      c->FillRect(row);
      if (it->Caption() == "-") {
        RECT line{row.left + 2, (row.top + row.bottom) / 2 - 1, row.right - 2, (row.top + row.bottom) / 2 + 1};
        DrawEdge(c->Handle(), &line, EDGE_ETCHED, BF_TOP);
        continue;
      }
      c->Brush()->SetStyle(bsClear);
      c->Font()->SetColor(!it->Enabled() ? clGrayText : hot ? clHighlightText : clMenuText);
      RECT t = row;
      t.left += 20;
      DrawText(c->Handle(), it->Caption().c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER);
      std::string sc = ShortCutToText(it->ShortCut());
      if (!sc.empty()) {
        RECT k = row;
        k.right -= 8;
        DrawText(c->Handle(), sc.c_str(), -1, &k, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
      }
      if (it->Checked()) c->TextOut(row.left + 5, row.top + 3, "v");
    }
  }
  TMenuItem* FRoot;
  bool FOwnerDraw;
  std::vector<TMenuItem*> FShown;
  std::vector<int> FTops;
  int FHot = -1;
  bool FDownSeen = false;
};

}  // namespace

bool TPopupMenu::IsShortCut(TShortCut ShortCut) {
  TMenuItem* it = FItems->FindShortCut(ShortCut);
  if (!it) return false;
  it->Click();
  return true;
}

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  PopupMenuItems(FItems.get(), X, Y, FOwnerDraw);
}

void PopupMenuItems(TMenuItem* Root, int X, int Y, bool OwnerDraw) {
  TPopupForm f(Root, OwnerDraw);
  f.SetLeft(X);
  f.SetTop(Y);
  f.HandleNeeded();
  SetCapture(f.Handle());
  TModalResult r = f.ShowModal();
  if (GetCapture() == f.Handle()) ReleaseCapture();
  if (r == mrOk && f.Chosen) f.Chosen->Click();
}

void PopupMenuAt(TPopupMenu* Menu, TControl* PopupComponent, int X, int Y) {
  if (!Menu) return;
  Menu->SetPopupComponent(PopupComponent);
  Menu->Popup(X, Y);
}

// ---- TMainMenu ----
TMainMenu::TMainMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {}
TMainMenu::~TMainMenu() = default;

RECT TMainMenu::ItemRect(HWND Wnd, int Index) const {
  RECT bar;
  if (!GetMenuBarRect(Wnd, &bar) || Index < 0 || Index >= FItems->Count()) return RECT{0, 0, 0, 0};
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  int x = bar.left;
  RECT out{0, 0, 0, 0};
  for (int i = 0; i <= Index; ++i) {
    TMenuItem* it = FItems->Items(i);
    if (!it->Visible()) continue;
    SIZE sz{0, 0};
    GetTextExtentPoint32(dc, it->Caption().c_str(), static_cast<int>(it->Caption().size()), &sz);
    int w = sz.cx + 16;
    if (i == Index) out = RECT{x, bar.top, x + w, bar.bottom};
    x += w;
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return out;
}

int TMainMenu::ItemAt(HWND Wnd, POINT WindowPt) const {
  for (int i = 0; i < FItems->Count(); ++i) {
    if (!FItems->Items(i)->Visible()) continue;
    RECT r = ItemRect(Wnd, i);
    if (PtInRect(&r, WindowPt)) return i;
  }
  return -1;
}

void TMainMenu::PaintBar(HWND Wnd) const {
  RECT bar;
  if (!GetMenuBarRect(Wnd, &bar)) return;
  HDC dc = GetWindowDC(Wnd);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (int i = 0; i < FItems->Count(); ++i) {
    TMenuItem* it = FItems->Items(i);
    if (!it->Visible()) continue;
    RECT r = ItemRect(Wnd, i);
    SetTextColor(dc, GetSysColor(it->Enabled() ? COLOR_MENUTEXT : COLOR_GRAYTEXT));
    DrawText(dc, it->Caption().c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  SelectObject(dc, old);
  ReleaseDC(Wnd, dc);
}

bool TMainMenu::IsShortCut(TShortCut ShortCut) {
  TMenuItem* it = FItems->FindShortCut(ShortCut);
  if (!it) return false;
  it->Click();
  return true;
}

void TMainMenu::OpenItem(HWND Wnd, int Index) {
  if (Index < 0 || Index >= FItems->Count()) return;
  TMenuItem* it = FItems->Items(Index);
  if (!it->Enabled()) return;
  if (it->Count() == 0) {
    it->Click();
    return;
  }
  RECT r = ItemRect(Wnd, Index);
  RECT wr;
  GetWindowRect(Wnd, &wr);
  PopupMenuItems(it, wr.left + r.left, wr.top + r.bottom, FOwnerDraw);
}

// ---- Shortcuts ----
namespace {

struct TKeyName {
  WORD Key;
  const char* Name;
};
const TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},    {VK_ESCAPE, "Esc"}, {VK_RETURN, "Enter"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},  {VK_END, "End"},    {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
};

std::string KeyName(WORD Key) {
  if ((Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9')) return std::string(1, static_cast<char>(Key));
  if (Key >= VK_F1 && Key <= VK_F1 + 11) return "F" + std::to_string(Key - VK_F1 + 1);
  for (const TKeyName& k : kKeyNames)
    if (k.Key == Key) return k.Name;
  return {};
}

bool SameText(const std::string& A, const char* B) {
  size_t n = std::char_traits<char>::length(B);
  if (A.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(A[i])) != std::tolower(static_cast<unsigned char>(B[i]))) return false;
  return true;
}

}  // namespace

TShortCut ShortCut(WORD Key, TShiftState Shift) {
  if (Key == 0 || Key > 0xFF) return 0;
  TShortCut s = Key;
  if (Shift.Contains(ssShift)) s |= scShift;
  if (Shift.Contains(ssCtrl)) s |= scCtrl;
  if (Shift.Contains(ssAlt)) s |= scAlt;
  return s;
}

void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift) {
  Key = static_cast<WORD>(ShortCut & 0xFF);
  Shift = TShiftState();
  if (ShortCut & scShift) Shift += ssShift;
  if (ShortCut & scCtrl) Shift += ssCtrl;
  if (ShortCut & scAlt) Shift += ssAlt;
}

std::string ShortCutToText(TShortCut ShortCut) {
  std::string name = KeyName(static_cast<WORD>(ShortCut & 0xFF));
  if (name.empty()) return {};
  std::string out;
  if (ShortCut & scShift) out += "Shift+";
  if (ShortCut & scCtrl) out += "Ctrl+";
  if (ShortCut & scAlt) out += "Alt+";
  return out + name;
}

TShortCut TextToShortCut(const std::string& Text) {
  TShortCut mods = 0;
  size_t pos = 0;
  // Modifier words end with '+'; the last part is the key (which may itself be "+" only as a
  // character key, which has no name here).
  for (;;) {
    size_t plus = Text.find('+', pos);
    if (plus == std::string::npos || plus + 1 >= Text.size()) break;
    std::string word = Text.substr(pos, plus - pos);
    if (SameText(word, "Shift")) mods |= scShift;
    else if (SameText(word, "Ctrl")) mods |= scCtrl;
    else if (SameText(word, "Alt")) mods |= scAlt;
    else return 0;
    pos = plus + 1;
  }
  std::string key = Text.substr(pos);
  if (key.empty()) return 0;
  for (int k = 1; k <= 0xFF; ++k) {
    std::string name = KeyName(static_cast<WORD>(k));
    if (!name.empty() && SameText(key, name.c_str())) return mods | k;
  }
  return 0;
}
