// Multi-image input: lazy entries, insertion points, parameter sets in step with the grid, the
// multi-image loaders and their failure handling.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "imaging/core/iestreams.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemio.h"
#include "imaging/io/imageryio.h"
#include "iotestcodecs.h"

using namespace iotest;

namespace {

// A grid that keeps what it is given and announces its changes to its listeners.
class TTestGrid : public TTestView, public TIEMultiImageTarget {
public:
  struct TItem {
    TIEBitmap Picture;
    std::string FileName, BottomText;
    int Delay = 0;
    bool LoadedFromFile = false;
  };
  std::vector<std::unique_ptr<TItem>> Items;
  int Selected = -1;
  int Kind = 0, I = 0, J = 0;
  int Locks = 0;

  void Announce(int k, int i, int j = 0) {
    Kind = k;
    I = i;
    J = j;
    CallListeners();
  }
  int ImageCount() override { return int(Items.size()); }
  int SelectedImage() override { return Selected; }
  void InsertImageEx(int Index) override {
    Items.insert(Items.begin() + std::min<size_t>(Index, Items.size()), std::make_unique<TItem>());
    if (Selected >= Index) ++Selected;
    Announce(1, Index);
  }
  int AppendImage() override {
    Items.push_back(std::make_unique<TItem>());
    Selected = int(Items.size()) - 1;
    Announce(1, Selected);
    return Selected;
  }
  void DeleteImage(int Index) override {
    Items.erase(Items.begin() + Index);
    Announce(2, Index);
  }
  void SetImage(int Index, TIEBitmap* B) override { Items[Index]->Picture.Assign(B); }
  void SetImageFileName(int Index, const std::string& N) override { Items[Index]->FileName = N; }
  void SetImageBottomText(int Index, const std::string& T) override { Items[Index]->BottomText = T; }
  void SetImageDelayTime(int Index, int Ms) override { Items[Index]->Delay = Ms; }
  void SetImageBackground(int, TColor) override {}
  void LoadImageFromFile(int Index, const std::string& F) override {
    Items[Index]->FileName = F;
    Items[Index]->LoadedFromFile = true;
  }
  void LoadImageFromStream(int Index, TStream*) override { Items[Index]->LoadedFromFile = true; }
  void GetLastChange(int& k, int& i, int& j) override {
    k = Kind;
    i = I;
    j = J;
  }
  void Update() override {}
  void LockPaint() override { ++Locks; }
  int UnlockPaint() override { return --Locks; }
  void Move(int From, int To) {
    auto it = std::move(Items[From]);
    Items.erase(Items.begin() + From);
    Items.insert(Items.begin() + To, std::move(it));
    Announce(3, From, To);
  }
};

std::atomic<int> Reads{0};
void CountingJpegRead(TStream* S, TStream* S2, TIEBitmap* B, bool N, int R, bool a, bool b, bool c, bool d, bool e,
                      bool P, TIEProgressRec& Rec, TIOParamsVals& IO) {
  ++Reads;
  FakeJpegRead(S, S2, B, N, R, a, b, c, d, e, P, Rec, IO);
}

// A stand-in multi-image reader in the ICO slot: "ICOS" + count, then count pixel chunks.
int IcoCount(TStream* S) {
  char tag[4];
  uint8_t n = 0;
  if (S->Read(tag, 4) != 4 || std::memcmp(tag, "ICOS", 4) != 0 || S->Read(&n, 1) != 1) return 0;
  return n;
}
void IcoRead(TStream* S, TIEBitmap* B, TIOParamsVals& P, bool Preview, TIEMask*&, TIEProgressRec& Rec, bool) {
  int n = IcoCount(S);
  if (P.ICO_ImageIndex >= n) return Rec.Abort();
  for (int k = 0; k <= P.ICO_ImageIndex; ++k)
    if (!ReadPixels(S, B, P, Preview)) return Rec.Abort();
}

}  // namespace

class MIO : public ::testing::Test {
protected:
  void SetUp() override {
    IEInitFileFormats();
    Reads = 0;
    IECodecs.JpegReadImage = &CountingJpegRead;
    IECodecs.IcoImageCount = &IcoCount;
    IECodecs.IcoReadImage = &IcoRead;
    mio.SetAttachedMView(&grid);
  }
  void TearDown() override { IEFreeFileFormats(); }
  TFakeCodecs Codecs;
  TTempDir Dir;
  TTestGrid grid;
  TImageryMIO mio{nullptr};
};

TEST_F(MIO, LazyEntriesOpenNoFile) {
  mio.LoadFromFiles(" /shoot/a.jpg |/shoot/b.jpg|", false, true);
  ASSERT_EQ(grid.ImageCount(), 2);
  EXPECT_EQ(grid.Items[0]->FileName, "/shoot/a.jpg::0");
  EXPECT_EQ(grid.Items[0]->BottomText, "a.jpg");
  EXPECT_EQ(grid.Items[1]->FileName, "/shoot/b.jpg::0");
  EXPECT_EQ(Reads.load(), 0);
  EXPECT_EQ(mio.GetParamsCount(), 2);
  EXPECT_EQ(grid.Locks, 0);
}

// With real files present: the directory is watched for opens while the lazy entries are made.
TEST_F(MIO, LazyEntriesOfExistingFilesOpenNothing) {
  TIEBitmap b;
  MakePattern(&b, 4, 3);
  for (const char* n : {"a.jpg", "b.jpg"}) {
    TFileStream f(Dir / n, fmCreate);
    WritePixels(&f, &b);
  }
  const int fd = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(fd, 0);
  ASSERT_GE(inotify_add_watch(fd, Dir.Path.c_str(), IN_OPEN | IN_ACCESS), 0);
  auto opens = [fd] {
    alignas(inotify_event) char buf[4096];
    int events = 0;
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
      for (char* p = buf; p < buf + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len) ++events;
    return events;
  };
  mio.LoadFromFiles(Dir / "a.jpg" + "|" + Dir / "b.jpg", false, true);
  ASSERT_EQ(grid.ImageCount(), 2);
  EXPECT_EQ(grid.Items[1]->FileName, Dir / "b.jpg" + "::0");
  EXPECT_FALSE(grid.Items[0]->LoadedFromFile);
  EXPECT_TRUE(grid.Items[0]->Picture.IsEmpty());
  EXPECT_EQ(Reads.load(), 0);
  EXPECT_EQ(opens(), 0) << "a lazy entry opened its file";
  { TFileStream f(Dir / "a.jpg", fmOpenRead); }  // the watch does see an open
  EXPECT_GT(opens(), 0);
  ::close(fd);
}

TEST_F(MIO, NonLazyNamesAreLoadedByTheGridAtTheInsertionPoint) {
  mio.LoadFromFiles("/x/one.jpg|/x/two.jpg", false, false);
  ASSERT_EQ(grid.ImageCount(), 2);
  EXPECT_TRUE(grid.Items[0]->LoadedFromFile);
  EXPECT_EQ(grid.Items[1]->BottomText, "two.jpg");
  grid.Selected = 1;
  mio.LoadFromFile("/x/three.jpg");
  EXPECT_EQ(grid.Items[1]->FileName, "/x/three.jpg");  // inserted before the selected image
}

TEST_F(MIO, ParameterSetsFollowTheGrid) {
  mio.LoadFromFiles("a|b|c", false, true);
  mio.GetParams(0)->JPEG_Quality = 11;
  mio.GetParams(2)->JPEG_Quality = 33;
  grid.Move(0, 2);
  EXPECT_EQ(mio.GetParams(2)->JPEG_Quality, 11);
  grid.DeleteImage(0);
  EXPECT_EQ(mio.GetParamsCount(), 2);
  EXPECT_EQ(mio.GetParams(0)->JPEG_Quality, 33);
  EXPECT_EQ(mio.GetParams(-1), nullptr);
  EXPECT_EQ(mio.GetParams(2), nullptr);
  grid.InsertImageEx(0);  // a new set takes the compression settings of the set it displaces
  EXPECT_EQ(mio.GetParams(0)->JPEG_Quality, 33);
}

TEST_F(MIO, MultiImageStreamMakesOneImagePerImage) {
  TMemoryStream ms;
  ms.WriteBuffer("ICOS\3", 5);
  TIEBitmap b;
  for (int k = 0; k < 3; ++k) {
    MakePattern(&b, 4 + k, 2);
    WritePixels(&ms, &b);
  }
  ms.SetPosition(0);
  std::vector<int> progress;
  int finishes = 0;
  mio.OnProgress = [&](TObject*, int p) { progress.push_back(p); };
  mio.OnFinishWork = [&](TObject*) { ++finishes; };
  mio.LoadFromStreamICO(&ms);
  ASSERT_EQ(grid.ImageCount(), 3);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(grid.Items[k]->Picture.Width(), 4 + k);
    EXPECT_EQ(grid.Items[k]->Delay, 100);
    EXPECT_EQ(mio.GetParams(k)->FileType, ioICO);
    EXPECT_EQ(mio.GetParams(k)->ICO_ImageIndex, k);
  }
  EXPECT_EQ(finishes, 1);
  EXPECT_EQ(progress, (std::vector<int>{0, 33, 66, 100}));
}

TEST_F(MIO, BadImageIsDeletedAndLoadingStops) {
  TMemoryStream ms;
  ms.WriteBuffer("ICOS\3", 5);
  TIEBitmap b;
  MakePattern(&b, 4, 2);
  WritePixels(&ms, &b);
  ms.WriteBuffer("junk", 4);  // the second image is damaged
  ms.SetPosition(0);
  int finishes = 0;
  mio.OnFinishWork = [&](TObject*) { ++finishes; };
  mio.LoadFromStreamICO(&ms);
  EXPECT_TRUE(mio.Aborting.load());
  EXPECT_EQ(grid.ImageCount(), 1);
  EXPECT_EQ(mio.GetParamsCount(), 1);
  EXPECT_EQ(finishes, 1);
  EXPECT_EQ(grid.Locks, 0);
}

TEST_F(MIO, MissingGridOrMissingFile) {
  TImageryMIO lone(nullptr);
  TMemoryStream ms;
  lone.LoadFromStreamICO(&ms);  // nothing without a grid
  lone.LoadFromFiles("a.jpg", false, true);
  EXPECT_EQ(lone.GetParamsCount(), 0);
  EXPECT_THROW(mio.LoadFromFileICO(Dir / "missing.ico"), EFOpenError);
  mio.LoadFromFile("   ");
  EXPECT_TRUE(mio.Aborting.load());
}
