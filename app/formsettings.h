// The settings window TFormsysset (the requirement dialogs' lists, the studio record, the
// random-order switches and the JPEG quality of rotated photos) and the about box TFormAbout.
//
// The settings window is created on first use and kept by the main window for the run; its data
// sets stay open on the main window's settings connection, each list starting on a new blank
// row. The quality lives in "Set.dat".
#pragma once

#include <string>

#include "platform/vcl/forms.h"

class TADOQuery;
class TButton;
class TCheckBox;
class TComboBox;
class TDataSource;
class TDBEdit;
class TDBGrid;
class TFormSeeMain;
class TLabel;
class TPageControl;
class TPanel;
class TStatusBar;
class TTabSheet;

class TFormsysset : public TForm {
  ORV_CLASS(TFormsysset, TForm)
public:
  TFormsysset(TComponent* Owner, TFormSeeMain* Main);
  ~TFormsysset() override;

  void FormCreate(TObject* Sender);
  void Button1Click(TObject* Sender);  // Save a usage type
  void Button5Click(TObject* Sender);  // Save a size
  void Button3Click(TObject* Sender);  // Save a design requirement
  void Button2Click(TObject* Sender);  // Delete a usage type
  void Button6Click(TObject* Sender);  // Delete a size
  void Button4Click(TObject* Sender);  // Delete a design requirement
  void DBEdit1KeyPress(TObject* Sender, char& Key);
  void DBEdit2KeyPress(TObject* Sender, char& Key);
  void DBEdit3KeyPress(TObject* Sender, char& Key);
  void Button7Click(TObject* Sender);  // Save the studio record
  void TabSheet5Show(TObject* Sender);
  void Button8Click(TObject* Sender);  // Save the random switches
  void TabSheet8Show(TObject* Sender);
  void Button11Click(TObject* Sender);  // Save the quality
  void ComboBox1KeyPress(TObject* Sender, char& Key);
  void Button10Click(TObject* Sender);  // Save the thumbnail size (hidden tab)
  void DBEdit7Exit(TObject* Sender);

  // The notice shown on the notice tab.
  static std::string NoticeText();

  TPageControl* PageControl1 = nullptr;
  TStatusBar* StatusBar1 = nullptr;
  TTabSheet *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet3 = nullptr,
            *TabSheet4 = nullptr, *TabSheet5 = nullptr, *TabSheet6 = nullptr,
            *TabSheet7 = nullptr, *TabSheet8 = nullptr, *TabSheet9 = nullptr;
  TDBEdit *DBEdit1 = nullptr, *DBEdit2 = nullptr, *DBEdit3 = nullptr, *DBEdit4 = nullptr,
          *DBEdit5 = nullptr, *DBEdit6 = nullptr, *DBEdit7 = nullptr, *DBEdit8 = nullptr;
  TDBGrid *DBGrid1 = nullptr, *DBGrid2 = nullptr, *DBGrid3 = nullptr;
  TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr,
          *Button5 = nullptr, *Button6 = nullptr, *Button7 = nullptr, *Button8 = nullptr,
          *Button9 = nullptr, *Button10 = nullptr, *Button11 = nullptr;
  TCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr;
  TComboBox* ComboBox1 = nullptr;
  TLabel* Label10 = nullptr;  // the notice, made anew each time its tab or the random tab shows
  TADOQuery *ADOQuery1 = nullptr, *ADOQuery2 = nullptr, *ADOQuery3 = nullptr,
            *ADOQuery4 = nullptr, *ADOQuery5 = nullptr, *ADOQuery6 = nullptr,
            *ADOQuery7 = nullptr;
  TDataSource *DataSource1 = nullptr, *DataSource2 = nullptr, *DataSource3 = nullptr,
              *DataSource4 = nullptr, *DataSource6 = nullptr;

private:
  // Posts the row being typed in a list (an untouched blank row is dropped) and starts a new one.
  static void SaveListRow(TADOQuery* List, const char* Column);
  // Deletes the grid's current row of a list by its id through Sql, then reopens the list.
  void DeleteListRow(TADOQuery* List, const char* Sql);

  TFormSeeMain* FMain;
};

// The " settings " button: the main window's settings window, created on first use, shown
// modally.
void ShowSettingsWindow(TFormSeeMain* Main);

class TFormAbout : public TForm {
  ORV_CLASS(TFormAbout, TForm)
public:
  explicit TFormAbout(TComponent* Owner);
  void Label5Click(TObject* Sender);
  void Button2Click(TObject* Sender);

  TPanel* Panel1 = nullptr;
  TLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
         *Label5 = nullptr;
  TButton *Button1 = nullptr, *Button2 = nullptr;
};

inline constexpr char kHomePage[] = "https://www.orvanta.example/";
inline constexpr char kSupportAddress[] = "support@orvanta.example";

// The " About   " button: an about box owned by the main window, shown modally and freed.
void ShowAboutBox(TFormSeeMain* Main);

// Asks the desktop to open the product's home page.
void OpenHomePage();
