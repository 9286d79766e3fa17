// Copy-out of the picked photos: the start dialog, the destination dialog and the copy engine.
#include "app/copyout.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/catalog.h"
#include "app/formutil.h"
#include "app/maincontrols.h"
#include "app/seemain.h"
#include "controls/shellcontrols.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/fileutils.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/filectrl.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/shellapi.h"
#include "platform/win/winuser.h"

ORV_CLASS_IMPL(TFormDaoChushezhi, TForm)
ORV_CLASS_IMPL(TFormdaochuPATH, TForm)

namespace {

const char kCrLf[] = "\r\n";
const char kBlankLine[] = " \r\n";
const char kFullWidthColon[] = "\xEF\xBC\x9A";  // U+FF1A

// Ends the copy silently (an existing group folder that cannot be entered or emptied).
struct TSilentStop {};

std::string SystemText(int Error) { return std::strerror(Error); }

// Writes Text to File: anew (Append false) or at its end.
void WriteText(const std::string& File, const std::string& Text, bool Append) {
  FILE* f = std::fopen(File.c_str(), Append ? "ab" : "wb");
  if (!f) throw EInOutError("Cannot write the file " + File + ": " + SystemText(errno) + ".");
  const bool ok = std::fwrite(Text.data(), 1, Text.size(), f) == Text.size();
  const int error = errno;
  if (std::fclose(f) != 0 || !ok)
    throw EInOutError("Cannot write the file " + File + ": " + SystemText(error) + ".");
}

bool IsRealDirectory(const std::string& Path) {
  struct stat st;
  return ::lstat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& Path) {
  struct stat st;
  return ::lstat(Path.c_str(), &st) == 0;
}

// The six opening lines of a group file, or the first five of the root file.
std::string OpeningLines(const std::string& Telephone, const std::string& Name, bool Group) {
  std::string s = std::string(kBlankLine) + kBlankLine + CopyOutHeaderLine(Telephone, Name) +
                  kCrLf + kBlankLine + kBlankLine;
  if (Group) s += kBlankLine;
  return s;
}

}  // namespace

std::string SafeFileName(const std::string& Text) {
  std::string s = Text;
  for (char& c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F) c = '_';
  }
  for (char& c : s) {
    if (c != '.') break;
    c = '_';
  }
  return s.empty() ? std::string("_") : s;
}

std::string CopyOutFolderName(const std::string& Telephone, const std::string& Name, int Hour,
                              int Minute, int Second) {
  char time[32];
  std::snprintf(time, sizeof time, "%02dHr%02dMin%02dSec", Hour, Minute, Second);
  return SafeFileName(Telephone + "-" + Name + "-" + time + "-CopyEnd");
}

std::string CopyOutHeaderLine(const std::string& Telephone, const std::string& Name) {
  return std::string(15, ' ') + "Telphone:" + Telephone + std::string(6, ' ') +
         "Customer Name:" + Name;
}

std::string CopyOutPhotoLine(const std::string& FileName, const std::string& Design,
                             const std::string& Requirement) {
  return FileName + "  [Design requirements]" + Design + "  [Production requirements]" +
         Requirement;
}

// ---- the start dialog ----

TFormDaoChushezhi::TFormDaoChushezhi(TComponent* Owner, TFormSeeMain* Main)
    : TForm(Owner), FMain(Main) {
  SetName("FormDaoChushezhi");
  SetCaption("Tips");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 420, 220);
  SetProgramFont(this);
  Label1 = PlaceLabel(this, this, "Label1",
                      "The chosen photos are now copied to another place.", 16, 14, clBlue);
  GroupBox1 = PlaceControl<TGroupBox>(this, this, "GroupBox1", 16, 40, 380, 80);
  GroupBox1->SetCaption("Copy to...");
  Label2 = PlaceLabel(this, GroupBox1, "Label2", "Folder name=Telephone+Customer Name+Datetime+End",
                      12, 32);
  BitBtn1 = PlaceButton(this, this, "BitBtn1", "Begin", 160, 136, 90, 30);
  BitBtn1->OnClick = [this](TObject* S) { BitBtn1Click(S); };
  OnCloseQuery = [this](TObject* S, bool& C) { FormCloseQuery(S, C); };
}

void TFormDaoChushezhi::BitBtn1Click(TObject*) {
  std::unique_ptr<TFormdaochuPATH> dialog(
      new TFormdaochuPATH(this, FMain, FMain->CopyFolder()));
  Hide();
  dialog->ShowModal();
  dialog.reset();
  Close();
}

void TFormDaoChushezhi::FormCloseQuery(TObject*, bool& CanClose) { CanClose = true; }

// ---- the destination dialog ----

TFormdaochuPATH::TFormdaochuPATH(TComponent* Owner, TFormSeeMain* Main,
                                 const std::string& ShootFolder)
    : TForm(Owner), FMain(Main), FShootFolder(ShootFolder) {
  SetName("FormdaochuPATH");
  SetCaption("Copy to...");
  SetBorderIcons(TBorderIcons{});
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 420, 470);
  SetProgramFont(this);
  Panel1 = PlaceControl<TPanel>(this, this, "Panel1", 0, 0, 412, 64);
  Panel1->SetAlign(alTop);
  Panel1->SetShowCaption(false);
  auto* tree = new TNavShellTree(this);
  tree->SetName("ShellTreeView1");
  tree->SetParent(this);
  tree->SetRootedAt(SF_DESKTOP);
  tree->SetShowOptions(TNavShellShowOptions{soShowErrorMessages});
  tree->SetFileSystemOnly(true);
  ShellTreeView1 = tree;
  ShellTreeView1->SetBounds(0, 64, 412, 300);
  Edit1 = PlaceControl<TEdit>(this, this, "Edit1", 8, 380, 200, 21);
  Edit1->SetReadOnly(true);
  Edit1->SetVisible(false);
  Label3 = PlaceLabel(this, this, "Label3", "Progress:", 16, 120);
  Label3->SetVisible(false);
  Pb1 = PlaceControl<TProgressBar>(this, this, "Pb1", 16, 140, 380, 18);
  Pb1->SetMin(0);
  Pb1->SetMax(100);
  Pb1->SetVisible(false);
  Label4 = PlaceLabel(this, this, "Label4", "Waiting.....", 16, 90);
  Label4->SetVisible(false);
  Label5 = PlaceLabel(this, this, "Label5", "", 16, 170);
  Button2 = PlaceButton(this, this, "Button2", "Ok", 232, 376, 80, 28);
  Button1 = PlaceButton(this, this, "Button1", "close", 322, 376, 80, 28);
  for (TButton* b : {Button1, Button2}) {
    TFontStyles bold{fsBold};
    b->Font()->SetStyle(bold);
  }
  ADOQuery1 = new TADOQuery(this);
  ADOQuery1->SetName("ADOQuery1");
  ADOQuery2 = new TADOQuery(this);
  ADOQuery2->SetName("ADOQuery2");
  ADOQuery2->SQL()->Add(kSqlMemo);
  ADOQuery3 = new TADOQuery(this);
  ADOQuery3->SetName("ADOQuery3");
  ADOQuery3->SQL()->Add(kSqlRequirementGroups);
  for (TADOQuery* q : {ADOQuery1, ADOQuery2, ADOQuery3}) q->SetConnection(Main->ADOConnection1);
  tree->OnChange = [this](TObject* S, TTreeNode*) { ShellTreeView1Change(S); };
  Button2->OnClick = [this](TObject* S) { Button2Click(S); };
  Button1->OnClick = [this](TObject* S) { Button1Click(S); };
  OnCreate = [this](TObject* S) { FormCreate(S); };
  OnShow = [this](TObject* S) { FormShow(S); };
  OnCloseQuery = [this](TObject* S, bool& C) { FormCloseQuery(S, C); };
  FinishCreate();
}

void TFormdaochuPATH::FormCreate(TObject*) {
  ShellTreeView1->SetHeight(300);
  ShellTreeView1->SetAlign(alTop);
  Word h = 0, m = 0, s = 0, ms = 0;
  DecodeTime(Now(), h, m, s, ms);
  FTelephone = FMain->Edit1->Text();
  FCustomer = FMain->Edit2->Text();
  FOutputName = CopyOutFolderName(FTelephone, FCustomer, h, m, s);
  ADOQuery2->Open();
}

void TFormdaochuPATH::FormShow(TObject*) { Label4->Font()->SetColor(clRed); }

void TFormdaochuPATH::ShellTreeView1Change(TObject*) {
  Edit1->SetText(static_cast<TNavShellTree*>(ShellTreeView1)->GetSelectedFolder());
}

std::string TFormdaochuPATH::OutputFolder() const {
  return IncludeTrailingPathDelimiter(Edit1->Text()) + FOutputName;
}

bool TFormdaochuPATH::DelSomeFiles(const std::string& Folder, const std::string& Mask) {
  DIR* dir = ::opendir(Folder.c_str());
  if (!dir) return false;
  bool ok = true;
  std::vector<std::string> names;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (MatchesMask(name, Mask)) names.push_back(name);
  }
  ::closedir(dir);
  for (const std::string& name : names) {
    const std::string path = IncludeTrailingPathDelimiter(Folder) + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;  // subfolders stay
    if (S_ISREG(st.st_mode)) ::chmod(path.c_str(), st.st_mode | S_IWUSR);
    if (::unlink(path.c_str()) != 0) ok = false;
  }
  return ok;
}

void TFormdaochuPATH::CopyPhoto(const std::string& Source, const std::string& Target,
                                const std::string& Group, int Number) {
  FILE* in = std::fopen(Source.c_str(), "rb");
  if (!in) throw EInOutError("Cannot open the photo " + Source + ": " + SystemText(errno) + ".");
  std::unique_ptr<FILE, int (*)(FILE*)> inGuard(in, std::fclose);
  struct stat st;
  if (::fstat(fileno(in), &st) != 0 || !S_ISREG(st.st_mode))
    throw EInOutError("Cannot read the photo " + Source + ".");
  const int64_t size = st.st_size;
  Pb1->SetPosition(0);
  Pb1->SetMax(static_cast<int>(size / 1024));
  // The target never follows a link out of the group folder: a link of that name goes first.
  if (PathExists(Target) && !IsRealDirectory(Target)) ::unlink(Target.c_str());
  FILE* out = std::fopen(Target.c_str(), "wbx");
  if (!out) throw EInOutError("Cannot create the file " + Target + ": " + SystemText(errno) + ".");
  std::unique_ptr<FILE, int (*)(FILE*)> outGuard(out, std::fclose);
  char kb[32];
  std::snprintf(kb, sizeof kb, "%.2f", static_cast<double>(size) / 1024.0);
  Label5->SetCaption("Copy Files:" + ExtractFileName(Source) + "......" + kb + "KB......[ " +
                     Group + " ]" + std::to_string(Number) + "Files");
  Application()->ProcessMessages();
  char buffer[1024];
  int64_t done = 0;
  do {
    const size_t n = std::fread(buffer, 1, sizeof buffer, in);
    if (n == 0 && std::ferror(in))
      throw EInOutError("Cannot read the photo " + Source + ": " + SystemText(errno) + ".");
    if (n > 0 && std::fwrite(buffer, 1, n, out) != n)
      throw EInOutError("Cannot write the file " + Target + ": " + SystemText(errno) + ".");
    done += static_cast<int64_t>(n);
    Pb1->SetPosition(static_cast<int>(done / 1024));
    if (n == 0) break;
  } while (done < size);
  if (std::fclose(outGuard.release()) != 0)
    throw EInOutError("Cannot write the file " + Target + ": " + SystemText(errno) + ".");
}

void TFormdaochuPATH::Button2Click(TObject*) {
  // Without a destination nothing is copied (never to the root of the file system).
  if (Edit1->Text().empty()) {
    ShowInfo("Please choose the folder to copy to.");
    return;
  }
  Button1->SetVisible(false);
  const std::string output = OutputFolder();
  FRootFile = IncludeTrailingPathDelimiter(output) + kRequirementsFileName;
  bool rootMade = false;
  std::unique_ptr<Exception> failure;
  try {
    if (PathExists(output) && !IsRealDirectory(output))
      throw EInOutError("The output folder " + output + " is not a folder.");
    if (!IsRealDirectory(output) && !ForceDirectories(output))
      throw EInOutError("Cannot create the folder " + output + ": " + SystemText(errno) + ".");
    SetCurrentDir(output);
    ShellTreeView1->SetVisible(false);
    Button2->SetVisible(false);
    Panel1->SetHeight(0);
    Label4->SetVisible(true);
    Pb1->SetVisible(true);
    Label3->SetVisible(true);
    Repaint();
    WriteText(FRootFile, OpeningLines(FTelephone, FCustomer, false), false);
    rootMade = true;
    ADOQuery3->Close();
    ADOQuery3->Open();
    ADOQuery3->First();
    while (!ADOQuery3->Eof()) {
      std::string group = ADOQuery3->FieldByName("yongtu")->AsString();
      ADOQuery1->Close();
      if (group.empty() || ADOQuery3->FieldByName("yongtu")->IsNull()) {
        ADOQuery1->SetSQLText(kSqlNoRequirementPhotos);
        ADOQuery1->Open();
        group = kNoRequirementGroup;
      } else {
        OpenWithText(ADOQuery1, kSqlGroupPhotos, "a", group);
      }
      const std::string folder = IncludeTrailingPathDelimiter(output) + SafeFileName(group);
      const bool hasRows = ADOQuery1->RecordCount() > 0;
      if (PathExists(folder)) {
        // An existing group folder is emptied of files; one that cannot be entered or emptied
        // (or is no real folder) ends the copy.
        if (!IsRealDirectory(folder) || !SetCurrentDir(folder) || !DelSomeFiles(folder, "*.*"))
          throw TSilentStop{};
      } else if (hasRows && !CreateDir(folder)) {
        throw EInOutError("Cannot create the folder " + folder + ": " + SystemText(errno) + ".");
      }
      if (!hasRows) {
        ADOQuery3->Next();
        Pb1->SetPosition(Pb1->Max());
        continue;
      }
      const std::string groupFile =
          IncludeTrailingPathDelimiter(folder) + SafeFileName(group) + kRequirementsFileName;
      WriteText(groupFile, OpeningLines(FTelephone, FCustomer, true), false);
      ADOQuery1->First();
      for (int i = 0; !ADOQuery1->Eof(); ++i, ADOQuery1->Next()) {
        std::string name = ADOQuery1->FieldByName("fname")->AsString();
        // Only plain file names of the shoot folder are copied. The catalog compares names
        // without regard to case: the photo is the folder's file of that name in any case.
        if (name.empty() || SafeFileName(name) != name)
          throw EInOutError("The catalog names a file that is not in the shoot folder: " + name);
        if (FMain) {
          const int listed = FMain->FileListBox1->Items()->IndexOf(name);
          if (listed >= 0) name = FMain->FileListBox1->Items()->Strings(listed);
        }
        CopyPhoto(IncludeTrailingPathDelimiter(FShootFolder) + name,
                  IncludeTrailingPathDelimiter(folder) + name, group, i + 1);
        const std::string yongtu = ADOQuery1->FieldByName("yongtu")->AsString();
        if (!yongtu.empty()) {
          const std::string lines =
              CopyOutPhotoLine(name, ADOQuery1->FieldByName("xiugai")->AsString(), yongtu) +
              kCrLf + kBlankLine;
          WriteText(FRootFile, lines, true);
          WriteText(groupFile, lines, true);
        }
        Pb1->SetPosition(0);
      }
      ADOQuery3->Next();
    }
  } catch (const TSilentStop&) {
  } catch (const Exception& E) {
    failure = std::make_unique<Exception>(E.Message());
  }
  Finish();
  if (rootMade) {
    try {
      ADOQuery2->Close();
      ADOQuery2->Open();
      const std::string memo = ADOQuery2->Eof() ? "" : ADOQuery2->FieldByName("beizhu")->AsString();
      WriteText(FRootFile, std::string("Total memo") + kFullWidthColon + memo + kCrLf, true);
    } catch (const Exception& E) {
      if (!failure) failure = std::make_unique<Exception>(E.Message());
    }
  }
  if (failure) Application()->ShowException(*failure);
}

void TFormdaochuPATH::Finish() {
  Pb1->SetPosition(Pb1->Max());
  Label4->SetCaption("Successful!Copy to:\r" + OutputFolder());
  Label5->SetCaption(std::string(24, ' ') + "Copy end!");
  Button1->SetLeft(Button1->Left() - 70);
  Button1->SetVisible(true);
  if (FMain && FMain->dir1) TreeRefreshNodes(FMain->dir1);
}

void TFormdaochuPATH::Button1Click(TObject*) {
  if (AskYesNo("Are you open the folder?")) {
    ShellExecute(Handle(), "open", OutputFolder().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  Close();
}

void TFormdaochuPATH::FormCloseQuery(TObject*, bool& CanClose) {
  if (!FShootFolder.empty()) SetCurrentDir(FShootFolder);
  CanClose = true;
}

void TFormdaochuPATH::FormClose(TObject*, TCloseAction& Action) { Action = caHide; }
