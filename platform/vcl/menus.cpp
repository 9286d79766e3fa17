// Menus and popup menus. A popup menu shows its visible items in a borderless form at the
// point asked for; a click (or Enter on the highlighted item) chooses, Escape or a click
// elsewhere cancels.
#include "platform/vcl/menus.h"

#include <algorithm>

#include "platform/vcl/forms.h"

ORV_CLASS_IMPL(TMenuItem, TComponent)
ORV_CLASS_IMPL(TPopupMenu, TComponent)
ORV_CLASS_IMPL(TMainMenu, TComponent)

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

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

void TMenuItem::Click() {
  if (FEnabled && OnClick) OnClick(this);
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {}
TPopupMenu::~TPopupMenu() = default;

namespace {

class TPopupForm : public TForm {
public:
  TPopupForm(TMenuItem* Root) : TForm(nullptr), FRoot(Root) {
    SetBorderStyle(bsNone);
    SetKeyPreview(true);
    for (int i = 0; i < Root->Count(); ++i)
      if (Root->Items(i)->Visible()) FShown.push_back(Root->Items(i));
    SetBounds(0, 0, 160, static_cast<int>(FShown.size()) * kRow + 4);
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
  static constexpr int kRow = 20;
  int RowAt(int Y) const { return Y < 2 ? -1 : (Y - 2) / kRow; }
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
      RECT row{2, 2 + static_cast<int>(i) * kRow, r.right - 2, 2 + static_cast<int>(i + 1) * kRow};
      bool hot = static_cast<int>(i) == FHot && FShown[i]->Enabled();
      c->Brush()->SetColor(hot ? clHighlight : clMenu);
      c->FillRect(row);
      if (FShown[i]->Caption() == "-") {
        RECT line{row.left + 2, (row.top + row.bottom) / 2 - 1, row.right - 2, (row.top + row.bottom) / 2 + 1};
        DrawEdge(c->Handle(), &line, EDGE_ETCHED, BF_TOP);
        continue;
      }
      c->Brush()->SetStyle(bsClear);
      c->Font()->SetColor(!FShown[i]->Enabled() ? clGrayText : hot ? clHighlightText : clMenuText);
      RECT t = row;
      t.left += 20;
      DrawText(c->Handle(), FShown[i]->Caption().c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER);
      if (FShown[i]->Checked()) c->TextOut(row.left + 5, row.top + 3, "v");
    }
  }
  TMenuItem* FRoot;
  std::vector<TMenuItem*> FShown;
  int FHot = -1;
  bool FDownSeen = false;
};

}  // namespace

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  PopupMenuItems(FItems.get(), X, Y);
}

void PopupMenuItems(TMenuItem* Root, int X, int Y) {
  TPopupForm f(Root);
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
  PopupMenuItems(it, wr.left + r.left, wr.top + r.bottom);
}
