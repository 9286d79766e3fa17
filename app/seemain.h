// The main window TFormSeeMain: the customer bar, the left panel with the folder tree and the
// command buttons, the thumbnail grid with its menu, and the catalog and settings connections
// every other window of the program works through.
//
// Creation opens the settings ("Set.dat", "sysset.dll") for the whole run; choosing a folder in
// the tree (or naming one on the command line) lists the folder's photos into the grid, copies
// and opens the folder's catalog and fills the customer fields from the folder's name; the grid
// menu picks and unpicks photos and opens the requirement dialogs. seemain.cpp holds creation,
// activation and closing; seemain_folder.cpp the folder change and the grid's events;
// seemain_commands.cpp the menu and button commands.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/forms.h"

class TADOCommand;
class TADOConnection;
class TADOQuery;
class TBitBtn;
class TBitmap;
class TButton;
class TComboBox;
class TCustomIniFile;
class TEdit;
class TFileListBox;
class TIEBitmap;
class TLabel;
class TListBox;
class TMenuItem;
class TPanel;
class TPopupMenu;
class TProgressBar;
class TSpeedButton;
class TSplitter;
struct TIERect;

// Window message the main window posts to itself to report a failed caption lookup once the
// painting that ran into it is over.
inline constexpr unsigned WM_CAPTIONFAILED = 0x0400 + 0x1A1;  // WM_USER + 0x1A1

class TFormSeeMain : public TForm {
  ORV_CLASS(TFormSeeMain, TForm)
public:
  explicit TFormSeeMain(TComponent* Owner);
  ~TFormSeeMain() override;

  // ---- event handlers ----
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void dir1Change(TObject* Sender);
  void FileListBox1Change(TObject* Sender);
  void ImageryMView1BeforeImageDrawEx(TObject* Sender, int Index, int Left, int Top,
                                      TBitmap* Dest, TIERect& ImageRect);
  void ImageryMView1BeforeImageDraw(TObject* Sender, int Index, int Left, int Top, TCanvas* Canvas);
  void ImageryMView1ImageSelect(TObject* Sender, int Index);
  void ImageryMView1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ScrollBox1CanResize(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize);
  void SpeedButton1qClick(TObject* Sender);
  void PopupMenu1Popup(TObject* Sender);
  void N1Click(TObject* Sender);       // pick
  void N2Click(TObject* Sender);       // unpick
  void N7Click(TObject* Sender);       // append requirements
  void N10Click(TObject* Sender);      // modify requirements
  void N21Click(TObject* Sender);      // select all
  void BitBtn1Click(TObject* Sender);  // folder memo
  void BitBtn7Click(TObject* Sender);  // view-list menu
  void N9Click(TObject* Sender);       // random reordering (also the hot key)
  void N15Click(TObject* Sender);      // unpicked list
  void N16Click(TObject* Sender);      // picked list
  void N18Click(TObject* Sender);      // back to the whole folder
  void N11Click(TObject* Sender);      // rotate clockwise
  void N12Click(TObject* Sender);      // rotate counter-clockwise
  void N28Click(TObject* Sender);      // rename
  void BitBtn4Click(TObject* Sender);  // the copy menu
  void N4Click(TObject* Sender);       // copy the picked photos out
  void N31Click(TObject* Sender);      // the same from the grid menu
  void EXCEL1Click(TObject* Sender);   // requirements to a spreadsheet
  void n32Click(TObject* Sender);      // the same from the grid menu
  void BitBtn3Click(TObject* Sender);  // "Print Selected": staging and the print window
  // "Simulation" (seemain_simulation.cpp): the template strip, the drag of photos from the grid
  // and the drop that writes and shows "OK.swf".
  void Button1Click(TObject* Sender);
  void ImageryMView1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void ImageryMView1EndDrag(TObject* Sender, TObject* Target, int X, int Y);
  void ImageryMView1DragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State,
                             bool& Accept);
  void ImageryMView3DragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State,
                             bool& Accept);
  void ImageryMView3MouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, POINT MousePos,
                               bool& Handled);
  void ImageryMView3DragDrop(TObject* Sender, TObject* Source, int X, int Y);
  // Deletes every file of the working directory that matches Mask (subfolders stay); false
  // when one could not be deleted.
  bool DelSomeFiles(const std::string& Mask);
  void WMHotKey(TMessage& Message);

  // The system short date format (the program's own store of it).
  void GetsysDateFormat(std::string& Format);
  void SetSysDateFormat(const std::string& Format);

  // The command line FormShow reads: every argument (ParamStr(1) ... ParamStr(ParamCount())
  // unless set otherwise before the window is shown).
  void SetCommandLine(const std::vector<std::string>& Args) {
    FCommandLine = Args;
    FCommandLineSet = true;
  }
  // The shoot folder a command line names: the arguments joined, each followed by one blank,
  // cut after the last path delimiter ("" when there is none).
  static std::string ShootFolderOfArgs(const std::vector<std::string>& Args);
  // Telephone and customer name from a shoot folder's path: the folder's own name split at its
  // first "-" (no "-": empty telephone, the whole name).
  static void CustomerOfFolder(const std::string& Folder, std::string& Telephone,
                               std::string& Name);

  // ---- state other windows read ----
  bool Loading() const { return FLoading; }
  int ListMode() const { return FListMode; }  // 0 whole folder, 1 unpicked, 2 picked
  int HotKeyId() const { return FHotKeyId; }
  TCustomIniFile* SettingsFile() const { return FIni.get(); }
  TIEBitmap* FramePicture() const { return FFrame.get(); }
  TIEBitmap* SelectedFramePicture() const { return FSelectedFrame.get(); }
  // The bare names of the selected photos, in selection order.
  std::vector<std::string> SelectedNames();
  // The folder of the current photos ("" before the first successful folder change).
  const std::string& CurrentFolder() const { return FCurrentFolder; }
  // The shoot folder kept when the copy command started (the working directory goes back to it
  // when the copy dialog closes).
  const std::string& CopyFolder() const { return FCopyFolder; }
  // Turns the selected photos on disk by Angle degrees (-90 clockwise, 90 counter-clockwise).
  void RotateSelected(double Angle);
  // The viewer, crop and settings windows while they exist (each clears its own reference as
  // it closes), and the viewer's position in the display order list.
  TForm*& ViewerWindow() { return FViewer; }
  TForm*& CropWindow() { return FCrop; }
  TForm*& SettingsWindow() { return FSettingsWindow; }
  int& ViewerPosition() { return FViewerPosition; }

  // ---- controls (names as the other windows know them) ----
  TPanel* Panel1 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TEdit* Edit1 = nullptr;
  TEdit* Edit2 = nullptr;
  TSpeedButton* SpeedButton1q = nullptr;
  TBitBtn* BitBtn7 = nullptr;
  TWinControl* skinp1 = nullptr;  // left skin panel
  TWinControl* dir1 = nullptr;    // shell folder tree
  TSplitter* Splitter1 = nullptr;
  TSplitter* Splitter2 = nullptr;
  TScrollBox* ScrollBox1 = nullptr;
  TLabel* Label88a = nullptr;
  TBitBtn* BitBtn1 = nullptr;
  TBitBtn* BitBtn3 = nullptr;
  TBitBtn* BitBtn4 = nullptr;
  TBitBtn* BitBtn5 = nullptr;
  TBitBtn* BitBtn6 = nullptr;
  TButton* Button1 = nullptr;
  TCustomControl* ImageryMView1 = nullptr;   // thumbnail grid
  TCustomControl* ImageryMView2 = nullptr;   // hidden print grid
  TCustomControl* SpeedButton1yx = nullptr;  // hidden menu button
  TProgressBar* pb = nullptr;
  TListBox* ListBox1 = nullptr;
  TListBox* ListBox2 = nullptr;  // the staged file names of the last "Print Selected"
  TListBox* ListBox4 = nullptr;
  TFileListBox* FileListBox1 = nullptr;
  TComboBox* FilterComboBox1 = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TPopupMenu* PopupMenu2 = nullptr;
  TPopupMenu* PopupMenu3 = nullptr;
  TMenuItem* N1 = nullptr;
  TMenuItem* N2 = nullptr;
  TMenuItem* N3 = nullptr;
  TMenuItem* N6 = nullptr;
  TMenuItem* N7 = nullptr;
  TMenuItem* N8 = nullptr;
  TMenuItem* N9 = nullptr;
  TMenuItem* N10 = nullptr;
  TMenuItem* N11 = nullptr;
  TMenuItem* N12 = nullptr;
  TMenuItem* N14 = nullptr;
  TMenuItem* N21 = nullptr;
  TMenuItem* N22 = nullptr;
  TMenuItem* N23 = nullptr;
  TMenuItem* N27 = nullptr;
  TMenuItem* N28 = nullptr;
  TMenuItem* N29 = nullptr;
  TMenuItem* N30 = nullptr;
  TMenuItem* N31 = nullptr;
  TMenuItem* n32 = nullptr;
  TMenuItem* N4 = nullptr;
  TMenuItem* N5 = nullptr;
  TMenuItem* N13 = nullptr;
  TMenuItem* N19 = nullptr;
  TMenuItem* N15 = nullptr;
  TMenuItem* N16 = nullptr;
  TMenuItem* N17 = nullptr;
  TMenuItem* N18 = nullptr;
  TADOConnection* ADOConnection1 = nullptr;
  TADOConnection* ADOConnection2 = nullptr;
  TADOQuery* ADOQuery1 = nullptr;
  TADOQuery* ADOQuery2 = nullptr;
  TADOQuery* ADOQuery6 = nullptr;
  TADOCommand* ADOCommand1 = nullptr;
  TADOCommand* ADOCommand5 = nullptr;
  TADOConnection* ADOConnection4 = nullptr;  // print staging database
  TADOQuery* ADOQuery4 = nullptr;
  TADOCommand* ADOCommand2 = nullptr;
  // Simulation: the template panel and strip, the photo lists, the template catalog
  // (ADOConnection5: xiaoguo in ADOQuery9, the scratch table in ADOQuery10 and ADOCommand6) and
  // the template database (ADOConnection6, table a2 in anet2).
  TWinControl* panel2aa = nullptr;
  TCustomControl* ImageryMView3 = nullptr;
  TListBox* ListBox3 = nullptr;
  TFileListBox* FileListBox3 = nullptr;
  TADOConnection* ADOConnection5 = nullptr;
  TADOConnection* ADOConnection6 = nullptr;
  TADOQuery* ADOQuery9 = nullptr;
  TADOQuery* ADOQuery10 = nullptr;
  TADOQuery* anet2 = nullptr;
  TADOCommand* ADOCommand6 = nullptr;

  void WndProc(TMessage& Message) override;

private:
  void CreateControls();
  void CreateMenus();
  void CreateDataAccess();
  void CreateSimulationControls();
  // Connects the template catalog beside the executable when it is not connected.
  void OpenSimulationCatalog();
  // The mask of FilterComboBox1's filter ("*.jpg").
  std::string PhotoMask() const;
  // Checks that Folder can become the current folder before anything of the current one is
  // given up: it can be read, and when it has photos its catalog can be made and opened.
  void ProbeFolder(const std::string& Folder);
  // The folder change proper (clears, lists, loads, fills the customer fields).
  void LoadFolder(const std::string& Folder);
  // Tells why Folder cannot be opened and goes back to the previous folder (loading it again
  // when the lists were already cleared).
  void FolderChangeFailed(const std::string& Folder, const Exception& E, bool Cleared);
  // Fills the grid and the display order list with Names (in name or random order by luan).
  void FillGrid(const std::vector<std::string>& Names);
  void ClearLists();
  // "Current folder " / "Current folder have " + Count + " Photos" in the count label.
  void SetCountLabel(const char* Prefix, int Count);
  // Clears the lists and has the file list read the folder again (list mode 0).
  void ReloadFolder();
  std::vector<std::string> FileNames() const;
  void LoadFramePictures();
  void ReportCaptionFailure(const Exception& E);
  // Fills the staging database with the picked photos of the folder; false (after telling the
  // user) when there is nothing to stage or it failed.
  bool StagePickedPhotos();

  std::unique_ptr<TCustomIniFile> FIni;
  std::unique_ptr<TIEBitmap> FFrame, FSelectedFrame;
  std::vector<std::string> FCommandLine;
  bool FCommandLineSet = false;
  std::string FCurrentFolder;
  std::string FCopyFolder;
  bool FLoading = false;
  bool FRestoring = false;
  int FListMode = 0;
  int FViewerPosition = 0;
  int FHotKeyId = 0;
  bool FCaptionFailureReported = false;
  std::string FCaptionFailure;
  TForm* FViewer = nullptr;
  TForm* FCrop = nullptr;
  TForm* FSettingsWindow = nullptr;
  bool FTemplatesLoaded = false;
};
