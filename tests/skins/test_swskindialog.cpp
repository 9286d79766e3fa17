// Skinned dialogs of the window layer (class "#32770", not forms): skinned by the hook when
// activated, their child windows skinned by class and button type, the keyboard and mouse on
// their skinned buttons, the caption's close button, golden images, and skinning and
// unskinning many times.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "paneltest.h"
#include "platform/vcl/comctrls_comboex.h"
#include "platform/vcl/stdctrls.h"
#include "skins/swskinengine.h"
#include "skins/swskinwindow.h"
#include "skins/swskinwnd.h"

namespace {

// Button types the window layer does not name.
constexpr DWORD kDlgTestUserButton = 0x8, kDlgTestSplitButton = 0xC, kDlgTestCommandLink = 0xE;

std::vector<WPARAM>& DlgTestCommands() {
  static std::vector<WPARAM> commands;
  return commands;
}
WNDPROC gDlgTestOldProc = nullptr;
WNDPROC gDlgTestLaterOldProc = nullptr;

// A procedure put in front of a child window after its skinner.
LRESULT DlgTestLaterProc(HWND W, UINT Msg, WPARAM Wp, LPARAM Lp) {
  return CallWindowProc(gDlgTestLaterOldProc, W, Msg, Wp, Lp);
}

// In front of the dialog's own procedure: records the commands the dialog hears.
LRESULT DlgTestRecordingProc(HWND W, UINT Msg, WPARAM Wp, LPARAM Lp) {
  if (Msg == WM_COMMAND) DlgTestCommands().push_back(Wp);
  return CallWindowProc(gDlgTestOldProc, W, Msg, Wp, Lp);
}

class SwSkinDialogTest : public PanelFormTest {
protected:
  void SetUp() override {
    PanelFormTest::SetUp();
    DlgTestCommands().clear();
  }
  void TearDown() override {
    if (Dialog && IsWindow(Dialog)) DestroyWindow(Dialog);
    PanelFormTest::TearDown();
  }
  TswSkinEngine* Engine(const std::string& Skin) {
    auto* e = new TswSkinEngine(Form);
    e->SetSkinFile(SourceDir() + "/data/swskins/" + Skin + ".ssk");
    EXPECT_TRUE(e->Ready());
    e->SetActive(true);
    return e;
  }
  HWND Child(const char* Class, const char* Text, DWORD Style, int Id, int X, int Y, int W, int H) {
    return CreateWindowEx(0, Class, Text, WS_CHILD | WS_VISIBLE | Style, X, Y, W, H, Dialog,
                          reinterpret_cast<HMENU>(static_cast<intptr_t>(Id)), nullptr, nullptr);
  }
  // A dialog of the window layer with push buttons, a check box, radio buttons and a group box;
  // shown (and so activated) only when Show.
  void MakeDialog(bool Show = true) {
    Dialog = CreateWindowEx(0, "#32770", "Skinned dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                            120, 100, 320, 170, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(Dialog);
    gDlgTestOldProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(Dialog, GWL_WNDPROC));
    SetWindowLongPtr(Dialog, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&DlgTestRecordingProc));
    Group = Child("BUTTON", "Options", BS_GROUPBOX, 10, 8, 6, 170, 92);
    Check = Child("BUTTON", "Keep originals", BS_AUTOCHECKBOX | WS_TABSTOP, 11, 16, 24, 150, 20);
    SendMessage(Check, BM_SETCHECK, BST_CHECKED, 0);
    Radio1 = Child("BUTTON", "Small prints", BS_AUTORADIOBUTTON | WS_GROUP, 12, 16, 48, 150, 20);
    Radio2 = Child("BUTTON", "Large prints", BS_AUTORADIOBUTTON, 13, 16, 70, 150, 20);
    SendMessage(Radio2, BM_SETCHECK, BST_CHECKED, 0);
    Ok = Child("BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK, 200, 10, 90, 26);
    Cancel = Child("BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 200, 44, 90, 26);
    RECT cr;
    GetClientRect(Dialog, &cr);
    ClientW = cr.right;
    ClientH = cr.bottom;
    if (Show) {
      ShowWindow(Dialog, SW_SHOW);
      SetActiveWindow(Dialog);
      Run();
    }
  }
  POINT ScreenOf(HWND W, int X, int Y) {
    POINT p{X, Y};
    ClientToScreen(W, &p);
    return p;
  }
  void MouseAt(POINT P, int Down) {
    InjectMouseMove(P.x, P.y);
    Run();
    if (Down >= 0) {
      InjectMouseButton(P.x, P.y, 0, Down != 0);
      Run();
    }
  }
  int CommandsOf(int Id) const {
    int n = 0;
    for (WPARAM w : DlgTestCommands())
      if (LOWORD(w) == Id) ++n;
    return n;
  }
  void ExpectDialogGolden(const std::string& Name) {
    Run();
    UpdateAllWindows();
    HBITMAP shot = RenderWindowToBitmap(Dialog);
    ASSERT_TRUE(shot);
    const std::string golden = SourceDir() + "/tests/skins/golden/" + Name;
    if (std::getenv("ORVANTA_UPDATE_GOLDEN")) SaveBitmapToPng(shot, golden);
    HBITMAP want = LoadPngToBitmap(golden);
    EXPECT_TRUE(want) << "missing golden image " << golden;
    if (want) {
      EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 20) << Name;
      DeleteObject(want);
    }
    DeleteObject(shot);
  }
  HWND Dialog = nullptr, Group = nullptr, Check = nullptr, Radio1 = nullptr, Radio2 = nullptr;
  HWND Ok = nullptr, Cancel = nullptr;
  int ClientW = 0, ClientH = 0;
};

}  // namespace

// Buttons are told apart by their type value: owner-drawn buttons and group boxes get no
// skinner, command links and split buttons are pushed, never check boxes.
TEST_F(SwSkinDialogTest, ButtonsAreClassifiedByTheirTypeValue) {
  Dialog = CreateWindowEx(0, "#32770", "Types", WS_POPUP | WS_CAPTION, 0, 0, 200, 100, nullptr,
                          nullptr, nullptr, nullptr);
  struct Case {
    DWORD Type;
    const char* Key;
  };
  const Case cases[] = {
      {BS_PUSHBUTTON, "BUTTON"},          {BS_DEFPUSHBUTTON, "BUTTON"},
      {BS_CHECKBOX, "BUTTON_CHECKBOX"},   {BS_AUTOCHECKBOX, "BUTTON_CHECKBOX"},
      {BS_3STATE, "BUTTON_CHECKBOX"},     {BS_AUTO3STATE, "BUTTON_CHECKBOX"},
      {BS_RADIOBUTTON, "BUTTON_RADIOBUTTON"}, {BS_AUTORADIOBUTTON, "BUTTON_RADIOBUTTON"},
      {BS_GROUPBOX, ""},                  {BS_OWNERDRAW, ""},
      {kDlgTestUserButton, "BUTTON"},     {kDlgTestSplitButton, "BUTTON"},
      {kDlgTestCommandLink, "BUTTON"},
  };
  for (const Case& c : cases) {
    HWND b = Child("BUTTON", "b", c.Type, 100, 0, 0, 40, 20);
    EXPECT_EQ(WndSkinnerKey(b), c.Key) << "type " << c.Type;
    DestroyWindow(b);
  }
  HWND grip = Child("SCROLLBAR", "", SBS_VERT, 101, 0, 0, 16, 40);
  EXPECT_EQ(WndSkinnerKey(grip), "SCROLLBAR");
}

// The strip cells of check boxes and radio buttons by state.
TEST_F(SwSkinDialogTest, CheckAndRadioCellsFollowTheState) {
  struct Case {
    int Check;
    bool Enabled;
    int Cell;
  };
  for (const Case& c : {Case{BST_CHECKED, true, 1}, Case{BST_INDETERMINATE, true, 2},
                        Case{BST_UNCHECKED, true, 3}, Case{BST_CHECKED, false, 4},
                        Case{BST_INDETERMINATE, false, 5}, Case{BST_UNCHECKED, false, 6}})
    EXPECT_EQ(TswSkinWndCheckBox::Cell(c.Check, c.Enabled), c.Cell) << c.Check << c.Enabled;
  EXPECT_EQ(TswSkinWndRadioButton::Cell(true, true), 1);
  EXPECT_EQ(TswSkinWndRadioButton::Cell(false, true), 2);
  EXPECT_EQ(TswSkinWndRadioButton::Cell(true, false), 3);
  EXPECT_EQ(TswSkinWndRadioButton::Cell(false, false), 4);
}

// Activated, the dialog is skinned once by the hook: its own window object, skinners on the
// buttons but not the group box, a close button only, and the client area it had.
TEST_F(SwSkinDialogTest, HookSkinsTheDialogWhenActivated) {
  TswSkinEngine* e = Engine("harbour");
  MakeDialog();
  auto* w = dynamic_cast<TswSkinWindowWnd*>(e->FindWindow(Dialog));
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(SendMessage(Dialog, SWM_ISSKINNED, 0, 0), 1);
  EXPECT_EQ(w->WndSkinnerCount(), 5);
  EXPECT_EQ(w->WndSkinnerOf(Group), nullptr);
  for (HWND c : {Check, Radio1, Radio2, Ok, Cancel}) {
    EXPECT_NE(w->WndSkinnerOf(c), nullptr);
    EXPECT_EQ(SendMessage(c, SWM_ISSKINNED, 0, 0), 1);
  }
  RECT cr;
  GetClientRect(Dialog, &cr);
  EXPECT_EQ(cr.right, ClientW);
  EXPECT_EQ(cr.bottom, ClientH);
  w->PaintFrame();
  EXPECT_TRUE(w->ShowsClose());
  EXPECT_FALSE(w->ShowsMaximize());
  EXPECT_FALSE(w->ShowsMinimize());
  // Activated again it is not skinned twice.
  SetActiveWindow(Form->Handle());
  SetActiveWindow(Dialog);
  Run();
  EXPECT_EQ(e->FindWindow(Dialog), w);
  // With SkinDialogs off a new dialog keeps its own look.
  DestroyWindow(Dialog);
  e->SetSkinDialogs(false);
  MakeDialog();
  EXPECT_EQ(e->FindWindow(Dialog), nullptr);
  EXPECT_EQ(SendMessage(Dialog, SWM_ISSKINNED, 0, 0), 0);
}

// Space clicks a skinned button when it goes up, once; the mouse clicks when released over the
// button, once, and not when released elsewhere.
TEST_F(SwSkinDialogTest, SkinnedButtonsAnswerKeyboardAndMouse) {
  Engine("harbour");
  MakeDialog();
  SetFocus(Ok);
  Run();
  InjectKey(VK_SPACE, true);
  Run();
  EXPECT_EQ(CommandsOf(IDOK), 0) << "nothing on the key going down";
  InjectKey(VK_SPACE, false);
  Run();
  EXPECT_EQ(CommandsOf(IDOK), 1);
  // A key-up without its key-down on the button does nothing.
  InjectKey(VK_SPACE, false);
  Run();
  EXPECT_EQ(CommandsOf(IDOK), 1);
  // Mouse: press and release over Cancel.
  MouseAt(ScreenOf(Cancel, 20, 10), 1);
  EXPECT_EQ(GetFocus(), Cancel);
  MouseAt(ScreenOf(Cancel, 22, 12), 0);
  EXPECT_EQ(CommandsOf(IDCANCEL), 1);
  // Pressed over it, released away from it: no click.
  MouseAt(ScreenOf(Cancel, 20, 10), 1);
  MouseAt(ScreenOf(Cancel, 20, 80), 0);
  EXPECT_EQ(CommandsOf(IDCANCEL), 1);
  // Space on the check box is the box's own: it toggles.
  SetFocus(Check);
  Run();
  InjectKey(VK_SPACE, true);
  InjectKey(VK_SPACE, false);
  Run();
  EXPECT_EQ(SendMessage(Check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

// The caption's close button of a skinned dialog, found by hit-testing, sends Cancel.
TEST_F(SwSkinDialogTest, CloseButtonHitTestSendsCancel) {
  TswSkinEngine* e = Engine("prism");
  MakeDialog();
  TswSkinWindow* w = e->FindWindow(Dialog);
  ASSERT_NE(w, nullptr);
  w->PaintFrame();
  const RECT close = w->ElementRect(swHotClose);
  ASSERT_GT(close.right, close.left);
  EXPECT_EQ(w->ElementRect(swHotMax).right, 0);
  EXPECT_EQ(w->ElementRect(swHotMin).right, 0);
  EXPECT_EQ(w->ElementRect(swHotIcon).right, 0);
  RECT wr;
  GetWindowRect(Dialog, &wr);
  const POINT at{wr.left + (close.left + close.right) / 2, wr.top + (close.top + close.bottom) / 2};
  EXPECT_EQ(SendMessage(Dialog, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)), HTCAPTION);
  EXPECT_EQ(w->ElementAt(at.x - wr.left, at.y - wr.top), swHotClose);
  InjectMouseMove(at.x, at.y);
  Run();
  InjectMouseButton(at.x, at.y, 0, true);
  Run();
  InjectMouseButton(at.x, at.y, 0, false);
  Run();
  EXPECT_EQ(CommandsOf(IDCANCEL), 1);
  EXPECT_TRUE(IsWindow(Dialog));
}

// Destroying a skinned dialog frees its window object, also while the skin is switched off,
// and the hook does not skin the dialog again during its destruction.
TEST_F(SwSkinDialogTest, DestroyedDialogTakesItsWindowObjectAlong) {
  TswSkinEngine* e = Engine("harbour");
  for (bool active : {true, false}) {
    e->SetActive(true);
    MakeDialog();
    ASSERT_NE(e->FindWindow(Dialog), nullptr);
    // The test's form may be skinned too (the hook skins it when it is activated again).
    auto others = [&] { return e->WindowCount() - (e->FindWindow(Form->Handle()) ? 1 : 0); };
    EXPECT_EQ(others(), 1);
    e->SetActive(active);
    const HWND gone = Dialog;
    DestroyWindow(Dialog);
    Dialog = nullptr;
    Run();
    EXPECT_EQ(others(), 0) << active;
    EXPECT_EQ(e->FindWindow(gone), nullptr) << active;
    EXPECT_EQ(TswSkinEngine::LastDestroyedDialog(), gone);
  }
}

// Switching the skin off and on keeps the dialog's client area and gives the frame back.
TEST_F(SwSkinDialogTest, SkinOffAndOnKeepsTheClientArea) {
  TswSkinEngine* e = Engine("prism");
  MakeDialog();
  RECT before;
  ASSERT_NE(e->FindWindow(Dialog), nullptr);
  e->SetActive(false);
  Run();
  GetWindowRect(Dialog, &before);
  for (int i = 0; i < 3; ++i) {
    e->SetActive(true);
    Run();
    RECT cr;
    GetClientRect(Dialog, &cr);
    EXPECT_EQ(cr.right, ClientW);
    EXPECT_EQ(cr.bottom, ClientH);
    EXPECT_EQ(GetWindowLongPtr(Dialog, GWL_STYLE) & WS_SYSMENU, 0);
    e->SetActive(false);
    Run();
    RECT wr;
    GetWindowRect(Dialog, &wr);
    EXPECT_TRUE(SameRect(wr, before)) << i;
    EXPECT_NE(GetWindowLongPtr(Dialog, GWL_STYLE) & WS_SYSMENU, 0);
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(Dialog, r), ERROR);
    DeleteObject(r);
  }
}

// Skinned and unskinned a hundred times, the dialog and its children get their procedures, size
// and style back each time (the sanitizer build watches for leaks and stale skinners).
TEST_F(SwSkinDialogTest, SkinAndUnskinAHundredTimes) {
  TswSkinEngine* e = Engine("prism");
  e->SetSkinDialogs(false);
  MakeDialog();
  const LONG_PTR dialogProc = GetWindowLongPtr(Dialog, GWL_WNDPROC);
  const LONG_PTR okProc = GetWindowLongPtr(Ok, GWL_WNDPROC);
  const LONG_PTR style = GetWindowLongPtr(Dialog, GWL_STYLE);
  RECT before;
  GetWindowRect(Dialog, &before);
  for (int i = 0; i < 100; ++i) {
    e->SkinHandle(Dialog, true);
    if (i % 10 == 0) Run();
    ASSERT_NE(e->FindWindow(Dialog), nullptr);
    ASSERT_EQ(SendMessage(Ok, SWM_ISSKINNED, 0, 0), 1);
    e->UnskinHandle(Dialog);
    ASSERT_EQ(e->FindWindow(Dialog), nullptr);
  }
  Run();
  EXPECT_EQ(GetWindowLongPtr(Dialog, GWL_WNDPROC), dialogProc);
  EXPECT_EQ(GetWindowLongPtr(Ok, GWL_WNDPROC), okProc);
  EXPECT_EQ(GetWindowLongPtr(Dialog, GWL_STYLE), style);
  EXPECT_EQ(SendMessage(Ok, SWM_ISSKINNED, 0, 0), 0);
  RECT after;
  GetWindowRect(Dialog, &after);
  EXPECT_TRUE(SameRect(before, after));
  // Left skinned, the dialog goes with the engine without a stale window object.
  e->SkinHandle(Dialog, true);
  Run();
}

TEST_F(SwSkinDialogTest, GoldenDialogs) {
  MakeDialog();
  ExpectDialogGolden("swdialog_unskinned.png");
  DestroyWindow(Dialog);
  for (const char* skin : {"harbour", "prism"}) {
    TswSkinEngine* e = Engine(skin);
    MakeDialog();
    ASSERT_NE(e->FindWindow(Dialog), nullptr);
    SetFocus(Ok);
    // The mouse away from the dialog: no hot element or button.
    InjectMouseMove(2, 2);
    SendMessage(Dialog, WM_NCACTIVATE, TRUE, 0);
    ExpectDialogGolden(std::string("swdialog_") + skin + ".png");
    DestroyWindow(Dialog);
    Dialog = nullptr;
    delete e;
    Run();
  }
}

// While the skin is on, size grips are refused unless their extended style is exactly
// WS_EX_NOPARENTNOTIFY (the grips status bars ask for).
TEST_F(SwSkinDialogTest, SizeGripsAreRefusedWhileSkinned) {
  MakeDialog(false);
  struct Case {
    DWORD Style, ExStyle;
    bool Created;
  };
  auto make = [&](const Case& c) {
    return CreateWindowEx(c.ExStyle, "SCROLLBAR", "", WS_CHILD | c.Style, 0, 0, 16, 16, Dialog,
                          nullptr, nullptr, nullptr);
  };
  const Case skinned[] = {{0x10, 0, false},
                          {0x10, WS_EX_NOPARENTNOTIFY, true},
                          {0x10, WS_EX_NOPARENTNOTIFY | WS_EX_TOPMOST, false},
                          {SBS_VERT, 0, true}};
  // No engine yet: every bar is made.
  for (const Case& c : skinned) {
    HWND w = make(c);
    EXPECT_TRUE(w) << c.Style << " " << c.ExStyle;
    if (w) DestroyWindow(w);
  }
  TswSkinEngine* e = Engine("harbour");
  for (const Case& c : skinned) {
    HWND w = make(c);
    EXPECT_EQ(w != nullptr, c.Created) << c.Style << " " << c.ExStyle;
    if (w) DestroyWindow(w);
  }
  e->SetActive(false);
  HWND w = make(Case{0x10, 0, true});
  EXPECT_TRUE(w);
}

// Combo boxes placed on a dialog: a drop-down one is skinned, a simple one is not, and the
// skinner of a combo box with pictures goes to its inner combo box.
TEST_F(SwSkinDialogTest, ComboBoxesBySortAndTheInnerBoxOfTheBoxWithPictures) {
  TswSkinEngine* e = Engine("harbour");
  MakeDialog(false);
  auto* drop = new TComboBox(Form);
  drop->SetParentWindow(Dialog);
  drop->SetBounds(16, 104, 150, 24);
  auto* simple = new TComboBox(Form);
  simple->SetStyle(csSimple);
  simple->SetParentWindow(Dialog);
  simple->SetBounds(16, 132, 150, 60);
  auto* ex = new TComboBoxEx(Form);
  ex->SetParentWindow(Dialog);
  ex->SetBounds(180, 104, 120, 24);
  for (TWinControl* c : {static_cast<TWinControl*>(drop), static_cast<TWinControl*>(simple),
                         static_cast<TWinControl*>(ex)})
    c->HandleNeeded();
  ShowWindow(Dialog, SW_SHOW);
  SetActiveWindow(Dialog);
  Run();
  auto* w = dynamic_cast<TswSkinWindowWnd*>(e->FindWindow(Dialog));
  ASSERT_NE(w, nullptr);
  EXPECT_NE(w->WndSkinnerOf(drop->Handle()), nullptr);
  EXPECT_EQ(w->WndSkinnerOf(simple->Handle()), nullptr);
  EXPECT_EQ(w->WndSkinnerOf(ex->Handle()), nullptr);
  const HWND inner = GetWindow(ex->Handle(), GW_CHILD);
  ASSERT_TRUE(inner);
  EXPECT_NE(w->WndSkinnerOf(inner), nullptr);
  // Unskinned, the boxes answer to nobody's skinner any more.
  e->UnskinHandle(Dialog);
  EXPECT_EQ(SendMessage(drop->Handle(), SWM_ISSKINNED, 0, 0), 0);
  EXPECT_EQ(SendMessage(inner, SWM_ISSKINNED, 0, 0), 0);
  delete drop;
  delete simple;
  delete ex;
}

// The hot look of a skinned button goes when a tick of its timer finds the mouse elsewhere; a
// dialog with a progress bar or an animation has no such timers.
TEST_F(SwSkinDialogTest, HotLookGoesWithTheTimerUnlessTheDialogAnimates) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "SysAnimate32";
  WNDCLASSA existing;
  if (!GetClassInfo(nullptr, wc.lpszClassName, &existing)) RegisterClass(&wc);
  TswSkinEngine* e = Engine("harbour");
  for (bool animated : {false, true}) {
    MakeDialog(false);
    if (animated) Child("SysAnimate32", "", 0, 50, 200, 80, 32, 32);
    ShowWindow(Dialog, SW_SHOW);
    SetActiveWindow(Dialog);
    Run();
    auto* w = dynamic_cast<TswSkinWindowWnd*>(e->FindWindow(Dialog));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->HasAnimation(), animated);
    TswSkinControlWnd* ok = w->WndSkinnerOf(Ok);
    ASSERT_NE(ok, nullptr);
    MouseAt(ScreenOf(Ok, 10, 10), -1);
    EXPECT_TRUE(ok->Hot());
    // The mouse leaves for the desktop: the button hears nothing of it.
    SetCursorPos(1000, 700);
    AdvanceMessageClock(TswSkinWndButton::HoverTimerInterval + 2);
    Run();
    EXPECT_EQ(ok->Hot(), animated) << animated;
    DestroyWindow(Dialog);
    Dialog = nullptr;
    Run();
  }
}

// A dialog button's skinner is a control skinner of a plain window: reached through the common
// base it answers with the button's handle, bounds and text. A procedure installed in front of
// a child after its skinner stays there when the skin goes, and the child's own procedure still
// answers behind it.
TEST_F(SwSkinDialogTest, ChildSkinnerIsAPlainWindowSkinnerAndLeavesLaterProceduresInFront) {
  TswSkinEngine* e = Engine("harbour");
  e->SetSkinDialogs(false);
  MakeDialog();
  e->SkinHandle(Dialog, true);
  Run();
  auto* w = dynamic_cast<TswSkinWindowWnd*>(e->FindWindow(Dialog));
  ASSERT_NE(w, nullptr);
  TswSkinControlWnd* ok = w->WndSkinnerOf(Ok);
  ASSERT_NE(ok, nullptr);
  TswSkinControl* base = ok;
  EXPECT_EQ(base->GetHandle(), Ok);
  EXPECT_EQ(ok->GetText(), "OK");
  EXPECT_TRUE(SameRect(ok->GetBoundsRect(), RECT{0, 0, 90, 26}));
  EXPECT_TRUE(ok->IsEnabled());
  ASSERT_NE(w->WndSkinnerOf(Check), nullptr);
  gDlgTestLaterOldProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(Check, GWL_WNDPROC));
  SetWindowLongPtr(Check, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&DlgTestLaterProc));
  e->UnskinHandle(Dialog);
  Run();
  EXPECT_EQ(GetWindowLongPtr(Check, GWL_WNDPROC), reinterpret_cast<LONG_PTR>(&DlgTestLaterProc));
  EXPECT_EQ(SendMessage(Check, SWM_ISSKINNED, 0, 0), 0);
  EXPECT_EQ(SendMessage(Check, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessage(Check, BM_SETCHECK, BST_UNCHECKED, 0);
  EXPECT_EQ(SendMessage(Check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}
