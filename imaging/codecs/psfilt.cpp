// PostScript and PDF image output (see psfilt.h).
#include "imaging/codecs/psfilt.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/codecs/iecodecutil.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/codecs/tifccitt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/iepdf.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/streams.h"

struct TIEPSContext {
  int64_t PagesLine = 0;  // where the "%%Pages: " line starts
  int64_t PagePos = 0;    // where the next page (or the trailer) goes
};

struct TIEPDFContext {
  TIEPDFObjectList Objects, Pages, Images, Contents;
  TIEPDFDictionaryObject* Catalog = nullptr;
  TIEPDFDictionaryObject* Resources = nullptr;
  TIEPDFDictionaryObject* XObjects = nullptr;  // inside Resources
};

namespace {

// ASCII base-85 text of Count bytes (one complete block ending in "~>" CR LF).
void A85(const uint8_t* Data, int Count, std::string& Out) {
  std::vector<char> buf(static_cast<size_t>(Count) * 2 + 16);
  const uint8_t* src = Data;
  char* dst = buf.data();
  int groups = 0;
  const int n = IEASCII85Encode(src, Count, dst, groups);
  Out.append(buf.data(), static_cast<size_t>(n));
}

// The encoder's literal runs stop before a pair of equal bytes and its runs take two bytes, so
// the output can reach twice the input: the buffer is sized for that.
std::vector<uint8_t> RunLength(const uint8_t* Data, int Count) {
  std::vector<uint8_t> out(static_cast<size_t>(Count) * 2 + 2);
  out.resize(static_cast<size_t>(IERunLengthEncode(Data, Count, out.data())));
  return out;
}

// The page image: the bitmap when it is ie1g or ie24RGB, else a 24-bit copy.
TIEBitmap* PageSource(TIEBitmap* Bitmap, std::unique_ptr<TIEBitmap>& Owned) {
  if (Bitmap->PixelFormat() == ie1g || Bitmap->PixelFormat() == ie24RGB) return Bitmap;
  Owned.reset(IEConvertedCopy(Bitmap, ie24RGB));
  return Owned.get();
}

std::vector<uint8_t> BilevelRows(TIEBitmap* B, TIEProgressRec* Progress) {
  const int r = (B->Width() + 7) / 8;
  std::vector<uint8_t> rows(static_cast<size_t>(r) * B->Height());
  for (int y = 0; y < B->Height(); ++y) {
    std::memcpy(rows.data() + static_cast<size_t>(y) * r, B->Scanline(y), r);
    if (Progress) IECodecSay(*Progress, static_cast<int>(int64_t(y) * 100 / B->Height()));
  }
  return rows;
}

// The rows of a bilevel image, exactly as stored (1 = white, which the decode parameters declare
// with /BlackIs1 true), through the Group 4 or the Group 3 two-dimensional fax coder.
std::vector<uint8_t> Fax(TIEBitmap* B, bool Group4, TIEProgressRec& Progress) {
  TMemoryStream m;
  TIECCITTEncodeState state;
  for (int y = 0; y < B->Height(); ++y) {
    if (Group4) IECCITTEncodeRowG4(B->Scanline(y), B->Width(), &m, 1, Progress, state);
    else IECCITTEncodeRowG3_2D(B->Scanline(y), B->Width(), &m, 1, Progress, state);
  }
  if (Group4) IECCITTEncodeRowG4(nullptr, B->Width(), &m, 1, Progress, state);
  else IECCITTEncodeRowG3_2D(nullptr, B->Width(), &m, 1, Progress, state);
  const auto* d = static_cast<const uint8_t*>(m.Memory());
  return std::vector<uint8_t>(d, d + m.Size());
}

// The fax decode parameters as PostScript text ("<< ... >>").
std::string FaxParamsText(bool Group4, int W, int H) {
  return std::string("<< /K ") + (Group4 ? "-1" : "1") + " /BlackIs1 true /Columns " + std::to_string(W) +
         " /Rows " + std::to_string(H) +
         " /EndOfLine false /Uncompressed true /EncodedByteAlign false /EndOfBlock false >>";
}

std::vector<uint8_t> Jpeg(TIEBitmap* B, TIOParamsVals& P, TIEProgressRec& Progress) {
  TMemoryStream m;
  JpegWriteImage(&m, B, P, Progress);
  const auto* d = static_cast<const uint8_t*>(m.Memory());
  return std::vector<uint8_t>(d, d + m.Size());
}

TTIFFLZWCompFunc LzwCoder(TIOParamsVals& P) { return P.TIFF_LZWCompFunc != nullptr ? P.TIFF_LZWCompFunc : IETiffLzwCompressHook; }

// Rows through the installed LZW routine, one call per row and one to flush.
std::vector<uint8_t> Lzw(TTIFFLZWCompFunc Coder, TIEBitmap* B, bool Colour) {
  TMemoryStream m;
  void* ctx = nullptr;
  std::vector<uint8_t> row;
  for (int y = 0; y < B->Height(); ++y) {
    const uint8_t* s = B->Scanline(y);
    if (Colour) {
      row.resize(static_cast<size_t>(B->Width()) * 3);
      for (int x = 0; x < B->Width(); ++x) {
        row[3 * x] = s[3 * x + 2];
        row[3 * x + 1] = s[3 * x + 1];
        row[3 * x + 2] = s[3 * x];
      }
    } else {
      row.assign(s, s + (B->Width() + 7) / 8);
    }
    Coder(row.data(), static_cast<int>(row.size()), &m, ctx);
  }
  Coder(nullptr, 0, &m, ctx);
  const auto* d = static_cast<const uint8_t*>(m.Memory());
  return std::vector<uint8_t>(d, d + m.Size());
}

// A text for a header comment: line breaks and other control characters would end the comment
// and let the rest of the text run as program lines, so each becomes a blank.
std::string PsCommentText(std::string Text) {
  for (char& ch : Text)
    if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) ch = ' ';
  return Text;
}

}  // namespace

TIEPSContext* PsBeginDocument(TStream* S, TIOParamsVals& P) {
  auto* c = new TIEPSContext();
  IEWriteLine(S, "%!PS-Adobe-3.0");
  IEWriteLine(S, "%%Creator: Imagery by Talvenor");
  IEWriteLine(S, "%%Title: " + PsCommentText(P.PS_Title));
  IEWriteLine(S, "%%CreationDate: " + FormatDateTime("ddd mmm dd hh:nn:ss yyyy", Now()));
  IEWriteLine(S, "%%DocumentData: Clean7Bit");
  IEWriteLine(S, "%%LanguageLevel: 2");
  c->PagesLine = S->Position();
  IEWriteLine(S, "%%Pages: 0     ");
  IEWriteLine(S, "%%BoundingBox: 0 0 " + std::to_string(P.PS_PaperWidth - 1) + " " + std::to_string(P.PS_PaperHeight - 1));
  IEWriteLine(S, "%%EndComments");
  c->PagePos = S->Position();
  return c;
}

void PsWritePage(TIEPSContext* C, TStream* S, TIEBitmap* Bitmap, TIEProgressRec& Progress, TIOParamsVals& P) {
  if (C == nullptr || Bitmap == nullptr || Bitmap->IsEmpty()) return;
  std::unique_ptr<TIEBitmap> owned;
  TIEBitmap* B = PageSource(Bitmap, owned);
  const int W = B->Width(), H = B->Height();
  const bool bilevel = B->PixelFormat() == ie1g;

  // The page count: read back from the "%%Pages: " line and rewritten at the same length.
  char line[16] = {};
  S->SetPosition(C->PagesLine);
  S->Read(line, 15);
  std::string num(line + 9, line + 15);
  num.erase(0, num.find_first_not_of(' '));
  num.erase(num.find_last_not_of(' ') + 1);
  int n = 0;
  try {
    n = std::stoi(num);
  } catch (...) {
    n = 1;
  }
  std::string count = std::to_string(n + 1);
  count.resize(6, ' ');
  S->SetPosition(C->PagesLine);
  const std::string pages = "%%Pages: " + count;
  S->WriteBuffer(pages.data(), static_cast<int64_t>(pages.size()));
  S->SetPosition(C->PagePos);

  int fw = W, fh = H;
  IEFitSize(W, H, P.PS_PaperWidth, P.PS_PaperHeight, fw, fh);
  IEWriteLine(S, "%%Page: " + std::to_string(n + 1) + " " + std::to_string(n + 1));
  IEWriteLine(S, "0 " + std::to_string(P.PS_PaperHeight) + " translate");
  IEWriteLine(S, std::to_string(fw) + " -" + std::to_string(fh) + " scale");
  IEWriteLine(S, std::to_string(W) + " " + std::to_string(H) + " " + (bilevel ? "1" : "8"));
  IEWriteLine(S, "[ " + std::to_string(W) + " 0 0 " + std::to_string(H) + " 0 0 ]");
  P.BitsPerSample = bilevel ? 1 : 8;
  P.SamplesPerPixel = bilevel ? 1 : 3;

  std::string data;
  auto beginData = [&] { IEWriteLine(S, "%%BeginData:      " + std::to_string(data.size()) + " ASCII Bytes"); };
  if (bilevel) {
    if (P.PS_Compression == 1 || P.PS_Compression == 2) {
      const bool g4 = P.PS_Compression == 1;
      const auto fax = Fax(B, g4, Progress);
      A85(fax.data(), static_cast<int>(fax.size()), data);
      IEWriteLine(S, "currentfile /ASCII85Decode filter " + FaxParamsText(g4, W, H) + " /CCITTFaxDecode filter");
    } else {
      // run-length for 0 and for the values that name no coder, so the page always has its image
      const auto rows = BilevelRows(B, &Progress);
      const auto rle = RunLength(rows.data(), static_cast<int>(rows.size()));
      A85(rle.data(), static_cast<int>(rle.size()), data);
      IEWriteLine(S, "currentfile /ASCII85Decode filter /RunLengthDecode filter");
    }
    beginData();
    IEWriteLine(S, "image");
  } else if (P.PS_Compression == 3) {
    const auto jpeg = Jpeg(B, P, Progress);
    A85(jpeg.data(), static_cast<int>(jpeg.size()), data);
    IEWriteLine(S, "currentfile /ASCII85Decode filter << >> /DCTDecode filter");
    IEWriteLine(S, "false 3");
    beginData();
    IEWriteLine(S, "colorimage");
  } else {
    std::vector<uint8_t> ch(W);
    for (int y = 0; y < H; ++y) {
      const uint8_t* s = B->Scanline(y);
      for (int k = 2; k >= 0; --k) {  // red, green, blue
        for (int x = 0; x < W; ++x) ch[x] = s[3 * x + k];
        const auto rle = RunLength(ch.data(), W);
        A85(rle.data(), static_cast<int>(rle.size()), data);
      }
      IECodecSay(Progress, static_cast<int>(int64_t(y) * 100 / H));
    }
    for (const char* c : {"r", "g", "b"}) IEWriteLine(S, std::string("/") + c + "str " + std::to_string(W) + " string def");
    for (const char* c : {"r", "g", "b"})
      IEWriteLine(S, std::string("{currentfile /ASCII85Decode filter /RunLengthDecode filter ") + c + "str readstring pop}");
    IEWriteLine(S, "true 3");
    beginData();
    IEWriteLine(S, "colorimage");
  }
  S->WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  IEWriteLine(S, "%%EndData");
  IEWriteLine(S, "showpage");
  C->PagePos = S->Position();
}

void PsEndDocument(TIEPSContext* C, TStream* S) {
  if (C == nullptr) return;
  std::unique_ptr<TIEPSContext> owner(C);  // freed also when the trailer cannot be written
  S->SetPosition(C->PagePos);
  IEWriteLine(S, "%%Trailer");
  IEWriteLine(S, "%%EOF");
}

void PsWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress) {
  try {
    std::unique_ptr<TIEPSContext> c(PsBeginDocument(Stream, P));
    PsWritePage(c.get(), Stream, Bitmap, Progress, P);
    PsEndDocument(c.release(), Stream);
  } catch (...) {
    Progress.Abort();
  }
}

TIEPDFContext* PdfBeginDocument() {
  auto* c = new TIEPDFContext();
  c->Catalog = IEPDFCreateCatalog(c->Objects);
  c->Resources = new TIEPDFDictionaryObject();
  auto* procs = new TIEPDFArrayObject();
  procs->Add(new TIEPDFNameObject("PDF"));
  procs->Add(new TIEPDFNameObject("ImageB"));
  c->Resources->Add("ProcSet", procs);
  c->XObjects = new TIEPDFDictionaryObject();
  c->Resources->Add("XObject", c->XObjects);
  IEPDFAddObject(c->Objects, c->Resources);
  return c;
}

void PdfWritePage(TIEPDFContext* C, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress) {
  if (C == nullptr || Bitmap == nullptr || Bitmap->IsEmpty()) return;
  std::unique_ptr<TIEBitmap> owned;
  TIEBitmap* B = PageSource(Bitmap, owned);
  const int W = B->Width(), H = B->Height();
  const bool bilevel = B->PixelFormat() == ie1g;
  P.BitsPerSample = bilevel ? 1 : 8;
  P.SamplesPerPixel = bilevel ? 1 : 3;
  std::unique_ptr<TIEPDFStreamObject> imgOwner(new TIEPDFStreamObject());  // until it joins the objects
  TIEPDFStreamObject* img = imgOwner.get();
  TIEPDFDictionaryObject* d = img->Dictionary;
  auto filter = [&](const char* Name) {
    auto* a = new TIEPDFArrayObject();
    a->Add(new TIEPDFNameObject(Name));
    d->Add("Filter", a);
  };
  const TTIFFLZWCompFunc lzw = LzwCoder(P);
  if (bilevel) {
    if (P.PDF_Compression == 4) P.PDF_Compression = 3;
    const int c = P.PDF_Compression;
    if (c == 0) {
      img->Data = BilevelRows(B, &Progress);
    } else if (c == 5 && lzw != nullptr) {
      img->Data = Lzw(lzw, B, false);
      filter("LZWDecode");
    } else if (c == 2 || c == 3) {
      const bool g4 = c == 2;
      img->Data = Fax(B, g4, Progress);
      d->Add("Filter", new TIEPDFNameObject("CCITTFaxDecode"));
      auto* parms = new TIEPDFDictionaryObject();
      parms->Add("K", new TIEPDFNumericObject(g4 ? -1 : 1));
      parms->Add("BlackIs1", new TIEPDFBooleanObject(true));
      parms->Add("Columns", new TIEPDFNumericObject(W));
      parms->Add("Rows", new TIEPDFNumericObject(H));
      parms->Add("EndOfLine", new TIEPDFBooleanObject(false));
      parms->Add("Uncompressed", new TIEPDFBooleanObject(true));
      parms->Add("EncodedByteAlign", new TIEPDFBooleanObject(false));
      parms->Add("EndOfBlock", new TIEPDFBooleanObject(false));
      d->Add("DecodeParms", parms);
    } else {
      // Run-length for 1 and for every compression without a coder here (LZW without a
      // routine, unknown values): the page always has its image data.
      const auto rows = BilevelRows(B, &Progress);
      img->Data = RunLength(rows.data(), static_cast<int>(rows.size()));
      filter("RunLengthDecode");
    }
    d->Add("ColorSpace", new TIEPDFNameObject("DeviceGray"));
    d->Add("BitsPerComponent", new TIEPDFNumericObject(1));
  } else {
    if (P.PDF_Compression == 5 && lzw != nullptr) {
      img->Data = Lzw(lzw, B, true);
      filter("LZWDecode");
      d->Add("ColorSpace", new TIEPDFNameObject("DeviceRGB"));
    } else if (P.PDF_Compression == 4) {
      img->Data = Jpeg(B, P, Progress);
      filter("DCTDecode");
      d->Add("ColorSpace", new TIEPDFNameObject(P.JPEG_ColorSpace == 1 ? "DeviceGray" : "DeviceRGB"));
    } else {
      img->Data.resize(static_cast<size_t>(W) * H * 3);
      for (int y = 0; y < H; ++y) {
        const uint8_t* s = B->Scanline(y);
        uint8_t* o = img->Data.data() + static_cast<size_t>(y) * W * 3;
        for (int x = 0; x < W; ++x) {
          o[3 * x] = s[3 * x + 2];
          o[3 * x + 1] = s[3 * x + 1];
          o[3 * x + 2] = s[3 * x];
        }
        IECodecSay(Progress, static_cast<int>(int64_t(y) * 100 / H));
      }
      d->Add("ColorSpace", new TIEPDFNameObject("DeviceRGB"));
    }
    d->Add("BitsPerComponent", new TIEPDFNumericObject(8));
  }
  d->Insert(0, "Type", new TIEPDFNameObject("XObject"));
  d->Insert(1, "Subtype", new TIEPDFNameObject("Image"));
  d->Add("Width", new TIEPDFNumericObject(W));
  d->Add("Height", new TIEPDFNumericObject(H));
  IEPDFAddObject(C->Objects, imgOwner.release());
  C->Images.push_back(img);
  const int k = static_cast<int>(C->Images.size());

  int fw = W, fh = H;
  IEFitSize(W, H, P.PDF_PaperWidth, P.PDF_PaperHeight, fw, fh);
  const std::string content = "q\n" + std::to_string(fw) + " 0 0 " + std::to_string(fh) + " 0 " +
                              std::to_string(P.PDF_PaperHeight - fh) + " cm\n/lm" + std::to_string(k) + " Do\nQ";
  auto* cs = new TIEPDFStreamObject(content.data(), static_cast<int>(content.size()));
  IEPDFAddObject(C->Objects, cs);
  C->Contents.push_back(cs);
  C->XObjects->Add("lm" + std::to_string(k), new TIEPDFRefObject(img->Number, 0));
  auto* box = new TIEPDFArrayObject();
  for (int v : {0, 0, P.PDF_PaperWidth, P.PDF_PaperHeight}) box->Add(new TIEPDFNumericObject(v));
  IEPDFCreatePage(C->Objects, C->Pages, C->Resources, cs->Number, box);
}

void PdfEndDocument(TIEPDFContext* C, TStream* S, TIOParamsVals& P) {
  if (C == nullptr) return;
  std::unique_ptr<TIEPDFContext> owner(C);
  IEPDFCreatePages(C->Objects, C->Pages);
  auto* info = new TIEPDFDictionaryObject();
  const std::pair<const char*, const std::string*> fields[] = {{"Title", &P.PDF_Title},       {"Author", &P.PDF_Author},
                                                               {"Subject", &P.PDF_Subject},   {"Keywords", &P.PDF_Keywords},
                                                               {"Creator", &P.PDF_Creator},   {"Producer", &P.PDF_Producer}};
  for (const auto& f : fields)
    if (!f.second->empty()) info->Add(f.first, new TIEPDFStringObject(*f.second));
  info->Add("CreationDate", new TIEPDFStringObject("D:" + FormatDateTime("yyyymmddhhnnss", Now())));
  IEPDFAddObject(C->Objects, info);
  try {
    IEPDFWriteHeader(S);
    IEPDFWriteObjects(S, C->Objects);
    IEPDFWriteXRefAndTrailer(S, C->Objects, info);
  } catch (...) {
    IEPDFFreeObjects(C->Objects);
    throw;
  }
  IEPDFFreeObjects(C->Objects);
}

void PdfWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& P, TIEProgressRec& Progress) {
  TIEPDFContext* c = nullptr;
  try {
    c = PdfBeginDocument();
    PdfWritePage(c, Bitmap, P, Progress);
    TIEPDFContext* done = c;
    c = nullptr;
    PdfEndDocument(done, Stream, P);
  } catch (...) {
    if (c != nullptr) {
      IEPDFFreeObjects(c->Objects);
      delete c;
    }
    Progress.Abort();
  }
}

void IERegisterPsCodec() {
  IECodecs.PsWriteImage = PsWriteImage;
  IECodecs.PdfWriteImage = PdfWriteImage;
  IECodecs.PsBeginDocument = PsBeginDocument;
  IECodecs.PsWritePage = PsWritePage;
  IECodecs.PsEndDocument = PsEndDocument;
  IECodecs.PdfBeginDocument = PdfBeginDocument;
  IECodecs.PdfWritePage = PdfWritePage;
  IECodecs.PdfEndDocument = PdfEndDocument;
}
