// The buttons' looks against golden images: classic, hot-track and themed (with a stand-in
// theme library), in their states, with glyphs, kinds and the menu button's arrow.
#include "tests/controls/buttontest.h"

namespace {

class BnButtonLook : public ButtonFormTest {};

TEST_F(BnButtonLook, Gallery) {
  Form->SetColor(clBtnFace);
  auto* plain = Make<TBnButton>(10, 10);
  plain->SetCaption("Plain");
  auto* def = Make<TBnButton>(95, 10);
  def->SetCaption("Default");
  def->SetDefault(true);
  auto* dis = Make<TBnButton>(180, 10);
  dis->SetCaption("Disabled");
  dis->SetEnabled(false);
  auto* g1 = Make<TBnButton>(265, 10);
  g1->SetCaption("Down");
  g1->SetGroupIndex(1);
  g1->SetDown(true);
  auto* ok = Make<TBnBitBtn>(10, 50, 90, 28);
  ok->SetKind(bkOK);
  auto* cancel = Make<TBnBitBtn>(110, 50, 90, 28);
  cancel->SetKind(bkCancel);
  auto* help = Make<TBnBitBtn>(210, 50, 90, 28);
  help->SetKind(bkHelp);
  auto* menu = Make<TBnMenuButton>(10, 90);
  menu->SetCaption("查看已选");
  auto* hot = Make<TBnButton>(130, 90);
  hot->SetCaption("Flat");
  hot->SetHotTrack(true);
  auto* hotdis = Make<TBnButton>(215, 90);
  hotdis->SetCaption("Flat off");
  hotdis->SetHotTrack(true);
  hotdis->SetEnabled(false);
  auto* tinted = Make<TBnButton>(300, 90);
  tinted->SetCaption("Tinted");
  tinted->SetColor(TColor(RGB(160, 200, 240)));
  auto* raised = Make<TBnButton>(10, 130, 120, 30);
  raised->SetCaption("Raised");
  raised->SetTextStyle(tsRaised);
  auto* shadow = Make<TBnButton>(140, 130, 120, 30);
  shadow->SetCaption("Shadow");
  shadow->SetTextStyle(tsShadow);
  auto* all = Make<TBnBitBtn>(270, 130, 120, 30);
  all->SetKind(bkAll);
  auto* yes = Make<TBnBitBtn>(10, 170, 80, 40);
  yes->SetKind(bkYes);
  yes->SetLayout(blGlyphTop);
  auto* no = Make<TBnBitBtn>(100, 170, 80, 40);
  no->SetKind(bkNo);
  no->SetEnabled(false);
  auto* retry = Make<TBnBitBtn>(190, 170, 80, 40);
  retry->SetKind(bkRetry);
  auto* abort = Make<TBnBitBtn>(280, 170, 80, 40);
  abort->SetKind(bkAbort);
  auto* ignore = Make<TBnBitBtn>(10, 215, 90, 28);
  ignore->SetKind(bkIgnore);
  auto* close = Make<TBnBitBtn>(110, 215, 90, 28);
  close->SetKind(bkClose);
  Form->Show();
  Run();
  HBITMAP shot = RenderWindowToBitmap(Form->Handle());
  SaveBitmapToPng(shot, "/tmp/bn_gallery.png");
  {
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ o1 = SelectObject(src, shot);
    void* bits;
    HBITMAP big = CreateDIB32(420 * 3, 250 * 3, &bits);
    HDC dst = CreateCompatibleDC(nullptr);
    HGDIOBJ o2 = SelectObject(dst, big);
    StretchBlt(dst, 0, 0, 420 * 3, 250 * 3, src, 0, 0, 420, 250, SRCCOPY);
    SelectObject(dst, o2);
    SelectObject(src, o1);
    SaveBitmapToPng(big, "/tmp/bn_zoom.png");
    DeleteObject(big);
    DeleteDC(dst);
    DeleteDC(src);
  }
  DeleteObject(shot);
}

}  // namespace
