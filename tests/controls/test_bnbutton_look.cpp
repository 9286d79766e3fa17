// The buttons' three looks against golden images: classic, hot-track and themed (the last with
// a stand-in visual-style library, as this platform has none), each in its states, and the
// glyph buttons with their kinds, layouts and the menu button's arrow.
#include "controls/bnthemesrv.h"
#include "controls/bnuxtheme.h"
#include "platform/vcl/stdctrls.h"
#include "tests/controls/buttontest.h"

namespace {

class BnButtonLook : public ButtonFormTest {
protected:
  void SetUp() override {
    ButtonFormTest::SetUp();
    Panel = new TPanel(Form);
    Panel->SetParent(Form);
    Panel->SetBevelOuter(bvNone);
    Panel->SetColor(clBtnFace);
    Panel->SetBounds(0, 0, 400, 130);
  }
  template <class T>
  T* Add(int X, int Y, const char* Caption, int W = 0, int H = 0) {
    auto* b = new T(Form);
    b->SetParent(Panel);
    b->SetBounds(X, Y, W ? W : b->Width(), H ? H : b->Height());
    b->SetCaption(Caption);
    return b;
  }
  // An edit box below the panel that takes the focus, so that no button has it.
  void FocusElsewhere() {
    auto* e = new TEdit(Form);
    e->SetParent(Form);
    e->SetBounds(10, 220, 60, 21);
    Form->SetActiveControl(e);
  }
  void Hover(TControl* C) { MoveTo(C, 6, 6); }
  // Space held down on the button: drawn pressed (and focused).
  void HoldSpace(TWinControl* C) {
    C->SetFocus();
    Run();
    InjectKey(VK_SPACE, true);
    Run();
  }
  void Expect(const char* Name) {
    Run();
    UpdateAllWindows();
    ExpectGolden(Panel->Handle(), Name);
  }
  void TearDown() override {
    InjectKey(VK_SPACE, false);
    ButtonFormTest::TearDown();
  }
  TPanel* Panel = nullptr;
};

TEST_F(BnButtonLook, ClassicStates) {
  auto* def = Add<TBnButton>(5, 5, "Default");
  def->SetDefault(true);
  Add<TBnButton>(85, 5, "Plain");
  Add<TBnButton>(165, 5, "Disabled")->SetEnabled(false);
  auto* down = Add<TBnButton>(245, 5, "Down");
  down->SetGroupIndex(1);
  down->SetDown(true);
  Add<TBnButton>(325, 5, "Up")->SetGroupIndex(1);
  auto* tinted = Add<TBnButton>(5, 35, "Tinted");
  tinted->SetColor(TColor(RGB(150, 190, 235)));
  auto* tintedDown = Add<TBnButton>(85, 35, "Tint down");
  tintedDown->SetColor(TColor(RGB(150, 190, 235)));
  tintedDown->SetGroupIndex(2);
  tintedDown->SetDown(true);
  Add<TBnButton>(165, 35, "Raised")->SetTextStyle(tsRaised);
  Add<TBnButton>(245, 35, "Recessed")->SetTextStyle(tsRecessed);
  Add<TBnButton>(325, 35, "Shadow")->SetTextStyle(tsShadow);
  auto* left = Add<TBnButton>(5, 65, "Left top", 110, 40);
  left->SetAlignment(taLeftJustify);
  left->SetAlignmentVertical(avTop);
  auto* right = Add<TBnButton>(120, 65, "Right bottom", 110, 40);
  right->SetAlignment(taRightJustify);
  right->SetAlignmentVertical(avBottom);
  Add<TBnButton>(235, 65, "A caption that wraps", 80, 40);
  FocusElsewhere();
  Form->Show();
  Expect("bn_classic.png");
}

TEST_F(BnButtonLook, ClassicPressedAndFocused) {
  Panel->SetBounds(0, 0, 180, 40);
  auto* pressed = Add<TBnButton>(5, 5, "Pressed");
  Add<TBnButton>(90, 5, "Other");
  Form->Show();
  HoldSpace(pressed);
  EXPECT_TRUE(pressed->ShownDown());
  Expect("bn_classic_pressed.png");
}

TEST_F(BnButtonLook, HotTrackStates) {
  Panel->SetBounds(0, 0, 400, 70);
  auto* hover = Add<TBnButton>(5, 5, "Hover");
  auto* pressed = Add<TBnButton>(85, 5, "Pressed");
  Add<TBnButton>(165, 5, "Normal");
  Add<TBnButton>(245, 5, "Disabled")->SetEnabled(false);
  auto* down = Add<TBnButton>(325, 5, "Down");
  down->SetGroupIndex(1);
  down->SetDown(true);
  auto* def = Add<TBnButton>(5, 40, "Default");
  def->SetDefault(true);
  auto* tinted = Add<TBnButton>(85, 40, "Tinted");
  tinted->SetColor(TColor(RGB(150, 190, 235)));
  for (int i = 0; i < Panel->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TBnButton*>(Panel->Controls(i))) b->SetHotTrack(true);
  Form->Show();
  HoldSpace(pressed);
  Hover(hover);
  EXPECT_TRUE(hover->MouseOver());
  Expect("bn_hottrack.png");
}

TEST_F(BnButtonLook, HotTrackActiveRingAndComplementColour) {
  Panel->SetBounds(0, 0, 180, 40);
  auto* def = Add<TBnButton>(5, 5, "Default");
  def->SetDefault(true);
  auto* complement = Add<TBnButton>(90, 5, "Complement", 85);
  complement->SetHotTrackColorType(htctComplement);
  def->SetHotTrack(true);
  complement->SetHotTrack(true);
  FocusElsewhere();
  Form->Show();
  Hover(complement);
  EXPECT_TRUE(def->Active());
  Expect("bn_hottrack_ring.png");
}

TEST_F(BnButtonLook, GlyphsKindsAndTheMenuButton) {
  auto* ok = Add<TBnBitBtn>(5, 5, "", 90, 28);
  ok->SetKind(bkOK);
  auto* cancel = Add<TBnBitBtn>(100, 5, "", 90, 28);
  cancel->SetKind(bkCancel);
  cancel->SetLayout(blGlyphRight);
  auto* help = Add<TBnBitBtn>(195, 5, "", 90, 28);
  help->SetKind(bkHelp);
  help->SetMargin(-1);
  auto* no = Add<TBnBitBtn>(290, 5, "", 90, 28);
  no->SetKind(bkNo);
  no->SetEnabled(false);
  auto* yes = Add<TBnBitBtn>(5, 40, "", 70, 44);
  yes->SetKind(bkYes);
  yes->SetLayout(blGlyphTop);
  auto* retry = Add<TBnBitBtn>(80, 40, "", 70, 44);
  retry->SetKind(bkRetry);
  retry->SetLayout(blGlyphBottom);
  auto* menu = Add<TBnMenuButton>(155, 40, "查看已选");
  TBitmap strip;
  strip.SetPixelFormat(pf24bit);
  strip.SetSize(32, 16);
  strip.Canvas()->Brush()->SetColor(clFuchsia);
  strip.Canvas()->FillRect(RECT{0, 0, 32, 16});
  strip.Canvas()->Brush()->SetColor(clTeal);
  strip.Canvas()->FillRect(RECT{3, 3, 13, 13});
  strip.Canvas()->Brush()->SetColor(clGray);
  strip.Canvas()->FillRect(RECT{19, 3, 29, 13});
  menu->SetGlyph(&strip);
  auto* pressedMenu = Add<TBnMenuButton>(270, 40, "Pressed");
  auto* offMenu = Add<TBnMenuButton>(155, 70, "Off");
  offMenu->SetGlyph(&strip);
  offMenu->SetEnabled(false);
  // Right-to-left reading: the arrow on the left (no caption: this platform's text drawing
  // reverses the characters of right-to-left text).
  auto* rtl = Add<TBnMenuButton>(270, 70, "");
  rtl->SetBiDiMode(bdRightToLeft);
  auto* all = Add<TBnBitBtn>(5, 95, "", 110, 28);
  all->SetKind(bkAll);
  all->SetHotTrack(true);
  Form->Show();
  HoldSpace(pressedMenu);
  EXPECT_TRUE(pressedMenu->ShownDown());
  EXPECT_TRUE(pressedMenu->Focused());
  Expect("bn_glyphs.png");
}

// ---- The themed look, with a stand-in library whose parts show their state ----
struct TStandInTheme {
  static HTHEME Open(HWND, LPCWSTR) { return reinterpret_cast<HTHEME>(intptr_t(1)); }
  static HRESULT Close(HTHEME) { return 0; }
  static HRESULT Draw(HTHEME, HDC DC, int, int State, const RECT* R, const RECT*) {
    static const COLORREF faces[] = {RGB(0, 0, 0),       RGB(225, 225, 225), RGB(190, 225, 250),
                                     RGB(120, 160, 210), RGB(240, 240, 240), RGB(225, 225, 225)};
    HBRUSH face = CreateSolidBrush(faces[State % 6]);
    FillRect(DC, R, face);
    DeleteObject(face);
    HBRUSH edge = CreateSolidBrush(State == 5 ? RGB(0, 120, 215) : RGB(110, 110, 110));
    FrameRect(DC, R, edge);
    DeleteObject(edge);
    return 0;
  }
  static BOOL Yes() { return TRUE; }
  static BOOL No(HTHEME, int, int) { return FALSE; }
  static DWORD Properties() { return STAP_ALLOW_CONTROLS; }
  static TVisualStyleProc Library(const char* Name) {
    const std::string n = Name;
    if (n == "OpenThemeData") return reinterpret_cast<TVisualStyleProc>(&Open);
    if (n == "CloseThemeData") return reinterpret_cast<TVisualStyleProc>(&Close);
    if (n == "DrawThemeBackground") return reinterpret_cast<TVisualStyleProc>(&Draw);
    if (n == "IsThemeBackgroundPartiallyTransparent")
      return reinterpret_cast<TVisualStyleProc>(&No);
    if (n == "IsAppThemed" || n == "IsThemeActive") return reinterpret_cast<TVisualStyleProc>(&Yes);
    if (n == "GetThemeAppProperties") return reinterpret_cast<TVisualStyleProc>(&Properties);
    return nullptr;
  }
};

// Puts Library in place for everything that holds the visual-style library, the program's
// theme services included.
void SwapVisualStyleLibrary(TVisualStyleLibrary Library) {
  TThemeServices* services = ThemeServicesInstance();
  SetVisualStyleLibrary(Library);
  const int held = VisualStylesRefCount();
  for (int i = 0; i < held; ++i) ReleaseVisualStyles();
  for (int i = 0; i < held; ++i) LoadVisualStyles();
  services->Refresh();
}

TEST_F(BnButtonLook, ThemedStates) {
  SwapVisualStyleLibrary(&TStandInTheme::Library);
  Panel->SetBounds(0, 0, 400, 40);
  auto* hover = Add<TBnButton>(5, 5, "Hot");
  auto* pressed = Add<TBnButton>(85, 5, "Pressed");
  pressed->SetGroupIndex(1);
  pressed->SetDown(true);
  pressed->SetShowDownPattern(false);
  Add<TBnButton>(165, 5, "Disabled")->SetEnabled(false);
  auto* def = Add<TBnButton>(245, 5, "Default");
  def->SetDefault(true);
  auto* plain = Add<TBnButton>(325, 5, "Normal");
  EXPECT_TRUE(plain->ThemedLook());
  FocusElsewhere();
  Form->Show();
  Hover(hover);
  Expect("bn_themed.png");
  SwapVisualStyleLibrary(&PlatformVisualStyleLibrary);
  EXPECT_FALSE(plain->ThemedLook());
}

}  // namespace
