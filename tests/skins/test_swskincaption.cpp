// The icon of a skinned caption: the form's own icon, else a 16 x 16 copy of the application's,
// only on single and sizeable frames with a system menu; the caption text makes room for it,
// and a click on it opens the engine's system menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "paneltest.h"
#include "platform/vcl/menus.h"
#include "skins/swskinengine.h"
#include "skins/swskinwindow.h"

namespace {

// A solid W x W icon of one colour (no transparent part).
void CaptionTestIcon(TIcon* Icon, TColor Color, int W) {
  TBitmap colour;
  colour.SetPixelFormat(pf24bit);
  colour.SetSize(W, W);
  colour.Canvas()->Brush()->SetColor(Color);
  colour.Canvas()->FillRect(RECT{0, 0, W, W});
  std::string zeros(static_cast<size_t>(((W + 15) / 16) * 2 * W), '\0');
  HBITMAP mask = CreateBitmap(W, W, 1, 1, zeros.data());
  ICONINFO ii{TRUE, 0, 0, mask, colour.Handle()};
  Icon->SetHandle(CreateIconIndirect(&ii));
  DeleteObject(mask);
}

// Runs Action from a timer of Owner (so also inside a menu's own loop).
void CaptionTestLater(TComponent* Owner, std::function<void()> Action) {
  auto* t = new TTimer(Owner);
  t->SetInterval(1);
  t->SetOnTimer([t, Action](TObject*) {
    t->SetEnabled(false);
    Action();
  });
}

class SwSkinCaptionTest : public PanelFormTest {
protected:
  void SetUp() override {
    PanelFormTest::SetUp();
    Form->SetCaption("Icon");
    Form->SetBounds(40, 40, 320, 200);
  }
  void TearDown() override {
    Application()->SetIcon(nullptr);
    PanelFormTest::TearDown();
  }
  TswSkinEngine* Skin(TForm* F = nullptr) {
    if (!F) F = Form;
    auto* e = new TswSkinEngine(F);
    e->SetSkinFile(SourceDir() + "/data/swskins/harbour.ssk");
    EXPECT_TRUE(e->Ready());
    e->SetActive(true);
    e->SkinForm(F);
    SetActiveWindow(F->Handle());
    Run();
    return e;
  }
  // A pixel of the whole window (caption included) as it is drawn now.
  COLORREF WindowPixel(int X, int Y, TForm* F = nullptr) {
    Run();
    HBITMAP shot = RenderWindowToBitmap((F ? F : Form)->Handle());
    EXPECT_TRUE(shot);
    const TGdiSurface* s = GetBitmapSurface(shot);
    const uint8_t* p = s->Row(Y) + X * 4;
    const COLORREF c = RGB(p[2], p[1], p[0]);
    DeleteObject(shot);
    return c;
  }
};

}  // namespace

TEST_F(SwSkinCaptionTest, IconOfTheFormElseOfTheApplication) {
  struct Case {
    const char* name;
    TFormBorderStyle style;
    bool systemMenu, formIcon, appIcon;
    COLORREF want;  // at the middle of the icon place; 0 for "neither icon colour"
  };
  const COLORREF blue = RGB(0, 0, 255), green = RGB(0, 255, 0);
  const Case cases[] = {
      {"form icon", bsSizeable, true, true, true, blue},
      {"application icon", bsSizeable, true, false, true, green},
      {"single frame", bsSingle, true, true, false, blue},
      {"no icon at all", bsSizeable, true, false, false, 0},
      {"dialog frame", bsDialog, true, true, true, 0},
      {"tool window", bsToolWindow, true, true, true, 0},
      {"no system menu", bsSizeable, false, true, true, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto* f = new TForm(nullptr);
    f->SetCaption("Icon");
    f->SetBounds(60, 60, 320, 200);
    f->SetBorderStyle(k.style);
    f->SetBorderIcons(k.systemMenu ? TBorderIcons{biSystemMenu, biMinimize, biMaximize} : TBorderIcons{});
    TIcon icon;
    if (k.formIcon) CaptionTestIcon(&icon, clBlue, 32);
    f->SetIcon(k.formIcon ? &icon : nullptr);
    TIcon app;
    if (k.appIcon) CaptionTestIcon(&app, clLime, 32);
    Application()->SetIcon(k.appIcon ? &app : nullptr);
    f->Show();
    Run();
    TswSkinEngine* e = Skin(f);
    const int x = std::max(e->Metrics().IconX, 0) + 8;
    const int y = (e->Metrics().IconY <= 3 ? 4 : e->Metrics().IconY) + 8;
    const COLORREF at = WindowPixel(x, y, f);
    if (k.want)
      EXPECT_EQ(at, k.want);
    else
      EXPECT_TRUE(at != blue && at != green);
    // The icon is exactly 16 pixels wide.
    if (k.want) { EXPECT_NE(WindowPixel(x + 8, y, f), k.want); }
    delete f;
    Run();
  }
}

TEST_F(SwSkinCaptionTest, IconGivesTheCaptionTextRoomAndOpensTheSystemMenu) {
  TIcon icon;
  CaptionTestIcon(&icon, clBlue, 16);
  Form->SetIcon(&icon);
  TswSkinEngine* e = Skin();
  auto* w = e->FindWindow(Form->Handle());
  ASSERT_NE(w, nullptr);
  const RECT r = w->ElementRect(swHotIcon);
  EXPECT_EQ(r.right - r.left, 16);
  EXPECT_EQ(r.bottom - r.top, 16);
  bool opened = false;
  TPopupMenu* menu = e->SystemMenu();
  menu->OnPopup = [&](TObject*) {
    CaptionTestLater(Form, [&] {
      opened = true;
      InjectKey(VK_ESCAPE, true);
      InjectKey(VK_ESCAPE, false);
    });
  };
  RECT wr;
  GetWindowRect(Form->Handle(), &wr);
  const POINT p{wr.left + (r.left + r.right) / 2, wr.top + (r.top + r.bottom) / 2};
  InjectMouseMove(p.x, p.y);
  Run();
  InjectMouseButton(p.x, p.y, 0, true);
  Run();
  InjectMouseButton(p.x, p.y, 0, false);
  Run();
  EXPECT_TRUE(opened);
  EXPECT_FALSE(IsIconic(Form->Handle()));
  delete e;
  Run();
}

TEST_F(SwSkinCaptionTest, GoldenCaptionWithIcon) {
  TIcon icon;
  CaptionTestIcon(&icon, clBlue, 32);
  Form->SetIcon(&icon);
  TswSkinEngine* e = Skin();
  SendMessage(Form->Handle(), WM_NCACTIVATE, TRUE, 0);
  ExpectGolden("swcaption_icon.png");
  delete e;
  Run();
}
