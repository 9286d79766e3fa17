// The main window's folder change, the folder load into the grid, and the grid's own events.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/catalog.h"
#include "app/formutil.h"
#include "app/maincontrols.h"
#include "app/seemain.h"
#include "app/settings.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/ieprocdefs.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/filectrl.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/winuser.h"

namespace {

// Where the grid draws the photo inside a thumbnail's frame, from the frame's top-left corner:
// a 128 x 140 box, whatever the photo's proportions.
const TIERect kPhotoBox{20, 20, 148, 160};

const char kNamingHelp[] =
    "If you create a folder based on when the customer Telephone and customer name, in the "
    "middle with the \"-\" Connection\xEF\xBC\x8C"
    "Example:80013578-John\xEF\xBC\x8CThe software "
    "will automatically separate out the customer name and Telephone.";

}  // namespace

void TFormSeeMain::SetCountLabel(const char* Prefix, int Count) {
  Label88a->SetCaption(std::string(Prefix) + std::to_string(Count) + " Photos");
  // Kept centred under the tree as its text changes, as the buttons are when the area resizes.
  Label88a->SetLeft(std::max(0, (ScrollBox1->Width() - Label88a->Width()) / 2));
}

void TFormSeeMain::CustomerOfFolder(const std::string& Folder, std::string& Telephone,
                                    std::string& Name) {
  std::string own = Folder;
  size_t slash = own.find_last_of(PathDelim);
  if (slash != std::string::npos) own.erase(0, slash + 1);
  int dash = Pos("-", own);
  Telephone = dash > 0 ? Copy(own, 1, dash - 1) : std::string();
  Name = Copy(own, dash + 1, 6000);
}

std::vector<std::string> TFormSeeMain::FileNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < FileListBox1->Items()->Count(); ++i)
    names.push_back(FileListBox1->Items()->Strings(i));
  return names;
}

void TFormSeeMain::ClearLists() {
  ListBox1->Items()->Clear();
  GridClear(ImageryMView1);
  FileListBox1->Items()->Clear();
}

// ---- folder change ----

void TFormSeeMain::ProbeFolder(const std::string& Folder) {
  if (!DirectoryExists(Folder)) throw EInOutError("The folder " + Folder + " does not exist.");
  if (::access(Folder.c_str(), R_OK | X_OK) != 0)
    throw EInOutError("The folder " + Folder + " cannot be read: " + std::strerror(errno) + ".");
  TSearchRec found;
  bool photos = FindFirst(IncludeTrailingPathDelimiter(Folder) + PhotoMask(), 0, found) == 0;
  FindClose(found);
  if (!photos) return;
  PrepareCatalog(Folder, ProgramFolder());
  TADOConnection trial;
  OpenCatalog(&trial, Folder);
}

void TFormSeeMain::LoadFolder(const std::string& Folder) {
  // Setting the mask reads the list again: only when it changes.
  if (FileListBox1->Mask() != PhotoMask()) FileListBox1->SetMask(PhotoMask());
  ClearLists();
  // Reading the folder makes it the process's current folder; the list's change runs the
  // folder load.
  FileListBox1->SetDirectory(Folder);
  FileListBox1Change(FileListBox1);
  std::string telephone, name;
  CustomerOfFolder(Folder, telephone, name);
  Edit1->SetText(telephone);
  Edit2->SetText(name);
  FCurrentFolder = Folder;
}

void TFormSeeMain::dir1Change(TObject*) {
  if (FRestoring) return;  // the tree is being put back after a failed change
  const std::string folder = TreeSelectedFolder(dir1);
  // A folder that cannot be opened is refused before the current one is given up.
  try {
    ProbeFolder(folder);
  } catch (const Exception& E) {
    FolderChangeFailed(folder, E, false);
    return;
  }
  try {
    LoadFolder(folder);
  } catch (const Exception& E) {
    FolderChangeFailed(folder, E, true);
  }
}

void TFormSeeMain::FolderChangeFailed(const std::string& Folder, const Exception& E, bool Cleared) {
  FLoading = false;
  const std::string previous = FCurrentFolder;
  std::string text = E.Message();
  if (text.find(Folder) == std::string::npos)
    text = "The folder " + Folder + " cannot be opened: " + text;
  text += previous.empty() ? "" : "\r\nThe folder " + previous + " stays open.";
  Application()->MessageBox(text, Application()->Title(), MB_OK | MB_ICONWARNING);
  FRestoring = true;
  try {
    if (!previous.empty()) TreeSetSelectedFolder(dir1, previous);
    // A failure after the lists were cleared: the previous folder is loaded again.
    if (Cleared && !previous.empty()) LoadFolder(previous);
    Cleared = Cleared && previous.empty();
  } catch (const Exception&) {
    Cleared = true;
  }
  if (Cleared) {
    // Nothing to go back to: an empty window, as before the first folder.
    ClearLists();
    SetCountLabel("Current folder ", 0);
    Edit1->SetText("");
    Edit2->SetText("");
    FCurrentFolder.clear();
  }
  FRestoring = false;
}

void TFormSeeMain::FileListBox1Change(TObject*) {
  const int n = FileListBox1->Items()->Count();
  SetCountLabel("Current folder ", n);
  // A folder without photos leaves the grid empty and the previous catalog open.
  if (n == 0) return;
  FLoading = true;
  GridSetEnableImageCaching(ImageryMView1, false);
  try {
    const std::string folder = FileListBox1->Directory();
    PrepareCatalog(folder, ProgramFolder());
    OpenCatalog(ADOConnection1, folder);
    FCaptionFailureReported = false;
    SetCountLabel("Current folder have ", n);
    FillGrid(FileNames());
    GridSetSelectedImage(ImageryMView1, 0);
    FListMode = 0;
  } catch (...) {
    FLoading = false;
    throw;
  }
  FLoading = false;
}

void TFormSeeMain::FillGrid(const std::vector<std::string>& Names) {
  const bool random = ReadRandomOrderSwitch(ADOQuery2);
  const std::vector<int> order = random ? RandomOrder(static_cast<int>(Names.size()), ClockSeed())
                                        : NameOrder(static_cast<int>(Names.size()));
  const std::string folder = IncludeTrailingPathDelimiter(FileListBox1->Directory());
  // Grid position i always shows display order entry i.
  GridBeginUpdate(ImageryMView1);
  try {
    for (int i : order) {
      ListBox1->Items()->Add(Names[i]);
      GridAddFile(ImageryMView1, folder + Names[i]);
    }
  } catch (...) {
    GridEndUpdate(ImageryMView1);
    throw;
  }
  GridEndUpdate(ImageryMView1);
  if (random) Screen()->SetCursor(crDefault);
}

void TFormSeeMain::ReloadFolder() {
  ClearLists();
  FileListBox1->Update();
  FileListBox1Change(FileListBox1);
}

// ---- the grid's events ----

void TFormSeeMain::ImageryMView1BeforeImageDrawEx(TObject*, int Index, int Left, int Top,
                                                  TBitmap* Dest, TIERect& ImageRect) {
  TIEBitmap* frame = GridIsSelected(ImageryMView1, Index) ? FSelectedFrame.get() : FFrame.get();
  if (frame && !frame->IsEmpty())
    frame->DrawToTBitmap(Dest, Left, Top, GridThumbWidth(ImageryMView1),
                        GridThumbHeight(ImageryMView1), 0, 0, frame->Width(), frame->Height(), 255,
                        rfNone, 0);
  ImageRect = kPhotoBox;
}

void TFormSeeMain::ImageryMView1BeforeImageDraw(TObject*, int Index, int, int, TCanvas*) {
  const std::string name = BareName(GridImageFileName(ImageryMView1, Index));
  TThumbCaption caption{name, clBlack, false, true};
  try {
    TPickCaption pick = ReadPickCaption(ADOQuery1, name);
    caption.Text = pick.Text;
    caption.Color = pick.Color;
    caption.Bold = pick.Bold;
  } catch (const Exception& E) {
    ReportCaptionFailure(E);
  }
  GridSetCaption(ImageryMView1, Index, caption);
}

void TFormSeeMain::ReportCaptionFailure(const Exception& E) {
  // Painting goes on with plain captions; the failure is told once per folder, after the paint.
  if (FCaptionFailureReported) return;
  FCaptionFailureReported = true;
  FCaptionFailure = E.Message();
  PostMessage(Handle(), WM_CAPTIONFAILED, 0, 0);
}

void TFormSeeMain::ImageryMView1ImageSelect(TObject*, int Index) {
  ImageryMView1BeforeImageDraw(ImageryMView1, Index, 0, 0, nullptr);
  const TThumbCaption caption = GridCaption(ImageryMView1, Index);
  if (caption.Color == clBlack || caption.Color == clRed) {
    ImageryMView1->SetHint("");
    return;
  }
  ImageryMView1->SetHint(caption.Text + "\r\n" + std::string(30, '-') + "\r\n" +
                         "File name:" + BareName(GridImageFileName(ImageryMView1, Index)));
}

void TFormSeeMain::ImageryMView1MouseUp(TObject*, TMouseButton, TShiftState Shift, int X, int Y) {
  if (Shift.Contains(ssLeft) && Shift.Contains(ssCtrl)) return;
  if (GridMultiSelectedCount(ImageryMView1) > 1) return;
  int index = GridImageAtPos(ImageryMView1, X, Y);
  if (index >= 0) GridSetSelectedImage(ImageryMView1, index);
}

void TFormSeeMain::ScrollBox1CanResize(TObject*, int&, int&, bool& Resize) {
  Resize = true;
  if (!BitBtn6) return;  // the buttons are not all made yet
  const int w = ScrollBox1->Width();
  for (TControl* c :
       std::initializer_list<TControl*>{BitBtn1, BitBtn3, BitBtn4, BitBtn5, BitBtn6, Button1})
    c->SetLeft((w - BitBtn1->Width()) / 2);
  Label88a->SetLeft((w - Label88a->Width()) / 2);
  Resize = true;
}

void TFormSeeMain::SpeedButton1qClick(TObject*) { ShowInfo(kNamingHelp); }
