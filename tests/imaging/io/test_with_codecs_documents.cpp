// Multi-page PostScript and PDF documents through the IO front end with the real writers: a
// document kept open across saves, and every image of a thumbnail grid saved as one document.
// The PDF files are checked with pdfinfo, qpdf and pdfimages.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/iemio.h"
#include "imaging/io/imageryio.h"
#include "iotestcodecs.h"

using namespace iotest;

namespace {

std::string DocReadText(const std::string& Name) {
  std::ifstream f(Name, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool DocHaveTools() {
  return std::system("command -v pdfinfo qpdf pdfimages > /dev/null 2>&1") == 0;
}

// Standard output of a command ("" when it fails).
std::string DocRun(const std::string& Command) {
  std::string out;
  FILE* p = ::popen((Command + " 2>/dev/null").c_str(), "r");
  if (p == nullptr) return out;
  char buf[512];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  return ::pclose(p) == 0 ? out : std::string();
}

int DocCount(const std::string& Text, const std::string& What) {
  int n = 0;
  for (size_t at = Text.find(What); at != std::string::npos; at = Text.find(What, at + 1)) ++n;
  return n;
}

// The page count pdfinfo reports, -1 when it cannot read the file.
int DocPdfPages(const std::string& File) {
  const std::string info = DocRun("pdfinfo " + File);
  const size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// The image lines of "pdfimages -list" (after its two heading lines).
std::vector<std::string> DocImageList(const std::string& File) {
  std::istringstream in(DocRun("pdfimages -list " + File));
  std::vector<std::string> lines;
  std::string line;
  for (int i = 0; std::getline(in, line); ++i)
    if (i >= 2 && !line.empty()) lines.push_back(line);
  return lines;
}

void DocBilevel(TIEBitmap* B, int W, int H) {
  B->Allocate(W, H, ie1g);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < (W + 7) / 8; ++x) B->Scanline(y)[x] = static_cast<uint8_t>(x * 29 + y * 3);
}

class DocWithCodecs : public ::testing::Test {
protected:
  void SetUp() override {
    IERegisterCodecs();
    IELibraryStartup();
  }
  void TearDown() override { IELibraryShutdown(); }
  TTempDir Dir;
};

// A grid holding bitmaps; counts fetches and releases of its pictures.
class TDocGrid : public TTestView, public TIEMultiImageTarget {
public:
  std::vector<std::unique_ptr<TIEBitmap>> Pictures;
  int Fetched = 0, Released = 0;
  void Add(TIEBitmap* B) {  // takes ownership
    Pictures.emplace_back(B);
  }
  int ImageCount() override { return static_cast<int>(Pictures.size()); }
  int SelectedImage() override { return -1; }
  void InsertImageEx(int) override {}
  int AppendImage() override { return -1; }
  void DeleteImage(int) override {}
  void SetImage(int, TIEBitmap*) override {}
  void SetImageFileName(int, const std::string&) override {}
  void SetImageBottomText(int, const std::string&) override {}
  void SetImageDelayTime(int, int) override {}
  void SetImageBackground(int, TColor) override {}
  void LoadImageFromFile(int, const std::string&) override {}
  void LoadImageFromStream(int, TStream*) override {}
  void GetLastChange(int& K, int& I, int& J) override { K = I = J = 0; }
  void Update() override {}
  TIEBitmap* FetchImageBitmap(int Index) override {
    ++Fetched;
    return Pictures[Index].get();
  }
  void ReleaseImageBitmap(int) override { ++Released; }
};

}  // namespace

TEST_F(DocWithCodecs, PdfKeptOpenAcrossSaves) {
  TImageryIO io(nullptr);
  int finishes = 0;
  io.OnFinishWork = [&](TObject*) { ++finishes; };
  const std::string file = Dir / "three.pdf";
  io.CreatePDFFile(file);
  ASSERT_TRUE(io.IsOpenPDFFile());
  MakePattern(io.IEBitmap(), 40, 30);
  io.Params->PDF_Compression = 0;
  io.SaveToPDFFile();
  EXPECT_FALSE(io.Aborting.load());
  DocBilevel(io.IEBitmap(), 33, 12);
  io.Params->PDF_Compression = 1;
  io.SaveToPDFFile();
  io.IEBitmap()->Allocate(20, 10, ie8g);  // neither bilevel nor 24-bit: written as colour
  io.Params->PDF_Compression = 4;
  io.SaveToPDFFile();
  io.Params->PDF_Title = "Three pages";
  io.ClosePDFFile();
  EXPECT_FALSE(io.IsOpenPDFFile());
  EXPECT_EQ(finishes, 3);

  const std::string pdf = DocReadText(file);
  // Catalog, resources, three times image + content + page, pages, information.
  EXPECT_NE(pdf.find("/Size 14\n"), std::string::npos);
  EXPECT_NE(pdf.find("/Count 3"), std::string::npos);
  EXPECT_NE(pdf.find("/lm3 Do"), std::string::npos);
  EXPECT_NE(pdf.find("/Title (Three pages)"), std::string::npos);
  EXPECT_EQ(DocCount(pdf, "%%EOF"), 1);
  if (!DocHaveTools()) GTEST_SKIP() << "pdfinfo, qpdf or pdfimages not installed";
  EXPECT_EQ(DocPdfPages(file), 3);
  EXPECT_EQ(std::system(("qpdf --check " + file + " > /dev/null 2>&1").c_str()), 0);
  const auto images = DocImageList(file);
  ASSERT_EQ(images.size(), 3u);
  // page, number, type, width, height, colour, components, bits per component, encoding
  struct TExpect {
    int Page, W, H;
    const char* Colour;
    const char* Enc;
  } want[] = {{1, 40, 30, "rgb", "image"}, {2, 33, 12, "gray", "image"}, {3, 20, 10, "rgb", "jpeg"}};
  for (size_t i = 0; i < 3; ++i) {
    std::istringstream f(images[i]);
    int page = 0, num = 0, w = 0, h = 0;
    std::string type, colour, comp, bpc, enc;
    f >> page >> num >> type >> w >> h >> colour >> comp >> bpc >> enc;
    EXPECT_EQ(page, want[i].Page) << images[i];
    EXPECT_EQ(w, want[i].W) << images[i];
    EXPECT_EQ(h, want[i].H) << images[i];
    EXPECT_EQ(colour, want[i].Colour) << images[i];
    EXPECT_EQ(enc, want[i].Enc) << images[i];
  }
}

TEST_F(DocWithCodecs, PsKeptOpenAcrossSaves) {
  const std::string file = Dir / "pages.ps";
  {
    TImageryIO io(nullptr);
    io.Params->PS_Title = "Proofs";
    io.CreatePSFile(file);
    ASSERT_TRUE(io.IsOpenPSFile());
    for (int i = 0; i < 3; ++i) {
      MakePattern(io.IEBitmap(), 30 + i, 20, static_cast<uint8_t>(i));
      io.SaveToPSFile();
      EXPECT_FALSE(io.Aborting.load());
    }
    // Left open: the destructor finishes the document.
  }
  const std::string ps = DocReadText(file);
  EXPECT_EQ(ps.rfind("%!PS-Adobe-3.0\r\n", 0), 0u);
  EXPECT_NE(ps.find("%%Title: Proofs\r\n"), std::string::npos);
  EXPECT_NE(ps.find("\r\n%%Pages: 3     \r\n"), std::string::npos);
  const size_t p1 = ps.find("%%Page: 1 1\r\n"), p2 = ps.find("%%Page: 2 2\r\n"), p3 = ps.find("%%Page: 3 3\r\n");
  ASSERT_NE(p1, std::string::npos);
  ASSERT_NE(p2, std::string::npos);
  ASSERT_NE(p3, std::string::npos);
  EXPECT_LT(p1, p2);
  EXPECT_LT(p2, p3);
  EXPECT_NE(ps.find("32 20 8\r\n", p3), std::string::npos);
  EXPECT_EQ(DocCount(ps, "showpage\r\n"), 3);
  EXPECT_EQ(DocCount(ps, "%%EOF"), 1);
  EXPECT_EQ(ps.size() - ps.rfind("showpage\r\n%%Trailer\r\n%%EOF\r\n"), 28u);
}

TEST_F(DocWithCodecs, PagesWithoutAnOpenDocumentOrImageFail) {
  TImageryIO io(nullptr);
  int finishes = 0;
  io.OnFinishWork = [&](TObject*) { ++finishes; };
  MakePattern(io.IEBitmap(), 8, 8);
  io.SaveToPSFile();
  EXPECT_TRUE(io.Aborting.load());
  io.SaveToPDFFile();
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(finishes, 2);
  io.ClosePSFile();  // nothing open: nothing happens
  io.ClosePDFFile();

  // An empty image adds no page; the document stays open and usable.
  io.CreatePDFFile(Dir / "one.pdf");
  io.IEBitmap()->Allocate(0, 0, ie24RGB);
  io.SaveToPDFFile();
  EXPECT_TRUE(io.Aborting.load());
  MakePattern(io.IEBitmap(), 8, 8);
  io.SaveToPDFFile();
  EXPECT_FALSE(io.Aborting.load());
  io.ClosePDFFile();
  EXPECT_NE(DocReadText(Dir / "one.pdf").find("/Count 1"), std::string::npos);

  // A file that cannot be made raises and leaves nothing open.
  EXPECT_ANY_THROW(io.CreatePSFile(Dir / "no/such/folder/x.ps"));
  EXPECT_FALSE(io.IsOpenPSFile());

  // Without the writers no file is made.
  TIECodecs saved = IECodecs;
  IECodecs.PdfBeginDocument = nullptr;
  io.CreatePDFFile(Dir / "none.pdf");
  IECodecs = saved;
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_FALSE(io.IsOpenPDFFile());
  EXPECT_FALSE(std::ifstream(Dir / "none.pdf").good());
}

TEST_F(DocWithCodecs, CreatingAgainFinishesTheOpenDocument) {
  TImageryIO io(nullptr);
  MakePattern(io.IEBitmap(), 10, 10);
  io.CreatePSFile(Dir / "a.ps");
  io.SaveToPSFile();
  io.CreatePSFile(Dir / "b.ps");
  io.SaveToPSFile();
  io.SaveToPSFile();
  io.ClosePSFile();
  const std::string a = DocReadText(Dir / "a.ps"), b = DocReadText(Dir / "b.ps");
  EXPECT_NE(a.find("%%Pages: 1     \r\n"), std::string::npos);
  EXPECT_EQ(a.size() - a.rfind("%%EOF\r\n"), 7u);
  EXPECT_NE(b.find("%%Pages: 2     \r\n"), std::string::npos);
}

TEST_F(DocWithCodecs, GridImagesBecomeOneDocument) {
  TDocGrid grid;
  TImageryMIO mio(nullptr);
  mio.SetAttachedMView(&grid);
  int finishes = 0;
  mio.OnFinishWork = [&](TObject*) { ++finishes; };
  // Nothing in the grid: no file.
  mio.SaveToFilePDF(Dir / "empty.pdf");
  EXPECT_TRUE(mio.Aborting.load());
  EXPECT_FALSE(std::ifstream(Dir / "empty.pdf").good());

  for (int i = 0; i < 4; ++i) {
    auto* b = new TIEBitmap();
    if (i == 1)
      DocBilevel(b, 17, 9);
    else
      MakePattern(b, 12 + i, 8, static_cast<uint8_t>(i * 40));
    grid.Add(b);
    mio.InsertParams(i);
  }
  mio.GetParams(0)->PDF_Author = "Studio";
  mio.GetParams(2)->PDF_Compression = 4;  // this page as JPEG
  const std::string pdf = Dir / "grid.pdf", ps = Dir / "grid.ps";
  mio.SaveToFilePDF(pdf);
  EXPECT_FALSE(mio.Aborting.load());
  mio.SaveToFilePS(ps);
  EXPECT_FALSE(mio.Aborting.load());
  EXPECT_EQ(finishes, 3);
  EXPECT_EQ(grid.Fetched, 8);
  EXPECT_EQ(grid.Released, 8);
  // The grid's pictures are not changed by the writers.
  EXPECT_EQ(grid.Pictures[1]->PixelFormat(), ie1g);

  const std::string pst = DocReadText(ps);
  EXPECT_NE(pst.find("%%Pages: 4     \r\n"), std::string::npos);
  EXPECT_EQ(DocCount(pst, "showpage\r\n"), 4);
  EXPECT_NE(pst.find("%%Page: 2 2\r\n0 842 translate\r\n595 -315 scale\r\n17 9 1\r\n"), std::string::npos);
  const std::string pdft = DocReadText(pdf);
  EXPECT_NE(pdft.find("/Author (Studio)"), std::string::npos);
  if (!DocHaveTools()) GTEST_SKIP() << "pdfinfo, qpdf or pdfimages not installed";
  EXPECT_EQ(DocPdfPages(pdf), 4);
  EXPECT_EQ(std::system(("qpdf --check " + pdf + " > /dev/null 2>&1").c_str()), 0);
  const auto images = DocImageList(pdf);
  ASSERT_EQ(images.size(), 4u);
  EXPECT_NE(images[1].find("gray"), std::string::npos) << images[1];
  EXPECT_NE(images[2].find("jpeg"), std::string::npos) << images[2];
}
