// The data side of a grid: columns, titles, cell texts of the visible rows, row selection.
#include <memory>

#include "platform/vcl/adodb.h"
#include "platform/vcl/dbgrids.h"
#include "test_dbfixture.h"

namespace {

class Grid : public DbFolder {
protected:
  void SetUp() override {
    DbFolder::SetUp();
    Conn.SetConnectionString(ConnStr(Copy("ImageTag.dll")));
    Q.SetConnection(&Conn);
    Q.SetSQLText("select * from pic");
    Q.Open();
    const char* rows[][3] = {{"a.jpg", "Album  [Quantity]2  [Size]8x10", "Retouch"},
                             {"a.jpg", "Print  [Quantity]1  [Size]5x7", nullptr},
                             {"a.jpg", nullptr, nullptr}};
    for (auto& r : rows) {
      Q.Append();
      Q.FieldByName("fname")->SetAsString(r[0]);
      if (r[1]) Q.FieldByName("yongtu")->SetAsString(r[1]);
      if (r[2]) Q.FieldByName("xiugai")->SetAsString(r[2]);
      Q.Post();
    }
    Q.Close();
    Source.SetDataSet(&Q);
    Link.SetDataSource(&Source);
    Link.SetReadOnly(true);
    Link.SetBufferCount(10);
  }
  void TearDown() override {
    Link.OnChanged = nullptr;
    DbFolder::TearDown();
  }
  std::vector<std::string> Row(int R) {
    std::vector<std::string> out;
    for (int c = 0; c < Columns.Count(); ++c) out.push_back(Link.CellText(R, c));
    return out;
  }

  TADOConnection Conn;
  TADOQuery Q;
  TDataSource Source;
  TDBGridColumns Columns;
  TGridDataLink Link{&Columns};
};

}  // namespace

TEST_F(Grid, TheRequirementListWithItsOwnColumnsAndRowNumbers) {
  // The modify list: row number, file name, requirement, design requirement.
  struct {
    const char* field;
    const char* title;
    int width;
  } columns[] = {{"xuhao", "ID", 44},
              {"fname", "File name", 100},
              {"yongtu", "Production Requirements", 304},
              {"xiugai", "Design requirements", 174}};
  for (auto& s : columns) {
    TColumn* c = Columns.Add();
    c->SetFieldName(s.field);
    c->Title()->SetCaption(s.title);
    c->SetWidth(s.width);
  }
  EXPECT_EQ(Columns.State(), csCustomized);
  Q.SetSQLText("select * from pic where fname=:a1");
  Q.Parameters()->ParamByName("a1")->SetValue(std::string("A.JPG"));
  Q.CreateField(ftInteger, "xuhao", fkCalculated);
  Q.OnCalcFields = [](TDataSet* D) { D->FieldByName("xuhao")->SetAsInteger(D->RecNo()); };
  int changes = 0;
  Link.OnChanged = [&] { ++changes; };
  Q.Open();
  EXPECT_GT(changes, 0);
  ASSERT_EQ(Columns.Count(), 4);  // kept as the program made them
  EXPECT_EQ(Columns.Items(2)->Title()->Caption(), "Production Requirements");
  EXPECT_EQ(Columns.Items(2)->Width(), 304);
  ASSERT_EQ(Link.RowCount(), 3);
  EXPECT_EQ(Row(0),
            (std::vector<std::string>{"1", "a.jpg", "Album  [Quantity]2  [Size]8x10", "Retouch"}));
  EXPECT_EQ(Row(1), (std::vector<std::string>{"2", "a.jpg", "Print  [Quantity]1  [Size]5x7", ""}));
  EXPECT_EQ(Row(2), (std::vector<std::string>{"3", "a.jpg", "", ""}));
  EXPECT_EQ(Link.CellText(3, 0), "");
  EXPECT_EQ(Link.CellText(0, 4), "");

  // A click on the second row makes it current; the row editor then reads its id.
  Link.SelectRow(1);
  EXPECT_EQ(Link.CurrentRow(), 1);
  EXPECT_EQ(Q.FieldByName("id")->AsInteger(), 2);
  EXPECT_EQ(Q.FieldByName("xuhao")->AsInteger(), 2);
  // The read-only grid never starts editing.
  EXPECT_FALSE(Link.Edit());
  EXPECT_EQ(Q.State(), dsBrowse);
  // Deleting the current row leaves two rows, numbered again.
  Q.Delete();
  EXPECT_EQ(Link.RowCount(), 2);
  EXPECT_EQ(Row(1)[0], "2");
  EXPECT_EQ(Row(1)[2], "");
}

TEST_F(Grid, DefaultColumnsFollowTheFields) {
  Q.SetSQLText("select fname, yongtu from pic");
  Q.Open();
  EXPECT_EQ(Columns.State(), csDefault);
  ASSERT_EQ(Columns.Count(), 2);
  EXPECT_EQ(Columns.Items(0)->Title()->Caption(), "fname");
  EXPECT_EQ(Row(0), (std::vector<std::string>{"a.jpg", "Album  [Quantity]2  [Size]8x10"}));
  Q.Close();
  EXPECT_EQ(Columns.Count(), 0);
  EXPECT_EQ(Link.RowCount(), 0);
  Q.SetSQLText("select * from pic");
  Q.Open();
  EXPECT_EQ(Columns.Count(), 12);
  Q.FieldByName("id")->SetDisplayLabel("Key");
  EXPECT_EQ(Columns.Items(0)->Title()->Caption(), "Key");
}
