// Track bar, up-down, tab control, date-time picker, tool bar, shape and image.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/comctrls_misc.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/extctrls2.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/win/gdi_user.h"

namespace {

const bool kHeadless = (setenv("ORVANTA_DISPLAY", "headless", 1), true);

void Key(UINT vk) {
  InjectKey(vk, true);
  InjectKey(vk, false);
}

void Press(TControl* c, int x, int y, bool down) {
  POINT s = c->ClientToScreen(POINT{x, y});
  InjectMouseButton(s.x, s.y, 0, down);
}

void Click(TControl* c, int x, int y) {
  Press(c, x, y, true);
  Press(c, x, y, false);
}

// Pixel of a window's rendering (window coordinates).
class Shot {
public:
  explicit Shot(HWND w) : FBitmap(RenderWindowToBitmap(w)), FDC(CreateCompatibleDC(nullptr)) {
    FOld = SelectObject(FDC, FBitmap);
  }
  ~Shot() {
    SelectObject(FDC, FOld);
    DeleteDC(FDC);
    DeleteObject(FBitmap);
  }
  COLORREF At(int x, int y) const { return GetPixel(FDC, x, y); }

private:
  HBITMAP FBitmap;
  HDC FDC;
  HGDIOBJ FOld;
};

class MiscTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 500, 400);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  void Run() { Application()->ProcessMessages(); }
  TForm* Form = nullptr;
};

}  // namespace

TEST_F(MiscTest, TrackBarMovesByKeysClicksAndDraggingWithinItsRange) {
  auto* tb = new TTrackBar(Form);
  tb->SetParent(Form);
  tb->SetBounds(10, 10, 216, 45);
  tb->SetMax(20);
  tb->SetFrequency(5);
  int changes = 0;
  tb->OnChange = [&](TObject*) { ++changes; };
  Form->Show();
  tb->SetFocus();
  struct Step { UINT key; int pos; };
  for (const Step& s : {Step{VK_RIGHT, 1}, Step{VK_NEXT, 3}, Step{VK_END, 20}, Step{VK_RIGHT, 20},
                        Step{VK_PRIOR, 18}, Step{VK_HOME, 0}, Step{VK_LEFT, 0}}) {
    Key(s.key);
    Run();
    EXPECT_EQ(tb->Position(), s.pos) << "key " << s.key;
  }
  EXPECT_EQ(changes, 5);  // no change at the ends
  // A click in the channel pages towards the click; dragging the thumb follows the mouse.
  RECT ch = tb->ChannelRect();
  Click(tb, ch.right - 2, (ch.top + ch.bottom) / 2);
  Run();
  EXPECT_EQ(tb->Position(), 2);
  RECT th = tb->ThumbRect();
  POINT mid{(th.left + th.right) / 2, (th.top + th.bottom) / 2};
  Press(tb, mid.x, mid.y, true);
  POINT to = tb->ClientToScreen(POINT{(ch.left + ch.right) / 2, mid.y});
  InjectMouseMove(to.x, to.y);
  Run();
  Press(tb, (ch.left + ch.right) / 2, mid.y, false);
  Run();
  EXPECT_EQ(tb->Position(), 10);
  // Geometry as the skinning engine asks for it.
  EXPECT_EQ(SendMessage(tb->Handle(), TBM_GETNUMTICS, 0, 0), 5);  // 0, 5, 10, 15, 20
  EXPECT_EQ(SendMessage(tb->Handle(), TBM_GETTICPOS, 1, 0), (ch.left + ch.right - 1) / 2);
  RECT got{};
  SendMessage(tb->Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&got));
  EXPECT_TRUE(EqualRect(&got, &th) == FALSE);  // moved since
  EXPECT_LT(got.left, (ch.left + ch.right) / 2);
  EXPECT_GT(got.right, (ch.left + ch.right) / 2);
  SendMessage(tb->Handle(), TBM_SETPOS, TRUE, 30);
  EXPECT_EQ(tb->Position(), 20);
  tb->SetMin(25);
  EXPECT_EQ(tb->Min(), 25);
  EXPECT_EQ(tb->Max(), 25);
  EXPECT_EQ(tb->Position(), 25);
}

TEST_F(MiscTest, UpDownStepsItsAssociateAndWrapsOrStopsAtTheEnds) {
  auto* ed = new TEdit(Form);
  ed->SetParent(Form);
  ed->SetBounds(10, 10, 80, 21);
  auto* ud = new TUpDown(Form);
  ud->SetParent(Form);
  ud->SetMin(0);
  ud->SetMax(1500);
  ud->SetIncrement(500);
  ud->SetAssociate(ed);
  EXPECT_EQ(ud->Left(), 90);
  EXPECT_EQ(ud->Height(), 21);
  EXPECT_EQ(ed->Text(), "0");
  std::vector<int> clicks;
  ud->OnClick = [&](TObject*, TUDBtnType b) { clicks.push_back(b); };
  Form->Show();
  Click(ud, 5, 3);  // upper half: next
  Click(ud, 5, 3);
  Run();
  EXPECT_EQ(ud->Position(), 1000);
  EXPECT_EQ(ed->Text(), std::string("1") + FormatSettings.ThousandSeparator + "000");
  Click(ud, 5, 3);
  Click(ud, 5, 3);
  Run();
  EXPECT_EQ(ud->Position(), 1500);  // stops at Max
  ud->SetWrap(true);
  ud->Step(btNext);
  EXPECT_EQ(ud->Position(), 0);
  Click(ud, 5, 18);  // lower half: previous, wrapping to Max
  Run();
  EXPECT_EQ(ud->Position(), 1500);
  ud->OnChanging = [](TObject*, bool& allow) { allow = false; };
  ud->Step(btPrev);
  EXPECT_EQ(ud->Position(), 1500);
  EXPECT_EQ(clicks, (std::vector<int>{btNext, btNext, btNext, btNext, btNext, btPrev}));
  char cls[64];
  GetClassName(ud->Handle(), cls, sizeof cls);
  EXPECT_STREQ(cls, "msctls_updown32");
  delete ed;
  EXPECT_EQ(ud->Associate(), nullptr);
}

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
  Click(tc, r.left + 3, r.top + 3);
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
  dp->SetKind(dtkTime);
  dp->SetTime(EncodeTime(23, 59, 0, 0));
  EXPECT_EQ(dp->DisplayText(), TimeToStr(EncodeTime(23, 59, 0, 0)));
}

TEST_F(MiscTest, ToolBarLaysOutButtonsGroupsChecksAndRunsMenuItems) {
  auto* bar = new TToolBar(Form);
  bar->SetParent(Form);
  bar->SetButtonWidth(30);
  auto add = [&](TToolButtonStyle style, bool grouped) {
    auto* b = new TToolButton(Form);
    b->SetParent(bar);
    b->SetStyle(style);
    b->SetGrouped(grouped);
    return b;
  };
  TToolButton* plain = add(tbsButton, false);
  TToolButton* sep = add(tbsSeparator, false);
  TToolButton* g1 = add(tbsCheck, true);
  TToolButton* g2 = add(tbsCheck, true);
  auto* item = new TMenuItem(Form);
  item->SetCaption("File");
  int ran = 0;
  item->OnClick = [&](TObject*) { ++ran; };
  TToolButton* menu = add(tbsButton, false);
  menu->SetMenuItem(item);
  EXPECT_EQ(bar->ButtonCount(), 5);
  EXPECT_EQ(plain->Left(), 0);
  EXPECT_EQ(sep->Left(), 30);
  EXPECT_EQ(g1->Left(), 38);
  EXPECT_EQ(g2->Left(), 68);
  EXPECT_EQ(menu->Left(), 98);
  EXPECT_EQ(menu->Caption(), "File");
  EXPECT_EQ(bar->Top(), 0);
  EXPECT_EQ(bar->Width(), Form->ClientWidth());  // aligned to the top
  Form->Show();
  Click(g1, 5, 5);
  Run();
  EXPECT_TRUE(g1->Down());
  Click(g2, 5, 5);
  Run();
  EXPECT_TRUE(g2->Down());
  EXPECT_FALSE(g1->Down());
  Click(g2, 5, 5);  // the last one of a group without AllowAllUp stays down
  Run();
  EXPECT_TRUE(g2->Down());
  Click(menu, 5, 5);
  Run();
  EXPECT_EQ(ran, 1);
  // Style flags through the messages the skinners send.
  HWND w = bar->Handle();
  EXPECT_EQ(SendMessage(w, TB_GETSTYLE, 0, 0) & TBSTYLE_FLAT, 0);
  SendMessage(w, TB_SETSTYLE, 0, SendMessage(w, TB_GETSTYLE, 0, 0) | TBSTYLE_FLAT | TBSTYLE_LIST);
  EXPECT_TRUE(bar->Flat());
  EXPECT_TRUE(bar->List());
  char cls[64];
  GetClassName(w, cls, sizeof cls);
  EXPECT_STREQ(cls, "ToolbarWindow32");
  delete g1;
  EXPECT_EQ(bar->ButtonCount(), 4);
  EXPECT_EQ(g2->Left(), 38);
}

TEST_F(MiscTest, ToolBarCustomDrawReplacesTheDefaultPainting) {
  auto* bar = new TToolBar(Form);
  bar->SetParent(Form);
  auto* b = new TToolButton(Form);
  b->SetParent(bar);
  std::vector<TToolButton*> drawn;
  bar->OnCustomDraw = [&](TToolBar* s, const RECT& r, bool& def) {
    s->Canvas()->Brush()->SetColor(clRed);
    s->Canvas()->FillRect(r);
    def = false;
  };
  bar->OnCustomDrawButton = [&](TToolBar*, TToolButton* btn, TCustomDrawState, bool& def) {
    drawn.push_back(btn);
    def = true;
  };
  Form->Show();
  UpdateAllWindows();
  EXPECT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.front(), b);
  Shot s(bar->Handle());
  EXPECT_EQ(s.At(bar->Width() - 3, 3), RGB(255, 0, 0));
}

TEST_F(MiscTest, ShapeAndImagePaintWhatTheyHold) {
  auto* sh = new TShape(Form);
  sh->SetParent(Form);
  sh->SetBounds(10, 10, 60, 40);
  sh->SetShape(stCircle);
  sh->Brush()->SetColor(clBlue);
  sh->Pen()->SetColor(clRed);
  auto* im = new TImage(Form);
  im->SetParent(Form);
  im->SetBounds(100, 10, 80, 80);
  TBitmap* bmp = im->Picture()->Bitmap();
  bmp->SetWidth(20);
  bmp->SetHeight(10);
  bmp->Canvas()->Brush()->SetColor(clLime);
  bmp->Canvas()->FillRect(RECT{0, 0, 20, 10});
  im->SetCenter(true);
  struct Case { bool stretch, proportional; RECT dest; };
  for (const Case& c : {Case{false, false, {30, 35, 50, 45}}, Case{true, false, {0, 0, 80, 80}},
                        Case{true, true, {0, 20, 80, 60}}}) {
    im->SetStretch(c.stretch);
    im->SetProportional(c.proportional);
    RECT d = im->DestRect();
    EXPECT_TRUE(EqualRect(&d, &c.dest)) << d.left << "," << d.top << "," << d.right << "," << d.bottom;
  }
  Form->Show();
  UpdateAllWindows();
  Shot s(Form->Handle());
  POINT o = Form->ClientToScreen(POINT{0, 0});
  RECT wr;
  GetWindowRect(Form->Handle(), &wr);
  int ox = o.x - wr.left, oy = o.y - wr.top;
  EXPECT_EQ(s.At(ox + 40, oy + 30), RGB(0, 0, 255));    // inside the circle
  EXPECT_EQ(s.At(ox + 40, oy + 10), RGB(255, 0, 0));    // the pen at the top of the circle
  EXPECT_NE(s.At(ox + 21, oy + 11), RGB(0, 0, 255));    // outside the circle (left of the square)
  EXPECT_EQ(s.At(ox + 140, oy + 50), RGB(0, 255, 0));   // image, stretched in proportion
  EXPECT_NE(s.At(ox + 140, oy + 25), RGB(0, 255, 0));   // above the picture
  im->SetAutoSize(true);
  EXPECT_EQ(im->Width(), 20);
  EXPECT_EQ(im->Height(), 10);
  SetEnumProp(sh, "Shape", "stRoundRect");
  EXPECT_EQ(sh->Shape(), stRoundRect);
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
  Click(sb, b / 2, 8);  // left arrow at the start: stays
  Click(sb, 217 - b / 2, 8);
  Click(sb, 200 - b, 8);  // track right of the thumb
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
