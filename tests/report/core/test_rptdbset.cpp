// The report dataset over the data layer, on a real SQLite file.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <memory>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/adodb.h"
#include "report/core/rptclass.h"
#include "report/core/rptdbset.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"

namespace {

class RptDBDatasetTest : public ::testing::Test {
protected:
  void SetUp() override {
    File = GetTempFileName(GetTempPath(), "rpdb");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(File.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "create table t (x integer)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    Conn.SetLoginPrompt(false);
    Conn.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" + File);
    Conn.Open();
    Conn.Execute("create table pic (CustNo integer, fname varchar(40), secret varchar(10), "
                 "flag boolean, logo blob)");
    Conn.Execute("insert into pic values (1, 'a.jpg', 'x', 1, x'00FF10')");
    Conn.Execute("insert into pic (CustNo, fname, secret) values (2, 'b.jpg', 'y')");
    Conn.Execute("insert into pic (CustNo, fname, secret) values (3, 'c.jpg', 'z')");
    Query = std::make_unique<TADOQuery>();
    Query->SetConnection(&Conn);
    Query->SetSQLText("select * from pic order by CustNo");
    Report = std::make_unique<TrptReport>(nullptr);
    Report->EngineOptions()->SilentMode = true;
    Data = new TrptDBDataset(Report.get());
    Data->SetName("a2");
    Data->SetDataSet(Query.get());
    Data->Report = Report.get();
    Report->DataSets()->Add(Data);
  }
  void TearDown() override {
    Report.reset();
    Query.reset();
    Conn.Close();
    DeleteFile(File);
  }
  std::vector<std::string> Walk() {
    std::vector<std::string> out;
    Data->Initialize();
    Data->First();
    while (!Data->Eof()) {
      out.push_back(VarToStr(Data->GetValue("fname")));
      Data->Next();
    }
    Data->Finalize();
    return out;
  }
  std::string File;
  TADOConnection Conn;
  std::unique_ptr<TADOQuery> Query;
  std::unique_ptr<TrptReport> Report;
  TrptDBDataset* Data;
};

}  // namespace

TEST_F(RptDBDatasetTest, WalksTheQueryAndAnswersFields) {
  EXPECT_EQ(Walk(), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
  Data->Initialize();
  Data->First();
  EXPECT_EQ(Data->GetValue("CustNo").AsInteger(), 1);
  EXPECT_EQ(Data->GetDisplayText("fname"), "a.jpg");
  EXPECT_EQ(Data->GetFieldType("fname"), fftString);
  EXPECT_EQ(Data->GetFieldType("flag"), fftBoolean);
  EXPECT_EQ(Data->GetFieldType("CustNo"), fftNumeric);
  EXPECT_EQ(Data->RecordCount(), 3);
  EXPECT_TRUE(Data->IsBlobField("logo"));
  TMemoryStream m;
  Data->AssignBlobTo("logo", &m);
  EXPECT_EQ(m.Position(), 0);
  ASSERT_EQ(m.Size(), 3);
  EXPECT_EQ(static_cast<const uint8_t*>(m.Memory())[1], 0xFF);
  Data->Finalize();
}

TEST_F(RptDBDatasetTest, MissingFieldsAreCollectedErrors) {
  Report->CurObjectName = "Memo1";
  Data->Initialize();
  Data->First();
  EXPECT_TRUE(Data->GetValue("nosuch").IsNull());
  EXPECT_EQ(Data->GetDisplayText("nosuch"), "字段不存在: a2.\"nosuch\"");
  ASSERT_EQ(Report->Errors()->Count(), 1);
  EXPECT_EQ(Report->Errors()->Get(0), "Memo1: 字段不存在: a2.\"nosuch\"");
  Data->Finalize();
}

TEST_F(RptDBDatasetTest, AliasesHideAndRenameFields) {
  Data->FieldAliases()->SetText("CustNo=Customer\n-secret=Hidden\nfname=File");
  TStringList l;
  Data->GetFieldList(&l);
  EXPECT_EQ(l.CommaText(), "Customer,File");
  EXPECT_EQ(Data->FieldsCount(), 2);
  Data->Initialize();
  Data->First();
  EXPECT_EQ(Data->GetValue("customer").AsInteger(), 1);
  Data->Finalize();
}

TEST_F(RptDBDatasetTest, CurrentRangeDeliversTheCurrentRecordAndStaysThere) {
  Query->Open();
  Query->Next();  // on b.jpg
  Data->RangeBegin = rbCurrent;
  Data->RangeEnd = reCurrent;
  EXPECT_EQ(Walk(), (std::vector<std::string>{"b.jpg"}));
  EXPECT_EQ(Query->FieldByName("fname")->AsString(), "b.jpg");
}

TEST_F(RptDBDatasetTest, NoSourceIsAClearError) {
  Data->SetDataSet(nullptr);
  try {
    Data->Initialize();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "数据库 a2 未连接至数据库");
  }
}

TEST_F(RptDBDatasetTest, ReportExpressionsReadFieldsThroughTheDataset) {
  ASSERT_TRUE(Report->CompileReportScript()) << Report->Errors()->Text();
  Data->Initialize();
  Data->First();
  Data->Next();
  EXPECT_EQ(Report->Calc("a2.\"fname\"").AsString(), "b.jpg");
  EXPECT_EQ(Report->Calc("a2.\"flag\"").AsBoolean(), false);  // Null Boolean with ConvertNulls
  Data->Finalize();
}
