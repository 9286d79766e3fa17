// Track bar ticks: which values have one (automatic, manual, none), what the TBM_* tick messages
// answer, and where the marks are drawn.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/vcl/comctrls.h"
#include "tests/platform/vcl/formtest.h"
#include "tests/platform/vcl/painttest.h"

namespace {

class TrackBarTicks : public FormTestBase {
protected:
  TTrackBar* Make(int Min, int Max) {
    auto* t = new TTrackBar(Form);
    t->SetParent(Form);
    t->SetBounds(10, 10, 220, 45);
    t->SetMax(Max);
    t->SetMin(Min);
    return t;
  }
  static std::vector<int> TicksByMessage(TTrackBar* t) {
    std::vector<int> v;
    int n = static_cast<int>(SendMessage(t->Handle(), TBM_GETNUMTICS, 0, 0));
    for (int i = 0; i + 2 < n; ++i) v.push_back(static_cast<int>(SendMessage(t->Handle(), TBM_GETTIC, i, 0)));
    return v;
  }
};

// Paints the bar into a white bitmap and returns, for each client x (y when vertical), whether a
// dark pixel lies in the band [from, to) across the channel.
std::vector<bool> DarkColumns(TTrackBar* t, int from, int to, bool vertical) {
  TPaintShot shot(t->Handle());
  int len = vertical ? shot.Height() : shot.Width();
  std::vector<bool> dark(static_cast<size_t>(len), false);
  for (int a = 0; a < len; ++a)
    for (int b = from; b < to; ++b) {
      COLORREF p = vertical ? shot.At(b, a) : shot.At(a, b);
      if (GetRValue(p) < 80 && GetGValue(p) < 80 && GetBValue(p) < 80) dark[static_cast<size_t>(a)] = true;
    }
  return dark;
}

}  // namespace

TEST_F(TrackBarTicks, TickValuesFollowStyleFrequencyAndManualTicks) {
  struct TCase {
    const char* Name;
    TTickStyle Style;
    int Min, Max, Frequency;
    std::vector<int> Manual;
    std::vector<int> Expected;  // the ticks between the ends
    int NumTics;
  };
  const TCase cases[] = {
      {"auto, every value", tsAuto, 0, 5, 1, {}, {1, 2, 3, 4}, 6},
      {"auto, every third", tsAuto, 0, 10, 3, {}, {3, 6, 9}, 5},
      {"auto from a negative minimum", tsAuto, -4, 4, 4, {}, {0}, 3},
      {"auto plus manual, merged and sorted", tsAuto, 0, 10, 5, {7, 5, 2}, {2, 5, 7}, 5},
      {"manual only", tsManual, 0, 100, 10, {40, 10}, {10, 40}, 4},
      {"manual at the ends or outside is ignored", tsManual, 0, 10, 1, {0, 10, 11, -1}, {}, 2},
      {"none", tsNone, 0, 10, 1, {}, {}, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTrackBar* t = Make(c.Min, c.Max);
    t->SetTickStyle(c.Style);
    t->SetFrequency(c.Frequency);
    for (int v : c.Manual) t->SetTick(v);
    EXPECT_EQ(t->TickValues(), c.Expected);
    EXPECT_EQ(SendMessage(t->Handle(), TBM_GETNUMTICS, 0, 0), c.NumTics);
    if (c.NumTics) {
      EXPECT_EQ(TicksByMessage(t), c.Expected);
    }
    auto* p = reinterpret_cast<const int*>(SendMessage(t->Handle(), TBM_GETPTICS, 0, 0));
    if (c.Expected.empty()) {
      EXPECT_EQ(p, nullptr);
    } else {
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(std::vector<int>(p, p + c.Expected.size()), c.Expected);
    }
    EXPECT_EQ(SendMessage(t->Handle(), TBM_GETTIC, c.Expected.size(), 0), -1);
    EXPECT_EQ(SendMessage(t->Handle(), TBM_GETTICPOS, c.Expected.size(), 0), -1);
    delete t;
  }
}

TEST_F(TrackBarTicks, MessagesSetAndClearTicksAndTheFrequency) {
  TTrackBar* t = Make(0, 20);
  t->SetTickStyle(tsManual);
  HWND h = t->Handle();
  EXPECT_TRUE(SendMessage(h, TBM_SETTIC, 0, 5));
  EXPECT_TRUE(SendMessage(h, TBM_SETTIC, 0, 15));
  EXPECT_FALSE(SendMessage(h, TBM_SETTIC, 0, 20));   // the end has its own tick
  EXPECT_FALSE(SendMessage(h, TBM_SETTIC, 0, 25));   // outside the range
  EXPECT_EQ(TicksByMessage(t), (std::vector<int>{5, 15}));
  SendMessage(h, TBM_CLEARTICS, TRUE, 0);
  EXPECT_EQ(SendMessage(h, TBM_GETNUMTICS, 0, 0), 2);
  // The frequency message drives the automatic ticks.
  t->SetTickStyle(tsAuto);
  SendMessage(h, TBM_SETTICFREQ, 10, 0);
  EXPECT_EQ(t->Frequency(), 10);
  EXPECT_EQ(TicksByMessage(t), (std::vector<int>{10}));
  // Narrowing the range drops the ticks that fall outside it.
  t->SetTickStyle(tsManual);
  t->SetTick(12);
  t->SetTick(3);
  t->SetMax(10);
  EXPECT_EQ(t->TickValues(), (std::vector<int>{3}));
  // The window style tells other code the tick style and the sides.
  t->SetTickMarks(tmBoth);
  DWORD st = static_cast<DWORD>(GetWindowLongPtr(h, GWL_STYLE));
  EXPECT_TRUE(st & TBS_BOTH);
  EXPECT_FALSE(st & TBS_AUTOTICKS);
  t->SetTickStyle(tsNone);
  EXPECT_TRUE(static_cast<DWORD>(GetWindowLongPtr(h, GWL_STYLE)) & TBS_NOTICKS);
}

TEST_F(TrackBarTicks, MarksAreDrawnAtTheTickPositionsOnTheChosenSides) {
  struct TCase {
    const char* Name;
    TTrackBarOrientation Orientation;
    TTickMark Marks;
    TTickStyle Style;
    bool Before, After;  // marks expected above/left and below/right of the channel
  };
  const TCase cases[] = {
      {"bottom", trHorizontal, tmBottomRight, tsAuto, false, true},
      {"top", trHorizontal, tmTopLeft, tsAuto, true, false},
      {"both", trHorizontal, tmBoth, tsAuto, true, true},
      {"none", trHorizontal, tmBoth, tsNone, false, false},
      {"right (vertical)", trVertical, tmBottomRight, tsAuto, false, true},
      {"left (vertical)", trVertical, tmTopLeft, tsAuto, true, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTrackBar* t = Make(0, 4);
    bool vert = c.Orientation == trVertical;
    if (vert) t->SetBounds(10, 10, 45, 220);
    t->SetOrientation(c.Orientation);
    t->SetTickStyle(c.Style);
    t->SetTickMarks(c.Marks);
    t->SetPosition(4);  // the thumb sits on the last tick, out of the way of the others
    RECT ch;
    SendMessage(t->Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&ch));
    if (vert) ch = RECT{ch.top, ch.left, ch.bottom, ch.right};
    int lo = vert ? ch.left : ch.top, hi = vert ? ch.right : ch.bottom;
    std::vector<bool> before = DarkColumns(t, lo - 14, lo - 8, vert), after = DarkColumns(t, hi + 5, hi + 10, vert);
    std::vector<int> at{t->ValueToPixel(0)};
    for (int i = 0; i < 3; ++i) at.push_back(static_cast<int>(SendMessage(t->Handle(), TBM_GETTICPOS, i, 0)));
    if (c.Style == tsNone) at.resize(1);
    for (int p : at) {
      EXPECT_EQ(before[static_cast<size_t>(p)], c.Before) << "at " << p;
      EXPECT_EQ(after[static_cast<size_t>(p)], c.After) << "at " << p;
      // Between two ticks there is no mark.
      EXPECT_FALSE(before[static_cast<size_t>(p + 10)]);
      EXPECT_FALSE(after[static_cast<size_t>(p + 10)]);
    }
    delete t;
  }
}

TEST_F(TrackBarTicks, TheSelectedRangeShowsInTheChannel) {
  TTrackBar* t = Make(0, 10);
  t->SetTickStyle(tsNone);
  HWND h = t->Handle();
  SendMessage(h, TBM_SETSEL, TRUE, MAKELPARAM(2, 6));
  EXPECT_EQ(t->SelStart(), 2);
  EXPECT_EQ(SendMessage(h, TBM_GETSELEND, 0, 0), 6);
  EXPECT_TRUE(static_cast<DWORD>(GetWindowLongPtr(h, GWL_STYLE)) & TBS_ENABLESELRANGE);
  RECT ch;
  SendMessage(h, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&ch));
  int mid = (ch.top + ch.bottom) / 2;
  auto highlighted = [&](int x) { return TPaintShot(h).At(x, mid) == GetSysColor(COLOR_HIGHLIGHT); };
  t->SetPosition(10);  // the thumb out of the way
  EXPECT_TRUE(highlighted(t->ValueToPixel(4)));
  EXPECT_FALSE(highlighted(t->ValueToPixel(8)));
  EXPECT_FALSE(highlighted(t->ValueToPixel(1)));
  SendMessage(h, TBM_CLEARSEL, TRUE, 0);
  EXPECT_EQ(t->SelEnd(), 0);
  EXPECT_FALSE(highlighted(t->ValueToPixel(4)));
  t->SetSelStart(3);
  t->SetSelEnd(9);
  EXPECT_TRUE(highlighted(t->ValueToPixel(8)));
}
