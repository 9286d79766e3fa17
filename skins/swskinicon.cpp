// The icon of a skinned caption and the painters of the skinned menu bar (swskinwindow.h).
#include <string>

#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"
#include "skins/swskinengine.h"
#include "skins/swskinmenubar.h"
#include "skins/swskinres.h"
#include "skins/swskinwindow.h"

namespace {

// Skin numbers of the menu bar.
enum {
  kSwIconClMenuBarStart = 3, kSwIconClMenuBarEnd = 4, kSwIconClTopSelected = 5,
  kSwIconClTopSelectedBorder = 6, kSwIconClTopSelectedFont = 7, kSwIconClTopFont = 8
};
constexpr int kSwIconBmMenuBar = 13;
constexpr int kSwCaptionIconSize = 16;

}  // namespace

void TswSkinWindow::DrawCaptionIcon(TCanvas* C, int X, int Y) const {
  if (!C) return;
  if (HICON own = GetIconHandle()) {
    DrawIconEx(C->Handle(), X, Y, own, kSwCaptionIconSize, kSwCaptionIconSize, 0, nullptr, DI_NORMAL);
    return;
  }
  // The application's icon, as a copy of the caption's size.
  TIcon* app = Application() ? Application()->Icon() : nullptr;
  if (!app || app->Empty()) return;
  auto copy = static_cast<HICON>(CopyImage(app->Handle(), IMAGE_ICON, kSwCaptionIconSize, kSwCaptionIconSize, 0));
  if (!copy) return;
  DrawIconEx(C->Handle(), X, Y, copy, kSwCaptionIconSize, kSwCaptionIconSize, 0, nullptr, DI_NORMAL);
  DestroyIcon(copy);
}

HICON TswSkinWindowVCL::GetIconHandle() const {
  if (!FForm || FForm->Icon()->Empty()) return nullptr;
  return FForm->Icon()->Handle();
}

void TswSkinWindowVCL::PaintMenuBar(TToolBar* Sender, const RECT& ARect, bool&) {
  TCanvas* c = Sender->Canvas();
  TBitmap* bar = FEngine->SkinBitmap(kSwIconBmMenuBar);
  const TColor start = FEngine->SkinColor(kSwIconClMenuBarStart);
  const TColor end = FEngine->SkinColor(kSwIconClMenuBarEnd);
  if (bar && !bar->Empty())
    StretchBitmap(bar, c, ARect);
  else if (start != end)
    GradientVertical(c, ARect, start, end);
  else
    FillRectColor(c, ARect, start);
}

void TswSkinWindowVCL::PaintMenuButton(TToolBar* Sender, TToolButton* Button, TCustomDrawState State,
                                       bool& DefaultDraw) {
  DefaultDraw = false;
  auto* mb = dynamic_cast<TswSkinMenuBarButton*>(Button);
  TMenuItem* item = mb ? mb->MenuItem() : nullptr;
  TCanvas* c = Sender->Canvas();
  RECT b = Button->BoundsRect();
  NONCLIENTMETRICSA ncm;
  if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
    c->Font()->SetLogFont(ncm.lfMenuFont);
  const bool hot = State.Contains(cdsHot) || State.Contains(cdsSelected);
  if (hot && Button->Enabled()) {
    Button->SetTag(TswSkinMenuBarButton::HotTag);
    FillRectColor(c, b, FEngine->SkinColor(kSwIconClTopSelected));
    FrameRectColor(c, b, FEngine->SkinColor(kSwIconClTopSelectedBorder));
    c->Font()->SetColor(FEngine->SkinColor(kSwIconClTopSelectedFont));
  } else {
    Button->SetTag(0);
    c->Font()->SetColor(Button->Enabled() ? FEngine->SkinColor(kSwIconClTopFont) : MakeRGB(128, 128, 128));
  }
  b.top += 2;
  TMenu* menu = item ? item->GetParentMenu() : nullptr;
  TImageList* images = menu ? menu->Images() : nullptr;
  const int index = item ? item->ImageIndex() : -1;
  const bool image = images && index >= 0 && index < images->Count();
  if (image) b.left += images->Width();
  const std::string caption = item ? item->Caption() : Button->Caption();
  HDC dc = c->Handle();
  HGDIOBJ old = SelectObject(dc, c->Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(c->Font()->Color()));
  DrawText(dc, caption.c_str(), -1, &b, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old);
  if (image) images->Draw(c, b.left - images->Width() + 2, b.top + 2, index, true);
}
