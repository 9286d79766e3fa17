// The settings window and the about box.
#include "app/formsettings.h"

#include <memory>

#include "app/catalog.h"
#include "app/formutil.h"
#include "app/seemain.h"
#include "app/settings.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/dbgrids.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/shellapi.h"
#include "platform/win/winuser.h"

ORV_CLASS_IMPL(TFormsysset, TForm)
ORV_CLASS_IMPL(TFormAbout, TForm)

namespace {

const char kSaved[] = "Save successfully!";

TTabSheet* NewTab(TComponent* Owner, TPageControl* Pages, const char* Name, const char* Caption) {
  auto* t = new TTabSheet(Owner);
  t->SetName(Name);
  t->SetPageControl(Pages);
  t->SetCaption(Caption);
  return t;
}

TDataSource* NewSource(TComponent* Owner, const char* Name, TDataSet* Set) {
  auto* s = new TDataSource(Owner);
  s->SetName(Name);
  s->SetDataSet(Set);
  return s;
}

TDBEdit* NewDBEdit(TComponent* Owner, TWinControl* Parent, const char* Name, TDataSource* Source,
                   const char* Field, int Left, int Top, int Width = 200) {
  auto* e = PlaceControl<TDBEdit>(Owner, Parent, Name, Left, Top, Width, 21);
  e->SetDataSource(Source);
  e->SetDataField(Field);
  return e;
}

TDBGrid* NewListGrid(TComponent* Owner, TWinControl* Parent, const char* Name,
                     TDataSource* Source, const char* Field, const char* Title) {
  auto* g = PlaceControl<TDBGrid>(Owner, Parent, Name, 16, 48, 300, 220);
  g->SetReadOnly(true);
  g->SetOptions(TDBGridOptions{dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines,
                               dgTabs, dgRowSelect, dgAlwaysShowSelection});
  TColumn* col = g->Columns()->Add();
  col->SetFieldName(Field);
  col->Title()->SetCaption(Title);
  col->SetWidth(260);
  g->SetDataSource(Source);
  return g;
}

bool Editing(TDataSet* D) { return D->State() == dsEdit || D->State() == dsInsert; }

}  // namespace

TFormsysset::TFormsysset(TComponent* Owner, TFormSeeMain* Main) : TForm(Owner), FMain(Main) {
  SetName("Formsysset");
  SetCaption("Setting");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 720, 400);
  SetProgramFont(this);
  TADOConnection* settings = Main->ADOConnection2;
  ADOQuery1 = NewQuery(this, "ADOQuery1", settings, kSqlUsageTypes);
  ADOQuery2 = NewQuery(this, "ADOQuery2", settings, kSqlSizes);
  ADOQuery3 = NewQuery(this, "ADOQuery3", settings, kSqlDesigns);
  ADOQuery4 = NewQuery(this, "ADOQuery4", settings, kSqlStudio);
  ADOQuery5 = NewQuery(this, "ADOQuery5", settings, kSqlDir1Path);
  ADOQuery6 = NewQuery(this, "ADOQuery6", settings, kSqlThs);
  ADOQuery7 = NewQuery(this, "ADOQuery7", settings, nullptr);  // the deletions
  DataSource1 = NewSource(this, "DataSource1", ADOQuery1);
  DataSource2 = NewSource(this, "DataSource2", ADOQuery2);
  DataSource3 = NewSource(this, "DataSource3", ADOQuery3);
  DataSource4 = NewSource(this, "DataSource4", ADOQuery4);
  DataSource6 = NewSource(this, "DataSource6", ADOQuery6);

  StatusBar1 = PlaceControl<TStatusBar>(this, this, "StatusBar1", 0, 380, 720, 20);
  StatusBar1->SetAlign(alBottom);
  PageControl1 = PlaceControl<TPageControl>(this, this, "PageControl1", 0, 0, 720, 380);
  PageControl1->SetAlign(alClient);

  // ---- the three lists ----
  TabSheet1 = NewTab(this, PageControl1, "TabSheet1", "Production requirements");
  PlaceLabel(this, TabSheet1, "Label1", "Type:", 16, 19);
  DBEdit1 = NewDBEdit(this, TabSheet1, "DBEdit1", DataSource1, "yongtu", 60, 16);
  DBGrid1 = NewListGrid(this, TabSheet1, "DBGrid1", DataSource1, "yongtu", "Type set");
  Button1 = PlaceButton(this, TabSheet1, "Button1", "Save", 340, 14);
  Button1->SetDefault(true);
  Button2 = PlaceButton(this, TabSheet1, "Button2", "Delete", 340, 48);
  Button2->SetHint(
      "\xE7\x82\xB9\xE5\xB7\xA6\xE8\xBE\xB9\xE8\xA1\xA8\xE6\xA0\xBC\xEF\xBC\x8C\xE9\x80\x89\xE4"
      "\xB8\xAD\xE8\xA6\x81\xE5\x88\xA0\xE9\x99\xA4\xE7\x9A\x84\xEF\xBC\x8C\xE7\x84\xB6\xE5\x90"
      "\x8E\xE5\x9C\xA8\xE7\x82\xB9\xE2\x80\x98\xE5\x88\xA0\xE9\x99\xA4\xE2\x80\x99\xE3\x80\x82");
  Button2->SetShowHint(true);

  TabSheet2 = NewTab(this, PageControl1, "TabSheet2", "Size Set");
  PlaceLabel(this, TabSheet2, "Label2", "Size:", 16, 19);
  DBEdit2 = NewDBEdit(this, TabSheet2, "DBEdit2", DataSource2, "asize", 60, 16);
  DBGrid2 = NewListGrid(this, TabSheet2, "DBGrid2", DataSource2, "asize", "Size");
  Button5 = PlaceButton(this, TabSheet2, "Button5", "Save", 340, 14);
  Button6 = PlaceButton(this, TabSheet2, "Button6", "Delete", 340, 48);

  TabSheet3 = NewTab(this, PageControl1, "TabSheet3", "Design requirements");
  DBEdit3 = NewDBEdit(this, TabSheet3, "DBEdit3", DataSource3, "xiangmu", 16, 16, 244);
  DBEdit3->SetHint(
      "\xE5\x9C\xA8\xE8\xBF\x99\xE9\x87\x8C\xE8\xBE\x93\xE5\x85\xA5\xE6\x83\xB3\xE6\xB7\xBB\xE5"
      "\x8A\xA0\xE7\x9A\x84\xE5\x86\x85\xE5\xAE\xB9\xEF\xBC\x8C\xE7\x84\xB6\xE5\x90\x8E\xE7\x82"
      "\xB9\xE6\xB7\xBB\xE5\x8A\xA0\xE3\x80\x82\xE5\xBD\x93\xE8\xBF\x99\xE9\x87\x8C\xE6\x9C\x89"
      "\xE9\xA1\xB9\xE7\x9B\xAE\xE7\x9A\x84\xE6\x97\xB6\xE5\x80\x99\xEF\xBC\x8C\xE5\x8F\xAF\xE4"
      "\xBB\xA5\xE5\x85\x88\xE7\x82\xB9\xE6\xB7\xBB\xE5\x8A\xA0\xE3\x80\x82");
  DBEdit3->SetShowHint(true);
  DBGrid3 = NewListGrid(this, TabSheet3, "DBGrid3", DataSource3, "xiangmu", "Design requirements");
  Button3 = PlaceButton(this, TabSheet3, "Button3", "Save", 340, 14);
  Button4 = PlaceButton(this, TabSheet3, "Button4", "Delete", 340, 48);

  // ---- the studio ----
  TabSheet4 = NewTab(this, PageControl1, "TabSheet4", "Company Set");
  PlaceLabel(this, TabSheet4, "Label4", "Company:", 16, 27);
  DBEdit4 = NewDBEdit(this, TabSheet4, "DBEdit4", DataSource4, "GSname", 90, 24, 300);
  PlaceLabel(this, TabSheet4, "Label5", "Telephone:", 16, 63);
  DBEdit5 = NewDBEdit(this, TabSheet4, "DBEdit5", DataSource4, "GStel", 90, 60, 300);
  PlaceLabel(this, TabSheet4, "Label6", "Address:", 16, 99);
  DBEdit6 = NewDBEdit(this, TabSheet4, "DBEdit6", DataSource4, "addr", 90, 96, 300);
  Button7 = PlaceButton(this, TabSheet4, "Button7", "Save", 315, 136);

  // ---- the random switches ----
  TabSheet5 = NewTab(this, PageControl1, "TabSheet5", "Random arrange");
  CheckBox1 = PlaceControl<TCheckBox>(this, TabSheet5, "CheckBox1", 24, 32, 400, 17);
  CheckBox1->SetCaption("1.Random Arrange.Use Hot key \"CTRL+L.\"");
  CheckBox2 = PlaceControl<TCheckBox>(this, TabSheet5, "CheckBox2", 24, 64, 400, 17);
  CheckBox2->SetCaption("2.Auto Random arrange.");
  Button8 = PlaceButton(this, TabSheet5, "Button8", "Save", 24, 104);

  // ---- the hidden tabs: the report designer and the thumbnail size ----
  TabSheet6 = NewTab(this, PageControl1, "TabSheet6", "Design Print Report");
  TabSheet6->SetTabVisible(false);
  Button9 = PlaceButton(this, TabSheet6, "Button9", "Design Print Report", 24, 24, 160);
  Button9->SetEnabled(false);
  TabSheet7 = NewTab(this, PageControl1, "TabSheet7", "Thumbnail size");
  TabSheet7->SetTabVisible(false);
  DBEdit7 = NewDBEdit(this, TabSheet7, "DBEdit7", DataSource6, "w", 24, 24, 80);
  DBEdit8 = NewDBEdit(this, TabSheet7, "DBEdit8", DataSource6, "h", 120, 24, 80);
  Button10 = PlaceButton(this, TabSheet7, "Button10", "Save", 220, 22);

  // ---- the notice and the quality ----
  TabSheet8 = NewTab(this, PageControl1, "TabSheet8", "Notice");
  TabSheet9 = NewTab(this, PageControl1, "TabSheet9", "Save Quality");
  PlaceLabel(this, TabSheet9, "Label9", "Photos Rotation Save Quality", 24, 27);
  ComboBox1 = PlaceControl<TComboBox>(this, TabSheet9, "ComboBox1", 200, 24, 80, 21);
  for (int q = 10; q <= 100; q += 10) ComboBox1->Items()->Add(std::to_string(q));
  Button11 = PlaceButton(this, TabSheet9, "Button11", "Save", 300, 22);

  Button1->OnClick = [this](TObject* S) { Button1Click(S); };
  Button2->OnClick = [this](TObject* S) { Button2Click(S); };
  Button3->OnClick = [this](TObject* S) { Button3Click(S); };
  Button4->OnClick = [this](TObject* S) { Button4Click(S); };
  Button5->OnClick = [this](TObject* S) { Button5Click(S); };
  Button6->OnClick = [this](TObject* S) { Button6Click(S); };
  Button7->OnClick = [this](TObject* S) { Button7Click(S); };
  Button8->OnClick = [this](TObject* S) { Button8Click(S); };
  Button10->OnClick = [this](TObject* S) { Button10Click(S); };
  Button11->OnClick = [this](TObject* S) { Button11Click(S); };
  DBEdit1->OnKeyPress = [this](TObject* S, char& K) { DBEdit1KeyPress(S, K); };
  DBEdit2->OnKeyPress = [this](TObject* S, char& K) { DBEdit2KeyPress(S, K); };
  DBEdit3->OnKeyPress = [this](TObject* S, char& K) { DBEdit3KeyPress(S, K); };
  DBEdit7->OnExit = [this](TObject* S) { DBEdit7Exit(S); };
  ComboBox1->OnKeyPress = [this](TObject* S, char& K) { ComboBox1KeyPress(S, K); };
  TabSheet5->OnShow = [this](TObject* S) { TabSheet5Show(S); };
  TabSheet8->OnShow = [this](TObject* S) { TabSheet8Show(S); };
  OnCreate = [this](TObject* S) { FormCreate(S); };
  FinishCreate();
}

TFormsysset::~TFormsysset() {
  // Rows still being typed go with the window.
  for (TADOQuery* q : {ADOQuery1, ADOQuery2, ADOQuery3, ADOQuery4, ADOQuery5, ADOQuery6})
    if (q->Active() && Editing(q)) q->Cancel();
  // Pages and boxes going away raise no handler of this window.
  for (TTabSheet* t : {TabSheet5, TabSheet8}) t->OnShow = nullptr;
  DBEdit7->OnExit = nullptr;
  DestroyComponents();
}

void TFormsysset::FormCreate(TObject*) {
  for (TADOQuery* q : {ADOQuery1, ADOQuery2, ADOQuery3, ADOQuery4, ADOQuery5, ADOQuery6})
    q->Open();
  ADOQuery6->First();
  ADOQuery6->Edit();
  for (TADOQuery* q : {ADOQuery1, ADOQuery2, ADOQuery3}) q->Append();
  ADOQuery4->First();
  ADOQuery4->Edit();
  std::string quality = "50";
  if (TCustomIniFile* ini = FMain->SettingsFile())
    quality = ini->ReadString(kOptionsSection, "ys", "50");
  ComboBox1->SetText(quality);
  PageControl1->SetActivePage(TabSheet1);
}

// ---- the lists ----

void TFormsysset::SaveListRow(TADOQuery* List, const char* Column) {
  if (Editing(List)) {
    List->UpdateRecord();  // the text in the edit box reaches its field
    if (List->State() == dsInsert && Trim(List->FieldByName(Column)->AsString()).empty())
      List->Cancel();
    else
      List->Post();
  }
  List->Append();
}

void TFormsysset::DeleteListRow(TADOQuery* List, const char* Sql) {
  // The pending blank row has no id: nothing is deleted for it.
  if (List->State() == dsInsert || List->Eof() || List->FieldByName("id")->IsNull()) return;
  if (List->State() == dsEdit) List->Cancel();
  DeleteLookupRow(ADOQuery7, Sql, List->FieldByName("id")->AsInteger());
  List->Close();
  List->Open();
  List->Append();
}

void TFormsysset::Button1Click(TObject*) { SaveListRow(ADOQuery1, "yongtu"); }

void TFormsysset::Button5Click(TObject*) {
  SaveListRow(ADOQuery2, "asize");
  DBEdit2->SetFocus();
}

void TFormsysset::Button3Click(TObject*) {
  SaveListRow(ADOQuery3, "xiangmu");
  DBEdit3->SetFocus();
}

void TFormsysset::Button2Click(TObject*) { DeleteListRow(ADOQuery1, kSqlDeleteUsageType); }
void TFormsysset::Button4Click(TObject*) { DeleteListRow(ADOQuery3, kSqlDeleteDesign); }

void TFormsysset::Button6Click(TObject*) {
  if (ADOQuery2->State() == dsInsert || ADOQuery2->Eof()) return;
  if (ADOQuery2->State() == dsEdit) ADOQuery2->Cancel();
  ADOQuery2->Delete();
  ADOQuery2->Append();
}

void TFormsysset::DBEdit1KeyPress(TObject*, char& Key) {
  if (Key != 13) return;
  Key = 0;
  Button1->SetFocus();
}

void TFormsysset::DBEdit2KeyPress(TObject*, char& Key) {
  if (Key != 13) return;
  Key = 0;
  Button5->SetFocus();
}

void TFormsysset::DBEdit3KeyPress(TObject*, char& Key) {
  if (Key != 13) return;
  Key = 0;
  Button3->SetFocus();
}

// ---- the studio, the switches, the notice and the quality ----

void TFormsysset::Button7Click(TObject*) {
  if (!Editing(ADOQuery4)) ADOQuery4->Edit();
  ADOQuery4->Post();
  ADOQuery4->Edit();
  ShowInfo(kSaved);
}

void TFormsysset::TabSheet5Show(TObject* Sender) {
  ADOQuery5->First();
  CheckBox1->SetChecked(!ADOQuery5->Eof() && ADOQuery5->FieldByName("dir1")->AsBoolean());
  CheckBox2->SetChecked(!ADOQuery6->Eof() && ADOQuery6->FieldByName("luan")->AsBoolean());
  TabSheet8Show(Sender);
}

void TFormsysset::Button8Click(TObject*) {
  ADOQuery5->First();
  ADOQuery5->Edit();
  ADOQuery5->FieldByName("dir1")->SetAsBoolean(CheckBox1->Checked());
  ADOQuery5->Post();
  if (!Editing(ADOQuery6)) ADOQuery6->Edit();
  ADOQuery6->FieldByName("luan")->SetAsBoolean(CheckBox2->Checked());
  ADOQuery6->Post();
  ADOQuery6->Edit();
  ShowInfo(kSaved);
}

std::string TFormsysset::NoticeText() {
  return std::string("Orvanta 1.0 - photo selection for studios") + "\r\n\r\n" +
         "All rights reserved." + "\r\n\r\n" + "Support: " + kSupportAddress + "   " + kHomePage;
}

void TFormsysset::TabSheet8Show(TObject*) {
  if (Label10 != nullptr) {
    while (TabSheet8->ControlCount() > 0) delete TabSheet8->Controls(0);
    Label10 = nullptr;
  }
  Label10 = new TLabel(this);
  Label10->SetParent(TabSheet8);
  Label10->BringToFront();
  Label10->SetCaption(NoticeText());
  Label10->SetName("Label10");
  Label10->SetVisible(true);
  Label10->SetLeft((TabSheet8->Width() - Label10->Width()) / 2);
  Label10->SetTop(TabSheet8->Height() / 2 - 100);
}

void TFormsysset::Button11Click(TObject*) {
  FMain->SettingsFile()->WriteInteger(kOptionsSection, "ys", StrToInt(ComboBox1->Text()));
}

void TFormsysset::ComboBox1KeyPress(TObject*, char& Key) { Key = 0; }

void TFormsysset::DBEdit7Exit(TObject*) {
  if (!Editing(ADOQuery6)) ADOQuery6->Edit();
  ADOQuery6->FieldByName("h")->SetAsString(ADOQuery6->FieldByName("w")->AsString());
}

void TFormsysset::Button10Click(TObject*) {
  if (!Editing(ADOQuery6)) ADOQuery6->Edit();
  ADOQuery6->Post();
  ADOQuery6->Edit();
  ShowInfo(kSaved);
}

void ShowSettingsWindow(TFormSeeMain* Main) {
  if (Main->SettingsWindow() == nullptr) Main->SettingsWindow() = new TFormsysset(Main, Main);
  Main->SettingsWindow()->ShowModal();
}

// ---- the about box ----

TFormAbout::TFormAbout(TComponent* Owner) : TForm(Owner) {
  SetName("FormAbout");
  SetCaption("About");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 380, 230);
  SetProgramFont(this);
  Panel1 = PlaceControl<TPanel>(this, this, "Panel1", 8, 8, 356, 140);
  Label1 = PlaceLabel(this, Panel1, "Label1", "Orvanta 1.0", 16, 16);
  Label1->Font()->SetStyle(TFontStyles{fsBold});
  Label1->Font()->SetSize(14);
  Label2 = PlaceLabel(this, Panel1, "Label2", "Web site:", 16, 64);
  Label5 = PlaceLabel(this, Panel1, "Label5", kHomePage, 90, 64, clBlue);
  Label5->Font()->SetStyle(TFontStyles{fsUnderline});
  Label5->SetCursor(crHandPoint);
  Label3 = PlaceLabel(this, Panel1, "Label3", "Support:", 16, 92);
  Label4 = PlaceLabel(this, Panel1, "Label4", kSupportAddress, 90, 92);
  Button2 = PlaceButton(this, this, "Button2", "Home page", 184, 160, 90);
  Button1 = PlaceButton(this, this, "Button1", "OK", 284, 160, 80);
  Button1->SetModalResult(mrOk);
  Label5->OnClick = [this](TObject* S) { Label5Click(S); };
  Button2->OnClick = [this](TObject* S) { Button2Click(S); };
  FinishCreate();
}

void OpenHomePage() { ShellExecute(nullptr, "open", kHomePage, nullptr, nullptr, SW_SHOWNORMAL); }

void TFormAbout::Label5Click(TObject*) { OpenHomePage(); }
void TFormAbout::Button2Click(TObject*) { OpenHomePage(); }

void ShowAboutBox(TFormSeeMain* Main) {
  std::unique_ptr<TFormAbout> about(new TFormAbout(Main));
  about->ShowModal();
}
