// TJPEGImage over libjpeg: decoding into a 24-bit (or 8-bit grey) bitmap, encoding with the
// chosen quality.
//
// libjpeg reports fatal errors through longjmp, so the calls into it live in small functions
// with plain locals only; they hand back an error code that the class turns into EJPEG.
#include "platform/vcl/graphics_jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/rtl/streams.h"

namespace {

struct TJpegError {
  jpeg_error_mgr Mgr;
  jmp_buf Jump;
  int Code;
};

void OnError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<TJpegError*>(cinfo->err);
  e->Code = e->Mgr.msg_code ? e->Mgr.msg_code : 1;
  longjmp(e->Jump, 1);
}
void OnMessage(j_common_ptr) {}  // warnings (a truncated file, say) are not shown

[[noreturn]] void Raise(int code) { throw EJPEG("JPEG error #" + std::to_string(code)); }

struct TDecoded {
  int Width = 0, Height = 0, Components = 0;
  std::vector<uint8_t> Pixels;  // rows of BGR (3) or grey (1), top first
};

// Returns 0 or libjpeg's error number. Scale is 1, 2, 4 or 8; headerOnly stops after the size.
int Decode(const std::vector<uint8_t>& data, int scale, bool grey, bool headerOnly, TDecoded& out) {
  jpeg_decompress_struct cinfo;
  TJpegError err;
  std::vector<uint8_t> line;  // made before setjmp: a longjmp must not skip a destructor
  cinfo.err = jpeg_std_error(&err.Mgr);
  err.Mgr.error_exit = OnError;
  err.Mgr.output_message = OnMessage;
  err.Code = 0;
  if (setjmp(err.Jump)) {
    jpeg_destroy_decompress(&cinfo);
    return err.Code;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (cmyk) cinfo.out_color_space = JCS_CMYK;
  else if (grey || cinfo.num_components == 1) cinfo.out_color_space = JCS_GRAYSCALE;
  else cinfo.out_color_space = JCS_EXT_BGR;
  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned>(scale);
  jpeg_calc_output_dimensions(&cinfo);
  out.Width = static_cast<int>(cinfo.output_width);
  out.Height = static_cast<int>(cinfo.output_height);
  if (headerOnly) {
    jpeg_destroy_decompress(&cinfo);
    return 0;
  }
  jpeg_start_decompress(&cinfo);
  int comps = static_cast<int>(cinfo.output_components);
  out.Components = cmyk ? 3 : comps;
  out.Pixels.assign(static_cast<size_t>(out.Width) * out.Height * out.Components, 0);
  line.resize(static_cast<size_t>(out.Width) * comps);
  while (cinfo.output_scanline < cinfo.output_height) {
    size_t row = cinfo.output_scanline;
    JSAMPROW p = line.data();
    jpeg_read_scanlines(&cinfo, &p, 1);
    uint8_t* dst = &out.Pixels[row * out.Width * out.Components];
    if (cmyk) {
      // Adobe writes CMYK inverted: the values are the amount of paper left.
      for (int x = 0; x < out.Width; ++x) {
        const uint8_t* c = &line[static_cast<size_t>(x) * 4];
        dst[x * 3 + 0] = static_cast<uint8_t>(c[2] * c[3] / 255);
        dst[x * 3 + 1] = static_cast<uint8_t>(c[1] * c[3] / 255);
        dst[x * 3 + 2] = static_cast<uint8_t>(c[0] * c[3] / 255);
      }
    } else {
      std::memcpy(dst, line.data(), line.size());
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

// Rows of BGR (or grey) top first into JPEG data; returns 0 or libjpeg's error number.
int Encode(const uint8_t* pixels, int w, int h, int comps, int quality, bool progressive, std::vector<uint8_t>& out) {
  jpeg_compress_struct cinfo;
  TJpegError err;
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  cinfo.err = jpeg_std_error(&err.Mgr);
  err.Mgr.error_exit = OnError;
  err.Mgr.output_message = OnMessage;
  err.Code = 0;
  if (setjmp(err.Jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return err.Code;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &mem, &size);
  cinfo.image_width = static_cast<JDIMENSION>(w);
  cinfo.image_height = static_cast<JDIMENSION>(h);
  cinfo.input_components = comps;
  cinfo.in_color_space = comps == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW p = const_cast<uint8_t*>(pixels) + static_cast<size_t>(cinfo.next_scanline) * w * comps;
    jpeg_write_scanlines(&cinfo, &p, 1);
  }
  jpeg_finish_compress(&cinfo);
  out.assign(mem, mem + size);
  jpeg_destroy_compress(&cinfo);
  std::free(mem);
  return 0;
}

}  // namespace

ORV_CLASS_IMPL(TJPEGImage, TGraphic)

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

bool TJPEGImage::Empty() const { return FData.empty() && (!FBitmap || FBitmap->Empty()); }
int TJPEGImage::Width() const { return FData.empty() && FBitmap ? FBitmap->Width() : FWidth; }
int TJPEGImage::Height() const { return FData.empty() && FBitmap ? FBitmap->Height() : FHeight; }
void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

void TJPEGImage::SetCompressionQuality(TJPEGQualityRange Value) { FQuality = std::clamp(Value, 1, 100); }

void TJPEGImage::SetGrayscale(bool Value) {
  if (FGrayscale == Value) return;
  FGrayscale = Value;
  if (!FData.empty()) FBitmap.reset();  // decoded again in the new colour mode
  Changed();
}

void TJPEGImage::SetScale(TJPEGScale Value) {
  if (FScale == Value) return;
  FScale = Value;
  if (!FData.empty()) {
    FBitmap.reset();
    ReadHeader();
  }
  Changed();
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat Value) {
  if (FPixelFormat == Value) return;
  FPixelFormat = Value;
  if (!FData.empty()) FBitmap.reset();
  Changed();
}

void TJPEGImage::ReadHeader() {
  TDecoded d;
  int code = Decode(FData, 1 << FScale, FGrayscale, true, d);
  if (code) Raise(code);
  if (d.Width <= 0 || d.Height <= 0) Raise(JERR_EMPTY_IMAGE);
  FWidth = d.Width;
  FHeight = d.Height;
}

void TJPEGImage::Assign(TPersistent* Source) {
  if (auto* j = dynamic_cast<TJPEGImage*>(Source)) {
    FData = j->FData;
    FWidth = j->FWidth;
    FHeight = j->FHeight;
    FQuality = j->FQuality;
    FGrayscale = j->FGrayscale;
    FProgressive = j->FProgressive;
    FScale = j->FScale;
    FPixelFormat = j->FPixelFormat;
    FBitmap.reset();
    if (FData.empty() && j->FBitmap) {
      FBitmap = std::make_unique<TBitmap>();
      FBitmap->Assign(j->FBitmap.get());
    }
    Changed();
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    FData.clear();
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->Assign(b);
    FWidth = b->Width();
    FHeight = b->Height();
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

void TJPEGImage::Compress() {
  if (!FBitmap || FBitmap->Empty()) return;
  TBitmap src;
  src.Assign(FBitmap.get());
  src.SetPixelFormat(pf24bit);
  int w = src.Width(), h = src.Height();
  int comps = FGrayscale ? 1 : 3;
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * comps);
  for (int y = 0; y < h; ++y) {
    const auto* row = static_cast<const uint8_t*>(src.ScanLine(y));
    uint8_t* o = &px[static_cast<size_t>(y) * w * comps];
    if (comps == 3) {
      std::memcpy(o, row, static_cast<size_t>(w) * 3);
    } else {
      for (int x = 0; x < w; ++x) o[x] = static_cast<uint8_t>((row[x * 3 + 2] * 77 + row[x * 3 + 1] * 150 + row[x * 3] * 29) >> 8);
    }
  }
  std::vector<uint8_t> data;
  int code = Encode(px.data(), w, h, comps, FQuality, FProgressive, data);
  if (code) Raise(code);
  FData = std::move(data);
  FWidth = w;
  FHeight = h;
}

void TJPEGImage::JPEGNeeded() {
  if (FData.empty()) Compress();
}

void TJPEGImage::DIBNeeded() {
  if (FBitmap || FData.empty()) return;
  TDecoded d;
  int code = Decode(FData, 1 << FScale, FGrayscale || FPixelFormat == jf8Bit, false, d);
  if (code) Raise(code);
  auto b = std::make_unique<TBitmap>();
  if (d.Components == 1) {
    b->SetPixelFormat(pf8bit);
    b->SetSize(d.Width, d.Height);
    struct {
      WORD version, count;
      PALETTEENTRY e[256];
    } lp{0x300, 256, {}};
    for (int i = 0; i < 256; ++i) lp.e[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    b->SetPalette(CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp)));
  } else {
    b->SetPixelFormat(pf24bit);
    b->SetSize(d.Width, d.Height);
  }
  size_t rowBytes = static_cast<size_t>(d.Width) * d.Components;
  for (int y = 0; y < d.Height; ++y) std::memcpy(b->ScanLine(y), &d.Pixels[y * rowBytes], rowBytes);
  b->SetModified(false);
  FBitmap = std::move(b);
}

TBitmap* TJPEGImage::Bitmap() {
  DIBNeeded();
  if (!FBitmap) FBitmap = std::make_unique<TBitmap>();
  return FBitmap.get();
}

void TJPEGImage::LoadFromStream(TStream* Stream) {
  int64_t n = Stream->Size() - Stream->Position();
  if (n <= 0 || n > (int64_t(1) << 30)) throw EJPEG("JPEG error #" + std::to_string(JERR_INPUT_EMPTY));
  std::vector<uint8_t> data(static_cast<size_t>(n));
  Stream->ReadBuffer(data.data(), n);
  std::swap(FData, data);
  try {
    ReadHeader();
  } catch (...) {
    std::swap(FData, data);  // keep the previous picture
    throw;
  }
  FBitmap.reset();
  FModified = false;
  if (OnChange) OnChange(this);
}

void TJPEGImage::SaveToStream(TStream* Stream) {
  JPEGNeeded();
  if (!FData.empty()) Stream->WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TJPEGImage::Draw(TCanvas* ACanvas, const RECT& Rect) {
  TBitmap* b = Bitmap();
  if (b && !b->Empty()) b->Draw(ACanvas, Rect);
}

void TJPEGImage::ReadData(TStream* Stream) {
  int32_t size = 0;
  Stream->ReadBuffer(&size, 4);
  if (size <= 0 || size > Stream->Size() - Stream->Position()) throw EJPEG("JPEG error #" + std::to_string(JERR_INPUT_EOF));
  TMemoryStream m;
  m.CopyFrom(Stream, size);
  m.SetPosition(0);
  LoadFromStream(&m);
}

void TJPEGImage::WriteData(TStream* Stream) {
  JPEGNeeded();
  int32_t size = static_cast<int32_t>(FData.size());
  Stream->WriteBuffer(&size, 4);
  if (size) Stream->WriteBuffer(FData.data(), size);
}

void TJPEGImage::AssignTo(TPersistent* Dest) {
  if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
    b->Assign(Bitmap());
    return;
  }
  TGraphic::AssignTo(Dest);
}
