// Every statement the application runs, word for word, against the shipped databases, with the
// results the windows rely on; and the shipped tables' exact columns, types and widths.
#include <memory>

#include "platform/vcl/adodb.h"
#include "test_dbfixture.h"

namespace {

struct Col {
  const char* name;
  TFieldType type;
  int size;
};

class Statements : public DbFolder {
protected:
  void SetUp() override {
    DbFolder::SetUp();
    Catalog.SetLoginPrompt(false);
    Catalog.SetConnectionString(ConnStr(Copy("ImageTag.dll")));
    Catalog.Open();
  }

  std::unique_ptr<TADOQuery> Query(TADOConnection& C, const std::string& Sql) {
    auto q = std::make_unique<TADOQuery>();
    q->SetConnection(&C);
    // As the windows write it: clear the lines, add the statement.
    q->SQL()->Clear();
    q->SQL()->Add(Sql);
    return q;
  }
  // Opens Sql with one text parameter and returns the values of Column in the order returned.
  std::vector<std::string> Column(TADOConnection& C, const std::string& Sql,
                                  const std::string& Column, const std::string& Param = "",
                                  const std::string& Value = "") {
    auto q = Query(C, Sql);
    if (!Param.empty()) q->Parameters()->ParamByName(Param)->SetValue(Value);
    q->Open();
    std::vector<std::string> out;
    for (q->First(); !q->Eof(); q->Next()) out.push_back(q->FieldByName(Column)->AsString());
    return out;
  }
  // A catalog row as the pick and requirement commands write it.
  void AddPick(const std::string& Name, const char* Dalei = nullptr, const char* Yongtu = nullptr,
               const char* Xiugai = nullptr) {
    auto q = Query(Catalog, "select * from pic where (fname=:a1)");
    q->Parameters()->ParamByName("a1")->SetValue(Name);
    q->Open();
    q->Append();
    q->FieldByName("fname")->SetAsString(Name);
    if (Dalei) q->FieldByName("dalei")->SetAsString(Dalei);
    if (Yongtu) q->FieldByName("yongtu")->SetAsString(Yongtu);
    if (Xiugai) q->FieldByName("xiugai")->SetAsString(Xiugai);
    q->Post();
  }
  void ExpectColumns(TADOConnection& C, const std::string& Table, const std::vector<Col>& Cols) {
    auto q = Query(C, "select * from " + Table);
    q->Open();
    ASSERT_EQ(q->FieldDefs()->Count(), static_cast<int>(Cols.size())) << Table;
    for (size_t i = 0; i < Cols.size(); ++i) {
      TFieldDef* d = q->FieldDefs()->Items(static_cast<int>(i));
      EXPECT_EQ(d->Name, Cols[i].name) << Table;
      EXPECT_EQ(d->DataType, Cols[i].type) << Table << "." << d->Name;
      EXPECT_EQ(d->Size, Cols[i].size) << Table << "." << d->Name;
    }
  }

  TADOConnection Catalog;
};

const std::string kAlbum = "Album  [Quantity]2  [Size]8x10";
const std::string kPrint = "Print  [Quantity]1  [Size]5x7";

}  // namespace

TEST_F(Statements, ShippedTablesHaveTheStoredColumnsTypesAndWidths) {
  const std::vector<Col> pic = {
      {"id", ftAutoInc, 0},          {"kehuid", ftWideString, 50},  {"fname", ftWideString, 50},
      {"yongtu", ftWideString, 100}, {"xiugai", ftWideString, 255}, {"beizhu", ftMemo, 0},
      {"dalei", ftWideString, 50},   {"drend", ftBoolean, 0},       {"member", ftWideString, 50},
      {"name", ftWideString, 8},     {"namev", ftWideString, 8},    {"qujiandate", ftDateTime, 0}};
  ExpectColumns(Catalog, "pic", pic);
  ExpectColumns(Catalog, "beizhu", {{"beizhu", ftMemo, 0}});
  ExpectColumns(Catalog, "miaoshu",
                {{"id", ftAutoInc, 0},
                 {"pic", ftWideString, 150},
                 {"miaoshu", ftMemo, 0},
                 {"sheyingshi", ftWideString, 8},
                 {"adate", ftDateTime, 0}});

  TADOConnection settings;
  settings.SetConnectionString(ConnStr(Copy("sysset.dll"), true));
  ExpectColumns(settings, "ths",
                {{"luan", ftBoolean, 0}, {"w", ftInteger, 0}, {"h", ftInteger, 0}});
  ExpectColumns(settings, "dir1path",
                {{"id", ftAutoInc, 0}, {"dir1path", ftWideString, 50}, {"dir1", ftBoolean, 0}});
  ExpectColumns(settings, "yongtu", {{"yongtu", ftWideString, 100}, {"id", ftAutoInc, 0}});
  ExpectColumns(settings, "asize", {{"id", ftAutoInc, 0}, {"asize", ftWideString, 30}});
  ExpectColumns(settings, "xiupian", {{"xiangmu", ftWideString, 100}, {"id", ftAutoInc, 0}});
  ExpectColumns(settings, "gs",
                {{"ID", ftAutoInc, 0},
                 {"GSname", ftWideString, 50},
                 {"GStel", ftWideString, 50},
                 {"addr", ftWideString, 50}});

  TADOConnection staging;
  staging.SetConnectionString(ConnStr(Copy("dayin.dll")));
  std::vector<Col> dayin = pic;
  dayin.push_back({"logo", ftBlob, 0});
  ExpectColumns(staging, "pic", dayin);

  TADOConnection templates;
  templates.SetConnectionString(ConnStr(Copy("xiaoguomulu.dll"), true));
  ExpectColumns(templates, "xiaoguo",
                {{"id", ftAutoInc, 0},
                 {"pic", ftBlob, 0},
                 {"miaoshu", ftWideString, 100},
                 {"wenjian", ftWideString, 150}});
  ExpectColumns(templates, "pic", {{"indexid", ftInteger, 0}, {"pic", ftWideString, 255}});
}

TEST_F(Statements, ShippedSettingsHoldTheInitialLists) {
  TADOConnection s;
  s.SetConnectionString(ConnStr(Copy("sysset.dll"), true));
  EXPECT_EQ(Column(s, "select * from ths", "luan"), std::vector<std::string>{"False"});
  EXPECT_EQ(Column(s, "select * from dir1path", "dir1"), std::vector<std::string>{"False"});
  auto types = Column(s, "select * from yongtu", "yongtu");
  EXPECT_EQ(types.at(0), "Album");
  EXPECT_EQ(types.at(1), "Print");
  auto sizes = Column(s, "select * from asize", "asize");
  EXPECT_NE(std::find(sizes.begin(), sizes.end(), "5x7"), sizes.end());
  EXPECT_NE(std::find(sizes.begin(), sizes.end(), "8x10"), sizes.end());
  EXPECT_GE(Column(s, "select * from xiupian", "xiangmu").size(), 3u);
  EXPECT_EQ(Column(s, "select * from gs", "GSname").size(), 1u);
  // The template catalog starts empty.
  EXPECT_TRUE(Column(Catalog, "select * from pic", "fname").empty());
  EXPECT_TRUE(Column(Catalog, "select * from beizhu", "beizhu").empty());
}

TEST_F(Statements, RowsOfOnePhotoIgnoreLetterCase) {
  AddPick("IMG_0001.jpg");
  AddPick("IMG_0001.jpg", "Album", kAlbum.c_str());
  AddPick("IMG_0002.jpg", "Print", kPrint.c_str());
  struct Case {
    const char* sql;
    const char* param;
    const char* value;
    size_t rows;
  } cases[] = {
      {"select * from pic where fname=:f1", "f1", "IMG_0001.jpg", 2},
      {"select * from pic where fname=:f1", "f1", "img_0001.JPG", 2},
      {"select * from pic where fname=:a1", "a1", "IMG_0002.JPG", 1},
      {"select * from pic where (fname=:a1)", "a1", "img_0002.jpg", 1},
      {"select * from pic where (fname=:a1) and (dalei is null)", "a1", "img_0001.jpg", 1},
      {"select * from pic where (fname=:a1) and (dalei is null)", "a1", "IMG_0002.jpg", 0},
      {"select * from  pic where fname=:a", "a", "Img_0001.Jpg", 2},
      {"select * from pic where fname=:f1", "f1", "IMG_0003.jpg", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Column(Catalog, c.sql, "fname", c.param, c.value).size(), c.rows)
        << c.sql << " with " << c.value;
  // Null reads as empty text: the first row is the bare pick.
  EXPECT_EQ(Column(Catalog, "select * from pic where fname=:f1", "dalei", "f1", "IMG_0001.jpg"),
            (std::vector<std::string>{"", "Album"}));
}

TEST_F(Statements, RowByIntegerKey) {
  AddPick("a.jpg");
  AddPick("b.jpg", "Album", kAlbum.c_str());
  auto q = Query(Catalog, "select * from pic where id=:a1");
  q->Parameters()->ParamByName("a1")->SetValue(2);
  q->Open();
  ASSERT_EQ(q->RecordCount(), 1);
  EXPECT_EQ(q->FieldByName("fname")->AsString(), "b.jpg");
  EXPECT_EQ(q->FieldByName("id")->AsInteger(), 2);
}

TEST_F(Statements, UnpickAndPruneRemoveEveryRowOfThePhoto) {
  AddPick("a.jpg");
  AddPick("A.JPG", "Album", kAlbum.c_str());
  AddPick("b.jpg");
  AddPick("c.jpg");
  TADOCommand unpick;
  unpick.SetConnection(&Catalog);
  unpick.SetCommandText("delete   from pic where fname=:f1");
  unpick.Parameters()->ParamByName("f1")->SetValue(std::string("a.jpg"));
  EXPECT_EQ(unpick.Execute(), 2);
  TADOCommand prune;
  prune.SetConnection(&Catalog);
  prune.SetCommandText("delete from pic where fname=:a");
  prune.Parameters()->ParamByName("a")->SetValue(std::string("B.jpg"));
  EXPECT_EQ(prune.Execute(), 1);
  EXPECT_EQ(Column(Catalog, "select * from pic", "fname"), std::vector<std::string>{"c.jpg"});
  EXPECT_EQ(Column(Catalog, "select * from  pic", "fname"), std::vector<std::string>{"c.jpg"});
}

TEST_F(Statements, GroupsAndOrderIgnoreCaseAndKeepNulls) {
  AddPick("b.jpg");
  AddPick("B.JPG", "Album", kAlbum.c_str());
  AddPick("a.jpg", "Album", kAlbum.c_str());
  AddPick("C.jpg", "album", "album  [Quantity]2  [Size]8x10");
  AddPick("d.jpg", "Print", kPrint.c_str(), "Black and white");

  // One row per picked name, whatever its letter case.
  auto names = Column(Catalog, "select fname from pic  group by fname", "fname");
  EXPECT_EQ(names.size(), 4u);

  // Requirement groups: null (bare picks), Album (3 rows in two spellings), Print.
  auto q = Query(Catalog, "select count(*),yongtu from pic group by yongtu");
  q->Open();
  std::vector<std::pair<int, std::string>> groups;
  for (q->First(); !q->Eof(); q->Next())
    groups.emplace_back(q->Fields()->Fields(0)->AsInteger(), q->FieldByName("yongtu")->AsString());
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0], (std::pair<int, std::string>{1, ""}));
  EXPECT_EQ(groups[1].first, 3);
  EXPECT_TRUE(groups[1].second == kAlbum || groups[1].second == "album  [Quantity]2  [Size]8x10");
  EXPECT_EQ(groups[2], (std::pair<int, std::string>{1, kPrint}));
  EXPECT_FALSE(q->CanModify());  // a grouped result cannot be changed

  EXPECT_EQ(Column(Catalog, "select * from pic  where yongtu=:a order  by fname", "fname", "a",
                   "ALBUM  [Quantity]2  [Size]8X10"),
            (std::vector<std::string>{"a.jpg", "B.JPG", "C.jpg"}));
  EXPECT_EQ(Column(Catalog, "select * from pic  where yongtu Is Null", "fname"),
            std::vector<std::string>{"b.jpg"});
  EXPECT_EQ(Column(Catalog, "select  * from pic where xiugai IS NOT NULL", "fname"),
            std::vector<std::string>{"d.jpg"});
  EXPECT_EQ(Column(Catalog, "select * from  pic order by fname", "fname"),
            (std::vector<std::string>{"a.jpg", "b.jpg", "B.JPG", "C.jpg", "d.jpg"}));
}

TEST_F(Statements, MemoAndCommentTables) {
  auto memo = Query(Catalog, "select * from beizhu");
  memo->Open();
  memo->Edit();  // an empty table gets a new row
  EXPECT_EQ(memo->State(), dsInsert);
  memo->FieldByName("beizhu")->SetAsString("All photos\nin colour");
  memo->Post();
  EXPECT_EQ(Column(Catalog, "select * from beizhu", "beizhu"),
            std::vector<std::string>{"All photos\nin colour"});

  auto c = Query(Catalog, "select * from miaoshu where pic=:a");
  c->Parameters()->ParamByName("a")->SetValue(std::string("IMG_7.jpg"));
  c->Open();
  EXPECT_TRUE(c->IsEmpty());
  c->Append();
  c->FieldByName("pic")->SetAsString("IMG_7.jpg");
  c->FieldByName("miaoshu")->SetAsString("Nice light");
  c->Post();
  EXPECT_EQ(Column(Catalog, "select * from miaoshu where pic=:a", "miaoshu", "a", "img_7.JPG"),
            std::vector<std::string>{"Nice light"});
}

TEST_F(Statements, SettingsDeletionsWithTheirBlanksAndSemicolon) {
  TADOConnection s;
  s.SetConnectionString(ConnStr(Copy("sysset.dll"), true));
  struct Case {
    const char* list;
    const char* column;
    const char* del;
  } cases[] = {
      {"select * from yongtu", "yongtu", "delete *  from  yongtu where id=:a;"},
      {"select * from xiupian", "xiangmu", "delete *  from xiupian where id=:a;"},
  };
  for (const auto& c : cases) {
    auto before = Column(s, c.list, c.column);
    auto q = Query(s, c.list);
    q->Open();
    q->Next();
    const std::string second = q->FieldByName(c.column)->AsString();
    const std::string id = q->FieldByName("id")->AsString();  // the row's id as text
    q->Close();
    TADOCommand del;
    del.SetConnection(&s);
    del.SetCommandText(c.del);
    del.Parameters()->ParamByName("a")->SetValue(id);
    EXPECT_EQ(del.Execute(), 1) << c.del;
    auto after = Column(s, c.list, c.column);
    EXPECT_EQ(after.size(), before.size() - 1);
    EXPECT_EQ(std::find(after.begin(), after.end(), second), after.end());
  }
  // The other settings statements open.
  for (const char* t :
       {"select * from ths", "select * from dir1path", "select * from asize", "select * from gs"})
    EXPECT_NO_THROW(Query(s, t)->Open()) << t;
}

TEST_F(Statements, StagingIsEmptiedRefilledAndSortedByRequirement) {
  TADOConnection staging;
  staging.SetConnectionString(ConnStr(Copy("dayin.dll")));
  staging.Open();
  TADOCommand clear;
  clear.SetConnection(&staging);
  clear.SetCommandText("delete  from pic");
  auto fill = Query(staging, "select * from pic");
  for (int round = 0; round < 2; ++round) {
    clear.Execute();
    fill->Close();
    fill->Open();
    EXPECT_TRUE(fill->IsEmpty());
    const char* rows[][2] = {{"c.jpg", "Print"}, {"a.jpg", nullptr}, {"b.jpg", "Album"}};
    for (auto& r : rows) {
      fill->Append();
      fill->FieldByName("fname")->SetAsString(r[0]);
      if (r[1]) fill->FieldByName("yongtu")->SetAsString(r[1]);
      fill->FieldByName("logo")->SetAsString(std::string("\xFF\xD8\xFF\x00jpeg", 8));
      fill->Post();
    }
  }
  EXPECT_EQ(Column(staging, "select  * from pic order by yongtu", "fname"),
            (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
  auto q = Query(staging, "select * from pic");
  q->Open();
  EXPECT_EQ(q->RecordCount(), 3);
  EXPECT_EQ(q->FieldByName("logo")->AsString(), std::string("\xFF\xD8\xFF\x00jpeg", 8));
}

TEST_F(Statements, SimulationCatalogAndTemplateDatabase) {
  TADOConnection cat;
  cat.SetConnectionString(ConnStr(Copy("xiaoguomulu.dll"), true));
  EXPECT_NO_THROW(Query(cat, "select * from xiaoguo")->Open());
  EXPECT_EQ(cat.Execute("insert into pic (indexid, pic) values (0, '/x/photo/0.jpg')"), 1);
  TADOCommand clear;
  clear.SetConnection(&cat);
  clear.SetCommandText("Delete from pic");
  EXPECT_EQ(clear.Execute(), 1);

  // A template database made from the layout kept in data/, on a copy of a shipped file.
  TADOConnection tpl;
  tpl.SetConnectionString(ConnStr(Copy("dayin.dll")) + ";");
  std::string script = ReadFile(SourceDir() + "/data/xiaoguotu.sql"), stmt;
  for (const auto& line : [&] {
         std::vector<std::string> lines;
         size_t p = 0;
         while (p < script.size()) {
           size_t e = script.find('\n', p);
           if (e == std::string::npos) e = script.size();
           lines.push_back(script.substr(p, e - p));
           p = e + 1;
         }
         return lines;
       }()) {
    if (line.rfind("--", 0) == 0) continue;
    stmt += line + "\n";
  }
  ASSERT_NE(stmt.find("CREATE TABLE a2"), std::string::npos);
  tpl.Execute(stmt);
  tpl.Execute("insert into a2 (a, b, c, d) values ('120', 5000, '400x300', x'465753')");
  tpl.Execute("insert into a2 (a, b, c, d) values (null, null, null, x'00')");
  auto a2 = Query(tpl, "select * from a2");
  a2->Open();
  ASSERT_EQ(a2->RecordCount(), 2);
  EXPECT_EQ(a2->FieldByName("c")->AsString(), "400x300");
  EXPECT_EQ(a2->FieldByName("d")->AsString(), "FWS");
  a2->Next();
  EXPECT_TRUE(a2->FieldByName("a")->AsString().empty());
}

TEST_F(Statements, SwitchesAreYesNoValuesPostedInRowsWithoutKey) {
  const std::string file = Copy("sysset.dll");
  for (bool on : {true, false}) {
    TADOConnection s;
    s.SetConnectionString(ConnStr(file, true));
    for (const char* t : {"select * from ths", "select * from dir1path"}) {
      auto q = Query(s, t);
      q->Open();
      q->Edit();
      q->FieldByName(std::string(t).find("ths") != std::string::npos ? "luan" : "dir1")
          ->SetAsBoolean(on);
      q->Post();
    }
    // Read back through a new connection, as the next start of the program does.
    TADOConnection again;
    again.SetConnectionString(ConnStr(file, true));
    auto ths = Query(again, "select * from ths");
    ths->Open();
    EXPECT_EQ(ths->RecordCount(), 1);
    EXPECT_EQ(ths->FieldByName("luan")->AsBoolean(), on);
    EXPECT_EQ(ths->FieldByName("w")->AsInteger(), 150);
    auto dir = Query(again, "select * from dir1path");
    dir->Open();
    EXPECT_EQ(dir->FieldByName("dir1")->AsBoolean(), on);
  }
}

TEST_F(Statements, DataSourceJoinedWithBackslashesFindsTheFile) {
  TADOConnection c;
  c.SetConnectionString(ConnStr(Dir + "\\ImageTag.dll"));
  EXPECT_NO_THROW(c.Open());
  EXPECT_EQ(c.DataSource(), Dir + "/ImageTag.dll");
}

TEST_F(Statements, FailingStatementsRaiseAndLeaveTheQueryClosed) {
  struct Case {
    const char* sql;
  } cases[] = {{"select * form pic"},
               {"select * from nosuchtable"},
               {"select nosuch from pic"},
               {"select * from pic; delete from pic"}};
  for (const auto& c : cases) {
    auto q = Query(Catalog, c.sql);
    EXPECT_THROW(q->Open(), EOleException) << c.sql;
    EXPECT_FALSE(q->Active()) << c.sql;
  }
  // A parameter left without a value is null: it matches nothing.
  AddPick("a.jpg");
  auto q = Query(Catalog, "select * from pic where fname=:f1");
  q->Open();
  EXPECT_TRUE(q->IsEmpty());
  EXPECT_EQ(Column(Catalog, "select * from pic", "fname"), std::vector<std::string>{"a.jpg"});
}

TEST_F(Statements, DeclaredTypesMapToFieldKinds) {
  struct Case {
    const char* decl;
    TFieldType type;
    int size;
  } cases[] = {
      {"VARCHAR(50)", ftWideString, 50},
      {"TEXT(8)", ftWideString, 8},
      {"CHAR", ftWideString, 255},
      {"TEXT", ftMemo, 0},
      {"LONGTEXT", ftMemo, 0},
      {"MEMO", ftMemo, 0},
      {"BOOLEAN", ftBoolean, 0},
      {"YESNO", ftBoolean, 0},
      {"BIT", ftBoolean, 0},
      {"INTEGER", ftInteger, 0},
      {"LONG", ftInteger, 0},
      {"SMALLINT", ftSmallint, 0},
      {"BIGINT", ftLargeint, 0},
      {"DOUBLE", ftFloat, 0},
      {"REAL", ftFloat, 0},
      {"CURRENCY", ftCurrency, 0},
      {"DATETIME", ftDateTime, 0},
      {"DATE", ftDate, 0},
      {"TIME", ftTime, 0},
      {"BLOB", ftBlob, 0},
      {"LONGBINARY", ftBlob, 0},
      {"GRAPHIC", ftGraphic, 0},
      {"WHATEVER", ftWideString, 255},
  };
  std::string sql = "create table kinds (";
  for (size_t i = 0; i < std::size(cases); ++i)
    sql += (i ? ", c" : "c") + std::to_string(i) + " " + cases[i].decl;
  Catalog.Execute(sql + ")");
  auto q = Query(Catalog, "select * from kinds");
  q->FieldDefs()->Update();
  ASSERT_EQ(q->FieldDefs()->Count(), static_cast<int>(std::size(cases)));
  for (size_t i = 0; i < std::size(cases); ++i) {
    TFieldDef* d = q->FieldDefs()->Items(static_cast<int>(i));
    EXPECT_EQ(d->DataType, cases[i].type) << cases[i].decl;
    EXPECT_EQ(d->Size, cases[i].size) << cases[i].decl;
  }
  // Expressions take the kind of their first value.
  auto e = Query(Catalog, "select count(*) as n, 1.5 as f, 'x' as t, null as z from pic");
  e->Open();
  EXPECT_EQ(e->FieldByName("n")->DataType(), ftInteger);
  EXPECT_EQ(e->FieldByName("f")->DataType(), ftFloat);
  EXPECT_EQ(e->FieldByName("t")->DataType(), ftWideString);
  EXPECT_EQ(e->FieldByName("z")->DataType(), ftWideString);
}

TEST_F(Statements, SettingsWindowEditsSeveralTablesAtOnce) {
  TADOConnection s;
  s.SetConnectionString(ConnStr(Copy("sysset.dll"), true));
  auto ths = Query(s, "select * from ths");
  auto types = Query(s, "select * from yongtu");
  auto sizes = Query(s, "select * from asize");
  auto gs = Query(s, "select * from gs");
  for (auto* q : {ths.get(), types.get(), sizes.get(), gs.get()}) q->Open();
  // At creation: ths and gs in edit mode, a blank new row pending in each list.
  ths->Edit();
  types->Append();
  sizes->Append();
  gs->Edit();
  const int typeCount = types->RecordCount();

  // "Delete" with the grid on the pending blank row: its id is empty, nothing is deleted.
  TADOCommand del;
  del.SetConnection(&s);
  del.SetCommandText("delete *  from  yongtu where id=:a;");
  del.Parameters()->ParamByName("a")->SetValue(types->FieldByName("id")->AsString());
  EXPECT_EQ(del.Execute(), 0);

  // Typing a type and pressing "Save" twice: the typed row is posted, the untouched one dropped.
  types->FieldByName("yongtu")->SetAsString("Canvas");
  types->Append();
  types->Append();
  EXPECT_EQ(types->RecordCount(), typeCount + 1);
  sizes->FieldByName("asize")->SetAsString("16x20");
  sizes->Append();

  // The studio record and the switches, saved while the lists still have pending rows.
  gs->FieldByName("GSname")->SetAsString("Sunny Studio");
  gs->Post();
  ths->FieldByName("luan")->SetAsBoolean(true);
  ths->Post();

  TADOConnection again;
  again.SetConnectionString(ConnStr(s.DataSource()));
  auto names = Column(again, "select * from yongtu", "yongtu");
  EXPECT_EQ(names.size(), static_cast<size_t>(typeCount + 1));
  EXPECT_EQ(names.back(), "Canvas");
  EXPECT_EQ(Column(again, "select * from asize", "asize").back(), "16x20");
  EXPECT_EQ(Column(again, "select * from gs", "GSname"), std::vector<std::string>{"Sunny Studio"});
  EXPECT_EQ(Column(again, "select * from ths", "luan"), std::vector<std::string>{"True"});
  // Closing the window drops the blank rows still pending.
  for (auto* q : {types.get(), sizes.get()}) q->Close();
  EXPECT_EQ(Column(again, "select * from yongtu", "yongtu").size(),
            static_cast<size_t>(typeCount + 1));
}
