// Multiple-document forms: an fsMDIForm main form holds the client window below its aligned
// controls, fsMDIChild forms live in it (activation, arrangement, close), the active document's
// main menu is merged into the MDI form's by GroupIndex, and the window menu lists them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/win/winuser.h"

namespace {

class FormsMdiTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    SavedMain = Application()->MainForm();
    Main = new TForm(nullptr);
    Main->SetBounds(40, 40, 700, 500);
    Main->SetFormStyle(fsMDIForm);
    Application()->SetMainForm(Main);
    Bar = new TPanel(Main);
    Bar->SetParent(Main);
    Bar->SetAlign(alTop);
    Bar->SetHeight(30);
    Main->Show();
  }
  void TearDown() override {
    for (TForm* d : Docs) delete d;
    Docs.clear();
    Application()->SetMainForm(SavedMain);
    delete Main;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  TForm* Doc(const std::string& caption) {
    auto* d = new TForm(nullptr);
    d->SetCaption(caption);
    d->SetBounds(0, 0, 240, 180);
    d->SetFormStyle(fsMDIChild);
    d->Show();
    Docs.push_back(d);
    return d;
  }
  // Texts of the API menu's items, in order.
  static std::vector<std::string> Texts(HMENU m) {
    std::vector<std::string> out;
    for (int i = 0; i < GetMenuItemCount(m); ++i) {
      char t[100] = {};
      GetMenuString(m, static_cast<UINT>(i), t, sizeof t, MF_BYPOSITION);
      out.push_back((GetMenuState(m, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) ? "-" : t);
    }
    return out;
  }
  static TMenuItem* Item(TComponent* owner, TMenuItem* parent, const char* caption, int group) {
    auto* it = new TMenuItem(owner);
    it->SetCaption(caption);
    it->SetGroupIndex(group);
    parent->Add(it);
    return it;
  }
  TCustomForm* SavedMain = nullptr;
  TForm* Main = nullptr;
  TPanel* Bar = nullptr;
  std::vector<TForm*> Docs;
};

}  // namespace

TEST_F(FormsMdiTest, ClientWindowTakesTheRoomTheAlignedControlsLeave) {
  HWND client = Main->ClientHandle();
  ASSERT_TRUE(client);
  char cls[32] = {};
  GetClassName(client, cls, sizeof cls);
  EXPECT_STREQ(cls, "MDICLIENT");
  EXPECT_EQ(GetParent(client), Main->Handle());
  auto placeOf = [&]() {
    RECT r;
    GetWindowRect(client, &r);
    MapWindowPoints(nullptr, Main->Handle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  RECT r = placeOf();
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, Main->ClientWidth());
  EXPECT_EQ(r.bottom, Main->ClientHeight());
  Main->SetBounds(40, 40, 600, 420);
  r = placeOf();
  EXPECT_EQ(r.right - r.left, Main->ClientWidth());
  EXPECT_EQ(r.bottom, Main->ClientHeight());
}

TEST_F(FormsMdiTest, DocumentsLiveInTheClientAndAreArranged) {
  EXPECT_EQ(Main->MDIChildCount(), 0);
  EXPECT_EQ(Main->ActiveMDIChild(), nullptr);
  TForm* a = Doc("A");
  TForm* b = Doc("B");
  TForm* c = Doc("C");
  EXPECT_EQ(GetParent(a->Handle()), Main->ClientHandle());
  EXPECT_EQ(Main->MDIChildCount(), 3);
  EXPECT_EQ(Main->ActiveMDIChild(), c);
  EXPECT_EQ(Main->MDIChildren(0), c);
  EXPECT_THROW(Main->MDIChildren(3), EListError);
  Main->Next();
  EXPECT_EQ(Main->ActiveMDIChild(), b);
  Main->Previous();
  EXPECT_EQ(Main->ActiveMDIChild(), c);

  RECT cl;
  GetClientRect(Main->ClientHandle(), &cl);
  Main->SetTileMode(tbVertical);
  Main->Tile();
  // Side by side across the client, the bounds the forms report being their windows'.
  EXPECT_EQ(Main->MDIChildren(0)->Left(), 0);
  EXPECT_EQ(Main->MDIChildren(0)->Height(), cl.bottom);
  EXPECT_EQ(Main->MDIChildren(1)->Left(), cl.right / 3);
  Main->Cascade();
  EXPECT_EQ(Main->MDIChildren(2)->Left(), 0);
  EXPECT_GT(Main->MDIChildren(0)->Left(), Main->MDIChildren(1)->Left());

  // Maximised, the document reports it; closing a document minimises it unless OnClose frees it.
  c->SetWindowState(wsMaximized);
  EXPECT_EQ(c->WindowState(), wsMaximized);
  c->Close();
  EXPECT_EQ(c->WindowState(), wsMinimized);
  EXPECT_NE(Main->ActiveMDIChild(), c);
  b->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  b->Close();
  Application()->ProcessMessages();
  Docs.erase(std::remove(Docs.begin(), Docs.end(), b), Docs.end());
  EXPECT_EQ(Main->MDIChildCount(), 2);
}

TEST_F(FormsMdiTest, DocumentNeedsAnMdiMainForm) {
  Application()->SetMainForm(nullptr);
  auto* d = new TForm(nullptr);
  d->SetFormStyle(fsMDIChild);
  EXPECT_THROW(d->Show(), EInvalidOperation);
  delete d;
  Application()->SetMainForm(Main);
}

TEST_F(FormsMdiTest, ActiveDocumentMenuIsMergedByGroupIndex) {
  auto* mm = new TMainMenu(Main);
  Item(Main, mm->Items(), "&File", 0);
  Item(Main, mm->Items(), "&View", 5);
  TMenuItem* window = Item(Main, mm->Items(), "&Window", 9);
  Item(Main, window, "&Cascade", 9);
  Main->SetMenu(mm);
  Main->SetWindowMenu(window);
  HMENU bar = GetMenu(Main->Handle());
  ASSERT_TRUE(bar);

  TForm* plain = Doc("Plain");
  TForm* editor = new TForm(nullptr);
  Docs.push_back(editor);
  auto* em = new TMainMenu(editor);
  Item(editor, em->Items(), "&File", 0);  // replaces the main form's group 0
  TMenuItem* edit = Item(editor, em->Items(), "&Edit", 1);
  int clicks = 0;
  TMenuItem* undo = Item(editor, edit, "&Undo", 1);
  undo->OnClick = [&clicks](TObject*) { ++clicks; };
  editor->SetMenu(em);
  editor->SetCaption("Editor");
  editor->SetFormStyle(fsMDIChild);
  editor->Show();

  EXPECT_EQ(Texts(bar), (std::vector<std::string>{"&File", "&Edit", "&View", "&Window"}));
  EXPECT_EQ(GetMenu(editor->Handle()), nullptr);  // a document shows no bar of its own
  EXPECT_EQ(mm->Merged(), em);
  // The document's items run from the MDI form's bar.
  HMENU editPopup = GetSubMenu(bar, 1);
  ASSERT_TRUE(editPopup);
  SendMessage(Main->Handle(), WM_COMMAND, GetMenuItemID(editPopup, 0), 0);
  EXPECT_EQ(clicks, 1);
  // The window menu lists the documents, the active one checked.
  EXPECT_EQ(Texts(window->Handle()), (std::vector<std::string>{"&Cascade", "-", "&1 Plain", "&2 Editor"}));
  EXPECT_TRUE(GetMenuState(window->Handle(), 3, MF_BYPOSITION) & MF_CHECKED);

  // Another document without a menu active: the main form's own items again.
  Main->Next();
  EXPECT_EQ(Main->ActiveMDIChild(), plain);
  EXPECT_EQ(Texts(bar), (std::vector<std::string>{"&File", "&View", "&Window"}));
  Main->Next();
  EXPECT_EQ(Main->ActiveMDIChild(), editor);
  EXPECT_EQ(Texts(bar).size(), 4u);
  // Shortcuts: a document's keys reach the MDI form's menu, the MDI form's the merged menu.
  int refreshed = 0;
  TMenuItem* refresh = Item(Main, window, "&Refresh", 9);
  refresh->SetShortCut(ShortCut(VK_F5, TShiftState{}));
  refresh->OnClick = [&refreshed](TObject*) { ++refreshed; };
  undo->SetShortCut(ShortCut(VK_F6, TShiftState{}));
  TMessage f5{WM_KEYDOWN, VK_F5, 0, 0}, f6{WM_KEYDOWN, VK_F6, 0, 0};
  EXPECT_TRUE(editor->IsShortCut(f5));
  EXPECT_EQ(refreshed, 1);
  EXPECT_TRUE(Main->IsShortCut(f6));
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(plain->IsShortCut(f6)) << "not the merged document's own key";
  // The document's menu freed: the bar forgets it.
  delete em;
  EXPECT_EQ(mm->Merged(), nullptr);
  EXPECT_EQ(Texts(bar), (std::vector<std::string>{"&File", "&View", "&Window"}));
}
