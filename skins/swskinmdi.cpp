// The multiple-document parts of the form skin engine (swskinmdi.h): the control buttons of a
// maximised document, the skinned MDI form's client window (arrangement, frames it tells its
// documents), the merged menu bar and the window list, and the messages between the MDI form
// and its documents.
#include "skins/swskinmdi.h"

#include <algorithm>
#include <cmath>

#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"
#include "skins/swskinengine.h"
#include "skins/swskinmenubar.h"
#include "skins/swskinres.h"
#include "skins/swskinwindow.h"

ORV_CLASS_IMPL(TswSkinMenuBarControlButton, TCustomPanel)

namespace {

// Window properties of a skinned MDI form's client window: the window object and the procedure
// the client had before (kept apart, so the client still reaches it once the object is gone).
constexpr const char* kSwMdiClientObjectProp = "SwSkinMdiClientObject";
constexpr const char* kSwMdiClientOldProcProp = "SwSkinMdiClientOldProc";

// Skin key numbers used here.
enum { kSwMdiClBarStart = 3, kSwMdiClBarEnd = 4 };
constexpr int kSwMdiBmMenuBar = 14;
constexpr int kSwMdiButtonSize = 18;
// Posted to the MDI form by a window-list item (wParam the document): the item's click ends
// before the list, and the item with it, is made again.
constexpr UINT kSwMdiListActivate = WM_APP + 0x359;

// The menu-bar colours the control buttons wear: the skin's menu-bar picture's middle pixel of
// its left column and the form colour, or the skin's two menu-bar colours.
void SwMdiBarColors(TswSkinEngine* Engine, TColor& Start, TColor& End) {
  TBitmap* bar = Engine->SkinBitmap(kSwMdiBmMenuBar);
  if (bar && !bar->Empty()) {
    Start = static_cast<TColor>(GetPixel(bar->Canvas()->Handle(), 0, bar->Height() / 2));
    End = Engine->FormColor();
  } else {
    Start = Engine->SkinColor(kSwMdiClBarStart);
    End = Engine->SkinColor(kSwMdiClBarEnd);
  }
}

}  // namespace

// ---- Control buttons ----
void SwMdiControlGlyphs(TBitmap* Target) {
  Target->SetPixelFormat(pf24bit);
  Target->SetSize(48, 16);
  TCanvas* c = Target->Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(RECT{0, 0, 48, 16});
  c->Brush()->SetColor(clBlack);
  // Minimise: a bar along the bottom.
  c->FillRect(RECT{4, 10, 12, 12});
  // Restore: two overlapping windows, each with a thicker top edge.
  c->FrameRect(RECT{16 + 5, 3, 16 + 13, 9});
  c->FillRect(RECT{16 + 5, 3, 16 + 13, 5});
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(RECT{16 + 3, 6, 16 + 11, 13});
  c->Brush()->SetColor(clBlack);
  c->FrameRect(RECT{16 + 3, 6, 16 + 11, 13});
  c->FillRect(RECT{16 + 3, 6, 16 + 11, 8});
  // Close: a cross of two-pixel strokes.
  for (int i = 0; i < 8; ++i) {
    c->FillRect(RECT{32 + 4 + i, 4 + i, 32 + 6 + i, 5 + i});
    c->FillRect(RECT{32 + 10 - i, 4 + i, 32 + 12 - i, 5 + i});
  }
}

TswSkinMenuBarControlButton::TswSkinMenuBarControlButton(TComponent* AOwner)
    : TCustomPanel(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  SetBevelOuter(bvNone);
  SetShowCaption(false);
  SetWidth(kSwMdiButtonSize);
  SetHeight(kSwMdiButtonSize);
  FGlyph->SetTransparent(true);
  FGlyph->SetTransparentColor(clFuchsia);
}

TswSkinMenuBarControlButton::~TswSkinMenuBarControlButton() = default;

void TswSkinMenuBarControlButton::SetToColor(TColor Value) {
  FToColor = Value;
  Invalidate();
}

void TswSkinMenuBarControlButton::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_ERASEBKGND:
      M.Result = 1;
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      FHot = M.Msg == CM_MOUSEENTER;
      Invalidate();
      break;
    default:
      break;
  }
  TCustomPanel::WndProc(M);
}

void TswSkinMenuBarControlButton::Paint() {
  const RECT r = ClientRect();
  TBitmap off;
  off.SetPixelFormat(pf24bit);
  off.SetSize(std::max(1, static_cast<int>(r.right)), std::max(1, static_cast<int>(r.bottom)));
  TCanvas* c = off.Canvas();
  if (Color() == FToColor)
    FillRectColor(c, r, Color());
  else
    GradientVertical(c, r, Color(), FToColor);
  if (!FGlyph->Empty() && FHot) FrameRectColor(c, r, clBlack);
  if (!FGlyph->Empty()) c->Draw(1, 1, FGlyph.get());
  BitBlt(Canvas()->Handle(), 0, 0, r.right, r.bottom, c->Handle(), 0, 0, SRCCOPY);
}

// ---- Arrangement rules ----
std::vector<TswMdiBounds> SwMdiCascadeBounds(int Count, int ClientWidth, int ClientHeight) {
  std::vector<TswMdiBounds> out;
  const int w = static_cast<int>(std::lround(ClientWidth * 0.8)), h = static_cast<int>(std::lround(ClientHeight * 0.6));
  for (int k = 0; k < Count; ++k) out.push_back({22 * k, 22 * k, w, h});
  return out;
}

std::vector<TswMdiBounds> SwMdiTileBounds(int Count, int ClientWidth, int Available, bool Horizontal) {
  std::vector<TswMdiBounds> out;
  if (Count <= 0) return out;
  if (Horizontal) {
    const int h = Available / Count - 2 - (Count == 1 ? 2 : 0);
    for (int k = 0; k < Count; ++k) out.push_back({0, k * h, ClientWidth - 4, h});
  } else {
    const int w = ClientWidth / Count - 2;
    for (int k = 0; k < Count; ++k) out.push_back({k * w, 0, w, Available - 4});
  }
  return out;
}

// ---- The skinned MDI form's client window ----
LRESULT SwMdiClientProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  auto old = reinterpret_cast<WNDPROC>(GetProp(Wnd, kSwMdiClientOldProcProp));
  LRESULT r = old ? CallWindowProc(old, Wnd, Msg, W, L) : DefWindowProc(Wnd, Msg, W, L);
  if (auto* self = static_cast<TswSkinWindowVCL*>(GetProp(Wnd, kSwMdiClientObjectProp)))
    self->MDIClientMessage(Wnd, Msg, W, L, r);
  return r;
}

bool TswSkinWindowVCL::IsMDIForm() const { return FForm && FForm->FormStyle() == fsMDIForm; }
bool TswSkinWindowVCL::IsMDIChild() const { return FForm && FForm->FormStyle() == fsMDIChild; }

bool TswSkinWindow::IsMaximizedMDIChild() const {
  HWND h = GetHandle();
  return IsMDIChild() && h && IsZoomed(h);
}

void TswSkinWindowVCL::AttachMDI() {
  TCustomForm* mf = Application()->MainForm();
  if (IsMDIChild()) {
    // The MDI form lists its documents again.
    if (mf && mf != FForm && mf->HandleAllocated()) SendMessage(mf->Handle(), SWM_MDIWINDOWLIST, 0, 0);
    return;
  }
  if (!IsMDIForm()) return;
  TBitmap strip;
  SwMdiControlGlyphs(&strip);
  TColor start = 0, end = 0;
  SwMdiBarColors(FEngine, start, end);
  const int tags[3] = {swMdiCloseTag, swMdiRestoreTag, swMdiMinimizeTag};
  const int cells[3] = {3, 2, 1};  // cells of the strip: close, restore, minimise
  for (int i = 0; i < 3; ++i) {
    auto* b = new TswSkinMenuBarControlButton(nullptr);
    b->FreeNotification(this);
    b->SetParent(FForm);
    b->SetAnchors(TAnchors{akTop, akRight});
    b->SetVisible(false);
    b->BringToFront();
    b->SetColor(start);
    b->SetToColor(end);
    b->Glyph()->SetPixelFormat(pf24bit);
    b->Glyph()->SetSize(16, 16);
    BitBlt(b->Glyph()->Canvas()->Handle(), 0, 0, 16, 16, strip.Canvas()->Handle(), (cells[i] - 1) * 16, 0, SRCCOPY);
    b->SetTag(tags[i]);
    b->SetLeft(FForm->Width() - 25 - 18 * i);
    b->SetTop(1);
    const int tag = tags[i];
    b->OnClick = [this, tag](TObject*) {
      TCustomForm* a = FForm ? FForm->ActiveMDIChild() : nullptr;
      if (!a) return;
      if (tag == swMdiCloseTag) a->Close();
      else if (tag == swMdiRestoreTag) a->SetWindowState(wsNormal);
      else ShowWindow(a->Handle(), SW_SHOWMINIMIZED);
      Application()->ProcessMessages();
    };
    FMDIButtons[i] = b;
  }
  // The client window's arrangement follows the skin's rules.
  FMDIClient = FForm->Handle() ? FForm->ClientHandle() : nullptr;
  if (FMDIClient) {
    auto old = reinterpret_cast<WNDPROC>(GetWindowLongPtr(FMDIClient, GWLP_WNDPROC));
    FMDIClientOldProc = old;
    SetProp(FMDIClient, kSwMdiClientOldProcProp, reinterpret_cast<HANDLE>(old));
    SetProp(FMDIClient, kSwMdiClientObjectProp, this);
    SetWindowLongPtr(FMDIClient, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SwMdiClientProc));
  }
}

void TswSkinWindowVCL::DetachMDI() {
  ClearWindowList();
  if (FMDIClient && IsWindow(FMDIClient)) {
    RemoveProp(FMDIClient, kSwMdiClientObjectProp);
    // Given back unless someone subclassed it after us (then our procedure keeps chaining).
    if (GetWindowLongPtr(FMDIClient, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&SwMdiClientProc)) {
      SetWindowLongPtr(FMDIClient, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FMDIClientOldProc));
      RemoveProp(FMDIClient, kSwMdiClientOldProcProp);
    }
  }
  FMDIClient = nullptr;
  for (TswSkinMenuBarControlButton*& b : FMDIButtons) {
    TswSkinMenuBarControlButton* gone = b;
    b = nullptr;
    if (gone) {
      gone->RemoveFreeNotification(this);
      delete gone;
    }
  }
  if (FChildMenu) FChildMenu->RemoveFreeNotification(this);
  FChildMenu = nullptr;
}

void TswSkinWindowVCL::PlaceMDIButtons() {
  TColor start = 0, end = 0;
  SwMdiBarColors(FEngine, start, end);
  const int bar = GetMenuBarHeight();
  // Centred in the menu bar's row (never above the client area, where it could not be seen).
  const int top = bar > kSwMdiButtonSize ? (bar - kSwMdiButtonSize) / 2 : 0;
  for (int i = 0; i < 3; ++i)
    if (TswSkinMenuBarControlButton* b = FMDIButtons[i]) {
      b->SetBounds(FForm->Width() - FEngine->Metrics().RightBorder - 26 - 18 * i, top, kSwMdiButtonSize, kSwMdiButtonSize);
      b->SetColor(start);
      b->SetToColor(end);
    }
}

void TswSkinWindowVCL::ShowMDIButtons(bool Show) {
  if (!IsMDIForm()) return;
  TCustomForm* a = Show ? FForm->ActiveMDIChild() : nullptr;
  const bool visible[3] = {a && a->BorderIcons().Contains(biSystemMenu), a && a->BorderIcons().Contains(biMaximize),
                           a && a->BorderIcons().Contains(biMinimize)};
  if (a) PlaceMDIButtons();
  for (int i = 0; i < 3; ++i)
    if (TswSkinMenuBarControlButton* b = FMDIButtons[i]) {
      b->SetVisible(visible[i]);
      if (visible[i]) b->BringToFront();
    }
}

void TswSkinWindowVCL::MDIApplySkin(bool On) {
  HWND h = FForm->Handle();
  TCustomForm* mf = Application()->MainForm();
  if (IsMDIForm()) {
    if (On) {
      // The client window lists its documents in a menu of ours meanwhile: the skin's own list
      // goes under the window menu.
      if (!FSavedWindowMenu && FForm->WindowMenu()) {
        FSavedWindowMenu = FForm->WindowMenu();
        FSavedWindowMenu->FreeNotification(this);
        FParkedWindowMenu = std::make_unique<TMenuItem>(nullptr);
        FForm->SetWindowMenu(FParkedWindowMenu.get());
      }
      PlaceMDIButtons();
      TCustomForm* a = FForm->ActiveMDIChild();
      ShowMDIButtons(a && IsZoomed(a->Handle()));
      RebuildWindowList();
    } else {
      ClearWindowList();
      ShowMDIButtons(false);
      if (FSavedWindowMenu) {
        TMenuItem* wm = FSavedWindowMenu;
        FSavedWindowMenu = nullptr;
        wm->RemoveFreeNotification(this);
        FForm->SetWindowMenu(wm);
      }
      FParkedWindowMenu.reset();
    }
    return;
  }
  if (!IsMDIChild() || !On || !mf || mf == FForm) return;
  // A document's caption is active only while it is the active document.
  FActive = mf->ActiveMDIChild() == FForm;
  // The last document skinned: every document draws its caption's state again.
  const int n = mf->MDIChildCount();
  if (n > 1 && mf->MDIChildren(n - 1) == FForm) {
    TCustomForm* a = mf->ActiveMDIChild();
    for (int i = 0; i < mf->MDIChildCount(); ++i)
      SendMessage(mf->MDIChildren(i)->Handle(), WM_MDIACTIVATE, 0, reinterpret_cast<LPARAM>(a ? a->Handle() : nullptr));
  }
  if (IsZoomed(h) && !FMDIMaxNotified) {
    FMDIMaxNotified = true;
    SendMessage(mf->Handle(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(h), 0);
  }
}

void TswSkinWindowVCL::CollectMenuBarItems(std::vector<TMenuItem*>& Items) const {
  TMenuItem* root = FSavedMenu ? FSavedMenu->Items() : nullptr;
  const bool merge = IsMDIForm() && FChildMenu && FChildMenu->Items()->Count() > 0;
  if (!merge) {
    if (root)
      for (int i = 0; i < root->Count(); ++i) Items.push_back(root->Items(i));
    return;
  }
  std::vector<TMenuItem*> child;
  std::vector<int> groups;
  for (int i = 0; i < FChildMenu->Items()->Count(); ++i) {
    child.push_back(FChildMenu->Items()->Items(i));
    groups.push_back(child.back()->GroupIndex());
  }
  if (root)
    for (int i = 0; i < root->Count(); ++i)
      if (std::find(groups.begin(), groups.end(), root->Items(i)->GroupIndex()) == groups.end())
        Items.push_back(root->Items(i));
  // After the last main item of a lower group than the document's first item.
  size_t at = 0;
  for (size_t i = 0; i < Items.size(); ++i)
    if (Items[i]->GroupIndex() < child.front()->GroupIndex()) at = i + 1;
  Items.insert(Items.begin() + static_cast<std::ptrdiff_t>(at), child.begin(), child.end());
}

void TswSkinWindowVCL::ClearWindowList() {
  std::vector<TMenuItem*> items;
  items.swap(FWindowItems);
  for (TMenuItem* it : items) {
    it->RemoveFreeNotification(this);
    delete it;
  }
}

void TswSkinWindowVCL::RebuildWindowList() {
  ClearWindowList();
  if (!IsMDIForm() || !FSavedMenu || !FSavedWindowMenu) return;
  TCustomForm* active = FForm->ActiveMDIChild();
  auto add = [this](TMenuItem* it) {
    it->FreeNotification(this);
    FWindowItems.push_back(it);
    FSavedWindowMenu->Add(it);
  };
  auto* sep = new TMenuItem(nullptr);
  sep->SetCaption("-");
  add(sep);
  for (int i = 0; i < FForm->MDIChildCount(); ++i) {
    TCustomForm* c = FForm->MDIChildren(i);
    if (c->ComponentState().Contains(csDestroying) || !c->Visible() ||
        SendMessage(c->Handle(), SWM_MDICHILDHIDDEN, 0, 0) == 1)
      continue;
    auto* it = new TMenuItem(nullptr);
    it->SetCaption(c->Caption());
    it->SetTag(i);
    it->SetChecked(c == active);
    const HWND child = c->Handle(), form = FForm->Handle();
    it->OnClick = [child, form](TObject*) { PostMessage(form, kSwMdiListActivate, reinterpret_cast<WPARAM>(child), 0); };
    add(it);
  }
  if (FEngine->IsSkinActive() && FSkinOn) FEngine->SkinMenuItem(FSavedWindowMenu);
}

bool TswSkinWindowVCL::MDIAfterMessage(TMessage& M) {
  if (!FForm || !FForm->HandleAllocated()) return false;
  HWND h = FForm->Handle();
  TCustomForm* mf = Application()->MainForm();
  HWND main = mf && mf != FForm && mf->HandleAllocated() ? mf->Handle() : nullptr;
  switch (M.Msg) {
    case WM_MDIACTIVATE:
      if (!IsMDIChild()) return false;
      if (reinterpret_cast<HWND>(M.LParam) == h) {
        if (main)
          SendMessage(main, SWM_MDICHILDMENU, reinterpret_cast<WPARAM>(h),
                      reinterpret_cast<LPARAM>(FSavedMenu ? FSavedMenu : FForm->Menu()));
        FActive = true;
      } else {
        FActive = false;
      }
      PaintFrame();
      return false;
    case WM_MDIREFRESHMENU:
      PaintFrame();
      return false;
    case WM_MDIRESTORE:
      if (IsMDIForm()) ShowMDIButtons(false);
      return false;
    case WM_MDIMAXIMIZE:
      if (IsMDIForm()) ShowMDIButtons(true);
      return false;
    case SWM_MDICHILDMENU: {
      if (!IsMDIForm()) return false;
      // Only a menu one of the documents has now (the message may arrive after it went).
      TMainMenu* menu = nullptr;
      for (int i = 0; i < FForm->MDIChildCount() && M.LParam; ++i) {
        TCustomForm* c = FForm->MDIChildren(i);
        auto* w = dynamic_cast<TswSkinWindowVCL*>(FEngine->FindWindow(c->Handle()));
        TMainMenu* own = w && w->FSavedMenu ? w->FSavedMenu : c->Menu();
        if (reinterpret_cast<LPARAM>(own) == M.LParam) menu = own;
      }
      if (!menu && M.LParam) {
        // A document skinned by another engine: its form still names the menu.
        for (int i = 0; i < FForm->MDIChildCount(); ++i)
          if (reinterpret_cast<LPARAM>(FForm->MDIChildren(i)->Menu()) == M.LParam) menu = FForm->MDIChildren(i)->Menu();
      }
      if (!menu && M.LParam) {
        M.Result = 0;  // a menu no document has any more: nothing changes
        return true;
      }
      if (menu != FChildMenu) {
        if (FChildMenu) FChildMenu->RemoveFreeNotification(this);
        FChildMenu = menu;
        if (menu) menu->FreeNotification(this);
        if (FSavedMenu) {
          BuildMenuBar();
          if (FEngine->IsSkinActive() && FSkinOn && menu) FEngine->SkinMenu(menu);
        }
      }
      M.Result = 0;
      return true;
    }
    case WM_SHOWWINDOW:
      if (IsMDIChild()) FMDIHidden = M.WParam == 0;
      return false;
    case WM_SIZE:
      if (!IsMDIChild() || !main) return false;
      if (IsZoomed(h)) {
        if (!FMDIMaxNotified) {
          FMDIMaxNotified = true;
          SendMessage(main, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(h), 0);
        }
      } else {
        PaintFrame();
        if (FMDIMaxNotified) {
          FMDIMaxNotified = false;
          SendMessage(main, WM_MDIRESTORE, reinterpret_cast<WPARAM>(h), 0);
        }
      }
      return false;
    case WM_WINDOWPOSCHANGED:
      if (IsMDIChild() && main && M.LParam &&
          (reinterpret_cast<WINDOWPOS*>(M.LParam)->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)))
        SendMessage(main, SWM_MDIWINDOWLIST, 0, 0);
      return false;
    case SWM_MDIWINDOWLIST:
      if (!IsMDIForm()) return false;
      RebuildWindowList();
      M.Result = 0;
      return true;
    case SWM_MDICHILDHIDDEN:
      M.Result = IsMDIChild() && FMDIHidden ? 1 : 0;
      return true;
    case kSwMdiListActivate: {
      // A window-list item was clicked: that document comes forward, restored when minimised.
      HWND child = reinterpret_cast<HWND>(M.WParam);
      auto* f = IsWindow(child) && GetParent(child) == FForm->ClientHandle() ? dynamic_cast<TCustomForm*>(FindControl(child)) : nullptr;
      if (f) {
        if (f->WindowState() == wsMinimized) f->SetWindowState(wsNormal);
        f->BringToFront();
        SendMessage(FForm->ClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
      }
      M.Result = 0;
      return true;
    }
    default:
      return false;
  }
}

void TswSkinWindowVCL::MDIClientMessage(HWND Wnd, UINT Msg, WPARAM W, LPARAM L, LRESULT& Result) {
  if (!FForm || !FEngine->IsSkinActive() || !FAllowed || !FSkinOn) return;
  auto arranged = [this]() {
    std::vector<TCustomForm*> out;
    bool iconic = false;
    for (int i = 0; i < FForm->MDIChildCount(); ++i) {
      TCustomForm* c = FForm->MDIChildren(i);
      if (c->WindowState() == wsMinimized) iconic = true;
      else out.push_back(c);
    }
    return std::make_pair(out, iconic);
  };
  switch (Msg) {
    case WM_MDICASCADE: {
      auto [kids, iconic] = arranged();
      (void)iconic;
      std::vector<TswMdiBounds> b = SwMdiCascadeBounds(static_cast<int>(kids.size()), FForm->ClientWidth(), FForm->ClientHeight());
      // The last document first, so the first ends furthest in.
      for (size_t k = 0; k < kids.size(); ++k) {
        TCustomForm* c = kids[kids.size() - 1 - k];
        c->SetBounds(b[k].Left, b[k].Top, b[k].Width, b[k].Height);
      }
      break;
    }
    case WM_MDITILE: {
      auto [kids, iconic] = arranged();
      if (kids.empty()) break;
      int available = FForm->ClientHeight() - (iconic ? 25 : 0);
      for (int i = 0; i < FForm->ControlCount(); ++i) {
        TControl* c = FForm->Controls(i);
        if (c->Visible() && (c->Align() == alTop || c->Align() == alBottom)) available -= c->Height();
      }
      std::vector<TswMdiBounds> b = SwMdiTileBounds(static_cast<int>(kids.size()), FForm->ClientWidth(), available, W != 0);
      for (size_t k = 0; k < kids.size(); ++k) kids[k]->SetBounds(b[k].Left, b[k].Top, b[k].Width, b[k].Height);
      break;
    }
    case WM_PARENTNOTIFY:
      if (LOWORD(W) != WM_DESTROY) break;
      [[fallthrough]];
    case WM_MDIDESTROY: {
      // The last document gone (by the message, or destroyed directly): no document menu and
      // no control buttons any more; otherwise the buttons follow the document now active.
      int left = 0;
      for (int i = 0; i < FForm->MDIChildCount(); ++i)
        if (Msg == WM_MDIDESTROY || FForm->MDIChildren(i)->Handle() != reinterpret_cast<HWND>(L)) ++left;
      if (left == 0) {
        SendMessage(FForm->Handle(), SWM_MDICHILDMENU, 0, 0);
        ShowMDIButtons(false);
      } else {
        TCustomForm* a = FForm->ActiveMDIChild();
        ShowMDIButtons(a && IsZoomed(a->Handle()));
      }
      if (Msg == WM_PARENTNOTIFY) PostMessage(FForm->Handle(), SWM_MDIWINDOWLIST, 0, 0);
      break;
    }
    case WM_MDICREATE:
      RebuildWindowList();
      break;
    case SWM_MDITOPFRAME:
      Result = FTopFrame;
      break;
    case SWM_MDISIDEFRAME:
      Result = FSideFrame;
      break;
    case SWM_MDIBOTTOMFRAME:
      Result = FBottomFrame;
      break;
    default:
      break;
  }
  (void)Wnd;
}
