// The thumbnail grid shows PSD documents and DICOM files: ImageMagick writes a layered document
// and dcmtk's img2dcm a DICOM file, and each cell loads its picture through the registered codecs.
#include <cstdlib>

#include "gridtest.h"

namespace {

using gridtest::GridFixture;
using gridtest::TTempFolder;

class MViewRichFormats : public GridFixture {
protected:
  TTempFolder Folder;
};

bool RichToolThere(const char* Name) {
  return std::system((std::string("command -v ") + Name + " >/dev/null 2>&1").c_str()) == 0;
}

bool RichRun(const std::string& Command) { return std::system((Command + " >/dev/null 2>&1").c_str()) == 0; }

}  // namespace

TEST_F(MViewRichFormats, PsdAndDicomCellsShowTheirPictures) {
  if (!RichToolThere("convert") || !RichToolThere("img2dcm")) GTEST_SKIP() << "ImageMagick or dcmtk missing";
  const std::string psd = Folder.File("layers.psd"), bmp = Folder.File("green.bmp"), dcm = Folder.File("green.dcm");
  ASSERT_TRUE(RichRun("convert -size 60x40 xc:'rgb(200,0,0)' \\( -size 20x10 xc:blue -repage +5+5 \\) -depth 8 '" +
                      psd + "'"));
  ASSERT_TRUE(RichRun("convert -size 50x30 xc:'rgb(0,180,0)' -type TrueColor BMP3:'" + bmp + "'"));
  ASSERT_TRUE(RichRun("img2dcm -i BMP '" + bmp + "' '" + dcm + "'"));
  Grid->SetThreadPoolSize(0);
  Grid->SetStoreType(ietThumb);
  const std::string names[] = {psd, dcm};
  for (int i = 0; i < 2; ++i) {
    Grid->InsertImageKeepSelection(i);
    Grid->SetImageFileName(i, names[i]);
  }
  struct Want { int x, y; uint8_t r, g, b; } want[] = {{90, 50, 200, 0, 0}, {50, 30, 0, 180, 0}};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(names[i]);
    ASSERT_TRUE(Grid->LoadImageNow(i));
    EXPECT_EQ(Grid->GetImageOriginalWidth(i), i == 0 ? 60 : 50);
    TIEBitmap* b = Grid->GetImagePicture(i);
    ASSERT_NE(b, nullptr);
    const TIERGBPixel p = b->GetPixelAsRGB(std::min(want[i].x, b->Width() - 1), std::min(want[i].y, b->Height() - 1));
    EXPECT_EQ(p.r, want[i].r);
    EXPECT_EQ(p.g, want[i].g);
    EXPECT_EQ(p.b, want[i].b);
    Grid->ReleaseImagePicture(i);
  }
}
