// How controls follow a data set: data sources, field links and the row window of a grid.
#include <memory>

#include "platform/vcl/adodb.h"
#include "test_dbfixture.h"

namespace {

// A grid's link: remembers the notifications it got.
class TGridLink : public TDataLink {
public:
  std::vector<std::string> Log;

protected:
  void ActiveChanged() override { Log.push_back(Active() ? "active" : "inactive"); }
  void DataSetChanged() override { Log.push_back("changed"); }
  void DataSetScrolled(int Distance) override {
    Log.push_back("scrolled " + std::to_string(Distance));
  }
  void EditingChanged() override { Log.push_back(Editing() ? "editing" : "browsing"); }
  void RecordChanged(TField* F) override {
    Log.push_back("record " + (F ? F->FieldName() : std::string("-")));
  }
};

class Links : public DbFolder {
protected:
  void SetUp() override {
    DbFolder::SetUp();
    Conn.SetConnectionString(ConnStr(Copy("ImageTag.dll")));
    Q.SetConnection(&Conn);
    Q.SetSQLText("select * from pic");
    Q.Open();
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) {
      Q.Append();
      Q.FieldByName("fname")->SetAsString(n);
      Q.Post();
    }
    Q.Close();
    Source.SetDataSet(&Q);
  }
  void TearDown() override {
    // The tests' handlers capture their own locals, gone by now.
    Source.OnStateChange = nullptr;
    Source.OnDataChange = nullptr;
    DbFolder::TearDown();
  }
  // An edit box bound to fname: shows the field, writes its text back when asked.
  void BindEdit(TFieldDataLink& L, std::string& Shown, std::string& Typed) {
    L.SetDataSource(&Source);
    L.SetFieldName("fname");
    L.OnDataChange = [&L, &Shown](TObject*) {
      Shown = L.Field() ? L.Field()->AsString() : "(none)";
    };
    L.OnUpdateData = [&L, &Typed](TObject*) { L.Field()->SetAsString(Typed); };
  }

  TADOConnection Conn;
  TADOQuery Q;
  TDataSource Source;
};

}  // namespace

TEST_F(Links, AFieldLinkShowsTheCurrentRow) {
  TFieldDataLink link;
  std::string shown, typed;
  BindEdit(link, shown, typed);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(shown, "");
  Q.Open();
  EXPECT_TRUE(link.Active());
  EXPECT_EQ(shown, "a.jpg");
  Q.Next();
  EXPECT_EQ(shown, "b.jpg");
  Q.Last();
  EXPECT_EQ(shown, "e.jpg");
  ASSERT_TRUE(Q.LocateText("fname", "C.JPG", 0));
  EXPECT_EQ(shown, "c.jpg");
  Q.Close();
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(shown, "(none)");
}

TEST_F(Links, TypingEditsAndPostWritesTheControlText) {
  TFieldDataLink link;
  std::string shown, typed;
  BindEdit(link, shown, typed);
  std::vector<std::string> states;
  Source.OnStateChange = [&](TObject*) {
    states.push_back(Q.State() == dsEdit ? "edit" : Q.State() == dsBrowse ? "browse" : "other");
  };
  int editingChanges = 0;
  link.OnEditingChange = [&](TObject*) { ++editingChanges; };
  Q.Open();
  Q.Next();
  // The user types into the box: the link puts the data set into edit mode.
  EXPECT_TRUE(link.Edit());
  EXPECT_TRUE(link.Editing());
  typed = "renamed.jpg";
  link.Modified();
  Q.Post();  // takes the box's text first
  EXPECT_FALSE(link.Editing());
  EXPECT_EQ(editingChanges, 2);
  EXPECT_EQ(shown, "renamed.jpg");
  EXPECT_EQ(states, (std::vector<std::string>{"browse", "edit", "browse"}));
  Q.Close();
  Q.Open();
  ASSERT_TRUE(Q.LocateText("fname", "renamed.jpg", 0));
  EXPECT_EQ(Q.RecNo(), 2);

  // Without AutoEdit, or on a read-only link, typing does not start editing.
  Source.SetAutoEdit(false);
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(Q.State(), dsBrowse);
  Source.SetAutoEdit(true);
  link.SetReadOnly(true);
  EXPECT_FALSE(link.Edit());
  EXPECT_FALSE(link.CanModify());
  // A change the control did not commit is forgotten on Reset.
  link.SetReadOnly(false);
  link.Edit();
  typed = "lost.jpg";
  link.Modified();
  link.Reset();
  EXPECT_FALSE(link.IsModified());
  Q.Post();
  EXPECT_EQ(Q.FieldByName("fname")->AsString(), "renamed.jpg");
}

TEST_F(Links, DisabledControlsHearOneChangeAtTheEnd) {
  TFieldDataLink link;
  std::string shown, typed;
  BindEdit(link, shown, typed);
  int changes = 0;
  Source.OnDataChange = [&](TObject*, TField*) { ++changes; };
  Q.Open();
  changes = 0;
  Q.DisableControls();
  Q.DisableControls();
  for (; !Q.Eof(); Q.Next()) {
  }
  Q.EnableControls();
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(shown, "a.jpg");
  Q.EnableControls();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(shown, "e.jpg");
}

TEST_F(Links, AGridWindowFollowsTheCurrentRowAndReadsAnyVisibleRow) {
  TGridLink grid;
  grid.SetDataSource(&Source);
  grid.SetBufferCount(3);
  Q.Open();
  EXPECT_EQ(grid.Log, (std::vector<std::string>{"active"}));
  EXPECT_EQ(grid.RecordCount(), 3);
  EXPECT_EQ(grid.FirstRecord(), 0);
  grid.Log.clear();
  Q.Next();
  Q.Next();
  Q.Next();  // d: the window moves by one
  EXPECT_EQ(grid.Log, (std::vector<std::string>{"scrolled 0", "scrolled 0", "scrolled 1"}));
  EXPECT_EQ(grid.FirstRecord(), 1);
  EXPECT_EQ(grid.ActiveRecord(), 2);

  // Drawing the rows: each visible row's fields, then back to the current row.
  TField* f = Q.FieldByName("fname");
  std::vector<std::string> rows;
  for (int i = 0; i < grid.RecordCount(); ++i) {
    grid.SetActiveRecord(i);
    rows.push_back(f->AsString());
  }
  grid.SetActiveRecord(-1);
  EXPECT_EQ(rows, (std::vector<std::string>{"b.jpg", "c.jpg", "d.jpg"}));
  EXPECT_EQ(f->AsString(), "d.jpg");

  grid.Log.clear();
  Q.Edit();
  f->SetAsString("D2.jpg");
  Q.Cancel();
  EXPECT_EQ(grid.Log, (std::vector<std::string>{"editing", "record -", "record fname", "browsing",
                                                "changed"}));
  Q.First();
  EXPECT_EQ(grid.FirstRecord(), 0);

  // A disabled source makes every link inactive; a data set going away leaves none behind.
  Source.SetEnabled(false);
  EXPECT_FALSE(grid.Active());
  Source.SetEnabled(true);
  EXPECT_TRUE(grid.Active());
  {
    TADOQuery temp;
    temp.SetConnection(&Conn);
    temp.SetSQLText("select * from pic");
    temp.Open();
    Source.SetDataSet(&temp);
    EXPECT_TRUE(grid.Active());
  }
  EXPECT_EQ(Source.DataSet(), nullptr);
  EXPECT_FALSE(grid.Active());
}

TEST_F(Links, ANewRowShowsAtItsPlaceInTheWindow) {
  TGridLink grid;
  grid.SetDataSource(&Source);
  grid.SetBufferCount(10);
  Q.Open();
  TField* f = Q.FieldByName("fname");
  auto shown = [&] {
    std::string rows;
    for (int i = 0; i < grid.RecordCount(); ++i) {
      grid.SetActiveRecord(i);
      rows += (f->IsNull() ? std::string("_") : f->AsString().substr(0, 1));
    }
    grid.SetActiveRecord(-1);
    return rows + " @" + std::to_string(grid.ActiveRecord());
  };
  EXPECT_EQ(shown(), "abcde @0");
  Q.Append();  // the settings window's pending blank row, below the list
  EXPECT_EQ(shown(), "abcde_ @5");
  Q.Cancel();
  EXPECT_EQ(shown(), "abcde @0");
  Q.SetRecNo(3);
  Q.Insert();
  f->SetAsString("x.jpg");
  EXPECT_EQ(shown(), "abxcde @2");
  Q.Post();
  EXPECT_EQ(shown(), "abxcde @2");
  Q.Edit();
  f->SetAsString("y.jpg");
  EXPECT_EQ(shown(), "abycde @2");
  Q.Cancel();
  EXPECT_EQ(shown(), "abxcde @2");
}

TEST_F(Links, ClosingWhileControlsAreDisabledStillReleasesTheFields) {
  TFieldDataLink link;
  std::string shown, typed;
  BindEdit(link, shown, typed);
  Q.Open();
  ASSERT_NE(link.Field(), nullptr);
  Q.DisableControls();
  Q.Close();  // the default fields are destroyed with the result
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(link.Field(), nullptr);
  Q.Open();
  EXPECT_FALSE(link.Active());  // opening is told when controls are enabled again
  Q.EnableControls();
  EXPECT_TRUE(link.Active());
  EXPECT_EQ(shown, "a.jpg");
}
