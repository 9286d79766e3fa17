// Menus of the class library over the API menus: sub-items become sub-menus (kept in step with
// the items), popup alignment, the form's menu bar with the keyboard and owner-drawn top items,
// and the shortcut events that come before the menus.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/vcl/actnlist.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "tests/platform/vcl/formtest.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

// Runs the steps one per timer tick (1 ms) from whatever loop is running then; gives the steps
// not run yet.
std::shared_ptr<std::vector<std::function<void()>>> Steps(TComponent* Owner, std::vector<std::function<void()>> S) {
  auto* t = new TTimer(Owner);
  auto q = std::make_shared<std::vector<std::function<void()>>>(std::move(S));
  t->SetInterval(1);
  t->SetOnTimer([t, q](TObject*) {
    if (q->empty()) {
      t->SetEnabled(false);
      return;
    }
    auto f = q->front();
    q->erase(q->begin());
    f();
  });
  return q;
}

std::function<void()> K(UINT vk) {
  return [vk] { Key(vk); };
}
// A step moving the clock on as if the mouse rested on a menu item (its sub-menu opens).
std::function<void()> Rest() {
  return [] { AdvanceMessageClock(400); };
}

class MenuTest : public FormTestBase {
protected:
  void SetUp() override {
    FormTestBase::SetUp();
    Form->SetBounds(100, 100, 400, 300);
  }
  TMenuItem* Add(TMenuItem* Parent, const char* Caption) {
    auto* it = new TMenuItem(Form);
    it->SetCaption(Caption);
    it->OnClick = [this, it](TObject*) { Log += it->Caption() + ";"; };
    Parent->Add(it);
    return it;
  }
  std::string Log;
};

}  // namespace

TEST_F(MenuTest, SubItemsBecomeSubMenusThatFollowTheirChanges) {
  auto* menu = new TPopupMenu(Form);
  TMenuItem* open = Add(menu->Items(), "Open");
  TMenuItem* recent = Add(menu->Items(), "Recent");
  TMenuItem* a = Add(recent, "a.jpg");
  TMenuItem* hidden = Add(menu->Items(), "Hidden");
  Add(menu->Items(), "-");
  hidden->SetVisible(false);
  HMENU h = menu->Handle();
  ASSERT_EQ(GetMenuItemCount(h), 3);  // the hidden item is left out
  EXPECT_EQ(GetSubMenu(h, 1), recent->Handle());
  EXPECT_EQ(GetMenuItemID(h, 0), static_cast<UINT>(open->Command()));
  EXPECT_EQ(GetMenuState(h, 2, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
  EXPECT_EQ(TMenuItem::FindCommand(a->Command()), a);
  // Changes show at once: caption with its shortcut text, state, a new sub-menu.
  open->SetShortCut(TextToShortCut("Ctrl+O"));
  open->SetEnabled(false);
  open->SetChecked(true);
  char text[64];
  GetMenuString(h, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Open\tCtrl+O");
  EXPECT_EQ(GetMenuState(h, 0, MF_BYPOSITION), UINT(MF_GRAYED | MF_DISABLED | MF_CHECKED));
  TMenuItem* more = Add(a, "x");
  EXPECT_EQ(GetSubMenu(recent->Handle(), 0), a->Handle());
  EXPECT_EQ(GetMenuItemID(a->Handle(), 0), static_cast<UINT>(more->Command()));
  // State changes update the entry in place: items others added to the menu stay.
  AppendMenu(h, MF_STRING, 60000, "Foreign");
  open->SetEnabled(true);
  open->SetCaption("Open...");
  EXPECT_EQ(GetMenuItemCount(h), 4);
  EXPECT_EQ(GetMenuState(h, 0, MF_BYPOSITION), UINT(MF_CHECKED));
  GetMenuString(h, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Open...\tCtrl+O");
  EXPECT_EQ(GetMenuItemID(h, 3), 60000u);
  // Showing an item refills the menu from the items.
  hidden->SetVisible(true);
  EXPECT_EQ(GetMenuItemCount(h), 4);
  EXPECT_EQ(GetMenuItemID(h, 2), static_cast<UINT>(hidden->Command()));
  // Items are found by command, sub-menu handle and shortcut; commands run through the menu or
  // the popup-list window.
  EXPECT_EQ(menu->FindItem(more->Command(), fkCommand), more);
  EXPECT_EQ(menu->FindItem(reinterpret_cast<intptr_t>(a->Handle()), fkHandle), a);
  EXPECT_EQ(menu->FindItem(TextToShortCut("Ctrl+O"), fkShortCut), open);
  EXPECT_EQ(menu->FindItem(0, fkShortCut), nullptr);
  EXPECT_TRUE(menu->DispatchCommand(static_cast<WORD>(more->Command())));
  SendMessage(PopupListWindow(), WM_COMMAND, static_cast<WPARAM>(a->Command()), 0);
  EXPECT_EQ(Log, "x;a.jpg;");
  // A freed item leaves its menu and its command.
  int cmd = more->Command();
  delete more;
  EXPECT_EQ(TMenuItem::FindCommand(cmd), nullptr);
  EXPECT_EQ(GetMenuItemID(recent->Handle(), 0), static_cast<UINT>(a->Command()));
}

TEST_F(MenuTest, PopupMenusOpenSubMenusAndRunTheNestedItem) {
  auto* menu = new TPopupMenu(Form);
  Add(menu->Items(), "Open");
  TMenuItem* recent = Add(menu->Items(), "Recent");
  Add(recent, "a.jpg");
  TMenuItem* more = Add(recent, "More");
  Add(more, "x");
  Add(recent, "b.jpg");
  Add(menu->Items(), "Exit");
  auto clickRow = [](TMenuItem* Parent, int Row) {
    return [Parent, Row] {
      RECT r{};
      ASSERT_TRUE(GetMenuItemRect(nullptr, Parent->Handle(), static_cast<UINT>(Row), &r));
      int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
      InjectMouseMove(x, y);
      InjectMouseButton(x, y, 0, true);
      InjectMouseButton(x, y, 0, false);
    };
  };
  auto hoverRow = [](TMenuItem* Parent, int Row) {
    return [Parent, Row] {
      RECT r{};
      ASSERT_TRUE(GetMenuItemRect(nullptr, Parent->Handle(), static_cast<UINT>(Row), &r));
      InjectMouseMove((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
  };
  struct Case {
    const char* Name;
    std::vector<std::function<void()>> Input;
    const char* Want;
  };
  TMenuItem* root = menu->Items();
  std::vector<Case> cases = {
      {"keys two levels down", {K(VK_DOWN), K(VK_DOWN), K(VK_RIGHT), K(VK_DOWN), K(VK_RIGHT), K(VK_RETURN)}, "x;"},
      {"left comes back", {K(VK_DOWN), K(VK_DOWN), K(VK_RETURN), K(VK_LEFT), K(VK_DOWN), K(VK_RETURN)}, "Exit;"},
      {"mouse through the levels", {hoverRow(root, 1), Rest(), hoverRow(recent, 1), Rest(), clickRow(more, 0)}, "x;"},
      {"mouse in the first sub-menu", {hoverRow(root, 1), Rest(), clickRow(recent, 2)}, "b.jpg;"},
      {"escape twice", {K(VK_DOWN), K(VK_DOWN), K(VK_RIGHT), K(VK_ESCAPE), K(VK_ESCAPE)}, ""},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Log.clear();
    Steps(Form, c.Input);
    menu->Popup(300, 200);
    Application()->ProcessMessages();
    EXPECT_EQ(Log, c.Want);
  }
}

TEST(MenuTexts, StripHotkeyDropsTheMarks) {
  const std::pair<const char*, const char*> cases[] = {
      {"&File", "File"}, {"Save && &Quit", "Save & Quit"}, {"E&xit", "Exit"}, {"&", "&"}, {"", ""}};
  for (const auto& [in, want] : cases) EXPECT_EQ(StripHotkey(in), want) << in;
}

TEST_F(MenuTest, APopupLeavesTheFocusWhereItIs) {
  auto* edit = new TEdit(Form);
  edit->SetParent(Form);
  edit->OnExit = [this](TObject*) { Log += "exit;"; };
  auto* menu = new TPopupMenu(Form);
  Add(menu->Items(), "Open");
  Form->Show();
  edit->SetFocus();
  Application()->ProcessMessages();
  HWND during = nullptr;
  Steps(Form, {[&] { during = GetFocus(); }, K(VK_DOWN), K(VK_RETURN)});
  menu->Popup(300, 200);
  Application()->ProcessMessages();
  EXPECT_EQ(Log, "Open;");  // no exit event: the edit kept the focus and the menu had the keys
  EXPECT_EQ(during, edit->Handle());
  EXPECT_EQ(GetFocus(), edit->Handle());
}

TEST_F(MenuTest, PopupAlignmentPlacesTheMenuAgainstThePoint) {
  auto* menu = new TPopupMenu(Form);
  Add(menu->Items(), "Open");
  const int W = 160;
  struct Case {
    TPopupAlignment Alignment;
    int Left;
  } cases[] = {{paLeft, 300}, {paRight, 300 - W}, {paCenter, 300 - W / 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Alignment));
    menu->SetAlignment(c.Alignment);
    RECT r{};
    Steps(Form, {[&] { GetMenuItemRect(nullptr, menu->Handle(), 0, &r); }, K(VK_ESCAPE)});
    menu->Popup(300, 200);
    EXPECT_EQ(r.left - 2, c.Left);
    EXPECT_EQ(r.top - 2, 200);
  }
}

namespace {

class MainMenuTest : public MenuTest {
protected:
  void SetUp() override {
    MenuTest::SetUp();
    Menu = new TMainMenu(Form);
    File = Add(Menu->Items(), "&File");
    Add(File, "&Open");
    Add(File, "E&xit");
    Edit = Add(Menu->Items(), "&Edit");
    Add(Edit, "&Copy");
    Add(Edit, "&Paste");
    Help = Add(Menu->Items(), "&Help");
    Form->SetMenu(Menu);
    Box = new TEdit(Form);
    Box->SetParent(Form);
    Box->OnKeyDown = [this](TObject*, WORD& K, TShiftState) {
      if (K != VK_MENU && K != VK_CONTROL) Log += "key" + std::to_string(K) + ";";
    };
    // The form's menu-loop messages, in order.
    auto old = Form->WindowProc;
    Form->WindowProc = [this, old](TMessage& M) {
      if (M.Msg == WM_ENTERMENULOOP) Loop += "enter;";
      if (M.Msg == WM_EXITMENULOOP) Loop += "exit;";
      old(M);
    };
    Form->Show();
    Box->SetFocus();
    Application()->ProcessMessages();
  }
  // The first step enters the loop; the rest run inside it.
  std::string Run(std::function<void()> Enter, std::vector<std::function<void()>> Input) {
    Log.clear();
    Loop.clear();
    auto left = Steps(Form, std::move(Input));
    Enter();
    Application()->ProcessMessages();
    // Steps after the loop ended (keys for the window again) run here.
    for (int i = 0; i < 1000 && !left->empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      Application()->ProcessMessages();
    }
    return Log;
  }
  TMainMenu* Menu = nullptr;
  TMenuItem *File = nullptr, *Edit = nullptr, *Help = nullptr;
  TEdit* Box = nullptr;
  std::string Loop;
};

}  // namespace

TEST_F(MainMenuTest, AltAndF10WalkTheBarFromTheKeyboard) {
  auto alt = [] { Key(VK_MENU); };
  auto f10 = [] { Key(VK_F10); };
  struct Case {
    const char* Name;
    std::function<void()> Enter;
    std::vector<std::function<void()>> Input;
    const char* Want;
  };
  std::vector<Case> cases = {
      {"alt, right, down twice", alt, {K(VK_RIGHT), K(VK_DOWN), K(VK_DOWN), K(VK_RETURN)}, "&Paste;"},
      {"alt, left wraps to Help", alt, {K(VK_LEFT), K(VK_RETURN)}, "&Help;"},
      // The edit hears F10 and Alt+E as key-downs before the menu takes them.
      {"f10, enter opens File", f10, {K(VK_RETURN), K(VK_DOWN), K(VK_RETURN)}, "key121;E&xit;"},
      {"right in a drop-down opens the next one", alt, {K(VK_DOWN), K(VK_RIGHT), K(VK_RETURN)}, "&Copy;"},
      {"escape closes the drop-down, then the bar", alt, {K(VK_DOWN), K(VK_ESCAPE), K(VK_ESCAPE)}, ""},
      {"alt+letter opens with the first row", [] {
         InjectKey(VK_MENU, true);
         Key('E');
         InjectKey(VK_MENU, false);
       }, {K(VK_RETURN)}, "key69;&Copy;"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Run(c.Enter, c.Input), c.Want);
    EXPECT_EQ(Loop, "enter;exit;");
  }
  // After the loop the keys are the edit's again, and the focus stayed there.
  Log.clear();
  Key(VK_DOWN);
  Application()->ProcessMessages();
  EXPECT_EQ(Log, "key40;");
  EXPECT_EQ(GetFocus(), Box->Handle());
}

TEST_F(MainMenuTest, AClickOnTheBarOpensAndAClickElsewhereLeaves) {
  RECT wr;
  GetWindowRect(Form->Handle(), &wr);
  auto clickBar = [this, wr](int Index) {
    return [this, wr, Index] {
      RECT r = Menu->ItemRect(Form->Handle(), Index);
      int x = wr.left + (r.left + r.right) / 2, y = wr.top + (r.top + r.bottom) / 2;
      InjectMouseButton(x, y, 0, true);
      InjectMouseButton(x, y, 0, false);
    };
  };
  auto clickOutside = [] {
    InjectMouseButton(900, 700, 0, true);
    InjectMouseButton(900, 700, 0, false);
  };
  EXPECT_EQ(Run(clickBar(1), {K(VK_DOWN), K(VK_DOWN), K(VK_RETURN)}), "&Paste;");
  EXPECT_EQ(Run(clickBar(0), {clickOutside, K(VK_RETURN)}), "key13;");  // the Enter is the edit's again
  EXPECT_EQ(Loop, "enter;exit;");
  // Moving along the bar with a drop-down open carries it over.
  auto moveTo = [this, wr](int Index) {
    return [this, wr, Index] {
      RECT r = Menu->ItemRect(Form->Handle(), Index);
      InjectMouseMove(wr.left + (r.left + r.right) / 2, wr.top + (r.top + r.bottom) / 2);
    };
  };
  EXPECT_EQ(Run(clickBar(0), {moveTo(1), K(VK_DOWN), K(VK_RETURN)}), "&Copy;");
}

TEST_F(MainMenuTest, OwnerDrawnTopItemsAreMeasuredAndDrawnWithTheirState) {
  // File draws itself (red open, green highlighted, blue otherwise) at 70 pixels; the others
  // stay plain text.
  std::vector<TOwnerDrawState> states;
  File->OnMeasureItem = [](TObject*, TCanvas* C, int& W, int& H) {
    ASSERT_NE(C, nullptr);
    EXPECT_EQ(H, GetSystemMetrics(SM_CYMENU));
    W = 70;
  };
  File->OnAdvancedDrawItem = [&states](TObject*, TCanvas* C, RECT R, TOwnerDrawState S) {
    states.push_back(S);
    C->Brush()->SetColor(S.Contains(odSelected) ? clRed : S.Contains(odHotLight) ? clLime : clBlue);
    C->FillRect(R);
  };
  Menu->Rebuild();  // the draw event came after the item was added
  Application()->ProcessMessages();
  RECT f = Menu->ItemRect(Form->Handle(), 0), e = Menu->ItemRect(Form->Handle(), 1);
  EXPECT_EQ(f.right - f.left, 70);
  EXPECT_EQ(e.left, f.right);
  auto pixel = [&] {
    HBITMAP bm = RenderWindowToBitmap(Form->Handle());
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bm);
    COLORREF c = GetPixel(dc, f.left + 5, f.top + 5);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bm);
    return c;
  };
  EXPECT_EQ(pixel(), RGB(0, 0, 255));
  ASSERT_FALSE(states.empty());
  EXPECT_TRUE(states.back().Contains(odNoAccel));  // no keyboard yet
  COLORREF hot = 0, open = 0;
  TOwnerDrawState hotState;
  Run([] { Key(VK_MENU); }, {[&] {
                               hot = pixel();
                               hotState = states.back();
                             },
                             K(VK_DOWN), [&] { open = pixel(); }, K(VK_ESCAPE), K(VK_ESCAPE)});
  EXPECT_EQ(hot, RGB(0, 255, 0));
  EXPECT_FALSE(hotState.Contains(odNoAccel));
  EXPECT_FALSE(hotState.Contains(odSelected));
  EXPECT_EQ(open, RGB(255, 0, 0));
  EXPECT_EQ(pixel(), RGB(0, 0, 255));
  // With OwnerDraw on, every top item is measured by the menu: Edit's plain row is drawn by the
  // class library in the menu colours, still wider than its text.
  Menu->SetOwnerDraw(true);
  Application()->ProcessMessages();
  RECT e2 = Menu->ItemRect(Form->Handle(), 1);
  EXPECT_EQ(e2.right - e2.left, e.right - e.left);
}

TEST_F(MainMenuTest, ShortCutEventsComeBeforeMenusAndActions) {
  TMenuItem* open = File->Items(0);
  open->SetShortCut(TextToShortCut("Ctrl+O"));
  auto* list = new TActionList(Form);
  auto* save = new TAction(Form);
  save->SetActionList(list);
  save->SetShortCut(TextToShortCut("Ctrl+S"));
  save->OnExecute = [this](TObject*) { Log += "save;"; };
  std::string takes;  // the key the form's handler takes
  Application()->OnShortCut = [this](TWMKey& Msg, bool&) { Log += "app" + std::to_string(Msg.CharCode) + ";"; };
  Form->OnShortCut = [&](TWMKey& Msg, bool& Handled) {
    Log += "form;";
    Handled = takes.find(static_cast<char>(Msg.CharCode)) != std::string::npos;
  };
  auto press = [this](UINT K) {
    Log.clear();
    InjectKey(VK_CONTROL, true);
    Key(K);
    InjectKey(VK_CONTROL, false);
    Application()->ProcessMessages();
    return Log;
  };
  EXPECT_EQ(press('O'), "app79;form;&Open;");
  EXPECT_EQ(press('S'), "app83;form;save;");
  EXPECT_EQ(press('Q'), "app81;form;key81;");  // nobody's shortcut: the edit gets it
  takes = "OS";
  EXPECT_EQ(press('O'), "app79;form;");
  EXPECT_EQ(press('S'), "app83;form;");
  // The application's handler decides first.
  takes.clear();
  Application()->OnShortCut = [this](TWMKey&, bool& Handled) {
    Log += "app;";
    Handled = true;
  };
  EXPECT_EQ(press('O'), "app;");
  Application()->OnShortCut = nullptr;
}

TEST_F(MenuTest, RadioItemsAutoCheckAndTheItemFlags) {
  auto* menu = new TPopupMenu(Form);
  TMenuItem* small = Add(menu->Items(), "Small");
  TMenuItem* large = Add(menu->Items(), "Large");
  TMenuItem* other = Add(menu->Items(), "Other group");
  TMenuItem* wrap = Add(menu->Items(), "Wrap");
  for (TMenuItem* i : {small, large, other}) {
    i->SetRadioItem(true);
    i->SetAutoCheck(true);
  }
  other->SetGroupIndex(1);
  wrap->SetAutoCheck(true);
  struct Step {
    TMenuItem* Click;
    const char* Checked;  // S L O W
  } steps[] = {{small, "S..."}, {large, ".L.."}, {other, ".LO."}, {large, ".LO."}, {wrap, ".LOW"}, {wrap, ".LO."}};
  for (const Step& s : steps) {
    s.Click->Click();
    std::string got;
    const char* marks = "SLOW";
    for (int i = 0; i < 4; ++i) got += menu->Items()->Items(i)->Checked() ? marks[i] : '.';
    EXPECT_EQ(got, s.Checked) << s.Click->Caption();
  }
  // The API menu shows radio checks, breaks and the default item.
  wrap->SetBreak(mbBarBreak);
  small->SetDefault(true);
  HMENU h = menu->Handle();
  EXPECT_EQ(GetMenuState(h, 1, MF_BYPOSITION), UINT(MF_CHECKED) | UINT(MFT_RADIOCHECK));
  EXPECT_EQ(GetMenuState(h, 0, MF_BYPOSITION), UINT(MF_DEFAULT) | UINT(MFT_RADIOCHECK));
  EXPECT_EQ(GetMenuState(h, 3, MF_BYPOSITION), UINT(MF_MENUBARBREAK));
  wrap->SetBreak(mbBreak);
  EXPECT_EQ(GetMenuState(h, 3, MF_BYPOSITION), UINT(MF_MENUBREAK));
}

TEST_F(MenuTest, ImagesAndHintsOfTheHighlightedItem) {
  auto* images = new TImageList(Form);
  TBitmap red;
  red.SetSize(16, 16);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(RECT{0, 0, 16, 16});
  images->Add(&red, nullptr);
  auto* menu = new TPopupMenu(Form);
  TMenuItem* open = Add(menu->Items(), "Open");
  TMenuItem* plain = Add(menu->Items(), "Plain");
  TMenuItem* own = Add(menu->Items(), "Own picture");
  TBitmap blue;
  blue.SetSize(8, 8);
  blue.Canvas()->Brush()->SetColor(clBlue);
  blue.Canvas()->FillRect(RECT{0, 0, 8, 8});
  own->SetBitmap(&blue);
  open->SetImageIndex(0);
  open->SetHint("Open|Opens a picture");
  plain->SetImageIndex(5);  // outside the list: no image
  menu->SetImages(images);
  EXPECT_EQ(open->GetImageList(), images);
  EXPECT_EQ(GetMenuState(menu->Handle(), 0, MF_BYPOSITION) & MF_OWNERDRAW, UINT(MF_OWNERDRAW));
  EXPECT_EQ(GetMenuState(menu->Handle(), 1, MF_BYPOSITION) & MF_OWNERDRAW, 0u);
  COLORREF imagePixel = 0, ownPixel = 0;
  std::string hint;
  Steps(Form, {K(VK_DOWN),
               [&] {
                 hint = Application()->Hint();
                 RECT r{};
                 GetMenuItemRect(nullptr, menu->Handle(), 0, &r);
                 HWND popup = FindWindow("#32768", nullptr);
                 ASSERT_NE(popup, nullptr);
                 HBITMAP bm = RenderWindowToBitmap(popup);
                 HDC dc = CreateCompatibleDC(nullptr);
                 HGDIOBJ old = SelectObject(dc, bm);
                 imagePixel = GetPixel(dc, 2 + 2 + 8, 2 + (r.bottom - r.top) / 2);  // the image's middle
                 ownPixel = GetPixel(dc, 2 + 2 + 8, 2 + 2 * (r.bottom - r.top) + (r.bottom - r.top) / 2);  // stretched
                 SelectObject(dc, old);
                 DeleteDC(dc);
                 DeleteObject(bm);
               },
               K(VK_ESCAPE)});
  menu->Popup(300, 200);
  EXPECT_EQ(hint, "Opens a picture");
  EXPECT_EQ(imagePixel, RGB(255, 0, 0));
  EXPECT_EQ(ownPixel, RGB(0, 0, 255));
  EXPECT_EQ(GetMenuState(menu->Handle(), 2, MF_BYPOSITION) & MF_OWNERDRAW, UINT(MF_OWNERDRAW));
  EXPECT_EQ(Application()->Hint(), "");  // cleared when the menu closed
  // A sub-menu's own image list wins over the menu's; a freed list is forgotten.
  auto* other = new TImageList(Form);
  TMenuItem* sub = Add(open, "Inner");
  open->SetSubMenuImages(other);
  EXPECT_EQ(sub->GetImageList(), other);
  delete other;
  EXPECT_EQ(sub->GetImageList(), images);
  delete images;
  EXPECT_EQ(menu->Images(), nullptr);
  // Open now holds a sub-menu, so its type comes from the item information.
  MENUITEMINFOA mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfo(menu->Handle(), 0, TRUE, &mii));
  EXPECT_EQ(mii.fType & MFT_OWNERDRAW, 0u);
}

TEST_F(MenuTest, OwnerDrawnRowsAnswerTheirAccelerators) {
  // Owner-drawn rows have no text in the API menu: the class library finds the item by the "&"
  // of its caption when the menu asks (WM_MENUCHAR).
  auto* menu = new TPopupMenu(Form);
  Add(menu->Items(), "&Open");
  Add(menu->Items(), "Save && &close");
  TMenuItem* hidden = Add(menu->Items(), "&Hidden");
  Add(menu->Items(), "&Last");
  hidden->SetVisible(false);
  menu->SetOwnerDraw(true);
  struct Case {
    UINT Key;
    const char* Want;  // nothing chosen: an Escape closes the menu
  } cases[] = {{'C', "Save && &close;"}, {'L', "&Last;"}, {'O', "&Open;"}, {'H', ""}, {'S', ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<char>(c.Key));
    Log.clear();
    std::vector<std::function<void()>> input{K(c.Key)};
    if (!*c.Want) input.push_back(K(VK_ESCAPE));
    Steps(Form, input);
    menu->Popup(300, 200);
    Application()->ProcessMessages();
    EXPECT_EQ(Log, c.Want);
  }
}
