// The thumbnail grid's painting: a screenshot of generated photos against a golden image, the
// order of the draw events, the narrowed cell of OnBeforeImageDrawEx, captions, progress and the
// single display mode.
#include <cstdlib>

#include "gridtest.h"
#include "imaging/views/iemview_internal.h"
#include "platform/win/pngsnap.h"

namespace {

using gridtest::GridFixture;
using gridtest::TTempFolder;

std::string SourceDir() {
  const char* s = std::getenv("ORVANTA_SOURCE_DIR");
  return s ? s : ".";
}

class MViewPaint : public GridFixture {
protected:
  void SetUp() override {
    GridFixture::SetUp();
    Grid->SetStoreType(ietThumb);
    Grid->SetGridWidth(-1);
    Grid->SetThreadPoolSize(0);
  }
  TIERGBPixel BackPixel(int x, int y) { return Grid->BackBuffer()->GetPixelRGB(x, y); }
  TTempFolder Folder;
};

TEST_F(MViewPaint, AGridOfPhotosLooksAsItShould) {
  AddLazy(Folder.Photos(10));
  Grid->SetBackground(0x404040);
  Grid->SetThumbnailsBorderWidth(1);
  Grid->SetThumbnailsBorderColor(0x808080);
  Grid->SetSelectedImage(5);
  Grid->GetImageBottomText(2)->SetCaption("a caption far too long for its cell");
  Grid->GetImageBottomText(3)->SetTruncSide(0);
  Grid->GetImageBottomText(3)->SetCaption("another caption far too long");
  PaintNow();
  HBITMAP shot = RenderWindowToBitmap(Grid->Handle());
  ASSERT_TRUE(shot);
  const std::string golden = SourceDir() + "/tests/imaging/views/golden/mview_grid.png";
  if (std::getenv("ORVANTA_UPDATE_GOLDEN")) SaveBitmapToPng(shot, golden);
  HBITMAP want = LoadPngToBitmap(golden);
  ASSERT_TRUE(want) << "missing golden image " << golden;
  EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 40);
  DeleteObject(want);
  DeleteObject(shot);
}

TEST_F(MViewPaint, DrawEventsComeInTheirOrderForEveryCell) {
  AddLazy(Folder.Photos(3));
  std::vector<std::string> events;
  Grid->OnBeforeImageDraw = [&](TObject*, int idx, int, int, TCanvas*) {
    events.push_back("before" + std::to_string(idx));
  };
  Grid->OnBeforeImageDrawEx = [&](TObject*, int idx, int, int, TBitmap*, RECT&) {
    events.push_back("ex" + std::to_string(idx));
  };
  Grid->OnImageDraw = [&](TObject*, int idx, int, int, TCanvas*) {
    events.push_back("draw" + std::to_string(idx));
  };
  Grid->OnImageDraw2 = [&](TObject*, int idx, int, int, RECT, TCanvas*) {
    events.push_back("draw2" + std::to_string(idx));
  };
  std::vector<std::pair<int, int>> progress;
  Grid->OnDrawProgress = [&](TObject*, int per, int idx) { progress.push_back({per, idx}); };
  PaintNow();
  const std::vector<std::string> want = {"before0", "ex0", "draw0", "draw20",
                                         "before1", "ex1", "draw1", "draw21",
                                         "before2", "ex2", "draw2", "draw22"};
  EXPECT_EQ(events, want);
  const std::vector<std::pair<int, int>> wantProgress = {{0, 0}, {33, 1}, {66, 2}, {100, 0}};
  EXPECT_EQ(progress, wantProgress);
  // One image: no progress at all.
  Grid->Clear();
  AddLazy(Folder.Photos(1));
  progress.clear();
  PaintNow();
  EXPECT_TRUE(progress.empty());
}

TEST_F(MViewPaint, ANarrowedCellHoldsPictureAndCaptionsAndGetsNoSelectionMark) {
  Grid->SetThumbWidth(168);
  Grid->SetThumbHeight(180);
  Grid->SetSelectionColor(0x00FF00);
  Grid->SetSelectionWidth(3);
  AddLazy(Folder.Photos(1, 400, 300));
  Grid->SetSelectedImage(0);
  RECT image{};
  int left = 0, top = 0;
  Grid->OnBeforeImageDrawEx = [&](TObject*, int, int Left, int Top, TBitmap*, RECT& ThumbRect) {
    EXPECT_EQ(ThumbRect.right, 168);
    EXPECT_EQ(ThumbRect.bottom, 180);
    ThumbRect = RECT{20, 20, 148, 160};
    left = Left;
    top = Top;
  };
  Grid->OnImageDraw2 = [&](TObject*, int, int Left, int Top, RECT ImageRect, TCanvas*) {
    EXPECT_EQ(Left, left + 20);
    EXPECT_EQ(Top, top + 20);
    image = ImageRect;
  };
  PaintNow();
  EXPECT_EQ(image.right - image.left, 128) << "the picture fits the 128 x 140 cell";
  EXPECT_EQ(image.left, left + 20);
  EXPECT_GE(image.top, top + 20);
  EXPECT_LE(image.bottom, top + 160);
  for (int x = left; x < left + 168; ++x) {
    const TIERGBPixel p = BackPixel(x, top + 1);
    EXPECT_FALSE(p.g > 200 && p.r < 60 && p.b < 60) << "no selection mark at " << x;
  }
  // Without the hook the selected cell gets its mark (1 pixel wide without the focus).
  Grid->OnBeforeImageDrawEx = nullptr;
  Grid->OnImageDraw2 = nullptr;
  PaintNow();
  int green = 0;
  for (int x = left; x < left + 168; ++x) {
    const TIERGBPixel p = BackPixel(x, top);
    green += p.g > 150 && p.r < 100 && p.b < 100;
  }
  EXPECT_GT(green, 100);
}

TEST_F(MViewPaint, ACellWithoutPictureShowsOnlyItsBoxAndCaptions) {
  Grid->SetThumbnailsBackground(0x00FFFF);
  Grid->InsertImageKeepSelection(0);
  Grid->GetImageBottomText(0)->SetCaption("empty");
  int allDisplayed = 0;
  Grid->OnAllDisplayed = [&](TObject*) { ++allDisplayed; };
  PaintNow();
  const TIERGBPixel p = BackPixel(4 + 50, 4 + 30);
  EXPECT_EQ(p.r, 255);
  EXPECT_EQ(p.g, 255);
  EXPECT_EQ(p.b, 0);
  EXPECT_EQ(allDisplayed, 0) << "the image still has no picture";
}

TEST_F(MViewPaint, CaptionsAreShortenedByCharactersFromTheirChosenSide) {
  TCanvas* c = Grid->BackBuffer()->GetCanvas();
  c->Font()->SetName("Arial");
  c->Font()->SetSize(9);
  const std::string text = "@BCDEFGH";
  // Exactly as wide as the cell: unchanged. One character: never shortened.
  EXPECT_EQ(IEShortenCaption(c, text, c->TextWidth(text), 1), text);
  EXPECT_EQ(IEShortenCaption(c, "W", 1, 1), "W");
  // One step each: side 0 drops two characters at the end, side 1 one at the start.
  EXPECT_EQ(IEShortenCaption(c, text, c->TextWidth("@BCDEF..."), 0), "@BCDEF...");
  ASSERT_LT(c->TextWidth("...BCDEFGH"), c->TextWidth(text));
  EXPECT_EQ(IEShortenCaption(c, text, c->TextWidth("...BCDEFGH"), 1), "...BCDEFGH");
  // Characters, not bytes.
  const std::string wide =
      "\xE7\x85\xA7\xE7\x89\x87\xE4\xB8\x80\xE4\xBA\x8C";  // four CJK characters
  const std::string cut = IEShortenCaption(c, wide, c->TextWidth("...") + 1, 1);
  EXPECT_EQ(cut.substr(0, 3), "...");
  EXPECT_EQ((cut.size() - 3) % 3, 0u);
  // Nothing fits: the last piece that was not empty stays.
  EXPECT_EQ(IEShortenCaption(c, "ABC", 1, 0), "A...");
}

TEST_F(MViewPaint, SingleModeShowsOnlyTheCurrentFrameWithoutMark) {
  AddLazy(Folder.Photos(4));
  Grid->SetSelectedImage(0);
  std::vector<int> drawn;
  Grid->OnBeforeImageDraw = [&](TObject*, int idx, int Left, int Top, TCanvas*) {
    drawn.push_back(idx);
    EXPECT_EQ(Left, 0);
    EXPECT_EQ(Top, 0);
  };
  Grid->SetDisplayMode(mdSingle);
  PaintNow();
  EXPECT_EQ(drawn, std::vector<int>{0});
}

}  // namespace
