// Device contexts over foreign surfaces (window DCs), pattern brushes, stock objects and
// metafile recording, playback and enumeration.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "gdi_test_util.h"

namespace {

TEST(GdiDC, SurfaceDCsDrawAtTheirOriginInsideTheVisibleRegion) {
  TCanvasDC screen(40, 30);
  TGdiSurface* s = GetBitmapSurface(screen.bm);
  // A "window" at (10, 5) whose visible part leaves out a covering window at (20..40, 0..12).
  HRGN vis = CreateRectRgn(10, 5, 40, 30);
  HRGN cover = CreateRectRgn(20, 0, 40, 12);
  CombineRgn(vis, vis, cover, RGN_DIFF);
  HDC wdc = CreateSurfaceDC(s, POINT{10, 5}, vis);
  ASSERT_NE(wdc, nullptr);
  RECT box;
  EXPECT_EQ(GetClipBox(wdc, &box), COMPLEXREGION);
  EXPECT_EQ(box, (RECT{0, 0, 30, 25}));
  RECT client{0, 0, 30, 25};
  FillRect(wdc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(screen.At(10, 5), 0u);
  EXPECT_EQ(screen.At(9, 5), RGB(255, 255, 255));
  EXPECT_EQ(screen.At(25, 8), RGB(255, 255, 255));  // covered
  EXPECT_EQ(screen.At(25, 12), 0u);
  EXPECT_EQ(screen.Count(0), 30 * 25 - 20 * 7);
  EXPECT_EQ(GetPixel(wdc, 0, 0), 0u);
  EXPECT_EQ(GetPixel(wdc, 15, 3), CLR_INVALID);
  POINT org;
  GetDCOrgEx(wdc, &org);
  EXPECT_EQ(org, (POINT{10, 5}));
  // The window moved: new origin, no limit.
  SetSurfaceDCVisible(wdc, nullptr, POINT{0, 0});
  SetPixel(wdc, 39, 29, RGB(255, 0, 0));
  EXPECT_EQ(screen.At(39, 29), RGB(255, 0, 0));
  DeleteDC(wdc);
  DeleteObject(vis);
  DeleteObject(cover);
}

TEST(GdiDC, ScreenDCsShareTheOneScreen) {
  // Every screen DC draws on the same pixels, as every window on a display does; each DC keeps
  // its own objects and state.
  HDC a = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
  HDC b = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(GetDeviceCaps(a, HORZRES), GetDeviceCaps(b, HORZRES));
  EXPECT_GT(GetDeviceCaps(a, HORZRES), 0);
  EXPECT_GT(GetDeviceCaps(a, VERTRES), 0);
  const int x = GetDeviceCaps(a, HORZRES) - 3, y = GetDeviceCaps(a, VERTRES) - 2;
  const COLORREF before = GetPixel(b, x, y);
  ASSERT_NE(before, CLR_INVALID);
  SetPixel(a, x, y, RGB(12, 34, 56));
  EXPECT_EQ(GetPixel(b, x, y), RGB(12, 34, 56));
  SetTextColor(a, RGB(200, 0, 0));
  EXPECT_NE(GetTextColor(b), RGB(200, 0, 0));
  SetPixel(a, x, y, before);
  EXPECT_EQ(GetPixel(b, x, y), before);
  EXPECT_EQ(GetPixel(b, GetDeviceCaps(a, HORZRES), 0), CLR_INVALID);
  DeleteDC(a);
  HDC c = CreateDC("DISPLAY", nullptr, nullptr, nullptr);
  EXPECT_EQ(GetPixel(c, x, y), before);
  DeleteDC(c);
  DeleteDC(b);
}

TEST(GdiDC, PatternBrushesRepeatFromTheBrushOrigin) {
  // A 2x2 checker of red and blue.
  TCanvasDC pat(2, 2);
  SetPixel(pat.dc, 0, 0, RGB(255, 0, 0));
  SetPixel(pat.dc, 1, 1, RGB(255, 0, 0));
  SetPixel(pat.dc, 1, 0, RGB(0, 0, 255));
  SetPixel(pat.dc, 0, 1, RGB(0, 0, 255));
  HBRUSH br = CreatePatternBrush(pat.bm);
  ASSERT_NE(br, nullptr);
  TCanvasDC c(6, 2);
  RECT r{0, 0, 6, 2};
  FillRect(c.dc, &r, br);
  EXPECT_EQ(c.Art(r, {{RGB(255, 0, 0), 'r'}, {RGB(0, 0, 255), 'b'}}), Pic({"rbrbrb", "brbrbr"}));
  SetBrushOrgEx(c.dc, 1, 0, nullptr);
  FillRect(c.dc, &r, br);
  EXPECT_EQ(c.Art(r, {{RGB(255, 0, 0), 'r'}, {RGB(0, 0, 255), 'b'}}), Pic({"brbrbr", "rbrbrb"}));
  DeleteObject(br);
  // A monochrome pattern takes the DC's text and background colours.
  const uint8_t bits[] = {0x80, 0, 0x40, 0};
  HBITMAP mono = CreateBitmap(2, 2, 1, 1, bits);
  HBRUSH mb = CreatePatternBrush(mono);
  SetBrushOrgEx(c.dc, 0, 0, nullptr);
  SetTextColor(c.dc, RGB(0, 255, 0));
  SetBkColor(c.dc, RGB(0, 0, 0));
  FillRect(c.dc, &r, mb);
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(c.At(1, 0), RGB(0, 255, 0));
  DeleteObject(mb);
  DeleteObject(mono);
}

TEST(GdiDC, StockObjectsSurviveDeletionAndGetObjectDescribesObjects) {
  HGDIOBJ white = GetStockObject(WHITE_BRUSH);
  EXPECT_TRUE(DeleteObject(white));
  EXPECT_EQ(GetObjectType(white), OBJ_BRUSH);
  EXPECT_EQ(GetStockObject(99), nullptr);
  LOGPEN lp;
  HPEN pen = CreatePen(PS_DASH, 1, RGB(1, 2, 3));
  ASSERT_EQ(GetObject(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_DASH));
  EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
  DeleteObject(pen);
  LOGFONTA lf;
  ASSERT_EQ(GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf), 60);
  EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetObjectType(dc), OBJ_MEMDC);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), white);
  DeleteDC(dc);
  EXPECT_EQ(GetObjectType(dc), 0);
}

TEST(GdiDC, SaveDCLevelsRestoreObjectsColoursAndOrigins) {
  TCanvasDC c(4, 4);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  int one = SaveDC(c.dc);
  SelectObject(c.dc, red);
  SetTextColor(c.dc, RGB(1, 1, 1));
  SetViewportOrgEx(c.dc, 2, 2, nullptr);
  int two = SaveDC(c.dc);
  EXPECT_EQ(two, one + 1);
  SetTextColor(c.dc, RGB(2, 2, 2));
  RestoreDC(c.dc, -1);
  EXPECT_EQ(GetTextColor(c.dc), RGB(1, 1, 1));
  RestoreDC(c.dc, one);
  EXPECT_EQ(GetTextColor(c.dc), 0u);
  EXPECT_EQ(GetCurrentObject(c.dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  POINT p;
  GetViewportOrgEx(c.dc, &p);
  EXPECT_EQ(p, (POINT{0, 0}));
  EXPECT_FALSE(RestoreDC(c.dc, 5));
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_EQ(GetObjectType(red), 0);
}

std::vector<DWORD> RecordTypes(HENHMETAFILE mf) {
  std::vector<DWORD> types;
  EnumEnhMetaFile(nullptr, mf, [](HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM d) {
    reinterpret_cast<std::vector<DWORD>*>(d)->push_back(r->iType);
    return 1;
  }, &types, nullptr);
  return types;
}

TEST(GdiMetafile, RecordsPlayBackAtAnyScale) {
  RECT frame{0, 0, MulDiv(40, 2540, 96), MulDiv(20, 2540, 96)};  // 40 x 20 pixels
  HDC rec = CreateEnhMetaFile(nullptr, nullptr, &frame, "test");
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(GetDeviceCaps(rec, TECHNOLOGY), DT_METAFILE);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(rec, red);
  SelectObject(rec, GetStockObject(NULL_PEN));
  Rectangle(rec, 0, 0, 21, 11);  // 20 x 10 filled
  SelectObject(rec, GetStockObject(BLACK_PEN));
  MoveToEx(rec, 20, 19, nullptr);
  LineTo(rec, 39, 19);
  SetBkMode(rec, TRANSPARENT);
  TextOut(rec, 22, 2, "Hi", 2);
  HENHMETAFILE mf = CloseEnhMetaFile(rec);
  ASSERT_NE(mf, nullptr);
  DeleteObject(red);
  std::vector<DWORD> types = RecordTypes(mf);
  ASSERT_GE(types.size(), 5u);
  EXPECT_EQ(types.front(), static_cast<DWORD>(EMR_HEADER));
  EXPECT_EQ(types.back(), static_cast<DWORD>(EMR_EOF));
  EXPECT_NE(std::find(types.begin(), types.end(), static_cast<DWORD>(EMR_EXTTEXTOUTW)), types.end());
  ENHMETAHEADER h;
  ASSERT_EQ(GetEnhMetaFileHeader(mf, sizeof h, &h), sizeof h);
  EXPECT_EQ(h.nRecords, types.size());
  // Same size, then twice the size.
  TCanvasDC one(40, 20), two(80, 40);
  RECT r1{0, 0, 40, 20}, r2{0, 0, 80, 40};
  ASSERT_TRUE(PlayEnhMetaFile(one.dc, mf, &r1));
  ASSERT_TRUE(PlayEnhMetaFile(two.dc, mf, &r2));
  EXPECT_EQ(one.Count(RGB(255, 0, 0)), 200);
  // The scaled call is Rectangle(0, 0, 42, 22): without a pen it fills 41 x 21.
  EXPECT_EQ(two.Count(RGB(255, 0, 0)), 41 * 21);
  EXPECT_EQ(one.At(25, 19), 0u);
  EXPECT_EQ(two.At(50, 38), 0u);
  // Playback leaves the DC's state as it was.
  EXPECT_EQ(GetCurrentObject(one.dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetBkMode(one.dc), OPAQUE);
  DeleteEnhMetaFile(mf);
}

TEST(GdiMetafile, TextRecordsCarryTheTextForSearches) {
  HDC rec = CreateEnhMetaFile(nullptr, nullptr, nullptr, nullptr);
  TextOut(rec, 10, 10, "第一页", static_cast<int>(std::strlen("第一页")));
  ExtTextOutW(rec, 10, 40, 0, nullptr, u"Total: 12", 9, nullptr);
  HENHMETAFILE mf = CloseEnhMetaFile(rec);
  std::vector<std::string> texts;
  EnumEnhMetaFile(nullptr, mf, [](HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM d) {
    if (r->iType == EMR_EXTTEXTOUTW) {
      auto* e = reinterpret_cast<const EMREXTTEXTOUTW*>(r);
      EXPECT_EQ(e->emrtext.nChars, GetEnhMetaRecordText(r) == "第一页" ? 3u : 9u);
      reinterpret_cast<std::vector<std::string>*>(d)->push_back(GetEnhMetaRecordText(r));
    }
    return 1;
  }, &texts, nullptr);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "第一页");
  EXPECT_EQ(texts[1], "Total: 12");
  // The enumeration stops when the callback says so.
  int seen = 0;
  EXPECT_FALSE(EnumEnhMetaFile(nullptr, mf, [](HDC, HANDLETABLE*, const ENHMETARECORD*, int, LPARAM d) {
    return ++*reinterpret_cast<int*>(d) < 2 ? 1 : 0;
  }, &seen, nullptr));
  EXPECT_EQ(seen, 2);
  DeleteEnhMetaFile(mf);
}

TEST(GdiMetafile, FilesAndBitsRoundTripAndBadDataIsRefused) {
  TTempDir tmp;
  std::string path = (tmp.path / "page.emf").string();
  HDC rec = CreateEnhMetaFile(nullptr, path.c_str(), nullptr, nullptr);
  Ellipse(rec, 0, 0, 30, 20);
  HENHMETAFILE mf = CloseEnhMetaFile(rec);
  ASSERT_NE(mf, nullptr);
  HENHMETAFILE fromFile = GetEnhMetaFile(path.c_str());
  ASSERT_NE(fromFile, nullptr);
  UINT n = GetEnhMetaFileBits(mf, 0, nullptr);
  std::vector<BYTE> a(n), b(n);
  GetEnhMetaFileBits(mf, n, a.data());
  ASSERT_EQ(GetEnhMetaFileBits(fromFile, n, b.data()), n);
  EXPECT_EQ(a, b);
  // Truncated or corrupted data.
  EXPECT_EQ(SetEnhMetaFileBits(n - 4, a.data()), nullptr);
  std::vector<BYTE> bad = a;
  bad[sizeof(ENHMETAHEADER) + 4] = 0xFF;  // size of the first record
  EXPECT_EQ(SetEnhMetaFileBits(n, bad.data()), nullptr);
  EXPECT_EQ(GetEnhMetaFile((tmp.path / "none.emf").string().c_str()), nullptr);
  HENHMETAFILE copy = SetEnhMetaFileBits(n, a.data());
  EXPECT_NE(copy, nullptr);
  for (HENHMETAFILE h : {mf, fromFile, copy}) EXPECT_TRUE(DeleteEnhMetaFile(h));
  EXPECT_FALSE(DeleteEnhMetaFile(mf));
}

}  // namespace

namespace {

TEST(GdiIcon, MaskedIconsAndAlphaIconsDrawOverTheBackground) {
  // A 4x4 icon: red colour, transparent left half.
  TCanvasDC colour(4, 4);
  RECT all{0, 0, 4, 4};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(colour.dc, &all, red);
  DeleteObject(red);
  const uint8_t maskBits[] = {0xC0, 0, 0xC0, 0, 0xC0, 0, 0xC0, 0};  // 1 = transparent
  HBITMAP mask = CreateBitmap(4, 4, 1, 1, maskBits);
  // The colour is black where the mask is transparent, as icons are made.
  RECT left{0, 0, 2, 4};
  FillRect(colour.dc, &left, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ICONINFO ii{TRUE, 0, 0, mask, colour.bm};
  HICON icon = CreateIconIndirect(&ii);
  ASSERT_NE(icon, nullptr);
  DeleteObject(mask);  // the icon keeps its own copies
  TCanvasDC c(8, 4);
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  RECT back{0, 0, 8, 4};
  FillRect(c.dc, &back, blue);
  ASSERT_TRUE(DrawIconEx(c.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(c.At(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.At(3, 3), RGB(255, 0, 0));
  // Stretched to 8x4.
  FillRect(c.dc, &back, blue);
  DeleteObject(blue);
  ASSERT_TRUE(DrawIconEx(c.dc, 0, 0, icon, 8, 4, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(c.At(3, 0), RGB(0, 0, 255));
  EXPECT_EQ(c.At(4, 0), RGB(255, 0, 0));
  ICONINFO out;
  ASSERT_TRUE(GetIconInfo(icon, &out));
  EXPECT_NE(out.hbmMask, nullptr);
  DeleteObject(out.hbmMask);
  DeleteObject(out.hbmColor);
  HICON copy = CopyIcon(icon);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));
  EXPECT_FALSE(DrawIcon(c.dc, 0, 0, icon));
  EXPECT_EQ(GetObjectType(copy), 0);  // icons are not GDI objects
  EXPECT_FALSE(DeleteObject(copy));
  EXPECT_TRUE(DestroyIcon(copy));
}

}  // namespace
