// Commands that change the photo files of a shoot: batch rename with the catalog rows following,
// and rotation on disk.
#include <algorithm>

#include "app/maincontrols.h"
#include "app/renamedialog.h"
#include "app/seemain.h"
#include "apptest.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/inifiles.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/stdctrls.h"

using namespace apptest;

namespace {

class PhotoFilesTest : public AppFolder {
protected:
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    AppFolder::TearDown();
  }
  void Create(const std::string& Shoot) {
    Form = new TFormSeeMain(nullptr);
    Form->SetCommandLine({Shoot + "/"});
    Form->FinishCreate();
    Form->Show();
    Application()->ProcessMessages();
  }
  void AddRows(const std::string& Shoot, const std::vector<std::string>& Names) {
    auto c = Open(Shoot + "/ImageTag.dll");
    for (const std::string& n : Names) c->Execute("insert into pic (fname) values ('" + n + "')");
  }
  std::vector<std::string> CatalogNames(const std::string& Shoot) {
    auto c = Open(Shoot + "/ImageTag.dll");
    return Column(c.get(), "select * from pic order by id", "fname");
  }
  // Renames through the dialog with the listed names.
  void Rename(const std::string& Shoot, const std::vector<std::string>& List,
              const std::string& Prefix = "") {
    TFormRename dialog(nullptr, Form->ADOConnection1, Shoot);
    for (const std::string& n : List) dialog.lbb->Items()->Add(n);
    if (!Prefix.empty()) {
      dialog.RB2->SetChecked(true);
      dialog.RB2Click(nullptr);
      dialog.Edit1->SetText(Prefix);
    }
    dialog.Button1Click(nullptr);
  }
  static std::vector<std::string> Files(const std::string& Folder) {
    std::vector<std::string> e;
    for (const auto& d : std::filesystem::directory_iterator(Folder)) {
      std::string n = d.path().filename().string();
      if (n != "ImageTag.dll") e.push_back(n);
    }
    std::sort(e.begin(), e.end());
    return e;
  }

  TFormSeeMain* Form = nullptr;
};

}  // namespace

TEST_F(PhotoFilesTest, RenameNumbersInListOrderAndTheRowsFollow) {
  const std::string shoot = MakeShoot("80013578-John", {"a.jpg", "b.jpg", "c.jpg"});
  for (const char* n : {"a", "b", "c"}) WriteFile(shoot + "/" + n + ".jpg", n);
  Create(shoot);
  AddRows(shoot, {"a.jpg", "c.jpg", "c.jpg"});
  Rename(shoot, {"c.jpg", "a.jpg", "b.jpg"});
  EXPECT_EQ(Files(shoot), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
  EXPECT_EQ(ReadFile(shoot + "/1.jpg"), "c");
  EXPECT_EQ(ReadFile(shoot + "/2.jpg"), "a");
  EXPECT_EQ(ReadFile(shoot + "/3.jpg"), "b");
  EXPECT_EQ(CatalogNames(shoot), (std::vector<std::string>{"2.jpg", "1.jpg", "1.jpg"}));
  // With a prefix.
  Rename(shoot, {"3.jpg", "2.jpg"}, "john#");
  EXPECT_EQ(Files(shoot), (std::vector<std::string>{"1.jpg", "john#1.jpg", "john#2.jpg"}));
  EXPECT_EQ(ReadFile(shoot + "/john#1.jpg"), "b");
  EXPECT_EQ(CatalogNames(shoot), (std::vector<std::string>{"john#2.jpg", "1.jpg", "1.jpg"}));
}

TEST_F(PhotoFilesTest, RenameOntoAnExistingNameChangesNothing) {
  const std::string shoot = MakeShoot("80013578-John", {"a.jpg", "b.jpg", "2.JPG", "x1.jpg"});
  Create(shoot);
  AddRows(shoot, {"a.jpg", "b.jpg"});
  const auto before = Files(shoot);
  struct TCase {
    std::vector<std::string> List;
    std::string Prefix;
    size_t Messages;
  };
  const std::vector<TCase> cases = {
      {{"a.jpg", "b.jpg"}, "", 1},   // 2.jpg would meet 2.JPG
      {{"3.jpg", "a.jpg"}, "", 0},   // a listed 3.jpg: refused silently
      {{"a.jpg"}, "x", 1},           // x1.jpg exists
      {{"x1.jpg"}, "x", 0},          // prefix + 1.jpg listed: refused silently
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TMessageBoxes boxes;
    Rename(shoot, cases[i].List, cases[i].Prefix);
    Application()->ProcessMessages();
    EXPECT_EQ(boxes.Texts.size(), cases[i].Messages) << i;
    EXPECT_EQ(Files(shoot), before) << i;
    EXPECT_EQ(CatalogNames(shoot), (std::vector<std::string>{"a.jpg", "b.jpg"})) << i;
  }
  // A prefix that would leave the folder is refused.
  TMessageBoxes boxes;
  Rename(shoot, {"a.jpg"}, "../");
  EXPECT_EQ(boxes.Texts.size(), 1u);
  EXPECT_EQ(Files(shoot), before);
  EXPECT_FALSE(FileExists(Root + "/shoots/1.jpg"));
}

TEST_F(PhotoFilesTest, RenameCommandListsTheSelectionAndReloads) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(3));
  Create(shoot);
  GridSelectAll(Form->ImageryMView1);
  Later([&] {
    auto* dialog = dynamic_cast<TFormRename*>(Screen()->ActiveForm());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->lbb->Items()->ToVector(),
              (std::vector<std::string>{"IMG_0001.jpg", "IMG_0002.jpg", "IMG_0003.jpg"}));
    EXPECT_EQ(dialog->Caption(), "\xE9\x87\x8D\xE5\x91\xBD\xE5\x90\x8D");
    EXPECT_TRUE(dialog->RB1->Checked());
    EXPECT_FALSE(dialog->Edit1->Enabled());
    EXPECT_EQ(dialog->Edit1->Text(), "john#");
    dialog->Button1Click(nullptr);
  });
  Form->N28Click(nullptr);
  EXPECT_EQ(Form->ListBox1->Items()->ToVector(),
            (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
  EXPECT_EQ(BareName(GridImageFileName(Form->ImageryMView1, 2)), "3.jpg");
}

namespace {

// A W x H JPEG: the left third red, the rest blue, the top rows green, with EXIF data (the
// given orientation and a thumbnail).
void MakePhoto(const std::string& Path, int W, int H, int Orientation) {
  TIEBitmap b;
  b.Allocate(W, H, ie24RGB);
  for (int y = 0; y < H; ++y) {
    auto* row = static_cast<TIERGBPixel*>(b.GetScanline(y));
    for (int x = 0; x < W; ++x) {
      if (y < H / 4)
        row[x] = TIERGBPixel{0, 255, 0};
      else if (x < W / 3)
        row[x] = TIERGBPixel{0, 0, 255};
      else
        row[x] = TIERGBPixel{255, 0, 0};
    }
  }
  TImageryIO io(nullptr);
  io.AttachBitmap(&b);
  io.Params->EXIF_HasEXIFData = true;
  io.Params->EXIF_Make = "Test";
  io.Params->SetEXIF_Orientation(Orientation);
  TIEBitmap* thumb = io.Params->EnsureEXIFBitmap();
  thumb->Allocate(W / 4, H / 4, ie24RGB);
  thumb->Fill(0x808080);
  io.Params->JPEG_Quality = 95;
  io.SaveToFileJpeg(Path);
}

struct TPhotoInfo {
  int Width = 0, Height = 0, Orientation = 0, ThumbWidth = 0, ThumbHeight = 0;
  TIERGBPixel TopLeft{}, BottomLeft{};
};

TPhotoInfo ReadPhoto(const std::string& Path) {
  TIEBitmap b;
  TImageryIO io(nullptr);
  io.AttachBitmap(&b);
  io.Params->JPEG_GetExifThumbnail = false;
  io.LoadFromFile(Path);
  TPhotoInfo i;
  i.Width = b.Width();
  i.Height = b.Height();
  i.Orientation = io.Params->EXIF_Orientation;
  if (io.Params->EXIF_Bitmap) {
    i.ThumbWidth = io.Params->EXIF_Bitmap->Width();
    i.ThumbHeight = io.Params->EXIF_Bitmap->Height();
  }
  i.TopLeft = static_cast<TIERGBPixel*>(b.GetScanline(2))[2];
  i.BottomLeft = static_cast<TIERGBPixel*>(b.GetScanline(b.Height() - 3))[2];
  return i;
}

// The first value of the photo's first quantisation table (not of the EXIF thumbnail inside
// APP1): 16 at quality 50, 27 at 30, 2 at 95.
int FirstQuantValue(const std::string& Path) {
  const std::string d = ReadFile(Path);
  auto byte = [&](size_t i) { return static_cast<unsigned char>(d[i]); };
  size_t i = 2;  // after SOI
  while (i + 4 < d.size() && byte(i) == 0xFF) {
    const int type = byte(i + 1);
    const size_t length = byte(i + 2) * 256 + byte(i + 3);
    if (type == 0xDB) return byte(i + 5);
    if (type == 0xDA) break;
    i += 2 + length;
  }
  return -1;
}

}  // namespace

TEST_F(PhotoFilesTest, RotationTurnsThePhotoOnDiskWithFittingExif) {
  const std::string shoot = MakeShoot("80013578-John", {});
  MakePhoto(shoot + "/IMG_0001.jpg", 96, 64, 1);
  // Stored sideways: orientation 6 asks for a clockwise turn to stand upright.
  MakePhoto(shoot + "/IMG_0002.jpg", 96, 64, 6);
  Create(shoot);
  GridSetSelectedImage(Form->ImageryMView1, 0);
  Form->N11Click(nullptr);  // clockwise
  TPhotoInfo p = ReadPhoto(shoot + "/IMG_0001.jpg");
  EXPECT_EQ(p.Width, 64);
  EXPECT_EQ(p.Height, 96);
  EXPECT_EQ(p.Orientation, 1);
  // The thumbnail is upright too.
  EXPECT_EQ(p.ThumbHeight, 160);
  EXPECT_NEAR(p.ThumbWidth, 107, 1);
  // Clockwise: the green top edge is now on the right, the red left third at the top.
  EXPECT_GT(p.TopLeft.r, 200);
  EXPECT_LT(p.TopLeft.g, 60);
  EXPECT_GT(p.BottomLeft.b, 200);
  EXPECT_EQ(FirstQuantValue(shoot + "/IMG_0001.jpg"), 16);  // "ys" absent: quality 50
  EXPECT_EQ(Form->pb->Position(), 0);
  EXPECT_TRUE(Form->ImageryMView1->Enabled());
  EXPECT_TRUE(Form->skinp1->Enabled());
  // Four quarter turns, either way, give the original size and orientation.
  for (int i = 0; i < 3; ++i) Form->N11Click(nullptr);
  p = ReadPhoto(shoot + "/IMG_0001.jpg");
  EXPECT_EQ(p.Width, 96);
  EXPECT_EQ(p.Height, 64);
  EXPECT_GT(p.TopLeft.g, 200);
  EXPECT_GT(p.BottomLeft.r, 200);
  for (int i = 0; i < 4; ++i) Form->N12Click(nullptr);
  p = ReadPhoto(shoot + "/IMG_0001.jpg");
  EXPECT_EQ(p.Width, 96);
  EXPECT_EQ(p.Height, 64);
  EXPECT_EQ(p.Orientation, 1);
  EXPECT_GT(p.TopLeft.g, 200);
  EXPECT_GT(p.BottomLeft.r, 200);

  // The sideways photo is first stood upright, then turned, at the quality of "ys".
  Form->SettingsFile()->WriteInteger("Options", "ys", 30);
  GridSetSelectedImage(Form->ImageryMView1, 1);
  Form->N12Click(nullptr);  // counter-clockwise back to how it was stored
  p = ReadPhoto(shoot + "/IMG_0002.jpg");
  EXPECT_EQ(p.Width, 96);
  EXPECT_EQ(p.Height, 64);
  EXPECT_EQ(p.Orientation, 1);
  EXPECT_GT(p.TopLeft.g, 200);
  EXPECT_EQ(FirstQuantValue(shoot + "/IMG_0002.jpg"), 27);
}

TEST_F(PhotoFilesTest, ARotationThatFailsIsToldAndLeavesTheWindowUsable) {
  const std::string shoot = MakeShoot("80013578-John", {"IMG_0001.jpg"});  // not a JPEG
  Create(shoot);
  GridSelectAll(Form->ImageryMView1);
  TMessageBoxes boxes;
  Form->N11Click(nullptr);
  EXPECT_EQ(boxes.Texts.size(), 1u);
  EXPECT_EQ(ReadFile(shoot + "/IMG_0001.jpg"), "jpeg");
  EXPECT_TRUE(Form->ImageryMView1->Enabled());
  EXPECT_TRUE(Form->skinp1->Enabled());
  EXPECT_EQ(Form->pb->Position(), 0);
}
