// The form skin engine on a multiple-document form: the active document's menu merged into the
// MDI form's skinned bar, the window list, the control buttons of a maximised document, the
// client window's cascade and tile rules and the frames it tells the documents, and skinning
// and unskinning the lot again and again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "paneltest.h"
#include "platform/vcl/menus.h"
#include "skins/swskinengine.h"
#include "skins/swskinmdi.h"
#include "skins/swskinmenubar.h"
#include "skins/swskinwindow.h"

namespace {

class SwSkinMdiTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    SavedMain = Application()->MainForm();
    Main = new TForm(nullptr);
    Main->SetCaption("Studio");
    Main->SetBounds(30, 30, 720, 520);
    Main->SetFormStyle(fsMDIForm);
    Application()->SetMainForm(Main);
    Menu = new TMainMenu(Main);
    Item(Main, Menu->Items(), "&File", 0);
    Window = Item(Main, Menu->Items(), "&Window", 9);
    Item(Main, Window, "&Cascade", 9);
    Main->SetMenu(Menu);
    Main->SetWindowMenu(Window);
    Main->Show();
    Run();
  }
  void TearDown() override {
    for (TForm* d : Docs) delete d;
    Docs.clear();
    Application()->SetMainForm(SavedMain);
    delete Main;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  void Run() {
    Application()->ProcessMessages();
    UpdateAllWindows();
  }
  static TMenuItem* Item(TComponent* Owner, TMenuItem* Parent, const char* Caption, int Group) {
    auto* i = new TMenuItem(Owner);
    i->SetCaption(Caption);
    i->SetGroupIndex(Group);
    Parent->Add(i);
    return i;
  }
  TForm* Doc(const std::string& Caption, bool WithMenu) {
    auto* d = new TForm(nullptr);
    d->SetCaption(Caption);
    d->SetBounds(0, 0, 260, 180);
    if (WithMenu) {
      auto* m = new TMainMenu(d);
      Item(d, m->Items(), "&Edit", 1);
      d->SetMenu(m);
    }
    d->SetFormStyle(fsMDIChild);
    d->Show();
    Docs.push_back(d);
    Run();
    return d;
  }
  TswSkinWindowVCL* SkinAll() {
    Engine = new TswSkinEngine(Main);
    Engine->SetSkinFile(SourceDir() + "/data/swskins/harbour.ssk");
    EXPECT_TRUE(Engine->Ready());
    Engine->SetActive(true);
    Engine->SkinForm(Main);
    for (TForm* d : Docs) Engine->SkinForm(d);
    Run();
    return dynamic_cast<TswSkinWindowVCL*>(Engine->FindWindow(Main->Handle()));
  }
  std::vector<std::string> BarCaptions(TswSkinWindowVCL* W) {
    std::vector<std::string> out;
    TswSkinMenuBar* bar = W->MenuBar();
    for (int i = 0; bar && bar->Visible() && i < bar->ButtonCount(); ++i)
      if (auto* b = dynamic_cast<TswSkinMenuBarButton*>(bar->Buttons(i))) out.push_back(b->MenuItem()->Caption());
    return out;
  }
  std::vector<std::string> ListCaptions(TswSkinWindowVCL* W) {
    std::vector<std::string> out;
    for (TMenuItem* it : W->WindowListItems()) out.push_back(it->Caption() + (it->Checked() ? " *" : ""));
    return out;
  }
  TCustomForm* SavedMain = nullptr;
  TForm* Main = nullptr;
  TMainMenu* Menu = nullptr;
  TMenuItem* Window = nullptr;
  TswSkinEngine* Engine = nullptr;
  std::vector<TForm*> Docs;
};

}  // namespace

TEST(SwSkinMdiRules, CascadeAndTileBounds) {
  using B = TswMdiBounds;
  struct TCascadeCase { int Count, Width, Height; std::vector<B> Want; } cascades[] = {
      {0, 600, 400, {}},
      {1, 600, 400, {{0, 0, 480, 240}}},
      {3, 601, 401, {{0, 0, 481, 241}, {22, 22, 481, 241}, {44, 44, 481, 241}}},  // 480.8 and 240.6 round up
  };
  for (const auto& c : cascades) EXPECT_EQ(SwMdiCascadeBounds(c.Count, c.Width, c.Height), c.Want) << c.Count;
  struct TTileCase { int Count, Width, Available; bool Horizontal; std::vector<B> Want; } tiles[] = {
      {0, 600, 400, true, {}},
      {1, 600, 400, true, {{0, 0, 596, 396}}},  // one document: 2 less again
      {2, 600, 400, true, {{0, 0, 596, 198}, {0, 198, 596, 198}}},
      {3, 600, 300, false, {{0, 0, 198, 296}, {198, 0, 198, 296}, {396, 0, 198, 296}}},
  };
  for (const auto& t : tiles)
    EXPECT_EQ(SwMdiTileBounds(t.Count, t.Width, t.Available, t.Horizontal), t.Want) << t.Count << t.Horizontal;
}

TEST_F(SwSkinMdiTest, ActiveDocumentMenuMergesAndTheWindowListFollows) {
  TForm* plain = Doc("Plain", false);
  TForm* editor = Doc("Editor", true);
  TswSkinWindowVCL* w = SkinAll();
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->IsMDIForm());
  EXPECT_EQ(Main->Menu(), nullptr);  // on the skinned bar now
  EXPECT_EQ(Main->ActiveMDIChild(), editor);
  EXPECT_EQ(BarCaptions(w), (std::vector<std::string>{"&File", "&Edit", "&Window"}));
  EXPECT_EQ(ListCaptions(w), (std::vector<std::string>{"-", "Editor *", "Plain"}));
  // The window layer's own list stays out of the window menu while the skin lists.
  EXPECT_EQ(Window->Count(), 4);
  // A document's skinned window shows no bar of its own.
  auto* dw = dynamic_cast<TswSkinWindowVCL*>(Engine->FindWindow(editor->Handle()));
  ASSERT_NE(dw, nullptr);
  EXPECT_TRUE(dw->IsMDIChild());
  EXPECT_EQ(dw->GetMenuBarHeight(), 0);
  // Only the active document's caption is drawn active.
  auto* pw = dynamic_cast<TswSkinWindowVCL*>(Engine->FindWindow(plain->Handle()));
  ASSERT_NE(pw, nullptr);
  EXPECT_TRUE(dw->CaptionActive());
  EXPECT_FALSE(pw->CaptionActive());

  // Message 33768 naming a menu no document has (one gone meanwhile) changes nothing.
  TMainMenu* stray = new TMainMenu(nullptr);
  SendMessage(Main->Handle(), SWM_MDICHILDMENU, 0, reinterpret_cast<LPARAM>(stray));
  delete stray;
  EXPECT_NE(w->ChildMenu(), nullptr);
  EXPECT_EQ(BarCaptions(w), (std::vector<std::string>{"&File", "&Edit", "&Window"}));

  // The other document active: its (absent) menu; the list checks it.
  Main->Next();
  Run();
  EXPECT_EQ(Main->ActiveMDIChild(), plain);
  EXPECT_EQ(BarCaptions(w), (std::vector<std::string>{"&File", "&Window"}));
  EXPECT_EQ(ListCaptions(w), (std::vector<std::string>{"-", "Plain *", "Editor"}));
  EXPECT_TRUE(pw->CaptionActive());
  EXPECT_FALSE(dw->CaptionActive());
  // A hidden document answers 33774 and leaves the list; clicking an item brings one forward.
  plain->Hide();
  Run();
  EXPECT_EQ(SendMessage(plain->Handle(), SWM_MDICHILDHIDDEN, 0, 0), 1);
  EXPECT_EQ(SendMessage(editor->Handle(), SWM_MDICHILDHIDDEN, 0, 0), 0);
  EXPECT_EQ(ListCaptions(w), (std::vector<std::string>{"-", "Editor *"}));
  plain->Show();
  Run();
  editor->SetWindowState(wsMinimized);
  Run();
  for (TMenuItem* it : w->WindowListItems())
    if (it->Caption() == "Editor") it->Click();
  Run();
  EXPECT_EQ(editor->WindowState(), wsNormal);
  EXPECT_EQ(Main->ActiveMDIChild(), editor);

  // Unskinned: the form's menu and window menu come back, the list's items go.
  Engine->UnskinHandle(editor->Handle());
  Engine->UnskinHandle(plain->Handle());
  Engine->UnskinHandle(Main->Handle());
  Run();
  EXPECT_EQ(Main->WindowMenu(), Window);
  EXPECT_EQ(Window->Count(), 1);
}

TEST_F(SwSkinMdiTest, MaximizedDocumentShowsTheControlButtons) {
  TForm* a = Doc("A", false);
  TForm* b = Doc("B", false);
  b->SetBorderIcons(TBorderIcons{biSystemMenu, biMaximize});  // no minimise button
  Run();
  TswSkinWindowVCL* w = SkinAll();
  ASSERT_NE(w, nullptr);
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(w->MDIButton(i), nullptr);
    EXPECT_FALSE(w->MDIButton(i)->Visible());
  }
  EXPECT_EQ(w->MDIButton(0)->Tag(), swMdiCloseTag);
  EXPECT_EQ(w->MDIButton(1)->Tag(), swMdiRestoreTag);
  EXPECT_EQ(w->MDIButton(2)->Tag(), swMdiMinimizeTag);

  struct TMaxCase { TForm* Doc; bool Close, Restore, Minimize; } cases[] = {{a, true, true, true}, {b, true, true, false}};
  for (const TMaxCase& c : cases) {
    SCOPED_TRACE(c.Doc->Caption());
    SendMessage(Main->ClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(c.Doc->Handle()), 0);
    c.Doc->SetWindowState(wsMaximized);
    Run();
    EXPECT_EQ(c.Doc->WindowState(), wsMaximized);
    EXPECT_EQ(w->MDIButton(0)->Visible(), c.Close);
    EXPECT_EQ(w->MDIButton(1)->Visible(), c.Restore);
    EXPECT_EQ(w->MDIButton(2)->Visible(), c.Minimize);
    // Side by side at the right of the menu bar's row, inside the client area.
    const RECT close = w->MDIButton(0)->BoundsRect(), restore = w->MDIButton(1)->BoundsRect();
    EXPECT_EQ(close.left - restore.left, 18);
    EXPECT_GE(close.top, 0);
    EXPECT_LE(close.bottom, std::max(18, w->GetMenuBarHeight()));
    EXPECT_LT(close.right, Main->ClientWidth());
    // The maximised document's caption is hidden above the client window.
    POINT o{0, 0};
    MapWindowPoints(c.Doc->Handle(), Main->ClientHandle(), &o, 1);
    EXPECT_EQ(o.y, 0);
    // The restore button gives the document its place back and the buttons go.
    w->MDIButton(1)->Click();
    Run();
    EXPECT_EQ(c.Doc->WindowState(), wsNormal);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(w->MDIButton(i)->Visible());
  }
  // The last document destroyed directly: the buttons and the document menu go.
  a->SetWindowState(wsMaximized);
  Run();
  EXPECT_TRUE(w->MDIButton(0)->Visible());
  for (TForm* d : Docs) delete d;
  Docs.clear();
  Run();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(w->MDIButton(i)->Visible());
  EXPECT_EQ(w->ChildMenu(), nullptr);
}

TEST_F(SwSkinMdiTest, ClientWindowArrangesByTheSkinRulesAndTellsTheFrames) {
  // The frames before the skin: the MDI form's, as its client window later tells them.
  RECT wr, row{};
  GetWindowRect(Main->Handle(), &wr);
  POINT o{0, 0};
  ClientToScreen(Main->Handle(), &o);
  const int menuRow = GetMenuBarRect(Main->Handle(), &row) ? row.bottom - row.top : 0;
  const int top = o.y - wr.top - menuRow, side = o.x - wr.left;
  const int bottom = wr.bottom - (o.y + Main->ClientHeight());
  TForm* a = Doc("A", false);
  TForm* b = Doc("B", false);
  TForm* c = Doc("C", false);
  EXPECT_EQ(SendMessage(Main->ClientHandle(), SWM_MDITOPFRAME, 0, 0), 0) << "unskinned, nobody answers";
  TswSkinWindowVCL* w = SkinAll();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(SendMessage(Main->ClientHandle(), SWM_MDITOPFRAME, 0, 0), top);
  EXPECT_EQ(SendMessage(Main->ClientHandle(), SWM_MDISIDEFRAME, 0, 0), side);
  EXPECT_EQ(SendMessage(Main->ClientHandle(), SWM_MDIBOTTOMFRAME, 0, 0), bottom);
  EXPECT_EQ(SendMessage(Main->Handle(), SWM_MDIFRAMEREPAINT, 0, 0), 0);

  const int cw = Main->ClientWidth(), ch = Main->ClientHeight();
  Main->Cascade();
  Run();
  std::vector<TswMdiBounds> cb = SwMdiCascadeBounds(3, cw, ch);
  // MDIChildren is in z-order; the last of them gets the first place.
  for (int k = 0; k < 3; ++k) {
    TCustomForm* f = Main->MDIChildren(2 - k);
    SCOPED_TRACE(f->Caption());
    EXPECT_EQ(f->Left(), cb[k].Left);
    EXPECT_EQ(f->Top(), cb[k].Top);
    EXPECT_EQ(f->Width(), cb[k].Width);
    EXPECT_EQ(f->Height(), cb[k].Height);
  }
  // Tiling leaves out the menu bar (a top-aligned control) and a row for a minimised document.
  a->SetWindowState(wsMinimized);
  Run();
  Main->SetTileMode(tbHorizontal);
  Main->Tile();
  Run();
  const int available = ch - w->GetMenuBarHeight() - 25;
  std::vector<TswMdiBounds> tb = SwMdiTileBounds(2, cw, available, true);
  std::vector<TCustomForm*> tiled;
  for (int i = 0; i < Main->MDIChildCount(); ++i)
    if (Main->MDIChildren(i) != a) tiled.push_back(Main->MDIChildren(i));
  ASSERT_EQ(tiled.size(), 2u);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(tiled[k]->Top(), tb[k].Top);
    EXPECT_EQ(tiled[k]->Height(), tb[k].Height);
    EXPECT_EQ(tiled[k]->Width(), cw - 4);
  }
  (void)b;
  (void)c;
}

// Skinned and unskinned again and again (the sanitizer build finds leaks and stale pointers):
// everything the skin changed is given back each time.
TEST_F(SwSkinMdiTest, SkinnedAndUnskinnedRepeatedly) {
  TForm* a = Doc("A", true);
  TForm* b = Doc("B", false);
  const LONG_PTR clientProc = GetWindowLongPtr(Main->ClientHandle(), GWLP_WNDPROC);
  Engine = new TswSkinEngine(Main);
  Engine->SetSkinFile(SourceDir() + "/data/swskins/prism.ssk");
  ASSERT_TRUE(Engine->Ready());
  Engine->SetActive(true);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    Engine->SkinForm(Main);
    Engine->SkinForm(a);
    Engine->SkinForm(b);
    if (round % 2) b->SetWindowState(wsMaximized);
    Run();
    auto* w = dynamic_cast<TswSkinWindowVCL*>(Engine->FindWindow(Main->Handle()));
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->WindowListItems().empty());
    EXPECT_NE(GetWindowLongPtr(Main->ClientHandle(), GWLP_WNDPROC), clientProc);
    if (round % 3 == 0) Engine->SetActive(false), Run(), Engine->SetActive(true), Run();
    Engine->UnskinHandle(b->Handle());
    Engine->UnskinHandle(a->Handle());
    Engine->UnskinHandle(Main->Handle());
    b->SetWindowState(wsNormal);
    Run();
    EXPECT_EQ(Engine->WindowCount(), 0);
    EXPECT_EQ(GetWindowLongPtr(Main->ClientHandle(), GWLP_WNDPROC), clientProc);
    EXPECT_EQ(Main->WindowMenu(), Window);
    EXPECT_EQ(Window->Count(), 1);
  }
}

// The look of a skinned MDI form: cascaded documents in "harbour", and in "prism" a maximised
// document whose caption gives way to the control buttons on the merged menu bar.
TEST_F(SwSkinMdiTest, GoldenSkinnedMdiForm) {
  Doc("Document 1", false);
  Doc("Document 2", false);
  TForm* last = Doc("Document 3", true);
  struct TGoldenCase { const char* Skin; bool Maximized; } cases[] = {{"harbour", false}, {"prism", true}};
  for (const TGoldenCase& c : cases) {
    SCOPED_TRACE(c.Skin);
    Engine = new TswSkinEngine(Main);
    Engine->SetSkinFile(SourceDir() + "/data/swskins/" + c.Skin + ".ssk");
    ASSERT_TRUE(Engine->Ready());
    Engine->SetActive(true);
    Engine->SkinForm(Main);
    for (TForm* d : Docs) Engine->SkinForm(d);
    Main->Cascade();
    if (c.Maximized) last->SetWindowState(wsMaximized);
    InjectMouseMove(2, 2);
    SetActiveWindow(Main->Handle());
    for (int i = 0; i < 5; ++i) Run();
    HBITMAP shot = RenderWindowToBitmap(Main->Handle());
    ASSERT_TRUE(shot);
    const std::string golden = SourceDir() + "/tests/skins/golden/swmdi_" + c.Skin + ".png";
    if (std::getenv("ORVANTA_UPDATE_GOLDEN")) SaveBitmapToPng(shot, golden);
    HBITMAP want = LoadPngToBitmap(golden);
    ASSERT_TRUE(want) << "missing golden image " << golden;
    const long bad = ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24);
    EXPECT_GE(bad, 0) << "the image's size differs from the golden one";
    EXPECT_LE(bad, 20);
    DeleteObject(want);
    DeleteObject(shot);
    last->SetWindowState(wsNormal);
    delete Engine;
    Engine = nullptr;
    Run();
  }
}
