// Copy-out of the picked photos: the start dialog "Tips" (TFormDaoChushezhi) and the destination
// dialog "Copy to..." (TFormdaochuPATH) with the copy engine.
//
// The engine makes an output folder named after the customer and the time under the chosen
// destination, one subfolder per distinct production requirement (photos without one go to
// "Have Not Production Requirements"), copies every picked photo of the shoot folder into the
// folders of its requirements, and writes the text files "Production requirements.Txt" that
// list the customer, the photos with their requirements and the folder memo (UTF-8, CR LF).
//
// Requirement texts and customer fields become folder names; characters that could lead out of
// the output folder (path delimiters, a leading dot, control characters) are replaced in the
// names only, so the engine never writes or deletes outside the output tree.
#pragma once

#include <string>

#include "platform/vcl/forms.h"

class TADOCommand;
class TADOConnection;
class TADOQuery;
class TButton;
class TEdit;
class TFormSeeMain;
class TGroupBox;
class TLabel;
class TPanel;
class TProgressBar;

inline constexpr char kNoRequirementGroup[] = "Have Not Production Requirements";
inline constexpr char kRequirementsFileName[] = "Production requirements.Txt";
inline constexpr char kSqlRequirementGroups[] = "select count(*),yongtu from pic group by yongtu";
inline constexpr char kSqlGroupPhotos[] = "select * from pic  where yongtu=:a order  by fname";
inline constexpr char kSqlNoRequirementPhotos[] = "select * from pic  where yongtu Is Null";
inline constexpr char kSqlDeleteRowsOfFile[] = "delete from pic where fname=:a";

// Text used as one file or folder name inside the output tree: "/" and "\", control characters
// and leading dots are replaced by "_" (so "..", ".x" and "a/b" stay one harmless name); an empty
// text becomes "_".
std::string SafeFileName(const std::string& Text);
// The output folder's name: telephone + "-" + name + "-" + hh "Hr" mm "Min" ss "Sec" +
// "-CopyEnd" (made a safe name).
std::string CopyOutFolderName(const std::string& Telephone, const std::string& Name, int Hour,
                              int Minute, int Second);
// "               Telphone:" + telephone + "      Customer Name:" + name.
std::string CopyOutHeaderLine(const std::string& Telephone, const std::string& Name);
// fname + "  [Design requirements]" + xiugai + "  [Production requirements]" + yongtu.
std::string CopyOutPhotoLine(const std::string& FileName, const std::string& Design,
                             const std::string& Requirement);

// The start dialog: the naming rule and the button "Begin".
class TFormDaoChushezhi : public TForm {
  ORV_CLASS(TFormDaoChushezhi, TForm)
public:
  TFormDaoChushezhi(TComponent* Owner, TFormSeeMain* Main);

  // Creates the destination dialog, hides this one, shows the destination dialog modally and
  // closes this one.
  void BitBtn1Click(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);

  TLabel* Label1 = nullptr;
  TGroupBox* GroupBox1 = nullptr;
  TLabel* Label2 = nullptr;
  TButton* BitBtn1 = nullptr;

private:
  TFormSeeMain* FMain;
};

// The destination dialog with the copy engine.
class TFormdaochuPATH : public TForm {
  ORV_CLASS(TFormdaochuPATH, TForm)
public:
  // ShootFolder is the folder the photos are copied from (kept by the main window at the start
  // of the command); the working directory returns to it when the dialog closes.
  TFormdaochuPATH(TComponent* Owner, TFormSeeMain* Main, const std::string& ShootFolder);

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void ShellTreeView1Change(TObject* Sender);
  // The copy engine ("Ok").
  void Button2Click(TObject* Sender);
  // Deletes every plain file matching Mask in Folder (subfolders stay); false when the folder
  // cannot be read or a file cannot be deleted.
  bool DelSomeFiles(const std::string& Folder, const std::string& Mask);
  // "close": offers to open the output folder, then closes.
  void Button1Click(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormClose(TObject* Sender, TCloseAction& Action);

  const std::string& OutputName() const { return FOutputName; }
  // The output folder: destination + "/" + name.
  std::string OutputFolder() const;

  TPanel* Panel1 = nullptr;
  TWinControl* ShellTreeView1 = nullptr;
  TEdit* Edit1 = nullptr;  // the destination, hidden and read-only
  TButton* Button2 = nullptr;
  TButton* Button1 = nullptr;
  TLabel* Label3 = nullptr;
  TProgressBar* Pb1 = nullptr;
  TLabel* Label4 = nullptr;
  TLabel* Label5 = nullptr;
  TADOQuery* ADOQuery1 = nullptr;
  TADOQuery* ADOQuery2 = nullptr;
  TADOQuery* ADOQuery3 = nullptr;

private:
  // Copies one photo in blocks of 1024 bytes with the progress bar.
  void CopyPhoto(const std::string& Source, const std::string& Target, const std::string& Group,
                 int Number);
  void Finish();

  TFormSeeMain* FMain;
  std::string FShootFolder;
  std::string FOutputName;
  std::string FTelephone, FCustomer;
  std::string FRootText;  // the root text file so far
  std::string FRootFile;
};
