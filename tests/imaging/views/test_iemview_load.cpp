// The thumbnail grid's loading: on demand while painting, in display order, with OnAllDisplayed;
// lazy "::0" entries; fitting to the thumbnail size; unreadable files; explicit loads and saving;
// the parallel decoding of a paint; the loader thread.
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "gridtest.h"
#include "imaging/io/ieparams.h"
#include "imaging/views/ievirtualimagelist.h"
#include "platform/rtl/streams.h"

namespace {

using gridtest::GridFixture;
using gridtest::TTempFolder;

class MViewLoad : public GridFixture {
protected:
  void SetUp() override {
    GridFixture::SetUp();
    Grid->SetStoreType(ietThumb);
    Grid->SetGridWidth(-1);
  }
  // Visible cells of a 436 x 340 grid of 100 x 100 cells: 4 columns, 3 full and one partial row
  // (16 cells), as long as no scroll bar narrows it.
  bool WaitFor(const std::function<bool()>& Done, int Ms = 30000) {
    for (int t = 0; t < Ms; t += 10) {
      Run();
      if (Done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return Done();
  }
  TTempFolder Folder;
};

TEST_F(MViewLoad, WithoutLoaderThreadsEveryVisibleImageLoadsInDisplayOrderDuringThePaint) {
  for (bool parallel : {false, true}) {
    Grid->Clear();
    Grid->SetThreadPoolSize(0);
    Grid->SetParallelDecoding(parallel);
    AddLazy(Folder.Photos(30));
    std::vector<int> drawn;
    std::vector<std::string> problems;
    std::vector<bool> storedBefore;
    auto remember = [&] {
      storedBefore.clear();
      for (int i = 0; i < Grid->GetImageCount(); ++i)
        storedBefore.push_back(Grid->HasStoredPicture(i));
    };
    int allDisplayed = 0;
    Grid->OnBeforeImageDraw = [&](TObject*, int idx, int, int, TCanvas*) {
      drawn.push_back(idx);
      // Stored before its cell is drawn, and the next one not yet: loads follow the cells.
      if (!Grid->HasStoredPicture(idx)) problems.push_back("not loaded: " + std::to_string(idx));
      if (Grid->IsCellOnScreen(idx + 1) && !storedBefore[idx + 1] &&
          Grid->HasStoredPicture(idx + 1))
        problems.push_back("loaded ahead: " + std::to_string(idx + 1));
    };
    Grid->OnAllDisplayed = [&](TObject*) { ++allDisplayed; };
    remember();
    PaintNow();
    EXPECT_TRUE(problems.empty()) << problems.front();
    ASSERT_FALSE(drawn.empty());
    for (size_t i = 0; i < drawn.size(); ++i) EXPECT_EQ(drawn[i], static_cast<int>(i));
    EXPECT_EQ(allDisplayed, 1);
    for (int i = 0; i < Grid->GetImageCount(); ++i)
      EXPECT_EQ(Grid->HasStoredPicture(i), Grid->IsCellOnScreen(i)) << "image " << i;
    EXPECT_TRUE(Grid->QueuedLoads().empty());
    PaintNow();
    EXPECT_EQ(allDisplayed, 1) << "once per completion";
    // Scrolling shows new cells: they load during the next paint, and OnAllDisplayed follows.
    Grid->SetViewY(2 * 104);
    problems.clear();
    remember();
    PaintNow();
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(allDisplayed, 2);
    Grid->OnBeforeImageDraw = nullptr;
    Grid->OnAllDisplayed = nullptr;
  }
}

TEST_F(MViewLoad, ParallelDecodingStoresTheSamePicturesAsOneByOne) {
  const auto names = Folder.Photos(16, 400, 300);
  std::vector<std::vector<uint8_t>> pictures[2];
  for (int pass = 0; pass < 2; ++pass) {
    Grid->Clear();
    Grid->SetThreadPoolSize(0);
    Grid->SetParallelDecoding(pass == 1);
    AddLazy(names);
    PaintNow();
    for (int i = 0; i < Grid->GetImageCount() && Grid->IsCellOnScreen(i); ++i) {
      ASSERT_TRUE(Grid->HasStoredPicture(i)) << i;
      TIEBitmap* b = Grid->GetImagePicture(i);
      std::vector<uint8_t> bytes;
      for (int y = 0; y < b->Height(); ++y)
        bytes.insert(bytes.end(), b->Scanline(y), b->Scanline(y) + b->Width() * 3);
      pictures[pass].push_back(bytes);
      Grid->ReleaseImagePicture(i);
      EXPECT_EQ(Grid->GetImageOriginalWidth(i), 400);
      EXPECT_EQ(Grid->GetImageOriginalHeight(i), 300);
      EXPECT_EQ(Grid->GetImageWidth(i), 100);
      EXPECT_EQ(Grid->GetImageHeight(i), 75);
    }
  }
  EXPECT_EQ(pictures[0].size(), 12u);
  EXPECT_EQ(pictures[0], pictures[1]);
}

TEST_F(MViewLoad, LazyEntriesAreNeverQueuedAndLeaveNoIOBehind) {
  Grid->SetThreadPoolSize(5);
  AddLazy(Folder.Photos(12));
  EXPECT_EQ(Grid->GetImageFileName(0).substr(Grid->GetImageFileName(0).size() - 3), "::0");
  EXPECT_FALSE(Grid->RequestLoad(0)) << "frames load synchronously";
  PaintNow();
  EXPECT_TRUE(Grid->QueuedLoads().empty());
  EXPECT_TRUE(Grid->LoadsInFlight().empty());
  for (int i = 0; i < 12; ++i) EXPECT_TRUE(Grid->HasStoredPicture(i)) << i;
  EXPECT_EQ(Grid->FrameIOCount(), 0)
      << "the IO of a one-picture file is released once its thumbnail is stored";
  EXPECT_EQ(Grid->GetImageBottomText(3)->Caption(), "photo003.jpg");
}

TEST_F(MViewLoad, SmallThumbnailsComeFromTheEmbeddedExifThumbnail) {
  // A blue photo whose EXIF thumbnail is red: the grid shows red for thumbnails up to 200 x 200.
  TIEBitmap photo(640, 480, ie24RGB), thumb(160, 120, ie24RGB);
  photo.Fill(0xFF0000);
  thumb.Fill(0x0000FF);
  const std::string name = Folder.File("exif.jpg");
  {
    TImageryIO io(nullptr);
    io.AttachBitmap(&photo);
    io.Params->EXIF_HasEXIFData = true;
    io.Params->EnsureEXIFBitmap()->Assign(&thumb);
    io.SaveToFile(name);
    io.AttachBitmap(nullptr);
  }
  for (int size : {100, 300}) {
    Grid->Clear();
    Grid->SetThumbWidth(size);
    Grid->SetThumbHeight(size);
    AddLazy({name});
    ASSERT_TRUE(Grid->LoadImageNow(0));
    TIEBitmap* b = Grid->GetImagePicture(0);
    const TIERGBPixel p = b->GetPixelRGB(b->Width() / 2, b->Height() / 2);
    if (size == 100)
      EXPECT_GT(p.r, 200) << "the EXIF thumbnail";
    else
      EXPECT_GT(p.b, 200) << "the photo itself";
    Grid->ReleaseImagePicture(0);
    EXPECT_EQ(Grid->GetImageOriginalWidth(0), 640);
    // The image's parameter set keeps the photo's data but not a second copy of its thumbnail.
    TIOParamsVals* params = Grid->GetMIO()->GetParams(0);
    EXPECT_TRUE(params->EXIF_HasEXIFData);
    EXPECT_EQ(params->EXIF_Bitmap, nullptr);
  }
}

TEST_F(MViewLoad, AFrameNumberThatIsNotANumberLoadsFrameZero) {
  const auto names = Folder.Photos(1);
  Grid->InsertImageKeepSelection(0);
  Grid->SetImageFileName(0, names[0] + "::abc");
  EXPECT_TRUE(Grid->LoadImageNow(0));
  EXPECT_TRUE(Grid->HasStoredPicture(0));
  EXPECT_EQ(Grid->GetImageOriginalWidth(0), 160);
}

TEST_F(MViewLoad, PicturesAreFittedToTheThumbnailSize) {
  Grid->SetThreadPoolSize(0);
  for (int i = 0; i < 3; ++i) Grid->InsertImageKeepSelection(i);
  TIEBitmap wide(50, 25, ie24RGB), exact(100, 100, ie24RGB), tall(10, 300, ie24RGB);
  wide.Fill(0x336699);
  gridtest::MakePhoto(exact, 100, 100, 3);
  Grid->SetImageBitmap(0, &wide);
  Grid->SetImageBitmap(1, &exact);
  Grid->SetImageBitmap(2, &tall);
  EXPECT_EQ(Grid->GetImageWidth(0), 100);
  EXPECT_EQ(Grid->GetImageHeight(0), 50) << "enlarged";
  EXPECT_EQ(Grid->GetImageOriginalWidth(0), 50) << "the size of the picture that was given";
  EXPECT_EQ(Grid->GetImageWidth(2), 3);
  EXPECT_EQ(Grid->GetImageHeight(2), 100);
  TIEBitmap* back = Grid->GetImagePicture(1);
  bool same = true;
  for (int y = 0; y < 100; ++y) same &= std::memcmp(back->Scanline(y), exact.Scanline(y), 300) == 0;
  EXPECT_TRUE(same) << "the exact size is stored without resampling";
  Grid->ReleaseImagePicture(1);
  // Normal store type keeps pictures as they are.
  Grid->SetStoreType(ietNormal);
  Grid->SetImageBitmap(0, &tall);
  EXPECT_EQ(Grid->GetImageHeight(0), 300);
}

TEST_F(MViewLoad, AnUnreadableFileGetsItsIconOrThePictureOfOnWrongImage) {
  const std::string broken = Folder.File("broken.jpg");
  std::ofstream(broken) << "this is not a picture";
  Grid->InsertImageKeepSelection(0);
  Grid->SetImageFileName(0, broken);
  EXPECT_FALSE(Grid->LoadImageNow(0));
  EXPECT_TRUE(Grid->HasStoredPicture(0)) << "the shell icon stands in";
  int calls = 0;
  Grid->OnWrongImage = [&](TObject*, TIEBitmap* Out, int idx, bool& Handled) {
    ++calls;
    EXPECT_EQ(idx, 0);
    EXPECT_EQ(Out->Width(), 100);
    Out->Fill(0x0000FF);
    Handled = true;
  };
  Grid->UpdateImage(0);
  EXPECT_FALSE(Grid->HasStoredPicture(0));
  EXPECT_FALSE(Grid->LoadImageNow(0));
  EXPECT_EQ(calls, 1);
  TIEBitmap* b = Grid->GetImagePicture(0);
  EXPECT_EQ(b->GetPixelRGB(50, 50).r, 255);
  Grid->ReleaseImagePicture(0);
}

TEST_F(MViewLoad, RemoveCorruptedTakesUnreadableImagesOutWhilePainting) {
  auto names = Folder.Photos(3);
  const std::string broken = Folder.File("broken.jpg");
  std::ofstream(broken) << "garbage";
  names.insert(names.begin() + 1, broken);
  Grid->SetThreadPoolSize(0);
  Grid->SetRemoveCorrupted(true);
  AddLazy(names);
  PaintNow();
  ASSERT_EQ(Grid->GetImageCount(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(Grid->GetImageFileName(i).find("broken"), std::string::npos);
  EXPECT_EQ(Grid->GetMIO()->GetParamsCount(), 3);
}

TEST_F(MViewLoad, SavingAnImageNeverShownLoadsItAtThumbnailSizeWithItsOwnQuality) {
  const auto names = Folder.Photos(2, 400, 300);
  Grid->Hide();
  Grid->SetThumbWidth(150);
  Grid->SetThumbHeight(150);
  AddLazy(names);
  Grid->GetMIO()->GetParams(1)->JPEG_Quality = 60;
  TMemoryStream low, high;
  Grid->SaveImageToStream(1, &low, ioJPEG);
  Grid->GetMIO()->GetParams(1)->JPEG_Quality = 95;
  Grid->SaveImageToStream(1, &high, ioJPEG);
  ASSERT_GT(low.Size(), 100);
  EXPECT_LT(low.Size(), high.Size()) << "the quality put into the image's parameter set applies";
  TImageryIO io(nullptr);
  TIEBitmap back;
  io.AttachBitmap(&back);
  low.SetPosition(0);
  io.LoadFromStream(&low);
  EXPECT_EQ(back.Width(), 150);
  EXPECT_EQ(back.Height(), 112);
  io.AttachBitmap(nullptr);
}

TEST_F(MViewLoad, EveryImageBecomesOnePageOfADocument) {
  const auto names = Folder.Photos(3, 200, 100);
  Grid->Hide();
  AddLazy(names);  // never shown: each picture is loaded for its page
  Grid->GetMIO()->GetParams(0)->PDF_Title = "Contact sheet";
  TMemoryStream pdf, ps;
  Grid->GetMIO()->SaveToStreamPDF(&pdf);
  EXPECT_FALSE(Grid->GetMIO()->Aborting.load());
  Grid->GetMIO()->SaveToStreamPS(&ps);
  EXPECT_FALSE(Grid->GetMIO()->Aborting.load());
  const std::string a(static_cast<const char*>(pdf.Memory()), static_cast<size_t>(pdf.Size()));
  const std::string b(static_cast<const char*>(ps.Memory()), static_cast<size_t>(ps.Size()));
  EXPECT_NE(a.find("/Count 3"), std::string::npos);
  EXPECT_NE(a.find("/Title (Contact sheet)"), std::string::npos);
  EXPECT_NE(a.find("/lm3 Do"), std::string::npos);
  EXPECT_NE(b.find("%%Pages: 3     \r\n"), std::string::npos);
  EXPECT_NE(b.find("%%Page: 3 3\r\n"), std::string::npos);
  EXPECT_EQ(Grid->GetImageCount(), 3);
}

TEST_F(MViewLoad, ExplicitLoadsFromFilesAndStreams) {
  const auto names = Folder.Photos(1);
  Grid->InsertImageKeepSelection(0);
  Grid->InsertImageKeepSelection(1);
  EXPECT_TRUE(Grid->LoadImageFromFile(0, names[0], 0));
  EXPECT_EQ(Grid->GetImageWidth(0), 100);
  EXPECT_EQ(Grid->GetImageFileName(0), "") << "the record's file name is not changed";
  TMemoryStream junk;
  junk.WriteBuffer("not an image at all", 19);
  junk.SetPosition(0);
  EXPECT_FALSE(Grid->LoadImageFromStream(1, &junk, 0)) << "a stream of no known format fails";
  EXPECT_FALSE(Grid->LoadImageFromFile(5, names[0], 0));
  TFileStream fs(names[0], fmOpenRead);
  EXPECT_TRUE(Grid->LoadImageFromStream(1, &fs, 0));
  EXPECT_EQ(Grid->GetImageOriginalWidth(1), 160);
}

TEST_F(MViewLoad, TheLoaderThreadLoadsVisibleCellsAndTheSelectedImageLoadsAtOnce) {
  Grid->SetThreadPoolSize(2);
  const auto names = Folder.Photos(40);
  for (int i = 0; i < 40; ++i) {
    Grid->InsertImageKeepSelection(i);
    Grid->SetImageFileName(i, names[i]);
  }
  Grid->SetSelectedImage(5);
  int allDisplayed = 0;
  Grid->OnAllDisplayed = [&](TObject*) { ++allDisplayed; };
  PaintNow();
  EXPECT_TRUE(Grid->HasStoredPicture(5)) << "the selected image is loaded during the paint";
  EXPECT_TRUE(WaitFor([&] {
    for (int i = 0; i < 40; ++i)
      if (Grid->IsCellOnScreen(i) && !Grid->HasStoredPicture(i)) return false;
    return true;
  }));
  EXPECT_TRUE(WaitFor([&] { return allDisplayed == 1; })) << "the finished loads repaint the grid";
  EXPECT_FALSE(Grid->HasStoredPicture(39)) << "off screen: not loaded";
  EXPECT_TRUE(WaitFor([&] { return Grid->LoadsInFlight().empty(); }));
}

}  // namespace

TEST_F(MViewLoad, JpegTwoThousandAndHdPhotoFilesShowAsThumbnails) {
  TIEBitmap photo(120, 80, ie24RGB);
  photo.Fill(0x2080E0);  // red 0xE0, green 0x80, blue 0x20
  std::vector<std::string> names;
  for (const char* ext : {"jp2", "j2k", "wdp"}) {
    names.push_back(Folder.File(std::string("rich.") + ext));
    TImageryIO io(nullptr);
    io.AttachBitmap(&photo);
    io.Params->HDP_Lossless = true;
    io.SaveToFile(names.back());
    ASSERT_FALSE(io.Aborting.load()) << ext;
    io.AttachBitmap(nullptr);
  }
  AddLazy(names);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(Grid->LoadImageNow(i)) << names[i];
    EXPECT_EQ(Grid->GetImageOriginalWidth(i), 120) << names[i];
    TIEBitmap* b = Grid->GetImagePicture(i);
    const TIERGBPixel p = b->GetPixelRGB(b->Width() / 2, b->Height() / 2);
    EXPECT_NEAR(p.r, 0xE0, 3) << names[i];
    EXPECT_NEAR(p.b, 0x20, 3) << names[i];
    Grid->ReleaseImagePicture(i);
  }
}
