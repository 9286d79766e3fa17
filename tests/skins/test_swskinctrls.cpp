// Control skinners of the form skin engine under the mouse and the keyboard: the tab and page
// controls, the scroll bar behind its painted panel (arrows, pages, thumb drag), the track bar
// and the up-down; the skin values labels, tool bars and list view headers take, and what each
// gives back when the skin goes.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "paneltest.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/comctrls_comboex.h"
#include "platform/vcl/comctrls_list.h"
#include "platform/vcl/comctrls_misc.h"
#include "platform/vcl/extctrls2.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/commctrl.h"
#include "skins/swskinctrls.h"
#include "skins/swskinengine.h"
#include "skins/swskinwindow.h"

namespace {

class SwSkinCtrlsTest : public PanelFormTest {
protected:
  void SetUp() override {
    PanelFormTest::SetUp();
    Form->SetColor(clBtnFace);
  }
  TswSkinEngine* Skin(const std::string& Name = "harbour") {
    auto* e = new TswSkinEngine(Form);
    e->SetSkinFile(SourceDir() + "/data/swskins/" + Name + ".ssk");
    EXPECT_TRUE(e->Ready());
    e->SetActive(true);
    e->SkinForm(Form);
    Run();
    return e;
  }
  TswSkinControl* SkinnerOf(TswSkinEngine* E, TControl* C) {
    TswSkinWindow* w = E->FindWindow(Form->Handle());
    return w ? w->SkinnerOf(C) : nullptr;
  }
  void Key(TWinControl* C, UINT Vk) {
    C->SetFocus();
    Run();
    InjectKey(Vk, true);
    Run();
    InjectKey(Vk, false);
    Run();
  }
  // Pixel (X, Y) of skin bitmap Number.
  static COLORREF SkinPixel(TswSkinEngine* E, int Number, int X, int Y) {
    TBitmap* b = E->SkinBitmap(Number);
    EXPECT_NE(b, nullptr);
    return b ? ColorToRGB(static_cast<TColor>(b->Canvas()->Pixels(X, Y))) : 0;
  }
};

}  // namespace

TEST_F(SwSkinCtrlsTest, TabControlPaintsTabsFromTheSkinAndFollowsMouseAndKeys) {
  auto* t = new TTabControl(Form);
  t->SetParent(Form);
  t->SetBounds(10, 10, 300, 150);
  for (const char* s : {"First", "Second", "Th&&ird"}) t->Tabs()->Add(s);
  t->SetTabIndex(0);
  TswSkinEngine* e = Skin();
  // Frame 1 (selected) of the tab strip starts at x 0, frame 2 at half its width.
  TBitmap* strip = e->SkinBitmap(29);
  ASSERT_NE(strip, nullptr);
  const int half = strip->Width() / 2;
  const COLORREF selected = SkinPixel(e, 29, half / 2, 0), other = SkinPixel(e, 29, half + half / 2, 0);
  ASSERT_NE(selected, other);
  auto top = [&](int I) {
    const RECT r = t->TabRect(I);
    return PixelOf(t, (r.left + r.right) / 2, r.top);
  };
  EXPECT_EQ(top(0), selected);
  EXPECT_EQ(top(1), other);
  EXPECT_EQ(top(2), other);
  // The page frame in the control border colour below the tab line, the rest in the form colour.
  RECT f = t->ClientRect();
  SendMessage(t->Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&f));
  InflateRect(&f, 2, 2);
  EXPECT_EQ(PixelOf(t, f.left, (f.top + f.bottom) / 2), ColorToRGB(e->SkinColor(22)));
  EXPECT_EQ(PixelOf(t, (f.left + f.right) / 2, (f.top + f.bottom) / 2), ColorToRGB(e->FormColor()));

  const RECT second = t->TabRect(1);
  ClickAt(t, (second.left + second.right) / 2, (second.top + second.bottom) / 2);
  EXPECT_EQ(t->TabIndex(), 1);
  EXPECT_EQ(top(0), other);
  EXPECT_EQ(top(1), selected);
  Key(t, VK_RIGHT);
  EXPECT_EQ(t->TabIndex(), 2);
  EXPECT_EQ(top(2), selected);
  Key(t, VK_LEFT);
  Key(t, VK_LEFT);
  EXPECT_EQ(t->TabIndex(), 0);
  EXPECT_EQ(top(0), selected);
  EXPECT_EQ(top(2), other);

  // Unskinned, the control paints itself again.
  e->UnskinHandle(Form->Handle());
  Run();
  EXPECT_NE(top(0), selected);
}

TEST_F(SwSkinCtrlsTest, PageControlTabsChangePagesWhileSkinned) {
  auto* pc = new TPageControl(Form);
  pc->SetParent(Form);
  pc->SetBounds(10, 10, 300, 160);
  for (const char* s : {"Photos", "Orders"}) {
    auto* page = new TTabSheet(Form);
    page->SetPageControl(pc);
    page->SetCaption(s);
  }
  pc->SetActivePageIndex(0);
  TswSkinEngine* e = Skin("prism");
  const int half = e->SkinBitmap(29)->Width() / 2;
  const COLORREF selected = SkinPixel(e, 29, half / 2, 0);
  const RECT r1 = pc->TabRect(1);
  EXPECT_NE(PixelOf(pc, (r1.left + r1.right) / 2, r1.top), selected);
  ClickAt(pc, (r1.left + r1.right) / 2, (r1.top + r1.bottom) / 2);
  EXPECT_EQ(pc->ActivePageIndex(), 1);
  EXPECT_EQ(PixelOf(pc, (r1.left + r1.right) / 2, r1.top), selected);
}

TEST_F(SwSkinCtrlsTest, ScrollBarPanelPassesArrowsPagesAndThumbDragToTheBar) {
  auto* sb = new TScrollBar(Form);
  sb->SetParent(Form);
  sb->SetBounds(20, 40, 240, 17);
  sb->SetMax(100);
  sb->SetLargeChange(10);
  TswSkinEngine* e = Skin();
  auto* s = dynamic_cast<TswSkinScrollBar*>(SkinnerOf(e, sb));
  ASSERT_NE(s, nullptr);
  TswSkinInternalScrollBar2* panel = s->Panel();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->Visible());
  EXPECT_TRUE(SameRect(panel->BoundsRect(), sb->BoundsRect()));
  // The track shows the skin's scroll-bar colour, not the bar's own picture.
  const COLORREF track = ColorToRGB(e->SkinColor(25));
  EXPECT_EQ(PixelOf(sb, 200, 8), track);

  struct Case {
    const char* what;
    int x;  // in the bar
    int want;
  };
  const int right = sb->Width() - 4;
  for (const Case& c : {Case{"right arrow", right, 1}, Case{"right arrow again", right, 2},
                        Case{"page right", 180, 12}, Case{"left arrow", 3, 11},
                        Case{"page left", sb->ThumbRect().left - 5 > 20 ? sb->ThumbRect().left - 5 : 20, 1}}) {
    ClickAt(panel, c.x, 8);
    EXPECT_EQ(sb->Position(), c.want) << c.what;
  }
  // Dragging the thumb moves the real bar and the picture follows.
  const RECT before = sb->ThumbRect();
  const int x0 = (before.left + before.right) / 2;
  const COLORREF thumbColour = PixelOf(sb, x0, 8);
  EXPECT_NE(thumbColour, track);
  Press(panel, x0, 8);
  MoveTo(panel, x0 + 60, 8);
  Release(panel, x0 + 60, 8);
  EXPECT_GT(sb->Position(), 20);
  EXPECT_EQ(PixelOf(sb, x0, 8), track);
  EXPECT_EQ(GetCapture(), nullptr);

  // Skin off: the panel goes out of the way; the bar gets its own picture back.
  e->SetActive(false);
  Run();
  EXPECT_FALSE(panel->Visible());
  e->UnskinHandle(Form->Handle());
  Run();
  EXPECT_EQ(sb->Perform(SWM_ISSKINNED, 0, 0), 0);
}

TEST_F(SwSkinCtrlsTest, ScrollBarWithoutSkinnedScrollBarsKeepsItsOwnPicture) {
  auto* sb = new TScrollBar(Form);
  sb->SetParent(Form);
  sb->SetBounds(20, 40, 240, 17);
  Run();
  const COLORREF own = PixelOf(sb, 200, 8);
  auto* e = new TswSkinEngine(Form);
  e->SetDrawScrollBar(false);
  e->SetSkinFile(SourceDir() + "/data/swskins/harbour.ssk");
  e->SetActive(true);
  e->SkinForm(Form);
  Run();
  EXPECT_EQ(PixelOf(sb, 200, 8), own);
  sb->SetPosition(30);
  Run();
  EXPECT_NE(PixelOf(sb, 200, 8), ColorToRGB(e->SkinColor(25)));
}

TEST_F(SwSkinCtrlsTest, ScrollBarFreedWhileSkinnedTakesItsPanelAlong) {
  auto* sb = new TScrollBar(Form);
  sb->SetParent(Form);
  sb->SetBounds(20, 40, 240, 17);
  TswSkinEngine* e = Skin();
  const int before = e->ComponentCount();
  delete sb;
  Run();
  EXPECT_EQ(e->ComponentCount(), before - 1);
  ClickAt(Form, 100, 48);  // where the panel was: nothing routes to a freed bar
}

TEST_F(SwSkinCtrlsTest, TrackBarFollowsKeysAndMouseWithTheSkinnedThumb) {
  auto* t = new TTrackBar(Form);
  t->SetParent(Form);
  t->SetBounds(20, 20, 220, 36);
  t->SetMax(10);
  t->SetPosition(2);
  TswSkinEngine* e = Skin();
  auto thumbCentre = [&] {
    RECT th{};
    SendMessage(t->Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&th));
    return POINT{(th.left + th.right) / 2, (th.top + th.bottom) / 2};
  };
  const POINT p2 = thumbCentre();
  const COLORREF thumb = PixelOf(t, p2.x, p2.y);
  EXPECT_NE(thumb, ColorToRGB(e->FormColor()));
  Key(t, VK_RIGHT);
  EXPECT_EQ(t->Position(), 3);
  const POINT p3 = thumbCentre();
  EXPECT_GT(p3.x, p2.x);
  EXPECT_EQ(PixelOf(t, p3.x, p3.y), thumb);
  Key(t, VK_END);
  EXPECT_EQ(t->Position(), 10);
  RECT ch{};
  SendMessage(t->Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&ch));
  ClickAt(t, ch.left + 2, p2.y);
  EXPECT_EQ(t->Position(), 0);
  const POINT p0 = thumbCentre();
  EXPECT_EQ(PixelOf(t, p0.x, p0.y), thumb);
  EXPECT_NE(PixelOf(t, p3.x, p3.y), thumb);
}

TEST_F(SwSkinCtrlsTest, UpDownPaintsThePressedHalfAndSteps) {
  auto* u = new TUpDown(Form);
  u->SetParent(Form);
  u->SetBounds(30, 30, 17, 30);
  u->SetPosition(5);
  TswSkinEngine* e = Skin();
  auto* s = dynamic_cast<TswSkinUpDown*>(SkinnerOf(e, u));
  ASSERT_NE(s, nullptr);
  const COLORREF down = ColorToRGB(e->SkinColor(20)), form = ColorToRGB(e->FormColor());
  ASSERT_NE(down, form);
  struct Case {
    int y;       // pressed at
    int half;    // pressed half
    int probe;   // a row inside that half, away from its arrow
    int position;
  };
  for (const Case& c : {Case{24, 1, 28, 4}, Case{5, -1, 2, 5}}) {
    Press(u, 8, c.y);
    EXPECT_EQ(s->PressedHalf(), c.half);
    EXPECT_EQ(PixelOf(u, 2, c.probe), down);
    EXPECT_EQ(u->Position(), c.position);
    Release(u, 8, c.y);
    EXPECT_EQ(s->PressedHalf(), 0);
    EXPECT_EQ(PixelOf(u, 2, c.probe), form);
  }
  // The frame of each half in the tool bar border colour.
  EXPECT_EQ(PixelOf(u, 0, 7), ColorToRGB(e->SkinColor(19)));
}

TEST_F(SwSkinCtrlsTest, LabelToolBarAndListViewTakeTheSkinAndGiveItBack) {
  auto* l = new TLabel(Form);
  l->SetParent(Form);
  l->SetBounds(10, 200, 80, 16);
  l->SetCaption("Label");
  l->Font()->SetColor(clMaroon);
  auto* tb = new TToolBar(Form);
  tb->SetParent(Form);
  tb->SetFlat(false);
  tb->SetColor(clTeal);
  auto* lv = new TListView(Form);
  lv->SetParent(Form);
  lv->SetBounds(10, 60, 300, 100);
  lv->SetViewStyle(vsReport);
  for (auto [caption, width] : {std::pair<const char*, int>{"Name of the photograph, rather long", 80},
                                std::pair<const char*, int>{"Size", 60}}) {
    TListColumn* c = lv->AddColumn();
    c->Caption = caption;
    c->Width = width;
  }
  Run();
  TswSkinEngine* e = Skin();
  e->SetNoChangeButtonsFontColor(true);
  e->SetActive(false);
  e->SetActive(true);
  Run();
  EXPECT_EQ(l->Font()->Color(), e->SkinColor(23));
  EXPECT_TRUE(tb->Flat());
  EXPECT_EQ(tb->Color(), e->SkinColor(16));
  // The header: the form colour with a separator in the control border colour at each column's
  // right edge.
  HWND h = lv->HeaderHandle();
  ASSERT_NE(h, nullptr);
  RECT r{};
  SendMessage(h, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  HBITMAP shot = RenderWindowToBitmap(h);
  ASSERT_TRUE(shot);
  auto at = [&](int X, int Y) {
    const uint8_t* p = GetBitmapSurface(shot)->Row(Y) + X * 4;
    return RGB(p[2], p[1], p[0]);
  };
  EXPECT_EQ(at(r.right - 1, 2), ColorToRGB(e->SkinColor(22)));
  EXPECT_EQ(at(r.left + 1, 1), ColorToRGB(e->FormColor()));
  EXPECT_EQ(at(r.right + 100, 1), ColorToRGB(e->FormColor()));
  DeleteObject(shot);

  e->UnskinHandle(Form->Handle());
  Run();
  EXPECT_EQ(l->Font()->Color(), clMaroon);
  EXPECT_FALSE(tb->Flat());
  EXPECT_EQ(tb->Color(), clTeal);
  shot = RenderWindowToBitmap(h);
  ASSERT_TRUE(shot);
  EXPECT_NE(at(r.right - 1, 2), ColorToRGB(e->SkinColor(22)));
  DeleteObject(shot);
}

TEST_F(SwSkinCtrlsTest, TimePickerSpinsThroughTheSkinnedUpDown) {
  auto* p = new TDateTimePicker(Form);
  p->SetParent(Form);
  p->SetBounds(20, 20, 140, 24);
  p->SetKind(dtkTime);
  p->SetTime(10.0 / 24);
  auto* kept = new TDateTimePicker(Form);
  kept->SetParent(Form);
  kept->SetBounds(20, 60, 140, 24);
  kept->SetKind(dtkTime);
  kept->SetTag(9998);
  auto* date = new TDateTimePicker(Form);
  date->SetParent(Form);
  date->SetBounds(20, 100, 140, 24);
  TswSkinEngine* e = Skin();
  auto* s = dynamic_cast<TswSkinDateTimePicker*>(SkinnerOf(e, p));
  ASSERT_NE(s, nullptr);
  TswSkinInternalUpDown* u = s->UpDown();
  ASSERT_NE(u, nullptr);
  EXPECT_TRUE(u->Visible());
  EXPECT_FALSE(IsWindowVisible(p->SpinHandle()));
  EXPECT_EQ(u->Left() + u->Width(), p->ClientWidth());
  // The spin buttons are skinned themselves.
  EXPECT_NE(dynamic_cast<TswSkinUpDown*>(SkinnerOf(e, u)), nullptr);
  ClickAt(u, u->Width() / 2, 3);
  EXPECT_NEAR(p->Time() * 24, 11.0, 1e-6);
  ClickAt(u, u->Width() / 2, u->Height() - 3);
  EXPECT_NEAR(p->Time() * 24, 10.0, 1e-6);

  auto* k = dynamic_cast<TswSkinDateTimePicker*>(SkinnerOf(e, kept));
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->UpDown(), nullptr);
  EXPECT_TRUE(IsWindowVisible(kept->SpinHandle()));
  // A date picker in combo mode shows the skinned drop-down button instead.
  auto* d = dynamic_cast<TswSkinDateTimePicker*>(SkinnerOf(e, date));
  ASSERT_NE(d, nullptr);
  ASSERT_NE(d->Button(), nullptr);
  EXPECT_TRUE(d->Button()->Visible());
  EXPECT_FALSE(d->UpDown()->Visible());

  e->UnskinHandle(Form->Handle());
  Run();
  EXPECT_TRUE(IsWindowVisible(p->SpinHandle()));
  EXPECT_EQ(p->ComponentCount(), 0);
}

TEST_F(SwSkinCtrlsTest, BitButtonGlyphIsLaidOutAndGreyedWhenDisabled) {
  // A 16 x 16 red glyph whose bottom-left pixel (green) is its transparent colour.
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(16, 16);
  glyph.Canvas()->Brush()->SetColor(clRed);
  glyph.Canvas()->FillRect(RECT{0, 0, 16, 16});
  glyph.Canvas()->SetPixels(0, 15, clLime);
  struct Case {
    const char* caption;
    TButtonLayout layout;
    bool enabled;
    int gx, gy;  // where the glyph's top-left lands in an 80 x 26 button
  };
  // Client area (1, 1, 79, 25): 78 x 24. Without caption the glyph is centred (margin
  // (78 - 16 + 1) / 2 = 31); with glyph-top it is centred across and margin-spaced along.
  for (const Case& c : {Case{"", blGlyphLeft, true, 32, 5}, Case{"", blGlyphRight, true, 32, 5},
                        Case{"", blGlyphTop, true, 32, 5}, Case{"", blGlyphLeft, false, 32, 5}}) {
    auto* b = new TBitBtn(Form);
    b->SetParent(Form);
    b->SetBounds(20, 20, 80, 26);
    b->SetCaption(c.caption);
    b->SetGlyph(&glyph);
    b->SetLayout(c.layout);
    b->SetEnabled(c.enabled);
    TswSkinEngine* e = Skin();
    const COLORREF centre = PixelOf(b, c.gx + 8, c.gy + 8);
    if (c.enabled) {
      EXPECT_EQ(centre, RGB(255, 0, 0)) << c.layout;
      EXPECT_NE(PixelOf(b, c.gx - 1, c.gy + 8), RGB(255, 0, 0)) << c.layout;
      EXPECT_NE(PixelOf(b, c.gx, c.gy + 15), RGB(0, 255, 0)) << "transparent corner";
    } else {
      EXPECT_NE(centre, RGB(255, 0, 0)) << "disabled";
    }
    delete e;
    delete b;
    Run();
  }
}

TEST_F(SwSkinCtrlsTest, ButtonCaptionMovesBesideItsGlyph) {
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(16, 16);
  glyph.Canvas()->Brush()->SetColor(clRed);
  glyph.Canvas()->FillRect(RECT{0, 0, 16, 16});
  glyph.Canvas()->SetPixels(0, 15, clLime);  // the transparent colour
  auto* b = new TBitBtn(Form);
  b->SetParent(Form);
  b->SetBounds(20, 20, 120, 26);
  b->SetCaption("Open");
  b->SetGlyph(&glyph);
  b->SetMargin(4);
  Skin();
  // Glyph at client left + margin: x 5..20; the caption starts after the spacing of 4.
  EXPECT_EQ(PixelOf(b, 12, 12), RGB(255, 0, 0));
  EXPECT_NE(PixelOf(b, 22, 12), RGB(255, 0, 0));
  // Caption pixels (differing from the face at the button's right end in the same row) lie
  // right of the glyph and the spacing only.
  HBITMAP shot = RenderWindowToBitmap(b->Handle());
  ASSERT_TRUE(shot);
  const TGdiSurface* surface = GetBitmapSurface(shot);
  auto at = [&](int X, int Y) {
    const uint8_t* p = surface->Row(Y) + X * 4;
    return RGB(p[2], p[1], p[0]);
  };
  int firstText = -1;
  for (int x = 21; x < 100 && firstText < 0; ++x)
    for (int y = 6; y < 20; ++y)
      if (at(x, y) != at(110, y)) {
        firstText = x;
        break;
      }
  DeleteObject(shot);
  EXPECT_GE(firstText, 25);
  EXPECT_LT(firstText, 40);
}

TEST_F(SwSkinCtrlsTest, ExtendedComboBoxGetsTheSkinBorderOnItsInnerBox) {
  auto* cb = new TComboBoxEx(Form);
  cb->SetParent(Form);
  cb->SetBounds(20, 20, 160, 24);
  TswSkinEngine* e = Skin();
  TComboBox* inner = cb->ComboBox();
  ASSERT_NE(inner, nullptr);
  // The inner box is a control of its own here, owned by the extended box: it is skinned as a
  // combo box, so the skin stays on it also when it repaints alone.
  EXPECT_NE(dynamic_cast<TswSkinComboBox*>(SkinnerOf(e, inner)), nullptr);
  EXPECT_EQ(PixelOf(inner, 0, 5), ColorToRGB(e->SkinColor(22)));
  COMBOBOXINFO info;
  info.cbSize = 52;
  ASSERT_TRUE(GetComboBoxInfo(inner->Handle(), &info));
  // The button rectangle is in client coordinates, the picture in window coordinates.
  POINT origin{0, 0};
  ClientToScreen(inner->Handle(), &origin);
  RECT wr;
  GetWindowRect(inner->Handle(), &wr);
  EXPECT_EQ(PixelOf(inner, info.rcButton.left + 2 + origin.x - wr.left, info.rcButton.top + 2 + origin.y - wr.top),
            ColorToRGB(e->SkinColor(21)));
}

TEST_F(SwSkinCtrlsTest, MemoGetsASkinnedScrollBarThatScrollsIt) {
  auto* m = new TMemo(Form);
  m->SetParent(Form);
  m->SetBounds(20, 20, 200, 100);
  m->SetScrollBars(ssVertical);
  m->SetWordWrap(false);
  std::string text;
  for (int i = 0; i < 40; ++i) text += "Line " + std::to_string(i) + "\r\n";
  m->SetText(text);
  auto* edit = new TEdit(Form);
  edit->SetParent(Form);
  edit->SetBounds(20, 140, 200, 24);
  TswSkinEngine* e = Skin();
  auto* s = dynamic_cast<TswSkinScrollWinControl*>(SkinnerOf(e, m));
  ASSERT_NE(s, nullptr);
  TswSkinInternalScrollBar* v = s->Bar(0);
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->Visible());
  EXPECT_FALSE(s->Bar(1) && s->Bar(1)->Visible());
  // It lies exactly over the memo's own bar, in screen terms.
  SCROLLBARINFO info;
  ASSERT_TRUE(GetScrollBarInfo(m->Handle(), OBJID_VSCROLL, &info));
  const POINT vs = v->ClientToScreen(POINT{0, 0});
  EXPECT_EQ(vs.x, info.rcScrollBar.left);
  EXPECT_EQ(vs.y, info.rcScrollBar.top);
  EXPECT_EQ(v->Height(), info.rcScrollBar.bottom - info.rcScrollBar.top);
  EXPECT_EQ(PixelOf(m, 0, 50), ColorToRGB(e->SkinColor(22)));
  // A one-line edit keeps only the border.
  auto* es = dynamic_cast<TswSkinScrollWinControl*>(SkinnerOf(e, edit));
  ASSERT_NE(es, nullptr);
  EXPECT_EQ(es->Bar(0), nullptr);

  // The down arrow of the skinned bar scrolls the memo: press and release reach the memo's
  // bar together, which tracks the button until it goes up.
  EXPECT_EQ(m->TopLine(), 0);
  const POINT down = v->ClientToScreen(POINT{v->Width() / 2, v->Height() - 4});
  InjectMouseMove(down.x, down.y);
  InjectMouseButton(down.x, down.y, 0, true);
  InjectMouseButton(down.x, down.y, 0, false);
  Run();
  EXPECT_EQ(m->TopLine(), 1);
  EXPECT_EQ(GetCapture(), nullptr);

  // Without skinned scroll bars the bar goes away at the next paint.
  e->SetDrawScrollBar(false);
  m->Invalidate();
  Run();
  EXPECT_FALSE(v->Visible());
}

TEST_F(SwSkinCtrlsTest, SpeedButtonShowsTheToolBarLooksOfTheSkin) {
  auto* sb = new TSpeedButton(Form);
  sb->SetParent(Form);
  sb->SetBounds(20, 20, 60, 24);
  sb->SetCaption("Go");
  sb->SetMargin(-1);
  auto* own = new TSpeedButton(Form);
  own->SetParent(Form);
  own->SetBounds(100, 20, 60, 24);
  own->SetCaption("Own");
  own->SetTag(999999);
  TswSkinEngine* e = Skin();
  ASSERT_NE(SkinnerOf(e, sb), nullptr);
  auto at = [&](TControl* C, int X, int Y) { return PixelOf(Form, C->Left() + X, C->Top() + Y); };
  // Pixels of the form are in window coordinates: move by the client origin.
  const POINT origin = Form->ClientToScreen(POINT{0, 0});
  RECT wr;
  GetWindowRect(Form->Handle(), &wr);
  auto px = [&](TControl* C, int X, int Y) { return at(C, X + origin.x - wr.left, Y + origin.y - wr.top); };
  EXPECT_EQ(px(sb, 3, 3), ColorToRGB(e->FormColor()));
  EXPECT_NE(sb->Margin(), -1);  // computed at the first skinned paint
  MoveTo(sb, 30, 12);
  EXPECT_EQ(px(sb, 3, 3), ColorToRGB(e->SkinColor(18)));
  EXPECT_EQ(px(sb, 0, 3), ColorToRGB(e->SkinColor(19)));
  Press(sb, 30, 12);
  EXPECT_EQ(px(sb, 3, 3), ColorToRGB(e->SkinColor(20)));
  Release(sb, 30, 12);
  EXPECT_EQ(px(sb, 3, 3), ColorToRGB(e->SkinColor(18)));
  MoveTo(Form, 300, 200);
  EXPECT_EQ(px(sb, 3, 3), ColorToRGB(e->FormColor()));
  // Tag 999999: its own painting inside a flat frame of button-face bands.
  EXPECT_EQ(px(own, 1, 10), ColorToRGB(clBtnFace));
  EXPECT_EQ(px(own, 0, 10), ColorToRGB(e->SkinColor(22)));
  e->UnskinHandle(Form->Handle());
  Run();
  EXPECT_NE(px(sb, 3, 3), ColorToRGB(e->FormColor()));
}

TEST_F(SwSkinCtrlsTest, BorderSkinnerLeavesBorderlessControlsAlone) {
  struct Case {
    const char* what;
    TBorderStyle style;
    bool border;
  };
  for (const Case& c : {Case{"single", bsSingle, true}, Case{"none", bsNone, false}}) {
    auto* box = new TScrollBox(Form);
    box->SetParent(Form);
    box->SetBounds(20, 20, 120, 80);
    box->SetBorderStyle(c.style);
    box->SetColor(clWhite);
    TswSkinEngine* e = Skin();
    ASSERT_NE(SkinnerOf(e, box), nullptr) << c.what;
    EXPECT_EQ(PixelOf(box, 0, 40) == ColorToRGB(e->SkinColor(22)), c.border) << c.what;
    delete e;
    delete box;
    Run();
  }
}

TEST_F(SwSkinCtrlsTest, TabCaptionsAreCentredAndATablessControlShowsItsFrame) {
  // "A&&B" shows as "A&B" and is centred by the width of "A&B", not of "A&&B".
  auto* t = new TTabControl(Form);
  t->SetParent(Form);
  t->SetBounds(10, 10, 300, 120);
  t->Tabs()->Add("A&&B");
  t->SetTabIndex(0);
  auto* empty = new TTabControl(Form);
  empty->SetParent(Form);
  empty->SetBounds(10, 140, 300, 120);
  TswSkinEngine* e = Skin();
  const RECT r = t->TabRect(0);
  HBITMAP shot = RenderWindowToBitmap(t->Handle());
  ASSERT_TRUE(shot);
  const TGdiSurface* s = GetBitmapSurface(shot);
  auto at = [&](int X, int Y) {
    const uint8_t* p = s->Row(Y) + X * 4;
    return RGB(p[2], p[1], p[0]);
  };
  // The caption's ink is balanced about the tab's middle (within two pixels).
  int first = -1, last = -1;
  for (int x = r.left + 4; x < r.right - 4; ++x)
    for (int y = r.top + 3; y < r.bottom - 2; ++y)
      if (at(x, y) != at(r.left + 4, y)) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  DeleteObject(shot);
  ASSERT_GE(first, 0);
  EXPECT_NEAR((first + last) / 2.0, (r.left + r.right) / 2.0, 2.5);
  // No tabs: the frame around the display area and nothing in the tab row but the form colour.
  RECT f = empty->ClientRect();
  SendMessage(empty->Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&f));
  InflateRect(&f, 2, 2);
  EXPECT_EQ(PixelOf(empty, f.left, (f.top + f.bottom) / 2), ColorToRGB(e->SkinColor(22)));
  EXPECT_EQ(PixelOf(empty, 20, 2), ColorToRGB(e->FormColor()));
}

TEST_F(SwSkinCtrlsTest, PlainChildWindowGetsTheBorderAndItsProcedureBack) {
  TswSkinEngine* e = Skin();
  HWND child = CreateWindowEx(0, "STATIC", "plain", WS_CHILD | WS_VISIBLE, 20, 20, 120, 40,
                              Form->Handle(), nullptr, nullptr, nullptr);
  ASSERT_TRUE(child);
  const LONG_PTR own = GetWindowLongPtr(child, GWLP_WNDPROC);
  auto shot = [&](int X, int Y) {
    HBITMAP b = RenderWindowToBitmap(child);
    const uint8_t* p = GetBitmapSurface(b)->Row(Y) + X * 4;
    const COLORREF c = RGB(p[2], p[1], p[0]);
    DeleteObject(b);
    return c;
  };
  {
    TswSkinBorderWndControl s(child, e->FindWindow(Form->Handle()), e);
    EXPECT_EQ(s.GetText(), "plain");
    EXPECT_TRUE(s.IsEnabled());
    EXPECT_TRUE(SameRect(s.GetBoundsRect(), RECT{0, 0, 120, 40}));
    EXPECT_NE(GetWindowLongPtr(child, GWLP_WNDPROC), own);
    InvalidateRect(child, nullptr, TRUE);
    Run();
    EXPECT_EQ(shot(0, 20), ColorToRGB(e->SkinColor(22)));
    EXPECT_EQ(shot(1, 20), ColorToRGB(clWindow));
  }
  EXPECT_EQ(GetWindowLongPtr(child, GWLP_WNDPROC), own);
  // A window destroyed while skinned leaves no procedure routing to its skinner.
  auto* s = new TswSkinBorderWndControl(child, e->FindWindow(Form->Handle()), e);
  DestroyWindow(child);
  Run();
  delete s;
}
