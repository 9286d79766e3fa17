// The spooler and printer DCs: enumeration, the default printer, device modes, capabilities,
// page metrics, PDF documents and raw jobs.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win/gdi_surface.h"
#include "platform/win/gdi_user.h"
#include "platform/win/winspool.h"

namespace fs = std::filesystem;

namespace {

// Every test runs with its own home and settings folders, so the profile and the documents
// folder start empty.
class Spool : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv-spool-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    fs::create_directories(dir / "home");
    fs::create_directories(dir / "config");
    setenv("HOME", (dir / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir); }

  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static size_t Entries(const fs::path& d) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(d), fs::directory_iterator()));
  }

  fs::path dir;
};

// A device mode naming the fields given, with these paper settings and the rest zero.
DEVMODEA Mode(DWORD fields, short orientation, short paper, short length = 0, short width = 0) {
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  dm.dmFields = fields;
  dm.dmOrientation = orientation;
  dm.dmPaperSize = paper;
  dm.dmPaperLength = length;
  dm.dmPaperWidth = width;
  return dm;
}

// ---- PDF inspection ----
struct TPdfPage {
  double Width, Height;  // MediaBox in points
};
std::vector<TPdfPage> PdfPages(const std::string& pdf) {
  std::vector<TPdfPage> pages;
  std::regex page(
      R"(/Type\s*/Page\b[^s][\s\S]*?/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\])");
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), page); it != std::sregex_iterator();
       ++it)
    pages.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
  return pages;
}
size_t CountPageObjects(const std::string& pdf) {
  std::regex page(R"(/Type\s*/Page[^s])");
  return static_cast<size_t>(
      std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()));
}
// The first image of the given size in a PDF written with Flate-compressed image streams, as
// one brightness value (0 black .. 255 white) per pixel. cairo stores a page holding only
// black and white as a 1-bit grey image, other pages as grey or RGB at 8 bits.
std::vector<uint8_t> PdfImage(const std::string& pdf, int w, int h) {
  std::regex dict(
      "/Width " + std::to_string(w) + R"(\s[\s\S]*?/Height )" + std::to_string(h) +
      R"(\s[\s\S]*?/ColorSpace /(\w+)[\s\S]*?/BitsPerComponent (\d+)[\s\S]*?stream\r?\n)");
  std::smatch m;
  if (!std::regex_search(pdf, m, dict)) return {};
  bool rgb = m[1] == "DeviceRGB";
  int bits = std::stoi(m[2]);
  size_t start = static_cast<size_t>(m.position(0) + m.length(0));
  size_t end = pdf.find("endstream", start);
  size_t rowBytes =
      bits == 1 ? static_cast<size_t>(w + 7) / 8 : static_cast<size_t>(w) * (rgb ? 3 : 1);
  std::vector<uint8_t> raw(rowBytes * h);
  uLongf size = static_cast<uLongf>(raw.size());
  int z = uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(pdf.data() + start),
                     static_cast<uLong>(end - start));
  if ((z != Z_OK && z != Z_BUF_ERROR) || size != raw.size()) return {};
  std::vector<uint8_t> out(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* row = &raw[y * rowBytes];
      out[static_cast<size_t>(y) * w + x] =
          bits == 1 ? ((row[x / 8] >> (7 - x % 8)) & 1) * 255 : row[rgb ? x * 3 : x];
    }
  return out;
}

// ---- Enumeration and the default printer ----
TEST_F(Spool, EnumerationAsksForTheSizeThenListsThePdfPrinterFirst) {
  for (DWORD level : {4u, 5u}) {
    SCOPED_TRACE(level);
    DWORD needed = 0, count = 99;
    EXPECT_FALSE(EnumPrinters(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, level,
                              nullptr, 0, &needed, &count));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(count, 0u);
    ASSERT_GT(needed, 0u);
    std::vector<BYTE> buf(needed);
    ASSERT_TRUE(
        EnumPrinters(PRINTER_ENUM_LOCAL, nullptr, level, buf.data(), needed, &needed, &count));
    ASSERT_GE(count, 1u);
    if (level == 4) {
      auto* p = reinterpret_cast<PRINTER_INFO_4A*>(buf.data());
      EXPECT_STREQ(p[0].pPrinterName, "PDF file");
      EXPECT_EQ(p[0].pServerName, nullptr);
    } else {
      auto* p = reinterpret_cast<PRINTER_INFO_5A*>(buf.data());
      EXPECT_STREQ(p[0].pPrinterName, "PDF file");
      EXPECT_STREQ(p[0].pPortName, "FILE:");
      // The strings lie inside the caller's buffer.
      EXPECT_GE(reinterpret_cast<BYTE*>(p[0].pPortName), buf.data());
      EXPECT_LT(reinterpret_cast<BYTE*>(p[0].pPortName), buf.data() + needed);
    }
  }
  DWORD needed = 0, count = 0;
  EXPECT_FALSE(EnumPrinters(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_LEVEL);
}

// Leaves CUPS out of the printer list while it lives (a CUPS default would otherwise be the
// default printer when the profile names none).
struct TWithoutCups {
  TWithoutCups() { Refresh("0"); }
  ~TWithoutCups() { Refresh(nullptr); }
  static void Refresh(const char* value) {
    if (value)
      setenv("ORVANTA_CUPS", value, 1);
    else
      unsetenv("ORVANTA_CUPS");
    DWORD needed = 0, count = 0;
    EnumPrinters(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed,
                 &count);  // reads the list again
  }
};

TEST_F(Spool, DefaultPrinterComesFromTheWindowsDeviceEntry) {
  TWithoutCups noCups;
  char buf[256] = {};
  DWORD size = 3;
  EXPECT_FALSE(GetDefaultPrinter(buf, &size));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, std::strlen("PDF file") + 1);
  size = sizeof buf;
  ASSERT_TRUE(GetDefaultPrinter(buf, &size));
  EXPECT_STREQ(buf, "PDF file");
  // With no stored entry the profile answers the default printer as "name,driver,port".
  GetProfileString("windows", "device", "", buf, sizeof buf);
  EXPECT_STREQ(buf, "PDF file,Orvanta PDF,FILE:");
  // An entry naming a printer that does not exist is passed over.
  ASSERT_TRUE(WriteProfileString("windows", "device", "Gone Printer,drv,LPT1:"));
  GetProfileString("windows", "device", "", buf, sizeof buf);
  EXPECT_STREQ(buf, "Gone Printer,drv,LPT1:");
  size = sizeof buf;
  ASSERT_TRUE(GetDefaultPrinter(buf, &size));
  EXPECT_STREQ(buf, "PDF file");
  EXPECT_FALSE(SetDefaultPrinter("Gone Printer"));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
  ASSERT_TRUE(SetDefaultPrinter("PDF file"));
  GetProfileString("windows", "device", "", buf, sizeof buf);
  EXPECT_STREQ(buf, "PDF file,Orvanta PDF,FILE:");
  EXPECT_TRUE(fs::exists(dir / "config" / "orvanta" / "win.ini"));
  // Other entries: stored text, or the default; a small buffer truncates.
  EXPECT_EQ(GetProfileString("intl", "sDate", "/", buf, sizeof buf), 1u);
  EXPECT_STREQ(buf, "/");
  ASSERT_TRUE(WriteProfileString("intl", "sDate", "-.-"));
  EXPECT_EQ(GetProfileString("intl", "sDate", "/", buf, 3), 2u);
  EXPECT_STREQ(buf, "-.");
  ASSERT_TRUE(WriteProfileString("intl", "sDate", nullptr));
  GetProfileString("intl", "sDate", "/", buf, sizeof buf);
  EXPECT_STREQ(buf, "/");
}

// ---- Device modes ----
TEST_F(Spool, DocumentPropertiesGivesTheSizeTheDefaultsAndMergesInput) {
  HANDLE h = nullptr;
  EXPECT_FALSE(OpenPrinter("No Such Printer", &h, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
  ASSERT_TRUE(OpenPrinter("PDF file", &h, nullptr));
  EXPECT_EQ(DocumentProperties(nullptr, h, "PDF file", nullptr, nullptr, 0),
            static_cast<LONG>(sizeof(DEVMODEA)));
  DEVMODEA dm{};
  ASSERT_EQ(DocumentProperties(nullptr, h, "PDF file", &dm, nullptr, DM_OUT_BUFFER), 1);
  EXPECT_STREQ(reinterpret_cast<char*>(dm.dmDeviceName), "PDF file");
  EXPECT_EQ(dm.dmSize, sizeof(DEVMODEA));
  EXPECT_EQ(dm.dmPaperSize, DMPAPER_A4);
  EXPECT_EQ(dm.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(dm.dmPaperWidth, 2100);
  EXPECT_EQ(dm.dmPaperLength, 2970);
  EXPECT_EQ(dm.dmCopies, 1);
  EXPECT_EQ(dm.dmDefaultSource, DMBIN_AUTO);
  EXPECT_EQ(dm.dmPrintQuality, 300);
  const DWORD want =
      DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES | DM_DEFAULTSOURCE;
  EXPECT_EQ(dm.dmFields & want, want);
  EXPECT_EQ(dm.dmFields & DM_DUPLEX, 0u);  // the PDF printer prints one side

  struct Case {
    const char* what;
    DWORD fields;
    short orientation, paper, length, width, copies, duplex, source;
    short wantOrientation, wantPaper, wantLength, wantWidth, wantCopies, wantDuplex;
  } cases[] = {
      {"landscape letter", DM_ORIENTATION | DM_PAPERSIZE, 2, 1, 0, 0, 0, 0, 0, 2, 1, 2794, 2159, 1,
       1},
      {"custom size", DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH, 0, 256, 1500, 1000, 0, 0, 0, 1,
       256, 1500, 1000, 1, 1},
      {"length and width alone", DM_PAPERLENGTH | DM_PAPERWIDTH, 0, 0, 1200, 900, 0, 0, 0, 1, 256,
       1200, 900, 1, 1},
      {"unknown paper ignored", DM_PAPERSIZE, 0, 48, 0, 0, 0, 0, 0, 1, 9, 2970, 2100, 1, 1},
      {"fields not named are ignored", DM_COPIES, 2, 8, 0, 0, 3, 0, 0, 1, 9, 2970, 2100, 3, 1},
      {"bad orientation ignored", DM_ORIENTATION, 5, 0, 0, 0, 0, 0, 0, 1, 9, 2970, 2100, 1, 1},
      {"duplex refused without a duplexer", DM_DUPLEX, 0, 0, 0, 0, 0, 2, 0, 1, 9, 2970, 2100, 1, 1},
      {"zero copies ignored", DM_COPIES, 0, 0, 0, 0, 0, 0, 0, 1, 9, 2970, 2100, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DEVMODEA in = Mode(c.fields, c.orientation, c.paper, c.length, c.width);
    in.dmCopies = c.copies;
    in.dmDuplex = c.duplex;
    DEVMODEA out{};
    ASSERT_EQ(DocumentProperties(nullptr, h, "PDF file", &out, &in,
                                 DM_IN_BUFFER | DM_IN_PROMPT | DM_OUT_BUFFER),
              1);
    EXPECT_EQ(out.dmOrientation, c.wantOrientation);
    EXPECT_EQ(out.dmPaperSize, c.wantPaper);
    EXPECT_EQ(out.dmPaperLength, c.wantLength);
    EXPECT_EQ(out.dmPaperWidth, c.wantWidth);
    EXPECT_EQ(out.dmCopies, c.wantCopies);
    EXPECT_EQ(out.dmDuplex, c.wantDuplex);
    // A device mode that went out comes back in unchanged.
    DEVMODEA again{};
    ASSERT_EQ(DocumentProperties(nullptr, h, nullptr, &again, &out, DM_IN_BUFFER | DM_OUT_BUFFER),
              1);
    EXPECT_EQ(std::memcmp(&again, &out, sizeof out), 0);
  }
  // The PDF printer collates copies, and keeps either choice.
  for (short want : {DMCOLLATE_FALSE, DMCOLLATE_TRUE}) {
    DEVMODEA collate{};
    collate.dmFields = DM_COLLATE;
    collate.dmCollate = want;
    ASSERT_EQ(DocumentProperties(nullptr, h, nullptr, &dm, &collate, DM_IN_BUFFER | DM_OUT_BUFFER), 1);
    EXPECT_EQ(dm.dmCollate, want);
  }
  EXPECT_EQ(DeviceCapabilities("PDF file", nullptr, DC_COLLATE, nullptr, nullptr), 1);
  EXPECT_EQ(DocumentProperties(nullptr, h, nullptr, nullptr, nullptr, DM_OUT_BUFFER), -1);
  ASSERT_TRUE(ClosePrinter(h));
  EXPECT_FALSE(ClosePrinter(h));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(DocumentProperties(nullptr, h, nullptr, &dm, nullptr, DM_OUT_BUFFER), -1);
}

TEST_F(Spool, OpenPrinterKeepsTheDeviceModeGiven) {
  DEVMODEA in{};
  in.dmFields = DM_ORIENTATION | DM_PAPERSIZE;
  in.dmOrientation = DMORIENT_LANDSCAPE;
  in.dmPaperSize = DMPAPER_A3;
  PRINTER_DEFAULTSA defaults{nullptr, &in, 0};
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinter("PDF file", &h, &defaults));
  DEVMODEA out{};
  ASSERT_EQ(DocumentProperties(nullptr, h, nullptr, &out, nullptr, DM_OUT_BUFFER), 1);
  EXPECT_EQ(out.dmPaperSize, DMPAPER_A3);
  EXPECT_EQ(out.dmOrientation, DMORIENT_LANDSCAPE);
  ClosePrinter(h);
}

// ---- Capabilities ----
TEST_F(Spool, CapabilitiesListPapersBinsAndLimits) {
  int n = DeviceCapabilities("PDF file", "FILE:", DC_PAPERS, nullptr, nullptr);
  ASSERT_EQ(n, 66);
  std::vector<WORD> papers(static_cast<size_t>(n));
  std::vector<char> names(static_cast<size_t>(n) * 64);
  std::vector<POINT> sizes(static_cast<size_t>(n));
  EXPECT_EQ(DeviceCapabilities("PDF file", "FILE:", DC_PAPERS,
                               reinterpret_cast<char*>(papers.data()), nullptr),
            n);
  EXPECT_EQ(DeviceCapabilities("PDF file", "FILE:", DC_PAPERNAMES, names.data(), nullptr), n);
  EXPECT_EQ(DeviceCapabilities("PDF file", "FILE:", DC_PAPERSIZE,
                               reinterpret_cast<char*>(sizes.data()), nullptr),
            n);
  struct Want {
    WORD number;
    const char* name;
    LONG w, h;
  } wants[] = {{1, "Letter", 2159, 2794},
               {4, "Ledger", 4318, 2794},
               {9, "A4", 2100, 2970},
               {47, "Envelope Invite", 2200, 2200},
               {50, "Letter Extra", 2355, 3048},
               {68, "A3 Extra Transverse", 3220, 4450}};
  for (const Want& w : wants) {
    SCOPED_TRACE(w.number);
    auto at = std::find(papers.begin(), papers.end(), w.number);
    ASSERT_NE(at, papers.end());
    size_t i = static_cast<size_t>(at - papers.begin());
    EXPECT_STREQ(&names[i * 64], w.name);
    EXPECT_EQ(sizes[i].x, w.w);
    EXPECT_EQ(sizes[i].y, w.h);
  }
  for (WORD absent : {48, 49, 256}) EXPECT_EQ(std::count(papers.begin(), papers.end(), absent), 0);

  ASSERT_EQ(DeviceCapabilities("PDF file", nullptr, DC_BINS, nullptr, nullptr), 1);
  WORD bin = 0;
  char binName[24] = {};
  DeviceCapabilities("PDF file", nullptr, DC_BINS, reinterpret_cast<char*>(&bin), nullptr);
  DeviceCapabilities("PDF file", nullptr, DC_BINNAMES, binName, nullptr);
  EXPECT_EQ(bin, DMBIN_AUTO);
  EXPECT_STREQ(binName, "Automatically Select");
  EXPECT_EQ(DeviceCapabilities("PDF file", nullptr, DC_ORIENTATION, nullptr, nullptr), 90);
  EXPECT_EQ(DeviceCapabilities("PDF file", nullptr, DC_DUPLEX, nullptr, nullptr), 0);
  EXPECT_GE(DeviceCapabilities("PDF file", nullptr, DC_COPIES, nullptr, nullptr), 1);
  EXPECT_EQ(DeviceCapabilities("Nobody", nullptr, DC_PAPERS, nullptr, nullptr), -1);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
}

// ---- Printer DCs ----
TEST_F(Spool, PrinterContextsMeasureThePaperOfTheirDeviceMode) {
  struct Case {
    const char* what;
    DWORD fields;
    short orientation, paper, length, width, quality, yres;
    int dpiX, dpiY, w, h;
  } cases[] = {
      {"defaults: A4 at 300 dpi", 0, 0, 0, 0, 0, 0, 0, 300, 300, 2480, 3508},
      {"letter landscape", DM_ORIENTATION | DM_PAPERSIZE, 2, 1, 0, 0, 0, 0, 300, 300, 3300, 2550},
      {"A5 at 150 dpi", DM_PAPERSIZE | DM_PRINTQUALITY, 0, 11, 0, 0, 150, 0, 150, 150, 874, 1240},
      {"draft quality", DM_PRINTQUALITY, 0, 0, 0, 0, DMRES_DRAFT, 0, 75, 75, 620, 877},
      {"separate vertical resolution", DM_PRINTQUALITY | DM_YRESOLUTION, 0, 0, 0, 0, 600, 300, 600,
       300, 4961, 3508},
      {"custom 100 x 150 mm at 254 dpi",
       DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_PRINTQUALITY, 0, 256, 1500, 1000, 254, 0,
       254, 254, 1000, 1500},
      // A page bitmap has at most 32767 pixels a side: a 3 m banner gets a lower resolution.
      {"banner 100 mm x 3 m at 300 dpi", DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH, 0, 256,
       30000, 1000, 0, 0, 300, 277, 1181, 32717},
      // At most 2^27 pixels: an E size sheet at 1200 dpi is lowered to 299 dpi.
      {"E sheet at 1200 dpi", DM_PAPERSIZE | DM_PRINTQUALITY, 0, 26, 0, 0, 1200, 0, 299, 299, 10166,
       13156},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DEVMODEA dm = Mode(c.fields, c.orientation, c.paper, c.length, c.width);
    dm.dmPrintQuality = c.quality;
    dm.dmYResolution = c.yres;
    HDC ic = CreateIC("WINSPOOL", "PDF file", nullptr, c.fields ? &dm : nullptr);
    ASSERT_NE(ic, nullptr);
    EXPECT_EQ(GetDeviceCaps(ic, LOGPIXELSX), c.dpiX);
    EXPECT_EQ(GetDeviceCaps(ic, LOGPIXELSY), c.dpiY);
    EXPECT_EQ(GetDeviceCaps(ic, PHYSICALWIDTH), c.w);
    EXPECT_EQ(GetDeviceCaps(ic, PHYSICALHEIGHT), c.h);
    // A PDF page is printable to its edges.
    EXPECT_EQ(GetDeviceCaps(ic, HORZRES), c.w);
    EXPECT_EQ(GetDeviceCaps(ic, VERTRES), c.h);
    EXPECT_EQ(GetDeviceCaps(ic, PHYSICALOFFSETX), 0);
    EXPECT_EQ(GetDeviceCaps(ic, TECHNOLOGY), DT_RASPRINTER);
    // An information context has no page to draw on.
    EXPECT_EQ(GetDCSurface(ic), nullptr);
    EXPECT_EQ(StartDoc(ic, nullptr), SP_ERROR);
    DeleteDC(ic);
  }
  // ResetDC changes the metrics; the default printer serves a null device name.
  HDC ic = CreateIC(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(ic, nullptr);
  DEVMODEA dm{};
  dm.dmFields = DM_ORIENTATION;
  dm.dmOrientation = DMORIENT_LANDSCAPE;
  EXPECT_EQ(ResetDC(ic, &dm), ic);
  EXPECT_EQ(GetDeviceCaps(ic, PHYSICALWIDTH), 3508);
  EXPECT_EQ(GetDeviceCaps(ic, PHYSICALHEIGHT), 2480);
  DeleteDC(ic);
  EXPECT_EQ(CreateDC("WINSPOOL", "No Such Printer", nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
}

// Prints pages of the given device modes at 75 dpi with a black square at (10, 10)-(30, 30).
bool PrintPages(HDC dc, const std::vector<DEVMODEA>& pages) {
  for (const DEVMODEA& p : pages) {
    if (!ResetDC(dc, &p)) return false;
    if (StartPage(dc) <= 0) return false;
    RECT r{10, 10, 30, 30};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (EndPage(dc) <= 0) return false;
  }
  return true;
}

DEVMODEA Page(short paper, short orientation) {
  DEVMODEA dm = Mode(DM_PAPERSIZE | DM_ORIENTATION | DM_PRINTQUALITY, orientation, paper);
  dm.dmPrintQuality = 75;
  return dm;
}

TEST_F(Spool, TwoPagesPrintToAPdfOfThePaperSizes) {
  fs::path out = dir / "two pages.pdf";
  HDC dc = CreateDC("WINSPOOL", "PDF file", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  DOCINFOA di{sizeof(DOCINFOA), "Two pages", out.c_str(), nullptr, 0};
  ASSERT_GT(StartDoc(dc, &di), 0);
  ASSERT_TRUE(PrintPages(
      dc, {Page(DMPAPER_A4, DMORIENT_PORTRAIT), Page(DMPAPER_LETTER, DMORIENT_LANDSCAPE)}));
  // Outside a page there is nothing to draw on.
  EXPECT_EQ(GetDCSurface(dc), nullptr);
  EXPECT_FALSE(fs::exists(out));  // the file appears when the document is complete
  ASSERT_EQ(EndDoc(dc), 1);
  DeleteDC(dc);

  std::string pdf = Read(out);
  ASSERT_EQ(pdf.rfind("%PDF", 0), 0u);
  EXPECT_EQ(CountPageObjects(pdf), 2u);
  std::vector<TPdfPage> pages = PdfPages(pdf);
  ASSERT_EQ(pages.size(), 2u);
  // The paper's size in points, exactly, whatever the resolution.
  EXPECT_NEAR(pages[0].Width, 595.276, 0.01);  // A4
  EXPECT_NEAR(pages[0].Height, 841.89, 0.01);
  EXPECT_NEAR(pages[1].Width, 792, 0.01);  // Letter turned to landscape
  EXPECT_NEAR(pages[1].Height, 612, 0.01);
  EXPECT_NE(pdf.find("Two pages"), std::string::npos);  // the title
  // The first page's bitmap (A4 at 75 dpi) holds the black square on white.
  std::vector<uint8_t> px = PdfImage(pdf, 620, 877);
  ASSERT_EQ(px.size(), 620u * 877u);
  auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * 620 + x]; };
  EXPECT_EQ(at(10, 10), 0);
  EXPECT_EQ(at(29, 29), 0);
  EXPECT_EQ(at(30, 30), 255);
  EXPECT_EQ(at(5, 5), 255);
  EXPECT_EQ(Entries(dir), 3u);  // home, config and the PDF: no temporary file left
}

TEST_F(Spool, ResetDCDuringAPageTakesEffectWithTheNextPage) {
  fs::path out = dir / "reset.pdf";
  DEVMODEA a4 = Page(DMPAPER_A4, DMORIENT_PORTRAIT), a5 = Page(DMPAPER_A5, DMORIENT_PORTRAIT);
  HDC dc = CreateDC(nullptr, "PDF file", nullptr, &a4);
  DOCINFOA di{sizeof(DOCINFOA), "Reset", out.c_str(), nullptr, 0};
  ASSERT_GT(StartDoc(dc, &di), 0);
  ASSERT_GT(StartPage(dc), 0);
  EXPECT_EQ(ResetDC(dc, &a5), dc);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 620);  // still the A4 page being drawn
  ASSERT_EQ(EndPage(dc), 1);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 437);  // A5 at 75 dpi
  ASSERT_GT(StartPage(dc), 0);
  ASSERT_EQ(EndPage(dc), 1);
  ASSERT_EQ(EndDoc(dc), 1);
  DeleteDC(dc);
  std::vector<TPdfPage> pages = PdfPages(Read(out));
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_NEAR(pages[0].Width, 595.28, 0.5);
  EXPECT_NEAR(pages[1].Width, 419.53, 0.5);
}

TEST_F(Spool, CopiesRepeatEachPage) {
  fs::path out = dir / "copies.pdf";
  DEVMODEA dm = Page(DMPAPER_A5, DMORIENT_PORTRAIT);
  dm.dmFields |= DM_COPIES;
  dm.dmCopies = 3;
  HDC dc = CreateDC(nullptr, "PDF file", nullptr, &dm);
  DOCINFOA di{sizeof(DOCINFOA), "Copies", out.c_str(), nullptr, 0};
  ASSERT_GT(StartDoc(dc, &di), 0);
  ASSERT_TRUE(PrintPages(dc, {dm, dm}));
  ASSERT_EQ(EndDoc(dc), 1);
  DeleteDC(dc);
  EXPECT_EQ(CountPageObjects(Read(out)), 6u);
}

TEST_F(Spool, CollatedCopiesRepeatTheWholeDocumentInOrder) {
  // Two pages told apart by their paper: A4 (620 x 877 at 75 dpi) and A5 (437 x 620).
  DEVMODEA a4 = Page(DMPAPER_A4, DMORIENT_PORTRAIT), a5 = Page(DMPAPER_A5, DMORIENT_PORTRAIT);
  const double A4 = 595.28, A5 = 419.53;
  struct Case {
    const char* Name;
    short Copies, Collate;
    std::vector<double> Widths;  // of the PDF's pages, in order
  };
  const Case cases[] = {
      {"collated", 3, DMCOLLATE_TRUE, {A4, A5, A4, A5, A4, A5}},
      {"not collated", 3, DMCOLLATE_FALSE, {A4, A4, A4, A5, A5, A5}},
      {"one copy", 1, DMCOLLATE_TRUE, {A4, A5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    fs::path out = dir / "collate.pdf";
    DEVMODEA dm = a4;
    dm.dmFields |= DM_COPIES | DM_COLLATE;
    dm.dmCopies = c.Copies;
    dm.dmCollate = c.Collate;
    HDC dc = CreateDC(nullptr, "PDF file", nullptr, &dm);
    DOCINFOA di{sizeof(DOCINFOA), "Collate", out.c_str(), nullptr, 0};
    ASSERT_GT(StartDoc(dc, &di), 0);
    ASSERT_TRUE(PrintPages(dc, {a4, a5}));
    ASSERT_EQ(EndDoc(dc), 1);
    DeleteDC(dc);
    std::string pdf = Read(out);
    std::vector<TPdfPage> pages = PdfPages(pdf);
    ASSERT_EQ(pages.size(), c.Widths.size());
    for (size_t i = 0; i < pages.size(); ++i) EXPECT_NEAR(pages[i].Width, c.Widths[i], 0.5) << i;
    // The last copy of the A5 page, read back from the stored pages, still holds its square.
    size_t last = pdf.rfind("/Width 437");
    ASSERT_NE(last, std::string::npos);
    std::vector<uint8_t> px = PdfImage(pdf.substr(last), 437, 620);
    ASSERT_EQ(px.size(), 437u * 620u);
    EXPECT_EQ(px[15 * 437 + 15], 0);
    EXPECT_EQ(px[40 * 437 + 40], 255);
    EXPECT_EQ(Entries(dir), 3u);  // no temporary file left beside the PDF
    fs::remove(out);
  }
}

TEST_F(Spool, ScaleGrowsTheLogicalPageAndShrinksTheDrawingOntoThePaper) {
  struct Case {
    short Scale;
    int Width, Height;  // HORZRES, VERTRES of A5 at 75 dpi
  };
  const Case cases[] = {{100, 437, 620}, {50, 874, 1240}, {200, 219, 310}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Scale);
    fs::path out = dir / "scaled.pdf";
    DEVMODEA dm = Page(DMPAPER_A5, DMORIENT_PORTRAIT);
    dm.dmFields |= DM_SCALE;
    dm.dmScale = c.Scale;
    HDC dc = CreateDC(nullptr, "PDF file", nullptr, &dm);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), c.Width);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), c.Height);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), c.Width);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 75);  // the resolution stays: the page is larger
    DOCINFOA di{sizeof(DOCINFOA), "Scaled", out.c_str(), nullptr, 0};
    ASSERT_GT(StartDoc(dc, &di), 0);
    ASSERT_TRUE(PrintPages(dc, {dm}));
    ASSERT_EQ(EndDoc(dc), 1);
    DeleteDC(dc);
    std::string pdf = Read(out);
    // The paper is A5 whatever the scale: the larger page's pixels are shrunk onto it.
    std::vector<TPdfPage> pages = PdfPages(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NEAR(pages[0].Width, 419.53, 0.5);
    std::vector<uint8_t> px = PdfImage(pdf, c.Width, c.Height);
    ASSERT_EQ(px.size(), static_cast<size_t>(c.Width) * c.Height);
    EXPECT_EQ(px[static_cast<size_t>(15) * c.Width + 15], 0);
    fs::remove(out);
  }
}

TEST_F(Spool, AbortDocAndDeleteDCLeaveNoFile) {
  fs::path out = dir / "aborted.pdf";
  for (bool viaDelete : {false, true}) {
    SCOPED_TRACE(viaDelete);
    HDC dc = CreateDC(nullptr, "PDF file", nullptr, nullptr);
    DOCINFOA di{sizeof(DOCINFOA), "Aborted", out.c_str(), nullptr, 0};
    ASSERT_GT(StartDoc(dc, &di), 0);
    ASSERT_TRUE(PrintPages(dc, {Page(DMPAPER_A4, DMORIENT_PORTRAIT)}));
    ASSERT_GT(StartPage(dc), 0);
    if (!viaDelete) {
      EXPECT_EQ(AbortDoc(dc), 1);
      EXPECT_EQ(EndDoc(dc), SP_ERROR);  // the job is gone
    }
    DeleteDC(dc);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(Entries(dir), 2u);
  }
}

TEST_F(Spool, JobErrorsAreReportedNotHidden) {
  HDC dc = CreateDC(nullptr, "PDF file", nullptr, nullptr);
  EXPECT_EQ(StartPage(dc), SP_ERROR);
  EXPECT_EQ(GetLastError(), ERROR_SPL_NO_STARTDOC);
  std::string missingPath = dir / "no/such/folder/x.pdf", lockedPath = dir / "locked/x.pdf",
              okPath = dir / "ok.pdf";
  DOCINFOA missing{sizeof(DOCINFOA), "x", missingPath.c_str(), nullptr, 0};
  EXPECT_EQ(StartDoc(dc, &missing), SP_ERROR);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  fs::create_directories(dir / "locked");
  fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  DOCINFOA locked{sizeof(DOCINFOA), "x", lockedPath.c_str(), nullptr, 0};
  if (geteuid() != 0) {  // root writes anywhere
    EXPECT_EQ(StartDoc(dc, &locked), SP_ERROR);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  }
  std::string folderPath = (dir / "locked").string();
  DOCINFOA folder{sizeof(DOCINFOA), "x", folderPath.c_str(), nullptr, 0};
  EXPECT_EQ(StartDoc(dc, &folder), SP_ERROR);  // the "locked" folder itself
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  fs::permissions(dir / "locked", fs::perms::owner_all);
  DOCINFOA ok{sizeof(DOCINFOA), "x", okPath.c_str(), nullptr, 0};
  ASSERT_GT(StartDoc(dc, &ok), 0);
  EXPECT_EQ(StartDoc(dc, &ok), SP_ERROR);  // one document at a time
  EXPECT_EQ(EndPage(dc), SP_ERROR);        // no page started
  EXPECT_EQ(EndDoc(dc), 1);
  DeleteDC(dc);
  EXPECT_EQ(Read(dir / "ok.pdf").rfind("%PDF", 0), 0u);
}

TEST_F(Spool, WithoutAnOutputFileTheDocumentGoesToTheDocumentsFolder) {
  fs::create_directories(dir / "home" / "Documents");
  for (int i = 0; i < 2; ++i) {
    HDC dc = CreateDC(nullptr, "PDF file", nullptr, nullptr);
    DOCINFOA di{sizeof(DOCINFOA), "Order 12/3", nullptr, nullptr, 0};
    ASSERT_GT(StartDoc(dc, &di), 0);
    ASSERT_TRUE(PrintPages(dc, {Page(DMPAPER_A4, DMORIENT_PORTRAIT)}));
    ASSERT_EQ(EndDoc(dc), 1);
    DeleteDC(dc);
  }
  EXPECT_EQ(Read(dir / "home" / "Documents" / "Order 12_3.pdf").rfind("%PDF", 0), 0u);
  EXPECT_EQ(Read(dir / "home" / "Documents" / "Order 12_3 (2).pdf").rfind("%PDF", 0), 0u);
  // A long title is cut between characters, never inside one.
  std::string title = "a";
  for (int i = 0; i < 100; ++i) title += "\xC3\xA9";  // "é"
  HDC dc = CreateDC(nullptr, "PDF file", nullptr, nullptr);
  DOCINFOA di{sizeof(DOCINFOA), title.c_str(), nullptr, nullptr, 0};
  ASSERT_GT(StartDoc(dc, &di), 0);
  ASSERT_EQ(EndDoc(dc), 1);
  DeleteDC(dc);
  EXPECT_TRUE(fs::exists(dir / "home" / "Documents" / (title.substr(0, 119) + ".pdf")));
}

// ---- Raw jobs ----
TEST_F(Spool, RawBytesReachThePrnFileUnchanged) {
  const std::string bytes("\x1b@Hello\r\n\0\xff\x0c", 12);
  fs::path out = dir / "job.prn";
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinter("PDF file", &h, nullptr));
  DWORD written = 0;
  EXPECT_FALSE(WritePrinter(h, bytes.data(), 3, &written));
  EXPECT_EQ(GetLastError(), ERROR_SPL_NO_STARTDOC);
  std::string docName = "Raw", path = out.string(), raw = "RAW", emf = "EMF";
  DOC_INFO_1A wrongType{docName.data(), path.data(), emf.data()};
  EXPECT_EQ(StartDocPrinter(h, 1, &wrongType), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_DATATYPE);
  DOC_INFO_1A di{docName.data(), path.data(), raw.data()};
  ASSERT_NE(StartDocPrinter(h, 1, &di), 0u);
  ASSERT_TRUE(StartPagePrinter(h));
  ASSERT_TRUE(WritePrinter(h, bytes.data(), 5, &written));
  EXPECT_EQ(written, 5u);
  ASSERT_TRUE(WritePrinter(h, bytes.data() + 5, static_cast<DWORD>(bytes.size() - 5), &written));
  ASSERT_TRUE(EndPagePrinter(h));
  EXPECT_FALSE(fs::exists(out));
  ASSERT_TRUE(EndDocPrinter(h));
  EXPECT_EQ(Read(out), bytes);

  // An aborted job leaves nothing; a job without an output file goes to the documents folder.
  fs::path aborted = dir / "aborted.prn";
  std::string abortedPath = aborted.string();
  DOC_INFO_1A ab{docName.data(), abortedPath.data(), nullptr};
  ASSERT_NE(StartDocPrinter(h, 1, &ab), 0u);
  ASSERT_TRUE(WritePrinter(h, bytes.data(), 4, &written));
  ASSERT_TRUE(AbortPrinter(h));
  EXPECT_FALSE(fs::exists(aborted));
  DOC_INFO_1A home{docName.data(), nullptr, raw.data()};
  ASSERT_NE(StartDocPrinter(h, 1, &home), 0u);
  ASSERT_TRUE(WritePrinter(h, bytes.data(), 4, &written));
  ASSERT_TRUE(EndDocPrinter(h));
  EXPECT_EQ(Read(dir / "home" / "Raw.prn"), bytes.substr(0, 4));
  ASSERT_TRUE(ClosePrinter(h));
  EXPECT_EQ(Entries(dir), 3u);  // home, config, job.prn
}

}  // namespace
