// Data-aware controls on forms: the grid over a query (columns, current row both ways, scroll
// bar, double click, painting), edit box, memo, label, combo box and navigator.
#include <algorithm>
#include <cstdlib>
#include <map>

#include "platform/rtl/strings.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/dbgrids.h"
#include "platform/vcl/forms.h"
#include "platform/win/pngsnap.h"
#include "test_dbfixture.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

void CtrlKey(UINT vk) {
  InjectKey(VK_CONTROL, true);
  Key(vk);
  InjectKey(VK_CONTROL, false);
}

class DBControls : public DbFolder {
protected:
  void SetUp() override {
    DbFolder::SetUp();
    ResetInputState();
    Settings.SetConnectionString(ConnStr(Copy("sysset.dll")));
    Catalog.SetConnectionString(ConnStr(Copy("ImageTag.dll")));
    Q.SetConnection(&Settings);
    Q.SetSQLText("select * from yongtu");
    Source.SetDataSet(&Q);
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 676, 375);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    Q.Close();
    DbFolder::TearDown();
  }
  void Run() { Application()->ProcessMessages(); }
  // The yongtu values in the query's order.
  std::vector<std::string> Types() {
    std::vector<std::string> out;
    TADOQuery q;
    q.SetConnection(&Settings);
    q.SetSQLText("select * from yongtu");
    q.Open();
    for (; !q.Eof(); q.Next()) out.push_back(q.FieldByName("yongtu")->AsString());
    return out;
  }
  TDBGrid* MakeGrid(int Height = 200) {
    auto* g = new TDBGrid(Form);
    g->SetParent(Form);
    g->SetBounds(10, 10, 300, Height);
    g->SetDataSource(&Source);
    return g;
  }

  TADOConnection Settings, Catalog;
  TADOQuery Q;
  TDataSource Source;
  TForm* Form = nullptr;
};

}  // namespace

TEST_F(DBControls, GridColumnsTitlesAndWidthsFollowTheProgramOrTheFields) {
  TDBGrid* g = MakeGrid();
  Form->Show();
  // Default columns: one per field, titled with the field names.
  Q.Open();
  ASSERT_EQ(g->Columns()->Count(), 2);
  EXPECT_EQ(g->ColCount(), 3);  // indicator + two columns
  EXPECT_EQ(g->FixedCols(), 1);
  EXPECT_EQ(g->FixedRows(), 1);
  EXPECT_EQ(g->Columns()->Items(0)->Title()->Caption(), "yongtu");
  // The program's own column (the settings window: one column titled "Type set").
  Q.Close();
  TColumn* c = g->Columns()->Add();
  c->SetFieldName("yongtu");
  c->Title()->SetCaption("Type set");
  c->SetWidth(150);
  Q.Open();
  ASSERT_EQ(g->Columns()->Count(), 1);
  EXPECT_EQ(g->ColCount(), 2);
  EXPECT_EQ(g->ColWidths(1), 150);
  EXPECT_EQ(g->SelectedField(), Q.FieldByName("yongtu"));
  c->SetWidth(90);
  EXPECT_EQ(g->ColWidths(1), 90);
  // Sizing the column with the mouse on the title line changes the column's width.
  const int edge = g->CellRect(1, 0).right;
  POINT a = g->ClientToScreen(POINT{edge, 5});
  InjectMouseButton(a.x, a.y, 0, true);
  InjectMouseMove(a.x + 30, a.y);
  InjectMouseButton(a.x + 30, a.y, 0, false);
  Run();
  EXPECT_EQ(c->Width(), 120);
  EXPECT_EQ(g->ColWidths(1), 120);
  // Options drop the title row and the indicator.
  g->SetOptions(g->Options() - dgTitles - dgIndicator);
  EXPECT_EQ(g->FixedRows(), 0);
  EXPECT_EQ(g->FixedCols(), 0);
  EXPECT_EQ(g->ColCount(), 1);
  EXPECT_EQ(g->Row(), 0);
  // A closed data set leaves one empty row.
  Q.Close();
  EXPECT_EQ(g->RowCount(), 1);
}

TEST_F(DBControls, GridRowFollowsTheDataSetAndMovesIt) {
  TDBGrid* g = MakeGrid(100);
  g->SetReadOnly(true);
  Form->Show();
  Q.Open();
  const int n = Q.RecordCount();
  ASSERT_GE(n, 5);
  const int rows = g->VisibleDataRows();
  ASSERT_LT(rows, n);  // the window is smaller than the result
  EXPECT_EQ(g->RowCount(), 1 + rows);
  EXPECT_EQ(g->Row(), 1);
  EXPECT_EQ(g->RowAt(g->CellRect(1, 2).top + 2), 1);
  EXPECT_EQ(g->RowAt(2), -1);  // the title row
  EXPECT_EQ(g->TitleFont()->Name(), g->Font()->Name());  // the grid's font until changed
  // The data set moves the grid.
  Q.Next();
  Q.Next();
  EXPECT_EQ(g->Row(), 3);
  Q.Last();
  EXPECT_EQ(g->Row(), rows);  // the window follows: the last row at the bottom
  EXPECT_EQ(GetScrollPos(g->Handle(), SB_VERT), n - 1);
  // The grid moves the data set: keys, clicks, the scroll bar, the wheel.
  g->SetFocus();
  struct Step {
    std::function<void()> act;
    int recNo;
  } steps[] = {
      {[] { CtrlKey(VK_HOME); }, 1},
      {[] { Key(VK_DOWN); }, 2},
      {[] { Key(VK_UP); }, 1},
      {[] { Key(VK_UP); }, 1},
      {[&] { RECT r = g->CellRect(1, 3); ClickAt(g, r.left + 5, r.top + 5); }, 3},
      {[] { CtrlKey(VK_END); }, n},
      {[&] { SendMessage(g->Handle(), WM_VSCROLL, SB_TOP, 0); }, 1},
      {[&] { SendMessage(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 3), 0); }, 4},
      {[&] { SendMessage(g->Handle(), WM_VSCROLL, SB_LINEDOWN, 0); }, 5},
      {[&] { POINT p = g->ClientToScreen(POINT{50, 50}); InjectMouseWheel(p.x, p.y, WHEEL_DELTA * 2); }, 3},
  };
  int i = 0;
  for (auto& s : steps) {
    s.act();
    Run();
    EXPECT_EQ(Q.RecNo(), s.recNo) << "step " << i;
    EXPECT_EQ(g->Row(), 1 + g->DataLink()->CurrentRow()) << "step " << i;
    ++i;
  }
  // A read-only grid never puts the data set into edit mode.
  InjectText("x");
  Run();
  EXPECT_EQ(Q.State(), dsBrowse);
}

TEST_F(DBControls, GridPaintsFieldTextsOfEveryVisibleRowAndMarksTheCurrentOne) {
  // The requirement list: a calculated row number beside the stored columns.
  Q.SetConnection(&Catalog);
  Q.SetSQLText("select * from pic");
  Q.Open();
  for (const char* y : {"Album  [Quantity]2  [Size]8x10", "Print  [Quantity]1  [Size]5x7"}) {
    Q.Append();
    Q.FieldByName("fname")->SetAsString("a.jpg");
    Q.FieldByName("yongtu")->SetAsString(y);
    Q.Post();
  }
  Q.Close();
  Q.SetSQLText("select * from pic where fname=:a1");
  Q.Parameters()->ParamByName("a1")->SetValue(std::string("A.JPG"));
  Q.CreateField(ftInteger, "xuhao", fkCalculated);
  Q.OnCalcFields = [](TDataSet* D) { D->FieldByName("xuhao")->SetAsInteger(D->RecNo()); };
  TDBGrid* g = MakeGrid(150);
  struct {
    const char* field;
    const char* title;
    int width;
  } cols[] = {{"xuhao", "ID", 44}, {"fname", "File name", 100}, {"yongtu", "Production Requirements", 304}};
  for (auto& s : cols) {
    TColumn* c = g->Columns()->Add();
    c->SetFieldName(s.field);
    c->Title()->SetCaption(s.title);
    c->SetWidth(s.width);
  }
  std::map<std::pair<int, int>, std::string> texts;
  g->OnDrawColumnCell = [&](TObject*, const RECT& r, int dataCol, TColumn* col, TGridDrawState) {
    texts[{dataCol, r.top}] = col->Field()->DisplayText();
  };
  int dbl = 0, recAtDbl = 0;
  g->OnDblClick = [&](TObject*) {
    ++dbl;
    recAtDbl = Q.RecNo();
  };
  Form->Show();
  Q.Open();
  g->Repaint();
  Run();
  const int y1 = g->CellRect(1, 1).top, y2 = g->CellRect(1, 2).top;
  EXPECT_EQ((texts[{0, y1}]), "1");
  EXPECT_EQ((texts[{0, y2}]), "2");
  EXPECT_EQ((texts[{1, y2}]), "a.jpg");
  EXPECT_EQ((texts[{2, y2}]), "Print  [Quantity]1  [Size]5x7");
  // Painting reads other rows without moving the data set.
  EXPECT_EQ(Q.RecNo(), 1);
  // A double click on a row makes it current first, then runs OnDblClick.
  RECT r = g->CellRect(2, 2);
  ClickAt(g, r.left + 5, r.top + 5);
  ClickAt(g, r.left + 5, r.top + 5);
  Run();
  EXPECT_EQ(dbl, 1);
  EXPECT_EQ(recAtDbl, 2);

  // The look of the list (titles, indicator, lines, texts) against a golden image.
  HBITMAP shot = RenderWindowToBitmap(g->Handle());
  ASSERT_TRUE(shot);
  std::string golden = SourceDir() + "/tests/platform/vcl/golden/dbgrid_list.png";
  if (std::getenv("ORVANTA_UPDATE_GOLDEN")) SaveBitmapToPng(shot, golden);
  HBITMAP want = LoadPngToBitmap(golden);
  ASSERT_TRUE(want) << "missing golden image " << golden;
  EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 20);
  DeleteObject(want);
  DeleteObject(shot);
}

TEST_F(DBControls, EditBoxShowsTheFieldAndWritesTypedTextOnPost) {
  auto* e = new TDBEdit(Form);
  e->SetParent(Form);
  e->SetBounds(10, 10, 150, 21);
  e->SetDataSource(&Source);
  e->SetDataField("yongtu");
  auto* other = new TEdit(Form);
  other->SetParent(Form);
  other->SetBounds(10, 40, 150, 21);
  Form->Show();
  EXPECT_EQ(e->Text(), "");
  Q.Open();
  const auto types = Types();
  EXPECT_EQ(e->Text(), types[0]);
  EXPECT_EQ(e->Field(), Q.FieldByName("yongtu"));
  Q.Next();
  EXPECT_EQ(e->Text(), types[1]);
  // Typing starts editing; Post writes the text.
  e->SetFocus();
  Key(VK_END);
  InjectText(" book");
  Run();
  EXPECT_EQ(Q.State(), dsEdit);
  EXPECT_EQ(e->Text(), types[1] + " book");
  Q.Post();
  EXPECT_EQ(Types()[1], types[1] + " book");
  // Escape puts the field's value back; the row stays in edit mode until cancelled.
  InjectText("zz");
  Key(VK_ESCAPE);
  Run();
  EXPECT_EQ(e->Text(), types[1] + " book");
  Q.Cancel();
  // Leaving the box writes its text into the field (not yet stored).
  e->SetFocus();
  Key(VK_END);
  InjectText("!");
  Run();
  other->SetFocus();
  Run();
  EXPECT_EQ(Q.FieldByName("yongtu")->AsString(), types[1] + " book!");
  EXPECT_EQ(Types()[1], types[1] + " book");
  Q.Cancel();
  EXPECT_EQ(e->Text(), types[1] + " book");
  // Read-only: keys change nothing and do not start editing.
  e->SetReadOnly(true);
  e->SetFocus();
  InjectText("q");
  Key(VK_DELETE);
  Run();
  EXPECT_EQ(Q.State(), dsBrowse);
  EXPECT_EQ(e->Text(), types[1] + " book");
  // A data source without AutoEdit: typing while browsing is ignored as well.
  e->SetReadOnly(false);
  Source.SetAutoEdit(false);
  InjectText("q");
  Run();
  EXPECT_EQ(Q.State(), dsBrowse);
  EXPECT_EQ(e->Text(), types[1] + " book");
}

TEST_F(DBControls, MemoEditsTheFolderMemoLineByLine) {
  // The memo dialog: the single row of table beizhu, created on first save.
  Q.SetConnection(&Catalog);
  Q.SetSQLText("select * from beizhu");
  auto* m = new TDBMemo(Form);
  m->SetParent(Form);
  m->SetBounds(10, 10, 300, 200);
  m->SetDataSource(&Source);
  m->SetDataField("beizhu");
  Form->Show();
  Q.Open();
  ASSERT_TRUE(Q.IsEmpty());
  Q.Edit();  // an empty table gets a new row
  EXPECT_EQ(Q.State(), dsInsert);
  m->SetFocus();
  InjectText("first line");
  Key(VK_RETURN);
  InjectText("second");
  Run();
  Q.Post();
  Q.Close();
  Q.Open();
  EXPECT_EQ(m->Lines()->Count(), 2);
  EXPECT_EQ(m->Lines()->Strings(1), "second");
  EXPECT_EQ(Q.FieldByName("beizhu")->AsString(), "first line\r\nsecond");
}

TEST_F(DBControls, LabelAndComboBoxFollowTheRow) {
  auto* t = new TDBText(Form);
  t->SetParent(Form);
  t->SetBounds(10, 10, 100, 17);
  t->SetDataSource(&Source);
  t->SetDataField("id");
  auto* cb = new TDBComboBox(Form);
  cb->SetParent(Form);
  cb->SetBounds(10, 40, 150, 21);
  cb->SetDataSource(&Source);
  cb->SetDataField("yongtu");
  Form->Show();
  Q.Open();
  const auto types = Types();
  for (const auto& s : types) cb->Items()->Add(s);
  Q.Last();
  EXPECT_EQ(t->Caption(), Q.FieldByName("id")->AsString());
  EXPECT_EQ(cb->Text(), types.back());
  Q.First();
  EXPECT_EQ(t->Caption(), Q.FieldByName("id")->AsString());
  EXPECT_EQ(cb->Text(), types[0]);
  // Choosing the next item with the arrow key changes the field when posted.
  cb->SetFocus();
  cb->SetItemIndex(0);
  Key(VK_DOWN);
  Run();
  EXPECT_EQ(cb->Text(), types[1]);
  EXPECT_EQ(Q.State(), dsEdit);
  Q.Post();
  EXPECT_EQ(Types()[0], types[1]);
  // A choice made by the program (not a key) goes through edit mode as well.
  cb->SetItemIndex(2);
  EXPECT_EQ(Q.State(), dsEdit);
  Q.Post();
  EXPECT_EQ(Types()[0], types[2]);
}

TEST_F(DBControls, NavigatorEnablesItsButtonsByStateAndRunsThem) {
  auto* nav = new TDBNavigator(Form);
  nav->SetParent(Form);
  nav->SetBounds(10, 10, 250, 25);
  nav->SetDataSource(&Source);
  nav->SetConfirmDelete(false);
  std::vector<TNavigateBtn> clicked;
  nav->OnClick = [&](TObject*, TNavigateBtn b) { clicked.push_back(b); };
  Form->Show();
  auto enabled = [&] {
    std::string s;
    for (int b = nbFirst; b <= nbRefresh; ++b) s += nav->ButtonEnabled(static_cast<TNavigateBtn>(b)) ? '1' : '0';
    return s;
  };
  //                         F P N L I D E P C R
  EXPECT_EQ(enabled(), "0000000000");  // closed
  Q.Open();
  const int n = Q.RecordCount();
  EXPECT_EQ(enabled(), "0011111001");  // first row, browsing
  nav->BtnClick(nbNext);
  EXPECT_EQ(Q.RecNo(), 2);
  EXPECT_EQ(enabled(), "1111111001");
  nav->BtnClick(nbLast);
  EXPECT_EQ(Q.RecNo(), n);
  nav->BtnClick(nbNext);  // Eof reached: Next and Last go off
  EXPECT_EQ(enabled(), "1100111001");
  nav->BtnClick(nbEdit);
  EXPECT_EQ(Q.State(), dsEdit);
  EXPECT_EQ(enabled().substr(4), "110110");  // insert, delete stay; edit and refresh off; post, cancel on
  nav->BtnClick(nbCancel);
  EXPECT_EQ(Q.State(), dsBrowse);
  // A click on a button's rectangle runs it.
  RECT r = nav->ButtonRect(nbFirst);
  ClickAt(nav, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  Run();
  EXPECT_EQ(Q.RecNo(), 1);
  // Insert, post a value, delete it again.
  nav->BtnClick(nbInsert);
  EXPECT_EQ(Q.State(), dsInsert);
  Q.FieldByName("yongtu")->SetAsString("Canvas");
  nav->BtnClick(nbPost);
  EXPECT_EQ(Q.RecordCount(), n + 1);
  EXPECT_EQ(Q.FieldByName("yongtu")->AsString(), "Canvas");
  nav->BtnClick(nbDelete);
  EXPECT_EQ(Q.RecordCount(), n);
  EXPECT_EQ(Types().size(), static_cast<size_t>(n));
  // Disabled buttons do nothing and report nothing; hidden ones have no rectangle.
  Q.First();
  clicked.clear();
  nav->BtnClick(nbPrior);
  EXPECT_TRUE(clicked.empty());
  nav->SetVisibleButtons(TButtonSet{nbFirst, nbPrior, nbNext, nbLast});
  EXPECT_EQ(nav->ButtonRect(nbPost).right, 0);
  EXPECT_EQ(nav->ButtonRect(nbLast).right, nav->ClientWidth());
  // A read-only data set offers only the moves.
  Q.Close();
  Q.SetReadOnly(true);
  Q.Open();
  nav->SetVisibleButtons(TButtonSet{nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh});
  EXPECT_EQ(enabled(), "0011000001");
}

TEST_F(DBControls, GridOnAnEmptyResultAndWhileInserting) {
  Q.SetConnection(&Catalog);
  Q.SetSQLText("select * from pic");
  TDBGrid* g = MakeGrid(150);
  std::vector<std::string> ids;
  g->OnDrawColumnCell = [&](TObject*, const RECT&, int dataCol, TColumn* col, TGridDrawState) {
    if (dataCol == 0) ids.push_back(col->Field()->DisplayText());
  };
  Form->Show();
  Q.Open();
  ASSERT_TRUE(Q.IsEmpty());
  EXPECT_EQ(g->RowCount(), 2);  // the title and one empty row
  EXPECT_EQ(g->Row(), 1);
  g->Repaint();
  Run();
  EXPECT_TRUE(ids.empty());  // nothing to show in the empty row
  // A new row shows at once, as the current row.
  Q.Append();
  EXPECT_EQ(g->RowCount(), 2);
  EXPECT_EQ(g->DataLink()->RowCount(), 1);
  Q.FieldByName("fname")->SetAsString("b.jpg");
  Q.Post();
  Q.Append();
  Q.FieldByName("fname")->SetAsString("c.jpg");
  EXPECT_EQ(g->RowCount(), 3);
  EXPECT_EQ(g->Row(), 2);
  Q.Cancel();
  EXPECT_EQ(g->RowCount(), 2);
  EXPECT_EQ(g->Row(), 1);
  // Deleting the last row leaves the empty grid again.
  Q.Delete();
  EXPECT_EQ(g->RowCount(), 2);
  EXPECT_EQ(g->Row(), 1);
  EXPECT_TRUE(Q.IsEmpty());
}

TEST_F(DBControls, ControlsReadFromAFormDescriptionAreBoundByName) {
  RegisterClasses({TDataSource::StaticClass(), TDBGrid::StaticClass(), TDBEdit::StaticClass(),
                   TDBNavigator::StaticClass(), TStringGrid::StaticClass()});
  Form->LoadFromText(
      "object Sys: TForm\n"
      "  object DataSource1: TDataSource\n  end\n"
      "  object DBGrid1: TDBGrid\n    Left = 8\n    Top = 40\n    Width = 200\n    Height = 120\n"
      "    DataSource = DataSource1\n    ReadOnly = True\n  end\n"
      "  object DBEdit1: TDBEdit\n    Left = 8\n    Top = 8\n    DataSource = DataSource1\n"
      "    DataField = 'yongtu'\n  end\n"
      "  object Nav: TDBNavigator\n    Top = 170\n    DataSource = DataSource1\n    ConfirmDelete = False\n  end\n"
      "  object Sizes: TStringGrid\n    Top = 200\n    ColCount = 3\n    RowCount = 4\n    FixedCols = 0\n"
      "    DefaultRowHeight = 18\n  end\n"
      "end\n");
  auto* ds = dynamic_cast<TDataSource*>(Form->FindComponent("DataSource1"));
  auto* g = dynamic_cast<TDBGrid*>(Form->FindComponent("DBGrid1"));
  auto* e = dynamic_cast<TDBEdit*>(Form->FindComponent("DBEdit1"));
  auto* nav = dynamic_cast<TDBNavigator*>(Form->FindComponent("Nav"));
  auto* sg = dynamic_cast<TStringGrid*>(Form->FindComponent("Sizes"));
  ASSERT_TRUE(ds && g && e && nav && sg);
  EXPECT_EQ(g->DataSource(), ds);
  EXPECT_TRUE(g->ReadOnly());
  EXPECT_EQ(e->DataField(), "yongtu");
  EXPECT_FALSE(nav->ConfirmDelete());
  EXPECT_EQ(sg->ColCount(), 3);
  EXPECT_EQ(sg->RowCount(), 4);
  EXPECT_EQ(sg->FixedCols(), 0);
  EXPECT_EQ(sg->RowHeights(3), 18);
  ds->SetDataSet(&Q);
  Form->Show();
  Q.Open();
  EXPECT_EQ(e->Text(), Types()[0]);
  EXPECT_EQ(g->Columns()->Count(), 2);
  Q.Close();
  ds->SetDataSet(nullptr);
}

TEST_F(DBControls, GridEditsAFieldInPlaceAndTheDataSetPostsWhenTheRowChanges) {
  TDBGrid* g = MakeGrid(150);
  TColumn* c = g->Columns()->Add();
  c->SetFieldName("yongtu");
  Form->Show();
  Q.Open();
  const auto types = Types();
  g->SetFocus();
  Key(VK_DOWN);
  Run();
  ASSERT_EQ(Q.RecNo(), 2);
  // Typing opens the editor and puts the row into edit mode; Enter stores the field.
  InjectText("Mug");
  Run();
  EXPECT_TRUE(g->EditorMode());
  EXPECT_EQ(Q.State(), dsEdit);
  EXPECT_EQ(Q.FieldByName("yongtu")->AsString(), types[1]);
  Key(VK_RETURN);
  Run();
  EXPECT_FALSE(g->EditorMode());
  EXPECT_EQ(Q.FieldByName("yongtu")->AsString(), "Mug");
  EXPECT_EQ(Types()[1], types[1]);  // not stored yet
  // Moving to another row posts it.
  Key(VK_DOWN);
  Run();
  EXPECT_EQ(Q.State(), dsBrowse);
  EXPECT_EQ(Q.RecNo(), 3);
  EXPECT_EQ(Types()[1], "Mug");
  // Escape in the editor drops the text; Escape in the grid cancels the row.
  InjectText("Cup");
  Key(VK_ESCAPE);
  Run();
  EXPECT_FALSE(g->EditorMode());
  EXPECT_EQ(Q.State(), dsEdit);
  Key(VK_ESCAPE);
  Run();
  EXPECT_EQ(Q.State(), dsBrowse);
  EXPECT_EQ(Q.FieldByName("yongtu")->AsString(), types[2]);
  // Neither a read-only grid nor a read-only column opens the editor.
  g->SetReadOnly(true);
  InjectText("x");
  Key(VK_F2);
  Run();
  EXPECT_FALSE(g->EditorMode());
  g->SetReadOnly(false);
  c->SetReadOnly(true);
  InjectText("x");
  Run();
  EXPECT_FALSE(g->EditorMode());
  EXPECT_EQ(Q.State(), dsBrowse);
}

TEST_F(DBControls, EditingGridAddsAndDeletesRowsFromTheKeyboard) {
  TDBGrid* g = MakeGrid(200);
  g->Columns()->Add()->SetFieldName("yongtu");
  g->SetOptions(g->Options() - dgConfirmDelete);
  auto* other = new TEdit(Form);
  other->SetParent(Form);
  other->SetBounds(400, 10, 100, 21);
  Form->Show();
  Q.Open();
  const int n = Q.RecordCount();
  std::string deleted;
  g->SetFocus();
  struct Step {
    std::function<void()> act;
    TDataSetState state;
    int stored;  // rows in the table afterwards
  } steps[] = {
      {[] { CtrlKey(VK_END); Key(VK_DOWN); }, dsInsert, n},       // down from the last row: a new row
      {[] { Key(VK_DOWN); }, dsBrowse, n},                        // untouched, it goes again
      {[] { Key(VK_INSERT); InjectText("Mat"); Key(VK_RETURN); }, dsInsert, n},
      {[] { Key(VK_UP); }, dsBrowse, n + 1},                      // moving posts it
      {[&] { deleted = Q.FieldByName("yongtu")->AsString(); CtrlKey(VK_DELETE); }, dsBrowse, n},
      {[] { Key(VK_DELETE); }, dsBrowse, n},                      // Delete alone deletes no row
      {[] { Key(VK_INSERT); }, dsInsert, n},
      {[&] { other->SetFocus(); }, dsBrowse, n},                  // leaving drops the untouched row
  };
  int i = 0;
  for (auto& s : steps) {
    s.act();
    Run();
    EXPECT_EQ(Q.State(), s.state) << "step " << i;
    EXPECT_EQ(static_cast<int>(Types().size()), s.stored) << "step " << i;
    ++i;
  }
  // The current row went; the typed one stayed unless it was the current one.
  const auto now = Types();
  EXPECT_EQ(std::count(now.begin(), now.end(), deleted), 0);
  if (deleted != "Mat") {
    EXPECT_EQ(std::count(now.begin(), now.end(), std::string("Mat")), 1);
  }
  // A read-only grid adds no row.
  g->SetReadOnly(true);
  g->SetFocus();
  CtrlKey(VK_END);
  Key(VK_DOWN);
  Key(VK_INSERT);
  Run();
  EXPECT_EQ(Q.State(), dsBrowse);
}
