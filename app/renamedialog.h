// The batch rename dialog TFormRename: the selected photos get the names 1.jpg, 2.jpg, ... or
// prefix + 1.jpg, ... in the order listed, and their catalog rows follow.
#pragma once

#include <string>
#include <vector>

#include "platform/vcl/forms.h"

class TADOConnection;
class TADOQuery;
class TButton;
class TEdit;
class TLabel;
class TListBox;
class TPanel;
class TRadioButton;

class TFormRename : public TForm {
  ORV_CLASS(TFormRename, TForm)
public:
  // Folder holds the photos; the catalog rows are renamed through Catalog.
  TFormRename(TComponent* Owner, TADOConnection* Catalog, const std::string& Folder);

  void Button1Click(TObject* Sender);  // "ReName"
  void RB1Click(TObject* Sender);
  void RB2Click(TObject* Sender);

  // The new names of the listed photos with the current options (numbered from 1).
  std::vector<std::string> NewNames() const;

  TPanel* Panel1 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TListBox* lbb = nullptr;
  TLabel* Label3 = nullptr;
  TPanel* Panel2 = nullptr;
  TRadioButton* RB1 = nullptr;
  TRadioButton* RB2 = nullptr;
  TEdit* Edit1 = nullptr;
  TLabel* Label4 = nullptr;
  TButton* Button1 = nullptr;
  TADOQuery* ADOQuery1 = nullptr;

private:
  std::string FFolder;
};
