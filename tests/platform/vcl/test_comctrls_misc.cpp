// Tab control, date-time picker, scroll bar.
#include <gtest/gtest.h>

#include "tests/platform/vcl/formtest.h"

#include <cstdlib>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/comctrls_misc.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/extctrls2.h"
#include "platform/vcl/forms.h"
#include "platform/win/gdi_user.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

void Press(TControl* c, int x, int y, bool down) {
  POINT s = c->ClientToScreen(POINT{x, y});
  InjectMouseButton(s.x, s.y, 0, down);
}

void MiscClick(TControl* c, int x, int y) {
  Press(c, x, y, true);
  Press(c, x, y, false);
}

class MiscTest : public FormTestBase {};

}  // namespace

TEST_F(MiscTest, TabControlChangesByClickAndKeysAndAnswersTabMessages) {
  auto* tc = new TTabControl(Form);
  tc->SetParent(Form);
  tc->SetBounds(10, 10, 300, 200);
  for (const char* s : {"One", "Two", "Three"}) tc->Tabs()->Add(s);
  EXPECT_EQ(tc->TabIndex(), 0);
  std::vector<int> changes;
  bool allow = true;
  tc->OnChanging = [&](TObject*, bool& a) { a = allow; };
  tc->OnChange = [&](TObject*) { changes.push_back(tc->TabIndex()); };
  Form->Show();
  RECT r = tc->TabRect(2);
  MiscClick(tc, r.left + 3, r.top + 3);
  Run();
  Key(VK_LEFT);
  Run();
  allow = false;
  Key(VK_LEFT);
  Run();
  EXPECT_EQ(changes, (std::vector<int>{2, 1}));
  EXPECT_EQ(tc->TabIndex(), 1);
  HWND w = tc->Handle();
  EXPECT_EQ(SendMessage(w, TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessage(w, TCM_GETCURSEL, 0, 0), 1);
  char buf[4];
  TCITEMA item;
  item.mask = TCIF_TEXT;
  item.pszText = buf;
  item.cchTextMax = sizeof buf;
  EXPECT_TRUE(SendMessage(w, TCM_GETITEMA, 2, reinterpret_cast<LPARAM>(&item)));
  EXPECT_STREQ(buf, "Thr");  // cut to the buffer
  EXPECT_FALSE(SendMessage(w, TCM_GETITEMA, 3, reinterpret_cast<LPARAM>(&item)));
  RECT got{};
  EXPECT_TRUE(SendMessage(w, TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&got)));
  EXPECT_TRUE(EqualRect(&got, &r));
  SendMessage(w, TCM_SETITEMSIZE, 0, MAKELPARAM(80, 30));
  EXPECT_EQ(tc->TabRect(1).right - tc->TabRect(1).left, 80);
  RECT d = tc->DisplayRect(), back = d;
  SendMessage(w, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&back));
  SendMessage(w, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&back));
  EXPECT_TRUE(EqualRect(&back, &d));
  // Children are placed in the display area.
  auto* p = new TPanel(Form);
  p->SetParent(tc);
  p->SetAlign(alClient);
  EXPECT_EQ(p->Top(), d.top);
}

TEST_F(MiscTest, DateTimePickerStepsAndTypesFieldsWithinItsLimits) {
  auto* dp = new TDateTimePicker(Form);
  dp->SetParent(Form);
  dp->SetDateTime(EncodeDate(2024, 1, 31) + EncodeTime(10, 30, 0, 0));
  int changes = 0;
  dp->OnChange = [&](TObject*) { ++changes; };
  Form->Show();
  dp->SetFocus();
  Key(VK_RIGHT);  // month
  Key(VK_UP);
  Run();
  EXPECT_EQ(dp->Date(), EncodeDate(2024, 2, 29));  // clipped to the month's end
  EXPECT_NEAR(dp->Time(), EncodeTime(10, 30, 0, 0), 1e-9);
  Key(VK_RIGHT);  // year
  for (const char* c : {"2", "0", "2", "5"}) InjectText(c);
  Run();
  EXPECT_EQ(dp->Date(), EncodeDate(2025, 2, 28));
  dp->SetMaxDate(EncodeDate(2025, 3, 1));
  Key(VK_LEFT);  // month
  Key(VK_UP);
  Key(VK_UP);
  Run();
  EXPECT_EQ(dp->DateTime(), EncodeDate(2025, 3, 1));
  EXPECT_EQ(changes, 3);
  dp->SetMaxDate(0);
  // Dates in combo-box mode have no spin window; times (and up-down mode) have one that steps.
  HWND spin = dp->SpinHandle();
  ASSERT_TRUE(IsWindow(spin));
  char cls[32];
  GetClassName(spin, cls, sizeof cls);
  EXPECT_STREQ(cls, "msctls_updown32");
  EXPECT_FALSE(IsWindowVisible(spin));
  dp->SetKind(dtkTime);
  EXPECT_TRUE(IsWindowVisible(spin));
  dp->SetTime(EncodeTime(23, 59, 0, 0));
  EXPECT_EQ(dp->DisplayText(), TimeToStr(EncodeTime(23, 59, 0, 0)));
  SendMessage(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 2));  // upper half: next hour
  SendMessage(spin, WM_LBUTTONUP, 0, MAKELPARAM(5, 2));
  EXPECT_EQ(dp->DateTime(), EncodeDate(2025, 3, 2) + EncodeTime(0, 59, 0, 0));
  RECT sr;
  GetClientRect(spin, &sr);
  SendMessage(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, sr.bottom - 2));
  EXPECT_EQ(dp->DateTime(), EncodeDate(2025, 3, 1) + EncodeTime(23, 59, 0, 0));
  dp->SetKind(dtkDate);
  dp->SetDateMode(dmUpDown);
  EXPECT_TRUE(IsWindowVisible(spin));
}

TEST_F(MiscTest, ScrollBarStepsPagesDragsAndAnswersScrollMessages) {
  auto* sb = new TScrollBar(Form);
  sb->SetParent(Form);
  sb->SetBounds(10, 10, 217, 17);
  sb->SetPageSize(10);  // positions 0..91
  sb->SetLargeChange(10);
  std::vector<int> codes;
  sb->OnScroll = [&](TObject*, TScrollCode code, int& pos) {
    codes.push_back(code);
    if (code == scPageDown) pos += 1;  // the handler may change where it goes
  };
  Form->Show();
  int b = sb->ButtonSize();
  MiscClick(sb, b / 2, 8);  // left arrow at the start: stays
  MiscClick(sb, 217 - b / 2, 8);
  MiscClick(sb, 200 - b, 8);  // track right of the thumb
  Application()->ProcessMessages();
  EXPECT_EQ(sb->Position(), 12);
  EXPECT_EQ(codes, (std::vector<int>{scLineUp, scLineDown, scPageDown}));
  RECT t = sb->ThumbRect();
  int grab = (t.left + t.right) / 2;
  Press(sb, grab, 8, true);
  POINT to = sb->ClientToScreen(POINT{grab + 400, 8});
  InjectMouseMove(to.x, to.y);
  Application()->ProcessMessages();
  Press(sb, grab + 400, 8, false);
  Application()->ProcessMessages();
  EXPECT_EQ(sb->Position(), 91);  // the page stays inside the range
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  EXPECT_TRUE(SendMessage(sb->Handle(), SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&si)));
  EXPECT_EQ(si.nMax, 100);
  EXPECT_EQ(si.nPage, 10u);
  EXPECT_EQ(si.nPos, 91);
  si.fMask = SIF_RANGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 20;
  si.nPos = 5;
  SendMessage(sb->Handle(), SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
  EXPECT_EQ(sb->Max(), 20);
  EXPECT_EQ(sb->Position(), 5);
  sb->SetKind(sbVertical);
  EXPECT_EQ(sb->Width(), 17);
  EXPECT_EQ(sb->Height(), 217);
}
