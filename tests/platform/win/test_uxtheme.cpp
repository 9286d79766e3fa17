// The theme functions report "no visual styles": nothing is themed, nothing opens, drawing
// fails without touching the pixels, and SetWindowTheme is accepted.
#include <gtest/gtest.h>

#include "platform/win/gdi_user.h"
#include "platform/win/uxtheme.h"
#include "platform/win/winerror.h"
#include "platform/win/wingdi.h"

namespace {

TEST(UxTheme, NothingIsThemedAndNoThemeOpens) {
  EXPECT_FALSE(IsAppThemed());
  EXPECT_FALSE(IsThemeActive());
  EXPECT_EQ(GetThemeAppProperties(), 0u);
  for (const char16_t* cls : {u"button", u"scrollbar", u"window", u"treeview"}) {
    SetLastError(0);
    EXPECT_EQ(OpenThemeData(nullptr, cls), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
  }
  EXPECT_EQ(GetWindowTheme(nullptr), nullptr);
  EXPECT_EQ(CloseThemeData(nullptr), S_OK);
  EXPECT_EQ(SetWindowTheme(nullptr, u"explorer", nullptr), S_OK);
  EXPECT_FALSE(IsThemePartDefined(nullptr, 1, 1));
  EXPECT_FALSE(IsThemeBackgroundPartiallyTransparent(nullptr, 1, 1));
}

TEST(UxTheme, DrawingFailsAndLeavesThePixelsAlone) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bm = CreateCompatibleBitmap(dc, 8, 8);
  HGDIOBJ old = SelectObject(dc, bm);
  RECT r{0, 0, 8, 8};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_TRUE(Failed(DrawThemeBackground(nullptr, dc, 1, 1, &r, nullptr)));
  EXPECT_TRUE(Failed(DrawThemeText(nullptr, dc, 1, 1, u"OK", 2, 0, 0, &r)));
  EXPECT_TRUE(Failed(DrawThemeParentBackground(nullptr, dc, &r)));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(GetPixel(dc, x, y), RGB(255, 255, 255));
  SIZE sz{5, 5};
  EXPECT_TRUE(Failed(GetThemePartSize(nullptr, dc, 1, 1, &r, TS_TRUE, &sz)));
  EXPECT_EQ(sz, (SIZE{0, 0}));
  RECT content{};
  EXPECT_TRUE(Failed(GetThemeBackgroundContentRect(nullptr, dc, 1, 1, &r, &content)));
  EXPECT_EQ(content, r);
  SelectObject(dc, old);
  DeleteObject(bm);
  DeleteDC(dc);
}

}  // namespace
