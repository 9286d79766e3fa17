// The page image exports and the TIFF writer.
#include "report/output/rptexportimage.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/vcl/stdctrls.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/graphics_jpeg.h"
#include "platform/win/wingdi.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptres.h"
#include "report/core/rptview.h"
#include "report/output/rptexportpdf.h"
#include "report/output/rptexportdialogs.h"
#include "report/output/rptexptexts.h"

ORV_CLASS_IMPL(TrptCustomImageExport, TrptCustomExportFilter)
ORV_CLASS_IMPL(TrptBMPExport, TrptCustomImageExport)
ORV_CLASS_IMPL(TrptTIFFExport, TrptCustomImageExport)
ORV_CLASS_IMPL(TrptJPEGExport, TrptCustomImageExport)

TrptCustomImageExport::TrptCustomImageExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) {
  rptAddExportTexts();
}
TrptCustomImageExport::TrptCustomImageExport(TUnregistered U) : TrptCustomExportFilter(U) { rptAddExportTexts(); }
TrptCustomImageExport::~TrptCustomImageExport() = default;

void TrptCustomImageExport::Publish(TPublisher<TrptCustomImageExport>& P) {
  P.Prop("CropImages", &TrptCustomImageExport::CropImages).Default(true);
  P.Prop("Monochrome", &TrptCustomImageExport::Monochrome).Default(false);
}

int TrptCustomImageExport::ShowOptionsDialog() {
  const bool jpeg = dynamic_cast<TrptJPEGExport*>(this) != nullptr, tiff = dynamic_cast<TrptTIFFExport*>(this) != nullptr;
  TrptIMGExportDialog dlg(nullptr);
  return rptRunExportDialog(
      this, &dlg,
      [&] {
        dlg.Quality->SetText(IntToStr(JPEGQuality));
        dlg.Quality->SetEnabled(jpeg);
        dlg.CropPage->SetChecked(CropImages);
        dlg.Mono->SetChecked(Monochrome);
        dlg.Resolution->SetText(IntToStr(Resolution));
        dlg.SeparateCB->SetChecked(SeparateFiles);
      },
      [&] {
        if (jpeg) JPEGQuality = StrToInt(Trim(dlg.Quality->Text()));
        Resolution = StrToInt(Trim(dlg.Resolution->Text()));
        CropImages = dlg.CropPage->Checked();
        Monochrome = dlg.Mono->Checked();
        SeparateFiles = dlg.SeparateCB->Checked();
        dlg.ReadRange(this);
      },
      rptGet(jpeg ? "JPEGexportFilter" : tiff ? "TIFFexportFilter" : "BMPexportFilter"),
      jpeg ? ".jpg" : tiff ? ".tif" : ".bmp");
}

void TrptCustomImageExport::NewBitmap() {
  FBitmap = std::make_unique<TBitmap>();
  FBitmap->SetPixelFormat(Monochrome ? pf1bit : pf24bit);
  FScale = Resolution / 96.0;
}

bool TrptCustomImageExport::Start() {
  CurPage = false;
  FPageCounter = 0;
  FYOffset = 0;
  if (!SeparateFiles) {
    NewBitmap();
    FMaxX = FMaxY = 0;
    FFirstPage = true;
  }
  FileName = rptExportFullName(FileName, DefaultPath);
  return !FileName.empty();
}

void TrptCustomImageExport::StartPage(TrptPage* Page, int) {
  ++FPageCounter;
  const Extended w = Page->Width(), h = Page->Height();
  if (SeparateFiles) {
    NewBitmap();
    FBitmap->SetSize(rptRound(w * FScale), rptRound(h * FScale));
    FMaxX = FMaxY = 0;
  } else if (FFirstPage) {
    FFirstPage = false;
    const int pages = Report && Report->PreviewPages() ? Report->PreviewPages()->PageCount() : 1;
    // The whole report in one picture, however tall: no page is cut off.
    FBitmap->SetSize(std::max(FBitmap->Width(), rptRound(w * FScale)), rptRound(pages * h * FScale));
  }
  TCanvas* c = FBitmap->Canvas();
  c->Brush()->SetColor(clWhite);
  if (SeparateFiles) c->FillRect(RECT{0, 0, FBitmap->Width(), FBitmap->Height()});
  FMinX = FBitmap->Width();
  FMinY = FBitmap->Height();
}

void TrptCustomImageExport::ExportObject(TrptComponent* Obj) {
  auto* v = dynamic_cast<TrptView*>(Obj);
  if (!v || !v->Printable || !FBitmap) return;
  const Extended l = v->GetAbsLeft(), t = v->GetAbsTop();
  FMinX = std::min(FMinX, rptRound(l * FScale));
  FMinY = std::min(FMinY, rptRound(t * FScale) + FYOffset);
  if ((l + v->Width()) * FScale > FMaxX) FMaxX = rptRound((l + v->Width()) * FScale) + 1;
  if ((t + v->Height()) * FScale + FYOffset > FMaxY) FMaxY = rptRound((t + v->Height()) * FScale) + FYOffset + 1;
  v->Draw(FBitmap->Canvas(), FScale, FScale, 0, FYOffset);
}

void TrptCustomImageExport::FinishPage(TrptPage* Page, int) {
  if (SeparateFiles) FinishImage();
  else FYOffset += rptRound(Page->Height() * FScale);
}

void TrptCustomImageExport::Finish() {
  if (!SeparateFiles && FBitmap) FinishImage();
}

void TrptCustomImageExport::FinishImage() {
  if (!FBitmap) return;
  if (CropImages && SeparateFiles && FMaxX > FMinX && FMaxY > FMinY) {
    const int w = std::min(FMaxX, FBitmap->Width()) - FMinX, h = std::min(FMaxY, FBitmap->Height()) - FMinY;
    TBitmap cut;
    cut.SetPixelFormat(FBitmap->PixelFormat());
    cut.SetSize(w, h);
    BitBlt(cut.Canvas()->Handle(), 0, 0, w, h, FBitmap->Canvas()->Handle(), FMinX, FMinY, SRCCOPY);
    FBitmap->Assign(&cut);
  }
  try {
    SaveImage();
  } catch (const Exception& e) {
    rptExportError(Report, e.Message());
  }
  FBitmap.reset();
}

void TrptCustomImageExport::SaveImage() { FileSuffix = SeparateFiles ? "." + IntToStr(FPageCounter) : std::string(); }

std::string TrptCustomImageExport::ImageFileName(const std::string& Extension) const {
  return ChangeFileExt(FileName, FileSuffix + Extension);
}

std::string TrptBMPExport::GetMenuCaption() { return rptGet("BMPexport"); }
void TrptBMPExport::SaveImage() {
  TrptCustomImageExport::SaveImage();
  Image()->SaveToFile(ImageFileName(".bmp"));
}

std::string TrptJPEGExport::GetMenuCaption() { return rptGet("JPEGexport"); }
void TrptJPEGExport::SaveImage() {
  TrptCustomImageExport::SaveImage();
  TJPEGImage j;
  j.SetCompressionQuality(JPEGQuality);
  j.Assign(Image());
  j.SaveToFile(ImageFileName(".jpg"));
}

std::string TrptTIFFExport::GetMenuCaption() { return rptGet("TIFFexport"); }
void TrptTIFFExport::SaveImage() {
  TrptCustomImageExport::SaveImage();
  TFileStream f(ImageFileName(".tif"), fmCreate);
  rptSaveTIFF(Image(), Resolution, &f);
}

// ---- TIFF ----

namespace {

struct TTiffOut {
  std::vector<uint8_t> B;
  void U16(unsigned V) {
    B.push_back(static_cast<uint8_t>(V));
    B.push_back(static_cast<uint8_t>(V >> 8));
  }
  void U32(uint32_t V) {
    U16(V & 0xFFFF);
    U16(V >> 16);
  }
  void Put(uint32_t At, uint32_t V) {
    for (int i = 0; i < 4; ++i) B[At + static_cast<uint32_t>(i)] = static_cast<uint8_t>(V >> (8 * i));
  }
  // One IFD entry; SHORT values sit in the first two bytes of the value field.
  void Entry(unsigned Tag, unsigned Type, uint32_t Count, uint32_t Value) {
    U16(Tag);
    U16(Type);
    U32(Count);
    if (Type == 3 && Count == 1) {
      U16(Value);
      U16(0);
    } else {
      U32(Value);
    }
  }
};

const char kSoftware[11] = "Orvanta RP";

}  // namespace

void rptSaveTIFF(TBitmap* Bmp, int Resolution, TStream* Stream) {
  const int w0 = Bmp->Width(), h = Bmp->Height();
  int bits = 24;
  switch (Bmp->PixelFormat()) {
    case pf1bit: bits = 1; break;
    case pf4bit: bits = 4; break;
    case pf8bit: bits = 8; break;
    case pf15bit:
    case pf16bit: bits = 16; break;
    case pf24bit: bits = 24; break;
    default: bits = 32;
  }
  const uint32_t res = static_cast<uint16_t>(Resolution * 10);
  TTiffOut o;
  o.B.insert(o.B.end(), {'I', 'I'});
  o.U16(42);
  o.U32(0);  // IFD offset, set last
  auto rational = [&]() {
    o.U32(res);
    o.U32(10);
  };
  auto software = [&]() { o.B.insert(o.B.end(), kSoftware, kSoftware + 10); };
  uint32_t ifd = 0;
  if (bits == 1) {
    const int rowBytes = (w0 + 7) / 8;
    rational();
    rational();
    software();
    ifd = static_cast<uint32_t>(o.B.size());
    const uint32_t rows = ifd + 2 + 14 * 12 + 4;
    o.U16(14);
    o.Entry(254, 4, 1, 0);
    o.Entry(256, 3, 1, static_cast<uint32_t>(w0));
    o.Entry(257, 3, 1, static_cast<uint32_t>(h));
    o.Entry(258, 3, 1, 1);
    o.Entry(259, 3, 1, 1);
    o.Entry(262, 3, 1, 1);
    o.Entry(273, 4, 1, rows);
    o.Entry(277, 3, 1, 1);
    o.Entry(278, 4, 1, static_cast<uint32_t>(h));
    o.Entry(279, 4, 1, static_cast<uint32_t>(rowBytes * h));
    o.Entry(282, 5, 1, 8);
    o.Entry(283, 5, 1, 16);
    o.Entry(296, 3, 1, 2);
    o.Entry(305, 2, 10, 24);
    o.U32(0);
    for (int y = 0; y < h; ++y) {
      const auto* line = static_cast<const uint8_t*>(Bmp->ScanLine(y));
      o.B.insert(o.B.end(), line, line + rowBytes);
    }
  } else if (bits == 4 || bits == 8) {
    const int w = bits == 4 ? w0 / 4 * 4 : w0;
    const int colors = 1 << bits;
    std::vector<RGBQUAD> table(static_cast<size_t>(colors));
    GetDIBColorTable(Bmp->Canvas()->Handle(), 0, static_cast<UINT>(colors), table.data());
    for (int i = 0; i < colors; ++i) o.U16(table[static_cast<size_t>(i)].rgbRed * 256u);
    for (int i = 0; i < colors; ++i) o.U16(table[static_cast<size_t>(i)].rgbGreen * 256u);
    for (int i = 0; i < colors; ++i) o.U16(table[static_cast<size_t>(i)].rgbBlue * 256u);
    const uint32_t xres = static_cast<uint32_t>(o.B.size());
    rational();
    rational();
    const uint32_t soft = static_cast<uint32_t>(o.B.size());
    software();
    const uint32_t rows = static_cast<uint32_t>(o.B.size());
    const int rowBytes = bits == 4 ? w / 2 : w;
    for (int y = 0; y < h; ++y) {
      const auto* line = static_cast<const uint8_t*>(Bmp->ScanLine(y));
      o.B.insert(o.B.end(), line, line + rowBytes);
    }
    ifd = static_cast<uint32_t>(o.B.size());
    o.U16(15);
    o.Entry(254, 4, 1, 0);
    o.Entry(256, 3, 1, static_cast<uint32_t>(w));
    o.Entry(257, 3, 1, static_cast<uint32_t>(h));
    o.Entry(258, 3, 1, static_cast<uint32_t>(bits));
    o.Entry(259, 3, 1, 1);
    o.Entry(262, 3, 1, 3);
    o.Entry(273, 4, 1, rows);
    o.Entry(277, 3, 1, 1);
    o.Entry(278, 4, 1, static_cast<uint32_t>(h));
    o.Entry(279, 4, 1, static_cast<uint32_t>(rowBytes * h));
    o.Entry(282, 5, 1, xres);
    o.Entry(283, 5, 1, xres + 8);
    o.Entry(296, 3, 1, 2);
    o.Entry(305, 2, 10, soft);
    o.Entry(320, 3, static_cast<uint32_t>(3 * colors), 8);
    o.U32(0);
  } else {
    const int w = w0;
    rational();
    rational();
    o.U16(8);
    o.U16(8);
    o.U16(8);
    software();
    for (int y = 0; y < h; ++y) {
      const auto* line = static_cast<const uint8_t*>(Bmp->ScanLine(y));
      for (int x = 0; x < w; ++x) {
        uint8_t r, g, b;
        if (bits == 16) {
          const unsigned v = line[x * 2] | line[x * 2 + 1] << 8;
          // Five bits per component spread over the whole range: black stays 0, white is 255.
          r = static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31);
          g = static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31);
          b = static_cast<uint8_t>((v & 31) * 255 / 31);
        } else {
          const int step = bits / 8;
          b = line[x * step];
          g = line[x * step + 1];
          r = line[x * step + 2];
        }
        o.B.insert(o.B.end(), {r, g, b});
      }
    }
    ifd = static_cast<uint32_t>(o.B.size());
    o.U16(15);
    o.Entry(254, 4, 1, 0);
    o.Entry(256, 3, 1, static_cast<uint32_t>(w));
    o.Entry(257, 3, 1, static_cast<uint32_t>(h));
    o.Entry(258, 3, 3, 24);
    o.Entry(259, 3, 1, 1);
    o.Entry(262, 3, 1, 2);
    o.Entry(273, 4, 1, 40);
    o.Entry(277, 3, 1, 3);
    o.Entry(278, 4, 1, static_cast<uint32_t>(h));
    o.Entry(279, 4, 1, static_cast<uint32_t>(w * h * 3));
    o.Entry(282, 5, 1, 8);
    o.Entry(283, 5, 1, 16);
    o.Entry(284, 3, 1, 1);
    o.Entry(296, 3, 1, 2);
    o.Entry(305, 2, 10, 30);
    o.U32(0);
  }
  o.Put(4, ifd);
  Stream->WriteBuffer(o.B.data(), static_cast<int64_t>(o.B.size()));
}
