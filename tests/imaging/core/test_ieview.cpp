// The abstract view: resolution, listeners, border and window parameters.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieview.h"
#include "platform/vcl/forms.h"

namespace {

class TTestView : public TIEView {
public:
  TIEBitmap Image{4, 4, ie24RGB};
  TIEBitmap* GetIEBitmap() override { return &Image; }
  TIEBitmap* GetAlphaChannel() override { return Image.GetAlphaChannel(); }
  bool HasAlphaChannel() override { return Image.HasAlphaChannel(); }
  void RemoveAlphaChannel(bool Merge) override { Image.RemoveAlphaChannel(Merge); }
  void LockPaint() override { ++Locks; }
  int UnlockPaint() override { return Locks = Locks > 0 ? Locks - 1 : 0; }
  int UnlockPaintNoRefresh() override { return UnlockPaint(); }
  int Locks = 0;
};

TEST(IEView, DpiZeroKeepsTheValue) {
  TTestView v;
  v.SetDpi(0, 300);
  EXPECT_EQ(v.DpiX(), 0);
  EXPECT_EQ(v.DpiY(), 300);
  v.SetDpi(72, 0);
  EXPECT_EQ(v.DpiX(), 72);
  EXPECT_EQ(v.DpiY(), 300);
}

TEST(IEView, ListenersHearChangesAndDestructionOnce) {
  std::vector<std::pair<int, int>> heard;  // (listener, event)
  auto* v = new TTestView;
  intptr_t h1 = 0;
  h1 = v->RegisterListener([&](TIEView* sender, int e) {
    EXPECT_EQ(sender, v);
    heard.push_back({1, e});
    if (e == 0) v->UnregisterListener(h1);  // unregisters itself while being called
  });
  v->RegisterListener([&](TIEView*, int e) { heard.push_back({2, e}); });
  v->CallListeners();
  v->CallListeners();
  delete v;
  const std::vector<std::pair<int, int>> expected = {{1, 0}, {2, 0}, {2, 0}, {2, 1}};
  EXPECT_EQ(heard, expected);
}

TEST(IEView, BorderStyleAndCreateParams) {
  TTestView v;
  EXPECT_EQ(v.Background(), static_cast<TColor>(0x8000000F)) << "clBtnFace";
  EXPECT_EQ(v.BorderStyle(), TIEBorderStyle::bsSingle);
  v.SetBorderStyle(TIEBorderStyle::bsSingle);
  EXPECT_EQ(v.RecreateCount(), 0) << "the same value does not recreate the window";
  TIECreateParams p;
  v.CreateParams(p);
  EXPECT_EQ(p.ExStyle & TIEView::WS_EX_CLIENTEDGE, TIEView::WS_EX_CLIENTEDGE);
  EXPECT_EQ(p.WindowClassStyle & (TIEView::CS_HREDRAW | TIEView::CS_VREDRAW), 0u);
  v.SetCtl3D(false);
  TIECreateParams flat;
  v.CreateParams(flat);
  EXPECT_EQ(flat.Style & TIEView::WS_BORDER, TIEView::WS_BORDER);
  v.SetBorderStyle(TIEBorderStyle::bsNone);
  EXPECT_EQ(v.RecreateCount(), 2);
  TIECreateParams none;
  v.CreateParams(none);
  EXPECT_EQ(none.Style & TIEView::WS_BORDER, 0u);
  EXPECT_EQ(none.ExStyle & TIEView::WS_EX_CLIENTEDGE, 0u);
}

TEST(IEView, MouseEnterAndLeaveEvents) {
  TTestView v;
  int enters = 0, leaves = 0;
  v.MouseEnter();  // no handler: nothing
  v.OnMouseEnter = [&](TObject* s) { enters += s == &v; };
  v.OnMouseLeave = [&](TObject*) { ++leaves; };
  v.MouseEnter();
  v.MouseLeave();
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(leaves, 1);
}

}  // namespace

namespace {

TEST(IEView, TheViewIsAWindowedControlWhoseWindowTakesTheBorder) {
  setenv("ORVANTA_DISPLAY", "headless", 1);
  TForm form(nullptr);
  auto* owned = new TTestView;
  TTestView& v = *owned;
  form.InsertComponent(owned);
  v.SetParent(&form);
  v.SetBounds(0, 0, 40, 30);
  HWND first = v.Handle();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetWindowLong(first, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, static_cast<LONG>(WS_EX_CLIENTEDGE));
  // A new border style makes the window anew, without the client edge.
  v.SetBorderStyle(TIEBorderStyle::bsNone);
  HWND second = v.Handle();
  EXPECT_EQ(GetWindowLong(second, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(GetWindowLong(second, GWL_STYLE) & WS_BORDER, 0);
}

}  // namespace
