// The folder memo dialog.
#include "app/memodialog.h"

#include "app/catalog.h"
#include "app/formutil.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/dbctrls.h"

ORV_CLASS_IMPL(TFormbeizhu, TForm)

TFormbeizhu::TFormbeizhu(TComponent* Owner, TADOConnection* Catalog) : TForm(Owner) {
  SetName("Formbeizhu");
  SetCaption("\xE5\xA4\x87\xE6\xB3\xA8\xE4\xBF\xA1\xE6\x81\xAF");  // "备注信息"
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 468, 411);
  SetProgramFont(this);
  Label1 = PlaceLabel(this, this, "Label1",
                      "Tip: Note the overall mean is to give all customers to select photos \r\n"
                      "to be a general comments, or special instructions.",
                      16, 12, clBlue);
  Label2 = PlaceLabel(this, this, "Label2", "Memo", 16, 56);
  ADOQuery1 = new TADOQuery(this);
  ADOQuery1->SetName("ADOQuery1");
  ADOQuery1->SetConnection(Catalog);
  DataSource1 = new TDataSource(this);
  DataSource1->SetName("DataSource1");
  DataSource1->SetDataSet(ADOQuery1);
  DBMemo1 = PlaceControl<TDBMemo>(this, this, "DBMemo1", 16, 76, 428, 252);
  DBMemo1->SetDataSource(DataSource1);
  DBMemo1->SetDataField("beizhu");
  Button1 = PlaceButton(this, this, "Button1", "Save", 369, 340);
  Button1->OnClick = [this](TObject* S) { Button1Click(S); };
  OnCreate = [this](TObject* S) { FormCreate(S); };
  FinishCreate();
}

TFormbeizhu::~TFormbeizhu() {
  // An unsaved change goes with the dialog.
  if (ADOQuery1->Active() && (ADOQuery1->State() == dsEdit || ADOQuery1->State() == dsInsert))
    ADOQuery1->Cancel();
}

void TFormbeizhu::FormCreate(TObject*) { EditMemo(ADOQuery1); }

void TFormbeizhu::Button1Click(TObject*) {
  ADOQuery1->Edit();
  ADOQuery1->Post();
  Close();
}
