// "Simulation": the fitting rules, the check of a template's rows, the order in which photos go
// into slots, and the drop on the template strip: the prepared photos, the spliced and patched
// "OK.swf", the refusal of damaged templates, and the movie shown afterwards.
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/simulation.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/db.h"
#include "platform/vcl/stdctrls.h"
#include "tools/swfwrite.h"
#include "windowtest.h"

using namespace apptest;
using namespace windowtest;

namespace {

// ---- the rules ----

struct TSimFitCase {
  int w, h, W, H;
  bool Exact;
  int ScaledWidth, ScaledHeight, Left, Top;
};

}  // namespace

TEST(SimulationFit, PhotosAreScaledToCoverTheSlotAndCroppedInTheMiddle) {
  const TSimFitCase cases[] = {
      {80, 60, 80, 60, true, 80, 60, 0, 0},        // the slot's size: nothing to do
      {160, 60, 80, 60, false, 160, 60, 40, 0},    // wider: slot height, cut left and right
      {300, 200, 100, 100, false, 150, 100, 25, 0},
      {80, 240, 80, 60, false, 80, 240, 0, 90},    // taller: slot width, cut top and bottom
      {200, 300, 100, 100, false, 100, 150, 0, 25},
      {40, 30, 80, 60, false, 80, 60, 0, 0},       // smaller, same shape: scaled up
      // Halves go to the even integer: 151 - 100 = 51 -> 25.5 -> 26; 153 -> 26.5 -> 26.
      {302, 200, 100, 100, false, 151, 100, 26, 0},
      {306, 200, 100, 100, false, 153, 100, 26, 0},
      // 301 x 0.5 = 150.5 -> 150.
      {301, 200, 100, 100, false, 150, 100, 25, 0},
      // The ratio 100 / 600 through 15 digits is 0.166666666666667, so 303 x r is just above
      // 50.5 and rounds to 51 (the exact half would go to 50); the crop then starts at 0.5 -> 0.
      {303, 600, 50, 100, false, 51, 100, 0, 0},
  };
  for (const TSimFitCase& c : cases) {
    const TSimFit f = SimFitPhoto(c.w, c.h, c.W, c.H);
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " into " +
                 std::to_string(c.W) + "x" + std::to_string(c.H));
    EXPECT_EQ(f.Exact, c.Exact);
    EXPECT_EQ(f.ScaledWidth, c.ScaledWidth);
    EXPECT_EQ(f.ScaledHeight, c.ScaledHeight);
    EXPECT_EQ(f.Left, c.Left);
    EXPECT_EQ(f.Top, c.Top);
  }
}

TEST(SimulationFit, RoundingAndRatioText) {
  EXPECT_EQ(SimRoundHalfEven(2.5), 2);
  EXPECT_EQ(SimRoundHalfEven(3.5), 4);
  EXPECT_EQ(SimRoundHalfEven(0.5), 0);
  EXPECT_EQ(SimRoundHalfEven(2.500001), 3);
  EXPECT_DOUBLE_EQ(SimRatio15(1.0 / 3.0), 0.333333333333333);
  EXPECT_DOUBLE_EQ(SimRatio15(1.0 / 6.0), 0.166666666666667);
  EXPECT_DOUBLE_EQ(SimRatio15(0.5), 0.5);
}

TEST(SimulationSlotSize, WidthXHeightIsReadAndAnythingElseRefused) {
  struct {
    const char* C;
    bool Ok;
    int W, H;
  } cases[] = {
      {"400x300", true, 400, 300},  {"80x60", true, 80, 60},     {"0x60", true, 0, 60},
      {"400X300", false, 0, 0},     {"400*300", false, 0, 0},    {"400", false, 0, 0},
      {"x300", false, 0, 0},        {"400x", false, 0, 0},       {"4a0x300", false, 0, 0},
      {"400x300x2", false, 0, 0},   {" 400x300", false, 0, 0},   {"400x300 ", false, 0, 0},
      {"", false, 0, 0},            {"99999999x2", false, 0, 0},
  };
  for (const auto& c : cases) {
    int W = -7, H = -7;
    EXPECT_EQ(SimParseSlotSize(c.C, W, H), c.Ok) << c.C;
    if (c.Ok) {
      EXPECT_EQ(std::make_pair(W, H), std::make_pair(c.W, c.H)) << c.C;
    }
  }
}

TEST(SimulationOrder, SlotsTakeTheListedPhotosThenRepeatFromTheFirst) {
  // Twelve photos listed as text: 0, 1, 10, 11, 2, 3, ... ; slot row 6 gets the sixth: "3.jpg".
  std::vector<std::string> listing = {"0.jpg", "1.jpg", "10.jpg", "11.jpg", "2.jpg", "3.jpg",
                                      "4.jpg", "5.jpg", "6.jpg",  "7.jpg",  "8.jpg", "9.jpg"};
  int q = 1;
  EXPECT_EQ(listing[static_cast<size_t>(SimPhotoForRow(6, 12, q))], "3.jpg");
  // Two photos, five slots: 1, 2, then 1, 2, 1 again.
  q = 1;
  std::vector<int> got;
  for (int r = 1; r <= 5; ++r) got.push_back(SimPhotoForRow(r, 2, q));
  EXPECT_EQ(got, (std::vector<int>{0, 1, 0, 1, 0}));
  // One photo fills every slot.
  q = 1;
  got.clear();
  for (int r = 1; r <= 4; ++r) got.push_back(SimPhotoForRow(r, 1, q));
  EXPECT_EQ(got, (std::vector<int>{0, 0, 0, 0}));
}

namespace {

// The rows of a good two-slot template: pieces of 20, 10 and 5 bytes, pictures of 100 and 50.
std::vector<TSimTemplateRow> SimGoodRows() {
  std::vector<TSimTemplateRow> rows(3);
  rows[0].A = "15";  // length field at 10 .. 13 of piece 0 (0 .. 19)
  rows[0].B = "100";
  rows[0].C = "80x60";
  rows[0].D = std::string(20, 'a');
  rows[1].A = "125";  // piece 1 is 120 .. 129; field at 120 .. 123
  rows[1].B = "50";
  rows[1].C = "80x60";
  rows[1].D = std::string(10, 'b');
  rows[2].D = std::string(5, 'c');
  return rows;
}

}  // namespace

TEST(SimulationTemplateCheck, DamagedRowsAreRefusedWithTheirRow) {
  {
    auto rows = SimGoodRows();
    EXPECT_NO_THROW(SimCheckTemplate(rows, "good.dll"));
    EXPECT_EQ(rows[1].Offset, 125);
    EXPECT_EQ(rows[1].PictureSize, 50);
  }
  struct {
    const char* What;
    size_t Row;
    std::string TSimTemplateRow::*Column;
    const char* Value;
    const char* Says;
  } cases[] = {
      {"a no number", 0, &TSimTemplateRow::A, "1x5", "row 1"},
      {"a with blanks", 1, &TSimTemplateRow::A, " 125", "row 2"},
      {"b no number", 1, &TSimTemplateRow::B, "fifty", "row 2"},
      {"b empty", 0, &TSimTemplateRow::B, "", "row 1"},
      {"b zero", 0, &TSimTemplateRow::B, "0", "row 1"},
      {"b negative", 1, &TSimTemplateRow::B, "-50", "row 2"},
      {"c without x", 0, &TSimTemplateRow::C, "80-60", "row 1"},
      {"c empty on a slot", 1, &TSimTemplateRow::C, "", "row 2"},
      {"c zero width", 0, &TSimTemplateRow::C, "0x60", "row 1"},
      {"c negative height", 1, &TSimTemplateRow::C, "80x-60", "row 2"},
      {"offset beyond the file", 1, &TSimTemplateRow::A, "99999", "row 2"},
      {"offset in the picture before", 1, &TSimTemplateRow::A, "60", "row 2"},
      {"offset in the header", 0, &TSimTemplateRow::A, "9", "row 1"},
      {"offset negative", 0, &TSimTemplateRow::A, "-4", "row 1"},
      {"closing piece with a slot", 2, &TSimTemplateRow::A, "140", "row 3"},
  };
  for (const auto& c : cases) {
    auto rows = SimGoodRows();
    rows[c.Row].*c.Column = c.Value;
    try {
      SimCheckTemplate(rows, "bad.dll");
      ADD_FAILURE() << c.What << " was accepted";
    } catch (const ESimulationError& E) {
      EXPECT_NE(E.Message().find("bad.dll"), std::string::npos) << c.What;
      EXPECT_NE(E.Message().find(c.Says), std::string::npos) << c.What << ": " << E.Message();
    }
  }
  std::vector<TSimTemplateRow> none;
  EXPECT_THROW(SimCheckTemplate(none, "empty.dll"), ESimulationError);
}

namespace {

// ---- the drop ----

// A slot picture of W x H for a template movie.
std::string SimJpegBytes(const std::string& Scratch, int W, int H, TColor Color) {
  WriteJpeg(Scratch, W, H, Color);
  return ReadFile(Scratch);
}

uint32_t SimU32(const std::string& S, size_t At) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(S[At + static_cast<size_t>(i)]);
  return v;
}

class SimulationTest : public ShootWindow {
protected:
  void SetUp() override {
    ShootWindow::SetUp();
    std::filesystem::copy_file(ShippedDir() + "xiaoguomulu.dll", Prog + "xiaoguomulu.dll");
    std::filesystem::create_directories(Prog + "xiaoguotu");
    Schema = ReadFile(SourceDir() + "/data/xiaoguotu.sql");
    ASSERT_FALSE(Schema.empty());
    Shown = 0;
    ShowSimulationMovie = [this](TFormSeeMain* Owner) {
      EXPECT_EQ(Owner, Form);
      ++Shown;
      ShownMovie = ReadFile(Prog + "OK.swf");
    };
  }
  void TearDown() override {
    ShowSimulationMovie = nullptr;
    ShootWindow::TearDown();
  }
  // A template movie with Slots slots of W x H, written as xiaoguotu/<File>.
  TSwfTemplate AddTemplate(const std::string& File, int Slots, int W, int H) {
    TSwfMovieLayout layout;
    layout.Width = 400;
    layout.Height = 300;
    layout.FrameCount = 4;
    layout.SlotWidth = W;
    layout.SlotHeight = H;
    for (int k = 0; k < Slots; ++k)
      layout.Slots.push_back({10 * k, 10 * k, SimJpegBytes(Root + "/slot.jpg", W, H, clGray)});
    TSwfTemplate t = SwfBuildTemplate(layout);
    WriteRows(File, t.Rows);
    return t;
  }
  void WriteRows(const std::string& File, const std::vector<TSwfTemplateRow>& Rows) {
    std::string error;
    ASSERT_TRUE(SwfWriteTemplateDatabase(Prog + "xiaoguotu/" + File, Schema, Rows, error)) << error;
  }
  // The template catalog: one row per file, with a small preview picture.
  void SetCatalog(const std::vector<std::string>& Files) {
    auto c = Open(Prog + "xiaoguomulu.dll");
    c->Execute("delete from xiaoguo");
    TADOQuery q;
    q.SetConnection(c.get());
    q.SetSQLText("select * from xiaoguo");
    q.Open();
    for (const std::string& f : Files) {
      q.Append();
      static_cast<TBlobField*>(q.FieldByName("pic"))
          ->SetAsBytes(SimJpegBytes(Root + "/preview.jpg", 60, 45, clTeal));
      q.FieldByName("wenjian")->SetAsString(f);
      q.Post();
    }
  }
  // Opens the strip (first press of "Simulation").
  void OpenStrip() {
    Form->Button1Click(nullptr);
    Application()->ProcessMessages();
  }
  // A point of the strip over thumbnail Index (-1: over no thumbnail).
  POINT StripPoint(int Index) {
    for (int y = 2; y < Form->ImageryMView3->ClientHeight(); y += 4)
      for (int x = 2; x < Form->ImageryMView3->ClientWidth(); x += 4)
        if (GridImageAtPos(Form->ImageryMView3, x, y) == Index) return POINT{x, y};
    ADD_FAILURE() << "no point over " << Index;
    return POINT{0, 0};
  }
  // Drops the grid's selection on the strip at thumbnail Index (-1: on empty space).
  void Drop(int Index) {
    const POINT p = StripPoint(Index);
    TMessageBoxes boxes;
    Form->ImageryMView3DragDrop(Form->ImageryMView3, Form->ImageryMView1, p.x, p.y);
    Application()->ProcessMessages();
    Boxes = boxes.Texts;
  }
  // Selects template Index and drops on empty space of the strip (the strip may show fewer
  // thumbnails than it holds).
  void DropOnTemplate(int Index) {
    GridSetSelectedImage(Form->ImageryMView3, Index);
    Drop(-1);
  }
  // Scratch rows of the catalog: indexid -> photo path.
  std::vector<std::pair<int, std::string>> Scratch() {
    auto c = Open(Prog + "xiaoguomulu.dll");
    TADOQuery q;
    q.SetConnection(c.get());
    q.SetSQLText("select * from pic order by indexid");
    q.Open();
    std::vector<std::pair<int, std::string>> out;
    for (; !q.Eof(); q.Next())
      out.emplace_back(q.FieldByName("indexid")->AsInteger(), q.FieldByName("pic")->AsString());
    return out;
  }
  std::vector<std::string> PhotoFolder() {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(Prog + "photo"))
      out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  // The movie the splice must give: each piece followed by its photo, the slot lengths and
  // the header length patched.
  static std::string Expected(const TSwfTemplate& T, const std::vector<std::string>& Photos) {
    std::string m;
    for (size_t r = 0; r < T.Rows.size(); ++r) {
      m += T.Rows[r].D;
      if (T.Rows[r].A.empty()) continue;
      const std::string& p = Photos[r];
      const uint32_t len = static_cast<uint32_t>(p.size() + 2);
      for (int i = 0; i < 4; ++i) m[m.size() - 6 + static_cast<size_t>(i)] = static_cast<char>((len >> (8 * i)) & 0xFF);
      m += p;
    }
    for (int i = 0; i < 4; ++i) m[4 + static_cast<size_t>(i)] = static_cast<char>((m.size() >> (8 * i)) & 0xFF);
    return m;
  }

  std::string Schema;
  std::vector<std::string> Boxes;
  int Shown = 0;
  std::string ShownMovie;
};

}  // namespace

TEST_F(SimulationTest, TheButtonTogglesTheStripLoadedOnceFromTheCatalog) {
  AddTemplate("one.dll", 1, 80, 60);
  AddTemplate("two.dll", 2, 80, 60);
  SetCatalog({"one.dll", "two.dll"});
  OpenShoot(2);
  EXPECT_FALSE(Form->panel2aa->Visible());
  OpenStrip();
  EXPECT_TRUE(Form->panel2aa->Visible());
  EXPECT_EQ(Form->panel2aa->Caption(), "drag photos Thumbnail  over here");
  EXPECT_EQ(Form->panel2aa->Left(), (Screen()->Width() - Form->panel2aa->Width()) / 2);
  EXPECT_EQ(Form->panel2aa->Top(), (Screen()->Height() - Form->panel2aa->Height()) / 2 + 100);
  ASSERT_EQ(GridImageCount(Form->ImageryMView3), 2);
  EXPECT_EQ(GridCaption(Form->ImageryMView3, 0).Text, "one.dll");
  EXPECT_EQ(GridCaption(Form->ImageryMView3, 1).Text, "two.dll");
  EXPECT_EQ(GridSelectedImage(Form->ImageryMView3), 0);
  Form->Button1Click(nullptr);
  EXPECT_FALSE(Form->panel2aa->Visible());
  // A second opening does not load the strip again.
  OpenStrip();
  EXPECT_TRUE(Form->panel2aa->Visible());
  EXPECT_EQ(GridImageCount(Form->ImageryMView3), 2);
}

TEST_F(SimulationTest, TheSplicedMovieHoldsEveryPieceAndPhotoWithPatchedLengths) {
  const TSwfTemplate t = AddTemplate("three.dll", 3, 80, 60);
  SetCatalog({"three.dll"});
  OpenShoot(3, 80, 60);
  GridSelectAll(Form->ImageryMView1);
  OpenStrip();
  Drop(0);
  EXPECT_TRUE(Boxes.empty()) << Boxes[0];
  ASSERT_EQ(Shown, 1);
  EXPECT_EQ(PhotoFolder(), (std::vector<std::string>{"0.jpg", "1.jpg", "2.jpg"}));
  const std::string movie = ReadFile(Prog + "OK.swf");
  EXPECT_EQ(movie, ShownMovie);
  std::vector<std::string> photos;
  for (int i = 0; i < 3; ++i) photos.push_back(ReadFile(Prog + "photo/" + std::to_string(i) + ".jpg"));
  photos.push_back("");
  EXPECT_EQ(movie, Expected(t, photos));
  EXPECT_EQ(SimU32(movie, 4), movie.size());
  // The movie reads as a whole: every tag within it and the End tag last; each picture tag is
  // the character id followed by its photo.
  std::vector<TSwfTag> tags;
  std::string error;
  ASSERT_TRUE(SwfListTags(movie, tags, error)) << error;
  std::vector<std::string> pictures;
  for (const TSwfTag& tag : tags)
    if (tag.Code == 21) pictures.push_back(movie.substr(tag.BodyOffset + 2, tag.Length - 2));
  EXPECT_EQ(pictures, std::vector<std::string>(photos.begin(), photos.end() - 1));
  // The scratch table names the photo of each slot row.
  const auto scratch = Scratch();
  ASSERT_EQ(scratch.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(scratch[static_cast<size_t>(k)].first, k);
    EXPECT_EQ(scratch[static_cast<size_t>(k)].second, Prog + "photo/" + std::to_string(k) + ".jpg");
  }
  EXPECT_EQ(ReadFile(Prog + "temp.swf"), t.Rows.back().D);
}

TEST_F(SimulationTest, APhotoOfTheSlotSizeIsSavedUnchanged) {
  AddTemplate("one.dll", 1, 80, 60);
  SetCatalog({"one.dll"});
  OpenShoot(1, 80, 60);
  GridSelectAll(Form->ImageryMView1);
  OpenStrip();
  Drop(0);
  EXPECT_EQ(ReadFile(Prog + "photo/0.jpg"), ReadFile(Photo(0)));
  EXPECT_EQ(Shown, 1);
}

TEST_F(SimulationTest, WiderAndTallerPhotosAreScaledAndCroppedEquallyOnBothSides) {
  AddTemplate("one.dll", 1, 80, 60);
  SetCatalog({"one.dll"});
  struct {
    int W, H;     // photo
    int DX, DY;   // where the slot's top-left lies in the photo (scale 1)
  } cases[] = {{160, 60, 40, 0}, {80, 240, 0, 90}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.W) + "x" + std::to_string(c.H));
    delete Form;
    Form = nullptr;
    std::filesystem::remove_all(Root + "/shoots");
    OpenShoot(1, c.W, c.H);
    GridSelectAll(Form->ImageryMView1);
    OpenStrip();
    Drop(0);
    ASSERT_EQ(JpegSize(Prog + "photo/0.jpg"), std::make_pair(80, 60));
    // The kept part is the middle of the photo: compare with the photo at the crop offset.
    TIEBitmap src, got;
    for (auto [b, f] : {std::pair{&src, Photo(0)}, std::pair{&got, Prog + "photo/0.jpg"}}) {
      TImageryIO io(nullptr);
      io.AttachBitmap(b);
      io.LoadFromFile(f);
    }
    auto diff = [&](int DX, int DY) {
      long sum = 0;
      for (int y = 0; y < 60; y += 3)
        for (int x = 0; x < 80; x += 3) {
          auto* a = reinterpret_cast<TIERGBPixel*>(got.Scanline(y)) + x;
          auto* e = reinterpret_cast<TIERGBPixel*>(src.Scanline(y + DY)) + x + DX;
          sum += std::abs(a->r - e->r) + std::abs(a->g - e->g) + std::abs(a->b - e->b);
        }
      return sum / (27 * 20);
    };
    EXPECT_LT(diff(c.DX, c.DY), 8);
    EXPECT_GT(diff(0, 0), 20);  // the uncut corner (with its white mark) is gone
  }
}

TEST_F(SimulationTest, TwelvePhotosFillTheSlotsInListingOrderThenRepeat) {
  const TSwfTemplate t = AddTemplate("many.dll", 14, 16, 12);
  SetCatalog({"many.dll"});
  OpenShoot(12, 16, 12);
  GridSelectAll(Form->ImageryMView1);
  OpenStrip();
  Drop(0);
  EXPECT_TRUE(Boxes.empty());
  const auto scratch = Scratch();
  ASSERT_EQ(scratch.size(), 14u);
  const char* want[] = {"0",  "1", "10", "11", "2", "3", "4",
                        "5",  "6", "7",  "8",  "9", "0", "1"};
  for (size_t k = 0; k < 14; ++k)
    EXPECT_EQ(scratch[k].second, Prog + "photo/" + want[k] + ".jpg") << "slot " << k;
  std::vector<std::string> photos;
  for (const char* w : want) photos.push_back(ReadFile(Prog + "photo/" + w + ".jpg"));
  photos.push_back("");
  EXPECT_EQ(ReadFile(Prog + "OK.swf"), Expected(t, photos));
}

TEST_F(SimulationTest, AFirstRowWithoutSizeLeavesThePhotoFolderEmpty) {
  // A movie without slots: the first row is a piece with no size, the second the rest.
  TSwfMovieLayout layout;
  layout.FrameCount = 2;
  const TSwfTemplate whole = SwfBuildTemplate(layout);
  std::vector<TSwfTemplateRow> rows(2);
  rows[0].D = whole.Movie.substr(0, 30);
  rows[1].D = whole.Movie.substr(30);
  WriteRows("plain.dll", rows);
  SetCatalog({"plain.dll"});
  OpenShoot(2, 80, 60);
  std::filesystem::create_directories(Prog + "photo");
  WriteFile(Prog + "photo/old.jpg", "old");
  GridSelectAll(Form->ImageryMView1);
  OpenStrip();
  Drop(0);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_TRUE(PhotoFolder().empty());
  EXPECT_EQ(ReadFile(Prog + "OK.swf"), whole.Movie);
  EXPECT_EQ(Shown, 1);
}

TEST_F(SimulationTest, SlotsWithoutAnyFittedPhotoAreReportedAndNothingIsShown) {
  // The first row has no size, so no photo is fitted, yet the second row has a slot.
  TSwfTemplate t = AddTemplate("odd.dll", 1, 80, 60);
  std::vector<TSwfTemplateRow> rows;
  rows.push_back({"", "", "", t.Rows[0].D.substr(0, 20)});
  TSwfTemplateRow slot = t.Rows[0];
  slot.D = t.Rows[0].D.substr(20);
  rows.push_back(slot);
  rows.push_back(t.Rows[1]);
  WriteRows("odd.dll", rows);
  SetCatalog({"odd.dll"});
  OpenShoot(1, 80, 60);
  GridSelectAll(Form->ImageryMView1);
  OpenStrip();
  Drop(0);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_NE(Boxes[0].find("No photo could be fitted"), std::string::npos) << Boxes[0];
  EXPECT_EQ(Shown, 0);
  EXPECT_FALSE(std::filesystem::exists(Prog + "OK.swf"));
}

TEST_F(SimulationTest, ADropOnEmptyStripSpaceUsesTheTemplateSelectedBefore) {
  AddTemplate("one.dll", 1, 80, 60);
  const TSwfTemplate two = AddTemplate("two.dll", 2, 80, 60);
  SetCatalog({"one.dll", "two.dll"});
  OpenShoot(1, 80, 60);
  GridSelectAll(Form->ImageryMView1);
  OpenStrip();
  Drop(1);
  EXPECT_EQ(GridSelectedImage(Form->ImageryMView3), 1);
  ASSERT_EQ(Shown, 1);
  std::filesystem::remove(Prog + "OK.swf");
  Drop(-1);
  EXPECT_EQ(GridSelectedImage(Form->ImageryMView3), 1);
  ASSERT_EQ(Shown, 2);
  const std::string photo = ReadFile(Prog + "photo/0.jpg");
  EXPECT_EQ(ReadFile(Prog + "OK.swf"), Expected(two, {photo, photo, ""}));
}

TEST_F(SimulationTest, NothingHappensWithoutASelectionOrTemplateFile) {
  AddTemplate("one.dll", 1, 80, 60);
  SetCatalog({"one.dll", "missing.dll"});
  OpenShoot(1, 80, 60);
  OpenStrip();
  // A missing template database.
  GridSelectAll(Form->ImageryMView1);
  DropOnTemplate(1);
  EXPECT_TRUE(Boxes.empty());
  EXPECT_EQ(Shown, 0);
  EXPECT_FALSE(std::filesystem::exists(Prog + "photo"));
  EXPECT_FALSE(std::filesystem::exists(Prog + "OK.swf"));
}

TEST_F(SimulationTest, ADamagedTemplateIsRefusedBeforeAnythingIsWritten) {
  const TSwfTemplate good = AddTemplate("good.dll", 2, 80, 60);
  struct {
    const char* What;
    size_t Row;
    std::string TSwfTemplateRow::*Column;
    std::string Value;
  } cases[] = {
      {"a is no number", 0, &TSwfTemplateRow::A, "abc"},
      {"b is no number", 1, &TSwfTemplateRow::B, "big"},
      {"c has no x", 0, &TSwfTemplateRow::C, "80by60"},
      {"offset beyond the file", 1, &TSwfTemplateRow::A, "900000"},
      {"zero picture size", 0, &TSwfTemplateRow::B, "0"},
      {"negative slot height", 1, &TSwfTemplateRow::C, "80x-60"},
  };
  std::vector<std::string> files;
  for (size_t i = 0; i < std::size(cases); ++i) {
    std::vector<TSwfTemplateRow> rows = good.Rows;
    rows[cases[i].Row].*cases[i].Column = cases[i].Value;
    files.push_back("bad" + std::to_string(i) + ".dll");
    WriteRows(files.back(), rows);
  }
  SetCatalog(files);
  OpenShoot(1, 80, 60);
  std::filesystem::create_directories(Prog + "photo");
  WriteFile(Prog + "photo/keep.jpg", "keep");
  WriteFile(Prog + "OK.swf", "previous");
  GridSelectAll(Form->ImageryMView1);
  OpenStrip();
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].What);
    DropOnTemplate(static_cast<int>(i));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_NE(Boxes[0].find("The template " + files[i] + " is damaged"), std::string::npos)
        << Boxes[0];
    EXPECT_EQ(Shown, 0);
    EXPECT_EQ(PhotoFolder(), std::vector<std::string>{"keep.jpg"});
    EXPECT_EQ(ReadFile(Prog + "OK.swf"), "previous");
  }
}

TEST_F(SimulationTest, APhotoThatCannotBeReadIsReportedAndNoMovieIsShown) {
  AddTemplate("one.dll", 1, 80, 60);
  SetCatalog({"one.dll"});
  OpenShoot(2, 80, 60);
  WriteFile(Photo(1), "no picture");
  GridSelectAll(Form->ImageryMView1);
  OpenStrip();
  Drop(0);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_NE(Boxes[0].find(Photo(1)), std::string::npos) << Boxes[0];
  EXPECT_EQ(Shown, 0);
  EXPECT_FALSE(std::filesystem::exists(Prog + "OK.swf"));
}

TEST_F(SimulationTest, APhotoFolderThatCannotBeEmptiedIsToldAndTheWorkGoesOn) {
  AddTemplate("one.dll", 1, 80, 60);
  SetCatalog({"one.dll"});
  OpenShoot(1, 80, 60);
  // A file named like the photo folder: the folder cannot be made.
  WriteFile(Prog + "photo", "in the way");
  GridSelectAll(Form->ImageryMView1);
  OpenStrip();
  Drop(0);
  ASSERT_GE(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0], "\xE5\x88\xA0\xE9\x99\xA4\xE5\xA4\xB1\xE8\xB4\xA5\xEF\xBC\x81");
  EXPECT_EQ(Shown, 0);
}

TEST_F(SimulationTest, TheShippedSampleTemplatesMakePlayableMovies) {
  std::filesystem::copy(ShippedDir() + "xiaoguotu", Prog + "xiaoguotu",
                        std::filesystem::copy_options::overwrite_existing |
                            std::filesystem::copy_options::recursive);
  OpenShoot(3, 120, 90);
  GridSelectAll(Form->ImageryMView1);
  OpenStrip();
  const int count = GridImageCount(Form->ImageryMView3);
  ASSERT_GE(count, 2);
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(GridCaption(Form->ImageryMView3, i).Text);
    DropOnTemplate(i);
    EXPECT_TRUE(Boxes.empty());
    ASSERT_EQ(Shown, i + 1);
    std::vector<TSwfTag> tags;
    std::string error;
    EXPECT_TRUE(SwfListTags(ShownMovie, tags, error)) << error;
  }
}

TEST_F(SimulationTest, MovingWithTheLeftButtonHeldDragsTheGridUntilTheDragEnds) {
  OpenShoot(2, 80, 60);
  Form->ImageryMView1MouseMove(Form->ImageryMView1, TShiftState{}, 5, 5);
  EXPECT_FALSE(Form->ImageryMView1->Dragging());
  Form->ImageryMView1MouseMove(Form->ImageryMView1, TShiftState{ssLeft}, 5, 5);
  EXPECT_TRUE(Form->ImageryMView1->Dragging());
  bool accept = false;
  Form->ImageryMView3DragOver(Form->ImageryMView3, Form->ImageryMView1, 1, 1, dsDragMove, accept);
  EXPECT_TRUE(accept);
  Form->ImageryMView1->EndDrag(false);
  Application()->ProcessMessages();
  EXPECT_FALSE(Form->ImageryMView1->Dragging());
}
