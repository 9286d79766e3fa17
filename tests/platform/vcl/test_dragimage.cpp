// Drag images: drawn over a rendered form at the cursor's hot spot, moved and hidden without
// leaving pixels behind, also when the window painted under them meanwhile; and shown by the drag
// loop for a control that has drag images.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/vcl/dragimg.h"
#include "platform/vcl/extctrls.h"
#include "formtest.h"

namespace {

// The form's pixels as the window manager holds them, in client coordinates.
struct TShot {
  std::vector<COLORREF> Pixels;
  int W = 0, H = 0, OX = 0, OY = 0;  // size of the window, client origin within it
  COLORREF At(int X, int Y) const { return Pixels[static_cast<size_t>(Y + OY) * W + static_cast<size_t>(X + OX)]; }
  int Count(COLORREF C) const { return static_cast<int>(std::count(Pixels.begin(), Pixels.end(), C)); }
};

TShot Shot(TForm* F) {
  TShot s;
  HBITMAP bm = RenderWindowToBitmap(F->Handle());
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bm);
  RECT wr;
  GetWindowRect(F->Handle(), &wr);
  POINT co{0, 0};
  ClientToScreen(F->Handle(), &co);
  s.W = wr.right - wr.left;
  s.H = wr.bottom - wr.top;
  s.OX = co.x - wr.left;
  s.OY = co.y - wr.top;
  for (int y = 0; y < s.H; ++y)
    for (int x = 0; x < s.W; ++x) s.Pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bm);
  return s;
}

const COLORREF kRed = RGB(255, 0, 0);

// A 16 x 16 red square whose top-left 4 x 4 corner is transparent (white is the mask colour).
void AddImage(TDragImageList* L) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(16, 16);
  b.Canvas()->Brush()->SetColor(clRed);
  b.Canvas()->FillRect(RECT{0, 0, 16, 16});
  b.Canvas()->Brush()->SetColor(clWhite);
  b.Canvas()->FillRect(RECT{0, 0, 4, 4});
  L->AddMasked(&b, clWhite);
}

// A panel that drags with an image.
class TImagePanel : public TPanel {
public:
  using TPanel::TPanel;
  TDragImageList* List = nullptr;
  TDragImageList* GetDragImages() override { return List; }
};

class DragImageTest : public FormTestBase {
protected:
  void SetUp() override {
    FormTestBase::SetUp();
    Form->SetColor(clWhite);
    Form->Show();
    Images = std::make_unique<TDragImageList>();
    AddImage(Images.get());
    Run();
  }
  // A white panel at (20, 20) that drags itself with the test's image list.
  TImagePanel* DraggedPanel() {
    auto* p = new TImagePanel(Form);
    p->SetBevelOuter(bvNone);
    p->SetColor(clWhite);
    p->SetBounds(20, 20, 40, 40);
    p->SetParent(Form);
    p->SetDragMode(dmAutomatic);
    p->List = Images.get();
    return p;
  }
  std::unique_ptr<TDragImageList> Images;
};

TEST_F(DragImageTest, ImageSitsAtTheHotSpotMovesAndLeavesNoTrace) {
  TShot clean = Shot(Form);
  EXPECT_FALSE(Images->BeginDrag(Form->Handle(), 100, 100));  // no drag image chosen yet
  EXPECT_FALSE(Images->SetDragImage(1, 0, 0));
  ASSERT_TRUE(Images->SetDragImage(0, 8, 8));
  ASSERT_TRUE(Images->BeginDrag(Form->Handle(), 100, 100));
  TShot s = Shot(Form);
  EXPECT_EQ(s.At(100, 100), kRed);
  EXPECT_EQ(s.At(92 + 6, 92), kRed);          // top row right of the transparent corner
  EXPECT_EQ(s.At(92, 92), clean.At(92, 92));  // the transparent corner shows the form
  EXPECT_EQ(s.At(92 + 16, 100), clean.At(92 + 16, 100));
  EXPECT_EQ(s.Count(kRed), 16 * 16 - 4 * 4);

  ASSERT_TRUE(Images->DragMove(200, 150));
  s = Shot(Form);
  EXPECT_EQ(s.At(100, 100), clean.At(100, 100));
  EXPECT_EQ(s.At(200, 150), kRed);
  EXPECT_EQ(s.Count(kRed), 16 * 16 - 4 * 4);

  Images->HideDragImage();
  EXPECT_EQ(Shot(Form).Pixels, clean.Pixels);
  Images->ShowDragImage();
  EXPECT_EQ(Shot(Form).At(200, 150), kRed);
  EXPECT_TRUE(Images->EndDrag());
  EXPECT_FALSE(Images->Dragging());
  EXPECT_EQ(Shot(Form).Pixels, clean.Pixels);
}

TEST_F(DragImageTest, ScreenCoordinatesAndDragLockFindTheWindowUnderThePoint) {
  TShot clean = Shot(Form);
  ASSERT_TRUE(Images->SetDragImage(0, 0, 0));
  POINT s{0, 0};
  ClientToScreen(Form->Handle(), &s);
  ASSERT_TRUE(Images->BeginDrag(nullptr, s.x + 40, s.y + 30));
  EXPECT_EQ(Shot(Form).At(40 + 8, 30 + 8), kRed);
  Images->EndDrag();
  ASSERT_TRUE(Images->DragLock(Form->Handle(), 60, 60));
  EXPECT_EQ(Shot(Form).At(68, 68), kRed);
  Images->DragUnlock();
  EXPECT_EQ(Shot(Form).Pixels, clean.Pixels);
  Images->EndDrag();
}

TEST_F(DragImageTest, WindowPaintedUnderTheImageIsRepaintedInsteadOfRestored) {
  ASSERT_TRUE(Images->SetDragImage(0, 8, 8));
  ASSERT_TRUE(Images->BeginDrag(Form->Handle(), 100, 100));
  // A blue panel appears under part of the image and paints over it.
  auto* p = new TPanel(Form);
  p->SetBevelOuter(bvNone);
  p->SetColor(clBlue);
  p->SetBounds(100, 100, 50, 50);
  p->SetParent(Form);
  Run();
  TShot during = Shot(Form);
  EXPECT_EQ(during.At(100, 100), RGB(0, 0, 255));
  Images->EndDrag();
  Run();
  TShot after = Shot(Form);
  EXPECT_EQ(after.Count(kRed), 0);
  EXPECT_EQ(after.At(100, 100), RGB(0, 0, 255));  // not the white kept from before the panel
  EXPECT_EQ(after.At(95, 95), RGB(255, 255, 255));
}

TEST_F(DragImageTest, DragLoopShowsTheControlsImageUnderTheCursor) {
  TShot clean = Shot(Form);
  TImagePanel* p = DraggedPanel();
  ASSERT_TRUE(Images->SetDragImage(0, 8, 8));
  bool ended = false;
  p->OnEndDrag = [&](TObject*, TObject*, int, int) { ended = true; };
  Run();
  POINT c{0, 0};
  ClientToScreen(Form->Handle(), &c);
  InjectMouseButton(c.x + 30, c.y + 30, 0, true);
  InjectMouseMove(c.x + 150, c.y + 120);
  InjectMouseMove(c.x + 250, c.y + 200);
  Run();
  TShot s = Shot(Form);
  EXPECT_EQ(s.At(250, 200), kRed);
  EXPECT_EQ(s.At(150, 120), clean.At(150, 120));
  EXPECT_EQ(s.Count(kRed), 16 * 16 - 4 * 4);
  InjectMouseButton(c.x + 250, c.y + 200, 0, false);
  Run();
  EXPECT_TRUE(ended);
  EXPECT_FALSE(Images->Dragging());
  EXPECT_EQ(Shot(Form).Count(kRed), 0);
}

}  // namespace

namespace {

TEST_F(DragImageTest, TheImageShowsOnlyOverControlsThatDisplayDragImages) {
  auto panel = [this](int X, bool Displays) {
    auto* q = new TPanel(Form);
    q->SetBevelOuter(bvNone);
    q->SetColor(clWhite);
    q->SetBounds(X, 100, 80, 80);
    q->SetParent(Form);
    if (Displays) q->ControlStyle() += csDisplayDragImage;
    return q;
  };
  panel(100, false);
  panel(200, true);
  ASSERT_NE(DraggedPanel(), nullptr);
  ASSERT_TRUE(Images->SetDragImage(0, 8, 8));
  Run();
  POINT c{0, 0};
  ClientToScreen(Form->Handle(), &c);
  // The press, and a first move that starts the drag over the dragged panel itself (which does
  // not display drag images).
  auto press = [&] {
    InjectMouseButton(c.x + 30, c.y + 30, 0, true);
    InjectMouseMove(c.x + 40, c.y + 40);
  };
  press();
  const int kImage = 16 * 16 - 4 * 4;
  struct Step {
    const char* Name;
    int X, Y;
    int Red;  // red pixels on the form afterwards
  };
  const Step steps[] = {
      {"over the form", 150, 60, kImage},
      {"over a plain panel: hidden", 140, 140, 0},
      {"over a panel that displays drag images", 240, 140, kImage},
      {"over the plain panel again", 120, 150, 0},
      {"back over the form", 60, 250, kImage},
  };
  for (const Step& st : steps) {
    SCOPED_TRACE(st.Name);
    InjectMouseMove(c.x + st.X, c.y + st.Y);
    Run();
    TShot s = Shot(Form);
    EXPECT_EQ(s.Count(kRed), st.Red);
    if (st.Red) {
      EXPECT_EQ(s.At(st.X, st.Y), kRed);  // under the cursor's hot spot
    }
  }
  // Starting the drag over a control that does not display it shows nothing either.
  InjectMouseButton(c.x + 60, c.y + 250, 0, false);
  Run();
  EXPECT_EQ(Shot(Form).Count(kRed), 0);
  AdvanceMessageClock(1000);  // no double click
  press();
  InjectMouseMove(c.x + 130, c.y + 130);
  Run();
  EXPECT_TRUE(Images->Dragging());
  EXPECT_EQ(Shot(Form).Count(kRed), 0);
  InjectMouseMove(c.x + 230, c.y + 130);
  Run();
  EXPECT_EQ(Shot(Form).Count(kRed), kImage);
  InjectMouseButton(c.x + 230, c.y + 130, 0, false);
  Run();
  EXPECT_EQ(Shot(Form).Count(kRed), 0);
}

}  // namespace

namespace {

TEST_F(DragImageTest, DragStartsWithOnStartDragAndShowsTheControlsDragCursorWhereAccepted) {
  auto* p = new TPanel(Form);
  p->SetBounds(20, 20, 40, 40);
  p->SetParent(Form);
  p->SetDragMode(dmAutomatic);
  p->SetDragCursor(crHandPoint);
  int started = 0;
  p->OnStartDrag = [&](TObject* Sender, TDragObject*&) {
    EXPECT_EQ(Sender, p);
    ++started;
  };
  bool accept = true;
  Form->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& Accept) { Accept = accept; };
  Run();
  POINT c{0, 0};
  ClientToScreen(Form->Handle(), &c);
  InjectMouseButton(c.x + 30, c.y + 30, 0, true);
  Run();
  EXPECT_EQ(started, 1);
  InjectMouseMove(c.x + 150, c.y + 120);
  InjectMouseMove(c.x + 200, c.y + 150);
  Run();
  EXPECT_EQ(GetCursor(), CursorHandle(crHandPoint));
  accept = false;
  InjectMouseMove(c.x + 210, c.y + 160);
  Run();
  EXPECT_EQ(GetCursor(), CursorHandle(crNoDrop));
  InjectMouseButton(c.x + 210, c.y + 160, 0, false);
  Run();
  EXPECT_EQ(started, 1);
}

}  // namespace
