// Data-aware controls on a real database: the grid follows and moves the data set, the edit
// box writes typed text back, the label follows the current row.
#include <cstdlib>

#include "platform/vcl/adodb.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/forms.h"
#include "test_dbfixture.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

class DbControls : public DbFolder {
protected:
  void SetUp() override {
    DbFolder::SetUp();
    ResetInputState();
    Conn.SetConnectionString(ConnStr(Copy("ImageTag.dll")));
    Q.SetConnection(&Conn);
    Q.SetSQLText("select * from pic order by fname");
    Q.Open();
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) {
      Q.Append();
      Q.FieldByName("fname")->SetAsString(n);
      Q.Post();
    }
    Q.Close();
    Q.Open();
    Source.SetDataSet(&Q);
    Form = new TForm(nullptr);
    Form->SetBounds(0, 0, 500, 400);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    Q.Close();
    DbFolder::TearDown();
  }
  TADOConnection Conn;
  TADOQuery Q;
  TDataSource Source;
  TForm* Form = nullptr;
};

}  // namespace

TEST_F(DbControls, GridShowsTheRowsAndMovesTheDataSet) {
  auto* g = new TDBGrid(Form);
  g->SetParent(Form);
  g->SetBounds(0, 0, 400, 200);
  g->SetDataSource(&Source);
  g->SetReadOnly(true);
  int dbl = 0;
  g->OnDblClick = [&](TObject*) { ++dbl; };
  Form->Show();
  ASSERT_EQ(g->DataLink()->RowCount(), 3);
  int fnameCol = -1;
  for (int c = 0; c < g->Columns()->Count(); ++c)
    if (g->Columns()->Items(c)->FieldName() == "fname") fnameCol = c;
  ASSERT_GE(fnameCol, 0);
  EXPECT_EQ(g->DataLink()->CellText(1, fnameCol), "b.jpg");
  ClickAt(g, 10, g->DefaultRowHeight() * 2 + 5);  // the second data row
  Application()->ProcessMessages();
  EXPECT_EQ(Q.FieldByName("fname")->AsString(), "b.jpg");
  InjectKey(VK_DOWN, true);
  InjectKey(VK_DOWN, false);
  Application()->ProcessMessages();
  EXPECT_EQ(Q.FieldByName("fname")->AsString(), "c.jpg");
  ClickAt(g, 10, g->DefaultRowHeight() + 5);
  ClickAt(g, 10, g->DefaultRowHeight() + 5);
  Application()->ProcessMessages();
  EXPECT_EQ(Q.FieldByName("fname")->AsString(), "a.jpg");
  EXPECT_EQ(dbl, 1);
}

TEST_F(DbControls, EditWritesTypedTextBackAndLabelFollowsTheRow) {
  auto* e = new TDBEdit(Form);
  e->SetParent(Form);
  e->SetDataSource(&Source);
  e->SetDataField("fname");
  auto* other = new TEdit(Form);
  other->SetParent(Form);
  other->SetTop(40);
  auto* t = new TDBText(Form);
  t->SetParent(Form);
  t->SetTop(80);
  t->SetDataSource(&Source);
  t->SetDataField("fname");
  Form->Show();
  EXPECT_EQ(e->Text(), "a.jpg");
  EXPECT_EQ(t->Caption(), "a.jpg");
  e->SetFocus();
  e->SetSelStart(1);
  e->SetSelLength(4);
  InjectText("x");
  Application()->ProcessMessages();
  EXPECT_EQ(e->Text(), "ax");
  EXPECT_EQ(Q.State(), dsEdit);
  other->SetFocus();  // leaving the box writes the field
  Application()->ProcessMessages();
  EXPECT_EQ(Q.FieldByName("fname")->AsString(), "ax");
  Q.Post();
  Q.Next();
  EXPECT_EQ(t->Caption(), "b.jpg");
  EXPECT_EQ(e->Text(), "b.jpg");
  Q.First();
  EXPECT_EQ(e->Text(), "ax");
}
