// The studio's output after the picking: the copy-out of the picked photos into the requirement
// tree with its text files, and the export of the requirements to a spreadsheet.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "app/copyout.h"
#include "app/maincontrols.h"
#include "app/seemain.h"
#include "apptest.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/filectrl.h"
#include "platform/win/shellapi.h"
#include "platform/win/spreadsheet.h"

using namespace apptest;

namespace {

const std::string kCrLf = "\r\n";
const std::string kBlank = " \r\n";
const std::string kAlbum = "Album  [Quantity]2  [Size]8x10";
const std::string kPrint = "Print  [Quantity]1  [Size]5x7";

// The shown form of type T ("nullptr" when none is).
template <class T>
T* ShownForm() {
  for (int i = 0; i < Screen()->FormCount(); ++i)
    if (auto* f = dynamic_cast<T*>(Screen()->Forms(i)); f && f->Visible()) return f;
  return nullptr;
}

// Runs F with the form of type T once it shows (looking again at every timer tick, for a few
// seconds at most).
template <class T>
void WhenShown(std::function<void(T*)> F, int Tries = 3000) {
  Later([F, Tries] {
    if (T* f = ShownForm<T>()) {
      F(f);
    } else if (Tries > 0) {
      WhenShown<T>(F, Tries - 1);
    } else {
      ADD_FAILURE() << "the dialog did not show";
    }
  });
}

class OutputTest : public AppFolder {
protected:
  void SetUp() override {
    AppFolder::SetUp();
    Shoot = MakeShoot("80013578-John", {"IMG_0001.jpg", "IMG_0002.jpg", "IMG_0003.jpg",
                                        "IMG_0004.jpg"});
    // Every photo has bytes of its own, the last one none.
    for (int i = 1; i <= 3; ++i) {
      std::string bytes;
      for (int k = 0; k < 1500 * i; ++k) bytes += static_cast<char>((k * 7 + i) & 0xFF);
      WriteFile(Shoot + "/IMG_000" + std::to_string(i) + ".jpg", bytes);
    }
    WriteFile(Shoot + "/IMG_0004.jpg", "");
    Destination = Root + "/out";
    std::filesystem::create_directories(Destination);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    AppFolder::TearDown();
  }
  void Create() {
    Form = new TFormSeeMain(nullptr);
    Form->SetCommandLine({Shoot + "/"});
    Form->FinishCreate();
    Form->Show();
    Application()->ProcessMessages();
  }
  // Catalog rows: fname, yongtu ("" null), xiugai ("" null).
  void AddRows(const std::vector<std::vector<std::string>>& Rows) {
    auto c = Open(Shoot + "/ImageTag.dll");
    for (const auto& r : Rows) {
      auto text = [](const std::string& S) { return S.empty() ? std::string("null") : "'" + S + "'"; };
      const std::string type = r[1].empty() ? "" : r[1].substr(0, r[1].find("  ["));
      c->Execute("insert into pic (fname, yongtu, xiugai, dalei) values ('" + r[0] + "', " +
                 text(r[1]) + ", " + text(r[2]) + ", " + text(type) + ")");
    }
  }
  void SetMemo(const std::string& Memo) {
    auto c = Open(Shoot + "/ImageTag.dll");
    c->Execute("insert into beizhu (beizhu) values ('" + Memo + "')");
  }
  // The destination dialog over Destination, its copy run; the output folder.
  std::string RunCopy(const std::string& To) {
    TFormdaochuPATH dialog(nullptr, Form, Shoot);
    dialog.Edit1->SetText(To);
    dialog.Button2Click(nullptr);
    return dialog.OutputFolder();
  }
  static std::string Header() {
    return kBlank + kBlank + "               Telphone:80013578      Customer Name:John" + kCrLf +
           kBlank + kBlank;
  }
  static std::string Line(const std::string& Name, const std::string& Design,
                          const std::string& Req) {
    return Name + "  [Design requirements]" + Design + "  [Production requirements]" + Req + kCrLf +
           kBlank;
  }
  static std::vector<std::string> Entries(const std::string& Folder) {
    std::vector<std::string> e;
    for (const auto& d : std::filesystem::directory_iterator(Folder))
      e.push_back(d.path().filename().string());
    std::sort(e.begin(), e.end());
    return e;
  }

  std::string Shoot, Destination;
  TFormSeeMain* Form = nullptr;
};

}  // namespace

TEST(CopyOutNames, FolderNamesNeverLeadOutOfTheOutputFolder) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Album  [Quantity]2  [Size]8x10", "Album  [Quantity]2  [Size]8x10"},
      {"../x", "___x"},
      {"a/b", "a_b"},
      {"..", "__"},
      {".", "_"},
      {".hidden", "_hidden"},
      {"a\\b", "a_b"},
      {"tab\there\nnow", "tab_here_now"},
      {"", "_"},
      {"x..y", "x..y"}};
  for (const auto& [text, name] : cases) EXPECT_EQ(SafeFileName(text), name) << text;
  EXPECT_EQ(CopyOutFolderName("1234", "Lee", 14, 5, 9), "1234-Lee-14Hr05Min09Sec-CopyEnd");
  EXPECT_EQ(CopyOutFolderName("", "../../etc", 0, 0, 0), "-.._.._etc-00Hr00Min00Sec-CopyEnd");
  EXPECT_EQ(CopyOutHeaderLine("1", "A"), "               Telphone:1      Customer Name:A");
  EXPECT_EQ(CopyOutPhotoLine("a.jpg", "", "R"),
            "a.jpg  [Design requirements]  [Production requirements]R");
}

TEST_F(OutputTest, CopyMakesOneFolderPerRequirementWithItsTextFiles) {
  Create();
  AddRows({{"IMG_0001.jpg", "", ""},
           {"IMG_0002.jpg", kAlbum, "Retouch"},
           {"IMG_0003.jpg", kAlbum, ""},
           {"IMG_0003.jpg", kPrint, "Soft skin"},
           {"IMG_0004.jpg", kPrint, ""}});
  SetMemo("Rush order");
  const std::string out = RunCopy(Destination);
  ASSERT_EQ(out.rfind(Destination + "/80013578-John-", 0), 0u) << out;
  EXPECT_EQ(out.substr(out.size() - 8), "-CopyEnd");
  const std::string none = "Have Not Production Requirements";
  EXPECT_EQ(Entries(out),
            (std::vector<std::string>{kAlbum, none, kPrint, "Production requirements.Txt"}));
  // Photos, byte for byte, in every group of theirs.
  EXPECT_EQ(Entries(out + "/" + none),
            (std::vector<std::string>{none + "Production requirements.Txt", "IMG_0001.jpg"}));
  EXPECT_EQ(Entries(out + "/" + kAlbum),
            (std::vector<std::string>{kAlbum + "Production requirements.Txt", "IMG_0002.jpg",
                                      "IMG_0003.jpg"}));
  EXPECT_EQ(Entries(out + "/" + kPrint),
            (std::vector<std::string>{"IMG_0003.jpg", "IMG_0004.jpg",
                                      kPrint + "Production requirements.Txt"}));
  for (const auto& [group, name] : std::vector<std::pair<std::string, std::string>>{
           {none, "IMG_0001.jpg"}, {kAlbum, "IMG_0002.jpg"}, {kAlbum, "IMG_0003.jpg"},
           {kPrint, "IMG_0003.jpg"}, {kPrint, "IMG_0004.jpg"}})
    EXPECT_EQ(ReadFile(out + "/" + group + "/" + name), ReadFile(Shoot + "/" + name)) << name;
  EXPECT_EQ(std::filesystem::file_size(out + "/" + kPrint + "/IMG_0004.jpg"), 0u);
  // The text files, byte for byte.
  const std::string album = Line("IMG_0002.jpg", "Retouch", kAlbum) + Line("IMG_0003.jpg", "", kAlbum);
  const std::string print = Line("IMG_0003.jpg", "Soft skin", kPrint) + Line("IMG_0004.jpg", "", kPrint);
  EXPECT_EQ(ReadFile(out + "/Production requirements.Txt"),
            Header() + album + print + "Total memo\xEF\xBC\x9ARush order" + kCrLf);
  EXPECT_EQ(ReadFile(out + "/" + kAlbum + "/" + kAlbum + "Production requirements.Txt"),
            Header() + kBlank + album);
  EXPECT_EQ(ReadFile(out + "/" + kPrint + "/" + kPrint + "Production requirements.Txt"),
            Header() + kBlank + print);
  EXPECT_EQ(ReadFile(out + "/" + none + "/" + none + "Production requirements.Txt"),
            Header() + kBlank);
}

TEST_F(OutputTest, BarePicksOnlyGiveOneFolderAndAnEmptyMemoLine) {
  Create();
  AddRows({{"IMG_0002.jpg", "", ""}, {"IMG_0001.jpg", "", ""}});
  const std::string out = RunCopy(Destination);
  const std::string none = "Have Not Production Requirements";
  EXPECT_EQ(Entries(out), (std::vector<std::string>{none, "Production requirements.Txt"}));
  EXPECT_EQ(Entries(out + "/" + none),
            (std::vector<std::string>{none + "Production requirements.Txt", "IMG_0001.jpg",
                                      "IMG_0002.jpg"}));
  EXPECT_EQ(ReadFile(out + "/Production requirements.Txt"),
            Header() + "Total memo\xEF\xBC\x9A" + kCrLf);
}

TEST_F(OutputTest, HostileRequirementTextsStayInsideTheOutputFolder) {
  Create();
  WriteFile(Destination + "/x", "keep me");
  std::filesystem::create_directories(Root + "/x");
  WriteFile(Root + "/x/IMG_0001.jpg", "keep me too");
  AddRows({{"IMG_0001.jpg", "../x", ""},
           {"IMG_0002.jpg", "a/b", ""},
           {"IMG_0003.jpg", "..", ""},
           {"IMG_0004.jpg", "\x01line\nbreak", ""}});
  Form->Edit2->SetText("../../John");
  const std::string out = RunCopy(Destination);
  // The output folder itself is one name inside the destination.
  EXPECT_EQ(std::filesystem::path(out).parent_path().string(), Destination);
  EXPECT_EQ(Entries(Destination).size(), 2u);  // "x" and the output folder
  EXPECT_EQ(ReadFile(Destination + "/x"), "keep me");
  EXPECT_EQ(ReadFile(Root + "/x/IMG_0001.jpg"), "keep me too");
  EXPECT_EQ(Entries(out), (std::vector<std::string>{"Production requirements.Txt", "__", "___x",
                                                    "_line_break", "a_b"}));
  EXPECT_EQ(ReadFile(out + "/___x/IMG_0001.jpg"), ReadFile(Shoot + "/IMG_0001.jpg"));
  EXPECT_TRUE(FileExists(out + "/a_b/a_bProduction requirements.Txt"));
  // The texts keep the requirements as written.
  EXPECT_NE(ReadFile(out + "/Production requirements.Txt")
                .find("IMG_0001.jpg  [Design requirements]  [Production requirements]../x"),
            std::string::npos);
}

TEST_F(OutputTest, WithoutADestinationNothingIsCopied) {
  Create();
  AddRows({{"IMG_0001.jpg", "", ""}});
  TMessageBoxes boxes;
  TFormdaochuPATH dialog(nullptr, Form, Shoot);
  dialog.Button2Click(nullptr);
  ASSERT_EQ(boxes.Texts.size(), 1u);
  EXPECT_EQ(boxes.Texts[0], "Please choose the folder to copy to.");
  EXPECT_TRUE(dialog.Button2->Visible());
  EXPECT_TRUE(dialog.Button1->Visible());
  EXPECT_FALSE(DirectoryExists("/" + dialog.OutputName()));
}

TEST_F(OutputTest, ASecondCopyEmptiesTheGroupsItWritesAndKeepsTheOthers) {
  Create();
  AddRows({{"IMG_0002.jpg", kAlbum, ""}});
  TFormdaochuPATH dialog(nullptr, Form, Shoot);
  dialog.Edit1->SetText(Destination);
  dialog.Button2Click(nullptr);
  const std::string out = dialog.OutputFolder();
  WriteFile(out + "/" + kAlbum + "/stray.jpg", "old");
  std::filesystem::create_directories(out + "/" + kAlbum + "/sub");
  WriteFile(out + "/" + kAlbum + "/sub/kept.jpg", "old");
  std::filesystem::create_directories(out + "/Old group");
  WriteFile(out + "/Old group/old.jpg", "old");
  dialog.Button2Click(nullptr);
  EXPECT_FALSE(FileExists(out + "/" + kAlbum + "/stray.jpg"));
  EXPECT_TRUE(FileExists(out + "/" + kAlbum + "/sub/kept.jpg"));
  EXPECT_TRUE(FileExists(out + "/" + kAlbum + "/IMG_0002.jpg"));
  EXPECT_TRUE(FileExists(out + "/Old group/old.jpg"));
  EXPECT_EQ(dialog.Label5->Caption(), std::string(24, ' ') + "Copy end!");
  EXPECT_EQ(dialog.Label4->Caption(), "Successful!Copy to:\r" + out);
  EXPECT_TRUE(dialog.Button1->Visible());
  EXPECT_FALSE(dialog.Button2->Visible());
}

TEST_F(OutputTest, TheCopyCommandPrunesRowsOfGoneFilesAndRunsBothDialogs) {
  Create();
  AddRows({{"IMG_0002.jpg", kAlbum, ""}, {"GONE.jpg", kAlbum, ""}, {"img_0003.JPG", "", ""}});
  std::string out;
  WhenShown<TFormDaoChushezhi>([&](TFormDaoChushezhi* tips) {
    EXPECT_EQ(tips->Caption(), "Tips");
    WhenShown<TFormdaochuPATH>([&](TFormdaochuPATH* dest) {
      EXPECT_EQ(dest->Caption(), "Copy to...");
      dest->Edit1->SetText(Destination);
      dest->Button2Click(nullptr);
      out = dest->OutputFolder();
      dest->Close();
    });
    tips->BitBtn1Click(nullptr);
  });
  {
    TMessageBoxes boxes;
    Form->N4Click(nullptr);
    EXPECT_TRUE(boxes.Texts.empty()) << boxes.Texts.front();
  }
  auto c = Open(Shoot + "/ImageTag.dll");
  auto names = Column(c.get(), "select * from pic order by fname", "fname");
  EXPECT_EQ(names, (std::vector<std::string>{"IMG_0002.jpg", "img_0003.JPG"}));
  ASSERT_FALSE(out.empty());
  EXPECT_TRUE(FileExists(out + "/" + kAlbum + "/IMG_0002.jpg"));
  EXPECT_FALSE(FileExists(out + "/" + kAlbum + "/GONE.jpg"));
  // A row naming the photo in another case copies the folder's file.
  EXPECT_TRUE(FileExists(out + "/Have Not Production Requirements/IMG_0003.jpg"));
  EXPECT_EQ(std::filesystem::current_path().string(), Shoot);
}

TEST_F(OutputTest, AnEmptyCatalogIsToldAndOpensNoDialog) {
  Create();
  TMessageBoxes boxes;
  Form->N4Click(nullptr);
  EXPECT_EQ(boxes.Texts, (std::vector<std::string>{"have no selected files!"}));
}

namespace {

// The cells of the first sheet of an .xlsx file as "A1=text" lines (shared strings resolved),
// "A1:t=s" for the cell type, "col3=17" for column widths, "bold:A1" for bold cells and
// "border:A2" for bordered cells, read by an independent reader (Python's zipfile and XML).
std::map<std::string, std::string> ReadSheet(const std::string& File, const std::string& Scratch) {
  const std::string script = Scratch + "/read.py";
  WriteFile(script, R"(import sys, zipfile, xml.etree.ElementTree as ET
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}
z = zipfile.ZipFile(sys.argv[1])
shared = [''.join(t.text or '' for t in si.iter('{%s}t' % ns['m']))
          for si in ET.fromstring(z.read('xl/sharedStrings.xml')).findall('m:si', ns)] \
    if 'xl/sharedStrings.xml' in z.namelist() else []
styles = ET.fromstring(z.read('xl/styles.xml'))
fonts = styles.find('m:fonts', ns).findall('m:font', ns)
borders = styles.find('m:borders', ns).findall('m:border', ns)
xfs = styles.find('m:cellXfs', ns).findall('m:xf', ns)
sheet = ET.fromstring(z.read('xl/worksheets/sheet1.xml'))
out = open(sys.argv[2], 'w', encoding='utf-8')
for col in sheet.iter('{%s}col' % ns['m']):
    for c in range(int(col.get('min')), int(col.get('max')) + 1):
        out.write('col%d=%s\n' % (c, col.get('width')))
for c in sheet.iter('{%s}c' % ns['m']):
    r = c.get('r'); t = c.get('t', 'n'); v = c.find('m:v', ns)
    out.write('%s:t=%s\n' % (r, t))
    if v is not None:
        out.write('%s=%s\n' % (r, shared[int(v.text)] if t == 's' else v.text))
    xf = xfs[int(c.get('s', '0'))]
    font = fonts[int(xf.get('fontId', '0'))]
    if font.find('m:b', ns) is not None: out.write('bold:%s\n' % r)
    sz = font.find('m:sz', ns)
    if sz is not None: out.write('size:%s=%s\n' % (r, sz.get('val')))
    name = font.find('m:name', ns)
    if name is not None: out.write('font:%s=%s\n' % (r, name.get('val')))
    color = font.find('m:color', ns)
    if color is not None and color.get('rgb'): out.write('color:%s=%s\n' % (r, color.get('rgb')))
    if borders[int(xf.get('borderId', '0'))].find('m:left', ns).get('style'):
        out.write('border:%s\n' % r)
)");
  const std::string dump = Scratch + "/sheet.txt";
  const std::string cmd = "python3 '" + script + "' '" + File + "' '" + dump + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  std::map<std::string, std::string> m;
  std::istringstream in(ReadFile(dump));
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find('=');
    m[line.substr(0, eq)] = eq == std::string::npos ? "" : line.substr(eq + 1);
  }
  return m;
}

}  // namespace

TEST_F(OutputTest, RequirementsGoToARealWorkbookWithTheCustomerHeader) {
  setenv("TMPDIR", Root.c_str(), 1);
  Create();
  AddRows({{"IMG_0003.jpg", kPrint, "Soft skin"}, {"IMG_0001.jpg", "", ""},
           {"IMG_0003.jpg", kAlbum, ""}});
  Form->Edit1->SetText("0012345");
  Form->Edit2->SetText("Lee");
  ClearShellRequests();
  {
    TMessageBoxes boxes;  // "is not open excel?": Yes
    Form->n32Click(nullptr);
    EXPECT_EQ(boxes.Texts, (std::vector<std::string>{"is not open excel?"}));
  }
  const std::string file = LastSpreadsheetFile();
  ASSERT_EQ(file, Root + "/orvanta-sheets-" + std::to_string(getuid()) + "/Book1.xlsx");
  auto sheet = ReadSheet(file, Root);
  EXPECT_EQ(sheet["A1"], "Customer ID\xEF\xBC\x9A" "0012345");  // text: the zeros stay
  EXPECT_EQ(sheet["A1:t"], "s");
  EXPECT_EQ(sheet["B1"], "Customer Name\xEF\xBC\x9ALee");
  EXPECT_EQ(sheet["C1"], "Pickup date\xEF\xBC\x9A____________");
  EXPECT_EQ(sheet["font:A1"], "Tahoma");
  EXPECT_EQ(sheet["size:C1"], "9");
  EXPECT_TRUE(sheet.count("bold:A1") && sheet.count("bold:C2"));
  EXPECT_EQ(sheet["A2"], "File Name");
  EXPECT_EQ(sheet["B2"], "Production requirements");
  EXPECT_EQ(sheet["C2"], "Design requirements");
  EXPECT_EQ(sheet["color:B2"], "FFFF0000");
  // Rows in file-name order; a null leaves its cell empty.
  EXPECT_EQ(sheet["A3"], "IMG_0001.jpg");
  EXPECT_EQ(sheet.count("B3"), 0u);
  EXPECT_EQ(sheet["A4"], "IMG_0003.jpg");
  EXPECT_EQ(sheet["A5"], "IMG_0003.jpg");
  EXPECT_EQ(sheet["B4"] + "|" + sheet["B5"], kPrint + "|" + kAlbum);
  EXPECT_EQ(sheet["C4"], "Soft skin");
  EXPECT_EQ(sheet["size:A5"], "9");
  EXPECT_EQ(sheet.count("A6:t"), 0u);
  // Bordered A2:E5, nothing outside.
  EXPECT_TRUE(sheet.count("border:A2") && sheet.count("border:E5") && sheet.count("border:C4"));
  EXPECT_EQ(sheet.count("border:A1"), 0u);
  // The file stores a column width with the cell padding added: 17 as 17.71, 17.38 as 18.14.
  for (int c = 1; c <= 4; ++c)
    EXPECT_EQ(sheet["col" + std::to_string(c)].substr(0, 5), "17.71") << c;
  EXPECT_EQ(sheet.count("col5"), 0u);
  for (int c = 14; c <= 18; ++c)
    EXPECT_EQ(sheet["col" + std::to_string(c)].substr(0, 5), "18.14") << c;
  // The workbook is handed to the desktop's program.
  ASSERT_FALSE(ShellRequests().empty());
  EXPECT_EQ(ShellRequests().back().Target, file);
}

TEST_F(OutputTest, SayingNoOrHavingNoPlaceToWriteMakesNoWorkbook) {
  setenv("TMPDIR", Root.c_str(), 1);
  Create();
  AddRows({{"IMG_0001.jpg", "", ""}});
  const std::string before = LastSpreadsheetFile();
  {
    TMessageBoxes boxes('N');
    Form->EXCEL1Click(nullptr);
  }
  EXPECT_EQ(LastSpreadsheetFile(), before);
  // A folder that cannot be made: the message of a missing spreadsheet program.
  WriteFile(Root + "/blocked", "a file where the folder would go");
  SetSpreadsheetFolder(Root + "/blocked/sheets");
  {
    TMessageBoxes boxes;
    Form->EXCEL1Click(nullptr);
    EXPECT_EQ(boxes.Texts, (std::vector<std::string>{"is not open excel?",
                                                     "IS NOT install MS OFFICE Excel!"}));
  }
  SetSpreadsheetFolder("");
  EXPECT_EQ(LastSpreadsheetFile(), before);
}
