// Helpers for the panel tests: a fresh headless form per test, mouse input at a control's
// points, pixels of a rendered window, golden images (tests/skins/golden), the shipped skin.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/win/gdi_surface.h"
#include "platform/win/pngsnap.h"
#include "platform/win/wingdi.h"
#include "platform/win/winuser.h"
#include "skins/ksskinctrls.h"
#include "skins/ksskindata.h"
#include "skinstest.h"

namespace {

class PanelFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(40, 40, 520, 360);
    Form->Show();
    Run();
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  void Run() {
    Application()->ProcessMessages();
    UpdateAllWindows();
  }
  POINT Screen(TControl* C, int X, int Y) { return C->ClientToScreen(POINT{X, Y}); }
  void MoveTo(TControl* C, int X, int Y) {
    const POINT s = Screen(C, X, Y);
    InjectMouseMove(s.x, s.y);
    Run();
  }
  void Press(TControl* C, int X, int Y) {
    MoveTo(C, X, Y);
    const POINT s = Screen(C, X, Y);
    InjectMouseButton(s.x, s.y, 0, true);
    Run();
  }
  void Release(TControl* C, int X, int Y) {
    MoveTo(C, X, Y);
    const POINT s = Screen(C, X, Y);
    InjectMouseButton(s.x, s.y, 0, false);
    Run();
  }
  void ClickAt(TControl* C, int X, int Y) {
    Press(C, X, Y);
    Release(C, X, Y);
  }
  // The colour of a pixel of the control as it is drawn now.
  COLORREF PixelOf(TWinControl* C, int X, int Y) {
    HBITMAP shot = RenderWindowToBitmap(C->Handle());
    EXPECT_TRUE(shot);
    const TGdiSurface* s = GetBitmapSurface(shot);
    const uint8_t* p = s->Row(Y) + X * 4;
    const COLORREF c = RGB(p[2], p[1], p[0]);
    DeleteObject(shot);
    return c;
  }
  // The skin "Slate" kept in the repository, loaded into a store owned by the form.
  TksSkinData* SlateSkin() {
    auto* stored = new TksCompressedStoredSkin(Form);
    stored->LoadFromCompressedFile(ShippedSkin());
    auto* store = new TksSkinData(Form);
    store->SetCompressedStoredSkin(stored);
    EXPECT_FALSE(store->Empty);
    return store;
  }
  // Compares the form's image with the golden image (written instead when ORVANTA_UPDATE_GOLDEN
  // is set). Anti-aliased text may differ by a few levels between FreeType builds.
  void ExpectGolden(const std::string& Name) {
    Run();
    HBITMAP shot = RenderWindowToBitmap(Form->Handle());
    ASSERT_TRUE(shot);
    const std::string golden = SourceDir() + "/tests/skins/golden/" + Name;
    if (std::getenv("ORVANTA_UPDATE_GOLDEN")) {
      std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
      SaveBitmapToPng(shot, golden);
    }
    HBITMAP want = LoadPngToBitmap(golden);
    ASSERT_TRUE(want) << "missing golden image " << golden;
    // -1: the sizes differ.
    const long bad = ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24);
    EXPECT_GE(bad, 0) << Name << ": the image's size differs from the golden one";
    EXPECT_LE(bad, 20) << Name;
    DeleteObject(want);
    DeleteObject(shot);
  }
  TForm* Form = nullptr;
};

[[maybe_unused]] bool SameRect(const RECT& A, const RECT& B) {
  return A.left == B.left && A.top == B.top && A.right == B.right && A.bottom == B.bottom;
}

}  // namespace
