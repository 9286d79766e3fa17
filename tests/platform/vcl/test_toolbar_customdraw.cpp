// Tool bars: hot pictures from HotImages, and custom drawing: OnCustomDraw before the buttons
// (its DefaultDraw decides whether the buttons are drawn), OnCustomDrawButton per button with
// its state, in the bar's coordinates and clipped to the button, its DefaultDraw deciding the
// button's own drawing.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "platform/vcl/comctrls.h"
#include "platform/win/gdi_surface.h"
#include "platform/win/pngsnap.h"
#include "platform/win/wingdi.h"
#include "tests/platform/vcl/formtest.h"

namespace {

class ToolBarCustomDrawTest : public FormTestBase {
protected:
  void SetUp() override {
    FormTestBase::SetUp();
    Bar = new TToolBar(Form);
    Bar->SetParent(Form);
    for (TToolButtonStyle st : {tbsButton, tbsCheck, tbsButton}) {
      auto* b = new TToolButton(Form);
      b->SetParent(Bar);
      b->SetStyle(st);
      B.push_back(b);
    }
    B[1]->SetDown(true);
    B[2]->SetEnabled(false);
    Form->Show();
    Run();
  }
  COLORREF Pixel(int X, int Y) {
    UpdateAllWindows();
    HBITMAP shot = RenderWindowToBitmap(Bar->Handle());
    EXPECT_TRUE(shot);
    const TGdiSurface* s = GetBitmapSurface(shot);
    const uint8_t* p = s->Row(Y) + X * 4;
    const COLORREF c = RGB(p[2], p[1], p[0]);
    DeleteObject(shot);
    return c;
  }
  COLORREF Middle(TToolButton* Button) {
    const RECT r = Button->BoundsRect();
    return Pixel((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  TToolBar* Bar = nullptr;
  std::vector<TToolButton*> B;
};

}  // namespace

TEST_F(ToolBarCustomDrawTest, ButtonsAreAskedWithTheirStateAndMayDrawThemselves) {
  std::map<TToolButton*, TCustomDrawState> seen;
  RECT background{-1, -1, -1, -1};
  Bar->OnCustomDraw = [&](TToolBar* Sender, const RECT& R, bool& DefaultDraw) {
    EXPECT_EQ(Sender, Bar);
    EXPECT_TRUE(DefaultDraw);
    background = R;
  };
  Bar->OnCustomDrawButton = [&](TToolBar* Sender, TToolButton* Button, TCustomDrawState State,
                                bool& DefaultDraw) {
    EXPECT_EQ(Sender, Bar);
    seen[Button] = State;
    if (Button == B[0]) {
      // Drawn by the handler, in the bar's coordinates: a fill beyond the button stays inside.
      DefaultDraw = false;
      RECT r = Button->BoundsRect();
      InflateRect(&r, 6, 6);
      Sender->Canvas()->Brush()->SetColor(clRed);
      Sender->Canvas()->FillRect(r);
    }
  };
  Bar->Invalidate();
  UpdateAllWindows();
  EXPECT_EQ(Middle(B[0]), RGB(255, 0, 0));
  EXPECT_NE(Middle(B[1]), RGB(255, 0, 0));
  const RECT b0 = B[0]->BoundsRect();
  EXPECT_NE(Pixel(b0.right + 2, (b0.top + b0.bottom) / 2), RGB(255, 0, 0)) << "clipped to the button";
  EXPECT_EQ(background.right, Bar->ClientWidth());
  EXPECT_EQ(background.bottom, Bar->ClientHeight());
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_TRUE(seen[B[0]].Empty());
  EXPECT_TRUE(seen[B[1]].Contains(cdsChecked));
  EXPECT_TRUE(seen[B[2]].Contains(cdsDisabled));
  EXPECT_FALSE(seen[B[0]].Contains(cdsHot));
  // Under the mouse the button is hot.
  const POINT p = B[0]->ClientToScreen(POINT{5, 5});
  InjectMouseMove(p.x, p.y);
  Run();
  UpdateAllWindows();
  EXPECT_TRUE(seen[B[0]].Contains(cdsHot));
  EXPECT_FALSE(seen[B[1]].Contains(cdsHot));
}

TEST_F(ToolBarCustomDrawTest, BackgroundWithoutDefaultDrawingLeavesTheButtonsOut) {
  int asked = 0;
  Bar->OnCustomDraw = [&](TToolBar* Sender, const RECT& R, bool& DefaultDraw) {
    Sender->Canvas()->Brush()->SetColor(clLime);
    Sender->Canvas()->FillRect(R);
    DefaultDraw = false;
  };
  Bar->OnCustomDrawButton = [&](TToolBar*, TToolButton*, TCustomDrawState, bool&) { ++asked; };
  Bar->Invalidate();
  UpdateAllWindows();
  EXPECT_EQ(asked, 0);
  // The down button's sunken edge is not drawn over the handler's background.
  const RECT r = B[1]->BoundsRect();
  EXPECT_EQ(Pixel(r.left, r.top), RGB(0, 255, 0));
  EXPECT_EQ(Middle(B[1]), RGB(0, 255, 0));
  // Without the events the bar draws as before: the down button has its edge.
  Bar->OnCustomDraw = nullptr;
  Bar->OnCustomDrawButton = nullptr;
  Bar->Invalidate();
  UpdateAllWindows();
  EXPECT_NE(Pixel(r.left, r.top), ColorToRGB(Bar->Color()));
}

namespace {

// An image list of one 16 x 16 picture of one colour.
TImageList* ToolBarTestImages(TComponent* Owner, TColor Colour) {
  auto* list = new TImageList(Owner);
  list->SetWidth(16);
  list->SetHeight(16);
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(16, 16);
  b.Canvas()->Brush()->SetColor(Colour);
  b.Canvas()->FillRect(RECT{0, 0, 16, 16});
  list->Add(&b, nullptr);
  return list;
}

}  // namespace

// A button under the mouse shows its picture from HotImages; a freed list is forgotten.
TEST_F(ToolBarCustomDrawTest, HotButtonsTakeTheirPictureFromHotImages) {
  Bar->SetImages(ToolBarTestImages(nullptr, clBlue));
  TImageList* hot = ToolBarTestImages(nullptr, clRed);
  Bar->SetHotImages(hot);
  B[0]->SetImageIndex(0);
  Bar->Invalidate();
  EXPECT_EQ(Middle(B[0]), RGB(0, 0, 255));
  const POINT p = B[0]->ClientToScreen(POINT{3, 3});
  InjectMouseMove(p.x, p.y);
  Run();
  EXPECT_EQ(Middle(B[0]), RGB(255, 0, 0));
  delete hot;
  EXPECT_EQ(Bar->HotImages(), nullptr);
  Bar->Invalidate();
  EXPECT_EQ(Middle(B[0]), RGB(0, 0, 255));
  delete Bar->Images();
  EXPECT_EQ(Bar->Images(), nullptr);
}
