// Controls and forms: alignment, mouse and keyboard routing, focus and tab order, edit boxes,
// modal forms and message boxes, closing rules, application-wide message filtering, forms read
// from their text description, and a screenshot of a sample form against a golden image.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/rtl/filer.h"
#include "platform/rtl/object.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/pngsnap.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

class FormTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(100, 100, 400, 300);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  TForm* Form = nullptr;
};

}  // namespace

TEST_F(FormTest, AlignedChildrenShareTheClientAreaInOrder) {
  auto* top = new TPanel(Form);
  top->SetParent(Form);
  top->SetHeight(30);
  top->SetAlign(alTop);
  auto* left = new TPanel(Form);
  left->SetParent(Form);
  left->SetWidth(50);
  left->SetAlign(alLeft);
  auto* bottom = new TPanel(Form);
  bottom->SetParent(Form);
  bottom->SetHeight(20);
  bottom->SetAlign(alBottom);
  auto* client = new TPanel(Form);
  client->SetParent(Form);
  client->SetAlign(alClient);
  Form->Show();
  int cw = Form->ClientWidth(), ch = Form->ClientHeight();
  EXPECT_EQ(top->BoundsRect(), (RECT{0, 0, cw, 30}));
  EXPECT_EQ(bottom->BoundsRect(), (RECT{0, ch - 20, cw, ch}));
  EXPECT_EQ(left->BoundsRect(), (RECT{0, 30, 50, ch - 20}));
  EXPECT_EQ(client->BoundsRect(), (RECT{50, 30, cw, ch - 20}));
  // Resizing the form realigns; the window of each panel follows its bounds.
  Form->SetWidth(500);
  EXPECT_EQ(client->Width(), Form->ClientWidth() - 50);
  RECT wr;
  GetWindowRect(client->Handle(), &wr);
  EXPECT_EQ(wr.right - wr.left, client->Width());
  // Constraints and OnCanResize limit sizes.
  left->Constraints().MaxWidth = 40;
  left->SetWidth(80);
  EXPECT_EQ(left->Width(), 40);
}

TEST_F(FormTest, ClientSizeSetBeforeTheWindowExistsAllowsForTheFrame) {
  Form->SetClientWidth(200);
  Form->SetClientHeight(100);
  Form->Show();
  EXPECT_EQ(Form->ClientWidth(), 200);
  EXPECT_EQ(Form->ClientHeight(), 100);
  Form->SetBorderStyle(bsNone);
  EXPECT_EQ(Form->ClientWidth(), Form->Width());
}

TEST_F(FormTest, MouseReachesGraphicControlsInTheirOwnCoordinatesAndClicks) {
  auto* box = new TPaintBox(Form);
  box->SetParent(Form);
  box->SetBounds(20, 30, 100, 50);
  int clicks = 0, dbl = 0;
  POINT down{-1, -1};
  box->OnClick = [&](TObject*) { ++clicks; };
  box->OnDblClick = [&](TObject*) { ++dbl; };
  box->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int X, int Y) { down = {X, Y}; };
  Form->Show();
  ClickAt(Form, 25, 35);
  Application()->ProcessMessages();
  EXPECT_EQ(down, (POINT{5, 5}));
  EXPECT_EQ(clicks, 1);
  ClickAt(Form, 25, 35);  // second click at once: a double click
  Application()->ProcessMessages();
  EXPECT_EQ(dbl, 1);
  // Pressing inside and letting go outside is no click.
  clicks = 0;
  POINT in = Form->ClientToScreen(POINT{25, 35}), out = Form->ClientToScreen(POINT{300, 200});
  InjectMouseButton(in.x, in.y, 0, true);
  InjectMouseMove(out.x, out.y);
  InjectMouseButton(out.x, out.y, 0, false);
  Application()->ProcessMessages();
  EXPECT_EQ(clicks, 0);
}

TEST_F(FormTest, TabMovesTheFocusInTabOrderWithEnterAndExit) {
  std::vector<std::string> log;
  std::vector<TEdit*> edits;
  for (int i = 0; i < 3; ++i) {
    auto* e = new TEdit(Form);
    e->SetName("E" + std::to_string(i));
    e->SetParent(Form);
    e->SetBounds(10, 10 + i * 30, 100, 21);
    e->OnEnter = [&log, e](TObject*) { log.push_back("enter " + e->Name()); };
    e->OnExit = [&log, e](TObject*) { log.push_back("exit " + e->Name()); };
    edits.push_back(e);
  }
  edits[2]->SetTabOrder(0);  // order: E2, E0, E1
  Form->Show();
  EXPECT_EQ(Form->ActiveControl(), edits[2]);
  EXPECT_TRUE(edits[2]->Focused());
  Key(VK_TAB);
  Application()->ProcessMessages();
  EXPECT_TRUE(edits[0]->Focused());
  InjectKey(VK_SHIFT, true);
  Key(VK_TAB);
  InjectKey(VK_SHIFT, false);
  Application()->ProcessMessages();
  EXPECT_TRUE(edits[2]->Focused());
  EXPECT_EQ(log, (std::vector<std::string>{"enter E2", "exit E2", "enter E0", "exit E0", "enter E2"}));
  // Disabled controls are skipped.
  edits[0]->SetEnabled(false);
  Key(VK_TAB);
  Application()->ProcessMessages();
  EXPECT_TRUE(edits[1]->Focused());
}

TEST_F(FormTest, EditTypingBackspaceSelectionReadOnlyAndKeyPreview) {
  auto* e = new TEdit(Form);
  e->SetParent(Form);
  int changes = 0;
  e->OnChange = [&](TObject*) { ++changes; };
  Form->Show();
  e->SetFocus();
  for (UINT k : {UINT('A'), UINT('B'), UINT('C'), UINT(VK_BACK)}) Key(k);
  InjectText("é");
  Application()->ProcessMessages();
  EXPECT_EQ(e->Text(), "abé");
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(e->SelStart(), 3);
  // Shift+Home selects back to the start; typing replaces the selection.
  InjectKey(VK_SHIFT, true);
  Key(VK_HOME);
  InjectKey(VK_SHIFT, false);
  Key('Z');
  Application()->ProcessMessages();
  EXPECT_EQ(e->Text(), "z");
  // The form sees keys first with KeyPreview and may swallow them.
  Form->SetKeyPreview(true);
  Form->OnKeyPress = [](TObject*, char& K) {
    if (K == 'q') K = 0;
  };
  Key('Q');
  Key('W');
  Application()->ProcessMessages();
  EXPECT_EQ(e->Text(), "zw");
  e->SetReadOnly(true);
  Key('X');
  Key(VK_BACK);
  Application()->ProcessMessages();
  EXPECT_EQ(e->Text(), "zw");
  e->SetMaxLength(3);
  e->SetReadOnly(false);
  InjectText("abc");
  Application()->ProcessMessages();
  EXPECT_EQ(e->Text(), "zwa");
}

TEST_F(FormTest, ShowModalEndsWithTheButtonsModalResult) {
  auto* ok = new TButton(Form);
  ok->SetParent(Form);
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  auto* cancel = new TButton(Form);
  cancel->SetParent(Form);
  cancel->SetTop(40);
  cancel->SetModalResult(mrCancel);
  cancel->SetCancel(true);
  auto* other = new TForm(nullptr);
  other->Show();
  Later(Form, [] { Key(VK_RETURN); });
  EXPECT_EQ(Form->ShowModal(), mrOk);
  EXPECT_FALSE(Form->Visible());
  EXPECT_TRUE(IsWindowEnabled(other->Handle()));  // re-enabled after the loop
  Later(Form, [] { Key(VK_ESCAPE); });
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  // While modal, the other form is disabled.
  bool otherEnabled = true;
  Later(Form, [&] {
    otherEnabled = IsWindowEnabled(other->Handle());
    ClickAt(cancel, 5, 5);
  });
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  EXPECT_FALSE(otherEnabled);
  delete other;
}

TEST_F(FormTest, CloseQueryCanRefuseAndCloseActionsHideOrFree) {
  bool allow = false;
  Form->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = allow; };
  Form->Show();
  Form->Close();
  EXPECT_TRUE(Form->Visible());
  allow = true;
  Form->Close();
  EXPECT_FALSE(Form->Visible());
  bool destroyed = false;
  auto* f = new TForm(nullptr);
  f->FinishCreate();
  f->OnClose = [](TObject*, TCloseAction& A) { A = caFree; };
  f->OnDestroy = [&](TObject*) { destroyed = true; };
  f->Show();
  PostMessage(f->Handle(), WM_CLOSE, 0, 0);
  Application()->ProcessMessages();
  EXPECT_TRUE(destroyed);  // freed through CM_RELEASE after the close message
}

TEST_F(FormTest, ApplicationEventsSeeMessagesFirstAndMaySwallowThem) {
  auto* box = new TPaintBox(Form);
  box->SetParent(Form);
  box->SetBounds(0, 0, 100, 100);
  int rdown = 0, ldown = 0;
  box->OnMouseDown = [&](TObject*, TMouseButton B, TShiftState, int, int) { (B == mbRight ? rdown : ldown)++; };
  auto* events = new TApplicationEvents(Form);
  events->OnMessage = [](MSG& M, bool& Handled) { Handled = M.message == WM_RBUTTONDOWN; };
  Form->Show();
  POINT s = box->ClientToScreen(POINT{10, 10});
  InjectMouseButton(s.x, s.y, 1, true);
  InjectMouseButton(s.x, s.y, 1, false);
  InjectMouseButton(s.x + 20, s.y, 0, true);
  InjectMouseButton(s.x + 20, s.y, 0, false);
  Application()->ProcessMessages();
  EXPECT_EQ(rdown, 0);
  EXPECT_EQ(ldown, 1);
}

TEST_F(FormTest, MessageBoxIsADialogWindowAndReturnsTheChosenButton) {
  static std::vector<std::string> cls;
  cls.clear();
  static HHOOK hook;
  hook = SetWindowsHookEx(WH_CBT, [](int code, WPARAM w, LPARAM l) -> LRESULT {
    if (code == HCBT_CREATEWND) cls.push_back(reinterpret_cast<CBT_CREATEWNDA*>(l)->lpcs->lpszClass);
    return CallNextHookEx(hook, code, w, l);
  }, nullptr, 0);
  Later(Application(), [] { Key(VK_RETURN); });
  EXPECT_EQ(MessageBox(nullptr, "Delete the picture?", "程序提示", MB_YESNO | MB_ICONQUESTION), IDYES);
  UnhookWindowsHookEx(hook);
  EXPECT_NE(std::find(cls.begin(), cls.end(), "#32770"), cls.end());
  EXPECT_NE(std::find(cls.begin(), cls.end(), "TButton"), cls.end());
  Later(Application(), [] { Key(VK_TAB); Key(VK_SPACE); });
  EXPECT_EQ(MessageDlg("Save?", mtConfirmation, TMsgDlgButtons{mbYes, mbNo, mbCancel}, 0), mrNo);
  Later(Application(), [] { Key(VK_ESCAPE); });
  EXPECT_EQ(MessageBox(nullptr, "Tip", "Tip", MB_OKCANCEL), IDCANCEL);
  Later(Application(), [] {
    InjectText("new");
    Key(VK_RETURN);
  });
  EXPECT_EQ(InputBox("Name", "Enter a name", "old"), "new");
}

TEST_F(FormTest, RadioButtonsInOneParentExcludeEachOtherAndCheckBoxesToggle) {
  auto* a = new TRadioButton(Form);
  a->SetParent(Form);
  auto* b = new TRadioButton(Form);
  b->SetParent(Form);
  b->SetTop(30);
  auto* c = new TCheckBox(Form);
  c->SetParent(Form);
  c->SetTop(60);
  int clicks = 0;
  c->OnClick = [&](TObject*) { ++clicks; };
  Form->Show();
  a->SetChecked(true);
  ClickAt(b, 5, 5);
  Application()->ProcessMessages();
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
  ClickAt(c, 5, 5);
  Application()->ProcessMessages();
  EXPECT_TRUE(c->Checked());
  c->SetFocus();
  Key(VK_SPACE);
  Application()->ProcessMessages();
  EXPECT_FALSE(c->Checked());
  EXPECT_EQ(clicks, 2);
}

TEST_F(FormTest, FormReadFromItsTextDescriptionGetsItsControlsWithParents) {
  RegisterClasses({TPanel::StaticClass(), TButton::StaticClass(), TLabel::StaticClass()});
  Form->LoadFromText(
      "object Sample: TForm\n"
      "  Caption = 'Sample'\n"
      "  object Top1: TPanel\n"
      "    Height = 40\n"
      "    Align = alTop\n"
      "    object OkButton: TButton\n"
      "      Left = 8\n      Top = 8\n      Caption = 'OK'\n      ModalResult = 1\n"
      "    end\n"
      "  end\n"
      "  object Hello: TLabel\n    Left = 10\n    Top = 60\n    Caption = 'Hello'\n  end\n"
      "end\n");
  auto* panel = dynamic_cast<TPanel*>(Form->FindComponent("Top1"));
  auto* button = dynamic_cast<TButton*>(Form->FindComponent("OkButton"));
  auto* label = dynamic_cast<TLabel*>(Form->FindComponent("Hello"));
  ASSERT_TRUE(panel && button && label);
  EXPECT_EQ(button->Parent(), panel);
  EXPECT_EQ(label->Parent(), Form);
  EXPECT_EQ(button->ModalResult(), mrOk);
  EXPECT_EQ(Form->Caption(), "Sample");
  Form->Show();
  EXPECT_EQ(panel->Width(), Form->ClientWidth());
  EXPECT_GT(label->Width(), 0);  // sized to its caption once loaded
}

TEST_F(FormTest, FormPropertiesReadFromTextReachTheForm) {
  RegisterClasses({TMainMenu::StaticClass(), TMenuItem::StaticClass(), TEdit::StaticClass()});
  Form->LoadFromText(
      "object Picker: TForm\n"
      "  BorderIcons = [biSystemMenu]\n"
      "  FormStyle = fsStayOnTop\n"
      "  KeyPreview = True\n"
      "  Menu = MainMenu1\n"
      "  ActiveControl = NameEdit\n"
      "  object MainMenu1: TMainMenu\n"
      "    object FileItem: TMenuItem\n      Caption = '&File'\n"
      "      object OpenItem: TMenuItem\n        Caption = '&Open...'\n        ShortCut = 16463\n      end\n"
      "      object Sep1: TMenuItem\n        Caption = '-'\n      end\n"
      "      object GridItem: TMenuItem\n        Caption = 'Grid'\n        Checked = True\n      end\n"
      "    end\n"
      "    object HelpItem: TMenuItem\n      Caption = '&Help'\n      Enabled = False\n    end\n"
      "  end\n"
      "  object NameEdit: TEdit\n    Left = 8\n    Top = 8\n  end\n"
      "end\n");
  EXPECT_EQ(Form->BorderIcons(), TBorderIcons{biSystemMenu});
  EXPECT_EQ(Form->FormStyle(), fsStayOnTop);
  EXPECT_TRUE(Form->KeyPreview());
  EXPECT_EQ(Form->Menu(), Form->FindComponent("MainMenu1"));
  EXPECT_EQ(Form->ActiveControl(), Form->FindComponent("NameEdit"));
  // The items were read into the menu's tree.
  TMenuItem* root = Form->Menu()->Items();
  ASSERT_EQ(root->Count(), 2);
  TMenuItem* file = root->Items(0);
  EXPECT_EQ(file->Name(), "FileItem");
  ASSERT_EQ(file->Count(), 3);
  EXPECT_EQ(file->Items(0)->ShortCut(), ShortCut('O', TShiftState{ssCtrl}));
  EXPECT_TRUE(file->Items(2)->Checked());
  EXPECT_FALSE(root->Items(1)->Enabled());
  EXPECT_EQ(file->Items(1)->GetParentComponent(), file);
  EXPECT_EQ(file->GetParentComponent(), Form->Menu());
  // Written back, the tree reads again into the same menu.
  TMemoryStream bin;
  {
    TWriter w(&bin);
    w.WriteRootComponent(Form);
  }
  bin.SetPosition(0);
  TStringStream text("");
  ObjectBinaryToText(&bin, &text);
  TForm second(nullptr);
  second.LoadFromText(text.DataString());
  ASSERT_NE(second.Menu(), nullptr);
  ASSERT_EQ(second.Menu()->Items()->Count(), 2);
  EXPECT_EQ(second.Menu()->Items()->Items(0)->Items(0)->Caption(), "&Open...");
  EXPECT_EQ(second.Menu()->Items()->Items(0)->Items(0)->ShortCut(), ShortCut('O', TShiftState{ssCtrl}));
  // The events a form description names are published with their types.
  for (const char* name : {"OnClose", "OnCloseQuery", "OnDestroy", "OnHide", "OnDeactivate",
                           "OnPaint", "OnShortCut"})
    EXPECT_NE(GetPropInfo(Form, name), nullptr) << name;
  EXPECT_EQ(GetPropInfo(Form, "OnCloseQuery")->PropType->Name, "TCloseQueryEvent");
}

TEST_F(FormTest, PopupMenuRunsTheChosenItem) {
  auto* menu = new TPopupMenu(Form);
  bool popped = false;
  std::string chosen;
  menu->OnPopup = [&](TObject*) { popped = true; };
  for (const char* cap : {"Open", "Delete"}) {
    auto* it = new TMenuItem(menu);
    it->SetCaption(cap);
    it->OnClick = [&chosen, it](TObject*) { chosen = it->Caption(); };
    menu->Items()->Add(it);
  }
  Form->SetPopupMenu(menu);
  Form->Show();
  Later(Application(), [] {
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_RETURN);
  });
  ClickAt(Form, 10, 10);
  POINT s = Form->ClientToScreen(POINT{50, 50});
  InjectMouseButton(s.x, s.y, 1, true);
  InjectMouseButton(s.x, s.y, 1, false);
  Application()->ProcessMessages();
  EXPECT_TRUE(popped);
  EXPECT_EQ(chosen, "Delete");
}

TEST_F(FormTest, SampleFormMatchesTheGoldenImage) {
  Form->SetCaption("Sample");
  Form->SetBounds(0, 0, 260, 150);
  auto* l = new TLabel(Form);
  l->SetParent(Form);
  l->SetBounds(12, 12, 0, 0);
  l->SetCaption("Picked: 12 of 40");
  auto* e = new TEdit(Form);
  e->SetParent(Form);
  e->SetBounds(12, 36, 120, 21);
  e->SetText("IMG_0001.jpg");
  auto* c = new TCheckBox(Form);
  c->SetParent(Form);
  c->SetBounds(140, 38, 100, 17);
  c->SetCaption("Bold");
  c->SetChecked(true);
  auto* b = new TButton(Form);
  b->SetParent(Form);
  b->SetBounds(160, 80, 75, 25);
  b->SetCaption("OK");
  Form->SetActiveControl(b);
  Form->Show();
  HBITMAP shot = RenderWindowToBitmap(Form->Handle());
  ASSERT_TRUE(shot);
  std::string src = std::getenv("ORVANTA_SOURCE_DIR") ? std::getenv("ORVANTA_SOURCE_DIR") : ".";
  std::string golden = src + "/tests/platform/vcl/golden/sample_form.png";
  if (std::getenv("ORVANTA_UPDATE_GOLDEN")) {
    std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
    SaveBitmapToPng(shot, golden);
  }
  HBITMAP want = LoadPngToBitmap(golden);
  ASSERT_TRUE(want) << "missing golden image " << golden;
  // Anti-aliased text may differ by a few levels between FreeType builds.
  EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 20);
  DeleteObject(want);
  DeleteObject(shot);
}

TEST_F(FormTest, MainMenuTakesARowUnderTheCaptionAndOpensItsItems) {
  auto* mm = new TMainMenu(Form);
  std::string ran;
  auto add = [&](TMenuItem* parent, const char* cap) {
    auto* it = new TMenuItem(mm);
    it->SetCaption(cap);
    it->OnClick = [&ran, it](TObject*) { ran = it->Caption(); };
    parent->Add(it);
    return it;
  };
  TMenuItem* file = add(mm->Items(), "File");
  add(file, "Open");
  add(file, "Exit");
  add(mm->Items(), "Help");
  Form->SetMenu(mm);
  Form->SetClientHeight(200);
  Form->Show();
  EXPECT_EQ(Form->ClientHeight(), 200);  // the menu row is outside the client area
  RECT bar;
  ASSERT_TRUE(GetMenuBarRect(Form->Handle(), &bar));
  EXPECT_EQ(bar.bottom - bar.top, GetSystemMetrics(SM_CYMENU));
  RECT wr;
  GetWindowRect(Form->Handle(), &wr);
  RECT help = mm->ItemRect(Form->Handle(), 1);
  POINT hp{wr.left + (help.left + help.right) / 2, wr.top + (help.top + help.bottom) / 2};
  EXPECT_EQ(SendMessage(Form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(hp.x, hp.y)), HTMENU);
  InjectMouseButton(hp.x, hp.y, 0, true);  // an item without sub-items runs at once
  InjectMouseButton(hp.x, hp.y, 0, false);
  Application()->ProcessMessages();
  EXPECT_EQ(ran, "Help");
  Later(Application(), [] {
    Key(VK_DOWN);
    Key(VK_DOWN);
    Key(VK_RETURN);
  });
  RECT fr = mm->ItemRect(Form->Handle(), 0);
  InjectMouseButton(wr.left + fr.left + 5, wr.top + fr.top + 5, 0, true);
  InjectMouseButton(wr.left + fr.left + 5, wr.top + fr.top + 5, 0, false);
  Application()->ProcessMessages();
  EXPECT_EQ(ran, "Exit");
  delete mm;  // the form forgets it
  EXPECT_EQ(Form->Menu(), nullptr);
  EXPECT_FALSE(GetMenuBarRect(Form->Handle(), &bar));
}
