// The production requirement dialogs: appending one requirement to several photos
// (TFormbeizhu2), the list of one photo's rows (TFormbeizhu3) and the editor of one row
// (TFormbeizhu4).
//
// Each dialog is modal, created by the command that opens it and freed when it closes; its
// queries run on the main window's catalog and settings connections, and every change is
// written to the catalog row by row as it is posted.
#pragma once

#include <string>
#include <vector>

#include "app/catalog.h"
#include "platform/vcl/forms.h"

class TADOConnection;
class TADOQuery;
class TButton;
class TComboBox;
class TDataSource;
class TDBGrid;
class TEdit;
class TLabel;
class TListBox;
class TMemo;

// The four boxes of a requirement and the rules they share: the usage type may only be chosen
// from its list, the other three take free text.
struct TRequirementBoxes {
  TComboBox* ComboBox1 = nullptr;  // usage type (choose only)
  TComboBox* ComboBox2 = nullptr;  // design requirement
  TComboBox* ComboBox3 = nullptr;  // size
  TComboBox* ComboBox4 = nullptr;  // quantity
  TRequirement Requirement() const;
};

class TFormbeizhu2 : public TForm {
  ORV_CLASS(TFormbeizhu2, TForm)
public:
  TFormbeizhu2(TComponent* Owner, TADOConnection* Catalog, TADOConnection* Settings);

  // The photos the requirement is for, and the count line ("Total n Files" from the grid,
  // "Total 1 file" from the viewer).
  void SetPhotos(const std::vector<std::string>& Names, const std::string& CountText);
  // Fills the type, design and size lists from the settings database.
  void FillLists();

  void Button1Click(TObject* Sender);  // Save
  void Button3Click(TObject* Sender);  // Close
  void ComboBox1KeyPress(TObject* Sender, char& Key);

  TLabel* Label7a = nullptr;
  TListBox* ListBox1d = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label4 = nullptr;
  TLabel* Label5 = nullptr;
  TLabel* Label6 = nullptr;
  TComboBox* ComboBox1 = nullptr;
  TComboBox* ComboBox2 = nullptr;
  TComboBox* ComboBox3 = nullptr;
  TComboBox* ComboBox4 = nullptr;
  TButton* Button1 = nullptr;
  TButton* Button2 = nullptr;
  TButton* Button3 = nullptr;
  TMemo* Memo1 = nullptr;
  TADOQuery* ADOQuery1 = nullptr;
  TADOQuery* ADOQuery2 = nullptr;
  TADOQuery* ADOQuery3 = nullptr;
  TADOQuery* ADOQuery4 = nullptr;

private:
  TRequirementBoxes Boxes() const { return {ComboBox1, ComboBox2, ComboBox3, ComboBox4}; }
};

class TFormbeizhu4;

class TFormbeizhu3 : public TForm {
  ORV_CLASS(TFormbeizhu3, TForm)
public:
  TFormbeizhu3(TComponent* Owner, TADOConnection* Catalog, TADOConnection* Settings);

  // Opens the rows of one photo.
  void OpenPhoto(const std::string& Name);

  void Button4Click(TObject* Sender);  // Modify
  void DBGrid1DblClick(TObject* Sender);
  void Button3Click(TObject* Sender);  // Delete
  void ADOQuery1CalcFields(TDataSet* DataSet);

  TDBGrid* DBGrid1 = nullptr;
  TButton* Button3 = nullptr;
  TButton* Button4 = nullptr;
  TADOQuery* ADOQuery1 = nullptr;
  TDataSource* DataSource1 = nullptr;

private:
  TADOConnection* FSettings = nullptr;
};

class TFormbeizhu4 : public TForm {
  ORV_CLASS(TFormbeizhu4, TForm)
public:
  TFormbeizhu4(TComponent* Owner, TADOConnection* Catalog, TADOConnection* Settings);

  // Opens the row with key Id and fills the boxes from it (the lists from the settings).
  void OpenRow(int Id);

  void Button1Click(TObject* Sender);  // Save
  void Button3Click(TObject* Sender);  // Close
  void ComboBox1KeyPress(TObject* Sender, char& Key);

  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label4 = nullptr;
  TLabel* Label5 = nullptr;
  TLabel* Label6 = nullptr;
  TEdit* Edit1 = nullptr;
  TComboBox* ComboBox1 = nullptr;
  TComboBox* ComboBox2 = nullptr;
  TComboBox* ComboBox3 = nullptr;
  TComboBox* ComboBox4 = nullptr;
  TButton* Button1 = nullptr;
  TButton* Button3 = nullptr;
  TADOQuery* ADOQuery1 = nullptr;
  TADOQuery* ADOQuery2 = nullptr;
  TADOQuery* ADOQuery3 = nullptr;
  TADOQuery* ADOQuery4 = nullptr;

private:
  TRequirementBoxes Boxes() const { return {ComboBox1, ComboBox2, ComboBox3, ComboBox4}; }
};
