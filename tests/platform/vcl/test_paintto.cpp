// Controls render into any device context: PaintTo draws a control with its frame, background,
// contents and children (windowed and graphic) as the screen shows it, through WM_PRINT and
// WM_PRINTCLIENT.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"
#include "tests/platform/vcl/formtest.h"

namespace {

class PaintToTest : public FormTestBase {};

// The pixels of bm as 0x00RRGGBB, row by row.
std::vector<uint32_t> PixelsOf(HBITMAP bm, int w, int h) {
  std::vector<uint32_t> v;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bm);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) v.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteDC(dc);
  return v;
}

TEST_F(PaintToTest, PaintToDrawsWhatTheScreenShows) {
  auto* panel = new TPanel(Form);
  panel->SetParent(Form);
  panel->SetBounds(10, 10, 220, 120);
  panel->SetCaption("");
  auto* label = new TLabel(Form);
  label->SetParent(panel);
  label->SetBounds(8, 8, 100, 16);
  label->SetCaption("Photographer:");
  auto* edit = new TEdit(Form);
  edit->SetParent(panel);
  edit->SetBounds(8, 30, 120, 21);
  edit->SetText("Mary");
  auto* check = new TCheckBox(Form);
  check->SetParent(panel);
  check->SetBounds(8, 60, 120, 17);
  check->SetCaption("Proofs");
  check->SetChecked(true);
  auto* button = new TButton(Form);
  button->SetParent(panel);
  button->SetBounds(130, 85, 75, 25);
  button->SetCaption("OK");
  Form->Show();
  button->SetFocus();  // no caret on the screen (the window manager draws it, not the edit)
  Run();
  const int w = panel->Width(), h = panel->Height();
  HBITMAP screen = RenderWindowToBitmap(panel->Handle());
  ASSERT_TRUE(screen);
  void* bits = nullptr;
  HBITMAP printed = CreateDIB32(w, h, &bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, printed);
  panel->PaintTo(dc, 0, 0);
  SelectObject(dc, old);
  DeleteDC(dc);
  std::vector<uint32_t> a = PixelsOf(screen, w, h), b = PixelsOf(printed, w, h);
  int differ = 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) ++differ;
  EXPECT_EQ(differ, 0);
  // At an offset, into a larger picture: the same pixels moved.
  HBITMAP big = CreateDIB32(w + 30, h + 20, &bits);
  dc = CreateCompatibleDC(nullptr);
  old = SelectObject(dc, big);
  panel->PaintTo(dc, 30, 20);
  SelectObject(dc, old);
  DeleteDC(dc);
  std::vector<uint32_t> c = PixelsOf(big, w + 30, h + 20);
  differ = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (c[static_cast<size_t>(y + 20) * (w + 30) + x + 30] != a[static_cast<size_t>(y) * w + x])
        ++differ;
  EXPECT_EQ(differ, 0);
  DeleteObject(screen);
  DeleteObject(printed);
  DeleteObject(big);
}

TEST_F(PaintToTest, EveryControlAnswersPrintClient) {
  std::vector<TWinControl*> controls{
      new TEdit(Form),     new TButton(Form),    new TCheckBox(Form),  new TMemo(Form),
      new TListBox(Form),  new TPanel(Form),     new TStatusBar(Form), new TPageControl(Form),
      new TGroupBox(Form), new TStaticText(Form)};
  int top = 0;
  for (TWinControl* c : controls) {
    c->SetParent(Form);
    c->SetTop(top);
    top += 30;
  }
  Form->Show();
  Run();
  for (TWinControl* c : controls) {
    SCOPED_TRACE(c->ClassName());
    RECT r = c->ClientRect();
    if (r.right <= 0 || r.bottom <= 0) continue;
    void* bits = nullptr;
    HBITMAP bm = CreateDIB32(r.right, r.bottom, &bits);
    std::fill(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + r.right * r.bottom,
              0x00FF00FFu);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bm);
    SendMessage(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SelectObject(dc, old);
    DeleteDC(dc);
    // The control painted its client area: no magenta is left.
    int left = 0;
    for (int i = 0; i < r.right * r.bottom; ++i)
      if ((static_cast<uint32_t*>(bits)[i] & 0xFFFFFF) == 0x00FF00FFu) ++left;
    EXPECT_EQ(left, 0);
    DeleteObject(bm);
  }
}

}  // namespace
