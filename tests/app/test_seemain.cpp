// The main window over generated shoot folders: its parts and texts, creation and closing, the
// command line, the folder load with its customer fields, count and catalog, the display order,
// picks and captions, the grid menu's rules, the view lists and random order, and a folder
// change that fails without ending the program.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/maincontrols.h"
#include "app/memodialog.h"
#include "app/requirementdialogs.h"
#include "app/seemain.h"
#include "apptest.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iegeom.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/inifiles.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/filectrl.h"
#include "platform/vcl/menus.h"
#include "platform/win/gdi_surface.h"
#include "platform/win/pngsnap.h"

using namespace apptest;

namespace {

class MainWindow : public AppFolder {
protected:
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    AppFolder::TearDown();
  }
  TFormSeeMain* Create(const std::vector<std::string>& Args = {}) {
    Form = new TFormSeeMain(nullptr);
    Form->SetCommandLine(Args);
    Form->FinishCreate();
    Form->Show();
    Application()->ProcessMessages();
    return Form;
  }
  // Chooses Folder in the folder tree.
  void Choose(const std::string& Folder) {
    TreeSetSelectedFolder(Form->dir1, Folder);
    Application()->ProcessMessages();
  }
  std::vector<std::string> Order() { return Form->ListBox1->Items()->ToVector(); }
  std::vector<std::string> Entries() {
    std::vector<std::string> e;
    for (int i = 0; i < GridImageCount(Form->ImageryMView1); ++i)
      e.push_back(GridImageFileName(Form->ImageryMView1, i));
    return e;
  }
  int IndexOf(const std::string& Name) {
    auto o = Order();
    return static_cast<int>(std::find(o.begin(), o.end(), Name) - o.begin());
  }
  void Select(const std::string& Name) { GridSetSelectedImage(Form->ImageryMView1, IndexOf(Name)); }
  // The caption of a photo as the grid shows it after drawing it.
  TThumbCaption Drawn(const std::string& Name) {
    const int i = IndexOf(Name);
    Form->ImageryMView1BeforeImageDraw(Form->ImageryMView1, i, 0, 0, nullptr);
    return GridCaption(Form->ImageryMView1, i);
  }
  std::vector<std::string> CatalogNames(const std::string& Shoot) {
    auto c = Open(Shoot + "/ImageTag.dll");
    return Column(c.get(), "select * from pic order by id", "fname");
  }
  static std::vector<std::string> Captions(TPopupMenu* Menu) {
    std::vector<std::string> c;
    for (int i = 0; i < Menu->Items()->Count(); ++i)
      c.push_back(Menu->Items()->Items(i)->Caption());
    return c;
  }

  TFormSeeMain* Form = nullptr;
};

}  // namespace

TEST_F(MainWindow, HasItsPartsTextsAndMenus) {
  Create();
  EXPECT_EQ(Form->Caption(), "Orvanta 1.0");
  EXPECT_EQ(Form->Font()->Name(), "Tahoma");
  EXPECT_EQ(Form->Font()->Size(), 9);
  EXPECT_EQ(Form->Panel1->Align(), alTop);
  EXPECT_EQ(Form->Panel1->Height(), 47);
  EXPECT_EQ(Form->Label2->Caption(), "Customer Name:");
  EXPECT_EQ(Form->Label1->Caption(), "Telephone:");
  EXPECT_EQ(Form->BitBtn7->Caption(), "Selected/UnSelected");
  EXPECT_TRUE(Form->SpeedButton1q->Flat());
  EXPECT_EQ(Form->skinp1->Caption(), "select photo path");
  EXPECT_EQ(Form->skinp1->Align(), alLeft);
  EXPECT_EQ(Form->skinp1->Width(), 222);
  EXPECT_EQ(Form->dir1->Hint(), "click folder");
  EXPECT_EQ(Form->Label88a->Caption(), "Current folder 0 Photos");
  EXPECT_EQ(Form->Label88a->Font()->Color(), clBlue);
  const std::vector<std::pair<TControl*, const char*>> buttons = {
      {Form->BitBtn1, "Total Memo"},    {Form->BitBtn3, "Print Selected"},
      {Form->BitBtn4, "Copy Selected"}, {Form->Button1, "Simulation"},
      {Form->BitBtn5, " settings "},    {Form->BitBtn6, " About   "}};
  for (auto& [b, text] : buttons) {
    EXPECT_EQ(b->Caption(), text);
    EXPECT_EQ(b->Parent(), Form->ScrollBox1);
    // Centred in the button area.
    EXPECT_EQ(b->Left(), (Form->ScrollBox1->Width() - Form->BitBtn1->Width()) / 2) << text;
  }
  EXPECT_EQ(Form->pb->Align(), alBottom);
  EXPECT_EQ(Form->pb->Max(), 100);
  EXPECT_EQ(Form->ImageryMView1->Align(), alClient);
  EXPECT_EQ(Form->ImageryMView1->PopupMenu(), Form->PopupMenu1);
  for (TControl* hidden : std::initializer_list<TControl*>{
           Form->ListBox1, Form->ListBox4, Form->FileListBox1, Form->FilterComboBox1,
           Form->ImageryMView2, Form->SpeedButton1yx})
    EXPECT_FALSE(hidden->Visible()) << hidden->Name();
  EXPECT_EQ(Form->FileListBox1->Mask(), "*.jpg");
  EXPECT_EQ(Captions(Form->PopupMenu1),
            (std::vector<std::string>{"-",
                                      "Selected (pick out )",
                                      "Unselected",
                                      "-",
                                      "Append Production requirements",
                                      "Modify Production requirements",
                                      "-",
                                      "Random permutation",
                                      "-",
                                      "Rotate Clockwise",
                                      "Rotate Counter Clockwise",
                                      "-",
                                      "Rename",
                                      "-",
                                      "Crop",
                                      "-",
                                      "Copy the selected photos to other places",
                                      "Copy Production requirements to excel",
                                      "-",
                                      "Select All"}));
  EXPECT_EQ(Captions(Form->PopupMenu3),
            (std::vector<std::string>{"Selected  List", "Unselected  List", "-", "Return"}));
  EXPECT_EQ(Form->ADOCommand1->CommandText(), "delete   from pic where fname=:f1");
  EXPECT_EQ(Form->ADOQuery2->SQL()->Strings(0), "select * from ths");
  EXPECT_TRUE(Form->ADOConnection2->Connected());
  // The window fills the work area.
  RECT wa = Screen()->WorkAreaRect();
  EXPECT_EQ(Form->Width(), wa.right - wa.left);
}

TEST_F(MainWindow, CreationKeepsSystemValuesInTheProgramsStoreAndReadsSetDat) {
  WriteSystemShortDateFormat("dd.MM.yyyy");
  WriteFile(Prog + "Set.dat", "[Options]\nLeftWidth=300\n");
  Create();
  EXPECT_EQ(ReadSystemShortDateFormat(), "yyyy-MM-dd");
  EXPECT_EQ(GetLocaleInfo(LOCALE_SYSTEM_DEFAULT, LOCALE_SSHORTDATE), "yyyy-MM-dd");
  std::string format;
  Form->GetsysDateFormat(format);
  EXPECT_EQ(format, "yyyy-MM-dd");
  EXPECT_EQ(ReadExplorerHidden(), 2);
  EXPECT_EQ(Form->skinp1->Width(), 300);
  EXPECT_FALSE(std::filesystem::exists(Root + "/home/.config"));
}

TEST_F(MainWindow, ClosingWritesTheLeftWidthAndTheAssociationOnlyForARealViewer) {
  Create();
  Form->skinp1->SetWidth(260);
  Form->Close();
  Application()->ProcessMessages();
  Form = nullptr;  // closed with caFree: the window freed itself
  TIniFile ini(Prog + "Set.dat");
  EXPECT_EQ(ini.ReadInteger("Options", "LeftWidth", 0), 260);
  EXPECT_FALSE(std::filesystem::exists(Root + "/data/applications"));
  // With the viewer beside the program the association is written at close.
  WriteFile(Prog + "Glimmora", "#!/bin/sh\n");
  chmod((Prog + "Glimmora").c_str(), 0755);
  Create();
  Form->Close();
  Application()->ProcessMessages();
  Form = nullptr;
  EXPECT_TRUE(FileExists(Root + "/data/applications/orvanta-glimmora.desktop"));
}

TEST_F(MainWindow, HotKeyFollowsTheSettingsSwitch) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(12));
  Create({shoot + "/"});
  EXPECT_TRUE(Form->N9->Visible());
  const std::vector<std::string> before = Order();
  // A hot key message for another key changes nothing.
  SendMessage(Form->Handle(), WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL, 'K'));
  EXPECT_EQ(Order(), before);
  delete Form;
  Form = nullptr;

  SetSwitch("dir1path", "dir1", true);
  Create({shoot + "/"});
  EXPECT_FALSE(Form->N9->Visible());
  EXPECT_EQ(Form->HotKeyId(), GlobalFindAtom("MyHotKey") - 0xC000);
  Form->PopupMenu1Popup(Form->PopupMenu1);
  EXPECT_FALSE(Form->N9->Visible());
  // Ctrl+L reloads the same photos in a new random order; the random switch stays off.
  const std::vector<std::string> first = Order();
  SendMessage(Form->Handle(), WM_HOTKEY, Form->HotKeyId(), MAKELPARAM(MOD_CONTROL, 76));
  std::vector<std::string> second = Order();
  EXPECT_NE(second, first);
  std::sort(second.begin(), second.end());
  EXPECT_EQ(second, first);
  auto settings = Open(Prog + "sysset.dll");
  EXPECT_EQ(Column(settings.get(), "select * from ths", "luan"), std::vector<std::string>{"False"});
}

TEST(MainWindowArgs, ShootFolderIsTheJoinedCommandLineUpToItsLastDelimiter) {
  const struct {
    std::vector<std::string> args;
    const char* folder;
  } cases[] = {
      {{"/s/80013578-John/IMG_0001.jpg"}, "/s/80013578-John/"},
      {{"/s/80013578-John/"}, "/s/80013578-John/"},
      {{"/s/80013578-John"}, "/s/"},  // no trailing delimiter: the parent
      {{"/s/My", "Photos/x.jpg"}, "/s/My Photos/"},
      {{"relative"}, ""},
      {{}, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TFormSeeMain::ShootFolderOfArgs(c.args), c.folder) << c.folder;
}

TEST(MainWindowArgs, CustomerFieldsComeFromTheFolderName) {
  const struct {
    const char* folder;
    const char* telephone;
    const char* name;
  } cases[] = {{"/s/80013578-John", "80013578", "John"},
               {"/s/Smith", "", "Smith"},
               {"/s/a-b-c", "a", "b-c"},
               {"/s/-Anna", "", "Anna"},
               {"/", "", ""}};
  for (const auto& c : cases) {
    std::string telephone, name;
    TFormSeeMain::CustomerOfFolder(c.folder, telephone, name);
    EXPECT_EQ(telephone, c.telephone) << c.folder;
    EXPECT_EQ(name, c.name) << c.folder;
  }
}

TEST_F(MainWindow, CommandLineOpensThePhotosFolder) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(4));
  Create({shoot + "/IMG_0003.jpg"});
  EXPECT_EQ(Form->CurrentFolder(), shoot);
  EXPECT_EQ(TreeSelectedFolder(Form->dir1), shoot);
  EXPECT_EQ(Form->Edit1->Text(), "80013578");
  EXPECT_EQ(Form->Edit2->Text(), "John");
  EXPECT_EQ(Form->Label88a->Caption(), "Current folder have 4 Photos");
  delete Form;
  Form = nullptr;
  // A folder without a trailing delimiter opens its parent, which has no photos here.
  Create({shoot});
  EXPECT_EQ(Form->CurrentFolder(), Root + "/shoots");
  EXPECT_EQ(Form->Label88a->Caption(), "Current folder 0 Photos");
  EXPECT_EQ(Form->Edit2->Text(), "shoots");
  EXPECT_FALSE(FileExists(Root + "/shoots/ImageTag.dll"));
  delete Form;
  Form = nullptr;
  Create();
  EXPECT_EQ(TreeSelectedFolder(Form->dir1), "");
  EXPECT_EQ(GridImageCount(Form->ImageryMView1), 0);
}

TEST_F(MainWindow, FolderLoadListsThePhotosInNameOrderAndMakesTheCatalog) {
  const std::string shoot = MakeShoot("80013578-John", {"b.jpg", "A.JPG", "c.Jpg", "notes.txt"});
  WriteFile(shoot + "/.hidden.jpg", "x");
  std::filesystem::create_directories(shoot + "/folder.jpg");
  Create();
  Choose(shoot);
  EXPECT_EQ(Order(), (std::vector<std::string>{"A.JPG", "b.jpg", "c.Jpg"}));
  EXPECT_EQ(Entries(), (std::vector<std::string>{shoot + "/A.JPG::0", shoot + "/b.jpg::0",
                                                 shoot + "/c.Jpg::0"}));
  EXPECT_EQ(Form->Label88a->Caption(), "Current folder have 3 Photos");
  EXPECT_EQ(GridSelectedImage(Form->ImageryMView1), 0);
  EXPECT_EQ(Form->ListMode(), 0);
  EXPECT_FALSE(Form->Loading());
  EXPECT_EQ(std::filesystem::current_path().string(), shoot);
  const std::string catalog = shoot + "/ImageTag.dll";
  ASSERT_TRUE(FileExists(catalog));
  EXPECT_EQ(FileGetAttr(catalog) & (faHidden | faSysFile), faHidden | faSysFile);
  EXPECT_EQ(Form->ADOConnection1->DataSource(), catalog);
  // The cells take the frame picture's size.
  EXPECT_EQ(GridThumbWidth(Form->ImageryMView1), 168);
  EXPECT_EQ(GridThumbHeight(Form->ImageryMView1), 180);

  // A folder without photos: no catalog, an empty grid, the previous catalog stays open.
  const std::string empty = MakeShoot("Smith", {"readme.txt"});
  Choose(empty);
  EXPECT_EQ(Form->Label88a->Caption(), "Current folder 0 Photos");
  EXPECT_TRUE(Order().empty());
  EXPECT_EQ(GridImageCount(Form->ImageryMView1), 0);
  EXPECT_FALSE(FileExists(empty + "/ImageTag.dll"));
  EXPECT_EQ(Form->Edit1->Text(), "");
  EXPECT_EQ(Form->Edit2->Text(), "Smith");
  EXPECT_EQ(Form->ADOConnection1->DataSource(), catalog);
}

TEST_F(MainWindow, RandomOrderIsAPermutationMatchingTheDisplayOrder) {
  SetSwitch("ths", "luan", true);
  const std::string shoot = MakeShoot("80013578-John", Numbered(12));
  Create({shoot + "/"});
  const std::vector<std::string> first = Order();
  ASSERT_EQ(first.size(), 12u);
  std::vector<std::string> sorted = first;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, Numbered(12));
  for (int i = 0; i < 12; ++i)
    EXPECT_EQ(BareName(GridImageFileName(Form->ImageryMView1, i)), first[i]);
  Choose(shoot);
  EXPECT_NE(Order(), first);  // a new order at every load
}

TEST_F(MainWindow, PicksAndRequirementsShowInTheCaptionsAndTheHint) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(3));
  Create({shoot + "/"});
  EXPECT_EQ(Drawn("IMG_0002.jpg").Text, "IMG_0002.jpg");
  EXPECT_EQ(Drawn("IMG_0002.jpg").Color, clBlack);
  Select("IMG_0002.jpg");
  Form->N1Click(Form->N1);
  EXPECT_EQ(GridCaption(Form->ImageryMView1, IndexOf("IMG_0002.jpg")).Color, clRed);
  Form->N1Click(Form->N1);  // picking again adds no row
  EXPECT_EQ(CatalogNames(shoot), std::vector<std::string>{"IMG_0002.jpg"});
  TThumbCaption c = Drawn("IMG_0002.jpg");
  EXPECT_EQ(c.Text, "IMG_0002.jpg");
  EXPECT_EQ(c.Color, clRed);
  EXPECT_TRUE(c.Bold);
  EXPECT_TRUE(c.Transparent);
  Form->ImageryMView1ImageSelect(Form->ImageryMView1, IndexOf("IMG_0002.jpg"));
  EXPECT_EQ(Form->ImageryMView1->Hint(), "");  // a bare pick has no hint

  TADOQuery q;
  q.SetConnection(Form->ADOConnection1);
  AppendRequirement(&q, "IMG_0002.jpg", {"Album", "2", "8x10", ""});
  AppendRequirement(&q, "IMG_0002.jpg", {"Print", "1", "5x7", ""});
  c = Drawn("IMG_0002.jpg");
  EXPECT_EQ(c.Text, "Album+Print");
  EXPECT_EQ(c.Color, clBlue);
  EXPECT_FALSE(c.Bold);
  Form->ImageryMView1ImageSelect(Form->ImageryMView1, IndexOf("IMG_0002.jpg"));
  EXPECT_EQ(Form->ImageryMView1->Hint(),
            "Album+Print\r\n------------------------------\r\nFile name:IMG_0002.jpg");

  // A second visit keeps every row.
  Choose(MakeShoot("Smith", Numbered(1)));
  Choose(shoot);
  EXPECT_EQ(Drawn("IMG_0002.jpg").Text, "Album+Print");
  EXPECT_EQ(CatalogNames(shoot).size(), 2u);

  Select("IMG_0002.jpg");
  Form->N2Click(Form->N2);
  EXPECT_EQ(GridCaption(Form->ImageryMView1, IndexOf("IMG_0002.jpg")).Color, clBlack);
  EXPECT_TRUE(CatalogNames(shoot).empty());
  EXPECT_EQ(Drawn("IMG_0002.jpg").Color, clBlack);
}

TEST_F(MainWindow, PicksGoToEverySelectedPhotoInSelectionOrder) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(3));
  Create({shoot + "/"});
  Form->N21Click(Form->N21);  // select all
  EXPECT_EQ(GridMultiSelectedCount(Form->ImageryMView1), 3);
  EXPECT_EQ(Form->SelectedNames(), Numbered(3));
  Form->N1Click(Form->N1);
  EXPECT_EQ(CatalogNames(shoot), Numbered(3));
}

TEST_F(MainWindow, FrameIsDrawnBehindEveryThumbnailAndTintedWhenSelected) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(2));
  Create({shoot + "/"});
  ASSERT_FALSE(Form->FramePicture()->IsEmpty());
  // The grid's back buffer is a class-library bitmap, as here.
  TIEBitmap dest;
  dest.SetLocation(ieTBitmap);
  dest.Allocate(400, 200, ie24RGB);
  dest.Fill(0);
  GridSetSelectedImage(Form->ImageryMView1, 0);
  TIERect rect{0, 0, 90, 60};
  Form->ImageryMView1BeforeImageDrawEx(Form->ImageryMView1, 0, 0, 0, dest.GetTBitmap(), rect);
  EXPECT_EQ(rect.Left, 20);
  EXPECT_EQ(rect.Top, 20);
  EXPECT_EQ(rect.Right, 148);
  EXPECT_EQ(rect.Bottom, 160);
  rect = {0, 0, 60, 90};
  Form->ImageryMView1BeforeImageDrawEx(Form->ImageryMView1, 1, 200, 0, dest.GetTBitmap(), rect);
  EXPECT_EQ(rect.Right - rect.Left, 128);
  EXPECT_EQ(rect.Bottom - rect.Top, 140);
  auto at = [&](int x, int y) { return static_cast<TIERGBPixel*>(dest.GetScanline(y))[x]; };
  // The white mat, beside the photo box: green-tinted for the selected photo.
  TIERGBPixel plain = at(200 + 12, 90), tinted = at(12, 90);
  EXPECT_GT(plain.r, 220);
  EXPECT_NEAR(plain.g, plain.r, 8);
  EXPECT_GT(tinted.g, tinted.r + 40);
  EXPECT_GT(tinted.g, tinted.b + 40);
  // Outside the frame (its transparent corner) nothing is drawn.
  EXPECT_EQ(at(0, 0).g, 0);
  EXPECT_EQ(at(200, 0).g, 0);
}

TEST_F(MainWindow, WithoutAFramePictureTheCellsKeepThePhotoBoxSize) {
  std::filesystem::remove(Prog + "thumb.png");
  const std::string shoot = MakeShoot("80013578-John", Numbered(1));
  Create({shoot + "/"});
  EXPECT_TRUE(Form->FramePicture()->IsEmpty());
  EXPECT_EQ(GridThumbWidth(Form->ImageryMView1), 168);
  EXPECT_EQ(GridThumbHeight(Form->ImageryMView1), 180);
  TIEBitmap dest;
  dest.Allocate(200, 200, ie24RGB);
  dest.Fill(0);
  TIERect rect{0, 0, 10, 10};
  Form->ImageryMView1BeforeImageDrawEx(Form->ImageryMView1, 0, 0, 0, dest.GetTBitmap(), rect);
  EXPECT_EQ(rect.Right, 148);
  EXPECT_EQ(static_cast<TIERGBPixel*>(dest.GetScanline(90))[12].g, 0);
}

TEST_F(MainWindow, GridMenuFollowsThePickStateAndHidesItsItemsWhileLoading) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(3));
  Create();
  // Opened while the grid is being filled (from inside the load), the menu hides its items.
  std::vector<bool> visibleWhileLoading;
  Form->ADOQuery2->AfterOpen = [&](TDataSet*) {
    if (!Form->Loading()) return;
    Form->PopupMenu1Popup(Form->PopupMenu1);
    for (TMenuItem* i :
         {Form->N1, Form->N2, Form->N3, Form->N6, Form->N7, Form->N8, Form->N9, Form->N10,
          Form->N11, Form->N12, Form->N14, Form->N4, Form->N5, Form->N13, Form->N21, Form->N28})
      visibleWhileLoading.push_back(i->Visible());
  };
  Choose(shoot);
  Form->ADOQuery2->AfterOpen = nullptr;
  EXPECT_EQ(visibleWhileLoading,
            (std::vector<bool>{false, false, false, false, false, false, false, false, false, false,
                               false, false, false, false, true, true}));
  Form->PopupMenu1Popup(Form->PopupMenu1);
  for (TMenuItem* i : {Form->N1, Form->N2, Form->N7, Form->N9, Form->N11, Form->N4})
    EXPECT_TRUE(i->Visible()) << i->Name();
  // Not picked: only picking is possible.
  Select("IMG_0001.jpg");
  Drawn("IMG_0001.jpg");
  Form->PopupMenu1Popup(Form->PopupMenu1);
  EXPECT_TRUE(Form->N1->Enabled());
  for (TMenuItem* i : {Form->N2, Form->N7, Form->N10}) EXPECT_FALSE(i->Enabled()) << i->Name();
  // Picked: unpicking and the requirements.
  Form->N1Click(Form->N1);
  Form->PopupMenu1Popup(Form->PopupMenu1);
  EXPECT_FALSE(Form->N1->Enabled());
  for (TMenuItem* i : {Form->N2, Form->N7, Form->N10}) EXPECT_TRUE(i->Enabled()) << i->Name();
  EXPECT_TRUE(Form->N21->Enabled());
}

TEST_F(MainWindow, ReleasingTheMouseSelectsThePhotoUnderIt) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(3));
  Create({shoot + "/"});
  TCustomControl* grid = Form->ImageryMView1;
  auto spot = [&](int Index) {  // a point over thumbnail Index
    for (int y = 5; y < grid->Height(); y += 10)
      for (int x = 5; x < grid->Width(); x += 10)
        if (GridImageAtPos(grid, x, y) == Index) return POINT{x, y};
    return POINT{-1, -1};
  };
  POINT p2 = spot(2);
  ASSERT_GE(p2.x, 0);
  ClickAt(grid, p2.x, p2.y);
  Application()->ProcessMessages();
  EXPECT_EQ(GridSelectedImage(grid), 2);
  // A right click too, before the menu opens.
  POINT p1 = spot(1);
  Form->ImageryMView1MouseUp(grid, mbRight, TShiftState{}, p1.x, p1.y);
  EXPECT_EQ(GridSelectedImage(grid), 1);
  // Over empty space nothing changes; nor with Ctrl and the left button held.
  Form->ImageryMView1MouseUp(grid, mbLeft, TShiftState{}, grid->Width() - 2, grid->Height() - 2);
  EXPECT_EQ(GridSelectedImage(grid), 1);
  Form->ImageryMView1MouseUp(grid, mbLeft, TShiftState{ssLeft, ssCtrl}, spot(0).x, spot(0).y);
  EXPECT_EQ(GridSelectedImage(grid), 1);
  // With several photos selected the selection stays.
  GridSelectAll(grid);
  Form->ImageryMView1MouseUp(grid, mbRight, TShiftState{}, spot(0).x, spot(0).y);
  EXPECT_EQ(GridMultiSelectedCount(grid), 3);
  EXPECT_EQ(GridSelectedImage(grid), 2);
}

TEST_F(MainWindow, AFailingFolderChangeKeepsThePreviousFolder) {
  const std::string good = MakeShoot("80013578-John", Numbered(3));
  const std::string damaged = MakeShoot("5550123-Anna", Numbered(2));
  WriteFile(damaged + "/ImageTag.dll", "not a database at all");
  const std::string fresh = MakeShoot("5550199-Lee", Numbered(2));
  Create({good + "/"});
  Select("IMG_0002.jpg");
  Form->N1Click(Form->N1);
  const std::vector<std::string> order = Order();
  {
    TMessageBoxes boxes;
    Choose(damaged);
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_NE(boxes.Texts[0].find(damaged), std::string::npos) << boxes.Texts[0];
    EXPECT_NE(boxes.Texts[0].find("cannot be opened"), std::string::npos) << boxes.Texts[0];
    EXPECT_NE(boxes.Texts[0].find(good + " stays open"), std::string::npos) << boxes.Texts[0];
  }
  // A missing template: the new folder gets no catalog.
  std::filesystem::remove(Prog + "ImageTag.dll");
  {
    TMessageBoxes boxes;
    Choose(fresh);
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_NE(boxes.Texts[0].find(fresh), std::string::npos) << boxes.Texts[0];
    EXPECT_NE(boxes.Texts[0].find("template"), std::string::npos) << boxes.Texts[0];
  }
  EXPECT_FALSE(FileExists(fresh + "/ImageTag.dll"));
  // Still running, on the previous folder with its catalog.
  EXPECT_FALSE(Application()->Terminated());
  EXPECT_EQ(Form->CurrentFolder(), good);
  EXPECT_EQ(TreeSelectedFolder(Form->dir1), good);
  EXPECT_EQ(Order(), order);
  EXPECT_EQ(GridImageCount(Form->ImageryMView1), 3);
  EXPECT_EQ(Form->Edit2->Text(), "John");
  EXPECT_EQ(Form->Label88a->Caption(), "Current folder have 3 Photos");
  EXPECT_EQ(Drawn("IMG_0002.jpg").Color, clRed);
}

TEST_F(MainWindow, AFolderChangeFailingHalfWayLeavesAnEmptyWindowAndRuns) {
  const std::string good = MakeShoot("80013578-John", Numbered(3));
  const std::string other = MakeShoot("5550199-Lee", Numbered(2));
  Create({good + "/"});
  // The random-order switch cannot be read any more: the load fails after the lists were
  // cleared, and so does loading the previous folder again.
  Form->ADOConnection2->Execute("drop table ths");
  TMessageBoxes boxes;
  Choose(other);
  ASSERT_EQ(boxes.Texts.size(), 1u);
  EXPECT_NE(boxes.Texts[0].find(other), std::string::npos) << boxes.Texts[0];
  EXPECT_FALSE(Application()->Terminated());
  EXPECT_TRUE(Order().empty());
  EXPECT_EQ(GridImageCount(Form->ImageryMView1), 0);
  EXPECT_EQ(Form->Label88a->Caption(), "Current folder 0 Photos");
  EXPECT_EQ(Form->Edit1->Text(), "");
  EXPECT_EQ(Form->CurrentFolder(), "");
  EXPECT_FALSE(Form->Loading());
}

TEST_F(MainWindow, AFailingCaptionLookupIsToldOnceNotAtEveryPaint) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(3));
  Create({shoot + "/"});
  Form->ADOConnection1->Execute("alter table pic rename to pic_old");
  TMessageBoxes boxes;
  for (int paint = 0; paint < 3; ++paint)
    for (const std::string& n : Numbered(3)) {
      TThumbCaption c = Drawn(n);
      EXPECT_EQ(c.Text, n);
      EXPECT_EQ(c.Color, clBlack);
    }
  for (int i = 0; i < 20; ++i) Application()->ProcessMessages();
  ASSERT_EQ(boxes.Texts.size(), 1u);
  EXPECT_NE(boxes.Texts[0].find("pic"), std::string::npos) << boxes.Texts[0];
}

TEST_F(MainWindow, NamingHelpAndTheRequirementCommandsOpenTheirDialogs) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(3));
  Create({shoot + "/"});
  {
    TMessageBoxes boxes;
    Click(Form->SpeedButton1q);
    for (int i = 0; i < 10 && boxes.Texts.empty(); ++i) Application()->ProcessMessages();
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_EQ(boxes.Texts[0],
              "If you create a folder based on when the customer Telephone and customer name, "
              "in the middle with the \"-\" Connection\xEF\xBC\x8C"
              "Example:80013578-John"
              "\xEF\xBC\x8CThe software will automatically separate out the customer name and "
              "Telephone.");
  }
  {
    TMessageBoxes boxes;
    Form->N21Click(Form->N21);
    Form->N10Click(Form->N10);  // several photos: only a tip
    EXPECT_EQ(boxes.Texts, std::vector<std::string>{"Tips:only select one file!"});
  }
  // The append dialog lists the selected photos; the modify list and the memo open too.
  std::string label, opened;
  std::vector<std::string> listed;
  Later([&] {
    auto* d = dynamic_cast<TFormbeizhu2*>(Screen()->ActiveForm());
    if (!d) return;
    label = d->Label7a->Caption();
    listed = d->ListBox1d->Items()->ToVector();
    d->Close();
  });
  Form->N7Click(Form->N7);
  EXPECT_EQ(label, "Total 3 Files");
  EXPECT_EQ(listed, Numbered(3));
  Select("IMG_0001.jpg");
  Later([&] {
    opened = Screen()->ActiveForm()->ClassName();
    Screen()->ActiveForm()->Close();
  });
  Form->N10Click(Form->N10);
  EXPECT_EQ(opened, "TFormbeizhu3");
  Later([&] {
    opened = Screen()->ActiveForm()->ClassName();
    Screen()->ActiveForm()->Close();
  });
  Form->BitBtn1Click(Form->BitBtn1);
  EXPECT_EQ(opened, "TFormbeizhu");
  // No photos: no memo.
  Choose(MakeShoot("Smith", {}));
  opened.clear();
  Form->BitBtn1Click(Form->BitBtn1);
  EXPECT_EQ(opened, "");
}

TEST_F(MainWindow, ViewListsShowThePickedOrUnpickedPhotos) {
  const std::string shoot = MakeShoot("80013578-John", Numbered(4));
  Create({shoot + "/"});
  for (const char* n : {"IMG_0004.jpg", "IMG_0002.jpg"}) {
    Select(n);
    Form->N1Click(Form->N1);
  }
  TADOQuery q;
  q.SetConnection(Form->ADOConnection1);
  PickPhoto(&q, "gone.jpg");  // a photo no longer in the folder
  Form->N16Click(Form->N16);
  EXPECT_EQ(Order(), (std::vector<std::string>{"IMG_0002.jpg", "IMG_0004.jpg"}));
  EXPECT_EQ(Form->Label88a->Caption(), "Current folder have 3 Photos");
  EXPECT_EQ(Form->ListMode(), 2);
  Form->N15Click(Form->N15);
  EXPECT_EQ(Order(), (std::vector<std::string>{"IMG_0001.jpg", "IMG_0003.jpg"}));
  EXPECT_EQ(Form->Label88a->Caption(), "Current folder have 2 Photos");
  EXPECT_EQ(Form->ListMode(), 1);
  // Random order keeps the list and leaves the switch off.
  Form->N9Click(Form->N9);
  std::vector<std::string> shown = Order();
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (std::vector<std::string>{"IMG_0001.jpg", "IMG_0003.jpg"}));
  EXPECT_EQ(Form->ListMode(), 1);
  auto settings = Open(Prog + "sysset.dll");
  EXPECT_EQ(Column(settings.get(), "select * from ths", "luan"), std::vector<std::string>{"False"});
  Form->N18Click(Form->N18);
  EXPECT_EQ(Order(), Numbered(4));
  EXPECT_EQ(Form->ListMode(), 0);
}

namespace {

// A small photo of a sky, hills and a sun whose colours depend on Number.
void MakeScenePhoto(const std::string& Path, int Number, bool Tall) {
  const int w = Tall ? 200 : 300, h = Tall ? 300 : 200;
  TIEBitmap b;
  b.Allocate(w, h, ie24RGB);
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<TIERGBPixel*>(b.GetScanline(y));
    for (int x = 0; x < w; ++x) {
      const int hill = h * 2 / 3 + static_cast<int>(20 * std::sin((x + Number * 40) / 30.0));
      const int dx = x - w * (Number % 3 + 1) / 4, dy = y - h / 4;
      if (dx * dx + dy * dy < 400)
        row[x] = TIERGBPixel{120, 230, 255};
      else if (y > hill)
        row[x] = TIERGBPixel{uint8_t(40 + Number * 9), uint8_t(120 - y / 4), 50};
      else
        row[x] = TIERGBPixel{uint8_t(230 - y / 3), uint8_t(170 - Number * 5), uint8_t(90 + Number * 8)};
    }
  }
  TImageryIO io(nullptr);
  io.AttachBitmap(&b);
  io.Params->JPEG_Quality = 90;
  io.SaveToFileJpeg(Path);
}

}  // namespace

TEST_F(MainWindow, LooksAsBeforeOverASampleShoot) {
  const std::string shoot = Root + "/home/80013578-John";
  std::filesystem::create_directories(shoot);
  for (int i = 1; i <= 9; ++i) {
    char n[32];
    std::snprintf(n, sizeof n, "/IMG_%04d.JPG", i);
    MakeScenePhoto(shoot + n, i, i % 3 == 0);
  }
  Create({shoot + "/"});
  GridSetSelectedImage(Form->ImageryMView1, 1);
  PickPhoto(Form->ADOQuery1, "IMG_0001.JPG");
  AppendRequirement(Form->ADOQuery1, "IMG_0002.JPG", {"Album", "2", "8x10", ""});
  AppendRequirement(Form->ADOQuery1, "IMG_0002.JPG", {"Print", "1", "5x7", ""});
  Form->ImageryMView1->Invalidate();
  Application()->ProcessMessages();
  UpdateAllWindows();
  EXPECT_EQ(GridCaption(Form->ImageryMView1, 0).Color, clRed);
  EXPECT_EQ(GridCaption(Form->ImageryMView1, 1).Text, "Album+Print");
  EXPECT_EQ(GridCaption(Form->ImageryMView1, 2).Text, "IMG_0003.JPG");
  // The grid with its framed thumbnails and captions (the folder tree beside it shows the
  // machine's own folders).
  HBITMAP shot = RenderWindowToBitmap(Form->ImageryMView1->Handle());
  ASSERT_TRUE(shot);
  const std::string golden = SourceDir() + "/tests/app/golden/main_window_grid.png";
  if (std::getenv("ORVANTA_UPDATE_GOLDEN")) SaveBitmapToPng(shot, golden);
  HBITMAP want = LoadPngToBitmap(golden);
  EXPECT_TRUE(want) << "missing golden image " << golden;
  // Anti-aliased text and JPEG decoding may differ by a few levels between library builds.
  if (want) {
    EXPECT_LE(ComparePixels(*GetBitmapSurface(shot), *GetBitmapSurface(want), 24), 200);
    DeleteObject(want);
  }
  DeleteObject(shot);
}
