// Editing through the data sets: round trips of every field kind, new rows, deletion, blobs,
// navigation, Locate, bookmarks, calculated fields, events, and what survives a crash.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/variant.h"
#include "platform/vcl/adodb.h"
#include "test_dbfixture.h"

namespace {

class Editing : public DbFolder {
protected:
  void SetUp() override {
    DbFolder::SetUp();
    File = Copy("ImageTag.dll");
    Conn.SetLoginPrompt(false);
    Conn.SetConnectionString(ConnStr(File));
    Conn.Open();
  }
  std::unique_ptr<TADOQuery> Query(const std::string& Sql, TADOConnection* C = nullptr) {
    auto q = std::make_unique<TADOQuery>();
    q->SetConnection(C ? C : &Conn);
    q->SetSQLText(Sql);
    return q;
  }
  void AddNames(std::initializer_list<const char*> Names) {
    auto q = Query("select * from pic");
    q->Open();
    for (const char* n : Names) {
      q->Append();
      q->FieldByName("fname")->SetAsString(n);
      q->Post();
    }
  }
  std::vector<std::string> Names(TADOConnection* C = nullptr) {
    auto q = Query("select * from pic", C);
    q->Open();
    std::vector<std::string> out;
    for (; !q->Eof(); q->Next()) out.push_back(q->FieldByName("fname")->AsString());
    return out;
  }

  std::string File;
  TADOConnection Conn;
};

}  // namespace

TEST_F(Editing, EveryFieldKindRoundTripsThroughTheFile) {
  Conn.Execute(
      "create table kinds (id integer primary key autoincrement, s varchar(10) collate nocase, "
      "i integer, b boolean not null default 0, f double, d datetime, m longtext, g blob)");
  auto q = Query("select * from kinds");
  q->Open();
  q->Append();
  q->FieldByName("s")->SetAsString("Album");
  q->FieldByName("i")->SetAsInteger(-42);
  q->FieldByName("b")->SetAsBoolean(true);
  q->FieldByName("f")->SetAsFloat(2.5);
  const double when = 46366.5 + 1.0 / 86400;  // 2026-12-10 12:00:01
  q->FieldByName("d")->SetAsDateTime(when);
  q->FieldByName("m")->SetAsString(std::string(5000, 'm'));
  q->FieldByName("g")->SetAsString(std::string("\0\1\2\xFF", 4));
  q->Post();
  EXPECT_EQ(q->FieldByName("id")->AsInteger(), 1);  // the key the file gave
  q->Append();                                      // a row with nothing set
  q->FieldByName("s")->SetAsString("");
  q->FieldByName("s")->Clear();
  q->Post();

  TADOConnection other;
  other.SetConnectionString(ConnStr(File));
  auto r = Query("select * from kinds order by id", &other);
  r->Open();
  ASSERT_EQ(r->RecordCount(), 2);
  EXPECT_EQ(r->FieldByName("s")->AsString(), "Album");
  EXPECT_EQ(r->FieldByName("i")->AsInteger(), -42);
  EXPECT_TRUE(r->FieldByName("b")->AsBoolean());
  EXPECT_EQ(r->FieldByName("b")->AsString(), "True");
  EXPECT_DOUBLE_EQ(r->FieldByName("f")->AsFloat(), 2.5);
  EXPECT_NEAR(r->FieldByName("d")->AsDateTime(), when, 1e-9);
  EXPECT_EQ(r->FieldByName("d")->AsString(), "2026-12-10 12:00:01");
  EXPECT_EQ(r->FieldByName("m")->AsString(), std::string(5000, 'm'));
  EXPECT_EQ(r->FieldByName("m")->DisplayText(), "(MEMO)");
  EXPECT_EQ(r->FieldByName("g")->AsString(), std::string("\0\1\2\xFF", 4));
  EXPECT_TRUE(r->FieldByName("g")->IsBlob());
  r->Next();
  // Null reads as empty text, 0 and false; Yes/No defaults to No.
  for (const char* n : {"s", "i", "f", "d", "m", "g"})
    EXPECT_TRUE(r->FieldByName(n)->IsNull()) << n;
  EXPECT_EQ(r->FieldByName("s")->AsString(), "");
  EXPECT_EQ(r->FieldByName("i")->AsInteger(), 0);
  EXPECT_FALSE(r->FieldByName("b")->AsBoolean());
  EXPECT_EQ(r->FieldByName("d")->AsString(), "");
  EXPECT_EQ(r->FieldByName("m")->DisplayText(), "(Memo)");
}

TEST_F(Editing, ValuesLongerThanTheColumnAreStoredWhole) {
  const std::string longName(80, 'x');
  const std::string longType = std::string(100, 'T');  // a 100-character type into 50-wide dalei
  auto q = Query("select * from pic");
  q->Open();
  q->Append();
  q->FieldByName("fname")->SetAsString(longName + ".jpg");
  q->FieldByName("dalei")->SetAsString(longType);
  q->Post();
  EXPECT_EQ(q->FieldByName("fname")->Size(), 50);
  auto r = Query("select * from pic where fname=:f1");
  r->Parameters()->ParamByName("f1")->SetValue(longName + ".JPG");
  r->Open();
  ASSERT_EQ(r->RecordCount(), 1);
  EXPECT_EQ(r->FieldByName("dalei")->AsString(), longType);
}

TEST_F(Editing, ConversionErrorsAndMissingFields) {
  AddNames({"a.jpg"});
  auto q = Query("select * from pic");
  q->Open();
  EXPECT_THROW(q->FieldByName("nosuch"), EDatabaseError);
  EXPECT_EQ(q->FindField("NOSUCH"), nullptr);
  EXPECT_EQ(q->FindField("FNAME"), q->FieldByName("fname"));  // names ignore case
  EXPECT_THROW(q->FieldByName("fname")->AsInteger(), EConvertError);
  EXPECT_THROW(q->FieldByName("fname")->SetAsString("b.jpg"), EDatabaseError);  // not editing
  q->Edit();
  EXPECT_THROW(q->FieldByName("drend")->SetAsString("maybe"), EConvertError);
  EXPECT_THROW(q->FieldByName("qujiandate")->SetAsString("10 Dec"), EConvertError);
  EXPECT_THROW(q->FieldByName("id")->SetAsInteger(5), EDatabaseError);  // auto-increment
  q->Cancel();
  EXPECT_EQ(q->FieldByName("fname")->AsString(), "a.jpg");
}

TEST_F(Editing, NewRowsPositionsCancelAndDelete) {
  AddNames({"a.jpg", "b.jpg", "c.jpg"});
  auto q = Query("select * from pic");
  q->Open();
  EXPECT_EQ(q->RecordCount(), 3);
  q->Next();  // on b
  q->Insert();
  EXPECT_EQ(q->State(), dsInsert);
  q->FieldByName("fname")->SetAsString("x.jpg");
  q->Post();
  EXPECT_EQ(q->RecNo(), 2);  // inserted before b, and current
  EXPECT_EQ(q->RecordCount(), 4);

  q->Append();
  q->FieldByName("fname")->SetAsString("dropped.jpg");
  q->Cancel();
  EXPECT_EQ(q->RecordCount(), 4);
  EXPECT_EQ(q->FieldByName("fname")->AsString(), "x.jpg");

  // A new row nobody typed into is dropped by the next move; a typed one is posted.
  q->Append();
  q->First();
  EXPECT_EQ(q->RecordCount(), 4);
  q->Append();
  q->FieldByName("fname")->SetAsString("typed.jpg");
  q->First();
  EXPECT_EQ(q->RecordCount(), 5);

  ASSERT_TRUE(q->LocateText("fname", "b.jpg", 0));
  q->Delete();
  EXPECT_EQ(q->FieldByName("fname")->AsString(), "c.jpg");  // the next row becomes current
  q->Last();
  q->Delete();
  EXPECT_EQ(q->FieldByName("fname")->AsString(), "c.jpg");  // the last deleted: the one before
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "c.jpg", "x.jpg"}));
}

TEST_F(Editing, BlobsThroughStreams) {
  TADOConnection staging;
  staging.SetConnectionString(ConnStr(Copy("dayin.dll")));
  auto q = Query("select * from pic", &staging);
  q->Open();
  std::string jpeg(300000, '\0');
  for (size_t i = 0; i < jpeg.size(); ++i) jpeg[i] = static_cast<char>((i * 7919) >> 3);
  TMemoryStream src;
  src.WriteBuffer(jpeg.data(), static_cast<int64_t>(jpeg.size()));
  src.SetPosition(0);

  q->Append();
  q->FieldByName("fname")->SetAsString("a.jpg");
  auto* logo = dynamic_cast<TBlobField*>(q->FieldByName("logo"));
  ASSERT_NE(logo, nullptr);
  logo->LoadFromStream(&src);
  q->Post();
  q->Append();
  q->FieldByName("fname")->SetAsString("b.jpg");
  {
    auto w = q->CreateBlobStream(q->FieldByName("logo"), bmWrite);
    w->WriteBuffer("\xFF\xD8", 2);
    w->WriteBuffer("\0tail", 5);
  }
  q->Post();
  EXPECT_THROW(q->CreateBlobStream(q->FieldByName("logo"), bmWrite), EDatabaseError);  // browsing
  EXPECT_THROW(q->CreateBlobStream(q->FieldByName("fname"), bmRead), EDatabaseError);

  auto r = Query("select * from pic order by fname", &staging);
  r->Open();
  TMemoryStream out;
  out.WriteBuffer("pre", 3);
  dynamic_cast<TBlobField*>(r->FieldByName("logo"))->SaveToStream(&out);
  EXPECT_EQ(out.Size(), static_cast<int64_t>(3 + jpeg.size()));
  EXPECT_EQ(std::string(static_cast<const char*>(out.Memory()) + 3, jpeg.size()), jpeg);
  r->Next();
  auto rs = r->CreateBlobStream(r->FieldByName("logo"), bmRead);
  EXPECT_EQ(rs->Position(), 0);
  std::string got(static_cast<size_t>(rs->Size()), '\0');
  rs->ReadBuffer(got.data(), rs->Size());
  EXPECT_EQ(got, std::string("\xFF\xD8\0tail", 7));
  EXPECT_EQ(rs->Write("x", 1), 0);  // a read stream changes nothing
}

TEST_F(Editing, TwoConnectionsOnOneFile) {
  TADOConnection second;
  second.SetConnectionString(ConnStr(File, true));
  second.Open();
  auto open = Query("select * from pic", &second);
  open->Open();  // held open while the first connection writes
  AddNames({"a.jpg"});
  EXPECT_EQ(open->RecordCount(), 0);  // a static result keeps what it read
  open->Requery();
  EXPECT_EQ(open->RecordCount(), 1);
  open->Edit();
  open->FieldByName("dalei")->SetAsString("Album");
  open->Post();
  auto mine = Query("select * from pic where fname=:f1");
  mine->Parameters()->ParamByName("f1")->SetValue(std::string("A.JPG"));
  mine->Open();
  EXPECT_EQ(mine->FieldByName("dalei")->AsString(), "Album");

  // A row removed through the other connection cannot be posted; the edit stays for a retry.
  TADOCommand del;
  del.SetConnection(&second);
  del.SetCommandText("delete   from pic where fname=:f1");
  del.Parameters()->ParamByName("f1")->SetValue(std::string("a.jpg"));
  EXPECT_EQ(del.Execute(), 1);
  mine->Edit();
  mine->FieldByName("dalei")->SetAsString("Print");
  EXPECT_THROW(mine->Post(), EDatabaseError);
  EXPECT_EQ(mine->State(), dsEdit);
  mine->Cancel();
}

TEST_F(Editing, MissingOrDamagedFilesRaiseAndChangeNothing) {
  const std::string missing = Dir + "/nofolder/ImageTag.dll";
  const std::string garbage = Dir + "/garbage.dll";
  const std::string empty = Dir + "/empty.dll";
  std::string junk(4096, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>(i * 31 + 7);
  { std::ofstream(garbage, std::ios::binary) << junk; }
  { std::ofstream(empty, std::ios::binary); }
  // A real database whose header was overwritten.
  const std::string damaged = Copy("sysset.dll");
  std::string bytes = ReadFile(damaged);
  for (size_t i = 0; i < 16; ++i) bytes[i] = 'X';
  { std::ofstream(damaged, std::ios::binary | std::ios::trunc) << bytes; }

  struct Case {
    std::string file;
    const char* message;
  } cases[] = {
      {missing, "Could not find file"},
      {garbage, "is not a database file"},
      {empty, "is not a database file"},
      {damaged, "is not a database file"},
  };
  for (const auto& c : cases) {
    const std::string before = ReadFile(c.file);
    TADOConnection conn;
    conn.SetConnectionString(ConnStr(c.file));
    try {
      conn.Open();
      ADD_FAILURE() << c.file << " opened";
    } catch (const EOleException& e) {
      EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(c.file), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(conn.Connected());
    auto q = Query("select * from pic", &conn);
    EXPECT_THROW(q->Open(), EOleException);  // opening a query tries the connection again
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(ReadFile(c.file), before) << c.file;
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_FALSE(std::filesystem::exists(Dir + "/nofolder"));
}

TEST_F(Editing, AKilledProcessLosesNoPostedRow) {
  int acks[2];
  ASSERT_EQ(pipe(acks), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The child posts rows one by one, telling the parent after each Post returned, until killed.
    close(acks[0]);
    TADOConnection c;
    c.SetConnectionString(ConnStr(File));
    TADOQuery q;
    q.SetConnection(&c);
    q.SetSQLText("select * from pic");
    q.Open();
    for (int i = 0;; ++i) {
      q.Append();
      q.FieldByName("fname")->SetAsString("IMG_" + std::to_string(i) + ".jpg");
      q.FieldByName("yongtu")->SetAsString(std::string(200, 'r'));
      q.Post();
      if (write(acks[1], "+", 1) != 1) _exit(1);
    }
  }
  close(acks[1]);
  int confirmed = 0;
  char ch;
  while (confirmed < 25 && read(acks[0], &ch, 1) == 1) ++confirmed;
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(acks[0]);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(confirmed, 25);

  TADOConnection reopened;
  reopened.SetConnectionString(ConnStr(File));
  auto check = Query("pragma integrity_check", &reopened);
  check->Open();
  EXPECT_EQ(check->Fields()->Fields(0)->AsString(), "ok");
  auto q = Query("select * from pic order by id", &reopened);
  q->Open();
  ASSERT_GE(q->RecordCount(), confirmed);
  for (int i = 0; i < confirmed; ++i, q->Next())
    EXPECT_EQ(q->FieldByName("fname")->AsString(), "IMG_" + std::to_string(i) + ".jpg");
}

TEST_F(Editing, ReadOnlyResultsRefuseChanges) {
  AddNames({"a.jpg", "a.jpg"});
  for (const char* sql : {"select fname from pic  group by fname", "select count(*) from pic",
                          "select p.fname from pic p", "select * from pic, beizhu"}) {
    auto q = Query(sql);
    q->Open();
    EXPECT_FALSE(q->CanModify()) << sql;
    if (!q->IsEmpty()) {
      EXPECT_THROW(q->Edit(), EDatabaseError) << sql;
    }
    EXPECT_THROW(q->Append(), EDatabaseError) << sql;
  }
}

TEST_F(Editing, NavigationBofEofAndRecNo) {
  auto q = Query("select * from pic");
  q->Open();
  EXPECT_TRUE(q->Bof() && q->Eof() && q->IsEmpty());
  EXPECT_EQ(q->RecNo(), 0);
  q->Next();
  EXPECT_TRUE(q->Eof());
  EXPECT_THROW(q->Delete(), EDatabaseError);
  q->Close();
  AddNames({"a.jpg", "b.jpg", "c.jpg"});
  q->Open();
  EXPECT_TRUE(q->Bof());
  EXPECT_FALSE(q->Eof());
  std::vector<int> seen;
  for (; !q->Eof(); q->Next()) seen.push_back(q->RecNo());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(q->FieldByName("fname")->AsString(), "c.jpg");  // Eof stays on the last row
  q->Prior();
  EXPECT_EQ(q->RecNo(), 2);
  EXPECT_EQ(q->MoveBy(-5), -1);
  EXPECT_TRUE(q->Bof());
  q->SetRecNo(3);
  EXPECT_EQ(q->FieldByName("fname")->AsString(), "c.jpg");
  q->Close();
  EXPECT_THROW(q->RecordCount(), EDatabaseError);
}

TEST_F(Editing, LocateWithAndWithoutCase) {
  Conn.Execute("create table t (k varchar(20), n integer)");  // k without NOCASE
  Conn.Execute("insert into t values ('Alpha', 1), ('beta', 2), ('Gamma', 3)");
  AddNames({"IMG_1.jpg", "IMG_2.JPG"});
  auto t = Query("select * from t");
  t->Open();
  struct Case {
    const char* field;
    const char* key;
    TLocateOptions options;
    int recNo;  // 0: not found
  } cases[] = {
      {"k", "beta", 0, 2},
      {"k", "BETA", 0, 0},
      {"k", "BETA", loCaseInsensitive, 2},
      {"k", "gam", loPartialKey, 0},
      {"k", "gam", loPartialKey | loCaseInsensitive, 3},
      {"n", "3", 0, 3},
      {"n", "4", 0, 0},
  };
  for (const auto& c : cases) {
    t->First();
    EXPECT_EQ(t->LocateText(c.field, c.key, c.options), c.recNo != 0) << c.key;
    EXPECT_EQ(t->RecNo(), c.recNo ? c.recNo : 1) << c.key;  // a miss stays where it was
  }
  // A NOCASE column is located without regard to case in any case.
  auto p = Query("select * from pic");
  p->Open();
  EXPECT_TRUE(p->LocateText("fname", "img_2.jpg", 0));
  EXPECT_EQ(p->RecNo(), 2);
}

TEST_F(Editing, BookmarksFollowRowsNotPositions) {
  AddNames({"a.jpg", "b.jpg", "c.jpg"});
  auto q = Query("select * from pic");
  q->Open();
  q->Next();
  TBookmark b = q->GetBookmark();
  q->First();
  q->Insert();
  q->FieldByName("fname")->SetAsString("first.jpg");
  q->Post();
  ASSERT_TRUE(q->BookmarkValid(b));
  q->GotoBookmark(b);
  EXPECT_EQ(q->FieldByName("fname")->AsString(), "b.jpg");
  EXPECT_EQ(q->RecNo(), 3);
  EXPECT_LT(q->CompareBookmarks(q->GetBookmark(), b) + 1, 2);
  q->Delete();
  EXPECT_FALSE(q->BookmarkValid(b));
  EXPECT_THROW(q->GotoBookmark(b), EDatabaseError);
}

TEST_F(Editing, CalculatedRowNumberAndEvents) {
  AddNames({"a.jpg", "b.jpg"});
  auto q = Query("select * from pic where fname<>:a1");
  q->Parameters()->ParamByName("a1")->SetValue(std::string("none"));
  TField* xuhao = q->CreateField(ftInteger, "xuhao", fkCalculated);
  std::vector<std::string> log;
  q->OnCalcFields = [&](TDataSet* D) { D->FieldByName("xuhao")->SetAsInteger(D->RecNo()); };
  q->BeforeOpen = [&](TDataSet*) { log.push_back("BeforeOpen"); };
  q->AfterOpen = [&](TDataSet*) { log.push_back("AfterOpen"); };
  q->AfterScroll = [&](TDataSet*) { log.push_back("AfterScroll"); };
  q->BeforePost = [&](TDataSet* D) {
    log.push_back("BeforePost:" + D->FieldByName("fname")->AsString());
  };
  q->AfterPost = [&](TDataSet*) { log.push_back("AfterPost"); };
  q->OnNewRecord = [&](TDataSet*) { log.push_back("OnNewRecord"); };
  q->Open();
  // Default fields for the columns, then the calculated one.
  EXPECT_EQ(q->FieldCount(), 13);
  EXPECT_EQ(q->Fields()->Fields(12), xuhao);
  EXPECT_EQ(q->FieldByName("xuhao")->AsInteger(), 1);
  q->Next();
  EXPECT_EQ(xuhao->AsInteger(), 2);
  EXPECT_THROW(xuhao->SetAsInteger(9), EDatabaseError);  // only inside OnCalcFields
  q->Append();
  EXPECT_EQ(xuhao->AsInteger(), 1);  // a row being inserted shows 1
  q->FieldByName("fname")->SetAsString("c.jpg");
  q->Post();
  EXPECT_EQ(xuhao->AsInteger(), 3);
  EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen", "AfterOpen", "AfterScroll", "AfterScroll",
                                           "OnNewRecord", "AfterScroll", "BeforePost:c.jpg",
                                           "AfterPost"}));
  q->Close();
  EXPECT_EQ(q->FieldCount(), 1);  // the calculated field stays for the next opening
  q->Open();
  EXPECT_EQ(q->FieldCount(), 13);
}

TEST_F(Editing, VariantValuesParametersAndKeys) {
  AddNames({"a.jpg", "b.jpg"});
  auto q = Query("select * from pic where id>=:a1 and fname<>:f1");
  ASSERT_EQ(q->Parameters()->Count(), 2);
  q->Parameters()->ParamByName("A1")->SetValue(Variant(1));
  q->Parameters()->ParamByName("f1")->SetValue(Variant("zzz"));
  EXPECT_EQ(q->Parameters()->Items(0)->Value().AsInteger(), 1);
  EXPECT_THROW(q->Parameters()->ParamByName("nosuch"), EDatabaseError);
  // Changing the statement keeps the values of names that stay.
  q->SetSQLText("select * from pic where id>=:a1");
  ASSERT_EQ(q->Parameters()->Count(), 1);
  EXPECT_EQ(q->Parameters()->Items(0)->Value().AsInteger(), 1);
  q->Open();
  ASSERT_EQ(q->RecordCount(), 2);

  EXPECT_EQ(VarType(q->FieldByName("id")->Value()), varInteger);
  EXPECT_EQ(q->FieldByName("fname")->Value().AsString(), "a.jpg");
  EXPECT_TRUE(VarIsNull(q->FieldByName("dalei")->Value()));
  EXPECT_EQ(VarType(q->FieldByName("drend")->Value()), varBoolean);
  q->Edit();
  q->FieldByName("dalei")->SetValue(Variant("Album"));
  q->FieldByName("drend")->SetValue(Variant(true));
  q->FieldByName("qujiandate")->SetValue(Variant::FromDate(46366.25));  // 2026-12-10 06:00
  q->FieldByName("xiugai")->SetValue(Null());
  q->Post();
  EXPECT_EQ(q->FieldByName("qujiandate")->AsString(), "2026-12-10 06:00:00");
  EXPECT_EQ(VarType(q->FieldByName("qujiandate")->Value()), varDate);

  struct Case {
    const char* fields;
    Variant key;
    bool found;
    int recNo;
  } cases[] = {
      {"fname", Variant("B.JPG"), true, 2},
      {"id", Variant(2), true, 2},
      {"id", Variant("1"), true, 1},
      {"fname;dalei", VarArrayOf({Variant("A.jpg"), Variant("album")}), true, 1},
      {"fname;dalei", VarArrayOf({Variant("b.jpg"), Variant("Album")}), false, 0},
      {"dalei", Null(), true, 2},
  };
  for (const auto& c : cases) {
    q->First();
    if (c.recNo == 1) q->Last();
    EXPECT_EQ(q->Locate(c.fields, c.key, loCaseInsensitive), c.found) << c.fields;
    if (c.found) {
      EXPECT_EQ(q->RecNo(), c.recNo) << c.fields;
    }
  }
}

TEST_F(Editing, OwnedComponentsTablesAndDefinitionsOfAClosedQuery) {
  AddNames({"a.jpg"});
  auto form = std::make_unique<TComponent>(nullptr);
  auto* conn = new TADOConnection(form.get());
  auto* table = new TADOTable(form.get());
  auto* source = new TDataSource(form.get());
  auto* query = new TADOQuery(form.get());
  conn->SetConnectionString(ConnStr(File, true));
  conn->SetLoginPrompt(false);
  table->SetConnection(conn);
  table->SetTableName("pic");
  source->SetDataSet(table);
  table->Open();
  EXPECT_EQ(table->FieldByName("fname")->AsString(), "a.jpg");
  table->Edit();
  table->FieldByName("dalei")->SetAsString("Print");
  table->Post();

  // The definitions of a closed query, without opening it.
  query->SetConnection(conn);
  query->SetSQLText("select fname, dalei from pic where fname=:f1");
  query->FieldDefs()->Update();
  EXPECT_FALSE(query->Active());
  ASSERT_EQ(query->FieldDefs()->Count(), 2);
  EXPECT_EQ(query->FieldDefs()->Find("DALEI")->Size, 50);
  EXPECT_THROW(query->FieldDefs()->Find("id"), EDatabaseError);

  TStringList names;
  conn->GetTableNames(&names);
  EXPECT_EQ(names.CommaText(), "beizhu,miaoshu,pic");
  conn->GetFieldNames("beizhu", &names);
  EXPECT_EQ(names.CommaText(), "beizhu");
  table->GetFieldNames(&names);
  EXPECT_EQ(names.Count(), 12);
  EXPECT_EQ(names[2], "fname");

  // Closing the connection closes its data sets; freeing the owner frees all, in any order.
  conn->Close();
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(source->State(), dsInactive);
  form.reset();
  TADOConnection check;
  check.SetConnectionString(ConnStr(File));
  auto q = Query("select * from pic", &check);
  q->Open();
  EXPECT_EQ(q->FieldByName("dalei")->AsString(), "Print");
}

TEST_F(Editing, ATableChangedByAnotherConnectionIsDescribedAfresh) {
  Conn.Execute("create table t (a integer)");
  Conn.Execute("insert into t values (1)");
  auto q = Query("select * from t");
  q->Open();
  EXPECT_EQ(q->FieldCount(), 1);
  q->Close();
  TADOConnection other;
  other.SetConnectionString(ConnStr(File));
  other.Execute("alter table t add column b varchar(5)");
  other.Execute("update t set b = 'x'");
  q->Open();
  ASSERT_EQ(q->FieldCount(), 2);
  EXPECT_EQ(q->FieldByName("b")->AsString(), "x");
  EXPECT_EQ(q->FieldByName("b")->Size(), 5);
}

TEST_F(Editing, FieldsAssignToFieldsAndMemoLines) {
  auto memo = Query("select * from beizhu");
  memo->Open();
  memo->Append();
  TStringList lines;
  lines.Add("first line");
  lines.Add("second line");
  memo->FieldByName("beizhu")->Assign(&lines);
  memo->Post();
  TStringList back;
  back.Assign(memo->FieldByName("beizhu"));  // a report memo taking the folder memo
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back[1], "second line");

  // The staging step copies catalog fields into staging fields.
  AddNames({"a.jpg"});
  auto src = Query("select * from pic");
  src->Open();
  TADOConnection staging;
  staging.SetConnectionString(ConnStr(Copy("dayin.dll")));
  auto dst = Query("select * from pic", &staging);
  dst->Open();
  dst->Append();
  dst->FieldByName("fname")->Assign(src->FieldByName("fname"));
  dst->FieldByName("yongtu")->Assign(src->FieldByName("yongtu"));  // null stays null
  EXPECT_THROW(dst->FieldByName("drend")->Assign(&lines), EConvertError);
  dst->Post();
  EXPECT_EQ(dst->FieldByName("fname")->AsString(), "a.jpg");
  EXPECT_TRUE(dst->FieldByName("yongtu")->IsNull());
}

TEST_F(Editing, PublishedPropertiesByName) {
  AddNames({"a.jpg"});
  TADOConnection conn;
  TADOQuery query;
  TDataSource source;
  SetStrProp(&conn, "ConnectionString", ConnStr(File, true));
  SetOrdProp(&conn, "LoginPrompt", 0);
  EXPECT_FALSE(conn.LoginPrompt());
  EXPECT_EQ(conn.DataSource(), File);
  SetObjectProp(&query, "Connection", &conn);
  EXPECT_EQ(query.Connection(), &conn);
  auto* sql = dynamic_cast<TStrings*>(GetObjectProp(&query, "SQL"));
  ASSERT_NE(sql, nullptr);
  sql->Add("select * from pic");
  SetObjectProp(&source, "DataSet", &query);
  EXPECT_EQ(source.DataSet(), &query);
  SetOrdProp(&query, "Active", 1);
  ASSERT_TRUE(query.Active());
  EXPECT_TRUE(conn.Connected());
  EXPECT_EQ(GetStrProp(query.FieldByName("fname"), "FieldName"), "fname");
  EXPECT_EQ(GetOrdProp(query.FieldByName("fname"), "DisplayWidth"), 50);
  std::vector<std::string> names;
  for (PPropInfo p : GetPropList(&query)) names.push_back(p->Name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"Name", "Tag", "Active", "Connection", "ParamCheck", "SQL"}));
  EXPECT_FALSE(IsStoredProp(&conn, "Connected"));
}

namespace {
// Stands for a picture of the graphics library: takes a blob field's bytes.
class TFakePicture : public TPersistent {
  ORV_CLASS(TFakePicture, TPersistent)
public:
  std::string Bytes;
};
ORV_CLASS_IMPL(TFakePicture, TPersistent)
class TFakeJpegPicture : public TFakePicture {
  ORV_CLASS(TFakeJpegPicture, TFakePicture)
};
ORV_CLASS_IMPL(TFakeJpegPicture, TFakePicture)
}  // namespace

TEST_F(Editing, BlobFieldsAssignToRegisteredTargets) {
  TADOConnection staging;
  staging.SetConnectionString(ConnStr(Copy("dayin.dll")));
  auto q = Query("select * from pic", &staging);
  q->Open();
  q->Append();
  q->FieldByName("logo")->SetAsString(std::string("\xFF\xD8\xFF\xE0", 4));
  q->Post();
  TFakeJpegPicture pic;
  EXPECT_THROW(pic.Assign(q->FieldByName("logo")), EConvertError);  // nobody takes it yet
  RegisterBlobAssignTarget(TFakePicture::StaticClass(), [](TBlobField* F, TPersistent* T) {
    static_cast<TFakePicture*>(T)->Bytes = F->AsBytes();
  });
  pic.Assign(q->FieldByName("logo"));  // a descendant of the registered class
  EXPECT_EQ(pic.Bytes, std::string("\xFF\xD8\xFF\xE0", 4));
}
