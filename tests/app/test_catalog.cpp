// The photo catalog and pick model: names, requirement texts, captions from the rows, the pick
// and requirement commands, the view-list statements, the settings database, the catalog's
// copy into a shoot folder, and the display orders.
#include <sys/stat.h>

#include <algorithm>
#include <set>

#include "apptest.h"

using namespace apptest;

namespace {

class CatalogRules : public AppFolder {
protected:
  void SetUp() override {
    AppFolder::SetUp();
    Shoot = MakeShoot("80013578-John", Numbered(3));
    PrepareCatalog(Shoot, Prog);
    OpenCatalog(&Catalog, Shoot);
    Query.SetConnection(&Catalog);
    Command.SetConnection(&Catalog);
  }
  void TearDown() override {
    Query.Close();
    Catalog.Close();
    AppFolder::TearDown();
  }
  // Adds a catalog row: a bare pick when Dalei is null.
  void Row(const std::string& Name, const char* Dalei) {
    TADOQuery q;
    q.SetConnection(&Catalog);
    q.SetSQLText(kSqlAllPic);
    q.Open();
    q.Append();
    q.FieldByName("fname")->SetAsString(Name);
    if (Dalei) {
      q.FieldByName("dalei")->SetAsString(Dalei);
      q.FieldByName("yongtu")->SetAsString(RequirementText({Dalei, "1", "5x7", ""}));
    }
    q.Post();
  }
  std::vector<std::string> Rows(const std::string& Name, const char* Col) {
    return Column(&Catalog, "select * from pic where fname='" + Name + "' order by id", Col);
  }
  bool IsNull(const std::string& Name, const char* Col) {
    TADOQuery q;
    q.SetConnection(&Catalog);
    q.SetSQLText("select * from pic where fname='" + Name + "' order by id");
    q.Open();
    return q.FieldByName(Col)->IsNull();
  }

  std::string Shoot;
  TADOConnection Catalog;
  TADOQuery Query;
  TADOCommand Command;
};

class CatalogFiles : public AppFolder {};

}  // namespace

TEST(CatalogNames, BareNameDropsTheFolderAndTheFrameNumber) {
  const struct {
    const char* entry;
    const char* name;
  } cases[] = {{"/shoot/80013578-John/IMG_0001.jpg::0", "IMG_0001.jpg"},
               {"IMG_0001.jpg::0", "IMG_0001.jpg"},
               {"/a/b/c.JPG", "c.JPG"},
               {"/a/b::c/d.jpg::12", "d.jpg"},
               {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(BareName(c.entry), c.name) << c.entry;
}

TEST(CatalogNames, ConnectionStringsNameTheFiles) {
  EXPECT_EQ(CatalogConnectionString("/s/80013578-John"),
            "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=/s/80013578-John/"
            "ImageTag.dll");
  EXPECT_EQ(CatalogConnectionString("/s/x/"),
            "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=/s/x/ImageTag.dll");
  EXPECT_EQ(SettingsConnectionString("/opt/orvanta/"),
            "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=/opt/orvanta/"
            "sysset.dll;Jet OLEDB:Database Password=;");
}

TEST(CatalogRequirementText, IsWrittenAndReadBackByPosition) {
  EXPECT_EQ(RequirementText({"Album", "2", "8x10", ""}), "Album  [Quantity]2  [Size]8x10");
  const struct {
    const char* text;
    const char* quantity;
    const char* size;
  } cases[] = {
      {"Album  [Quantity]10  [Size]5x7", "10", "5x7"},
      {"Print  [Quantity]1  [Size]4x6 ", "1", "4x6"},
      {"Frame  [Quantity]  [Size]", "", ""},
      // A usage type holding "]" reads back a wrong quantity, as the stored format gives it.
      {"A]b  [Quantity]3  [Size]6x8", "b  [Quantity]3", "6x8"},
      {"no markers at all", "", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RequirementQuantity(c.text), c.quantity) << c.text;
    EXPECT_EQ(RequirementSize(c.text), c.size) << c.text;
  }
  // The size is cut at 3000 characters.
  EXPECT_EQ(RequirementSize("T  [Quantity]1  [Size]" + std::string(3100, 'x')).size(), 3000u);
}

TEST_F(CatalogRules, CaptionsFollowTheRowsOfAPhoto) {
  const struct {
    std::vector<const char*> rows;  // usage types in row order; nullptr is a bare pick
    const char* text;
    TColor color;
    bool bold;
  } cases[] = {
      {{}, "IMG_0001.jpg", clBlack, false},
      {{nullptr}, "IMG_0001.jpg", clRed, true},
      {{"Album"}, "Album", clBlue, false},
      {{"Album", "Print"}, "Album+Print", clBlue, false},
      {{nullptr, "Album"}, "IMG_0001.jpg", clRed, true},  // only the first row decides
      {{"Album", nullptr}, "Album+", clBlue, false},      // a later bare pick leaves a "+"
  };
  for (const auto& c : cases) {
    Catalog.Execute("delete from pic");
    for (const char* d : c.rows) Row("IMG_0001.jpg", d);
    TPickCaption cap = ReadPickCaption(&Query, "IMG_0001.jpg");
    EXPECT_EQ(cap.Text, c.text) << c.rows.size();
    EXPECT_EQ(cap.Color, c.color) << c.text;
    EXPECT_EQ(cap.Bold, c.bold) << c.text;
  }
  EXPECT_EQ(PickStateOfColor(clBlack), TPickState::NotPicked);
  EXPECT_EQ(PickStateOfColor(clRed), TPickState::Picked);
  EXPECT_EQ(PickStateOfColor(clBlue), TPickState::PickedWithRequirements);
}

TEST_F(CatalogRules, PickAddsOneRowAndUnpickRemovesEveryRow) {
  EXPECT_TRUE(PickPhoto(&Query, "IMG_0001.jpg"));
  EXPECT_FALSE(PickPhoto(&Query, "IMG_0001.jpg"));  // already picked: no second row
  EXPECT_EQ(Rows("IMG_0001.jpg", "fname").size(), 1u);
  EXPECT_TRUE(IsNull("IMG_0001.jpg", "dalei"));
  Row("IMG_0001.jpg", "Album");
  Row("IMG_0002.jpg", "Print");
  EXPECT_EQ(UnpickPhoto(&Command, "IMG_0001.jpg"), 2);
  EXPECT_TRUE(Rows("IMG_0001.jpg", "fname").empty());
  EXPECT_EQ(Rows("IMG_0002.jpg", "fname").size(), 1u);  // other photos keep their rows
  // Names compare without regard to case, as the catalog always did.
  EXPECT_FALSE(PickPhoto(&Query, "img_0002.JPG"));
}

TEST_F(CatalogRules, AppendRequirementFillsTheBarePickOrAddsARow) {
  PickPhoto(&Query, "IMG_0001.jpg");
  AppendRequirement(&Query, "IMG_0001.jpg", {"Album", "2", "8x10", ""});
  // The bare pick became the requirement: one row, design untouched (null).
  EXPECT_EQ(Rows("IMG_0001.jpg", "yongtu"),
            std::vector<std::string>{"Album  [Quantity]2  [Size]8x10"});
  EXPECT_TRUE(IsNull("IMG_0001.jpg", "xiugai"));
  AppendRequirement(&Query, "IMG_0001.jpg", {"Print", "1", "5x7", "Sepia"});
  EXPECT_EQ(Rows("IMG_0001.jpg", "dalei"), (std::vector<std::string>{"Album", "Print"}));
  EXPECT_EQ(Rows("IMG_0001.jpg", "xiugai"), (std::vector<std::string>{"", "Sepia"}));
  // A photo that was not picked gets a new row.
  AppendRequirement(&Query, "IMG_0003.jpg", {"Frame", "1", "6x8", ""});
  EXPECT_EQ(Rows("IMG_0003.jpg", "dalei"), std::vector<std::string>{"Frame"});
  EXPECT_EQ(ReadPickCaption(&Query, "IMG_0001.jpg").Text, "Album+Print");
}

TEST_F(CatalogRules, RequirementFieldsRoundTripThroughARow) {
  AppendRequirement(&Query, "IMG_0002.jpg", {"Calendar", "12", "10x12", "Retouch skin"});
  OpenWithText(&Query, kSqlPicByNameA1, "a1", "IMG_0002.jpg");
  TRequirement r = ReadRequirementFields(&Query);
  EXPECT_EQ(r.Type, "Calendar");
  EXPECT_EQ(r.Quantity, "12");
  EXPECT_EQ(r.Size, "10x12");
  EXPECT_EQ(r.Design, "Retouch skin");
  // Rewriting without a design keeps the one stored.
  Query.Edit();
  WriteRequirementFields(&Query, "IMG_0002.jpg", {"Print", "3", "4x6", ""});
  Query.Post();
  EXPECT_EQ(Rows("IMG_0002.jpg", "yongtu"),
            std::vector<std::string>{"Print  [Quantity]3  [Size]4x6"});
  EXPECT_EQ(Rows("IMG_0002.jpg", "xiugai"), std::vector<std::string>{"Retouch skin"});
}

TEST_F(CatalogRules, ViewListStatementsAndRename) {
  Row("IMG_0002.jpg", nullptr);
  Row("IMG_0002.jpg", "Album");
  Row("gone.jpg", "Print");
  std::vector<std::string> picked = PickedNames(&Query);
  std::sort(picked.begin(), picked.end());
  EXPECT_EQ(picked, (std::vector<std::string>{"IMG_0002.jpg", "gone.jpg"}));
  EXPECT_EQ(UnpickedNames(&Query, Numbered(3)),
            (std::vector<std::string>{"IMG_0001.jpg", "IMG_0003.jpg"}));
  EXPECT_EQ(RenameRows(&Query, "IMG_0002.jpg", "1.jpg"), 2);
  EXPECT_EQ(Rows("1.jpg", "dalei"), (std::vector<std::string>{"", "Album"}));
  EXPECT_TRUE(Rows("IMG_0002.jpg", "fname").empty());
}

TEST_F(CatalogRules, MemoRowIsMadeOnFirstSaveAndEditedAfterwards) {
  EditMemo(&Query);
  EXPECT_EQ(Query.State(), dsInsert);  // the table is empty
  Query.FieldByName("beizhu")->SetAsString("Deliver by Friday");
  Query.Post();
  EditMemo(&Query);
  EXPECT_EQ(Query.State(), dsEdit);
  EXPECT_EQ(Query.FieldByName("beizhu")->AsString(), "Deliver by Friday");
  Query.Cancel();
  EXPECT_EQ(Column(&Catalog, kSqlMemo, "beizhu"), std::vector<std::string>{"Deliver by Friday"});
  OpenComment(&Query, "IMG_0001.jpg");
  EXPECT_TRUE(Query.IsEmpty());
}

TEST_F(CatalogRules, SettingsDatabaseSwitchesAndLists) {
  TADOConnection settings;
  OpenSettings(&settings, Prog);
  TADOQuery q;
  q.SetConnection(&settings);
  EXPECT_FALSE(ReadRandomOrderSwitch(&q));
  WriteRandomOrderSwitch(&q, true);
  EXPECT_TRUE(ReadRandomOrderSwitch(&q));
  EXPECT_FALSE(ReadHotKeySwitch(&q));
  EXPECT_EQ(ReadLookupList(&q, kSqlUsageTypes, "yongtu"),
            (std::vector<std::string>{"Album", "Print", "Frame", "Poster", "Calendar"}));
  EXPECT_EQ(ReadLookupList(&q, kSqlSizes, "asize").front(), "4x6");
  EXPECT_EQ(ReadLookupList(&q, kSqlDesigns, "xiangmu").size(), 5u);
  EXPECT_EQ(ReadStudio(&q).Name, "Photo Studio");
  DeleteLookupRow(&q, kSqlDeleteUsageType, 1);
  EXPECT_EQ(ReadLookupList(&q, kSqlUsageTypes, "yongtu").front(), "Print");
  DeleteLookupRow(&q, kSqlDeleteDesign, 5);
  EXPECT_EQ(ReadLookupList(&q, kSqlDesigns, "xiangmu").size(), 4u);
}

TEST_F(CatalogFiles, CatalogIsCopiedOnceHiddenAndKeptOnLaterVisits) {
  const std::string shoot = MakeShoot("Smith", Numbered(2));
  const std::string file = shoot + "/ImageTag.dll";
  PrepareCatalog(shoot, Prog);
  ASSERT_TRUE(FileExists(file));
  EXPECT_EQ(FileGetAttr(file) & (faHidden | faSysFile), faHidden | faSysFile);
  EXPECT_FALSE(FileIsReadOnly(file));
  {
    TADOConnection c;
    OpenCatalog(&c, shoot);
    TADOQuery q;
    q.SetConnection(&c);
    PickPhoto(&q, "IMG_0001.jpg");
  }
  // A second visit, even with the template gone, keeps the catalog and its rows.
  std::filesystem::remove(Prog + "ImageTag.dll");
  PrepareCatalog(shoot, Prog);
  auto c = Open(file);
  EXPECT_EQ(Column(c.get(), kSqlAllPic, "fname"), std::vector<std::string>{"IMG_0001.jpg"});
}

TEST_F(CatalogFiles, CatalogFailuresNameTheFolderAndTheCause) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(1));
  std::filesystem::rename(Prog + "ImageTag.dll", Prog + "moved.dll");
  try {
    PrepareCatalog(shoot, Prog);
    ADD_FAILURE() << "no error without a template";
  } catch (const ECatalogError& E) {
    EXPECT_NE(E.Message().find(shoot), std::string::npos) << E.Message();
    EXPECT_NE(E.Message().find("template"), std::string::npos) << E.Message();
  }
  EXPECT_FALSE(FileExists(shoot + "/ImageTag.dll"));
  // A damaged catalog and a database without the table pic are refused when opened.
  for (const char* content : {"this is not a database", ""}) {
    WriteFile(shoot + "/ImageTag.dll", content);
    if (!*content) {
      std::filesystem::remove(shoot + "/ImageTag.dll");
      std::filesystem::copy_file(Prog + "sysset.dll", shoot + "/ImageTag.dll");
    }
    TADOConnection c;
    try {
      OpenCatalog(&c, shoot);
      ADD_FAILURE() << "opened " << (*content ? "a damaged file" : "a database without pic");
    } catch (const ECatalogError& E) {
      EXPECT_NE(E.Message().find(shoot), std::string::npos) << E.Message();
    }
    EXPECT_FALSE(c.Connected());
  }
  // A folder that cannot be written (not testable as root, who may write anywhere).
  if (geteuid() != 0) {
    const std::string locked = MakeShoot("locked", Numbered(1));
    std::filesystem::rename(Prog + "moved.dll", Prog + "ImageTag.dll");
    chmod(locked.c_str(), 0555);
    EXPECT_THROW(PrepareCatalog(locked, Prog), ECatalogError);
    chmod(locked.c_str(), 0755);
  }
}

TEST(CatalogOrder, RandomOrderIsAPermutationOfAnyLength) {
  for (int n : {0, 1, 2, 7, 1000, 150000}) {  // beyond the 99,999 photos of the old table
    std::vector<int> order = RandomOrder(n, ClockSeed());
    ASSERT_EQ(static_cast<int>(order.size()), n);
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, NameOrder(n)) << n;
  }
  // Different seeds give different orders; the same seed the same one.
  EXPECT_NE(RandomOrder(50, 1), RandomOrder(50, 2));
  EXPECT_EQ(RandomOrder(50, 9), RandomOrder(50, 9));
  EXPECT_NE(ClockSeed(), ClockSeed());
  // Every photo comes first about equally often.
  std::vector<int> first(4, 0);
  for (uint64_t s = 0; s < 4000; ++s) ++first[RandomOrder(4, s * 7919 + 1).front()];
  for (int f : first) EXPECT_NEAR(f, 1000, 150);
}
