// The append, modify-list and row-editor dialogs of production requirements.
#include "app/requirementdialogs.h"

#include "app/formutil.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/dbgrids.h"
#include "platform/vcl/stdctrls.h"

ORV_CLASS_IMPL(TFormbeizhu2, TForm)
ORV_CLASS_IMPL(TFormbeizhu3, TForm)
ORV_CLASS_IMPL(TFormbeizhu4, TForm)

namespace {

// The common frame of the three dialogs: a centred dialog in the program's font.
void SetUpDialog(TForm* Form, const char* Name, const std::string& Caption, int Width, int Height) {
  Form->SetName(Name);
  Form->SetCaption(Caption);
  Form->SetPosition(poScreenCenter);
  Form->SetBounds(0, 0, Width, Height);
  SetProgramFont(Form);
}

// The usage type is chosen from its list; typed characters are dropped.
void DropTypedKey(char& Key) { Key = 0; }

}  // namespace

TRequirement TRequirementBoxes::Requirement() const {
  return {ComboBox1->Text(), ComboBox4->Text(), ComboBox3->Text(), ComboBox2->Text()};
}

// ---- TFormbeizhu2: append a requirement to the listed photos ----

TFormbeizhu2::TFormbeizhu2(TComponent* Owner, TADOConnection* Catalog, TADOConnection* Settings)
    : TForm(Owner) {
  SetUpDialog(this, "Formbeizhu2", "Append Production requirements", 668, 271);
  SetBorderIcons(TBorderIcons{});
  Label7a = PlaceLabel(this, this, "Label7a", "", 12, 10);
  ListBox1d = PlaceControl<TListBox>(this, this, "ListBox1d", 12, 30, 196, 196);
  Label2 = PlaceLabel(this, this, "Label2", "Design requirements", 228, 14);
  ComboBox2 = PlaceControl<TComboBox>(this, this, "ComboBox2", 372, 10, 272, 21);
  Label1 = PlaceLabel(this, this, "Label1", "Production requirements:", 228, 50);
  Label5 = PlaceLabel(this, this, "Label5", "Type", 252, 80, clRed);
  ComboBox1 = PlaceControl<TComboBox>(this, this, "ComboBox1", 372, 76, 272, 21);
  Label4 = PlaceLabel(this, this, "Label4", "Size", 252, 112, clRed);
  ComboBox3 = PlaceControl<TComboBox>(this, this, "ComboBox3", 372, 108, 272, 21);
  Label6 = PlaceLabel(this, this, "Label6", "Quantity", 252, 144, clRed);
  ComboBox4 = PlaceControl<TComboBox>(this, this, "ComboBox4", 372, 140, 120, 21);
  for (int i = 1; i <= 8; ++i) ComboBox4->Items()->Add(std::to_string(i));
  Button1 = PlaceButton(this, this, "Button1", "Save", 468, 200);
  Button3 = PlaceButton(this, this, "Button3", "Close", 569, 200);
  // Kept from the form's first design: a delete button that does nothing and a scratch memo.
  Button2 = PlaceButton(this, this, "Button2", "Delete", 372, 200);
  Button2->SetVisible(false);
  Memo1 = PlaceControl<TMemo>(this, this, "Memo1", 228, 176, 100, 20);
  Memo1->SetVisible(false);
  ADOQuery1 = NewQuery(this, "ADOQuery1", Settings, kSqlUsageTypes);
  ADOQuery2 = NewQuery(this, "ADOQuery2", Settings, kSqlDesigns);
  ADOQuery3 = NewQuery(this, "ADOQuery3", Catalog);
  ADOQuery4 = NewQuery(this, "ADOQuery4", Settings, kSqlSizes);
  Button1->OnClick = [this](TObject* S) { Button1Click(S); };
  Button3->OnClick = [this](TObject* S) { Button3Click(S); };
  ComboBox1->OnKeyPress = [this](TObject* S, char& K) { ComboBox1KeyPress(S, K); };
}

void TFormbeizhu2::SetPhotos(const std::vector<std::string>& Names, const std::string& CountText) {
  for (const std::string& n : Names) ListBox1d->Items()->Add(n);
  Label7a->SetCaption(CountText);
}

void TFormbeizhu2::FillLists() {
  FillRequirementLists(ADOQuery1, ComboBox1, ADOQuery2, ComboBox2, ADOQuery4, ComboBox3);
}

void TFormbeizhu2::Button1Click(TObject*) {
  const TRequirement r = Boxes().Requirement();
  if (r.Type.empty()) {
    ShowInfo(kTypeIsNotNull);
    return;
  }
  Memo1->SetText(RequirementText(r));
  // One row per photo, in list order; a failure stops here with the earlier rows kept.
  for (int i = 0; i < ListBox1d->Items()->Count(); ++i)
    AppendRequirement(ADOQuery3, ListBox1d->Items()->Strings(i), r);
  Close();
}

void TFormbeizhu2::Button3Click(TObject*) { Close(); }

void TFormbeizhu2::ComboBox1KeyPress(TObject*, char& Key) { DropTypedKey(Key); }

// ---- TFormbeizhu3: the rows of one photo ----

TFormbeizhu3::TFormbeizhu3(TComponent* Owner, TADOConnection* Catalog, TADOConnection* Settings)
    : TForm(Owner), FSettings(Settings) {
  SetUpDialog(this, "Formbeizhu3", "Modify Production requirements", 676, 375);
  ADOQuery1 = NewQuery(this, "ADOQuery1", Catalog);
  // The row number column, calculated for every row.
  ADOQuery1->CreateField(ftInteger, "xuhao", fkCalculated);
  ADOQuery1->OnCalcFields = [this](TDataSet* D) { ADOQuery1CalcFields(D); };
  DataSource1 = new TDataSource(this);
  DataSource1->SetName("DataSource1");
  DataSource1->SetDataSet(ADOQuery1);
  DBGrid1 = PlaceControl<TDBGrid>(this, this, "DBGrid1", 4, 8, 660, 280);
  DBGrid1->SetReadOnly(true);
  DBGrid1->SetOptions(TDBGridOptions{dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines,
                                     dgTabs, dgRowSelect, dgAlwaysShowSelection});
  struct {
    const char* Field;
    const char* Title;
    int Width;
  } const columns[] = {{"xuhao", "ID", 44},
                       {"fname", "File name", 100},
                       {"yongtu", "Production Requirements", 304},
                       {"xiugai", "Design requirements", 174}};
  for (const auto& c : columns) {
    TColumn* col = DBGrid1->Columns()->Add();
    col->SetFieldName(c.Field);
    col->Title()->SetCaption(c.Title);
    col->SetWidth(c.Width);
  }
  DBGrid1->SetDataSource(DataSource1);
  Button4 = PlaceButton(this, this, "Button4", "Modify", 480, 300);
  Button3 = PlaceButton(this, this, "Button3", "Delete", 576, 300);
  Button4->OnClick = [this](TObject* S) { Button4Click(S); };
  Button3->OnClick = [this](TObject* S) { Button3Click(S); };
  DBGrid1->OnDblClick = [this](TObject* S) { DBGrid1DblClick(S); };
}

void TFormbeizhu3::OpenPhoto(const std::string& Name) {
  OpenWithText(ADOQuery1, kSqlPicByNameA1, "a1", Name);
}

void TFormbeizhu3::ADOQuery1CalcFields(TDataSet* DataSet) {
  DataSet->FieldByName("xuhao")->SetAsInteger(DataSet->RecNo());
}

void TFormbeizhu3::Button4Click(TObject*) {
  // Without a current row there is nothing to modify (an editor over no row would add one).
  if (!ADOQuery1->Active() || ADOQuery1->IsEmpty()) return;
  const int id = ADOQuery1->FieldByName("id")->AsInteger();
  auto* editor = new TFormbeizhu4(this, ADOQuery1->Connection(), FSettings);
  try {
    editor->OpenRow(id);
    editor->ShowModal();
  } catch (...) {
    delete editor;
    throw;
  }
  delete editor;
  ADOQuery1->Requery();
}

void TFormbeizhu3::DBGrid1DblClick(TObject* Sender) { Button4Click(Sender); }

void TFormbeizhu3::Button3Click(TObject*) {
  if (!ADOQuery1->Active() || ADOQuery1->IsEmpty()) return;
  if (!AskYesNo("Do you want to delete this memo?")) return;
  ADOQuery1->Delete();
  Close();
}

// ---- TFormbeizhu4: one row ----

TFormbeizhu4::TFormbeizhu4(TComponent* Owner, TADOConnection* Catalog, TADOConnection* Settings)
    : TForm(Owner) {
  SetUpDialog(this, "Formbeizhu4", "Modify production requirements", 646, 375);
  Label3 = PlaceLabel(this, this, "Label3", "File name\xEF\xBC\x9A", 24, 28);  // full-width ":"
  Edit1 = PlaceControl<TEdit>(this, this, "Edit1", 176, 24, 300, 21);
  Edit1->SetReadOnly(true);
  Edit1->SetColor(clBtnFace);
  Label2 = PlaceLabel(this, this, "Label2", "Design requirements", 24, 68);
  ComboBox2 = PlaceControl<TComboBox>(this, this, "ComboBox2", 176, 64, 440, 21);
  Label1 = PlaceLabel(this, this, "Label1", "Production Requirements", 24, 116);
  Label5 = PlaceLabel(this, this, "Label5", "Type:", 48, 152);
  ComboBox1 = PlaceControl<TComboBox>(this, this, "ComboBox1", 176, 148, 300, 21);
  Label4 = PlaceLabel(this, this, "Label4", "Size:", 48, 188);
  ComboBox3 = PlaceControl<TComboBox>(this, this, "ComboBox3", 176, 184, 300, 21);
  Label6 = PlaceLabel(this, this, "Label6", "quantity:", 48, 224);
  ComboBox4 = PlaceControl<TComboBox>(this, this, "ComboBox4", 176, 220, 120, 21);
  Button1 = PlaceButton(this, this, "Button1", "Save", 440, 292);
  Button3 = PlaceButton(this, this, "Button3", "Close", 536, 292);
  ADOQuery1 = NewQuery(this, "ADOQuery1", Settings, kSqlUsageTypes);
  ADOQuery2 = NewQuery(this, "ADOQuery2", Settings, kSqlDesigns);
  ADOQuery3 = NewQuery(this, "ADOQuery3", Catalog, kSqlPicById);
  ADOQuery4 = NewQuery(this, "ADOQuery4", Settings, kSqlSizes);
  Button1->OnClick = [this](TObject* S) { Button1Click(S); };
  Button3->OnClick = [this](TObject* S) { Button3Click(S); };
  ComboBox1->OnKeyPress = [this](TObject* S, char& K) { ComboBox1KeyPress(S, K); };
}

void TFormbeizhu4::OpenRow(int Id) {
  ADOQuery3->Close();
  ADOQuery3->Parameters()->ParamByName("a1")->SetValue(Id);
  ADOQuery3->Open();
  for (TComboBox* box : {ComboBox1, ComboBox2, ComboBox3, ComboBox4}) box->Items()->Clear();
  // The quantity is typed: its list stays empty.
  FillRequirementLists(ADOQuery1, ComboBox1, ADOQuery2, ComboBox2, ADOQuery4, ComboBox3);
  const TRequirement r = ReadRequirementFields(ADOQuery3);
  Edit1->SetText(ADOQuery3->FieldByName("fname")->AsString());
  ComboBox2->SetText(r.Design);
  ComboBox1->SetText(r.Type);
  ComboBox4->SetText(r.Quantity);
  ComboBox3->SetText(r.Size);
}

void TFormbeizhu4::Button1Click(TObject*) {
  const TRequirement r = Boxes().Requirement();
  // The same rule as when a requirement is appended: no requirement without a usage type.
  if (r.Type.empty()) {
    ShowInfo(kTypeIsNotNull);
    return;
  }
  // A row deleted meanwhile is not brought back as a new one.
  if (ADOQuery3->IsEmpty()) {
    Close();
    return;
  }
  ADOQuery3->Edit();
  WriteRequirementFields(ADOQuery3, Edit1->Text(), r);
  ADOQuery3->Post();
  Close();
}

void TFormbeizhu4::Button3Click(TObject*) { Close(); }

void TFormbeizhu4::ComboBox1KeyPress(TObject*, char& Key) { DropTypedKey(Key); }
