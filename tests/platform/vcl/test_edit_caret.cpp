// A focused edit shows one caret, the window manager's: placed by the edit, drawn and blinked by
// the window manager (an edit that also painted its own would cancel it out).
#include "platform/vcl/stdctrls.h"
#include "tests/platform/vcl/formtest.h"

namespace {

class EditCaretTest : public FormTestBase {};

COLORREF ClientPixel(HWND w, int x, int y) {
  HDC dc = GetDCEx(w, nullptr, DCX_LOCKWINDOWUPDATE);
  COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(w, dc);
  return c;
}

TEST_F(EditCaretTest, FocusedEditShowsOneBlinkingCaretAtTheInsertionPoint) {
  auto* edit = new TEdit(Form);
  edit->SetParent(Form);
  edit->SetBounds(10, 10, 120, 24);
  edit->SetText("abc");
  Form->Show();
  edit->SetFocus();
  edit->SetSelStart(3);
  Run();
  UpdateWindow(edit->Handle());
  POINT at{};
  ASSERT_TRUE(GetCaretPos(&at));
  EXPECT_GT(at.x, 2);  // after the three letters
  int y = edit->ClientHeight() / 2;
  // The background right of the text is the window colour; the caret inverts it.
  COLORREF background = ClientPixel(edit->Handle(), at.x + 4, y);
  COLORREF first = ClientPixel(edit->Handle(), at.x, y);
  AdvanceMessageClock(GetCaretBlinkTime());
  Run();
  COLORREF second = ClientPixel(edit->Handle(), at.x, y);
  EXPECT_NE(first, second) << "the caret blinks";
  EXPECT_TRUE((first == (background ^ 0xFFFFFFu) && second == background) ||
              (second == (background ^ 0xFFFFFFu) && first == background));
  // Hidden, the caret leaves nothing behind, even after the edit repaints.
  HideCaret(edit->Handle());
  edit->Invalidate();
  UpdateWindow(edit->Handle());
  EXPECT_EQ(ClientPixel(edit->Handle(), at.x, y), background);
  ShowCaret(edit->Handle());
}

}  // namespace
