// The buttons' behaviour: defaults, kinds and glyphs, mouse and keyboard, grouped buttons, the
// default button, the menu button's drop-down, image lists and streaming.
#include <chrono>
#include <memory>
#include <thread>

#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"
#include "tests/controls/buttontest.h"

namespace {

class BnButtonBehaviour : public ButtonFormTest {
protected:
  void TearDown() override {
    SetMonitorLayout({});
    ButtonFormTest::TearDown();
  }
  TPopupMenu* MenuWith(std::initializer_list<const char*> Captions) {
    auto* menu = new TPopupMenu(Form);
    for (const char* c : Captions) {
      auto* item = new TMenuItem(menu);
      item->SetCaption(c);
      menu->Items()->Add(item);
    }
    return menu;
  }
  // A menu button with a two-item menu; OnDropDown and OnClick are counted.
  TBnMenuButton* MenuButton(int X, int Y) {
    auto* b = Make<TBnMenuButton>(X, Y);
    b->SetCaption("Pick");
    b->SetDropDownMenu(MenuWith({"Selected", "Unselected"}));
    b->OnDropDown = [this](TObject* Sender) {
      ++Drops;
      DropSender = Sender;
    };
    b->OnClick = [this](TObject*) { ++Clicks; };
    return b;
  }
  // Closes the open menu (Escape) once the menu loop runs, noting where the menu was. Input
  // meant for the menu is only injected: the menu's own loop reads it.
  void CloseMenuLater() {
    Later(Form, [this] {
      if (HWND popup = FindWindow("#32768", nullptr)) GetWindowRect(popup, &MenuRect);
      InjectKey(VK_ESCAPE, true);
      InjectKey(VK_ESCAPE, false);
    });
  }
  void InjectClick(TControl* C, int X, int Y) {
    const POINT s = Screen(C, X, Y);
    InjectMouseMove(s.x, s.y);
    InjectMouseButton(s.x, s.y, 0, true);
    InjectMouseButton(s.x, s.y, 0, false);
  }
  int Drops = 0, Clicks = 0;
  TObject* DropSender = nullptr;
  RECT MenuRect{};
};

TEST_F(BnButtonBehaviour, ANewMenuButtonHasItsDefaults) {
  auto* b = Make<TBnMenuButton>(10, 10);
  EXPECT_EQ(b->Width(), 110);
  EXPECT_EQ(b->Height(), 25);
  EXPECT_EQ(b->Margin(), 2);
  EXPECT_EQ(b->Spacing(), 4);
  EXPECT_TRUE(b->ShowArrow());
  EXPECT_FALSE(b->ControlStyle().Contains(csDoubleClicks));
  EXPECT_EQ(b->CaptionRect().right, 110 - 5 - 14);
  b->SetShowArrow(false);
  EXPECT_EQ(b->CaptionRect().right, 110 - 5);
  auto* plain = Make<TBnButton>(10, 50);
  EXPECT_EQ(plain->Width(), 75);
  EXPECT_EQ(plain->Color(), clBtnFace);
  EXPECT_TRUE(plain->TabStop());
  EXPECT_EQ(plain->HotTrackColor(), TColor(RGB(240, 155, 20)));
}

TEST_F(BnButtonBehaviour, TheOkKindSetsItsCaptionResultDefaultAndATwoCellGlyph) {
  auto* b = Make<TBnBitBtn>(10, 10);
  b->SetKind(bkOK);
  EXPECT_EQ(b->Caption(), "OK");
  EXPECT_EQ(b->ModalResult(), mrOk);
  EXPECT_TRUE(b->Default());
  EXPECT_FALSE(b->Cancel());
  EXPECT_EQ(b->NumGlyphs(), 2);
  EXPECT_EQ(b->Glyph()->Width(), 2 * b->Glyph()->Height());
  EXPECT_EQ(b->Kind(), bkOK);
  b->SetModalResult(mrCancel);
  EXPECT_EQ(b->Kind(), bkCustom);
  b->SetKind(bkNo);
  EXPECT_EQ(b->Caption(), "&No");
  EXPECT_TRUE(b->Cancel());
  EXPECT_EQ(b->Kind(), bkNo);
  // A glyph of the program's own makes the kind custom.
  TBitmap own;
  own.SetSize(16, 16);
  b->SetGlyph(&own);
  EXPECT_EQ(b->Kind(), bkCustom);
  EXPECT_THROW(BnKindGlyph("BNCOMMON_NOSUCH"), EResNotFound);
}

TEST_F(BnButtonBehaviour, AGlyphsWidthCountsItsCells) {
  auto* b = Make<TBnBitBtn>(10, 10);
  struct TCase {
    int W, H, Cells;
  };
  for (const TCase& c :
       {TCase{64, 16, 4}, TCase{80, 16, 1}, TCase{32, 16, 2}, TCase{16, 16, 1}, TCase{48, 16, 3}}) {
    TBitmap g;
    g.SetSize(c.W, c.H);
    b->SetGlyph(&g);
    EXPECT_EQ(b->NumGlyphs(), c.Cells) << c.W << "x" << c.H;
  }
  // A width that is no multiple of the height leaves the count as it was.
  TBitmap odd;
  odd.SetSize(20, 16);
  b->SetGlyph(&odd);
  EXPECT_EQ(b->NumGlyphs(), 3);
}

TEST_F(BnButtonBehaviour, EnterOnTheDefaultMenuButtonDropsItsMenuOrClicks) {
  auto* edit = Make<TEdit>(10, 60);
  auto* b = MenuButton(10, 10);
  b->SetDefault(true);
  Form->Show();
  Form->SetActiveControl(edit);
  edit->SetFocus();
  Run();
  EXPECT_TRUE(b->Active());
  CloseMenuLater();
  Key(VK_RETURN);
  EXPECT_EQ(Drops, 1);
  EXPECT_EQ(DropSender, b->DropDownMenu());
  EXPECT_EQ(Clicks, 0);
  // Clicking it then works as usual.
  b->SetDropDownOnEnter(false);
  edit->SetFocus();
  Run();
  Key(VK_RETURN);
  EXPECT_EQ(Drops, 1);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(BnButtonBehaviour, AClickOnTheButtonWhileItsMenuIsOpenClosesItWithoutReopening) {
  auto* b = MenuButton(10, 10);
  Form->Show();
  Run();
  Later(Form, [&] { InjectClick(b, 20, 10); });
  ClickAt(b, 20, 10);
  EXPECT_EQ(Drops, 1);
  EXPECT_EQ(Clicks, 0);
  EXPECT_FALSE(b->ShownDown());
  // A later click opens it again (the tick count is real time).
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  CloseMenuLater();
  ClickAt(b, 20, 10);
  EXPECT_EQ(Drops, 2);
}

TEST_F(BnButtonBehaviour, AMenuThatWouldRunPastTheWorkAreaLinesUpWithTheButtonsRightEdge) {
  SetMonitorLayout({{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 740}}});
  auto* b = MenuButton(10, 10);
  b->DropDownMenu()->Items()->Items(0)->SetCaption("A rather long caption for the first item");
  Form->SetBounds(1024 - 140, 100, 140, 100);
  Form->Show();
  Run();
  CloseMenuLater();
  b->DropDown();
  const POINT corner = b->ClientToScreen(POINT{0, b->Height()});
  EXPECT_EQ(MenuRect.top, corner.y);
  EXPECT_LT(MenuRect.left, corner.x);
  EXPECT_LE(MenuRect.right, 1024);
  // With room to the right the menu opens at the button's left edge.
  Form->SetBounds(100, 100, 140, 100);
  Run();
  CloseMenuLater();
  b->DropDown();
  EXPECT_EQ(MenuRect.left, b->ClientToScreen(POINT{0, 0}).x);
}

TEST_F(BnButtonBehaviour, F4DropsTheMenuAndTheNextClickIsNotLost) {
  auto* b = MenuButton(10, 10);
  b->SetDropDownMenu(nullptr);
  auto* menu = MenuWith({"One"});
  b->SetDropDownMenu(menu);
  Form->Show();
  b->SetFocus();
  Run();
  CloseMenuLater();
  Key(VK_F4);
  EXPECT_EQ(Drops, 1);
  // A click of the program's own (no menu: a plain click) still arrives.
  b->SetDropDownMenu(nullptr);
  b->Click();
  EXPECT_EQ(Clicks, 1);
}

TEST_F(BnButtonBehaviour, DestroyingTheDropDownMenuClearsTheProperty) {
  auto* b = Make<TBnMenuButton>(10, 10);
  auto* menu = MenuWith({"One"});
  b->SetDropDownMenu(menu);
  EXPECT_EQ(b->DropDownMenu(), menu);
  delete menu;
  EXPECT_EQ(b->DropDownMenu(), nullptr);
  b->DropDown();  // nothing to drop
}

TEST_F(BnButtonBehaviour, GroupedButtonsAreNeverDownTogether) {
  auto* a = Make<TBnButton>(10, 10);
  auto* b = Make<TBnButton>(100, 10);
  auto* other = Make<TBnButton>(190, 10);
  a->SetDown(true);
  EXPECT_FALSE(a->Down());  // no group
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  other->SetGroupIndex(2);
  other->SetDown(true);
  a->SetDown(true);
  EXPECT_TRUE(a->Down());
  EXPECT_EQ(a->ButtonState(), 3);
  b->SetDown(true);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  EXPECT_EQ(a->ButtonState(), 0);
  EXPECT_TRUE(other->Down());  // another group
  // Without AllowAllUp the down button stays down.
  b->SetDown(false);
  EXPECT_TRUE(b->Down());
  Form->Show();
  Run();
  ClickAt(b, 5, 5);
  EXPECT_TRUE(b->Down());
  // AllowAllUp on one button reaches the whole group.
  a->SetAllowAllUp(true);
  EXPECT_TRUE(b->AllowAllUp());
  ClickAt(b, 5, 5);
  EXPECT_FALSE(b->Down());
  ClickAt(a, 5, 5);
  EXPECT_TRUE(a->Down());
}

TEST_F(BnButtonBehaviour, DraggingOffTheButtonDrawsItUpAndReleasingOutsideDoesNotClick) {
  auto* b = Make<TBnButton>(10, 10);
  b->OnClick = [this](TObject*) { ++Clicks; };
  Form->Show();
  Run();
  Press(b, 10, 10);
  EXPECT_TRUE(b->ShownDown());
  MoveTo(b, 200, 100);
  EXPECT_FALSE(b->ShownDown());
  MoveTo(b, 12, 12);
  EXPECT_TRUE(b->ShownDown());
  MoveTo(b, -5, 12);
  Release(b, -5, 12);
  EXPECT_FALSE(b->ShownDown());
  EXPECT_EQ(Clicks, 0);
  ClickAt(b, 10, 10);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(BnButtonBehaviour, SpaceEnterAndEscapeClickAndSetTheModalResult) {
  auto* ok = Make<TBnButton>(10, 10);
  ok->SetCaption("OK");
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  auto* cancel = Make<TBnButton>(100, 10);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  auto* edit = Make<TEdit>(10, 60);
  int okClicks = 0, cancelClicks = 0;
  ok->OnClick = [&](TObject*) { ++okClicks; };
  cancel->OnClick = [&](TObject*) { ++cancelClicks; };
  Form->Show();
  edit->SetFocus();
  Run();
  Key(VK_RETURN);
  EXPECT_EQ(okClicks, 1);
  EXPECT_EQ(Form->ModalResult(), mrOk);
  Key(VK_ESCAPE);
  EXPECT_EQ(cancelClicks, 1);
  EXPECT_EQ(Form->ModalResult(), mrCancel);
  // Space presses the focused button: down while held, a click on release.
  cancel->SetFocus();
  Run();
  InjectKey(VK_SPACE, true);
  Run();
  EXPECT_TRUE(cancel->ShownDown());
  EXPECT_EQ(cancelClicks, 1);
  InjectKey(VK_SPACE, false);
  Run();
  EXPECT_FALSE(cancel->ShownDown());
  EXPECT_EQ(cancelClicks, 2);
  // Enter now goes to the focused button, which is the active one.
  Key(VK_RETURN);
  EXPECT_EQ(cancelClicks, 3);
  EXPECT_EQ(okClicks, 1);
}

TEST_F(BnButtonBehaviour, AltAndTheCaptionsAcceleratorClicks) {
  auto* help = Make<TBnBitBtn>(10, 10);
  help->SetKind(bkHelp);
  auto* edit = Make<TEdit>(10, 60);
  int clicks = 0;
  help->OnClick = [&](TObject*) { ++clicks; };
  Form->Show();
  edit->SetFocus();
  Run();
  InjectKey(VK_MENU, true);
  InjectKey('H', true);
  InjectKey('H', false);
  InjectKey(VK_MENU, false);
  Run();
  EXPECT_EQ(clicks, 1);
}

TEST_F(BnButtonBehaviour, TheFocusedButtonIsActiveElseTheDefaultOne) {
  auto* def = Make<TBnButton>(10, 10);
  def->SetDefault(true);
  auto* other = Make<TBnButton>(100, 10);
  auto* edit = Make<TEdit>(10, 60);
  Form->Show();
  edit->SetFocus();
  Run();
  EXPECT_TRUE(def->Active());
  EXPECT_FALSE(other->Active());
  other->SetFocus();
  Run();
  EXPECT_FALSE(def->Active());
  EXPECT_TRUE(other->Active());
  edit->SetFocus();
  Run();
  EXPECT_TRUE(def->Active());
  // Turning Default off lets every button work it out again.
  def->SetDefault(false);
  EXPECT_FALSE(def->Active());
}

TEST_F(BnButtonBehaviour, TheMouseEnteringAndLeavingIsReported) {
  auto* b = Make<TBnButton>(10, 10);
  int entered = 0, left = 0;
  b->OnMouseEnter = [&](TObject*) { ++entered; };
  b->OnMouseLeave = [&](TObject*) { ++left; };
  Form->Show();
  Run();
  MoveTo(b, 5, 5);
  EXPECT_TRUE(b->MouseOver());
  EXPECT_EQ(entered, 1);
  MoveTo(b, 300, 200);
  EXPECT_FALSE(b->MouseOver());
  EXPECT_EQ(left, 1);
}

TEST_F(BnButtonBehaviour, ImageListImagesAreDrawnAndTheirChangesRepaint) {
  auto* images = new TImageList(Form);
  images->SetWidth(8);
  images->SetHeight(8);
  auto square = [](TColor C) {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(8, 8);
    b->Canvas()->Brush()->SetColor(C);
    b->Canvas()->FillRect(RECT{0, 0, 8, 8});
    return b;
  };
  images->Add(square(clRed).get(), nullptr);
  images->Add(square(clBlue).get(), nullptr);
  auto* b = Make<TBnBitBtn>(10, 10, 90, 30);
  b->SetImages(images);
  b->SetImageIndex(0);
  Form->Show();
  Run();
  const RECT g = b->GlyphRect();
  EXPECT_EQ(g.right - g.left, 8);
  auto at = [&] {
    HBITMAP shot = RenderWindowToBitmap(b->Handle());
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, shot);
    COLORREF c = GetPixel(dc, g.left + 3, g.top + 3);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(shot);
    return c;
  };
  EXPECT_EQ(at(), RGB(255, 0, 0));
  images->Replace(0, square(clLime).get(), nullptr);
  EXPECT_EQ(at(), RGB(0, 255, 0));
  // A disabled button shows its disabled image.
  b->SetDisabledIndex(1);
  b->SetEnabled(false);
  Run();
  EXPECT_EQ(at(), RGB(0, 0, 255));
  delete images;
  EXPECT_EQ(b->Images(), nullptr);
}

TEST_F(BnButtonBehaviour, AHotTrackButtonShowsItsParentBehindItsCorners) {
  auto* panel = new TPanel(Form);
  panel->SetParent(Form);
  panel->SetBounds(0, 0, 200, 100);
  panel->SetColor(clRed);
  auto* b = new TBnButton(Form);
  b->SetParent(panel);
  b->SetBounds(20, 20, 75, 25);
  b->SetHotTrack(true);
  EXPECT_TRUE(b->Transparent());
  Form->Show();
  Run();
  HBITMAP shot = RenderWindowToBitmap(b->Handle());
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, shot);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  EXPECT_NE(GetPixel(dc, 30, 12), RGB(255, 0, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(shot);
}

TEST_F(BnButtonBehaviour, GlyphAndCaptionRectanglesFollowLayoutAndMargin) {
  auto* b = Make<TBnBitBtn>(10, 10, 100, 40);
  TBitmap g;
  g.SetSize(16, 12);
  b->SetGlyph(&g);
  struct TCase {
    TButtonLayout Layout;
    int Margin;
    RECT Glyph;
    RECT Caption;
  };
  // The base caption rectangle is the client area inset by 5: (5, 5, 95, 35).
  const TCase cases[] = {
      {blGlyphLeft, 2, {7, 14, 23, 26}, {27, 5, 95, 35}},
      {blGlyphRight, 2, {77, 14, 93, 26}, {5, 5, 73, 35}},
      {blGlyphTop, 2, {42, 7, 58, 19}, {5, 23, 95, 35}},
      {blGlyphBottom, 2, {42, 21, 58, 33}, {5, 5, 95, 17}},
      {blGlyphLeft, -1, {5, 14, 21, 26}, {24, 5, 95, 35}},
      {blGlyphRight, -1, {79, 14, 95, 26}, {5, 5, 76, 35}},
  };
  for (const TCase& c : cases) {
    b->SetLayout(c.Layout);
    b->SetMargin(c.Margin);
    EXPECT_EQ(b->GlyphRect(), c.Glyph) << int(c.Layout) << " " << c.Margin;
    EXPECT_EQ(b->CaptionRect(), c.Caption) << int(c.Layout) << " " << c.Margin;
  }
  b->SetMargin(-2);
  EXPECT_EQ(b->Margin(), -1);
}

TEST_F(BnButtonBehaviour, KindsStreamOnlyWhatDiffersFromTheKind) {
  auto* ok = Make<TBnBitBtn>(10, 10);
  ok->SetName("OkButton");
  ok->SetKind(bkOK);
  auto* own = Make<TBnBitBtn>(100, 10);
  own->SetName("Own");
  own->SetKind(bkOK);
  own->SetCaption("Fine");
  own->SetModalResult(mrYes);
  TMemoryStream bin;
  {
    TWriter w(&bin);
    w.WriteRootComponent(Form);
  }
  bin.SetPosition(0);
  TStringStream text("");
  ObjectBinaryToText(&bin, &text);
  const std::string t = text.DataString();
  const size_t okAt = t.find("object OkButton"), ownAt = t.find("object Own");
  ASSERT_NE(okAt, std::string::npos);
  ASSERT_NE(ownAt, std::string::npos);
  const std::string okText = t.substr(okAt, ownAt - okAt), ownText = t.substr(ownAt);
  EXPECT_NE(okText.find("Kind = bkOK"), std::string::npos) << okText;
  for (const char* absent : {"Caption", "Default", "ModalResult", "Glyph.Data", "NumGlyphs"})
    EXPECT_EQ(okText.find(absent), std::string::npos) << absent << "\n" << okText;
  EXPECT_NE(ownText.find("Caption = 'Fine'"), std::string::npos) << ownText;
  EXPECT_NE(ownText.find("ModalResult = 6"), std::string::npos) << ownText;
  // Read back, the kind gives what was not stored; an old "FrameFlat" switch reads as HotTrack.
  std::string again = t;
  again.insert(t.find("\n", ownAt) + 1, "    FrameFlat = True\n");
  auto second = std::make_unique<TForm>(nullptr);
  second->LoadFromText(again);
  auto* okBack = dynamic_cast<TBnBitBtn*>(second->FindComponent("OkButton"));
  auto* ownBack = dynamic_cast<TBnBitBtn*>(second->FindComponent("Own"));
  ASSERT_NE(okBack, nullptr);
  ASSERT_NE(ownBack, nullptr);
  EXPECT_EQ(okBack->Kind(), bkOK);
  EXPECT_EQ(okBack->Caption(), "OK");
  EXPECT_TRUE(okBack->Default());
  EXPECT_EQ(okBack->NumGlyphs(), 2);
  EXPECT_EQ(ownBack->Caption(), "Fine");
  EXPECT_EQ(ownBack->ModalResult(), mrYes);
  EXPECT_TRUE(ownBack->HotTrack());
}

}  // namespace
