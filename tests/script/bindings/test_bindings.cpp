// Scripts driving the class library: constants, canvas drawing, forms with controls and events
// (headless), and the message and input dialogs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/winuser.h"
#include "script/bindings/sc_ibindings.h"
#include "script/sc_iinterpreter.h"
#include "script/sc_isysrtti.h"

namespace {

struct Program {
  TscScript Script;
  std::string Output;
  explicit Program(const std::string& Language, const std::string& Text) {
    scStartScriptBindings();
    Script.Parent = scGlobalScript();
    Script.SyntaxType = Language;
    Script.AddMethod("procedure Print(v: Variant)",
                     [this](TObject*, TClass, const std::string&, TscArgs& P) {
                       Output += (Output.empty() ? "" : "|") + VarToStr(P[0]);
                       return Variant(0);
                     });
    Script.SetText(Text);
  }
  std::string Run() {
    if (!Script.Compile()) return Script.ErrorText + "@" + Script.ErrorPosition;
    try {
      Script.Execute();
    } catch (const std::exception& e) {
      return std::string("exception: ") + e.what();
    }
    return "";
  }
};

// Runs f from the message loop of a modal window once it is up.
void Later(std::function<void()> f) {
  auto* t = new TTimer(Application());
  t->SetInterval(1);
  t->SetOnTimer([t, f](TObject*) {
    t->SetEnabled(false);
    f();
  });
}

void Key(UINT vk) {
  InjectKey(vk, true);
  InjectKey(vk, false);
}

void ClickAt(TControl* c, int x, int y) {
  POINT s = c->ClientToScreen(POINT{x, y});
  InjectMouseButton(s.x, s.y, 0, true);
  InjectMouseButton(s.x, s.y, 0, false);
}

class BindingsTest : public ::testing::Test {
protected:
  void SetUp() override { ResetInputState(); }
  void TearDown() override {
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
};

}  // namespace

TEST_F(BindingsTest, ConstantsHaveTheirValues) {
  const std::pair<const char*, long long> cases[] = {
      {"clRed", 255},
      {"clBlue", 16711680},
      {"clMoneyGreen", 192 + 256 * 220 + 65536 * 192},
      {"clSkyBlue", 166 + 256 * 202 + 65536 * 240},
      {"clCream", 255 + 256 * 251 + 65536 * 240},
      {"clMedGray", 160 + 256 * 160 + 65536 * 164},
      {"clBtnFace", 2147483663LL},
      {"clScrollBar", 2147483648LL},
      {"clBackground", 2147483649LL},
      {"clMenuBar", 2147483678LL},
      {"clNone", 536870911},
      {"clDefault", 536870912},
      {"fsItalic", 2},
      {"fsStrikeout", 8},
      {"psDot", 2},
      {"pmXor", 14},
      {"bsDiagCross", 7},
      {"fpFixed", 2},
      {"VK_F2", 113},
      {"VK_F12", 123},
      {"VK_RBUTTON", 2},
      {"VK_SCROLL", 145},
      {"VK_NUMPAD9", 105},
      {"crSize", -22},
      {"crSizeAll", -22},
      {"crHandPoint", -21},
      {"mrYesToAll", 10},
      {"mrOk", 1},
      {"ssCtrl", 4},
      {"ssDouble", 64},
      {"alClient", 5},
      {"bsDialog", 3},
      {"caFree", 2},
      {"poScreenCenter", 4},
      {"ofAllowMultiSelect", 64},
      {"ofEnableSizing", 524288},
      {"fdApplyButton", 32768},
      {"mtConfirmation", 3},
      {"mbYes", 1},
      {"mbNo", 2},
      {"mbHelp", 1024},
      {"prPageNums", 2},
      {"cdAnyColor", 16},
      {"fmCreate", 65535},
      {"fmShareDenyNone", 64},
      {"soFromEnd", 2},
      {"dupError", 2},
      {"poLandscape", 1},
  };
  std::string text = "begin ";
  for (const auto& c : cases) text += std::string("Print(") + c.first + "); ";
  text += "end.";
  Program p("PascalScript", text);
  ASSERT_EQ(p.Run(), "");
  std::string expected;
  for (const auto& c : cases) expected += (expected.empty() ? "" : "|") + std::to_string(c.second);
  EXPECT_EQ(p.Output, expected);
}

// The same drawing from a script and from C++ gives the same pixels; a bitmap a script creates
// is a working bitmap.
TEST_F(BindingsTest, CanvasDrawingMatchesTheSameDrawingFromCpp) {
  TBitmap fromScript, fromCpp;
  for (TBitmap* b : {&fromScript, &fromCpp}) {
    b->SetWidth(60);
    b->SetHeight(40);
  }
  Program p("JScript",
            "var c = Bmp.Canvas; c.Brush.Color = clWhite; c.Rectangle(0, 0, 60, 40); c.Pen.Color = "
            "clRed; "
            "c.MoveTo(2, 2); c.LineTo(50, 30); c.Brush.Color = clBlue; c.Ellipse(10, 5, 30, 25); "
            "c.Font.Color = clGreen; c.TextOut(30, 2, \"Ab\"); c.Pixels[59, 39] = clYellow; "
            "Print(c.Pixels[59, 39] == clYellow); Print(c.TextWidth(\"Ab\") > 0); "
            "var b = new TBitmap; b.Width = 8; b.Height = 4; b.Canvas.Pixels[1, 1] = clRed; "
            "Print(b.Width); Print(b.Canvas.Pixels[1, 1]); b.Free();");
  p.Script.AddObject("Bmp", &fromScript);
  ASSERT_EQ(p.Run(), "");
  EXPECT_EQ(p.Output, "True|True|8|255");
  TCanvas* c = fromCpp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->Rectangle(0, 0, 60, 40);
  c->Pen()->SetColor(clRed);
  c->MoveTo(2, 2);
  c->LineTo(50, 30);
  c->Brush()->SetColor(clBlue);
  c->Ellipse(10, 5, 30, 25);
  c->Font()->SetColor(clGreen);
  c->TextOut(30, 2, "Ab");
  c->SetPixels(59, 39, clYellow);
  int differ = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x)
      if (fromScript.Canvas()->Pixels(x, y) != c->Pixels(x, y)) ++differ;
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(c->Pixels(20, 15), static_cast<COLORREF>(clBlue));
}

// A script builds a form with controls, binds events and runs it modally; the test clicks and
// types headless.
TEST_F(BindingsTest, ScriptBuildsAFormWithControlsAndEvents) {
  Program p(
      "PascalScript",
      "var f: TForm; b: TButton; e: TEdit;\n"
      "procedure Clicked(Sender: TObject); begin Print('click ' + TButton(Sender).Caption); "
      "f.ModalResult := mrOk end;\n"
      "procedure KeyPressed(Sender: TObject; var Key: Char); begin if Key = 'a' then Key := 'b' "
      "end;\n"
      "procedure Closing(Sender: TObject; var CanClose: Boolean); begin Print('query'); CanClose "
      ":= True end;\n"
      "begin\n"
      "  f := TForm.Create(nil); f.SetBounds(10, 10, 300, 200); f.Caption := 'Script form';\n"
      "  b := TButton.Create(f); b.Parent := f; b.SetBounds(10, 10, 80, 25); b.Caption := 'Go'; "
      "b.Name := 'GoButton';\n"
      "  e := TEdit.Create(f); e.Parent := f; e.SetBounds(10, 50, 100, 22); e.Name := 'Edit1';\n"
      "  b.OnClick := 'Clicked'; e.OnKeyPress := 'KeyPressed'; f.OnCloseQuery := 'Closing';\n"
      "  Print(b.Parent = f); Print(b.OnClick);\n"
      "  Print(f.ShowModal); Print(e.Text); f.Free\n"
      "end.");
  Later([] {
    TCustomForm* f = nullptr;
    for (int i = 0; i < Screen()->FormCount(); ++i)
      if (Screen()->Forms(i)->Caption() == "Script form") f = Screen()->Forms(i);
    ASSERT_NE(f, nullptr);
    auto* e = static_cast<TEdit*>(f->FindComponent("Edit1"));
    e->SetFocus();
    InjectText("ca");
    Application()->ProcessMessages();
    ClickAt(static_cast<TControl*>(f->FindComponent("GoButton")), 5, 5);
  });
  ASSERT_EQ(p.Run(), "");
  EXPECT_EQ(p.Output, "True||click Go|query|1|cb");
}

// A message dialog with the Yes and No buttons returns the modal result of the button pressed;
// InputQuery hands the entered text back through its var parameter, or leaves it on Cancel.
TEST_F(BindingsTest, MessageAndInputDialogs) {
  Program p("JScript",
            "Print(MessageDlg(\"Go on?\", mtConfirmation, 3, 0)); Print(MessageDlg(\"Go on?\", "
            "mtConfirmation, 3, 0));\n"
            "var v = \"old\"; Print(InputQuery(\"Name\", \"Enter a name\", v)); Print(v);\n"
            "Print(InputQuery(\"Name\", \"Enter a name\", v)); Print(v); Print(InputBox(\"A\", "
            "\"B\", \"dflt\"));");
  Later([] {
    Key(VK_RETURN);  // Yes, the default button
    Later([] {
      Key(VK_TAB);
      Key(VK_SPACE);  // No
      Later([] {
        InjectText("new");
        Key(VK_RETURN);
        Later([] {
          InjectText("other");
          Key(VK_ESCAPE);
          Later([] { Key(VK_ESCAPE); });
        });
      });
    });
  });
  ASSERT_EQ(p.Run(), "");
  EXPECT_EQ(p.Output, "6|7|True|new|False|new|dflt");
}

// A handler whose own event fires again while it runs is not re-entered, and the skipped event
// gets nothing copied back from the running handler's parameters.
TEST_F(BindingsTest, SkippedReentrantEventCopiesNothingBack) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  std::string inner;
  Program p("PascalScript",
            "procedure KP(Sender: TObject; var Key: Char); begin Key := 'z'; Refire end;\n"
            "begin Ed.OnKeyPress := 'KP' end.");
  p.Script.AddObject("Ed", edit);
  p.Script.AddMethod("procedure Refire", [&](TObject*, TClass, const std::string&, TscArgs&) {
    char k = 'q';
    edit->OnKeyPress(edit, k);
    inner.assign(1, k);
    return Variant(0);
  });
  ASSERT_EQ(p.Run(), "");
  char key = 'a';
  edit->OnKeyPress(edit, key);
  EXPECT_EQ(key, 'z');
  EXPECT_EQ(inner, "q");
}

// ShowMessage shows the class library's message box and waits for it.
TEST_F(BindingsTest, ShowMessageShowsTheMessageBox) {
  Program p("BasicScript", "ShowMessage(\"Saved\")\nPrint(\"after\")\n");
  bool shown = false;
  Later([&] {
    shown = true;
    Key(VK_RETURN);
  });
  ASSERT_EQ(p.Run(), "");
  EXPECT_TRUE(shown);
  EXPECT_EQ(p.Output, "after");
}
