// The simulation movie window over an "OK.swf" written by the test: its menu, the right-button
// press taken from every window while it exists, the double click that stops and closes it,
// the stage kept fitted as the window changes size, and the empty window without a movie.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "../swf/swfbuild.h"
#include "app/formflash1.h"
#include "apptest.h"
#include "platform/vcl/menus.h"
#include "platform/win/gdi_surface.h"
#include "swf/swfcontrol.h"

using namespace apptest;

namespace {

// A 100 x 50 stage on red, entirely covered by a blue square; a second frame moves nothing.
std::vector<uint8_t> FlashTestMovie() {
  using namespace swfbuild;
  ShapeFill fill;
  fill.Color = 0xFF0000FF;
  return Movie(100, 50, 25,
               {Background(0xFF0000), DefineRectShape(1, 100, 50, fill), Place(1, 1, 0, 0),
                ShowFrame(), ShowFrame(), End()});
}

// The colour (0xRRGGBB) of a window's pixel as it is drawn.
uint32_t FlashTestPixel(HWND Wnd, int X, int Y) {
  Application()->ProcessMessages();
  HBITMAP shot = RenderWindowToBitmap(Wnd);
  if (!shot) return 0xFFFFFFFF;
  const TGdiSurface* s = GetBitmapSurface(shot);
  const uint8_t* p = s->Row(Y) + X * 4;
  const uint32_t c = (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
  DeleteObject(shot);
  return c;
}

class FlashWindow : public AppFolder {
protected:
  void SetUp() override {
    AppFolder::SetUp();
    Main = new TForm(nullptr);
    Main->SetBounds(0, 0, 300, 200);
    Main->Show();
  }
  void TearDown() override {
    delete Main;
    Application()->ProcessMessages();
    FormFLASH1 = nullptr;
    AppFolder::TearDown();
  }
  void WriteMovie() {
    const std::vector<uint8_t> m = FlashTestMovie();
    std::ofstream(Prog + kFlashMovieFileName, std::ios::binary)
        .write(reinterpret_cast<const char*>(m.data()), static_cast<std::streamsize>(m.size()));
  }
  // A movie window shown without its modal loop, so the test can drive it.
  TFormFLASH1* Open() {
    auto* f = new TFormFLASH1(Main);
    FormFLASH1 = f;
    f->Show();
    Application()->ProcessMessages();
    return f;
  }
  TForm* Main = nullptr;
};

}  // namespace

TEST_F(FlashWindow, MenuAndWindowAsTheBuilderShowsThem) {
  WriteMovie();
  TFormFLASH1* f = Open();
  EXPECT_EQ(f->Caption(), "FormFLASH1");
  EXPECT_EQ(f->BorderStyle(), bsNone);
  EXPECT_EQ(f->WindowState(), wsMaximized);
  EXPECT_EQ(f->Flash2->Align(), alClient);
  EXPECT_EQ(f->Flash2->Movie(), Prog + "OK.swf");
  EXPECT_TRUE(f->Flash2->Player().Loaded());
  EXPECT_TRUE(f->Flash2->Playing());
  EXPECT_EQ(f->Flash2->Player().FrameInterval(), 40);
  EXPECT_EQ(f->Flash2->PopupMenu(), f->PopupMenu1);
  std::vector<std::string> captions;
  for (int i = 0; i < f->PopupMenu1->Items()->Count(); ++i)
    captions.push_back(f->PopupMenu1->Items()->Items(i)->Caption());
  EXPECT_EQ(captions, (std::vector<std::string>{" ", "-", "close", "-", " "}));
  // "close" stops the movie, forgets the window and frees it.
  f->N1->Click();
  EXPECT_FALSE(f->Flash2->Playing());
  EXPECT_EQ(FormFLASH1, nullptr);
  Application()->ProcessMessages();
  EXPECT_EQ(Main->ComponentCount(), 0);
}

TEST_F(FlashWindow, RightButtonPressIsTakenFromEveryWindowWhileItExists) {
  auto* panel = new TPanel(Main);
  panel->SetParent(Main);
  panel->SetBounds(0, 0, 100, 100);
  std::vector<TMouseButton> presses;
  panel->OnMouseDown = [&](TObject*, TMouseButton B, TShiftState, int, int) {
    presses.push_back(B);
  };
  Application()->ProcessMessages();
  auto press = [&](UINT Msg) {
    PostMessage(panel->Handle(), Msg, 0, MAKELPARAM(10, 10));
    Application()->ProcessMessages();
  };
  TFormFLASH1* f = Open();
  press(WM_RBUTTONDOWN);
  EXPECT_TRUE(presses.empty());
  press(WM_LBUTTONDOWN);
  EXPECT_EQ(presses, (std::vector<TMouseButton>{mbLeft}));
  delete f;
  press(WM_RBUTTONDOWN);
  EXPECT_EQ(presses, (std::vector<TMouseButton>{mbLeft, mbRight}));
}

TEST_F(FlashWindow, DoubleClickStopsTheMovieAndClosesTheWindow) {
  WriteMovie();
  // Through the builder's call: the double click ends the modal loop and the window goes.
  bool sawPlaying = false;
  Later([&] {
    ASSERT_NE(FormFLASH1, nullptr);
    sawPlaying = FormFLASH1->Flash2->Playing();
    PostMessage(FormFLASH1->Flash2->Handle(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
  });
  ShowFlashMovie(Main);
  EXPECT_TRUE(sawPlaying);
  EXPECT_EQ(FormFLASH1, nullptr);
  Application()->ProcessMessages();
  EXPECT_EQ(Main->ComponentCount(), 0);
  // Directly: the movie is stopped before the window closes; a single click does neither.
  TFormFLASH1* f = Open();
  MSG m{};
  m.hwnd = f->Flash2->Handle();
  m.message = WM_LBUTTONDOWN;
  bool handled = false;
  f->ApplicationEvents1Message(m, handled);
  EXPECT_FALSE(handled);
  EXPECT_TRUE(f->Flash2->Playing());
  EXPECT_EQ(FormFLASH1, f);
  m.message = WM_LBUTTONDBLCLK;
  f->ApplicationEvents1Message(m, handled);
  EXPECT_FALSE(f->Flash2->Playing());
  EXPECT_EQ(FormFLASH1, nullptr);
  Application()->ProcessMessages();
  EXPECT_EQ(Main->ComponentCount(), 0);
}

TEST_F(FlashWindow, ResizeKeepsTheStageFitted) {
  WriteMovie();
  TFormFLASH1* f = Open();
  f->SetWindowState(wsNormal);
  struct Case {
    int W, H;
    int StageX, StageY;   // a point inside the fitted stage
    int BandX, BandY;     // a point in the band beside it
  };
  // 400 x 300: the stage is 400 x 200 from y 50; 200 x 300: 200 x 100 from y 100;
  // 500 x 100: 200 x 100 from x 150.
  const Case cases[] = {{400, 300, 200, 60, 200, 40},
                        {200, 300, 100, 110, 100, 90},
                        {500, 100, 160, 50, 140, 50}};
  for (const Case& c : cases) {
    f->SetBounds(0, 0, c.W, c.H);
    Application()->ProcessMessages();
    EXPECT_EQ(f->Flash2->Width(), c.W);
    EXPECT_EQ(f->Flash2->Height(), c.H);
    EXPECT_EQ(FlashTestPixel(f->Handle(), c.StageX, c.StageY), 0x0000FFu) << c.W << "x" << c.H;
    EXPECT_EQ(FlashTestPixel(f->Handle(), c.BandX, c.BandY), 0xFF0000u) << c.W << "x" << c.H;
  }
  f->Close();
}

TEST_F(FlashWindow, WithoutAMovieTheWindowStaysEmpty) {
  struct Case {
    const char* Name;
    std::string Content;  // "" = no file
  };
  const Case cases[] = {{"missing", ""}, {"not a movie", "FWS\x08garbage"}};
  for (const Case& c : cases) {
    if (!c.Content.empty()) WriteFile(Prog + kFlashMovieFileName, c.Content);
    TFormFLASH1* f = Open();
    f->SetWindowState(wsNormal);
    f->SetBounds(0, 0, 120, 80);
    EXPECT_FALSE(f->Flash2->Player().Loaded()) << c.Name;
    EXPECT_FALSE(f->Flash2->Playing()) << c.Name;
    EXPECT_EQ(FlashTestPixel(f->Handle(), 60, 40), 0u) << c.Name;
    f->Close();
    Application()->ProcessMessages();
  }
}
