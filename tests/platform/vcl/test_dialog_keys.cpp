// Dialog keys and accelerators on a form, key by key: what a memo takes (Enter, Tab), Alt+letter
// accelerators of buttons, check boxes, radio buttons and labels, arrows through a group of
// radio buttons, the default button's frame following the focus, AutoSelect; and the pixels of
// the memo's WordWrap and ScrollBars, the page control's focus rectangle, the status bar's grip
// and the tool bar's separators.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/stdctrls.h"
#include "tests/platform/vcl/formtest.h"

namespace {

class DialogKeysTest : public FormTestBase {
protected:
  void Press(UINT key, bool alt = false, bool shift = false) {
    if (alt) InjectKey(VK_MENU, true);
    if (shift) InjectKey(VK_SHIFT, true);
    InjectKey(key, true);
    InjectKey(key, false);
    if (shift) InjectKey(VK_SHIFT, false);
    if (alt) InjectKey(VK_MENU, false);
    Run();
  }
  template <class T>
  T* Add(int left, int top, const char* caption = nullptr) {
    auto* c = new T(Form);
    c->SetParent(Form);
    c->SetLeft(left);
    c->SetTop(top);
    if (caption) c->SetCaption(caption);
    return c;
  }
  // The pixels of a control's window as the screen shows them.
  static COLORREF PixelOfBitmap(HBITMAP bm, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bm);
    COLORREF v = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return v;
  }
  static COLORREF At(TWinControl* c, int x, int y) {
    HBITMAP bm = RenderWindowToBitmap(c->Handle());
    COLORREF v = PixelOfBitmap(bm, x, y);
    DeleteObject(bm);
    return v;
  }
  // How many pixels of the control's rectangle r differ from the colour c.
  static int CountNot(TWinControl* w, RECT r, COLORREF c) {
    HBITMAP bm = RenderWindowToBitmap(w->Handle());
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (PixelOfBitmap(bm, x, y) != c) ++n;
    DeleteObject(bm);
    return n;
  }
};

// ---- 8. Dialog keys per key ----

TEST_F(DialogKeysTest, MemoTakesEnterButTabLeavesItUnlessWantTabs) {
  auto* memo = Add<TMemo>(10, 10);
  auto* next = Add<TEdit>(10, 120);
  auto* ok = Add<TButton>(200, 10, "OK");
  ok->SetDefault(true);
  int clicks = 0;
  ok->OnClick = [&](TObject*) { ++clicks; };
  Form->Show();
  memo->SetFocus();
  Run();
  struct Step {
    UINT key;
    bool wantTabs;
    bool wantReturns;
    const char* text;
    TWinControl* focus;
    int clicks;
  };
  // Each step starts with the focus in an empty memo.
  Step steps[] = {
      {VK_RETURN, false, true, "\r\n", memo, 0},  // Enter types a line break, no default button
      {VK_TAB, false, true, "", next, 0},         // Tab leaves the memo
      {VK_TAB, true, true, "\t", memo, 0},        // ... unless it wants tabs
      {VK_RETURN, false, false, "", memo, 1},     // without WantReturns Enter is the dialog's
  };
  for (auto& s : steps) {
    SCOPED_TRACE(s.key);
    memo->SetWantTabs(s.wantTabs);
    memo->SetWantReturns(s.wantReturns);
    memo->SetText("");
    memo->SetFocus();
    clicks = 0;
    Press(s.key);
    EXPECT_EQ(memo->Text(), s.text);
    EXPECT_EQ(Form->ActiveControl(), s.focus);
    EXPECT_EQ(clicks, s.clicks);
  }
  // The memo answers WM_GETDLGCODE per key.
  const LRESULT enter = SendMessage(memo->Handle(), WM_GETDLGCODE, VK_RETURN, 0);
  const LRESULT tab = SendMessage(memo->Handle(), WM_GETDLGCODE, VK_TAB, 0);
  memo->SetWantReturns(true);
  memo->SetWantTabs(false);
  EXPECT_FALSE(SendMessage(memo->Handle(), WM_GETDLGCODE, VK_TAB, 0) &
               (DLGC_WANTALLKEYS | DLGC_WANTTAB));
  EXPECT_TRUE(SendMessage(memo->Handle(), WM_GETDLGCODE, VK_RETURN, 0) & DLGC_WANTALLKEYS);
  EXPECT_TRUE(SendMessage(memo->Handle(), WM_GETDLGCODE, VK_DOWN, 0) & DLGC_WANTARROWS);
  (void)enter;
  (void)tab;
}

// ---- 9. Accelerators ----

TEST_F(DialogKeysTest, AltLetterClicksTheControlWhoseCaptionHasIt) {
  auto* edit = Add<TEdit>(10, 10);
  auto* button = Add<TButton>(10, 40, "&Open");
  auto* check = Add<TCheckBox>(10, 80, "Show &hidden");
  auto* radio = Add<TRadioButton>(10, 110, "&Large");
  auto* label = Add<TLabel>(10, 140, "&Name:");
  auto* target = Add<TEdit>(80, 140);
  auto* amp = Add<TButton>(10, 170, "Save && E&xit");
  label->SetFocusControl(target);
  int opened = 0, exited = 0;
  button->OnClick = [&](TObject*) { ++opened; };
  amp->OnClick = [&](TObject*) { ++exited; };
  Form->Show();
  edit->SetFocus();
  Run();
  struct Step {
    UINT key;
    std::function<bool()> done;
  } steps[] = {
      {'O', [&] { return opened == 1; }},
      {'H', [&] { return check->Checked() && Form->ActiveControl() == check; }},
      {'L', [&] { return radio->Checked() && Form->ActiveControl() == radio; }},
      {'N', [&] { return Form->ActiveControl() == target; }},
      {'X', [&] { return exited == 1; }},
      {'E', [&] { return exited == 1; }},  // "&&" is no accelerator: nothing happens
  };
  for (auto& s : steps) {
    Press(s.key, true);
    EXPECT_TRUE(s.done()) << char(s.key);
  }
  // Freed focus controls are forgotten.
  delete target;
  EXPECT_EQ(label->FocusControl(), nullptr);
  Press('N', true);
}

// ---- 10. Radio arrows and the default button ----

TEST_F(DialogKeysTest, ArrowsOntoARadioButtonCheckIt) {
  auto* group = Add<TGroupBox>(10, 10);
  TRadioButton* r[3];
  for (int i = 0; i < 3; ++i) {
    r[i] = new TRadioButton(Form);
    r[i]->SetParent(group);
    r[i]->SetTop(15 + 25 * i);
    r[i]->SetLeft(10);
    r[i]->SetCaption("Choice");
  }
  auto* after = Add<TEdit>(10, 150);
  Form->Show();
  r[0]->SetChecked(true);
  r[0]->SetFocus();
  Run();
  struct Step {
    UINT key;
    int focus;
  } steps[] = {{VK_DOWN, 1}, {VK_DOWN, 2}, {VK_DOWN, 0}, {VK_UP, 2}, {VK_LEFT, 1}};
  for (auto& s : steps) {
    Press(s.key);
    EXPECT_EQ(Form->ActiveControl(), r[s.focus]);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(r[i]->Checked(), i == s.focus) << i;
  }
  EXPECT_NE(Form->ActiveControl(), after);  // arrows stay in the group
}

TEST_F(DialogKeysTest, DefaultButtonFrameFollowsTheFocus) {
  auto* edit = Add<TEdit>(10, 10);
  auto* ok = Add<TButton>(10, 50, "OK");
  auto* cancel = Add<TButton>(100, 50, "Cancel");
  ok->SetDefault(true);
  int okClicks = 0, cancelClicks = 0;
  ok->OnClick = [&](TObject*) { ++okClicks; };
  cancel->OnClick = [&](TObject*) { ++cancelClicks; };
  Form->Show();
  const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
  struct Step {
    TWinControl* focus;
    bool okFramed;
    bool cancelFramed;
    int ok, cancel;
  } steps[] = {{edit, true, false, 1, 0},
               {cancel, false, true, 0, 1},
               {edit, true, false, 1, 0},
               {ok, true, false, 1, 0}};
  for (auto& s : steps) {
    s.focus->SetFocus();
    Run();
    EXPECT_EQ(At(ok, 0, 12) == frame, s.okFramed);
    EXPECT_EQ(At(cancel, 0, 12) == frame, s.cancelFramed);
    okClicks = cancelClicks = 0;
    Press(VK_RETURN);  // Enter presses the button with the frame
    EXPECT_EQ(okClicks, s.ok);
    EXPECT_EQ(cancelClicks, s.cancel);
  }
}

// ---- 11. AutoSelect and what controls draw ----

TEST_F(DialogKeysTest, AutoSelectSelectsTheTextWhenTabbedInto) {
  auto* first = Add<TEdit>(10, 10);
  auto* second = Add<TEdit>(10, 40);
  auto* third = Add<TEdit>(10, 70);
  second->SetText("hello");
  third->SetText("world");
  third->SetAutoSelect(false);
  Form->Show();
  first->SetFocus();
  Run();
  Press(VK_TAB);
  EXPECT_EQ(Form->ActiveControl(), second);
  EXPECT_EQ(second->SelLength(), 5);
  EXPECT_EQ(second->SelText(), "hello");
  Press(VK_TAB);
  EXPECT_EQ(Form->ActiveControl(), third);
  EXPECT_EQ(third->SelLength(), 0);
}

TEST_F(DialogKeysTest, MemoWrapsWordsAndShowsItsScrollBars) {
  auto* memo = Add<TMemo>(10, 10);
  memo->SetWidth(120);
  memo->SetHeight(60);
  memo->Lines()->Add("one two three four five six seven eight nine ten");
  for (int i = 0; i < 10; ++i) memo->Lines()->Add("line");
  Form->Show();
  Run();
  auto lines = memo->DisplayLines();
  ASSERT_GT(lines.size(), 11u);  // the long line wrapped
  EXPECT_EQ(lines[0].substr(0, 4), "one ");
  for (size_t i = 0; i + 10 < lines.size(); ++i) {
    SIZE sz{0, 0};
    HDC dc = GetDC(memo->Handle());
    HGDIOBJ o = SelectObject(dc, memo->Font()->Handle());
    GetTextExtentPoint32(dc, lines[i].c_str(), static_cast<int>(lines[i].size()), &sz);
    SelectObject(dc, o);
    ReleaseDC(memo->Handle(), dc);
    EXPECT_LE(sz.cx, memo->ClientWidth() - 4) << lines[i];
  }
  memo->SetWordWrap(false);
  EXPECT_EQ(memo->DisplayLines().size(), 11u);
  // Pixels: no scroll bar, then a vertical one along the right edge that scrolls the lines.
  const int w = memo->Width();
  RECT strip{w - 10, 22, w - 4, 50};  // beside the short lines
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  EXPECT_EQ(CountNot(memo, strip, window), 0);
  memo->SetScrollBars(ssVertical);
  Run();
  EXPECT_TRUE(GetWindowLongPtr(memo->Handle(), GWL_STYLE) & WS_VSCROLL);
  EXPECT_GT(CountNot(memo, strip, window), 20);
  EXPECT_EQ(memo->ClientWidth(), w - 4 - GetSystemMetrics(SM_CXVSCROLL));
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(memo->Handle(), SB_VERT, &si);
  EXPECT_EQ(si.nMax, 10);
  EXPECT_GT(si.nPage, 0u);
  SendMessage(memo->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
  Run();
  EXPECT_EQ(memo->TopLine(), 1);
  EXPECT_EQ(GetScrollPos(memo->Handle(), SB_VERT), 1);
}

TEST_F(DialogKeysTest, PageControlStatusBarAndToolBarDrawTheirParts) {
  // The page control's focus rectangle on its active tab.
  auto* pages = Add<TPageControl>(10, 10);
  pages->SetWidth(200);
  pages->SetHeight(100);
  auto* sheet = new TTabSheet(Form);
  sheet->SetPageControl(pages);
  sheet->SetCaption("General");
  auto* edit = Add<TEdit>(10, 200);
  Form->Show();
  edit->SetFocus();
  Run();
  RECT tab = pages->TabRect(0);
  HBITMAP before = RenderWindowToBitmap(pages->Handle());
  pages->SetFocus();
  Run();
  HBITMAP after = RenderWindowToBitmap(pages->Handle());
  int changed = 0;
  for (int y = tab.top; y < tab.bottom; ++y)
    for (int x = tab.left; x < tab.right; ++x)
      if (PixelOfBitmap(before, x, y) != PixelOfBitmap(after, x, y)) ++changed;
  DeleteObject(before);
  DeleteObject(after);
  EXPECT_GT(changed, 10);

  // The status bar's grip on a sizable form, not on a fixed one.
  auto* bar = new TStatusBar(Form);
  bar->SetParent(Form);
  Run();
  const int bw = bar->Width(), bh = bar->Height();
  RECT corner{bw - 12, bh - 12, bw, bh};
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const int with = CountNot(bar, corner, face);
  bar->SetSizeGrip(false);
  Run();
  const int without = CountNot(bar, corner, face);
  EXPECT_GT(with, without + 10);

  // A tool bar's separator draws its etched line.
  auto* tools = new TToolBar(Form);
  tools->SetParent(Form);
  auto* b1 = new TToolButton(Form);
  b1->SetParent(tools);
  auto* sep = new TToolButton(Form);
  sep->SetStyle(tbsSeparator);
  sep->SetParent(tools);
  Run();
  RECT sr = sep->BoundsRect();
  RECT mid{sr.left + (sr.right - sr.left) / 2 - 1, sr.top + 4,
           sr.left + (sr.right - sr.left) / 2 + 1, sr.bottom - 4};
  EXPECT_GT(CountNot(tools, mid, face), 5);
}

}  // namespace
