// Window manager: the caret drawn and blinked by the window manager, and restored exactly when it
// moves, hides, goes, or its window paints.
#include <cstring>

#include "tests/platform/win/wnd_test_util.h"

namespace {

COLORREF ClientPixel(HWND w, int x, int y) {
  HDC dc = GetDCEx(w, nullptr, DCX_LOCKWINDOWUPDATE);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(w, dc);
  return c;
}

COLORREF Inverted(COLORREF c) { return c ^ 0x00FFFFFFu; }

// A pattern of distinct colours under the caret, so an inexact restore shows.
COLORREF PatternAt(int x, int y) { return RGB(x * 13 % 256, y * 29 % 256, (x + y) * 7 % 256); }

void DrawPattern(HWND w) {
  HDC dc = GetDC(w);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) SetPixel(dc, x, y, PatternAt(x, y));
  ReleaseDC(w, dc);
}

// Counts the pixels of the rectangle that differ from the pattern.
int Changed(HWND w, RECT r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += ClientPixel(w, x, y) != PatternAt(x, y);
  return n;
}

class CaretTest : public WndTest {
protected:
  void TearDown() override {
    DestroyCaret();
    SetCaretBlinkTime(530);
    WndTest::TearDown();
  }
  HWND Painted() {
    HWND w = Top(0, 0, 100, 100, WS_POPUP | WS_VISIBLE);
    Pump();
    DrawPattern(w);
    return w;
  }
};

}  // namespace

TEST_F(CaretTest, ShownCaretBlinksWithTheBlinkTime) {
  HWND w = Painted();
  EXPECT_EQ(GetCaretBlinkTime(), 530u);
  ASSERT_TRUE(CreateCaret(w, nullptr, 2, 10));
  SetCaretPos(5, 4);
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 0);  // made hidden
  ASSERT_TRUE(ShowCaret(w));
  EXPECT_EQ(ClientPixel(w, 5, 4), Inverted(PatternAt(5, 4)));  // shown at once
  EXPECT_EQ(ClientPixel(w, 6, 13), Inverted(PatternAt(6, 13)));
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 20);
  Pump();
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 20);  // not yet time
  AdvanceMessageClock(530);
  Pump();
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 0);
  AdvanceMessageClock(530);
  Pump();
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 20);

  ASSERT_TRUE(SetCaretBlinkTime(2000));
  EXPECT_EQ(GetCaretBlinkTime(), 2000u);
  AdvanceMessageClock(1000);
  Pump();
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 20);  // the longer period holds
  AdvanceMessageClock(1000);
  Pump();
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 0);
  EXPECT_FALSE(SetCaretBlinkTime(0));
}

TEST_F(CaretTest, SteadyCaretWithInfiniteBlinkTimeAndHiddenCaretDoesNotBlink) {
  HWND w = Painted();
  ASSERT_TRUE(CreateCaret(w, nullptr, 1, 5));
  ShowCaret(w);
  ASSERT_TRUE(SetCaretBlinkTime(0xFFFFFFFFu));
  AdvanceMessageClock(5000);
  Pump();
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 5);
  SetCaretBlinkTime(530);
  HideCaret(w);
  HideCaret(w);  // hides nest
  AdvanceMessageClock(600);
  Pump();
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 0);
  ShowCaret(w);
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 0);  // still hidden once
  ShowCaret(w);
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 5);
}

TEST_F(CaretTest, MovingHidingAndDestroyingRestoreThePixelsExactly) {
  HWND w = Painted();
  ASSERT_TRUE(CreateCaret(w, nullptr, 3, 7));
  ShowCaret(w);
  SetCaretPos(20, 20);
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 21);
  EXPECT_EQ(Changed(w, {20, 20, 23, 27}), 21);  // only at the new place
  POINT p;
  ASSERT_TRUE(GetCaretPos(&p));
  EXPECT_EQ(p, (POINT{20, 20}));
  // Moving during the "off" half of a blink shows it at once at the new place.
  AdvanceMessageClock(530);
  Pump();
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 0);
  SetCaretPos(1, 2);
  EXPECT_EQ(Changed(w, {1, 2, 4, 9}), 21);
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 21);
  HideCaret(w);
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 0);
  ShowCaret(w);
  EXPECT_TRUE(DestroyCaret());
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 0);
  EXPECT_FALSE(GetCaretPos(&p));
}

TEST_F(CaretTest, NewCaretTakesTheOldOneOffAndDestroyedWindowTakesItsCaret) {
  HWND w = Painted();
  HWND other = Top(200, 0, 50, 50, WS_POPUP | WS_VISIBLE);
  Pump();
  ASSERT_TRUE(CreateCaret(w, nullptr, 2, 2));
  ShowCaret(w);
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 4);
  ASSERT_TRUE(CreateCaret(other, nullptr, 2, 2));
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 0);
  EXPECT_FALSE(ShowCaret(w));  // no longer its caret
  DestroyWindow(other);
  POINT p;
  EXPECT_FALSE(GetCaretPos(&p));
  EXPECT_FALSE(DestroyCaret());
}

TEST_F(CaretTest, PaintingTakesTheCaretOffAndPutsItBackOverTheNewPicture) {
  HWND w = Painted();
  ASSERT_TRUE(CreateCaret(w, nullptr, 2, 6));
  SetCaretPos(10, 10);
  ShowCaret(w);
  COLORREF seenDuringPaint = 0;
  Handlers()[w] = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    seenDuringPaint = ClientPixel(h, 10, 10);
    RECT r{0, 0, 30, 30};
    HBRUSH b = CreateSolidBrush(RGB(0, 128, 255));
    FillRect(dc, &r, b);
    DeleteObject(b);
    EndPaint(h, &ps);
    return true;
  };
  RECT part{8, 8, 12, 12};
  InvalidateRect(w, &part, FALSE);
  Pump();
  EXPECT_EQ(seenDuringPaint, PatternAt(10, 10));  // off while painting
  EXPECT_EQ(ClientPixel(w, 8, 8), RGB(0, 128, 255));
  EXPECT_EQ(ClientPixel(w, 10, 10), Inverted(RGB(0, 128, 255)));   // back over the new colour
  EXPECT_EQ(ClientPixel(w, 11, 15), Inverted(PatternAt(11, 15)));  // outside the painted part
  HideCaret(w);
  EXPECT_EQ(ClientPixel(w, 10, 10), RGB(0, 128, 255));
  EXPECT_EQ(ClientPixel(w, 11, 15), PatternAt(11, 15));
}

TEST_F(CaretTest, BitmapCaretIsXoredWithItsSize) {
  HWND w = Painted();
  uint32_t* bits = nullptr;
  HBITMAP bm = NewDib32(3, 2, &bits);
  ASSERT_TRUE(bm);
  const uint32_t px[6] = {0x00FF0000, 0, 0x000000FF, 0x0000FF00, 0x00FFFFFF, 0};
  std::memcpy(bits, px, sizeof px);
  ASSERT_TRUE(CreateCaret(w, bm, 0, 0));  // the bitmap gives the size
  SetCaretPos(4, 4);
  ShowCaret(w);
  EXPECT_EQ(ClientPixel(w, 4, 4), PatternAt(4, 4) ^ RGB(0xFF, 0, 0));
  EXPECT_EQ(ClientPixel(w, 5, 4), PatternAt(5, 4));  // black bitmap pixels leave the screen alone
  EXPECT_EQ(ClientPixel(w, 6, 4), PatternAt(6, 4) ^ RGB(0, 0, 0xFF));
  EXPECT_EQ(ClientPixel(w, 5, 5), Inverted(PatternAt(5, 5)));
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 4);
  DestroyCaret();
  EXPECT_EQ(Changed(w, {0, 0, 40, 40}), 0);
  DeleteObject(bm);
}

TEST_F(CaretTest, ScrollingMovesThePictureButNotTheCaret) {
  HWND w = Painted();
  ASSERT_TRUE(CreateCaret(w, nullptr, 1, 4));
  SetCaretPos(10, 10);
  ShowCaret(w);
  ScrollWindowEx(w, 5, 0, nullptr, nullptr, nullptr, nullptr, 0);
  // The picture moved right by 5; the caret stays inverted at its place over the moved pixels.
  EXPECT_EQ(ClientPixel(w, 15, 10), PatternAt(10, 10));
  EXPECT_EQ(ClientPixel(w, 10, 10), Inverted(PatternAt(5, 10)));
  HideCaret(w);
  EXPECT_EQ(ClientPixel(w, 10, 10), PatternAt(5, 10));
}

TEST_F(CaretTest, CaretOfAChildIsDrawnAtItsPlaceInTheTopLevelWindow) {
  HWND top = Top(0, 0, 120, 120, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, 30, 40, 50, 50);
  Pump();
  ASSERT_TRUE(CreateCaret(child, nullptr, 2, 3));
  SetCaretPos(5, 6);
  ShowCaret(child);
  const COLORREF bg = GetSysColor(COLOR_WINDOW);
  HBITMAP bm = RenderWindowToBitmap(top);
  EXPECT_EQ(PixelOf(bm, 35, 46), Inverted(bg));
  EXPECT_EQ(PixelOf(bm, 36, 48), Inverted(bg));
  EXPECT_EQ(PixelOf(bm, 37, 46), bg);
  EXPECT_EQ(PixelOf(bm, 5, 6), bg);  // not at the same place in the parent
  DeleteObject(bm);
  HideCaret(child);
  bm = RenderWindowToBitmap(top);
  EXPECT_EQ(PixelOf(bm, 35, 46), bg);
  DeleteObject(bm);
}
