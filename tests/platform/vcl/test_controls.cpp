// The controls the program's forms use: list box, file list box, combo box, memo, status bar,
// progress bar, page control, splitter, speed buttons, bit buttons, scroll box, timer.
#include <gtest/gtest.h>

#include "tests/platform/vcl/formtest.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/rtl/strings.h"
#include "platform/rtl/threads.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/filectrl.h"
#include "platform/vcl/forms.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

class ControlTest : public FormTestBase {};

}  // namespace

TEST_F(ControlTest, ListBoxSelectsByMouseAndKeysAndScrollsIntoView) {
  auto* lb = new TListBox(Form);
  lb->SetParent(Form);
  lb->SetBounds(10, 10, 150, 100);
  for (int i = 0; i < 30; ++i) lb->Items()->Add("item " + std::to_string(i));
  int clicks = 0;
  lb->OnClick = [&](TObject*) { ++clicks; };
  Form->Show();
  EXPECT_EQ(lb->ItemIndex(), -1);
  ClickAt(lb, 10, lb->ItemHeight() * 2 + 3);
  Run();
  EXPECT_EQ(lb->ItemIndex(), 2);
  EXPECT_EQ(clicks, 1);
  Key(VK_END);
  Run();
  EXPECT_EQ(lb->ItemIndex(), 29);
  EXPECT_GT(lb->TopIndex(), 0);
  EXPECT_EQ(GetScrollPos(lb->Handle(), SB_VERT), lb->TopIndex());
  Key(VK_HOME);
  Key(VK_DOWN);
  Run();
  EXPECT_EQ(lb->ItemIndex(), 1);
  EXPECT_EQ(lb->TopIndex(), 0);
  EXPECT_EQ(clicks, 4);
  lb->Items()->Clear();
  EXPECT_EQ(lb->ItemIndex(), -1);
}

TEST_F(ControlTest, FileListBoxListsMatchingFilesSortedWithoutCaseAndSkipsHidden) {
  auto dir = std::filesystem::temp_directory_path() / ("orv_flb_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "sub.jpg");
  for (const char* n : {"b.JPG", "a.jpg", ".hidden.jpg", "C.jpg", "notes.txt"}) std::ofstream(dir / n) << "x";
  auto cwd = std::filesystem::current_path();
  auto* flb = new TFileListBox(Form);
  flb->SetParent(Form);
  flb->SetMask("*.jpg");
  flb->SetDirectory(dir.string());
  std::vector<std::string> got;
  for (int i = 0; i < flb->Items()->Count(); ++i) got.push_back(flb->Items()->Strings(i));
  EXPECT_EQ(got, (std::vector<std::string>{"a.jpg", "b.JPG", "C.jpg"}));
  EXPECT_EQ(std::filesystem::current_path(), dir);
  int changes = 0;
  flb->OnChange = [&](TObject*) { ++changes; };
  Form->Show();
  ClickAt(flb, 5, flb->ItemHeight() + 2);
  Run();
  EXPECT_EQ(flb->FileName(), (dir / "b.JPG").string());
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(flb->SetDirectory((dir / "missing").string()), EInOutError);
  std::filesystem::current_path(cwd);
  std::filesystem::remove_all(dir);
}

TEST_F(ControlTest, ComboBoxListOnlyAndFreeTextStyles) {
  auto* cb = new TComboBox(Form);
  cb->SetParent(Form);
  for (const char* s : {"apple", "banana", "cherry"}) cb->Items()->Add(s);
  cb->SetStyle(csDropDownList);
  int changes = 0;
  cb->OnChange = [&](TObject*) { ++changes; };
  Form->Show();
  cb->SetFocus();
  Key(VK_DOWN);
  Key(VK_DOWN);
  Run();
  EXPECT_EQ(cb->ItemIndex(), 1);
  EXPECT_EQ(cb->Text(), "banana");
  Key('C');  // typing picks the next item starting with the letter
  Run();
  EXPECT_EQ(cb->Text(), "cherry");
  EXPECT_EQ(changes, 3);
  // The dropped-down list: Up then Enter chooses.
  Later(Application(), [] {
    Key(VK_UP);
    Key(VK_RETURN);
  });
  cb->DropDown();
  EXPECT_EQ(cb->Text(), "banana");
  // Free text: the index follows an exact match and goes to -1 otherwise.
  cb->SetStyle(csDropDown);
  cb->SelectAll();
  InjectText("apple");
  Run();
  EXPECT_EQ(cb->ItemIndex(), 0);
  InjectText("s");
  Run();
  EXPECT_EQ(cb->Text(), "apples");
  EXPECT_EQ(cb->ItemIndex(), -1);
}

TEST_F(ControlTest, MemoKeepsLinesAndEnterStartsANewLine) {
  auto* m = new TMemo(Form);
  m->SetParent(Form);
  m->Lines()->Add("first");
  Form->Show();
  m->SetFocus();
  m->SetSelStart(static_cast<int>(m->Text().size()));
  Key(VK_RETURN);
  InjectText("second");
  Run();
  ASSERT_EQ(m->Lines()->Count(), 2);
  EXPECT_EQ(m->Lines()->Strings(1), "second");
  EXPECT_EQ(m->Text(), "first\r\nsecond");
  EXPECT_TRUE(Form->Focused() == false && m->Focused());  // Enter did not leave the memo
}

TEST_F(ControlTest, StatusBarProgressBarAndPaintedPanels) {
  auto* sb = new TStatusBar(Form);
  sb->SetParent(Form);
  sb->AddPanel().Width = 100;
  sb->AddPanel();
  sb->SetPanelText(1, "ready");
  auto* pb = new TProgressBar(Form);
  pb->SetParent(Form);
  pb->SetBounds(10, 10, 102, 20);
  pb->SetMax(50);
  pb->SetPosition(80);
  EXPECT_EQ(pb->Position(), 50);
  Form->Show();
  EXPECT_EQ(sb->Top() + sb->Height(), Form->ClientHeight());  // aligned to the bottom
  EXPECT_EQ(SendMessage(pb->Handle(), PBM_SETPOS, 25, 0), 50);
  EXPECT_EQ(pb->Position(), 25);
  HBITMAP shot = RenderWindowToBitmap(pb->Handle());
  ASSERT_TRUE(shot);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, shot);
  EXPECT_EQ(GetPixel(dc, 20, 10), GetSysColor(COLOR_HIGHLIGHT));  // filled half
  EXPECT_NE(GetPixel(dc, 80, 10), GetSysColor(COLOR_HIGHLIGHT));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(shot);
}

TEST_F(ControlTest, PageControlSwitchesPagesByTabAndHidesTabsOnRequest) {
  auto* pc = new TPageControl(Form);
  pc->SetParent(Form);
  pc->SetAlign(alClient);
  std::vector<TTabSheet*> sheets;
  std::vector<std::string> shown;
  for (const char* cap : {"One", "Two", "Three"}) {
    auto* t = new TTabSheet(Form);
    t->SetCaption(cap);
    t->SetPageControl(pc);
    t->OnShow = [&shown, t](TObject*) { shown.push_back(t->Caption()); };
    sheets.push_back(t);
  }
  int changes = 0;
  pc->OnChange = [&](TObject*) { ++changes; };
  Form->Show();
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  EXPECT_TRUE(sheets[0]->Visible());
  RECT tab = pc->TabRect(2);
  ClickAt(pc, (tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
  Run();
  EXPECT_EQ(pc->ActivePage(), sheets[2]);
  EXPECT_FALSE(sheets[0]->Visible());
  EXPECT_EQ(changes, 1);
  // A hidden tab takes no room and is skipped by Ctrl+Tab.
  sheets[1]->SetTabVisible(false);
  EXPECT_EQ(pc->IndexOfTabAt(pc->TabRect(2).left + 1, 5), 2);
  pc->SelectNextPage(true);
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  pc->SetActivePage(sheets[1]);  // code may still show a page whose tab is hidden
  // (The first page was shown when it was added, before OnShow was set.)
  EXPECT_EQ(shown, (std::vector<std::string>{"Three", "One", "Two"}));
  EXPECT_EQ(sheets[1]->BoundsRect().top, 24);
  for (auto* t : sheets) t->OnShow = nullptr;
}

TEST_F(ControlTest, SplitterDragResizesItsNeighbourWithinLimits) {
  auto* left = new TPanel(Form);
  left->SetParent(Form);
  left->SetWidth(100);
  left->SetAlign(alLeft);
  auto* sp = new TSplitter(Form);
  sp->SetParent(Form);
  sp->SetLeft(200);  // placed after the panel by alignment
  auto* client = new TPanel(Form);
  client->SetParent(Form);
  client->SetAlign(alClient);
  Form->Show();
  EXPECT_EQ(sp->Left(), 100);
  EXPECT_EQ(sp->FindControl(), left);
  POINT s = sp->ClientToScreen(POINT{1, 50});
  InjectMouseButton(s.x, s.y, 0, true);
  InjectMouseMove(s.x + 40, s.y);
  InjectMouseButton(s.x + 40, s.y, 0, false);
  Run();
  EXPECT_EQ(left->Width(), 140);
  EXPECT_EQ(client->Left(), 143);
  InjectMouseButton(s.x + 40, s.y, 0, true);
  InjectMouseMove(s.x - 500, s.y);
  InjectMouseButton(s.x - 500, s.y, 0, false);
  Run();
  EXPECT_EQ(left->Width(), sp->MinSize());
}

TEST_F(ControlTest, GroupedSpeedButtonsStayDownOneAtATime) {
  std::vector<TSpeedButton*> b;
  for (int i = 0; i < 3; ++i) {
    auto* s = new TSpeedButton(Form);
    s->SetParent(Form);
    s->SetBounds(10 + i * 30, 10, 25, 25);
    s->SetGroupIndex(1);
    b.push_back(s);
  }
  Form->Show();
  ClickAt(b[0], 5, 5);
  Run();
  EXPECT_TRUE(b[0]->Down());
  ClickAt(b[2], 5, 5);
  Run();
  EXPECT_FALSE(b[0]->Down());
  EXPECT_TRUE(b[2]->Down());
  ClickAt(b[2], 5, 5);  // without AllowAllUp the last one stays down
  Run();
  EXPECT_TRUE(b[2]->Down());
  b[2]->SetAllowAllUp(true);
  ClickAt(b[2], 5, 5);
  Run();
  EXPECT_FALSE(b[2]->Down());
}

TEST_F(ControlTest, BitButtonKindsSetCaptionsAndResults) {
  struct Case { TBitBtnKind kind; const char* caption; TModalResult result; } cases[] = {
      {bkOK, "OK", mrOk}, {bkCancel, "Cancel", mrCancel}, {bkYes, "&Yes", mrYes}, {bkNo, "&No", mrNo},
  };
  for (auto c : cases) {
    TBitBtn b(nullptr);
    b.SetKind(c.kind);
    EXPECT_EQ(b.Caption(), c.caption);
    EXPECT_EQ(b.ModalResult(), c.result);
  }
  auto* close = new TBitBtn(Form);
  close->SetParent(Form);
  close->SetKind(bkClose);
  Form->Show();
  ClickAt(close, 5, 5);
  Run();
  EXPECT_FALSE(Form->Visible());
}

TEST_F(ControlTest, ScrollBoxScrollsItsChildrenAndAsksOnCanResize) {
  auto* sb = new TScrollBox(Form);
  sb->SetParent(Form);
  sb->SetBounds(0, 0, 200, 150);
  auto* far = new TPanel(Form);
  far->SetParent(sb);
  far->SetBounds(10, 400, 50, 50);
  Form->Show();
  EXPECT_TRUE(GetWindowLongPtr(sb->Handle(), GWL_STYLE) & WS_VSCROLL);
  SendMessage(sb->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 300), 0);
  EXPECT_EQ(sb->VertPosition(), 300);
  EXPECT_EQ(far->Top(), 100);
  sb->ScrollInView(far);
  EXPECT_EQ(far->Top() + far->Height() <= sb->ClientHeight(), true);
  bool asked = false;
  sb->OnCanResize = [&](TObject*, int& W, int&, bool& Resize) {
    asked = true;
    Resize = W <= 300;
  };
  sb->SetWidth(400);
  EXPECT_TRUE(asked);
  EXPECT_EQ(sb->Width(), 200);
  sb->SetWidth(250);
  EXPECT_EQ(sb->Width(), 250);
}

TEST_F(ControlTest, TimerFiresWhileEnabledOnly) {
  auto* t = new TTimer(Form);
  int n = 0;
  t->SetInterval(1);
  t->SetOnTimer([&](TObject*) { ++n; });
  MSG m;
  while (n < 2 && GetMessage(&m, nullptr, 0, 0)) DispatchMessage(&m);
  EXPECT_EQ(n, 2);
  t->SetEnabled(false);
  Sleep(5);
  Run();
  EXPECT_EQ(n, 2);
}

TEST_F(ControlTest, TreeViewExpandsLazilyNavigatesByKeysAndMovesTheSelectionOnDelete) {
  auto* tv = new TTreeView(Form);
  tv->SetParent(Form);
  tv->SetBounds(10, 10, 200, 200);
  TTreeNodes* n = tv->Items();
  TTreeNode* home = n->Add(nullptr, "home");
  TTreeNode* media = n->Add(nullptr, "media");
  home->SetHasChildren(true);  // children come when it is opened
  std::vector<std::string> log;
  tv->OnExpanding = [&](TObject*, TTreeNode* Node, bool& Allow) {
    log.push_back("expanding " + Node->Text());
    if (Node == media) Allow = false;
    if (Node == home && Node->Count() == 0) {
      n->AddChild(Node, "photos");
      n->AddChild(Node, "docs");
    }
  };
  tv->OnChange = [&](TObject*, TTreeNode* Node) { log.push_back("change " + (Node ? Node->Text() : std::string("-"))); };
  Form->Show();
  tv->SetFocus();
  Key(VK_DOWN);   // selects the first node
  Key(VK_RIGHT);  // expands it (children made now)
  Key(VK_RIGHT);  // goes to its first child
  Key(VK_DOWN);
  Run();
  ASSERT_EQ(home->Count(), 2);
  EXPECT_TRUE(home->Expanded());
  EXPECT_EQ(tv->Selected()->Text(), "docs");
  EXPECT_EQ(tv->Selected()->Level(), 1);
  media->SetHasChildren(true);
  media->Expand(false);  // vetoed
  EXPECT_FALSE(media->Expanded());
  EXPECT_EQ(log, (std::vector<std::string>{"change home", "expanding home", "change photos", "change docs", "expanding media"}));
  // Clicking a row selects it; collapsing hides the selection and moves it to the parent.
  POINT row = POINT{tv->Indent() * 2 + 10, tv->ItemHeight() * 1 + 3};
  ClickAt(tv, row.x, row.y);
  Run();
  EXPECT_EQ(tv->Selected()->Text(), "photos");
  home->Collapse(false);
  EXPECT_EQ(tv->Selected(), home);
  EXPECT_EQ(tv->GetNodeAt(5, tv->ItemHeight() + 2), media);
  tv->SetSelected(media);
  media->Delete();
  EXPECT_EQ(tv->Selected(), home);
  EXPECT_EQ(n->Count(), 3);
  EXPECT_EQ(n->Item(2)->Text(), "docs");
  n->Clear();
  EXPECT_EQ(tv->Selected(), nullptr);
}

TEST_F(ControlTest, TrackBarAndUpDownStayWithinTheirRange) {
  auto* tb = new TTrackBar(Form);
  tb->SetParent(Form);
  tb->SetBounds(10, 10, 116, 45);  // a 100-pixel channel
  tb->SetMax(100);
  int changes = 0;
  tb->OnChange = [&](TObject*) { ++changes; };
  auto* e = new TEdit(Form);
  e->SetParent(Form);
  e->SetBounds(10, 80, 60, 21);
  auto* ud = new TUpDown(Form);
  ud->SetParent(Form);
  ud->SetMax(3);
  ud->SetAssociate(e);
  Form->Show();
  ClickAt(tb, 8 + 30, 22);
  Run();
  EXPECT_EQ(tb->Position(), 30);
  tb->SetFocus();
  Key(VK_END);
  Key(VK_RIGHT);
  Key(VK_PRIOR);
  Run();
  EXPECT_EQ(tb->Position(), 98);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(ud->Left(), 70);
  EXPECT_EQ(e->Text(), "0");
  for (int i = 0; i < 5; ++i) ClickAt(ud, 5, 3);
  Run();
  EXPECT_EQ(ud->Position(), 3);
  EXPECT_EQ(e->Text(), "3");
  e->SetText("1");  // typed by the user
  ClickAt(ud, 5, ud->Height() - 3);
  Run();
  EXPECT_EQ(ud->Position(), 0);
  ud->SetWrap(true);
  ud->Step(btPrev);
  EXPECT_EQ(ud->Position(), 3);
}

TEST_F(ControlTest, CheckListBoxTogglesByBoxClickAndSpace) {
  auto* cl = new TCheckListBox(Form);
  cl->SetParent(Form);
  cl->SetBounds(10, 10, 150, 100);
  for (const char* s : {"red", "green", "blue"}) cl->Items()->Add(s);
  int checks = 0;
  cl->OnClickCheck = [&](TObject*) { ++checks; };
  Form->Show();
  ClickAt(cl, 8, cl->ItemHeight() + 5);    // on the box of "green"
  ClickAt(cl, 60, cl->ItemHeight() * 2 + 5);  // on the text of "blue": selects only
  Run();
  EXPECT_TRUE(cl->Checked(1));
  EXPECT_FALSE(cl->Checked(2));
  EXPECT_EQ(cl->ItemIndex(), 2);
  Key(VK_SPACE);
  Run();
  EXPECT_TRUE(cl->Checked(2));
  EXPECT_EQ(checks, 2);
  EXPECT_THROW(cl->SetChecked(5, true), EListError);
}

TEST_F(ControlTest, ToolBarLaysOutButtonsAndGroupedCheckButtonsExclude) {
  auto* bar = new TToolBar(Form);
  bar->SetParent(Form);
  std::vector<TToolButton*> b;
  for (auto st : {tbsCheck, tbsCheck, tbsSeparator, tbsButton}) {
    auto* t = new TToolButton(Form);
    t->SetParent(bar);
    t->SetStyle(st);
    t->SetGrouped(true);
    b.push_back(t);
  }
  int clicks = 0;
  b[3]->OnClick = [&](TObject*) { ++clicks; };
  Form->Show();
  EXPECT_EQ(bar->Width(), Form->ClientWidth());
  EXPECT_EQ(b[0]->Left(), 2);
  EXPECT_EQ(b[1]->Left(), 25);
  EXPECT_EQ(b[3]->Left(), 25 + 23 + 8);
  ClickAt(b[0], 5, 5);
  ClickAt(b[1], 5, 5);
  ClickAt(b[3], 5, 5);
  Run();
  EXPECT_FALSE(b[0]->Down());
  EXPECT_TRUE(b[1]->Down());
  EXPECT_FALSE(b[3]->Down());
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(bar->ButtonCount(), 4);
}

TEST_F(ControlTest, ImageFitsItsPictureAndShapesPaintWithTheirBrush) {
  auto* img = new TImage(Form);
  img->SetParent(Form);
  img->SetBounds(0, 0, 100, 50);
  auto* bm = new TBitmap();
  bm->SetWidth(40);
  bm->SetHeight(40);
  img->Picture()->Assign(bm);
  delete bm;
  EXPECT_EQ(img->DestRect(), (RECT{0, 0, 40, 40}));
  img->SetStretch(true);
  img->SetProportional(true);
  img->SetCenter(true);
  EXPECT_EQ(img->DestRect(), (RECT{25, 0, 75, 50}));
  auto* sh = new TShape(Form);
  sh->SetParent(Form);
  sh->SetBounds(200, 100, 40, 40);
  sh->SetShape(stCircle);
  sh->Brush()->SetColor(clRed);
  Form->Show();
  HBITMAP shot = RenderWindowToBitmap(Form->Handle());
  ASSERT_TRUE(shot);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, shot);
  POINT c = Form->ClientOrigin();
  RECT wr;
  GetWindowRect(Form->Handle(), &wr);
  int ox = c.x - wr.left, oy = c.y - wr.top;
  EXPECT_EQ(GetPixel(dc, ox + 220, oy + 120), RGB(255, 0, 0));   // centre of the circle
  EXPECT_NE(GetPixel(dc, ox + 201, oy + 101), RGB(255, 0, 0));   // corner outside it
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(shot);
}

TEST_F(ControlTest, OwnerDrawnComboBoxDrawsItsItemsInTheBoxAndTheList) {
  auto* cb = new TComboBox(Form);
  cb->SetParent(Form);
  cb->SetBounds(10, 10, 150, 22);
  cb->SetStyle(csOwnerDrawFixed);
  cb->SetItemHeight(20);
  for (const char* s : {"Red", "Green", "Blue"}) cb->Items()->Add(s);
  std::vector<std::pair<int, bool>> drawn;  // index, in the edit part
  static const TColor colors[] = {clRed, clLime, clBlue};
  cb->OnDrawItem = [&](TWinControl* C, int Index, RECT R, TOwnerDrawState State) {
    drawn.push_back({Index, State.Contains(odComboBoxEdit)});
    TCanvas* cv = static_cast<TComboBox*>(C)->Canvas();
    cv->Brush()->SetColor(colors[Index]);
    cv->FillRect(RECT{R.left + 2, R.top + 2, R.left + 16, R.bottom - 2});
  };
  Form->Show();
  cb->SetItemIndex(2);
  UpdateAllWindows();
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back(), (std::pair<int, bool>{2, true}));
  HBITMAP shot = RenderWindowToBitmap(cb->Handle());
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, shot);
  EXPECT_EQ(GetPixel(dc, 2 + 8, 11), RGB(0, 0, 255));  // the blue swatch inside the client edge
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(shot);
  // The dropped list draws every item through the same event; typing does not edit the text.
  drawn.clear();
  Later(Application(), [] {
    UpdateAllWindows();
    Key(VK_HOME);
    Key(VK_RETURN);
  });
  cb->DropDown();
  int inList = 0;
  for (auto& d : drawn) inList += d.second ? 0 : 1;
  EXPECT_GE(inList, 3);
  EXPECT_EQ(cb->ItemIndex(), 0);
  Key('x');
  Run();
  EXPECT_EQ(cb->Text(), "Red");
}

TEST_F(ControlTest, MaskEditTakesOnlyWhatThePictureAllowsAndSkipsLiterals) {
  auto* m = new TMaskEdit(Form);
  m->SetParent(Form);
  m->SetEditMask("!9999-99-99;1;_");
  Form->Show();
  m->SetFocus();
  InjectText("2026x1210");  // the letter is refused; the dashes come by themselves
  Run();
  EXPECT_EQ(m->Text(), "2026-12-10");
  EXPECT_EQ(m->RawValue(), "20261210");
  Key(VK_BACK);
  Key(VK_BACK);
  Run();
  EXPECT_EQ(m->Text(), "2026-12-  ");
  m->SetEditMask(">LL-00;0;*");
  m->SetText("ab12");
  EXPECT_EQ(m->Text(), "AB12");  // without literals; upper case as the picture asks
  m->SetText("a");
  EXPECT_EQ(m->RawValue(), "A");
}

// A control cannot become the child of itself or of one of its own children: the parent chain
// would close into a ring, which every walk up it (the parent font, for one) follows forever.
TEST_F(ControlTest, ParentRingsAreRefused) {
  auto* outer = new TPanel(Form);
  outer->SetParent(Form);
  outer->SetParentFont(true);
  auto* inner = new TPanel(Form);
  inner->SetParent(outer);
  inner->SetParentFont(true);
  EXPECT_THROW(outer->SetParent(outer), EInvalidOperation);
  EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
  EXPECT_EQ(outer->Parent(), Form);
  EXPECT_EQ(inner->Parent(), outer);
  // Moving a child up to its grandparent is no ring.
  inner->SetParent(Form);
  EXPECT_EQ(inner->Parent(), Form);
  Form->Font()->SetSize(15);
  EXPECT_EQ(outer->Font()->Size(), 15);
}
