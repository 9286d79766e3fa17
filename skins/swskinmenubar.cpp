// The skinned menu bar (swskinmenubar.h).
#include "skins/swskinmenubar.h"

#include <algorithm>
#include <cctype>

#include "platform/vcl/menus.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"
#include "skins/swskinengine.h"
#include "skins/swskinres.h"
#include "skins/swskinutils.h"

ORV_CLASS_IMPL(TswSkinMenuBarButton, TToolButton)
ORV_CLASS_IMPL(TswSkinMenuBar, TToolBar)

namespace {

// Posted to the bar to open the button with the index in wParam (after an accelerator key).
constexpr UINT kSwBarOpenButton = WM_APP + 0x357;

void SwBarMenuFont(TCanvas* C) {
  NONCLIENTMETRICSA ncm;
  if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
    C->Font()->SetLogFont(ncm.lfMenuFont);
}

}  // namespace

// ---- TswSkinMenuBarButton ----
TswSkinMenuBarButton::TswSkinMenuBarButton(TComponent* AOwner, TMenuItem* Item,
                                           TswSkinEngine* Engine)
    : TToolButton(AOwner), FItem(Item), FEngine(Engine) {
  SetGrouped(true);
  SetCaption(Item->Caption());
  SetEnabled(Item->Enabled());
}

void TswSkinMenuBarButton::WndProc(TMessage& M) {
  if (M.Msg == CM_MOUSEENTER || M.Msg == CM_MOUSELEAVE) {
    FHotTrack = M.Msg == CM_MOUSEENTER;
    Invalidate();
  }
  TToolButton::WndProc(M);
}

void TswSkinMenuBarButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && Enabled() && FItem->Count() > 0) {
    ControlState() -= csClicked;
    OpenMenu();
    return;
  }
  TToolButton::MouseDown(Button, Shift, X, Y);
}

void TswSkinMenuBarButton::OpenMenu() {
  if (FItem->Count() == 0 || !Enabled()) return;
  FOpen = true;
  SetTag(HotTag);
  Repaint();
  const POINT p = ClientToScreen(POINT{0, Height()});
  const UINT id = static_cast<UINT>(TrackPopupMenu(FItem->Handle(), TPM_LEFTALIGN | TPM_RETURNCMD,
                                                   p.x, p.y, 0, PopupListWindow(), nullptr));
  FOpen = false;
  SetTag(FHotTrack ? HotTag : 0);
  Invalidate();
  // The chosen item runs after the menu has closed.
  TMessage m{WM_COMMAND, id, 0, 0};
  if (id) MenuOwnerMessage(m);
}

void TswSkinMenuBarButton::Click() {
  if (FItem->Count() == 0 && Enabled()) FItem->Click();
}

TCustomDrawState TswSkinMenuBarButton::DrawState() const {
  TCustomDrawState s = TToolButton::DrawState();
  if (FOpen || FHotTrack) s += cdsHot;
  if (FOpen) s += cdsSelected;
  return s;
}

// ---- TswSkinMenuBar ----
TswSkinMenuBar::TswSkinMenuBar(TswSkinWindowVCL* Window, TswSkinEngine* Engine)
    : TToolBar(nullptr), FWindow(Window), FEngine(Engine) {
  SetEdgeBorders(TEdgeBorders{});
  SetParentColor(false);
  SetFlat(true);
  SetVisible(false);
}

TswSkinMenuBarButton* TswSkinMenuBar::ButtonOf(const TMenuItem* Item) const {
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* b = dynamic_cast<TswSkinMenuBarButton*>(Controls(i)); b && b->MenuItem() == Item)
      return b;
  return nullptr;
}

void TswSkinMenuBar::Build(const std::vector<TMenuItem*>& Items) {
  for (int i = ControlCount() - 1; i >= 0; --i) delete Controls(i);
  if (Items.empty()) {
    SetVisible(false);
    return;
  }
  TBitmap measure;
  SwBarMenuFont(measure.Canvas());
  SetFont(measure.Canvas()->Font());
  const int h = measure.Canvas()->TextHeight("Wg") + 6;
  SetButtonHeight(h);
  SetHeight(h + 2);
  for (TMenuItem* item : Items) {
    if (!item->Visible()) continue;
    auto* b = new TswSkinMenuBarButton(this, item, FEngine);
    b->SetWidth(measure.Canvas()->TextWidth(RemoveAmpersands(item->Caption())) + 14);
    b->SetParent(this);
  }
  Realign();
  SetVisible(true);
}

TswSkinMenuBarButton* TswSkinMenuBar::ButtonOfAccelerator(WORD Key) const {
  const int want = std::toupper(static_cast<unsigned char>(Key));
  for (int i = 0; i < ControlCount(); ++i) {
    auto* b = dynamic_cast<TswSkinMenuBarButton*>(Controls(i));
    if (!b || !b->Enabled()) continue;
    const std::string& c = b->MenuItem()->Caption();
    for (size_t k = 0; k + 1 < c.size(); ++k) {
      if (c[k] != '&') continue;
      if (c[k + 1] == '&') {
        ++k;  // "&&" is a plain ampersand
        continue;
      }
      if (std::toupper(static_cast<unsigned char>(c[k + 1])) == want) return b;
      break;
    }
  }
  return nullptr;
}

void TswSkinMenuBar::PostOpen(TswSkinMenuBarButton* Button) {
  for (int i = 0; i < ControlCount(); ++i)
    if (Controls(i) == Button && HandleAllocated()) PostMessage(Handle(), kSwBarOpenButton, i, 0);
}

void TswSkinMenuBar::AlignControls(TControl*, RECT& Rect) {
  // Buttons side by side from the left, each as wide as its caption asks.
  int x = Rect.left;
  for (int i = 0; i < ControlCount(); ++i) {
    auto* b = dynamic_cast<TswSkinMenuBarButton*>(Controls(i));
    if (!b) continue;
    b->SetBounds(x, Rect.top + 1, b->Width(), ButtonHeight());
    x += b->Width();
  }
}

void TswSkinMenuBar::WndProc(TMessage& M) {
  if (M.Msg == SWM_ISSKINNED) {
    // A part of the skin itself.
    M.Result = 1;
    return;
  }
  if (M.Msg == kSwBarOpenButton) {
    const int i = static_cast<int>(M.WParam);
    if (i < ControlCount())
      if (auto* b = dynamic_cast<TswSkinMenuBarButton*>(Controls(i)); b && b->Enabled()) {
        if (b->MenuItem()->Count() > 0)
          b->OpenMenu();
        else
          b->Click();
      }
    return;
  }
  if (M.Msg == WM_KEYUP && M.WParam == VK_RETURN) {
    // Enter on a hot item without sub-items runs it (once).
    for (int i = 0; i < ControlCount(); ++i)
      if (auto* b = dynamic_cast<TswSkinMenuBarButton*>(Controls(i));
          b && b->Tag() == TswSkinMenuBarButton::HotTag && b->MenuItem()->Count() == 0) {
        b->Click();
        return;
      }
  }
  TToolBar::WndProc(M);
}

void TswSkinMenuBar::Notification(TComponent* AComponent, TOperation Operation) {
  TToolBar::Notification(AComponent, Operation);
  if (Operation != opInsert) return;
  auto* popup = dynamic_cast<TPopupMenu*>(AComponent);
  if (!popup) return;
  popup->OnPopup = [this, popup](TObject*) {
    for (int i = 0; i < ControlCount(); ++i) {
      auto* b = dynamic_cast<TswSkinMenuBarButton*>(Controls(i));
      if (!b || b->Tag() != TswSkinMenuBarButton::HotTag) continue;
      if (b->MenuItem())
        if (TMenu* menu = b->MenuItem()->GetParentMenu()) popup->SetAutoHotkeys(menu->AutoHotkeys());
      return;
    }
  };
}
