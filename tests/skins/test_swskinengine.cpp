// The form skin engine on real forms: the skinned frame of our two skins (golden images, active
// and inactive), the client area it leaves, title-button hit-testing and commands, the region
// of the regioned skin, and skinning and unskinning a form many times.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "paneltest.h"
#include "platform/vcl/extctrls.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/menus.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/comctrls_list.h"
#include "platform/vcl/comctrls_misc.h"
#include "platform/vcl/extctrls2.h"
#include "platform/win/commctrl.h"
#include "platform/vcl/stdctrls.h"
#include "skins/swskinengine.h"
#include "skins/swskinmenubar.h"
#include "skins/swskinwindow.h"

namespace {

std::string KeptSkin(const std::string& Name) {
  return SourceDir() + "/data/swskins/" + Name + ".ssk";
}

class SwSkinEngineTest : public PanelFormTest {
protected:
  void SetUp() override {
    PanelFormTest::SetUp();
    Form->SetCaption("Skinned form");
    Form->SetColor(clBtnFace);
  }
  // Controls of the kinds a form of the program holds.
  void AddControls() {
    auto* b = new TButton(Form);
    b->SetParent(Form);
    b->SetBounds(16, 16, 90, 26);
    b->SetCaption("Button");
    auto* c = new TCheckBox(Form);
    c->SetParent(Form);
    c->SetBounds(16, 56, 120, 20);
    c->SetCaption("Check box");
    c->SetChecked(true);
    auto* r = new TRadioButton(Form);
    r->SetParent(Form);
    r->SetBounds(16, 84, 120, 20);
    r->SetCaption("Radio button");
    auto* e = new TEdit(Form);
    e->SetParent(Form);
    e->SetBounds(160, 16, 160, 24);
    e->SetText("Edit");
    auto* p = new TProgressBar(Form);
    p->SetParent(Form);
    p->SetBounds(160, 56, 160, 18);
    p->SetPosition(40);
    auto* cb = new TComboBox(Form);
    cb->SetParent(Form);
    cb->SetBounds(160, 90, 160, 24);
    cb->Items()->Add("Combo box");
    cb->SetItemIndex(0);
    auto* lb = new TListBox(Form);
    lb->SetParent(Form);
    lb->SetBounds(16, 112, 120, 44);
    lb->Items()->Add("List box");
    auto* tb = new TTrackBar(Form);
    tb->SetParent(Form);
    tb->SetBounds(160, 122, 160, 34);
    tb->SetPosition(4);
  }
  // The range, tab, list and passive controls, in a second row under AddControls' controls.
  void AddMoreControls() {
    auto* t = new TTabControl(Form);
    t->SetParent(Form);
    t->SetBounds(16, 164, 150, 70);
    for (const char* s : {"Tab", "Another"}) t->Tabs()->Add(s);
    t->SetTabIndex(0);
    auto* sb = new TScrollBar(Form);
    sb->SetParent(Form);
    sb->SetBounds(16, 240, 150, 17);
    sb->SetPosition(30);
    auto* u = new TUpDown(Form);
    u->SetParent(Form);
    u->SetBounds(176, 164, 17, 28);
    auto* l = new TLabel(Form);
    l->SetParent(Form);
    l->SetBounds(200, 170, 100, 16);
    l->SetCaption("Label");
    auto* lv = new TListView(Form);
    lv->SetParent(Form);
    lv->SetBounds(176, 200, 144, 58);
    lv->SetViewStyle(vsReport);
    TListColumn* c = lv->AddColumn();
    c->Caption = "Column";
    c->Width = 90;
    auto* dt = new TDateTimePicker(Form);
    dt->SetParent(Form);
    dt->SetBounds(16, 266, 150, 24);
    dt->SetKind(dtkTime);
    dt->SetTime(0.5);
    auto* sp = new TSpeedButton(Form);
    sp->SetParent(Form);
    sp->SetBounds(176, 266, 70, 24);
    sp->SetCaption("Speed");
  }
  TswSkinEngine* Engine(const std::string& Skin) {
    auto* e = new TswSkinEngine(Form);
    e->SetSkinFile(KeptSkin(Skin));
    EXPECT_TRUE(e->Ready());
    e->SetActive(true);
    return e;
  }
  // Screen point of a window-relative point of the form.
  POINT WindowPoint(int X, int Y) {
    RECT wr;
    GetWindowRect(Form->Handle(), &wr);
    return POINT{wr.left + X, wr.top + Y};
  }
  void ClickWindowPoint(int X, int Y) {
    const POINT p = WindowPoint(X, Y);
    InjectMouseMove(p.x, p.y);
    Run();
    InjectMouseButton(p.x, p.y, 0, true);
    Run();
    InjectMouseButton(p.x, p.y, 0, false);
    Run();
  }
};

}  // namespace

TEST_F(SwSkinEngineTest, OnlyOnFormsAndOnePerForm) {
  TComponent owner(nullptr);
  try {
    TswSkinEngine e(&owner);
    FAIL() << "an engine outside a form";
  } catch (const Exception& ex) {
    EXPECT_EQ(ex.Message(), "Must be placed on a Form");
  }
  new TswSkinEngine(Form);
  try {
    new TswSkinEngine(Form);
    FAIL() << "a second engine on one form";
  } catch (const Exception& ex) {
    EXPECT_EQ(ex.Message(), "One form can only catch one TswSkinEngine!");
  }
}

TEST_F(SwSkinEngineTest, DefaultsAndMetrics) {
  auto* e = new TswSkinEngine(Form);
  EXPECT_FALSE(e->Active());
  EXPECT_FALSE(e->Ready());
  EXPECT_EQ(e->DisabledTag(), 9999);
  EXPECT_EQ(e->Version(), "4.46");
  EXPECT_EQ(e->ResSysMenuMax(), "Ma&ximize/Restore");
  // A missing file loads nothing and keeps the old value.
  e->SetSkinFile("/nonexistent/none.ssk");
  EXPECT_EQ(e->SkinFile(), "");
  EXPECT_FALSE(e->IsSkinActive());
  e->SetSkinFile(KeptSkin("harbour"));
  EXPECT_TRUE(e->Ready());
  EXPECT_EQ(e->Metrics().CaptionHeight, 24);
  EXPECT_EQ(e->Metrics().LeftBorder, 4);
  EXPECT_EQ(e->Metrics().BottomBorder, 4);
  EXPECT_EQ(e->Metrics().TransColor, 0xFF00FF);
  // Three sections: W(title 1) + max(W(title 3), W(buttons) / 6 + 35).
  EXPECT_EQ(e->Metrics().MinWidth, 40 + std::max(80, 18 * 18 / 6 + 35));
}

TEST_F(SwSkinEngineTest, DamagedSkinFileRaisesAndLeavesNoSkin) {
  const std::string bad = std::filesystem::temp_directory_path().string() + "/orv_swbad_" +
                          std::to_string(::getpid()) + ".ssk";
  std::ofstream(bad, std::ios::binary) << "SK not an archive at all, padded to pass the size test";
  auto* e = new TswSkinEngine(Form);
  e->SetSkinFile(KeptSkin("prism"));
  ASSERT_TRUE(e->Ready());
  try {
    e->SetSkinFile(bad);
    FAIL() << "a damaged skin loaded";
  } catch (const Exception& ex) {
    EXPECT_EQ(ex.Message(), "Failed to read skin file!");
  }
  EXPECT_FALSE(e->Ready());
  EXPECT_EQ(e->SkinFile(), "");
  std::filesystem::remove(bad);
}

TEST_F(SwSkinEngineTest, SkinnedFormKeepsItsClientAreaAndAnswersTheQuery) {
  const int cw = Form->ClientWidth(), ch = Form->ClientHeight();
  EXPECT_EQ(SendMessage(Form->Handle(), SWM_ISSKINNED, 0, 0), 0);
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  e->SkinForm(Form);  // a second call adds nothing
  Run();
  EXPECT_EQ(e->WindowCount(), 1);
  EXPECT_EQ(SendMessage(Form->Handle(), SWM_ISSKINNED, 0, 0), 1);
  EXPECT_EQ(Form->ClientWidth(), cw);
  EXPECT_EQ(Form->ClientHeight(), ch);
  RECT wr;
  GetWindowRect(Form->Handle(), &wr);
  POINT o{0, 0};
  ClientToScreen(Form->Handle(), &o);
  EXPECT_EQ(o.x - wr.left, 4);
  EXPECT_GE(o.y - wr.top, 24);
  EXPECT_EQ(wr.bottom - (o.y + ch), 4);
  // The caption shows the skin: the title bar's top line is the skin's edge colour.
  HBITMAP shot = RenderWindowToBitmap(Form->Handle());
  ASSERT_TRUE(shot);
  const uint8_t* p = GetBitmapSurface(shot)->Row(0) + 100 * 4;
  EXPECT_EQ(RGB(p[2], p[1], p[0]), RGB(22, 50, 58));
  DeleteObject(shot);
  // Switched off, the form has its own frame again; on, the skin's.
  e->SetActive(false);
  Run();
  EXPECT_EQ(Form->ClientWidth(), cw);
  EXPECT_EQ(Form->ClientHeight(), ch);
  EXPECT_EQ(SendMessage(Form->Handle(), SWM_ISSKINNED, 0, 0), 0);
  e->SetActive(true);
  Run();
  EXPECT_EQ(SendMessage(Form->Handle(), SWM_ISSKINNED, 0, 0), 1);
}

TEST_F(SwSkinEngineTest, DisabledTagKeepsTheStandardFrame) {
  Form->SetTag(9999);
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  Run();
  EXPECT_EQ(e->WindowCount(), 1);
  EXPECT_EQ(SendMessage(Form->Handle(), SWM_ISSKINNED, 0, 0), 0);
}

// Every title button is found where it is drawn and runs its command when clicked.
TEST_F(SwSkinEngineTest, TitleButtonsHitTestAndCommand) {
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  Run();
  TswSkinWindow* w = e->FindWindow(Form->Handle());
  ASSERT_NE(w, nullptr);
  w->PaintFrame();
  RECT wr;
  GetWindowRect(Form->Handle(), &wr);
  const int W = wr.right - wr.left;
  // Right to left: close, maximize, minimize, each 18 wide with 2 between, 6 from the edge.
  struct Case {
    int Element, Left;
  };
  for (const Case& c : {Case{swHotClose, W - 6 - 18}, Case{swHotMax, W - 6 - 18 - 20},
                        Case{swHotMin, W - 6 - 18 - 40}}) {
    const RECT r = w->ElementRect(c.Element);
    EXPECT_EQ(r.left, c.Left) << c.Element;
    EXPECT_EQ(r.right - r.left, 18) << c.Element;
    EXPECT_EQ(r.top, 4) << c.Element;
    EXPECT_EQ(w->ElementAt(r.left + 9, r.top + 8), c.Element);
    // The system answers the caption there, so the skin's buttons get the clicks.
    const POINT s = WindowPoint(r.left + 9, r.top + 8);
    EXPECT_EQ(SendMessage(Form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(s.x, s.y)), HTCAPTION);
    InjectMouseMove(s.x, s.y);
    Run();
    w->PaintFrame();
    EXPECT_EQ(w->HotElement(), c.Element);
  }
  EXPECT_EQ(w->ElementAt(W / 2, 10), swHotNone);
  // Clicking the close button asks the form to close.
  int asked = 0;
  Form->OnCloseQuery = [&](TObject*, bool& CanClose) {
    ++asked;
    CanClose = false;
  };
  RECT close = w->ElementRect(swHotClose);
  ClickWindowPoint(close.left + 9, close.top + 8);
  EXPECT_EQ(asked, 1);
  // Maximize, then restore through the same button; minimize.
  RECT max = w->ElementRect(swHotMax);
  ClickWindowPoint(max.left + 9, max.top + 8);
  EXPECT_TRUE(IsZoomed(Form->Handle()));
  w->PaintFrame();
  max = w->ElementRect(swHotMax);
  ClickWindowPoint(max.left + 9, max.top + 8);
  EXPECT_FALSE(IsZoomed(Form->Handle()));
  w->PaintFrame();
  RECT min = w->ElementRect(swHotMin);
  ClickWindowPoint(min.left + 9, min.top + 8);
  EXPECT_TRUE(IsIconic(Form->Handle()));
}

TEST_F(SwSkinEngineTest, RegionedSkinCutsTheCorners) {
  TswSkinEngine* e = Engine("prism");
  e->SkinForm(Form);
  Run();
  RECT wr;
  GetWindowRect(Form->Handle(), &wr);
  const int W = wr.right - wr.left, H = wr.bottom - wr.top;
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(Form->Handle(), rgn), 0);
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_FALSE(PtInRegion(rgn, W - 1, 0));
  EXPECT_FALSE(PtInRegion(rgn, 0, H - 1));
  EXPECT_FALSE(PtInRegion(rgn, W - 1, H - 1));
  EXPECT_TRUE(PtInRegion(rgn, 10, 1));
  EXPECT_TRUE(PtInRegion(rgn, W / 2, H / 2));
  EXPECT_TRUE(PtInRegion(rgn, W / 2, H - 1));
  DeleteObject(rgn);
  // Unskinned, the window has no region any more.
  e->UnskinHandle(Form->Handle());
  HRGN after = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(Form->Handle(), after), ERROR);
  DeleteObject(after);
}

TEST_F(SwSkinEngineTest, SkinAndUnskinAHundredTimes) {
  AddControls();
  AddMoreControls();
  const int cw = Form->ClientWidth(), ch = Form->ClientHeight();
  TswSkinEngine* e = Engine("prism");
  const int owned = e->ComponentCount();
  for (int i = 0; i < 100; ++i) {
    e->SkinForm(Form);
    if (i % 10 == 0) Run();
    ASSERT_EQ(e->WindowCount(), 1);
    e->UnskinHandle(Form->Handle());
    ASSERT_EQ(e->WindowCount(), 0);
  }
  Run();
  // The helper controls of the skinners (the scroll bar's panel) went with their skinners.
  EXPECT_EQ(e->ComponentCount(), owned);
  EXPECT_EQ(SendMessage(Form->Handle(), SWM_ISSKINNED, 0, 0), 0);
  EXPECT_EQ(Form->ClientWidth(), cw);
  EXPECT_EQ(Form->ClientHeight(), ch);
  EXPECT_EQ(Form->Color(), clBtnFace);
  // Left skinned, the form and its engine go together without a stale window object.
  e->SkinForm(Form);
  Run();
}

TEST_F(SwSkinEngineTest, AnotherFormsWindowObjectGoesWithThatForm) {
  TswSkinEngine* e = Engine("harbour");
  auto* other = new TForm(nullptr);
  other->SetBounds(60, 60, 300, 200);
  other->Show();
  e->SkinForm(other);
  Run();
  EXPECT_EQ(e->WindowCount(), 1);
  delete other;
  Run();
  // Only the test's own form can still be in the list (the hook skins it when it is activated
  // again).
  EXPECT_EQ(e->WindowCount(), e->FindWindow(Form->Handle()) ? 1 : 0);
}

TEST_F(SwSkinEngineTest, GoldenFrames) {
  AddControls();
  AddMoreControls();
  Form->SetBounds(40, 40, 360, 340);
  Run();
  ExpectGolden("swform_unskinned.png");
  for (const char* skin : {"harbour", "prism"}) {
    TswSkinEngine* e = Engine(skin);
    e->SkinForm(Form);
    SetActiveWindow(Form->Handle());
    SendMessage(Form->Handle(), WM_NCACTIVATE, TRUE, 0);
    Run();
    ExpectGolden(std::string("swform_") + skin + "_active.png");
    SendMessage(Form->Handle(), WM_NCACTIVATE, FALSE, 0);
    Run();
    ExpectGolden(std::string("swform_") + skin + "_inactive.png");
    delete e;
    Run();
  }
  ExpectGolden("swform_unskinned.png");
}

TEST_F(SwSkinEngineTest, ControlsGetTheirSkinnersAndGiveThemBack) {
  AddControls();
  auto* lonely = new TEdit(Form);
  lonely->SetParent(Form);
  lonely->SetBounds(160, 100, 100, 24);
  Run();
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  Run();
  TswSkinWindow* w = e->FindWindow(Form->Handle());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->SkinnerCount(), 9);
  for (int i = 0; i < Form->ControlCount(); ++i) {
    // The skinners' own helper controls (skinned scroll bars) are not skinned themselves.
    auto* c = dynamic_cast<TWinControl*>(Form->Controls(i));
    if (c && c->ClassName().rfind("Tsw", 0) != 0) {
      EXPECT_EQ(c->Perform(SWM_ISSKINNED, 0, 0), 1) << c->ClassName();
    }
  }
  // A control freed while skinned takes its skinner along.
  delete lonely;
  EXPECT_EQ(w->SkinnerCount(), 8);
  Run();
  e->UnskinHandle(Form->Handle());
  Run();
  for (int i = 0; i < Form->ControlCount(); ++i) {
    if (auto* c = dynamic_cast<TWinControl*>(Form->Controls(i))) {
      EXPECT_EQ(c->Perform(SWM_ISSKINNED, 0, 0), 0) << c->ClassName();
    }
  }
}

TEST_F(SwSkinEngineTest, SkinnedButtonClicksOnceByMouseAndBySpace) {
  auto* b = new TButton(Form);
  b->SetParent(Form);
  b->SetBounds(20, 20, 100, 28);
  b->SetCaption("Press");
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  SetActiveWindow(Form->Handle());
  Run();
  ClickAt(b, 50, 14);
  EXPECT_EQ(clicks, 1);
  // Released outside the button: no click (pressed away from the first click, so that the
  // press is no double click).
  Press(b, 8, 5);
  Release(b, 300, 200);
  EXPECT_EQ(clicks, 1);
  b->SetFocus();
  Run();
  b->Perform(WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(clicks, 1);
  b->Perform(WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(clicks, 2);
  // The skin's face: the harbour button's light top, not the platform's face colour.
  const COLORREF top = PixelOf(b, 50, 2);
  EXPECT_NE(top, ColorToRGB(clBtnFace));
}

TEST_F(SwSkinEngineTest, CheckBoxShowsTheSkinFrameOfItsState) {
  auto* c = new TCheckBox(Form);
  c->SetParent(Form);
  c->SetBounds(20, 20, 140, 20);
  c->SetCaption("Check");
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  Run();
  // Frame 1 (checked) and 3 (unchecked) differ at the mark's middle; the outline is the skin's.
  EXPECT_EQ(PixelOf(c, 0, 3 + 4), RGB(90, 110, 116));
  const COLORREF unchecked = PixelOf(c, 7, 10);
  c->SetChecked(true);
  Run();
  EXPECT_NE(PixelOf(c, 7, 10), unchecked);
  EXPECT_EQ(PixelOf(c, 7, 10), RGB(34, 140, 160));
}

TEST_F(SwSkinEngineTest, ProgressBarFillsItsShare) {
  auto* p = new TProgressBar(Form);
  p->SetParent(Form);
  p->SetBounds(20, 20, 210, 14);
  p->SetPosition(50);
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  Run();
  // Ends of 5 pixels: 200 pixels of bar, half of it filled after the left end.
  const COLORREF filled = PixelOf(p, 5 + 50, 7);
  const COLORREF empty = PixelOf(p, 5 + 150, 7);
  EXPECT_NE(filled, empty);
  EXPECT_EQ(PixelOf(p, 5 + 99, 7), filled);
  EXPECT_EQ(PixelOf(p, 5 + 101, 7), empty);
  p->SetPosition(p->Min());
  p->SetMax(p->Min());
  Run();
  EXPECT_EQ(PixelOf(p, 5 + 1, 7), empty);
}

TEST_F(SwSkinEngineTest, HookSkinsListedClassesWhenActivated) {
  AddAutoSkinClassName("TswSomeToolForm");
  AddAutoSkinClassName("tswsometoolform");
  EXPECT_TRUE(IsAutoSkinClassName("TSWSOMETOOLFORM"));
  EXPECT_TRUE(IsAutoSkinClassName("TForm"));
  EXPECT_FALSE(IsAutoSkinClassName("TFormNobody"));
  TswSkinEngine* e = Engine("harbour");
  ASSERT_EQ(TswSkinEngine::HookEngine(), e);
  auto* other = new TForm(nullptr);  // class "TForm", in the list
  other->SetBounds(80, 80, 300, 200);
  other->Show();
  SetActiveWindow(other->Handle());
  Run();
  EXPECT_EQ(SendMessage(other->Handle(), SWM_ISSKINNED, 0, 0), 1);
  EXPECT_NE(e->FindWindow(other->Handle()), nullptr);
  // Activated again, it is not skinned twice.
  SetActiveWindow(Form->Handle());
  SetActiveWindow(other->Handle());
  Run();
  EXPECT_EQ(e->WindowCount(), 2 - (e->FindWindow(Form->Handle()) ? 0 : 1));
  delete other;
  Run();
  EXPECT_EQ(e->WindowCount(), e->FindWindow(Form->Handle()) ? 1 : 0);
}

namespace {

// Runs Action from a timer of Owner (so also inside a modal loop).
void SwLater(TComponent* Owner, std::function<void()> Action) {
  auto* t = new TTimer(Owner);
  t->SetInterval(1);
  t->SetOnTimer([t, Action](TObject*) {
    t->SetEnabled(false);
    Action();
  });
}

}  // namespace

// A message box opened from a skinned form is skinned by the hook when it is activated, and its
// skinned buttons answer Space (on key-up) and Enter.
TEST_F(SwSkinEngineTest, SkinnedMessageBoxAnswersTheKeyboard) {
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  Run();
  for (UINT key : {VK_SPACE, VK_RETURN}) {
    bool skinned = false, dialogClass = false;
    int seenDown = 0;
    SwLater(Form, [&] {
      HWND box = GetActiveWindow();
      char cls[64] = {};
      GetClassNameA(box, cls, sizeof cls);
      dialogClass = std::string(cls) == "#32770";
      skinned = SendMessage(box, SWM_ISSKINNED, 0, 0) == 1;
      HWND focus = GetFocus();
      seenDown = focus ? static_cast<int>(SendMessage(focus, SWM_ISSKINNED, 0, 0)) : -1;
      InjectKey(key, true);
      InjectKey(key, false);
    });
    const int r = MessageBox(Form->Handle(), "Skinned question", "Orvanta", MB_OKCANCEL);
    EXPECT_TRUE(dialogClass) << key;
    EXPECT_TRUE(skinned) << key;
    EXPECT_EQ(seenDown, 1) << "the focused button is skinned";
    EXPECT_EQ(r, IDOK) << key;
  }
  // The boxes are gone and so are their window objects.
  Run();
  EXPECT_EQ(e->WindowCount(), e->FindWindow(Form->Handle()) ? 1 : 0);
}

// The stored skin goes through a temporary file that is gone afterwards; a temporary folder that
// cannot be written makes the load give up with an error instead of trying forever.
TEST_F(SwSkinEngineTest, StoredSkinLoadsThroughATemporaryFile) {
  char tmpl[] = "/tmp/orv_swstored_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  const char* oldTmp = std::getenv("TMPDIR");
  const std::string keep = oldTmp ? oldTmp : "";
  setenv("TMPDIR", dir.c_str(), 1);
  auto* e = new TswSkinEngine(Form);
  TMemoryStream stored;
  stored.LoadFromFile(KeptSkin("prism"));
  e->ReadSkinData(&stored);
  EXPECT_TRUE(e->Ready());
  EXPECT_EQ(e->SkinFile(), "");
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  // A "folder" that is a file: nothing can be created in it.
  const std::string file = dir + "/plain";
  std::ofstream(file) << "x";
  setenv("TMPDIR", (file + "/").c_str(), 1);
  stored.SetPosition(0);
  EXPECT_THROW(e->ReadSkinData(&stored), EInOutError);
  if (oldTmp)
    setenv("TMPDIR", keep.c_str(), 1);
  else
    unsetenv("TMPDIR");
  std::filesystem::remove_all(dir);
}

// A form with a menu shows it on the skinned menu bar while skinned (the form itself has none
// then, and its client area grows by the bar) and gets it back when unskinned.
TEST_F(SwSkinEngineTest, FormKeepsItsMenu) {
  auto* menu = new TMainMenu(Form);
  auto* item = new TMenuItem(Form);
  item->SetCaption("File");
  menu->Items()->Add(item);
  Form->SetMenu(menu);
  Run();
  const int cw = Form->ClientWidth(), ch = Form->ClientHeight();
  TswSkinEngine* e = Engine("prism");
  e->SkinForm(Form);
  Run();
  auto* w = dynamic_cast<TswSkinWindowVCL*>(e->FindWindow(Form->Handle()));
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(Form->Menu(), nullptr);
  EXPECT_EQ(GetMenu(Form->Handle()), nullptr);
  ASSERT_NE(w->MenuBar(), nullptr);
  EXPECT_TRUE(w->MenuBar()->Visible());
  const int bar = w->MenuBar()->Height();
  EXPECT_GT(bar, 0);
  EXPECT_EQ(SendMessage(Form->Handle(), SWM_MENUBARHEIGHT, 0, 0), bar);
  EXPECT_EQ(Form->ClientWidth(), cw);
  EXPECT_EQ(Form->ClientHeight(), ch + bar);
  e->UnskinHandle(Form->Handle());
  Run();
  EXPECT_EQ(Form->Menu(), menu);
  EXPECT_NE(GetMenu(Form->Handle()), nullptr);
  RECT row{};
  EXPECT_TRUE(GetMenuBarRect(Form->Handle(), &row));
  EXPECT_EQ(Form->ClientWidth(), cw);
  EXPECT_EQ(Form->ClientHeight(), ch);
}

// The form's popup menus are owner-drawn in the skin's menu colours while the form is skinned.
TEST_F(SwSkinEngineTest, PopupMenusAreOwnerDrawnInTheSkin) {
  auto* popup = new TPopupMenu(Form);
  auto* open = new TMenuItem(Form);
  open->SetCaption("Open");
  open->SetChecked(true);
  auto* line = new TMenuItem(Form);
  line->SetCaption("-");
  popup->Items()->Add(open);
  popup->Items()->Add(line);
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  Run();
  EXPECT_TRUE(popup->OwnerDraw());
  ASSERT_TRUE(open->OnMeasureItem);
  ASSERT_TRUE(open->OnDrawItem);
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(160, 30);
  int w = 0, h = 0;
  line->OnMeasureItem(line, b.Canvas(), w, h);
  EXPECT_EQ(h, 5);
  open->OnMeasureItem(open, b.Canvas(), w, h);
  EXPECT_GE(h, 21);
  EXPECT_EQ(w, b.Canvas()->TextWidth("Open") + 66);
  // Not selected: the left bar (caption top colour of harbour) and the item colour.
  open->OnDrawItem(open, b.Canvas(), RECT{0, 0, 160, 22}, false);
  EXPECT_EQ(b.Canvas()->Pixels(30, 20), ColorToRGB(e->SkinColor(11)));
  // Selected: filled with the selected colour inside the border colour.
  open->OnDrawItem(open, b.Canvas(), RECT{0, 0, 160, 22}, true);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), ColorToRGB(e->SkinColor(14)));
  EXPECT_EQ(b.Canvas()->Pixels(150, 18), ColorToRGB(e->SkinColor(13)));
  e->UnskinHandle(Form->Handle());
  EXPECT_FALSE(popup->OwnerDraw());
  EXPECT_FALSE(open->OnDrawItem);
}

TEST_F(SwSkinEngineTest, ComboBoxGetsTheSkinBorderAndButton) {
  auto* cb = new TComboBox(Form);
  cb->SetParent(Form);
  cb->SetBounds(20, 20, 150, 24);
  cb->SetStyle(csDropDownList);
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  Run();
  COMBOBOXINFO info;
  info.cbSize = 52;
  ASSERT_TRUE(GetComboBoxInfo(cb->Handle(), &info));
  RECT wr;
  GetWindowRect(cb->Handle(), &wr);
  HBITMAP shot = RenderWindowToBitmap(Form->Handle());
  ASSERT_TRUE(shot);
  RECT fr;
  GetWindowRect(Form->Handle(), &fr);
  auto pixel = [&](int X, int Y) {
    const uint8_t* p = GetBitmapSurface(shot)->Row(wr.top - fr.top + Y) + (wr.left - fr.left + X) * 4;
    return RGB(p[2], p[1], p[0]);
  };
  EXPECT_EQ(pixel(0, 0), ColorToRGB(e->SkinColor(22)));
  POINT o{0, 0};
  ClientToScreen(cb->Handle(), &o);
  const int bx = o.x - wr.left + info.rcButton.right - 2, by = o.y - wr.top + info.rcButton.top + 1;
  EXPECT_EQ(pixel(bx, by), ColorToRGB(e->SkinColor(21)));
  DeleteObject(shot);
}

// Panels take the skinned form's colour and give it back; group boxes get the skin's frame.
TEST_F(SwSkinEngineTest, PanelsAndGroupBoxesFollowTheSkin) {
  auto* panel = new TPanel(Form);
  panel->SetParent(Form);
  panel->SetBounds(10, 10, 120, 60);
  panel->SetColor(clYellow);
  auto* group = new TGroupBox(Form);
  group->SetParent(Form);
  group->SetBounds(150, 10, 150, 80);
  group->SetCaption("Group");
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  Run();
  EXPECT_EQ(panel->Color(), e->FormColor());
  // The frame's bottom line, in the control border colour.
  EXPECT_EQ(PixelOf(group, 75, 78), ColorToRGB(e->SkinColor(22)));
  e->SetActive(false);
  Run();
  EXPECT_EQ(panel->Color(), clYellow);
  e->SetActive(true);
  Run();
  EXPECT_EQ(panel->Color(), e->FormColor());
  e->UnskinHandle(Form->Handle());
  EXPECT_EQ(panel->Color(), clYellow);
  EXPECT_FALSE(panel->ParentColor());
}

// An engine freed before the other forms it skinned gives them their own look back.
TEST_F(SwSkinEngineTest, EngineFreedFirstReleasesOtherForms) {
  auto* other = new TForm(nullptr);
  other->SetBounds(60, 60, 300, 200);
  auto* b = new TButton(other);
  b->SetParent(other);
  b->SetBounds(10, 10, 80, 25);
  other->Show();
  TswSkinEngine* e = Engine("prism");
  e->SkinForm(other);
  Run();
  EXPECT_EQ(SendMessage(other->Handle(), SWM_ISSKINNED, 0, 0), 1);
  EXPECT_EQ(b->Perform(SWM_ISSKINNED, 0, 0), 1);
  delete e;
  Run();
  EXPECT_EQ(SendMessage(other->Handle(), SWM_ISSKINNED, 0, 0), 0);
  EXPECT_EQ(b->Perform(SWM_ISSKINNED, 0, 0), 0);
  HRGN r = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(other->Handle(), r), ERROR);
  DeleteObject(r);
  other->SetBounds(70, 70, 320, 220);
  Run();
  delete other;
}

TEST_F(SwSkinEngineTest, TrackBarDrawsChannelAndThumbFromTheSkin) {
  auto* t = new TTrackBar(Form);
  t->SetParent(Form);
  t->SetBounds(20, 20, 220, 36);
  t->SetPosition(3);
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  Run();
  RECT ch{}, th{};
  SendMessage(t->Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&ch));
  SendMessage(t->Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&th));
  // The channel picture is 6 rows high, centred on the channel; its second row is the dark line.
  const int top = ch.top + ((ch.bottom - ch.top) - 6) / 2;
  const int x = th.right + 30 < ch.right - 10 ? th.right + 30 : ch.left + 10;
  EXPECT_EQ(PixelOf(t, x, top + 1), RGB(90, 110, 116));
  // The thumb shows the slider's gradient, not the form colour.
  const COLORREF thumb = PixelOf(t, (th.left + th.right) / 2, (th.top + th.bottom) / 2);
  EXPECT_NE(thumb, ColorToRGB(e->FormColor()));
  t->SetPosition(7);
  Run();
  EXPECT_NE(PixelOf(t, (th.left + th.right) / 2, (th.top + th.bottom) / 2), thumb);
}

TEST_F(SwSkinEngineTest, StatusBarGripInTheInactiveCaptionColour) {
  auto* bar = new TStatusBar(Form);
  bar->SetParent(Form);
  bar->SetAlign(alBottom);
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  Run();
  EXPECT_EQ(bar->Color(), e->FormColor());
  const RECT cr = bar->ClientRect();
  // A point of the grip's first full line, from (left + 5, bottom) to (right, top + 4).
  const int gl = cr.right - 16, gb = cr.bottom - 1;
  EXPECT_EQ(PixelOf(bar, gl + 5 + 4, gb - 4), ColorToRGB(clInactiveCaption));
  EXPECT_EQ(PixelOf(bar, cr.right - 18, 5), ColorToRGB(e->FormColor()));
}

// Right-clicking the skinned caption opens the engine's system menu; its items follow the
// caption buttons and run their commands on that window.
TEST_F(SwSkinEngineTest, SystemMenuFromTheCaption) {
  TswSkinEngine* e = Engine("harbour");
  e->SetResSysMenuClose("&Close it");
  e->SkinForm(Form);
  SetActiveWindow(Form->Handle());
  Run();
  TPopupMenu* menu = e->SystemMenu();
  ASSERT_EQ(menu->Items()->Count(), 4);
  EXPECT_EQ(menu->Items()->Items(2)->Caption(), "-");
  EXPECT_EQ(menu->Items()->Items(3)->Caption(), "&Close it");
  EXPECT_TRUE(menu->OwnerDraw());
  bool opened = false, minEnabled = false, closeEnabled = false;
  // Acts from inside the menu's own loop, once it is open.
  menu->OnPopup = [&](TObject*) {
    SwLater(Form, [&] {
      opened = true;
      minEnabled = menu->Items()->Items(0)->Enabled();
      closeEnabled = menu->Items()->Items(3)->Enabled();
      menu->Items()->Items(0)->Click();
      InjectKey(VK_ESCAPE, true);
      InjectKey(VK_ESCAPE, false);
    });
  };
  const POINT p = WindowPoint(120, 10);
  InjectMouseMove(p.x, p.y);
  Run();
  InjectMouseButton(p.x, p.y, 1, true);
  Run();
  InjectMouseButton(p.x, p.y, 1, false);
  Run();
  EXPECT_TRUE(opened);
  EXPECT_TRUE(minEnabled);
  EXPECT_TRUE(closeEnabled);
  Run();
  EXPECT_TRUE(IsIconic(Form->Handle()));
}

// A new skin goes on over every skinned window: visible windows stay shown (top-level windows
// have the desktop as parent and so are not hidden meanwhile), a hidden one stays hidden, and
// the first skinned window is the active one afterwards.
TEST_F(SwSkinEngineTest, NewSkinKeepsVisibilityAndActivatesTheFirstWindow) {
  TswSkinEngine* e = Engine("harbour");
  e->SkinForm(Form);
  auto* shown = new TForm(nullptr);
  shown->SetBounds(90, 90, 300, 200);
  shown->Show();
  auto* hidden = new TForm(nullptr);
  hidden->SetBounds(120, 120, 300, 200);
  e->SkinForm(shown);
  e->SkinForm(hidden);
  hidden->HandleNeeded();
  Run();
  SetActiveWindow(shown->Handle());
  Run();
  ASSERT_EQ(e->WindowCount(), 3);
  ASSERT_EQ(GetActiveWindow(), shown->Handle());
  e->SetSkinFile(KeptSkin("prism"));
  Run();
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));
  EXPECT_TRUE(IsWindowVisible(shown->Handle()));
  EXPECT_FALSE(IsWindowVisible(hidden->Handle()));
  EXPECT_EQ(GetActiveWindow(), Form->Handle());
  EXPECT_EQ(SendMessage(shown->Handle(), SWM_ISSKINNED, 0, 0), 1);
  delete hidden;
  delete shown;
  Run();
}

// The engine's class names go to the auto-skin list when it is loaded, not before; the setter
// keeps a copy of the given list.
TEST_F(SwSkinEngineTest, AutoSkinWndClassNamesJoinTheListWhenLoaded) {
  auto* e = new TswSkinEngine(Form);
  EXPECT_EQ(e->AutoSkinWndClassNames()->Count(), 0);
  TStringList names;
  names.Add("TswLoadedToolWindow");
  names.Add("TswLoadedOtherWindow");
  e->SetAutoSkinWndClassNames(&names);
  names.Clear();
  names.Add("TswNeverGivenWindow");
  ASSERT_EQ(e->AutoSkinWndClassNames()->Count(), 2);
  EXPECT_EQ(e->AutoSkinWndClassNames()->Strings(1), "TswLoadedOtherWindow");
  EXPECT_FALSE(IsAutoSkinClassName("TswLoadedToolWindow"));
  e->Loaded();
  EXPECT_TRUE(IsAutoSkinClassName("TSWLOADEDTOOLWINDOW"));
  EXPECT_TRUE(IsAutoSkinClassName("TswLoadedOtherWindow"));
  EXPECT_FALSE(IsAutoSkinClassName("TswNeverGivenWindow"));
  e->SetAutoSkinWndClassNames(nullptr);
  EXPECT_EQ(e->AutoSkinWndClassNames()->Count(), 0);
}
