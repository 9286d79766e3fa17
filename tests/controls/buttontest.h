// Helpers for the button tests: a fresh headless form per test, input injected at a control's
// points, and golden images compared as the other golden tests compare them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "controls/bnbutton.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/win/gdi_surface.h"
#include "platform/win/pngsnap.h"
#include "tests/platform/vcl/vcltest.h"
#include "platform/win/winuser.h"

namespace {

class ButtonFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 420, 300);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  void Run() { Application()->ProcessMessages(); }
  template <class T>
  T* Make(int X, int Y, int W = 0, int H = 0) {
    auto* b = new T(Form);
    b->SetParent(Form);
    b->SetBounds(X, Y, W ? W : b->Width(), H ? H : b->Height());
    return b;
  }
  POINT Screen(TControl* C, int X, int Y) { return C->ClientToScreen(POINT{X, Y}); }
  void MoveTo(TControl* C, int X, int Y) {
    const POINT s = Screen(C, X, Y);
    InjectMouseMove(s.x, s.y);
    Run();
  }
  void Press(TControl* C, int X, int Y) {
    const POINT s = Screen(C, X, Y);
    InjectMouseMove(s.x, s.y);
    InjectMouseButton(s.x, s.y, 0, true);
    Run();
  }
  void Release(TControl* C, int X, int Y) {
    const POINT s = Screen(C, X, Y);
    InjectMouseMove(s.x, s.y);
    InjectMouseButton(s.x, s.y, 0, false);
    Run();
  }
  void ClickAt(TControl* C, int X, int Y) {
    Press(C, X, Y);
    Release(C, X, Y);
  }
  void Key(UINT Vk) {
    InjectKey(Vk, true);
    InjectKey(Vk, false);
    Run();
  }
  TForm* Form = nullptr;
};

inline std::string GoldenPath(const std::string& Name) {
  const char* src = std::getenv("ORVANTA_SOURCE_DIR");
  return std::string(src ? src : ".") + "/tests/controls/golden/" + Name;
}

// Compares the window's image with the golden image (written instead when ORVANTA_UPDATE_GOLDEN
// is set). Anti-aliased text may differ by a few levels between FreeType builds.
inline void ExpectGolden(HWND Wnd, const std::string& Name) {
  HBITMAP shot = RenderWindowToBitmap(Wnd);
  ASSERT_TRUE(shot);
  const std::string golden = GoldenPath(Name);
  if (std::getenv("ORVANTA_UPDATE_GOLDEN")) {
    std::filesystem::create_directories(std::filesystem::path(golden).parent_path());
    SaveBitmapToPng(shot, golden);
  }
  HBITMAP want = LoadPngToBitmap(golden);
  ASSERT_TRUE(want) << "missing golden image " << golden;
  EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 20) << Name;
  DeleteObject(want);
  DeleteObject(shot);
}

}  // namespace
