// The folder memo dialog (TFormbeizhu): one text for the whole shoot, kept in the first row of
// the catalog's table beizhu.
#pragma once

#include "platform/vcl/forms.h"

class TADOConnection;
class TADOQuery;
class TButton;
class TDataSource;
class TDBMemo;
class TLabel;

class TFormbeizhu : public TForm {
  ORV_CLASS(TFormbeizhu, TForm)
public:
  TFormbeizhu(TComponent* Owner, TADOConnection* Catalog);
  ~TFormbeizhu() override;

  // Opens the memo and puts its first row into edit mode (an empty table gets a new row).
  void FormCreate(TObject* Sender);
  // Posts the memo and closes; closing any other way drops the change.
  void Button1Click(TObject* Sender);

  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TDBMemo* DBMemo1 = nullptr;
  TButton* Button1 = nullptr;
  TADOQuery* ADOQuery1 = nullptr;
  TDataSource* DataSource1 = nullptr;
};
