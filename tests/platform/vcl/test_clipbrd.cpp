// TClipboard: text, named formats, bitmaps, and opening while another window holds it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "platform/vcl/clipbrd.h"
#include "platform/vcl/graphics.h"

TEST(Clipboard, TextNamedFormatsAndBitmapsRoundTrip) {
  TClipboard* c = Clipboard();
  c->SetAsText("Picked 12 photos");
  EXPECT_EQ(c->AsText(), "Picked 12 photos");
  EXPECT_TRUE(c->HasFormat(CF_TEXT));
  UINT vect = RegisterClipboardFormat("IMAGERY VECT");
  c->SetBuffer(vect, {1, 2, 3, 4});
  EXPECT_EQ(c->GetBuffer(vect), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_TRUE(c->GetBuffer(RegisterClipboardFormat("IMAGERY TEXTMEMO")).empty());

  TBitmap src;
  src.SetPixelFormat(pf24bit);
  src.SetWidth(4);
  src.SetHeight(3);
  src.Canvas()->Brush()->SetColor(clBlue);
  src.Canvas()->FillRect(RECT{0, 0, 4, 3});
  src.Canvas()->SetPixels(1, 1, clRed);
  c->Assign(&src);
  EXPECT_TRUE(c->HasFormat(CF_BITMAP));
  EXPECT_FALSE(c->HasFormat(vect));  // putting a bitmap empties the clipboard first
  TBitmap back;
  ASSERT_TRUE(c->GetBitmap(&back));
  EXPECT_EQ(back.Width(), 4);
  EXPECT_EQ(back.Height(), 3);
  EXPECT_EQ(back.Canvas()->Pixels(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(back.Canvas()->Pixels(0, 0), RGB(0, 0, 255));
  c->Clear();  // the clipboard frees the bitmap it kept
  EXPECT_FALSE(c->HasFormat(CF_BITMAP));
}

TEST(Clipboard, OpenWaitsForAnotherHolderAndGivesUpWithAnError) {
  ASSERT_TRUE(OpenClipboard(nullptr));  // someone else has it
  std::thread release([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    CloseClipboard();
  });
  EXPECT_NO_THROW(Clipboard()->Open());
  release.join();
  Clipboard()->Open();  // nested
  Clipboard()->Close();
  Clipboard()->Close();
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_THROW(Clipboard()->Open(), EClipboardException);
  CloseClipboard();
}
