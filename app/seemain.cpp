// The main window: its controls and menus, creation, first showing, activation and closing.
#include "app/seemain.h"

#include <cstdio>

#include "app/catalog.h"
#include "app/formcrop.h"
#include "app/formnewmax.h"
#include "app/formsettings.h"
#include "app/formutil.h"
#include "app/maincontrols.h"
#include "app/printstaging.h"
#include "app/settings.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/imageryproc.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/inifiles.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/filectrl.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/winuser.h"

ORV_CLASS_IMPL(TFormSeeMain, TForm)

namespace {

const char kFrameFileName[] = "thumb.png";
// The cell size when the frame picture cannot be read: the photo box of the thumbnails with a
// margin of 20 pixels around it.
const int kFallbackThumbWidth = 168, kFallbackThumbHeight = 180;

TBitBtn* PlaceBitBtn(TComponent* Owner, TWinControl* Parent, const char* Name,
                     const std::string& Caption, int Top) {
  auto* b = PlaceControl<TBitBtn>(Owner, Parent, Name, 44, Top, 130, 30);
  b->SetCaption(Caption);
  return b;
}

}  // namespace

TFormSeeMain::TFormSeeMain(TComponent* Owner) : TForm(Owner) {
  SetName("FormSeeMain");
  SetCaption("Orvanta 1.0");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 1089, 690);
  SetProgramFont(this);
  CreateDataAccess();
  CreateMenus();
  CreateControls();
  CreateSimulationControls();
  Button1->OnClick = [this](TObject* S) { Button1Click(S); };
  OnCreate = [this](TObject* S) { FormCreate(S); };
  OnShow = [this](TObject* S) { FormShow(S); };
  OnActivate = [this](TObject* S) { FormActivate(S); };
  OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
  OnCloseQuery = [this](TObject* S, bool& C) { FormCloseQuery(S, C); };
}

TFormSeeMain::~TFormSeeMain() {
  // The grid's events reach into this window; none may run while its parts go.
  GridSetEvents(ImageryMView1, {});
  TreeSetOnChange(dir1, nullptr);
  ScrollBox1->OnCanResize = nullptr;
  ImageryMView1->OnMouseMove = nullptr;
  ImageryMView1->OnEndDrag = nullptr;
  ImageryMView1->OnDragOver = nullptr;
  ImageryMView3->OnDragOver = nullptr;
  ImageryMView3->OnDragDrop = nullptr;
  ImageryMView3->OnMouseWheel = nullptr;
  DestroyComponents();
}

void TFormSeeMain::CreateDataAccess() {
  ADOConnection1 = new TADOConnection(this);
  ADOConnection1->SetName("ADOConnection1");
  ADOConnection2 = new TADOConnection(this);
  ADOConnection2->SetName("ADOConnection2");
  for (TADOConnection* c : {ADOConnection1, ADOConnection2}) {
    c->SetLoginPrompt(false);
    c->SetMode(cmShareDenyNone);
  }
  auto query = [this](const char* Name, TADOConnection* C, const char* Sql) {
    auto* q = new TADOQuery(this);
    q->SetName(Name);
    q->SetConnection(C);
    if (Sql) q->SQL()->Add(Sql);
    return q;
  };
  ADOQuery1 = query("ADOQuery1", ADOConnection1, nullptr);
  ADOQuery2 = query("ADOQuery2", ADOConnection2, kSqlThs);
  ADOQuery6 = query("ADOQuery6", ADOConnection2, kSqlDir1Path);
  ADOCommand1 = new TADOCommand(this);
  ADOCommand1->SetName("ADOCommand1");
  ADOCommand1->SetConnection(ADOConnection1);
  ADOCommand1->SetCommandText(kSqlUnpick);
  ADOCommand5 = new TADOCommand(this);
  ADOCommand5->SetName("ADOCommand5");
  ADOCommand5->SetConnection(ADOConnection1);
  // The print staging database; its connection string is set by every "Print Selected".
  ADOConnection4 = new TADOConnection(this);
  ADOConnection4->SetName("ADOConnection4");
  ADOConnection4->SetLoginPrompt(false);
  ADOConnection4->SetMode(cmShareDenyNone);
  ADOQuery4 = query("ADOQuery4", ADOConnection4, nullptr);
  ADOCommand2 = new TADOCommand(this);
  ADOCommand2->SetName("ADOCommand2");
  ADOCommand2->SetConnection(ADOConnection4);
}

void TFormSeeMain::CreateMenus() {
  auto item = [this](TMenu* Menu, const char* Name, const char* Caption) {
    auto* i = new TMenuItem(this);
    i->SetName(Name);
    i->SetCaption(Caption);
    Menu->Items()->Add(i);
    return i;
  };
  PopupMenu1 = new TPopupMenu(this);
  PopupMenu1->SetName("PopupMenu1");
  N3 = item(PopupMenu1, "N3", "-");
  N1 = item(PopupMenu1, "N1", "Selected (pick out )");
  N2 = item(PopupMenu1, "N2", "Unselected");
  N6 = item(PopupMenu1, "N6", "-");
  N7 = item(PopupMenu1, "N7", "Append Production requirements");
  N10 = item(PopupMenu1, "N10", "Modify Production requirements");
  N8 = item(PopupMenu1, "N8", "-");
  N9 = item(PopupMenu1, "N9", "Random permutation");
  N14 = item(PopupMenu1, "N14", "-");
  N11 = item(PopupMenu1, "N11", "Rotate Clockwise");
  N12 = item(PopupMenu1, "N12", "Rotate Counter Clockwise");
  N27 = item(PopupMenu1, "N27", "-");
  N28 = item(PopupMenu1, "N28", "Rename");
  N29 = item(PopupMenu1, "N29", "-");
  N23 = item(PopupMenu1, "N23", "Crop");
  N30 = item(PopupMenu1, "N30", "-");
  N31 = item(PopupMenu1, "N31", "Copy the selected photos to other places");
  n32 = item(PopupMenu1, "n32", "Copy Production requirements to excel");
  N22 = item(PopupMenu1, "N22", "-");
  N21 = item(PopupMenu1, "N21", "Select All");

  PopupMenu2 = new TPopupMenu(this);
  PopupMenu2->SetName("PopupMenu2");
  N4 = item(PopupMenu2, "N4", "Copy the selected photos to other places");
  N5 = item(PopupMenu2, "N5", "-");
  N13 = item(PopupMenu2, "N13", "Copy Production requirements to excel");
  N19 = item(PopupMenu2, "N19", "-");

  PopupMenu3 = new TPopupMenu(this);
  PopupMenu3->SetName("PopupMenu3");
  N16 = item(PopupMenu3, "N16", "Selected  List");
  N15 = item(PopupMenu3, "N15", "Unselected  List");
  N17 = item(PopupMenu3, "N17", "-");
  N18 = item(PopupMenu3, "N18", "Return");

  PopupMenu1->OnPopup = [this](TObject* S) { PopupMenu1Popup(S); };
  N1->OnClick = [this](TObject* S) { N1Click(S); };
  N2->OnClick = [this](TObject* S) { N2Click(S); };
  N7->OnClick = [this](TObject* S) { N7Click(S); };
  N10->OnClick = [this](TObject* S) { N10Click(S); };
  N9->OnClick = [this](TObject* S) { N9Click(S); };
  N21->OnClick = [this](TObject* S) { N21Click(S); };
  N15->OnClick = [this](TObject* S) { N15Click(S); };
  N16->OnClick = [this](TObject* S) { N16Click(S); };
  N18->OnClick = [this](TObject* S) { N18Click(S); };
  N11->OnClick = [this](TObject* S) { N11Click(S); };
  N12->OnClick = [this](TObject* S) { N12Click(S); };
  N28->OnClick = [this](TObject* S) { N28Click(S); };
  N31->OnClick = [this](TObject* S) { N31Click(S); };
  n32->OnClick = [this](TObject* S) { n32Click(S); };
  N4->OnClick = [this](TObject* S) { N4Click(S); };
  N13->OnClick = [this](TObject* S) { EXCEL1Click(S); };
  N23->OnClick = [this](TObject*) { CropSelectedPhoto(this); };
}

void TFormSeeMain::CreateControls() {
  // ---- the customer bar ----
  Panel1 = PlaceControl<TPanel>(this, this, "Panel1", 0, 0, 1081, 47);
  Panel1->SetAlign(alTop);
  Panel1->SetBevelOuter(bvNone);
  Label2 = PlaceLabel(this, Panel1, "Label2", "Customer Name:", 16, 16);
  Edit2 = PlaceControl<TEdit>(this, Panel1, "Edit2", 120, 12, 160, 21);
  Label1 = PlaceLabel(this, Panel1, "Label1", "Telephone:", 300, 16);
  Edit1 = PlaceControl<TEdit>(this, Panel1, "Edit1", 372, 12, 160, 21);
  SpeedButton1q = PlaceControl<TSpeedButton>(this, Panel1, "SpeedButton1q", 540, 10, 25, 25);
  SpeedButton1q->SetFlat(true);
  SpeedButton1q->SetCaption("?");
  SpeedButton1q->OnClick = [this](TObject* S) { SpeedButton1qClick(S); };
  BitBtn7 = PlaceControl<TBitBtn>(this, Panel1, "BitBtn7", 590, 9, 150, 28);
  BitBtn7->SetCaption("Selected/UnSelected");
  BitBtn7->OnClick = [this](TObject* S) { BitBtn7Click(S); };

  // ---- the left panel: folder tree above, the command buttons below ----
  skinp1 = NewSkinExPanel(this);
  skinp1->SetName("skinp1");
  skinp1->SetParent(this);
  skinp1->SetCaption("select photo path");
  skinp1->SetBounds(0, 47, kDefaultLeftWidth, 600);
  skinp1->SetAlign(alLeft);
  ScrollBox1 = PlaceControl<TScrollBox>(this, skinp1, "ScrollBox1", 0, 330, kDefaultLeftWidth, 300);
  ScrollBox1->SetAlign(alBottom);
  ScrollBox1->SetBorderStyle(bsNone);
  ScrollBox1->OnCanResize = [this](TObject* S, int& W, int& H, bool& R) {
    ScrollBox1CanResize(S, W, H, R);
  };
  Splitter1 = PlaceControl<TSplitter>(this, skinp1, "Splitter1", 0, 326, kDefaultLeftWidth, 4);
  Splitter1->SetAlign(alBottom);
  dir1 = NewShellTree(this);
  dir1->SetName("dir1");
  dir1->SetParent(skinp1);
  dir1->SetAlign(alClient);
  dir1->SetHint("click folder");
  dir1->SetShowHint(true);
  TreeSetOnChange(dir1, [this](TObject* S) { dir1Change(S); });
  Label88a = PlaceLabel(this, ScrollBox1, "Label88a", "Current folder 0 Photos", 40, 12, clBlue);
  BitBtn1 = PlaceBitBtn(this, ScrollBox1, "BitBtn1", "Total Memo", 40);
  BitBtn3 = PlaceBitBtn(this, ScrollBox1, "BitBtn3", "Print Selected", 80);
  BitBtn4 = PlaceBitBtn(this, ScrollBox1, "BitBtn4", "Copy Selected", 120);
  Button1 = PlaceButton(this, ScrollBox1, "Button1", "Simulation", 44, 160, 130, 30);
  BitBtn5 = PlaceBitBtn(this, ScrollBox1, "BitBtn5", " settings ", 200);
  BitBtn6 = PlaceBitBtn(this, ScrollBox1, "BitBtn6", " About   ", 240);
  BitBtn1->OnClick = [this](TObject* S) { BitBtn1Click(S); };
  BitBtn3->OnClick = [this](TObject* S) { BitBtn3Click(S); };
  BitBtn4->OnClick = [this](TObject* S) { BitBtn4Click(S); };
  BitBtn5->OnClick = [this](TObject*) { ShowSettingsWindow(this); };
  BitBtn6->OnClick = [this](TObject*) { ShowAboutBox(this); };

  Splitter2 = PlaceControl<TSplitter>(this, this, "Splitter2", kDefaultLeftWidth, 47, 4, 600);
  Splitter2->SetAlign(alLeft);

  // ---- the grid and the progress bar ----
  pb = PlaceControl<TProgressBar>(this, this, "pb", 0, 640, 1081, 16);
  pb->SetAlign(alBottom);
  pb->SetMin(0);
  pb->SetMax(100);
  ImageryMView1 = NewThumbGrid(this);
  ImageryMView1->SetName("ImageryMView1");
  ImageryMView1->SetParent(this);
  ImageryMView1->SetAlign(alClient);
  ImageryMView1->SetPopupMenu(PopupMenu1);
  TThumbGridEvents events;
  events.OnBeforeImageDrawEx = [this](TObject* S, int I, int L, int T, TBitmap* D, TIERect& R) {
    ImageryMView1BeforeImageDrawEx(S, I, L, T, D, R);
  };
  events.OnBeforeImageDraw = [this](TObject* S, int I, int L, int T, TCanvas* C) {
    ImageryMView1BeforeImageDraw(S, I, L, T, C);
  };
  events.OnImageSelect = [this](TObject* S, int I) { ImageryMView1ImageSelect(S, I); };
  GridSetEvents(ImageryMView1, events);
  ImageryMView1->OnMouseUp = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
    ImageryMView1MouseUp(S, B, Sh, X, Y);
  };
  ImageryMView1->OnDblClick = [this](TObject*) { ShowFullScreenViewer(this); };

  // ---- hidden helpers ----
  ImageryMView2 = NewThumbGrid(this);
  ImageryMView2->SetName("ImageryMView2");
  ImageryMView2->SetVisible(false);
  ImageryMView2->SetParent(this);
  // The print thumbnails: stored at 150 x 150 at most, loaded on the spot (no loader threads).
  GridSetThumbSize(ImageryMView2, kPrintThumbSize, kPrintThumbSize);
  SpeedButton1yx = NewMenuButton(this);
  SpeedButton1yx->SetName("SpeedButton1yx");
  SpeedButton1yx->SetVisible(false);
  SpeedButton1yx->SetParent(Panel1);
  SpeedButton1yx->SetCaption("\xE6\x9F\xA5\xE7\x9C\x8B\xE5\xB7\xB2\xE9\x80\x89");  // "查看已选"
  ListBox1 = PlaceControl<TListBox>(this, this, "ListBox1", 0, 0, 10, 10);
  ListBox1->SetVisible(false);
  ListBox2 = PlaceControl<TListBox>(this, this, "ListBox2", 0, 0, 10, 10);
  ListBox2->SetVisible(false);
  ListBox4 = PlaceControl<TListBox>(this, this, "ListBox4", 0, 0, 10, 10);
  ListBox4->SetVisible(false);
  FilterComboBox1 = PlaceControl<TComboBox>(this, this, "FilterComboBox1", 0, 0, 10, 21);
  FilterComboBox1->SetVisible(false);
  FilterComboBox1->Items()->Add("jpg files (*.JPG)|*.jpg");
  FilterComboBox1->SetItemIndex(0);
  FileListBox1 = PlaceControl<TFileListBox>(this, this, "FileListBox1", 0, 0, 10, 10);
  FileListBox1->SetVisible(false);
  // The mask is set once here so that setting it again at a folder change reads nothing.
  FileListBox1->SetMask(PhotoMask());
}

std::string TFormSeeMain::PhotoMask() const {
  // The filter item is "description|mask": the mask is the part after the bar.
  std::string item = FilterComboBox1->Items()->Strings(0);
  size_t bar = item.find('|');
  return bar == std::string::npos ? item : item.substr(bar + 1);
}

// ---- creation ----

void TFormSeeMain::GetsysDateFormat(std::string& Format) { Format = ReadSystemShortDateFormat(); }

void TFormSeeMain::SetSysDateFormat(const std::string& Format) {
  WriteSystemShortDateFormat(Format);
}

void TFormSeeMain::FormCreate(TObject*) {
  // The work area is the window's place, as the form is aligned to fill it.
  RECT wa = Screen()->WorkAreaRect();
  SetBounds(wa.left, wa.top, wa.right - wa.left, wa.bottom - wa.top);
  // What the program once changed in the system goes to its own settings store; a store that
  // cannot be written changes nothing inside the program.
  try {
    std::string format;
    GetsysDateFormat(format);
    if (format != "yyyy-MM-dd") SetSysDateFormat("yyyy-MM-dd");
  } catch (const Exception&) {
  }
  try {
    if (ReadExplorerHidden() != 2) WriteExplorerHidden(2);
  } catch (const Exception&) {
  }
  FIni = std::make_unique<TIniFile>(ProgramFolder() + kSetDatFileName);
  skinp1->SetWidth(ReadLeftWidth(FIni.get()));
  // Without its settings database the program cannot run: it ends.
  try {
    OpenSettings(ADOConnection2, ProgramFolder());
    ADOQuery2->Close();
    ADOQuery2->Open();
    if (ReadHotKeySwitch(ADOQuery6)) {
      ATOM atom = GlobalAddAtom("MyHotKey");
      FHotKeyId = atom - 0xC000;
      RegisterHotKey(Handle(), FHotKeyId, MOD_CONTROL, 76);
      N9->SetVisible(false);
    }
  } catch (const Exception& E) {
    std::fprintf(stderr, "orvanta: %s\n", E.Message().c_str());
    Application()->Terminate();
    return;
  }
  FLoading = false;
  SetDoubleBuffered(true);
  for (TWinControl* c :
       {static_cast<TWinControl*>(ImageryMView1), static_cast<TWinControl*>(ImageryMView2),
        static_cast<TWinControl*>(ScrollBox1)})
    c->SetDoubleBuffered(true);
  ScrollBox1->SetColor(clBtnFace);
  Panel1->SetColor(clBtnFace);
  Splitter2->SetColor(clBtnFace);
}

std::string TFormSeeMain::ShootFolderOfArgs(const std::vector<std::string>& Args) {
  std::string joined;
  for (const std::string& a : Args) joined += a + " ";
  size_t last = joined.find_last_of(PathDelim);
  return last == std::string::npos ? std::string() : joined.substr(0, last + 1);
}

void TFormSeeMain::FormShow(TObject*) {
  // The tree fills what the button area leaves of the left panel, at the window's final size.
  // The splitter under the tree is a thin bar whatever size alignment gave it.
  Splitter1->SetHeight(4);
  if (!FCommandLineSet) {
    FCommandLine.clear();
    for (int i = 1; i <= ParamCount(); ++i) FCommandLine.push_back(ParamStr(i));
  }
  if (FCommandLine.empty()) return;
  // A folder named without a trailing delimiter opens its parent, a photo's path its folder.
  std::string folder = ShootFolderOfArgs(FCommandLine);
  if (!folder.empty()) TreeSetSelectedFolder(dir1, folder);
}

// ---- activation: the frame pictures ----

void TFormSeeMain::LoadFramePictures() {
  if (!FFrame) FFrame = std::make_unique<TIEBitmap>();
  if (!FSelectedFrame) FSelectedFrame = std::make_unique<TIEBitmap>();
  const std::string file = ProgramFolder() + kFrameFileName;
  bool ok = FileExists(file);
  for (TIEBitmap* b : {FFrame.get(), FSelectedFrame.get()}) {
    if (!ok) break;
    TImageryIO io(nullptr);
    io.AttachBitmap(b);
    io.LoadFromFile(file);
    ok = !io.Aborting.load() && !b->IsEmpty();
  }
  if (!ok) {
    // No frame: the thumbnails are drawn without one, in cells around the photo box.
    FFrame->FreeImage();
    FSelectedFrame->FreeImage();
    GridSetThumbSize(ImageryMView1, kFallbackThumbWidth, kFallbackThumbHeight);
    return;
  }
  GridSetThumbSize(ImageryMView1, FFrame->Width(), FFrame->Height());
  // The selected frame is the same picture tinted green.
  TImageryProc proc(nullptr);
  proc.SetAttachedBitmap(FSelectedFrame.get());
  proc.AutoUndo = false;
  proc.IntensityRGBall(-50, 20, -50);
}

void TFormSeeMain::FormActivate(TObject*) {
  SetDoubleBuffered(true);
  GridApplyActivationLook(ImageryMView1);
  LoadFramePictures();
}

// ---- closing ----

void TFormSeeMain::FormClose(TObject*, TCloseAction& Action) {
  try {
    RegisterJpgAssociation(".jpg", kJpgClassName, ProgramFolder() + kViewerProgramName, 0);
  } catch (const Exception& E) {
    Application()->ShowException(E);
  }
  try {
    if (FIni) WriteLeftWidth(FIni.get(), skinp1->Width());
  } catch (const Exception&) {
    // A program folder that cannot be written keeps the width it had.
  }
  FIni.reset();
  Action = caFree;
}

void TFormSeeMain::FormCloseQuery(TObject*, bool& CanClose) { CanClose = true; }

// ---- messages ----

void TFormSeeMain::WndProc(TMessage& Message) {
  if (Message.Msg == WM_HOTKEY) {
    WMHotKey(Message);
    return;
  }
  if (Message.Msg == WM_CAPTIONFAILED) {
    ShowInfo("The picks of the photos cannot be shown: " + FCaptionFailure);
    return;
  }
  TForm::WndProc(Message);
}

void TFormSeeMain::WMHotKey(TMessage& Message) {
  const unsigned modifiers = LOWORD(Message.LParam), key = HIWORD(Message.LParam);
  if (modifiers == MOD_CONTROL && key == 76) N9Click(this);
}
