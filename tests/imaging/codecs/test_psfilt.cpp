// PostScript and PDF image output: page placement, the document structure, compressions with
// their fall-backs, and the PDF files checked by qpdf and read back by pdfimages.
#include <gtest/gtest.h>

#include <string>

#include "codectest.h"
#include "imaging/codecs/psfilt.h"
#include "imaging/codecs/tifccitt.h"
#include "imaging/codecs/tiflzw.h"
#include "imaging/io/ieparams.h"

namespace {

std::string Render(void (*Writer)(TStream*, TIEBitmap*, TIOParamsVals&, TIEProgressRec&), TIEBitmap& bmp, TIOParamsVals& p) {
  TMemoryStream s;
  TTestProgress pr;
  Writer(&s, &bmp, p, pr.Rec);
  EXPECT_FALSE(pr.Aborted());
  auto v = Bytes(s);
  return std::string(v.begin(), v.end());
}

// The data of the first "stream ... endstream" after the dictionary holding Key.
std::string StreamAfter(const std::string& pdf, const std::string& Key) {
  size_t k = pdf.find(Key);
  if (k == std::string::npos) return {};
  size_t a = pdf.find("stream\n", k);
  size_t b = pdf.find("\nendstream", a);
  if (a == std::string::npos || b == std::string::npos) return {};
  return pdf.substr(a + 7, b - a - 7);
}

// PostScript RunLengthDecode of a whole block.
std::vector<uint8_t> RunLengthDecode(const std::vector<uint8_t>& in) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < in.size();) {
    const int n = in[i++];
    if (n == 128) break;
    if (n < 128) {
      out.insert(out.end(), in.begin() + i, in.begin() + i + n + 1);
      i += n + 1;
    } else {
      out.insert(out.end(), 257 - n, in[i++]);
    }
  }
  return out;
}

// ASCII base-85 text up to "~>".
std::vector<uint8_t> A85Decode(const std::string& t) {
  std::vector<uint8_t> out;
  uint32_t group = 0;
  int n = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (c == '~') break;
    if (c == 'z' && n == 0) {
      out.insert(out.end(), 4, 0);
      continue;
    }
    if (c < '!' || c > 'u') continue;
    group = group * 85 + (c - '!');
    if (++n == 5) {
      for (int k = 3; k >= 0; --k) out.push_back((group >> (8 * k)) & 0xFF);
      group = 0;
      n = 0;
    }
  }
  if (n > 1) {
    for (int k = n; k < 5; ++k) group = group * 85 + 84;
    for (int k = 0; k < n - 1; ++k) out.push_back((group >> (8 * (3 - k))) & 0xFF);
  }
  return out;
}

// The rows of fax-coded page data (Group 4, or Group 3 two-dimensional with its ends of line),
// turned back into the stored convention (the pages code the stored bits, 1 = white, as black).
std::vector<uint8_t> FaxRows(const std::string& Data, int W, int H, bool Group4, TIEBitmap* Stored) {
  const auto* d = reinterpret_cast<const uint8_t*>(Data.data());
  const size_t rb = static_cast<size_t>((W + 7) / 8);
  std::vector<uint8_t> ref(rb, 0xFF), row(rb), out;
  int64_t bit = 0;
  for (int y = 0; y < H; ++y) {
    bit = IECCITTDecodeRow2D(row.data(), d, static_cast<int64_t>(Data.size()), !Group4, 1, bit, ref.data(), W);
    for (uint8_t& b : row) b = static_cast<uint8_t>(~b);
    // the bits past the width are not coded: they come back as they are stored
    if (W % 8 != 0 && Stored != nullptr) {
      const uint8_t keep = static_cast<uint8_t>(0xFF >> (W % 8));
      row[rb - 1] = static_cast<uint8_t>((row[rb - 1] & ~keep) | (Stored->Scanline(y)[rb - 1] & keep));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

void MakeBilevel(TIEBitmap& b, int w, int h) {
  b.Allocate(w, h, ie1g);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < (w + 7) / 8; ++x) b.Scanline(y)[x] = static_cast<uint8_t>((x * 37 + y * 11) | (y % 3 == 0 ? 0xF0 : 0));
}

}  // namespace

TEST(PdfOutput, PlacementObjectsAndInfo) {
  TIEBitmap bmp;
  MakePhoto(bmp, 300, 100);
  TIOParamsVals p;
  p.PDF_Author = "Me";
  const std::string pdf = Render(PdfWriteImage, bmp, p);
  EXPECT_EQ(pdf.rfind("%PDF-1.4", 0), 0u);
  EXPECT_NE(pdf.find("q\n595 0 0 198 0 644 cm\n/lm1 Do\nQ"), std::string::npos);
  EXPECT_NE(pdf.find("7 0 obj"), std::string::npos);
  EXPECT_EQ(pdf.find("8 0 obj"), std::string::npos);
  EXPECT_NE(pdf.find("/Size 8"), std::string::npos);
  EXPECT_NE(pdf.find("/Author (Me)"), std::string::npos);
  EXPECT_NE(pdf.find("/CreationDate (D:"), std::string::npos);
  EXPECT_EQ(pdf.find("/Title"), std::string::npos);
  EXPECT_EQ(StreamAfter(pdf, "/Subtype /Image").size(), 300u * 100 * 3);
  TIEBitmap small;
  MakePhoto(small, 10, 10);
  EXPECT_NE(Render(PdfWriteImage, small, p).find("595 0 0 595 0 247 cm"), std::string::npos);
}

TEST(PdfOutput, BilevelPagesAlwaysHoldTheirImage) {
  TIEBitmap b;
  MakeBilevel(b, 21, 9);
  for (int c : {0, 1, 2, 3, 4, 5, 9}) {
    SCOPED_TRACE(c);
    TIOParamsVals p;
    p.PDF_Compression = static_cast<uint8_t>(c);
    const std::string pdf = Render(PdfWriteImage, b, p);
    if (c == 4) { EXPECT_EQ(p.PDF_Compression, 3); }
    const std::string data = StreamAfter(pdf, "/Subtype /Image");
    ASSERT_FALSE(data.empty());
    std::vector<uint8_t> rows(data.begin(), data.end());
    if (c >= 2 && c <= 4) {
      // Group 4 (2) and Group 3 two-dimensional (3, and 4 turned into 3)
      EXPECT_NE(pdf.find(c == 2 ? "/K -1" : "/K 1"), std::string::npos);
      EXPECT_NE(pdf.find("/CCITTFaxDecode"), std::string::npos);
      rows = FaxRows(data, 21, 9, c == 2, &b);
    } else if (c == 5) {
      // the TIFF codec installs the library's LZW routine, so LZW pages carry LZW data
      EXPECT_NE(pdf.find("/LZWDecode"), std::string::npos);
      std::vector<uint8_t> out;
      void* ctx = nullptr;
      for (int y = 0; y < 9; ++y) {
        const uint8_t* r = TiffLzwDecompress(rows.data(), 3, ctx, static_cast<int>(rows.size()));
        ASSERT_NE(r, nullptr);
        out.insert(out.end(), r, r + 3);
      }
      TiffLzwDecompress(nullptr, 0, ctx, 0);
      rows = out;
    } else if (c != 0) {
      rows = RunLengthDecode(rows);
    }
    ASSERT_EQ(rows.size(), 3u * 9);
    for (int y = 0; y < 9; ++y) EXPECT_EQ(std::memcmp(rows.data() + 3 * y, b.Scanline(y), 3), 0) << y;
  }
}

TEST(PsOutput, PageStructureAndData) {
  TIEBitmap bmp;
  MakePhoto(bmp, 300, 100);
  std::string first;
  for (int c : {0, 1, 2, 4, 5}) {
    TIOParamsVals p;
    p.PS_Compression = static_cast<uint8_t>(c);
    std::string ps = Render(PsWriteImage, bmp, p);
    EXPECT_EQ(ps.rfind("%!PS-Adobe-3.0\r\n", 0), 0u);
    EXPECT_NE(ps.find("\r\n%%Pages: 1     \r\n"), std::string::npos);
    EXPECT_NE(ps.find("%%BoundingBox: 0 0 594 841\r\n"), std::string::npos);
    EXPECT_NE(ps.find("0 842 translate\r\n595 -198 scale\r\n300 100 8\r\n[ 300 0 0 100 0 0 ]\r\n/rstr 300 string def"),
              std::string::npos);
    EXPECT_NE(ps.find("true 3\r\n%%BeginData:"), std::string::npos);
    EXPECT_NE(ps.find("%%EndData\r\nshowpage\r\n%%Trailer\r\n%%EOF\r\n"), std::string::npos);
    const size_t date = ps.find("%%CreationDate:");
    ps.erase(date, ps.find("\r\n", date) - date);
    if (first.empty()) first = ps;
    EXPECT_EQ(ps, first) << c;  // the same three-procedure form for every such compression
  }
  // The first channel row decodes to the red samples of row 0.
  const size_t at = first.find("ASCII Bytes\r\ncolorimage\r\n") + 25;
  auto red = RunLengthDecode(A85Decode(first.substr(at)));
  ASSERT_EQ(red.size(), 300u);
  for (int x = 0; x < 300; x += 37) EXPECT_EQ(red[x], bmp.GetPixelAsRGB(x, 0).r);
  // The data length in the BeginData line is the text's length.
  const size_t bd = first.find("%%BeginData:");
  const long n = std::stol(first.substr(bd + 12));
  EXPECT_EQ(first.substr(at + n, 9), "%%EndData");

  TIOParamsVals j;
  j.PS_Compression = 3;
  EXPECT_NE(Render(PsWriteImage, bmp, j).find("/DCTDecode filter\r\nfalse 3\r\n"), std::string::npos);
}

TEST(PsOutput, BilevelPagesAreFaxCodedForOneAndTwo) {
  TIEBitmap b;
  MakeBilevel(b, 21, 9);
  for (int c : {1, 2}) {
    TIOParamsVals p;
    p.PS_Compression = static_cast<uint8_t>(c);
    const std::string ps = Render(PsWriteImage, b, p);
    const std::string head = std::string("currentfile /ASCII85Decode filter << /K ") + (c == 1 ? "-1" : "1") +
                             " /BlackIs1 true /Columns 21 /Rows 9 /EndOfLine false /Uncompressed true "
                             "/EncodedByteAlign false /EndOfBlock false >> /CCITTFaxDecode filter\r\n%%BeginData:";
    ASSERT_NE(ps.find(head), std::string::npos) << c;
    const size_t at = ps.find("ASCII Bytes\r\nimage\r\n") + 20;
    const auto code = A85Decode(ps.substr(at));
    const auto rows = FaxRows(std::string(code.begin(), code.end()), 21, 9, c == 1, &b);
    for (int y = 0; y < 9; ++y) EXPECT_EQ(std::memcmp(rows.data() + 3 * y, b.Scanline(y), 3), 0) << c << " " << y;
  }
}

TEST(PsOutput, BilevelPagesAreRunLengthCoded) {
  TIEBitmap b;
  MakeBilevel(b, 21, 9);
  for (int c : {0, 3}) {
    TIOParamsVals p;
    p.PS_Compression = static_cast<uint8_t>(c);
    const std::string ps = Render(PsWriteImage, b, p);
    const std::string head = "currentfile /ASCII85Decode filter /RunLengthDecode filter\r\n%%BeginData:";
    ASSERT_NE(ps.find(head), std::string::npos) << c;
    const size_t at = ps.find("ASCII Bytes\r\nimage\r\n") + 20;
    auto rows = RunLengthDecode(A85Decode(ps.substr(at)));
    ASSERT_EQ(rows.size(), 27u);
    EXPECT_EQ(std::memcmp(rows.data() + 3 * 4, b.Scanline(4), 3), 0);
  }
}

TEST(PdfOutput, CheckedAndExtractedByPdfTools) {
  if (!HaveTool("qpdf") || !HaveTool("pdfimages")) GTEST_SKIP() << "qpdf or pdfimages not installed";
  const std::string dir = CodecTestDir();
  TIEBitmap colour;
  MakePhoto(colour, 41, 17);
  TIEBitmap mono;
  MakeBilevel(mono, 21, 9);
  struct TCase {
    TIEBitmap* Image;
    int Compression;
    const char* Out;
  };
  for (TCase c : {TCase{&colour, 0, "ppm"}, TCase{&mono, 1, "pbm"}, TCase{&mono, 0, "pbm"},
                  TCase{&mono, 2, "pbm"}, TCase{&mono, 3, "pbm"}, TCase{&colour, 4, "jpg"}}) {
    SCOPED_TRACE(testing::Message() << c.Out << " " << c.Compression);
    TIOParamsVals p;
    p.PDF_Compression = static_cast<uint8_t>(c.Compression);
    p.PDF_Title = "Test page";
    const std::string pdf = Render(PdfWriteImage, *c.Image, p);
    WriteFileBytes(dir + "/page.pdf", std::vector<uint8_t>(pdf.begin(), pdf.end()));
    EXPECT_TRUE(RunTool("qpdf --check " + dir + "/page.pdf > /dev/null"));
    std::remove((dir + "/img-000." + c.Out).c_str());
    ASSERT_TRUE(RunTool("pdfimages " + std::string(c.Compression == 4 ? "-j " : "") + dir + "/page.pdf " + dir + "/img"));
    auto out = ReadFileBytes(dir + "/img-000." + c.Out);
    ASSERT_FALSE(out.empty());
    if (c.Compression == 4) {
      EXPECT_EQ(out[0], 0xFF);
      EXPECT_EQ(out[1], 0xD8);
      continue;
    }
    // pdfimages writes 0 bits as black for a grey image: our bit 1 is white.
    EXPECT_EQ(CountDiffs(*c.Image, ParseNetpbm(out)), 0);
  }
}

TEST(PsOutput, DocumentOfSeveralPagesAfterOtherData) {
  TMemoryStream s;
  s.WriteBuffer("HEAD\n", 5);  // the document begins where the stream stands
  TIOParamsVals p;
  TTestProgress pr;
  TIEPSContext* c = PsBeginDocument(&s, p);
  TIEBitmap colour, mono;
  MakePhoto(colour, 30, 20);
  MakeBilevel(mono, 21, 9);
  for (TIEBitmap* b : {&colour, &mono, &colour}) PsWritePage(c, &s, b, pr.Rec, p);
  PsEndDocument(c, &s);
  PsEndDocument(nullptr, &s);  // an empty context: nothing written
  auto v = Bytes(s);
  const std::string ps(v.begin(), v.end());
  EXPECT_EQ(ps.rfind("HEAD\n%!PS-Adobe-3.0\r\n", 0), 0u);
  EXPECT_NE(ps.find("\r\n%%Pages: 3     \r\n%%BoundingBox"), std::string::npos);
  size_t at = 0;
  for (const char* page : {"%%Page: 1 1\r\n", "%%Page: 2 2\r\n", "%%Page: 3 3\r\n"}) {
    const size_t next = ps.find(page, at);
    ASSERT_NE(next, std::string::npos) << page;
    at = next;
  }
  EXPECT_NE(ps.find("21 9 1\r\n", ps.find("%%Page: 2 2")), std::string::npos);
  EXPECT_EQ(ps.substr(ps.size() - 28), "showpage\r\n%%Trailer\r\n%%EOF\r\n");
}

TEST(PdfOutput, DocumentOfSeveralPagesSharesItsResources) {
  TIOParamsVals p;
  TTestProgress pr;
  TIEPDFContext* c = PdfBeginDocument();
  TIEBitmap colour, mono;
  MakePhoto(colour, 30, 20);
  MakeBilevel(mono, 21, 9);
  for (TIEBitmap* b : {&colour, &mono}) PdfWritePage(c, b, p, pr.Rec);
  TMemoryStream s;
  PdfEndDocument(c, &s, p);
  PdfEndDocument(nullptr, &s, p);  // an empty context: nothing written
  auto v = Bytes(s);
  const std::string pdf(v.begin(), v.end());
  // 1 catalog, 2 resources, 3-5 and 6-8 image, content and page, 9 pages, 10 information.
  EXPECT_NE(pdf.find("/Size 11\n"), std::string::npos);
  EXPECT_NE(pdf.find("/XObject << /lm1 3 0 R\n/lm2 6 0 R\n>>"), std::string::npos);
  EXPECT_NE(pdf.find("/Kids [5 0 R 8 0 R ]"), std::string::npos);
  EXPECT_EQ(pdf.find("11 0 obj"), std::string::npos);
  EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
  if (!HaveTool("qpdf") || !HaveTool("pdfinfo")) GTEST_SKIP() << "qpdf or pdfinfo not installed";
  const std::string file = CodecTestDir() + "/two.pdf";
  WriteFileBytes(file, v);
  EXPECT_TRUE(RunTool("qpdf --check " + file + " > /dev/null"));
  EXPECT_TRUE(RunTool("pdfinfo " + file + " | grep -q '^Pages: *2$'"));
}

TEST(PsOutput, TitleCannotBreakOutOfItsComment) {
  TIEBitmap bmp;
  MakePhoto(bmp, 4, 4);
  TIOParamsVals p;
  p.PS_Title = "Proof\r\nerasepage\nshowpage\x01";
  const std::string ps = Render(PsWriteImage, bmp, p);
  EXPECT_NE(ps.find("%%Title: Proof  erasepage showpage \r\n"), std::string::npos);
  EXPECT_EQ(ps.find("\nerasepage"), std::string::npos);
}
